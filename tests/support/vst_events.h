// MIDI event lists laid out as hosts pass them to effProcessEvents: a count, then pointers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame/vst2_interface.h"

inline VstMidiEvent midiEvent(int32_t deltaFrames, uint8_t status, uint8_t data1, uint8_t data2) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

class VstEventList {
public:
    VstEventList& add(const VstMidiEvent& event) {
        events.push_back(event);
        return *this;
    }
    VstEventList& add(int32_t deltaFrames, uint8_t status, uint8_t data1, uint8_t data2) {
        return add(midiEvent(deltaFrames, status, data1, data2));
    }
    VstEventList& noteOn(int32_t deltaFrames, uint8_t note, uint8_t velocity = 100, uint8_t channel = 1) {
        return add(deltaFrames, static_cast<uint8_t>(0x90 | (channel - 1)), note, velocity);
    }
    VstEventList& noteOff(int32_t deltaFrames, uint8_t note) { return add(deltaFrames, 0x80, note, 64); }
    // A null pointer in the place of event i: no host sends one, a fuzzer does.
    VstEventList& hole(std::size_t i) {
        holes.push_back(i);
        return *this;
    }
    bool empty() const { return events.empty(); }

    VstEvents* get() {
        storage.assign(sizeof(VstEvents) + sizeof(VstEvent*) * events.size(), 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(events.size());
        // The declared array has two entries; the pointers run on past it into the storage.
        auto** pointers = reinterpret_cast<VstEvent**>(storage.data() + offsetof(VstEvents, events));
        for (std::size_t i = 0; i < events.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&events[i]);
        for (std::size_t i : holes) pointers[i] = nullptr;
        return list;
    }

private:
    std::vector<VstMidiEvent> events;
    std::vector<unsigned char> storage;
    std::vector<std::size_t> holes;
};
