// Loading a 12 s stereo 16-bit WAV into a slot, exporting a full 12 s kit and importing it again,
// each next to sox doing the equivalent work in the same run (a process of its own, as a user
// would run it):
//   sox in.wav -c 1 -t f32 out.raw                      (decode and mix down to mono floats)
//   sox -t f32 -r 44100 -c 1 in.raw -b 16 out.aif       (write a 16-bit AIFF of the same length)
//   sox kit.aif -t f32 out.raw                          (read the kit file to raw floats)
// Prints milliseconds per run of each and the ratios ours / sox.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/kv7drumedit.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/kit_trace.h"
#include "run_sox.h"
#include "kitfiles/sound_file_loader.h"

namespace {

struct Files {
    Files() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kv7-bench-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        wav = folder + "/in.wav";
        raw = folder + "/in.raw";
        std::vector<float> stereo(2 * static_cast<std::size_t>(MAX_BUFFERLENGTH));
        std::vector<float> mono(static_cast<std::size_t>(MAX_BUFFERLENGTH));
        for (std::size_t i = 0; i < mono.size(); ++i) {
            mono[i] = 0.5f * static_cast<float>((i * 7919) % 2000) / 2000.0f - 0.25f;
            stereo[2 * i] = mono[i];
            stereo[2 * i + 1] = -mono[i];
        }
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(wav.c_str(), SFM_WRITE, &info);
        sf_writef_float(file, stereo.data(), MAX_BUFFERLENGTH);
        sf_close(file);
        std::FILE* out = std::fopen(raw.c_str(), "wb");
        std::fwrite(mono.data(), sizeof(float), mono.size(), out);
        std::fclose(out);
    }
    ~Files() { std::filesystem::remove_all(folder); }
    std::string folder, wav, raw;
};

Files& files() {
    static Files instance;
    return instance;
}

void loadStereoWavIntoASlot(benchmark::State& state) {
    kitfiles::setTraceStream(nullptr);
    std::unique_ptr<Kv7DrumEdit> effect(new Kv7DrumEdit(nullptr));
    kitfiles::SlotPaths paths{};
    std::strcpy(paths[0], files().wav.c_str());
    for (auto _ : state) {
        const auto result = kitfiles::LoadExec_This_Sound_From_File(*effect, paths, paths[0], kitfiles::kLoadSoundFile, 0);
        if (effect->BufferLength[0] != MAX_BUFFERLENGTH) state.SkipWithError(result.message.c_str());
    }
}

void soxMixdownToFloats(benchmark::State& state) {
    const std::string out = files().folder + "/out.raw";
    for (auto _ : state) runSox({"sox", files().wav, "-c", "1", "-t", "f32", out});
}

// 24 slots of 22050 samples: 12 s in all, the most a kit holds.
std::unique_ptr<Kv7DrumEdit> fullKit(kitfiles::SlotPaths& paths) {
    std::unique_ptr<Kv7DrumEdit> effect(new Kv7DrumEdit(nullptr));
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        for (int32_t i = 0; i < 22050; ++i) effect->SampleBuffer[slot][i] = 0.001f * static_cast<float>((i + slot) % 900);
        effect->BufferLength[slot] = 22050;
        std::strcpy(paths[slot], "/bench/sound.wav");
    }
    return effect;
}

// A full kit file written by the export, for the import figures.
const std::string& kitFile() {
    static const std::string path = [] {
        kitfiles::SlotPaths paths{};
        auto effect = fullKit(paths);
        const std::string out = files().folder + "/import.aif";
        kitfiles::Save_All_Buffer_To_KV7_File(*effect, paths, out.c_str());
        return out;
    }();
    return path;
}

void exportFullKit(benchmark::State& state) {
    kitfiles::setTraceStream(nullptr);
    kitfiles::SlotPaths paths{};
    auto effect = fullKit(paths);
    const std::string out = files().folder + "/kit.aif";
    for (auto _ : state) {
        const auto result = kitfiles::Save_All_Buffer_To_KV7_File(*effect, paths, out.c_str());
        if (result.outcome != kitfiles::KitExportResult::Outcome::Written) state.SkipWithError(result.message.c_str());
    }
}

void soxWriteAiff16(benchmark::State& state) {
    const std::string out = files().folder + "/sox.aif";
    for (auto _ : state) runSox({"sox", "-t", "f32", "-r", "44100", "-c", "1", files().raw, "-b", "16", out});
}

void importFullKit(benchmark::State& state) {
    kitfiles::setTraceStream(nullptr);
    std::unique_ptr<Kv7DrumEdit> effect(new Kv7DrumEdit(nullptr));
    kitfiles::SlotPaths paths{};
    const std::string& kit = kitFile();
    for (auto _ : state) {
        const auto result = kitfiles::LoadExec_This_Sound_From_File(*effect, paths, kit.c_str(), kitfiles::kLoadSoundFile, 0);
        if (!result.kitImported || effect->BufferLength[kNumSlots - 1] < 22000)
            state.SkipWithError(("the kit was not imported: " + result.message).c_str());
    }
}

void soxReadKitToRaw(benchmark::State& state) {
    const std::string out = files().folder + "/kit.raw";
    const std::string& kit = kitFile();
    for (auto _ : state) runSox({"sox", kit, "-t", "f32", out});
}

BENCHMARK(loadStereoWavIntoASlot)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(soxMixdownToFloats)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(exportFullKit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(soxWriteAiff16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(importFullKit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(soxReadKitToRaw)->Unit(benchmark::kMillisecond)->UseRealTime();

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred) milliseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> milliseconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* ours, const char* sox) {
        const auto a = reporter.milliseconds.find(ours), b = reporter.milliseconds.find(sox);
        if (a == reporter.milliseconds.end() || b == reporter.milliseconds.end()) return;
        std::printf("%-26s %8.2f ms   %-20s %8.2f ms   ratio %.2f\n", ours, a->second, sox, b->second, a->second / b->second);
    };
    std::printf("\n");
    ratio("loadStereoWavIntoASlot/real_time", "soxMixdownToFloats/real_time");
    ratio("exportFullKit/real_time", "soxWriteAiff16/real_time");
    ratio("importFullKit/real_time", "soxReadKitToRaw/real_time");
    return 0;
}
