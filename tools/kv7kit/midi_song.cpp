#include "midi_song.h"

#include <cmath>

#include "midi_file.h"
#include "tool_error.h"

namespace {

constexpr double kFramesPerSecond = 44100.0;

int64_t framesAt(double seconds) {
    if (!(seconds > 0.0)) return 0;
    return static_cast<int64_t>(std::llround(seconds * kFramesPerSecond));
}

}  // namespace

MidiSong readMidiSong(const std::string& path) {
    std::string error;
    const auto file = readMidiFile(path, error);
    if (!file) throw ToolError(error);
    MidiSong song;
    song.lengthFrames = framesAt(file->lengthSeconds);
    for (const TimedMidiMessage& message : file->messages) {
        const uint8_t kind = message.bytes[0] & 0xF0;
        if (kind != 0x80 && kind != 0x90) continue;
        song.events.push_back({framesAt(message.seconds), message.bytes[0], static_cast<uint8_t>(message.bytes[1] & 0x7F),
                               static_cast<uint8_t>(message.bytes[2] & 0x7F)});
    }
    return song;
}
