// Drives a Kv7DrumEdit the way a host's audio thread does: event lists, then processing calls.
#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "engine/kv7drumedit.h"
#include "vst_events.h"

// MIDI for one block, as a host sends it.
class MidiEventList : public VstEventList {
public:
    void add(int32_t deltaFrames, uint8_t status, uint8_t data1, uint8_t data2) {
        VstEventList::add(midiEvent(deltaFrames, status, data1, data2));
    }
    void noteOn(int32_t deltaFrames, uint8_t note, uint8_t velocity = 100, uint8_t channel = 1) {
        add(deltaFrames, static_cast<uint8_t>(0x90 | (channel - 1)), note, velocity);
    }
    void noteOff(int32_t deltaFrames, uint8_t note, uint8_t channel = 1) {
        add(deltaFrames, static_cast<uint8_t>(0x80 | (channel - 1)), note, 64);
    }
};

struct StereoBlock {
    std::vector<float> left, right;
};

class EngineHarness {
public:
    explicit EngineHarness(audioMasterCallback host = nullptr) : effect(new Kv7DrumEdit(host)) {}

    void load(int32_t slot, const std::vector<float>& samples) {
        if (!samples.empty()) std::memcpy(effect->SampleBuffer[slot], samples.data(), samples.size() * sizeof(float));
        effect->BufferLength[slot] = static_cast<int32_t>(samples.size());
    }

    void send(MidiEventList& list) { effect->processEvents(list.get()); }

    StereoBlock render(int32_t frames, float inLeft = 0.0f, float inRight = 0.0f) {
        std::vector<float> inL(static_cast<size_t>(frames), inLeft), inR(static_cast<size_t>(frames), inRight);
        return render(inL, inR);
    }

    StereoBlock render(std::vector<float> inLeft, std::vector<float> inRight) {
        StereoBlock out{std::vector<float>(inLeft.size()), std::vector<float>(inRight.size())};
        float* inputs[2] = {inLeft.data(), inRight.data()};
        float* outputs[2] = {out.left.data(), out.right.data()};
        effect->processReplacing(inputs, outputs, static_cast<VstInt32>(inLeft.size()));
        return out;
    }

    std::unique_ptr<Kv7DrumEdit> effect;
};

// 0.001, 0.002, ...: every sample distinct, so the output tells which index was read.
inline std::vector<float> rampSound(int32_t length) {
    std::vector<float> samples(static_cast<size_t>(length));
    for (int32_t i = 0; i < length; ++i) samples[static_cast<size_t>(i)] = static_cast<float>(i + 1) * 0.001f;
    return samples;
}
