// Building the event lists a host hands to effProcessEvents.
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

// A VstEvents list over MIDI events, laid out as hosts pass it: a count, then pointers.
class VstEventList {
public:
    explicit VstEventList(std::vector<VstMidiEvent> list = {}) : events(std::move(list)) {}
    void add(const VstMidiEvent& event) { events.push_back(event); }
    bool empty() const { return events.empty(); }

    VstEvents* get() {
        storage.assign(sizeof(VstEvents) + sizeof(VstEvent*) * events.size(), 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(events.size());
        // The declared array has two entries; the pointers run on past it into the storage.
        auto** pointers = reinterpret_cast<VstEvent**>(storage.data() + offsetof(VstEvents, events));
        for (size_t i = 0; i < events.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&events[i]);
        return list;
    }

private:
    std::vector<VstMidiEvent> events;
    std::vector<unsigned char> storage;
};
