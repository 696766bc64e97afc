// Reads a Standard MIDI File into its channel messages with their times in seconds, tempo map
// applied, all tracks merged in time order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TimedMidiMessage {
    double seconds;
    uint8_t bytes[3];
    uint8_t size;
};

struct MidiFileContents {
    std::vector<TimedMidiMessage> messages;
    double lengthSeconds = 0.0;  // time of the file's last event, meta events included
};

// Channel messages only (note, controller, program, pressure, pitch bend); system exclusive and meta
// events are left out. On failure returns nothing and says why in error, in one line.
std::optional<MidiFileContents> readMidiFile(const std::string& path, std::string& error);
