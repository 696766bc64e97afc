#include "midi_song.h"

#include <glib.h>
#include <smf.h>
#include <sys/stat.h>

#include <cmath>
#include <memory>

#include "tool_error.h"

namespace {

constexpr double kFramesPerSecond = 44100.0;

struct SmfDeleter {
    void operator()(smf_t* smf) const { smf_delete(smf); }
};

// libsmf reports problems through GLib's log; the last one becomes part of our one-line error.
void keepLastMessage(const gchar*, GLogLevelFlags, const gchar* message, gpointer data) {
    *static_cast<std::string*>(data) = message ? message : "";
}

int64_t framesAt(double seconds) {
    if (!(seconds > 0.0)) return 0;
    return static_cast<int64_t>(std::llround(seconds * kFramesPerSecond));
}

}  // namespace

MidiSong readMidiSong(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) throw ToolError("cannot open the MIDI file \"" + path + "\"");
    std::string lastMessage;
    const GLogFunc previous = g_log_set_default_handler(keepLastMessage, &lastMessage);
    std::unique_ptr<smf_t, SmfDeleter> smf(smf_load(path.c_str()));
    g_log_set_default_handler(previous, nullptr);
    if (!smf) {
        throw ToolError("\"" + path + "\" is not a MIDI file that can be read" +
                        (lastMessage.empty() ? std::string() : " (" + lastMessage + ")"));
    }

    MidiSong song;
    while (smf_event_t* event = smf_get_next_event(smf.get())) {
        song.lengthFrames = std::max(song.lengthFrames, framesAt(event->time_seconds));
        if (smf_event_is_metadata(event) || event->midi_buffer_length < 3) continue;
        const uint8_t status = event->midi_buffer[0];
        const uint8_t kind = status & 0xF0;
        if (kind != 0x80 && kind != 0x90) continue;
        song.events.push_back({framesAt(event->time_seconds), status, static_cast<uint8_t>(event->midi_buffer[1] & 0x7F),
                               static_cast<uint8_t>(event->midi_buffer[2] & 0x7F)});
    }
    return song;
}
