// A VstEvents list for the audio thread: room for a fixed number of MIDI events, built once.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>

#include "frame/vst2_interface.h"
#include "midi_ring.h"

template <size_t Capacity>
class FixedMidiEventList {
public:
    FixedMidiEventList() {
        for (size_t i = 0; i < Capacity; ++i) list.events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
    FixedMidiEventList(const FixedMidiEventList&) = delete;
    FixedMidiEventList& operator=(const FixedMidiEventList&) = delete;

    void clear() noexcept { list.numEvents = 0; }
    bool empty() const noexcept { return list.numEvents == 0; }
    // False when the list is full: the message is dropped.
    bool add(VstInt32 deltaFrames, const MidiMessage& message) noexcept {
        if (static_cast<size_t>(list.numEvents) == Capacity) return false;
        VstMidiEvent& event = midi[static_cast<size_t>(list.numEvents++)];
        event = VstMidiEvent{};
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = deltaFrames;
        for (size_t i = 0; i < message.size && i < 3; ++i) event.midiData[i] = static_cast<char>(message.bytes[i]);
        return true;
    }
    VstEvents* get() noexcept { return reinterpret_cast<VstEvents*>(&list); }

private:
    // VstEvents declares two pointers; hosts lay out as many as they pass.
    struct Layout {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[Capacity];
    };
    static_assert(offsetof(Layout, events) == offsetof(VstEvents, events));
    Layout list{};
    std::array<VstMidiEvent, Capacity> midi{};
};
