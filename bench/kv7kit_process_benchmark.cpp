// kv7kit as a user runs it, a whole process from exec to exit, next to sox doing the same job:
//   kv7kit build -o kit.aif 12s_stereo.wav
//   sox 12s_stereo.wav -c 1 -b 16 out.aif
// Runs them in pairs, alternating which goes first so neither always finds the caches the other
// warmed, and prints "name value" lines for bench/run: the median time of each and the median of
// the per-pair ratios kv7kit / sox, which a change in the machine's load between pairs moves far
// less than a ratio of the two medians. Then times kv7kit chop of a 12 s drum loop at its onsets,
// which has no baseline but a budget of its own.
//   kv7_bench_kv7kit_process [--pairs N] [--kv7kit PATH]
#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kFrames = 12 * 44100;

// The scratch folder, removed also when a run fails.
std::string folder;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    if (!folder.empty()) std::filesystem::remove_all(folder);
    std::exit(1);
}

void writeStereoWav(const std::string& path, const std::vector<float>& stereo) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file || sf_writef_float(file, stereo.data(), kFrames) != kFrames) fail("cannot write " + path);
    sf_close(file);
}

// The 12 s stereo 16-bit WAV both programs read: a different tone in each channel under a little
// noise, so that neither the mix to one channel nor its 16 bits come out trivial.
void writeInput(const std::string& path) {
    std::vector<float> stereo(2 * static_cast<std::size_t>(kFrames));
    uint32_t noise = 1;
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        for (int channel = 0; channel < 2; ++channel) {
            noise = noise * 1664525u + 1013904223u;
            stereo[2 * i + channel] = static_cast<float>(0.4 * std::sin(2.0 * std::numbers::pi * (channel ? 660.0 : 440.0) * t) +
                                                         0.1 * (static_cast<double>(noise >> 8) / 16777216.0 - 0.5));
        }
    }
    writeStereoWav(path, stereo);
}

// A 12 s stereo loop of 48 decaying noise hits, a quarter second apart: onsets for chop to find.
void writeLoop(const std::string& path) {
    std::vector<float> stereo(2 * static_cast<std::size_t>(kFrames));
    uint32_t noise = 7;
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double sinceHit = static_cast<double>(i % (kFrames / 48)) / 44100.0;
        for (int channel = 0; channel < 2; ++channel) {
            noise = noise * 1664525u + 1013904223u;
            stereo[2 * i + channel] =
                static_cast<float>(0.8 * std::exp(-sinceHit * 30.0) * (static_cast<double>(noise >> 8) / 16777216.0 - 0.5));
        }
    }
    writeStereoWav(path, stereo);
}

// Wall time of one run, in milliseconds; its output goes to /dev/null. Exits on a failed run.
double timedRun(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child;
    const int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    int status = 0;
    if (failed == 0)
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) fail(arguments[0] + " failed");
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

}  // namespace

int main(int argc, char** argv) {
    int pairs = 40;
    std::string kv7kit = TL_KV7KIT_PATH;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--pairs") == 0) pairs = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--kv7kit") == 0) kv7kit = argv[i + 1];
    }
    kv7kit = std::filesystem::absolute(kv7kit).string();

    std::string pattern = (std::filesystem::temp_directory_path() / "kv7-process-XXXXXX").string();
    if (!mkdtemp(pattern.data())) fail("cannot make a scratch folder");
    folder = pattern;
    // Both command lines as a user types them, in the folder that holds the sound.
    if (chdir(folder.c_str()) != 0) fail("cannot enter " + folder);
    writeInput("12s_stereo.wav");
    const std::vector<std::string> ours{kv7kit, "build", "-o", "kit.aif", "12s_stereo.wav"};
    const std::vector<std::string> sox{"sox", "12s_stereo.wav", "-c", "1", "-b", "16", "out.aif"};

    // The first runs load both programs and their libraries from disk; after them each run replaces
    // the file it wrote the time before, as the other does.
    for (int i = 0; i < 3; ++i) {
        timedRun(ours);
        timedRun(sox);
    }
    std::vector<double> oursMs, soxMs, ratios;
    for (int i = 0; i < pairs; ++i) {
        double a, b;
        if (i % 2 == 0) {
            a = timedRun(ours);
            b = timedRun(sox);
        } else {
            b = timedRun(sox);
            a = timedRun(ours);
        }
        oursMs.push_back(a);
        soxMs.push_back(b);
        ratios.push_back(a / b);
    }

    writeLoop("12s_loop.wav");
    const std::vector<std::string> chop{kv7kit, "chop", "12s_loop.wav", "-o", "chopped.aif"};
    timedRun(chop);
    std::vector<double> chopMs;
    for (int i = 0; i < std::max(5, pairs / 4); ++i) chopMs.push_back(timedRun(chop));
    std::filesystem::remove_all(folder);

    std::printf("kv7kit_chop_ms %.3f\n", median(chopMs));
    std::printf("kv7kit_build_ms %.3f\n", median(oursMs));
    std::printf("sox_aiff_ms %.3f\n", median(soxMs));
    std::printf("kv7kit_build_ratio %.4f\n", median(ratios));
    return 0;
}
