// The engine's playback, and its parameters as a host sets, reads and shows them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "engine/kv7drumedit.h"
#include "reference_playback.h"
#include "vst_events.h"

namespace {

struct StereoBlock {
    std::vector<float> left, right;
};

// Drives the engine as a host's audio thread does: event lists, then processing calls.
struct EngineHarness {
    std::unique_ptr<Kv7DrumEdit> effect = std::make_unique<Kv7DrumEdit>(nullptr);

    void load(int32_t slot, const std::vector<float>& samples) {
        std::copy(samples.begin(), samples.end(), effect->SampleBuffer[slot]);
        effect->BufferLength[slot] = static_cast<int32_t>(samples.size());
    }
    void send(VstEventList& list) { effect->processEvents(list.get()); }
    StereoBlock render(int32_t frames, float inLeft = 0.0f, float inRight = 0.0f) {
        return render(std::vector<float>(static_cast<size_t>(frames), inLeft), std::vector<float>(static_cast<size_t>(frames), inRight));
    }
    StereoBlock render(std::vector<float> inLeft, std::vector<float> inRight) {
        StereoBlock out{std::vector<float>(inLeft.size()), std::vector<float>(inRight.size())};
        float* inputs[2] = {inLeft.data(), inRight.data()};
        float* outputs[2] = {out.left.data(), out.right.data()};
        effect->processReplacing(inputs, outputs, static_cast<VstInt32>(inLeft.size()));
        return out;
    }
};

// 0.001, 0.002, ...: every sample distinct, so the output tells which index was read.
std::vector<float> rampSound(int32_t length) {
    std::vector<float> samples(static_cast<size_t>(length));
    for (int32_t i = 0; i < length; ++i) samples[static_cast<size_t>(i)] = static_cast<float>(i + 1) * 0.001f;
    return samples;
}

// The sample index heard in each frame of one ramp slot, -1 for silence.
std::vector<int32_t> heard(const std::vector<float>& output) {
    std::vector<int32_t> indices;
    for (float v : output) indices.push_back(v == 0.0f ? -1 : static_cast<int32_t>(std::lround(v / 0.001f)) - 1);
    return indices;
}

std::vector<int32_t> run(int32_t first, int32_t last, int32_t step = 1) {
    std::vector<int32_t> values;
    for (int32_t v = first; step > 0 ? v <= last : v >= last; v += step) values.push_back(v);
    return values;
}

std::vector<int32_t> operator+(std::vector<int32_t> a, const std::vector<int32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<int32_t> kSilence(8, -1);

struct Note {
    int32_t frame;
    uint8_t status, note, velocity;
};

TEST(Playback, WhatOneSlotSoundsForItsSettingsAndNotes) {
    const struct Case {
        const char* what;
        int32_t length;
        float pitch, mode, reverse;
        std::vector<Note> notes;
        std::vector<int32_t> expected;  // then silence
    } cases[] = {
        {"forward: all but the last sample", 100, 0.5f, 0.5f, 0, {{0, 0x90, 53, 100}}, run(0, 98)},
        {"reversed: from the last but one down", 100, 0.5f, 0.5f, 1, {{0, 0x90, 53, 100}}, run(98, 0, -1)},
        {"an octave up reads every other sample", 100, 0.625f, 0.5f, 0, {{0, 0x90, 53, 100}}, run(0, 98, 2)},
        {"an octave down reads each sample twice", 6, 0.375f, 0.5f, 0, {{0, 0x90, 53, 100}}, {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}},
        {"a note starts at its frame", 6, 0.5f, 0.5f, 0, {{3, 0x90, 53, 100}}, std::vector<int32_t>{-1, -1, -1} + run(0, 4)},
        {"gate stops at the note-off's frame", 10, 0.5f, 0.0f, 0, {{0, 0x90, 53, 100}, {4, 0x80, 53, 0}}, run(0, 3)},
        {"velocity 0 is a note-off", 10, 0.5f, 0.0f, 0, {{0, 0x90, 53, 100}, {4, 0x90, 53, 0}}, run(0, 3)},
        {"one-shot plays on after the note-off", 10, 0.5f, 0.5f, 0, {{0, 0x90, 53, 100}, {4, 0x80, 53, 0}}, run(0, 8)},
        {"a held one-shot plays once", 4, 0.5f, 0.5f, 0, {{0, 0x90, 53, 100}}, run(0, 2)},
        {"loop repeats while held and ends its pass", 10, 0.5f, 1.0f, 0, {{0, 0x90, 53, 1}, {24, 0x80, 53, 0}},
         run(0, 8) + run(0, 8) + run(0, 8)},
        {"reversed loop restarts at the last but one", 4, 0.5f, 1.0f, 1, {{0, 0x90, 53, 127}, {5, 0x80, 53, 0}},
         {2, 1, 0, 2, 1, 0}},
        {"on and off at one frame: one-shot sounds", 5, 0.5f, 0.5f, 0, {{1, 0x90, 53, 100}, {1, 0x80, 53, 0}},
         std::vector<int32_t>{-1} + run(0, 3)},
        {"on and off at one frame: gate does not", 5, 0.5f, 0.0f, 0, {{1, 0x90, 53, 100}, {1, 0x80, 53, 0}}, {}},
        {"other channels, notes and messages play nothing", 100, 0.5f, 0.5f, 0,
         {{0, 0x91, 53, 100}, {0, 0x9F, 53, 100}, {0, 0x90, 52, 100}, {0, 0x90, 77, 100}, {0, 0xB0, 53, 100}}, {}},
        {"notes outside the block are not kept", 100, 0.5f, 0.5f, 0, {{-1, 0x90, 53, 100}, {40, 0x90, 53, 100}}, {}},
        {"a slot of one sample is silent", 1, 0.5f, 0.5f, 0, {{0, 0x90, 53, 100}}, {}},
        {"reversed too", 1, 0.5f, 1.0f, 1, {{0, 0x90, 53, 100}}, {}},
        {"and an empty slot", 0, 0.5f, 0.5f, 1, {{0, 0x90, 53, 100}}, {}},
    };
    for (const Case& c : cases) {
        EngineHarness h;
        h.load(0, rampSound(c.length));
        h.effect->SampleBuffer[0][c.length] = 0.7f;  // beyond the sound: never heard
        h.effect->setParameter(kParamPitch, c.pitch);
        h.effect->setParameter(kParamPlayMode, c.mode);
        h.effect->setParameter(kParamReverse, c.reverse);
        VstEventList notes;
        for (const Note& n : c.notes) notes.add(n.frame, n.status, n.note, n.velocity);
        h.send(notes);
        const std::vector<int32_t> expected = c.expected + kSilence;
        EXPECT_EQ(heard(h.render(static_cast<int32_t>(expected.size())).right), expected) << c.what;
    }
}
TEST(Playback, BothOutputsCarryTheRightInputPlusEachSlotClippedOnceAnySlotSounds) {
    EngineHarness h;
    h.load(0, std::vector<float>(50, 0.5f));
    h.load(1, std::vector<float>(50, 0.5f));
    h.effect->setParameter(kParamVolume + 1, 1.0f);  // x4: 2.0, clipped to 1.0
    VstEventList notes;
    h.send(notes.noteOn(3, 53).noteOn(5, 54));
    const StereoBlock out = h.render(8, 0.25f, -0.5f);
    for (int f = 0; f < 8; ++f) {
        const float right = f < 3 ? -0.5f : f < 5 ? 0.0f : 1.0f;
        EXPECT_TRUE(out.right[f] == right && out.left[f] == (f < 3 ? 0.25f : right)) << f;
    }

    // Missing inputs, inputs shared with the outputs, no outputs at all.
    std::vector<float> left(4, 0.5f), right(4, 0.25f);
    float* io[2] = {left.data(), right.data()};
    h.effect->processReplacing(io, io, 4);
    EXPECT_TRUE(right[0] == 0.25f + 0.5f + 1.0f && left == right);
    h.effect->processReplacing(nullptr, io, 4);
    EXPECT_EQ(right[0], 1.5f);
    h.effect->processReplacing(nullptr, nullptr, 4);
}

TEST(Playback, TheQueueHoldsOneBlockOf128NotesAndAZeroFrameCallEmptiesIt) {
    EngineHarness h;
    h.load(0, rampSound(100));
    VstEventList flood;
    for (int i = 0; i < 300; ++i) flood.noteOn(i % 64, 53);
    h.send(flood);
    h.send(flood);  // a second list in the same block cannot overrun it either
    EXPECT_EQ(h.effect->NumWaitingNotes, kMaxWaitingNotes);
    h.render(0);
    EXPECT_EQ(h.effect->NumWaitingNotes, 0);
    EXPECT_EQ(heard(h.render(8).right), kSilence);
    VstEventList last;
    h.send(last.noteOn(7, 53));  // on the block's last frame
    EXPECT_EQ(heard(h.render(8).right), std::vector<int32_t>(7, -1) + run(0, 0));
}

TEST(Playback, TheSlotTriggerAndStopWaitForTheNextBlockAndWritersSilenceTheirSlots) {
    EngineHarness h;
    for (int32_t s = 0; s < kNumSlots; ++s) h.load(s, rampSound(50));
    for (float value : {-1.0f, 23.5f, 24.0f, 1e30f, -1e30f, NAN, INFINITY}) h.effect->setParameter(kParamTrigger, value);
    EXPECT_EQ(heard(h.render(8).right), kSilence);
    std::thread([&] { h.effect->setParameter(kParamTrigger, 22.6f); }).join();  // rounds to slot 23
    EXPECT_EQ(heard(h.render(3).right), run(0, 2));
    std::thread([&] { h.effect->stopSlot(23); }).join();
    EXPECT_EQ(heard(h.render(2).right), (std::vector<int32_t>{-1, -1}));

    h.effect->setParameter(kParamTrigger, 2.0f);
    h.render(10);
    SlotWriteAccess access(*h.effect, slotBit(2));
    h.effect->setParameter(kParamTrigger, 2.0f);  // a click while the sound is being replaced
    EXPECT_EQ(heard(h.render(8).right), kSilence);
}

// The run-by-run renderer against the frame-by-frame rules over random kits, settings and notes:
// blocks of 0 to 1024 frames, up to 48 notes a block, several for one slot in one block.
TEST(Playback, TheRendererMatchesTheFrameByFrameRulesBitForBit) {
    std::mt19937 random(20261205);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    auto level = [&](float range) { return std::uniform_real_distribution<float>(-range, range)(random); };
    EngineHarness h;
    auto reference = std::make_unique<ReferencePlayback>();
    for (int32_t s = 0; s < kNumSlots; ++s) {
        const int32_t length = uniform(0, 3) == 0 ? uniform(0, 3) : uniform(2, uniform(0, 1) ? 700 : 5000);
        std::vector<float> sound(static_cast<size_t>(length));
        for (float& v : sound) v = level(1.5f);
        h.load(s, sound);
        std::copy(sound.begin(), sound.end(), reference->slots[s].samples.begin());
        reference->slots[s].length = length;
    }
    int64_t differences = 0;
    for (int block = 0; block < 10000; ++block) {
        for (int32_t s = 0; block % 50 == 0 && s < kNumSlots; ++s) {
            const float values[4] = {static_cast<float>(uniform(0, 96)) / 96.0f, uniform(0, 2) * 0.5f,
                                     static_cast<float>(uniform(0, 1)), static_cast<float>(uniform(0, 8)) / 8.0f};
            for (int family = 0; family < 4; ++family) h.effect->setParameter(100 + 24 * family + s, values[family]);
            reference->slots[s].pitch = h.effect->Pitch[s];
            reference->slots[s].playMode = h.effect->PlayMode[s];
            reference->slots[s].reverse = h.effect->Reverse[s];
            reference->slots[s].volume = h.effect->Volume[s];
        }
        const int32_t frames = uniform(0, 3) == 0 ? uniform(0, 8) : uniform(1, uniform(0, 7) ? 256 : 1024);
        VstEventList events;
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
        std::vector<float> inL(static_cast<size_t>(frames)), inR(inL.size()), refL(inL.size()), refR(inL.size());
        for (size_t f = 0; f < inL.size(); ++f) inL[f] = level(1.0f), inR[f] = level(1.0f);
        reference->render(inL.data(), inR.data(), refL.data(), refR.data(), frames);
        const StereoBlock out = h.render(inL, inR);
        for (size_t f = 0; f < inL.size(); ++f)
            differences += std::memcmp(&out.left[f], &refL[f], sizeof(float)) != 0 ||
                           std::memcmp(&out.right[f], &refR[f], sizeof(float)) != 0;
    }
    EXPECT_EQ(differences, 0);
}

std::string display(Kv7DrumEdit& effect, VstInt32 index) {
    char text[kVstMaxParamStrLen + 8] = "unset";
    effect.getParameterDisplay(index, text);
    return text;
}

TEST(Parameters, EachFamilyRoundsHalvesAwayFromZeroReadsBackAndShowsItsValue) {
    const struct {
        VstInt32 index;
        float value, readBack;
        const char* text;
    } cases[] = {
        {100, 0.5f, 0.5f, "      0"},  {123, 1.0f, 1.0f, "     48"},        {101, 0.0f, 0.0f, "    -48"},
        {102, 36.5f / 96, 37.0f / 96, "    -11"},  // 36.5 rounds away from zero: -11 semitones
        {124, 0.24f, 0.0f, "->  "},     {124, 0.25f, 0.5f, "-> |"},          {147, 0.75f, 1.0f, "Loop"},
        {124, 5.0f, 5.0f, ""},          // no name for an out-of-range mode, and nothing left of the buffer
        {148, 0.49f, 0.0f, " >>"},      {171, 0.5f, 1.0f, " <<"},            {149, NAN, 1.0f, " <<"},
        {172, 0.0f, 0.0f, " -INF"},     {172, 0.5f, 0.5f, "+ 0"},            {195, 1.0f, 1.0f, "+12"},
        {172, std::sqrt(0.5f) * 0.5f, std::sqrt(0.5f) * 0.5f, " -6"},        // gain 0.5
        {172, std::sqrt(0.1f) * 0.5f, std::sqrt(0.1f) * 0.5f, "-20"},        // gain 0.1
        {172, std::sqrt(2.0f) * 0.5f, std::sqrt(2.0f) * 0.5f, "+ 6"},        // gain 2
        {172, std::sqrt(0.13f) * 0.5f, std::sqrt(0.13f) * 0.5f, "-18"},      // -17.72 dB
        {0, 0.7f, 0.0f, "  "},          {99, 1.0f, 0.0f, "  "},              {196, 1.0f, 0.0f, "  "},
    };
    for (const auto& c : cases) {
        EngineHarness h;
        h.effect->setParameter(c.index, c.value);
        EXPECT_FLOAT_EQ(h.effect->getParameter(c.index), c.readBack) << c.index << " " << c.value;
        EXPECT_EQ(display(*h.effect, c.index), c.text) << c.index << " " << c.value;
        for (int32_t s = 0; s < kNumSlots && (c.index < 100 || c.index > 195); ++s)
            EXPECT_TRUE(h.effect->Pitch[s] == 0 && h.effect->PlayMode[s] == 1 && !h.effect->Reverse[s] &&
                        h.effect->Volume[s] == 1.0f);
    }
}

}  // namespace
