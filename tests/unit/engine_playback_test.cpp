#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>

#include "engine_harness.h"
#include "reference_playback.h"

namespace {

constexpr uint8_t kNoteSlot0 = 53;

// Index of the slot sample heard in a frame of a single ramp slot, or -1 for silence.
int32_t heardIndex(float value) {
    if (value == 0.0f) return -1;
    return static_cast<int32_t>(std::lround(value / 0.001f)) - 1;
}

std::vector<int32_t> heardIndices(const std::vector<float>& output) {
    std::vector<int32_t> indices;
    for (float v : output) indices.push_back(heardIndex(v));
    return indices;
}

std::vector<int32_t> sequence(int32_t first, int32_t last, int32_t step) {
    std::vector<int32_t> values;
    for (int32_t v = first; step > 0 ? v <= last : v >= last; v += step) values.push_back(v);
    return values;
}

TEST(KitStore, FreshEffectHasEmptySlotsWithInitialSettings) {
    EngineHarness h;
    for (int32_t s = 0; s < kNumSlots; ++s) {
        EXPECT_EQ(h.effect->BufferLength[s], 0);
        EXPECT_EQ(h.effect->Pitch[s], 0);
        EXPECT_EQ(h.effect->PlayMode[s], PlayModeOneShot);
        EXPECT_FALSE(h.effect->Reverse[s]);
        EXPECT_EQ(h.effect->Volume[s], 1.0f);
        EXPECT_FALSE(h.effect->IsPlaying[s]);
        EXPECT_FALSE(h.effect->NoteHeld[s]);
    }
    EXPECT_EQ(h.effect->NumWaitingNotes, 0);
    // The store reads as silence although the constructor never wrote the sample memory.
    EXPECT_EQ(h.effect->SampleBuffer[0][0], 0.0f);
    EXPECT_EQ(h.effect->SampleBuffer[23][MAX_BUFFERLENGTH - 1], 0.0f);
}

TEST(Playback, NoteStartsSlotAtItsFrameAndInputsPassThroughUntilThen) {
    EngineHarness h;
    h.load(0, rampSound(100));
    MidiEventList notes;
    notes.noteOn(10, kNoteSlot0, 100);
    h.send(notes);
    const StereoBlock out = h.render(32, 0.25f, -0.5f);
    for (int f = 0; f < 10; ++f) {
        EXPECT_EQ(out.left[f], 0.25f) << f;
        EXPECT_EQ(out.right[f], -0.5f) << f;
    }
    for (int f = 10; f < 32; ++f) {
        // Once a slot sounds, both outputs carry right input plus the slot; the left input is gone.
        EXPECT_EQ(out.right[f], -0.5f + 0.001f * static_cast<float>(f - 9)) << f;
        EXPECT_EQ(out.left[f], out.right[f]) << f;
    }
}

TEST(Playback, OnlyChannelOneNotes53To76PlayAndVelocityZeroIsANoteOff) {
    EngineHarness h;
    for (int32_t s = 0; s < kNumSlots; ++s) h.load(s, rampSound(100));
    MidiEventList ignored;
    ignored.noteOn(0, 52);
    ignored.noteOn(0, 77);
    for (uint8_t channel = 2; channel <= 16; ++channel) ignored.noteOn(0, 60, 100, channel);
    ignored.add(0, 0xB0, 64, 127);  // a controller
    h.send(ignored);
    const StereoBlock silent = h.render(8);
    for (float v : silent.right) EXPECT_EQ(v, 0.0f);

    h.effect->setParameter(kParamPlayMode, 0.0f);  // slot 0 to gate
    MidiEventList on;
    on.noteOn(0, kNoteSlot0, 1);
    on.noteOn(0, 76, 127);
    h.send(on);
    const StereoBlock both = h.render(4);
    // Velocity 1 and 127 sound alike: two ramps, sample index f each.
    for (int f = 0; f < 4; ++f) EXPECT_EQ(both.right[f], 2.0f * 0.001f * static_cast<float>(f + 1));
    MidiEventList off;
    off.add(2, 0x90, kNoteSlot0, 0);
    h.send(off);
    const StereoBlock after = h.render(4);
    EXPECT_EQ(after.right[0], 2.0f * (5.0f * 0.001f));  // both slots at index 4
    EXPECT_EQ(after.right[2], 7.0f * 0.001f);  // slot 0 silenced from the note-off's own frame
}

TEST(Playback, ForwardAndReversePlayAllButTheLastSample) {
    EngineHarness forward;
    forward.load(0, rampSound(100));
    MidiEventList note;
    note.noteOn(0, kNoteSlot0);
    forward.send(note);
    const auto heard = heardIndices(forward.render(120).right);
    EXPECT_EQ(std::vector<int32_t>(heard.begin(), heard.begin() + 99), sequence(0, 98, 1));
    EXPECT_EQ(heard[99], -1);
    EXPECT_FALSE(forward.effect->IsPlaying[0]);

    EngineHarness reverse;
    reverse.load(0, rampSound(100));
    reverse.effect->setParameter(kParamReverse, 1.0f);
    reverse.send(note);
    const auto back = heardIndices(reverse.render(120).right);
    EXPECT_EQ(std::vector<int32_t>(back.begin(), back.begin() + 99), sequence(98, 0, -1));
    EXPECT_EQ(back[99], -1);
}

TEST(Playback, PitchSetsTheIncrementAtTrigger) {
    struct Case {
        float parameter;
        double increment;
    };
    // +-12 semitones are exact octaves; +-48 exactly 16 and 1/16 through the 0.08333333333 constant.
    for (const Case c : {Case{0.5f, 1.0}, Case{0.625f, 2.0}, Case{0.375f, 0.5}, Case{1.0f, 16.0}, Case{0.0f, 1.0 / 16},
                         Case{0.5f + 1.0f / 96, static_cast<double>(std::pow(2.0f, static_cast<float>(0.08333333333)))}}) {
        EngineHarness h;
        h.load(0, rampSound(100));
        h.effect->setParameter(kParamPitch, c.parameter);
        MidiEventList note;
        note.noteOn(0, kNoteSlot0);
        h.send(note);
        h.render(1);
        EXPECT_EQ(h.effect->PlayIncrement[0], c.increment) << c.parameter;
    }

    EngineHarness up;
    up.load(0, rampSound(100));
    up.effect->setParameter(kParamPitch, 0.625f);
    MidiEventList note;
    note.noteOn(0, kNoteSlot0);
    up.send(note);
    const auto octaveUp = heardIndices(up.render(60).right);
    EXPECT_EQ(std::vector<int32_t>(octaveUp.begin(), octaveUp.begin() + 50), sequence(0, 98, 2));
    EXPECT_EQ(octaveUp[50], -1);

    EngineHarness down;
    down.load(0, rampSound(100));
    down.effect->setParameter(kParamPitch, 0.375f);
    down.send(note);
    const auto octaveDown = heardIndices(down.render(8).right);
    EXPECT_EQ(octaveDown, (std::vector<int32_t>{0, 0, 1, 1, 2, 2, 3, 3}));
}

TEST(Playback, PlayModesDecideWhatNoteOffsAndEndsDo) {
    auto run = [](float playMode, bool releaseEarly) {
        EngineHarness h;
        h.load(0, rampSound(10));
        h.effect->setParameter(kParamPlayMode, playMode);
        MidiEventList on;
        on.noteOn(0, kNoteSlot0);
        h.send(on);
        std::vector<int32_t> heard = heardIndices(h.render(4).right);
        MidiEventList off;
        off.noteOff(releaseEarly ? 0 : 20, kNoteSlot0);
        h.send(off);
        for (int32_t i : heardIndices(h.render(30).right)) heard.push_back(i);
        return heard;
    };
    const std::vector<int32_t> gate = run(0.0f, true);
    EXPECT_EQ(std::vector<int32_t>(gate.begin(), gate.begin() + 5), (std::vector<int32_t>{0, 1, 2, 3, -1}));

    const std::vector<int32_t> oneShot = run(0.5f, true);
    EXPECT_EQ(std::vector<int32_t>(oneShot.begin(), oneShot.begin() + 9), sequence(0, 8, 1));
    EXPECT_EQ(oneShot[9], -1);

    // Loop: repeats 0..8 while held (released at frame 24), finishing the pass it was released in.
    const std::vector<int32_t> loop = run(1.0f, false);
    std::vector<int32_t> expected;
    for (int pass = 0; pass < 3; ++pass)
        for (int32_t i = 0; i <= 8; ++i) expected.push_back(i);
    EXPECT_EQ(std::vector<int32_t>(loop.begin(), loop.begin() + 27), expected);
    EXPECT_EQ(loop[27], -1);
}

TEST(Playback, EachSlotIsClippedBeforeMixingAndTheMixIsNot) {
    EngineHarness h;
    h.load(0, std::vector<float>(50, 0.5f));
    h.load(1, std::vector<float>(50, 0.5f));
    h.effect->setParameter(kParamVolume + 0, 1.0f);
    h.effect->setParameter(kParamVolume + 1, 1.0f);
    MidiEventList notes;
    notes.noteOn(0, 53);
    notes.noteOn(0, 54);
    h.send(notes);
    const StereoBlock out = h.render(10);
    for (int f = 0; f < 10; ++f) {
        EXPECT_EQ(out.right[f], 2.0f);
        EXPECT_EQ(out.left[f], 2.0f);
    }
}

TEST(Playback, NoteOnAndOffAtTheSameFrameKeepOrderOfArrival) {
    for (const auto& [mode, sounds] : {std::pair{0.5f, true}, std::pair{0.0f, false}}) {
        EngineHarness h;
        h.load(0, rampSound(100));
        h.effect->setParameter(kParamPlayMode, mode);
        MidiEventList notes;
        notes.noteOn(5, kNoteSlot0);
        notes.noteOff(5, kNoteSlot0);
        h.send(notes);
        const StereoBlock out = h.render(10);
        EXPECT_EQ(out.right[5] != 0.0f, sounds) << mode;
    }
}

TEST(Playback, QueueHoldsOneBlockOf128NotesAndZeroFrameCallsEmptyIt) {
    EngineHarness h;
    h.load(0, rampSound(100));
    MidiEventList flood;
    for (int i = 0; i < 300; ++i) flood.noteOn(i % 64, kNoteSlot0);
    h.send(flood);
    EXPECT_EQ(h.effect->NumWaitingNotes, kMaxWaitingNotes);
    h.send(flood);  // a second list in the same block still cannot overrun the queue
    EXPECT_EQ(h.effect->NumWaitingNotes, kMaxWaitingNotes);
    h.render(0);
    EXPECT_EQ(h.effect->NumWaitingNotes, 0);
    const StereoBlock out = h.render(16);
    for (float v : out.right) EXPECT_EQ(v, 0.0f);  // the discarded notes never play

    MidiEventList outside;
    outside.noteOn(-1, kNoteSlot0);
    outside.noteOn(16, kNoteSlot0);
    h.send(outside);
    for (float v : h.render(16).right) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(h.effect->NumWaitingNotes, 0);
}

TEST(Playback, SlotsShorterThanTwoSamplesStaySilentInEveryMode) {
    for (const int32_t length : {0, 1}) {
        for (const float reverse : {0.0f, 1.0f}) {
            EngineHarness h;
            h.load(0, std::vector<float>(static_cast<size_t>(length), 0.9f));
            h.effect->SampleBuffer[0][1] = 0.7f;  // beyond the sound: must never be heard
            h.effect->setParameter(kParamReverse, reverse);
            h.effect->setParameter(kParamPlayMode, 1.0f);
            MidiEventList note;
            note.noteOn(0, kNoteSlot0);
            h.send(note);
            for (float v : h.render(8).right) EXPECT_EQ(v, 0.0f) << length << " " << reverse;
        }
    }
}

TEST(Playback, TriggerWithoutASlotNumberIsIgnored) {
    EngineHarness h;
    for (int32_t s = 0; s < kNumSlots; ++s) h.load(s, rampSound(10));
    for (float value : {-1.0f, 23.5f, 24.0f, 1e30f, -1e30f, NAN, INFINITY}) h.effect->setParameter(kParamTrigger, value);
    for (float v : h.render(4).right) EXPECT_EQ(v, 0.0f);
    h.effect->setParameter(kParamTrigger, 22.6f);  // rounds to slot 23
    EXPECT_EQ(heardIndices(h.render(2).right), (std::vector<int32_t>{0, 1}));
}

TEST(Playback, TriggerFromAnotherThreadStartsAtTheNextBlock) {
    EngineHarness h;
    h.load(4, rampSound(50));
    std::thread ui([&] { h.effect->setParameter(kParamTrigger, 4.0f); });
    ui.join();
    EXPECT_EQ(heardIndices(h.render(3).right), (std::vector<int32_t>{0, 1, 2}));
    std::thread stop([&] { h.effect->stopSlot(4); });
    stop.join();
    EXPECT_EQ(heardIndices(h.render(2).right), (std::vector<int32_t>{-1, -1}));
}

TEST(Playback, WritingASlotStopsItAndTheAudioThreadNeverSeesHalfASound) {
    EngineHarness h;
    h.load(2, rampSound(1000));
    h.effect->setParameter(kParamTrigger, 2.0f);
    h.render(10);
    {
        SlotWriteAccess access(*h.effect, slotBit(2));
        access.buffer(2)[11] = 0.5f;
        h.effect->setParameter(kParamTrigger, 2.0f);  // a click while the sound is being replaced
        for (float v : h.render(10).right) EXPECT_EQ(v, 0.0f);
    }
    for (float v : h.render(10).right) EXPECT_EQ(v, 0.0f);
}

TEST(Playback, InputsMayBeMissingOrShareTheOutputBuffers) {
    EngineHarness h;
    h.load(0, rampSound(10));
    h.effect->setParameter(kParamTrigger, 0.0f);
    std::vector<float> left(4, 0.5f), right(4, 0.25f);
    float* io[2] = {left.data(), right.data()};
    h.effect->processReplacing(io, io, 4);  // in place
    EXPECT_EQ(right[1], 0.25f + 0.002f);
    EXPECT_EQ(left[1], right[1]);
    float* outputs[2] = {left.data(), right.data()};
    h.effect->setParameter(kParamTrigger, 0.0f);
    h.effect->processReplacing(nullptr, outputs, 4);  // an instrument host without inputs
    EXPECT_EQ(right[0], 0.001f);
    h.effect->processReplacing(nullptr, nullptr, 4);  // nothing to write to: nothing happens
}

// The run-by-run renderer against the frame-by-frame rules over random kits, settings and notes:
// blocks of 0 to 1024 frames, up to 48 notes a block, several for one slot in one block.
TEST(Playback, RendererMatchesTheFrameByFrameRulesBitForBit) {
    std::mt19937 random(20261205);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    EngineHarness h;
    auto reference = std::make_unique<ReferencePlayback>();
    for (int32_t s = 0; s < kNumSlots; ++s) {
        const int32_t length = uniform(0, 3) == 0 ? uniform(0, 3) : uniform(2, uniform(0, 1) ? 700 : 5000);
        std::vector<float> sound(static_cast<size_t>(length));
        for (float& v : sound) v = std::uniform_real_distribution<float>(-1.5f, 1.5f)(random);
        h.load(s, sound);
        std::copy(sound.begin(), sound.end(), reference->slots[s].samples.begin());
        reference->slots[s].length = length;
    }
    int64_t differences = 0;
    for (int block = 0; block < 10000; ++block) {
        if (block % 50 == 0) {  // new settings now and then
            for (int32_t s = 0; s < kNumSlots; ++s) {
                const float values[4] = {static_cast<float>(uniform(0, 96)) / 96.0f, uniform(0, 2) * 0.5f,
                                         static_cast<float>(uniform(0, 1)), static_cast<float>(uniform(0, 8)) / 8.0f};
                for (int family = 0; family < 4; ++family) h.effect->setParameter(100 + 24 * family + s, values[family]);
                reference->slots[s].pitch = h.effect->Pitch[s];
                reference->slots[s].playMode = h.effect->PlayMode[s];
                reference->slots[s].reverse = h.effect->Reverse[s];
                reference->slots[s].volume = h.effect->Volume[s];
            }
        }
        const int32_t frames = uniform(0, 3) == 0 ? uniform(0, 8) : uniform(1, uniform(0, 7) ? 256 : 1024);
        MidiEventList events;
        const bool crowded = uniform(0, 9) == 0;
        for (int n = crowded ? uniform(7, 48) : uniform(0, 6); n > 0; --n) {
            // A crowded block often sends several notes to one frame.
            const int32_t delta = crowded && uniform(0, 1) ? uniform(0, 3) * frames / 3 : uniform(-2, frames + 2);
            const auto status = static_cast<uint8_t>((uniform(0, 1) ? 0x90 : 0x80) | (uniform(0, 5) == 0 ? 1 : 0));
            const auto note = static_cast<uint8_t>(uniform(50, 79));
            const auto velocity = static_cast<uint8_t>(uniform(0, 4) == 0 ? 0 : uniform(1, 127));
            events.add(delta, status, note, velocity);
            reference->queueMidi(delta, status, note, velocity);
        }
        if (!events.empty()) h.send(events);
        std::vector<float> inL(static_cast<size_t>(frames)), inR(static_cast<size_t>(frames));
        for (size_t f = 0; f < inL.size(); ++f) {
            inL[f] = std::uniform_real_distribution<float>(-1.0f, 1.0f)(random);
            inR[f] = std::uniform_real_distribution<float>(-1.0f, 1.0f)(random);
        }
        std::vector<float> refL(inL.size()), refR(inR.size());
        reference->render(inL.data(), inR.data(), refL.data(), refR.data(), frames);
        const StereoBlock out = h.render(inL, inR);
        for (size_t f = 0; f < inL.size(); ++f) {
            if (std::memcmp(&out.left[f], &refL[f], sizeof(float)) != 0) ++differences;
            if (std::memcmp(&out.right[f], &refR[f], sizeof(float)) != 0) ++differences;
        }
    }
    EXPECT_EQ(differences, 0);
}

}  // namespace
