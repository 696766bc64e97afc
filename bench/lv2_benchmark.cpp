// The LV2 face, hosted through lilv as the standalone hosts it (Lv2Plugin, worker synchronous):
//  - its run call with 24 slots sounding, next to the VST face's processReplacing in the same run:
//    the same kit, the same notes, the same blocks, both faces loaded from the built modules;
//  - saving and restoring a full 12 s kit through its state, next to sox writing the same samples
//    as a float WAV (a process of its own, as a user would run it):
//      sox -V1 in.wav -e floating-point -b 32 out.wav
// Prints ns per frame of each face and their ratio, and milliseconds of each state call next to sox.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/kv7drumedit.h"
#include "fixed_event_list.h"
#include "frame/audioeffect.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/kit_trace.h"
#include "run_sox.h"
#include "kitfiles/sound_file_loader.h"
#include "lv2_plugin.h"
#include "plugin_module.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int32_t kSlotLength = 22050;  // 24 slots of 0.5 s: 12 s, the most a kit holds

// The VST face, loaded by the loader VstPlugin uses and driven with the calls VstPlugin::process makes
// (effProcessEvents when there are events, then processReplacing). Not VstPlugin itself: the VST face
// takes a kit only through its window, so the kit is imported into the engine behind the AEffect
// record, which VstPlugin keeps to itself, as a drop of the kit file on the drop zone would.
class VstFace {
public:
    explicit VstFace(const std::string& path) : module(path) {
        if (module.loaded()) effect = module.instantiate(&VstFace::callback);
        if (effect) dispatch(effOpen);
    }
    ~VstFace() {
        if (!effect) return;
        dispatch(effStopProcess);
        dispatch(effMainsChanged, 0, 0);
        dispatch(effClose);
    }
    VstFace(const VstFace&) = delete;
    VstFace& operator=(const VstFace&) = delete;

    bool ok() const { return effect != nullptr; }
    Kv7DrumEdit& engine() const { return *static_cast<Kv7DrumEdit*>(static_cast<AudioEffect*>(effect->object)); }
    void start(double rate, int block) {
        dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        dispatch(effSetBlockSize, 0, block);
        dispatch(effMainsChanged, 0, 1);
        dispatch(effStartProcess);
    }
    void process(VstEvents* events, float** inputs, float** outputs, int frames) noexcept {
        if (events && events->numEvents > 0) effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0.0f);
        effect->processReplacing(effect, inputs, outputs, frames);
    }

private:
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
        return opcode == audioMasterVersion ? kVstVersion : 0;
    }

    PluginModule module;
    AEffect* effect = nullptr;
};

// The scratch folder, the kit file (every slot looping, so held notes sound for good) and the same
// 12 s of samples as one float WAV for sox.
struct Files {
    Files() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kv7-bench-lv2-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no scratch folder: " + pattern);
        folder = pattern;
        kit = folder + "/kit.aif";
        wav = folder + "/in.wav";

        kitfiles::setTraceStream(nullptr);
        std::unique_ptr<Kv7DrumEdit> maker(new Kv7DrumEdit(nullptr));
        kitfiles::SlotPaths paths{};
        std::mt19937 random(7);
        std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
        std::vector<float> all;
        for (int32_t slot = 0; slot < kNumSlots; ++slot) {
            for (int32_t i = 0; i < kSlotLength; ++i) maker->SampleBuffer[slot][i] = noise(random);
            maker->BufferLength[slot] = kSlotLength;
            maker->setParameter(kParamPlayMode + slot, 1.0f);
            std::snprintf(paths[slot], sizeof paths[slot], "/bench/slot%02d.wav", slot + 1);
            all.insert(all.end(), maker->SampleBuffer[slot], maker->SampleBuffer[slot] + kSlotLength);
        }
        const auto result = kitfiles::Save_All_Buffer_To_KV7_File(*maker, paths, kit.c_str());
        if (result.outcome != kitfiles::KitExportResult::Outcome::Written)
            throw std::runtime_error("the kit was not written: " + result.message);

        SF_INFO info{};
        info.samplerate = static_cast<int>(kRate);
        info.channels = 1;
        // WAVEX: sox warns about a float WAV without the extensible header.
        info.format = SF_FORMAT_WAVEX | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(wav.c_str(), SFM_WRITE, &info);
        if (!file) throw std::runtime_error(std::string("no WAV for sox: ") + sf_strerror(nullptr));
        sf_writef_float(file, all.data(), static_cast<sf_count_t>(all.size()));
        sf_close(file);
    }
    ~Files() { std::filesystem::remove_all(folder); }
    std::string folder, kit, wav;
};

Files& files() {
    static Files instance;
    return instance;
}

// The kit-file code inside the module writes its debug traces to standard error while it loads.
class QuietStderr {
public:
    QuietStderr() : saved(dup(STDERR_FILENO)) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(null);
    }
    ~QuietStderr() {
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved;
};

// The LV2 face started at 44.1 kHz with the kit loaded through its kit property.
std::unique_ptr<Lv2Plugin> lv2WithKit(std::string& error) {
    auto lv2 = Lv2Plugin::load(TL_LV2_BUNDLE_PATH, Lv2Worker::Mode::Synchronous, error);
    if (!lv2) return nullptr;
    lv2->start(kRate, kBlock);
    lv2->setKitProperty(files().kit);
    {
        QuietStderr quiet;
        lv2->settle();
    }
    if (lv2->kitProperty() != files().kit) {
        error = "the LV2 face did not load the kit";
        for (const std::string& line : lv2->logMessages()) error += ": " + line;
        return nullptr;
    }
    return lv2;
}

struct Faces {
    Faces() {
        lv2 = lv2WithKit(error);
        if (!lv2) return;
        vst = std::make_unique<VstFace>(TL_VST_MODULE_PATH);
        if (!vst->ok()) {
            error = "the VST face could not be made from " + std::string(TL_VST_MODULE_PATH);
            return;
        }
        kitfiles::SlotPaths paths{};
        std::strcpy(paths[0], files().kit.c_str());
        const auto result =
            kitfiles::LoadExec_This_Sound_From_File(vst->engine(), paths, paths[0], kitfiles::kLoadSoundFile, 0);
        if (!result.kitImported) error = "the VST face did not import the kit: " + result.message;
        vst->start(kRate, kBlock);
    }
    std::unique_ptr<Lv2Plugin> lv2;
    std::unique_ptr<VstFace> vst;
    std::string error;
};

Faces& faces() {
    static Faces instance;
    return instance;
}

// Note-ons for all 24 slots at the block's first frame, and 4 later ones that restart slots inside it.
struct Notes {
    Notes() {
        for (uint8_t slot = 0; slot < kNumSlots; ++slot) allSlots.add(0, {{0x90, static_cast<uint8_t>(kSlotBaseNote + slot), 100}, 3});
        for (int first = 0; first < kNumSlots; ++first) {
            auto list = std::make_unique<FixedMidiEventList<4>>();
            for (int n = 0; n < 4; ++n)
                list->add((kBlock / 4) * n, {{0x90, static_cast<uint8_t>(kSlotBaseNote + (first + n) % kNumSlots), 100}, 3});
            everyBlock.push_back(std::move(list));
        }
    }
    FixedMidiEventList<kNumSlots> allSlots;
    std::vector<std::unique_ptr<FixedMidiEventList<4>>> everyBlock;
};

struct Buffers {
    std::vector<float> inL = std::vector<float>(kBlock, 0.1f), inR = inL, outL = std::vector<float>(kBlock),
                       outR = outL;
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
};

// Blocks of a face's output after note-ons for every slot: the same kit and notes must sound the same
// through both faces, and every slot must sound.
template <typename Face>
std::vector<float> firstBlocks(Face& face, int blocks) {
    static Notes notes;
    Buffers buffers;
    std::vector<float> out;
    for (int b = 0; b < blocks; ++b) {
        face.process(b == 0 ? notes.allSlots.get() : nullptr, buffers.in, buffers.out, kBlock);
        out.insert(out.end(), buffers.outL.begin(), buffers.outL.end());
        out.insert(out.end(), buffers.outR.begin(), buffers.outR.end());
    }
    return out;
}

std::string whyNotTheSame(Lv2Plugin& lv2, VstFace& vst) {
    constexpr int kBlocks = 8;
    if (firstBlocks(lv2, kBlocks) != firstBlocks(vst, kBlocks)) return "the LV2 and VST faces play the kit differently";
    for (int32_t slot = 0; slot < kNumSlots; ++slot)
        if (!vst.engine().IsPlaying[slot]) return "slot " + std::to_string(slot + 1) + " of the kit does not sound";
    return "";
}

template <typename Face>
void runBlocks(benchmark::State& state, Face& face) {
    const bool withNotes = state.range(0) != 0;
    static Notes notes;
    Buffers buffers;
    face.process(notes.allSlots.get(), buffers.in, buffers.out, kBlock);
    int64_t blocks = 0;
    for (auto _ : state) {
        face.process(withNotes ? notes.everyBlock[blocks % kNumSlots]->get() : nullptr, buffers.in, buffers.out, kBlock);
        benchmark::DoNotOptimize(buffers.outL.data());
        ++blocks;
    }
    state.counters["ns_per_frame"] = benchmark::Counter(static_cast<double>(blocks * kBlock),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

bool ready(benchmark::State& state) {
    Faces& both = faces();
    static const std::string mismatch = both.error.empty() ? whyNotTheSame(*both.lv2, *both.vst) : "";
    const std::string& error = both.error.empty() ? mismatch : both.error;
    if (!error.empty()) state.SkipWithError(error.c_str());
    return error.empty();
}

void lv2Run24Slots(benchmark::State& state) {
    if (ready(state)) runBlocks(state, *faces().lv2);
}

void vstProcessReplacing24Slots(benchmark::State& state) {
    if (ready(state)) runBlocks(state, *faces().vst);
}

// An instance of its own for the state: the run benchmarks' kit stays as it is.
Lv2Plugin* stateFace(benchmark::State& state) {
    static std::string error;
    static std::unique_ptr<Lv2Plugin> lv2 = lv2WithKit(error);
    if (!lv2) state.SkipWithError(error.c_str());
    return lv2.get();
}

std::string logSince(const Lv2Plugin& lv2, std::size_t from) {
    std::string text;
    const auto lines = lv2.logMessages();
    for (std::size_t i = from; i < lines.size(); ++i) text += lines[i];
    return text;
}

void lv2SaveState(benchmark::State& state) {
    Lv2Plugin* lv2 = stateFace(state);
    if (!lv2) return;
    const std::size_t logged = lv2->logMessages().size();
    int64_t saves = 0;
    for (auto _ : state) {
        // A new folder each time, as a host saving a new project: nothing of an earlier save is there.
        const std::string folder = files().folder + "/save-" + std::to_string(saves++);
        std::string error;
        if (!lv2->saveState(folder, error)) {
            state.SkipWithError((error + logSince(*lv2, logged)).c_str());
            break;
        }
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        state.ResumeTiming();
    }
}

void lv2RestoreState(benchmark::State& state) {
    Lv2Plugin* lv2 = stateFace(state);
    if (!lv2) return;
    const std::string folder = files().folder + "/saved";
    std::string error;
    if (!lv2->saveState(folder, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::size_t logged = lv2->logMessages().size();
    for (auto _ : state) {
        if (!lv2->restoreState(folder, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    if (!error.empty()) return;
    // The face logs every slot it could not restore.
    if (lv2->logMessages().size() != logged) state.SkipWithError(logSince(*lv2, logged).c_str());
    // The restored kit plays as the VST face plays the kit file.
    if (ready(state)) {
        const std::string why = whyNotTheSame(*lv2, *faces().vst);
        if (!why.empty()) state.SkipWithError(("after the restore, " + why).c_str());
    }
}

void soxWriteFloatWav(benchmark::State& state) {
    const std::string out = files().folder + "/sox.wav";
    for (auto _ : state) {
        // -V1: sox warns about the header of the float WAV it writes itself.
        runSox({"sox", "-V1", files().wav, "-e", "floating-point", "-b", "32", out});
        // A new file each time, as the state's files are.
        state.PauseTiming();
        std::filesystem::remove(out);
        state.ResumeTiming();
    }
}

BENCHMARK(lv2Run24Slots)->ArgName("notes")->Arg(0)->Arg(1);
BENCHMARK(vstProcessReplacing24Slots)->ArgName("notes")->Arg(0)->Arg(1);
BENCHMARK(lv2SaveState)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(lv2RestoreState)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(soxWriteFloatWav)->Unit(benchmark::kMillisecond)->UseRealTime();

// Collects ns/frame and milliseconds per benchmark so the comparisons can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const auto counter = run.counters.find("ns_per_frame");
            if (counter != run.counters.end()) nsPerFrame[run.benchmark_name()] = counter->second.value * 1e9;
            else milliseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> nsPerFrame, milliseconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    for (const char* notes : {"notes:0", "notes:1"}) {
        const auto lv2 = reporter.nsPerFrame.find(std::string("lv2Run24Slots/") + notes);
        const auto vst = reporter.nsPerFrame.find(std::string("vstProcessReplacing24Slots/") + notes);
        if (lv2 == reporter.nsPerFrame.end() || vst == reporter.nsPerFrame.end()) continue;
        std::printf("%-22s LV2 %8.3f ns/frame   VST %8.3f ns/frame   ratio %.3f\n", notes, lv2->second, vst->second,
                    lv2->second / vst->second);
    }
    const auto sox = reporter.milliseconds.find("soxWriteFloatWav/real_time");
    for (const char* name : {"lv2SaveState/real_time", "lv2RestoreState/real_time"}) {
        const auto ours = reporter.milliseconds.find(name);
        if (ours == reporter.milliseconds.end() || sox == reporter.milliseconds.end()) continue;
        std::printf("%-26s %8.2f ms   sox %8.2f ms   ratio %.2f\n", name, ours->second, sox->second,
                    ours->second / sox->second);
    }
    return 0;
}
