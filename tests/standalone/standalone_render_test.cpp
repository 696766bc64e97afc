// Runs the built tembro-laxis program headless, as a user does: its help, its errors, and
// renders of MIDI files through the plug-in checked for length and content.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "smf_writer.h"

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int status;
    std::string output;  // standard output and error together
};

ProgramRun runStandalone(const std::string& arguments) {
    const std::string command = std::string(TL_STANDALONE_PATH) + " " + arguments + " 2>&1";
    ProgramRun run{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved
    size_t frames() const { return channels ? samples.size() / static_cast<size_t>(channels) : 0; }
};

Sound readSound(const std::string& path) {
    SF_INFO info{};
    Sound sound;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return sound;
    sound.rate = info.samplerate;
    sound.channels = info.channels;
    sound.samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, sound.samples.data(), info.frames);
    sf_close(file);
    return sound;
}

void writeSound(const std::string& path, int rate, int channels, const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / static_cast<size_t>(channels)));
    sf_close(file);
}

class StandaloneRender : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kv7-standalone-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        // A walk over the 24 slots at 120 bpm, 480 ticks a quarter: a note every 0.0625 s from 0.25 s,
        // the file ending at 2 s.
        SmfWriter smf(480);
        smf.tempo(0, 500000);
        for (uint32_t n = 0; n < 24; ++n) {
            smf.noteOn(240 + 60 * n, static_cast<uint8_t>(53 + n));
            smf.noteOff(240 + 60 * n + 30, static_cast<uint8_t>(53 + n));
        }
        smf.write(path("song.mid"), 1920);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const char* name) const { return (dir / name).string(); }
    std::string plugin() const { return std::string(" --plugin ") + TL_PLUGIN_PATH; }

    fs::path dir;
};

TEST_F(StandaloneRender, HelpNamesTheModesAndTheKeyboard) {
    const ProgramRun run = runStandalone("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* text : {"--midi", "--render", "--input", "--tail", "--no-audio", "--plugin", "--audio-api",
                             "--audio-device", "--rate", "--block", "--list-devices", "Z S X D C F V B H N J M",
                             "Q 2 W 3 E 4 R T 6 Y 7 U"})
        EXPECT_NE(run.output.find(text), std::string::npos) << text;
}

TEST_F(StandaloneRender, InputsPassThroughThePluginSampleForSample) {
    // Different left and right test signals, longer than the song: the render lasts as long as
    // the input, and an empty kit hands both inputs to the outputs unchanged, notes or not.
    constexpr int kRate = 48000;
    constexpr size_t kFrames = 3 * kRate + 123;
    std::vector<float> input(2 * kFrames);
    for (size_t f = 0; f < kFrames; ++f) {
        input[2 * f] = static_cast<float>(0.25 * std::sin(2.0 * M_PI * 441.0 * static_cast<double>(f) / kRate));
        input[2 * f + 1] = static_cast<float>(f % 997) / 997.0f - 0.5f;
    }
    writeSound(path("in.wav"), kRate, 2, input);
    const ProgramRun run = runStandalone("--midi " + path("song.mid") + " --render " + path("out.wav") + " --input " +
                                  path("in.wav") + " --tail 0.5 --block 1024" + plugin());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("48 MIDI messages"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(TL_PLUGIN_PATH), std::string::npos) << run.output;
    const Sound out = readSound(path("out.wav"));
    EXPECT_EQ(out.rate, kRate);
    ASSERT_EQ(out.channels, 2);
    ASSERT_EQ(out.frames(), kFrames);
    size_t differing = 0;
    for (size_t i = 0; i < input.size(); ++i) differing += out.samples[i] != input[i];
    EXPECT_EQ(differing, 0u);
}

TEST_F(StandaloneRender, LengthIsTheSongAndItsTailAtTheChosenRate) {
    // A mono input shorter than the song feeds both inputs, then silence follows.
    std::vector<float> input(1000, 0.5f);
    writeSound(path("in.wav"), 22050, 1, input);
    const ProgramRun run = runStandalone("--midi " + path("song.mid") + " --render " + path("out.wav") + " --input " +
                                  path("in.wav") + " --tail 0.5 --block 100" + plugin());
    ASSERT_EQ(run.status, 0) << run.output;
    const Sound out = readSound(path("out.wav"));
    EXPECT_EQ(out.rate, 22050);
    ASSERT_EQ(out.frames(), static_cast<size_t>(2.5 * 22050));
    for (size_t f = 0; f < out.frames(); ++f) {
        const float expected = f < input.size() ? 0.5f : 0.0f;
        ASSERT_EQ(out.samples[2 * f], expected) << f;
        ASSERT_EQ(out.samples[2 * f + 1], expected) << f;
    }

    const ProgramRun silent = runStandalone("--midi " + path("song.mid") + " --render " + path("silent.wav") +
                                     " --rate 96000 --tail 0" + plugin());
    ASSERT_EQ(silent.status, 0) << silent.output;
    EXPECT_NE(silent.output.find("inputs silent"), std::string::npos);
    const Sound quiet = readSound(path("silent.wav"));
    EXPECT_EQ(quiet.rate, 96000);
    EXPECT_EQ(quiet.frames(), 2u * 96000u);
    for (float sample : quiet.samples) ASSERT_EQ(sample, 0.0f);
}

TEST_F(StandaloneRender, ErrorsAreToldAndEndTheProgram) {
    std::ofstream(path("text.mid")) << "not a MIDI file";
    std::ofstream(path("text.so")) << "not a module";
    writeSound(path("in.wav"), 44100, 2, std::vector<float>(20, 0.0f));
    const std::string song = " --midi " + path("song.mid");
    struct Case {
        std::string arguments;
        const char* says;
    } cases[] = {
        {"--render " + path("out.wav"), "--midi"},
        {song, "--render"},
        {"--midi " + path("text.mid") + " --render " + path("out.wav") + plugin(), "is not a MIDI file that can be read"},
        {song + " --render " + path("out.wav") + " --plugin " + path("text.so"), "cannot load"},
        {song + " --render " + path("out.wav") + " --input " + path("in.wav") + " --rate 48000" + plugin(), "44100 Hz"},
        {song + " --render " + path("no/such/dir/out.wav") + plugin(), "cannot write"},
        {song + " --render " + path("out.wav") + " --no-audio", "excludes"},
        {"--audio-api oss", "oss"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = runStandalone(c.arguments);
        EXPECT_NE(run.status, 0) << c.arguments;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.arguments << "\n" << run.output;
    }
    EXPECT_FALSE(fs::exists(path("out.wav")));
}

}  // namespace
