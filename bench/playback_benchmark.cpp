// processReplacing with 24 slots sounding, next to a floor loop that only reads 24 floats and
// writes 2 per frame, in the same run. Prints ns per frame of each and their ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/kv7drumedit.h"
#include "vst_events.h"

namespace {

std::unique_ptr<Kv7DrumEdit> fullKit() {
    std::unique_ptr<Kv7DrumEdit> effect(new Kv7DrumEdit(nullptr));
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (int32_t s = 0; s < kNumSlots; ++s) {
        for (int32_t i = 0; i < MAX_BUFFERLENGTH; ++i) effect->SampleBuffer[s][i] = noise(random);
        effect->BufferLength[s] = MAX_BUFFERLENGTH;
    }
    return effect;
}

void retriggerAll(Kv7DrumEdit& effect, float** inputs, float** outputs) {
    for (int32_t s = 0; s < kNumSlots; ++s) effect.setParameter(kParamTrigger, static_cast<float>(s));
    effect.processReplacing(inputs, outputs, 0);
}

void processReplacing24Voices(benchmark::State& state) {
    const auto block = static_cast<int32_t>(state.range(0));
    const bool withNotes = state.range(1) != 0;
    auto effect = fullKit();
    std::vector<float> inL(block, 0.1f), inR(block, 0.1f), outL(block), outR(block);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    retriggerAll(*effect, inputs, outputs);
    // Four notes per block restart slots mid-block; the host's lists are built before timing.
    std::vector<VstEventList> noteLists(kNumSlots);
    std::vector<VstEvents*> lists;
    for (int32_t first = 0; first < kNumSlots; ++first) {
        for (int n = 0; n < 4; ++n)
            noteLists[first].add(midiEvent((block / 4) * n, 0x90, static_cast<uint8_t>(53 + (first + n) % 24), 100));
        lists.push_back(noteLists[first].get());
    }
    int64_t frames = 0;
    for (auto _ : state) {
        if (withNotes) effect->processEvents(lists[(frames / block) % kNumSlots]);
        effect->processReplacing(inputs, outputs, block);
        benchmark::DoNotOptimize(outL.data());
        frames += block;
        if (frames % (MAX_BUFFERLENGTH / 2) < block) retriggerAll(*effect, inputs, outputs);
    }
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The least any renderer of 24 voices must do: read one float of each and write two outputs.
void floorLoop(benchmark::State& state) {
    const auto block = static_cast<int32_t>(state.range(0));
    auto effect = fullKit();
    std::vector<float> outL(block), outR(block);
    int32_t position = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        for (int32_t f = 0; f < block; ++f) {
            float sum = 0.0f;
            for (int32_t s = 0; s < kNumSlots; ++s) sum += effect->SampleBuffer[s][position + f];
            outL[f] = sum;
            outR[f] = sum;
        }
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
        position = (position + block) % (MAX_BUFFERLENGTH - block);
        frames += block;
    }
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(processReplacing24Voices)->Args({512, 0})->Args({512, 1})->Args({32, 0})->Args({32, 1});
BENCHMARK(floorLoop)->Arg(512)->Arg(32);

// Collects ns/frame per benchmark so the ratios can be printed after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto counter = run.counters.find("ns_per_frame");
            if (counter != run.counters.end()) nsPerFrame[run.benchmark_name()] = counter->second.value * 1e9;
        }
    }
    std::map<std::string, double> nsPerFrame;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-44s %10s %8s\n", "figure", "ns/frame", "x floor");
    for (const auto& [name, ns] : reporter.nsPerFrame) {
        if (name.rfind("processReplacing24Voices", 0) != 0) continue;
        const std::string block = name.substr(name.find('/') + 1, name.rfind('/') - name.find('/') - 1);
        const auto floor = reporter.nsPerFrame.find("floorLoop/" + block);
        if (floor == reporter.nsPerFrame.end()) continue;
        std::printf("%-44s %10.3f %8.2f\n", name.c_str(), ns, ns / floor->second);
    }
    for (const auto& [name, ns] : reporter.nsPerFrame)
        if (name.rfind("floorLoop", 0) == 0) std::printf("%-44s %10.3f %8.2f\n", name.c_str(), ns, 1.0);
    return 0;
}
