#include "midi_file.h"

#include <glib.h>
#include <smf.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

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

// Bytes a channel message carries, status included; 0 for anything else.
int channelMessageSize(uint8_t status) {
    switch (status & 0xF0) {
        case 0x80: case 0x90: case 0xA0: case 0xB0: case 0xE0: return 3;
        case 0xC0: case 0xD0: return 2;
        default: return 0;
    }
}

}  // namespace

std::optional<MidiFileContents> readMidiFile(const std::string& path, std::string& error) {
    struct stat info;
    // Songs are small; a bigger file is no song.
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > (64 << 20)) {
        error = "cannot open the MIDI file \"" + path + "\"";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string problem = structureProblem(bytes);
    if (!problem.empty()) {
        error = "\"" + path + "\" is not a MIDI file that can be read (" + problem + ")";
        return std::nullopt;
    }

    std::string lastMessage;
    const GLogFunc previous = g_log_set_default_handler(keepLastMessage, &lastMessage);
    std::unique_ptr<smf_t, SmfDeleter> smf(smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size())));
    g_log_set_default_handler(previous, nullptr);
    if (!smf) {
        error = "\"" + path + "\" is not a MIDI file that can be read" +
                (lastMessage.empty() ? std::string() : " (" + lastMessage + ")");
        return std::nullopt;
    }

    MidiFileContents contents;
    while (smf_event_t* event = smf_get_next_event(smf.get())) {
        contents.lengthSeconds = std::max(contents.lengthSeconds, event->time_seconds);
        if (smf_event_is_metadata(event) || event->midi_buffer_length < 1) continue;
        const uint8_t status = event->midi_buffer[0];
        const int size = channelMessageSize(status);
        if (size == 0 || event->midi_buffer_length < size) continue;
        TimedMidiMessage message{event->time_seconds, {status, 0, 0}, static_cast<uint8_t>(size)};
        for (int i = 1; i < size; ++i) message.bytes[i] = event->midi_buffer[i];
        contents.messages.push_back(message);
    }
    return contents;
}
