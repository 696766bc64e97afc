#include "midi_file.h"

#include <smf.h>

#include <memory>

namespace {

struct SmfDeleter {
    void operator()(smf_t* smf) const { smf_delete(smf); }
};

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
    std::unique_ptr<smf_t, SmfDeleter> smf(smf_load(path.c_str()));
    if (!smf) {
        error = "cannot read " + path + " as a Standard MIDI File";
        return std::nullopt;
    }
    MidiFileContents contents;
    contents.lengthSeconds = smf_get_length_seconds(smf.get());
    smf_rewind(smf.get());
    while (smf_event_t* event = smf_get_next_event(smf.get())) {
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
