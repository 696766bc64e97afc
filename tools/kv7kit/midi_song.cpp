#include "midi_song.h"

#include <glib.h>
#include <smf.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

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

uint32_t be32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// libsmf trusts the header's sizes and counts and reads past a truncated file, so the chunk
// structure is checked here first. Empty when it holds; otherwise what is wrong.
std::string structureProblem(const std::vector<unsigned char>& file) {
    if (file.size() < 14 || std::memcmp(file.data(), "MThd", 4) != 0) return "no MIDI header";
    const uint32_t headerLength = be32(&file[4]);
    if (headerLength < 6 || headerLength > file.size() - 8) return "truncated header";
    const unsigned tracks = (file[10] << 8) | file[11];
    if (tracks == 0) return "no tracks";
    if (((file[12] << 8) | file[13]) == 0) return "no time division";
    unsigned found = 0;
    std::size_t position = 8 + headerLength;
    while (position + 8 <= file.size()) {
        const uint32_t length = be32(&file[position + 4]);
        if (length > file.size() - position - 8) return "truncated track";
        if (std::memcmp(&file[position], "MTrk", 4) == 0) ++found;
        position += 8 + length;
    }
    if (found < tracks) return "missing tracks";
    return {};
}

int64_t framesAt(double seconds) {
    if (!(seconds > 0.0)) return 0;
    return static_cast<int64_t>(std::llround(seconds * kFramesPerSecond));
}

}  // namespace

MidiSong readMidiSong(const std::string& path) {
    struct stat info;
    // Songs are small; a bigger file is no song for this tool.
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > (64 << 20)) throw ToolError("cannot open the MIDI file \"" + path + "\"");
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string problem = structureProblem(bytes);
    if (!problem.empty()) throw ToolError("\"" + path + "\" is not a MIDI file that can be read (" + problem + ")");

    std::string lastMessage;
    const GLogFunc previous = g_log_set_default_handler(keepLastMessage, &lastMessage);
    std::unique_ptr<smf_t, SmfDeleter> smf(smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size())));
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
