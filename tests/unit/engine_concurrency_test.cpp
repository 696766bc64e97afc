// The user-interface thread loads, erases, exchanges, triggers and stops slots while the audio
// thread renders with notes. Run under ThreadSanitizer (tsan preset) this proves the sharing
// race-free; under AddressSanitizer it proves every read stays inside the slot buffers.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "engine_harness.h"

namespace {

constexpr int32_t kWitnessSlot = 23;  // played by notes only; the interface thread never touches it
constexpr int kOperations = 100000;

// One interface-thread operation on slots 0..22. Sounds written by it hold `level` everywhere.
void disturb(Kv7DrumEdit& effect, std::mt19937& random, float level) {
    const auto slot = std::uniform_int_distribution<int32_t>(0, kWitnessSlot - 1)(random);
    const auto other = std::uniform_int_distribution<int32_t>(0, kWitnessSlot - 1)(random);
    switch (std::uniform_int_distribution<int>(0, 6)(random)) {
        case 0: {  // load a sound
            const auto length = std::uniform_int_distribution<int32_t>(0, 4000)(random);
            SlotWriteAccess access(effect, slotBit(slot));
            std::fill_n(access.buffer(slot), length, level);
            effect.BufferLength[slot].store(length);
            break;
        }
        case 1:  // erase: the sound stays, its length goes
            effect.BufferLength[slot].store(0);
            break;
        case 2: {  // exchange two slots
            if (slot == other) break;
            effect.stopSlot(slot);
            SlotWriteAccess access(effect, slotBit(slot) | slotBit(other));
            std::swap_ranges(access.buffer(slot), access.buffer(slot) + 4000, access.buffer(other));
            const int32_t length = effect.BufferLength[slot].load();
            effect.BufferLength[slot].store(effect.BufferLength[other].load());
            effect.BufferLength[other].store(length);
            break;
        }
        case 3:  // a click on a key area
            effect.setParameter(kParamTrigger, static_cast<float>(slot));
            break;
        case 4:
            effect.stopSlot(slot);
            break;
        case 5:  // a drag on a slot label changes one setting
            effect.setParameter(kParamPitch + 24 * std::uniform_int_distribution<int>(0, 3)(random) + slot,
                                std::uniform_real_distribution<float>(0.0f, 1.0f)(random));
            break;
        default:  // the export reads what it needs
            (void)effect.SampleBuffer[slot][std::uniform_int_distribution<int32_t>(0, MAX_BUFFERLENGTH - 1)(random)];
            (void)effect.getParameter(kParamVolume + slot);
            break;
    }
}

// Renders blocks with a note pattern on the witness slot until told to stop; returns the output.
std::vector<float> renderWhile(EngineHarness& h, const std::atomic<bool>& running, int minimumBlocks,
                               float bound) {
    std::vector<float> right;
    for (int block = 0; running.load() || block < minimumBlocks; ++block) {
        MidiEventList notes;
        if (block % 5 == 0) notes.noteOn(block % 64, static_cast<uint8_t>(kSlotBaseNote + kWitnessSlot));
        if (!notes.empty()) h.send(notes);
        const StereoBlock out = h.render(64);
        for (size_t f = 0; f < out.right.size(); ++f) {
            if (!(std::fabs(out.right[f]) <= bound) || out.left[f] != out.right[f]) {
                ADD_FAILURE() << "frame " << f << " of block " << block << ": " << out.left[f] << " "
                              << out.right[f];
                return right;
            }
        }
        if (block < minimumBlocks) right.insert(right.end(), out.right.begin(), out.right.end());
    }
    return right;
}

TEST(Concurrency, InterfaceOperationsAgainstRenderingStayBoundedAndRaceFree) {
    EngineHarness h;
    h.load(kWitnessSlot, rampSound(300));
    std::atomic<bool> running{true};
    std::thread audio([&] { renderWhile(h, running, 0, static_cast<float>(kNumSlots)); });
    std::mt19937 random(99);
    for (int i = 0; i < kOperations; ++i) disturb(*h.effect, random, 0.75f);
    running = false;
    audio.join();
}

TEST(Concurrency, AnUndisturbedSlotSoundsTheSameWhateverTheOtherThreadDoes) {
    constexpr int kBlocks = 2000;
    EngineHarness quiet;
    quiet.load(kWitnessSlot, rampSound(300));
    const std::atomic<bool> stopped{false};
    const std::vector<float> expected = renderWhile(quiet, stopped, kBlocks, 1.0f);

    EngineHarness busy;
    busy.load(kWitnessSlot, rampSound(300));
    std::atomic<bool> running{true};
    std::vector<float> heard;
    std::thread audio([&] { heard = renderWhile(busy, running, kBlocks, 1.0f); });
    std::mt19937 random(5);
    // Silent sounds: whatever the other slots do, only the witness slot can be heard.
    for (int i = 0; i < kOperations / 4; ++i) disturb(*busy.effect, random, 0.0f);
    running = false;
    audio.join();
    EXPECT_EQ(heard, expected);
}

}  // namespace
