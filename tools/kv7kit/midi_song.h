// The note events of a Standard MIDI File, with their times in sample frames at 44100 Hz.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SongEvent {
    int64_t frame;
    uint8_t status;  // note-on or note-off, any channel: the engine picks channel 1 itself
    uint8_t note;
    uint8_t velocity;
};

struct MidiSong {
    std::vector<SongEvent> events;  // in time order
    int64_t lengthFrames = 0;       // the song's end, its last event included
};

// Reads the file with libsmf, tempo changes applied; ToolError when it cannot be read.
MidiSong readMidiSong(const std::string& path);
