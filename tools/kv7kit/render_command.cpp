// kv7kit render: a kit in the engine, played by a MIDI file, to a stereo WAV at 44100 Hz.
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands.h"
#include "kit_session.h"
#include "kitfiles/atomic_file.h"
#include "midi_song.h"
#include "tool_error.h"

namespace {

constexpr int32_t kBlockFrames = 512;
constexpr int64_t kSampleRate = 44100;
// Sounds still playing when the song ends get this long to finish; a loop held forever is cut.
constexpr int64_t kMaxTailFrames = 30 * kSampleRate;
// Renders longer than this show their progress.
constexpr int64_t kProgressFrames = 30 * kSampleRate;

// One processing call's worth of events, laid out as a host passes them.
class EventBlock {
public:
    void clear() { midi.clear(); }
    bool full() const { return midi.size() >= static_cast<std::size_t>(kMaxWaitingNotes); }
    void add(const SongEvent& event, int32_t deltaFrames) {
        VstMidiEvent m{};
        m.type = kVstMidiType;
        m.byteSize = sizeof(VstMidiEvent);
        m.deltaFrames = deltaFrames;
        m.midiData[0] = static_cast<char>(event.status);
        m.midiData[1] = static_cast<char>(event.note);
        m.midiData[2] = static_cast<char>(event.velocity);
        midi.push_back(m);
    }
    bool empty() const { return midi.empty(); }
    VstEvents* events() {
        storage.assign(sizeof(VstEvents) + sizeof(VstEvent*) * midi.size(), 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(midi.size());
        for (std::size_t i = 0; i < midi.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
        return list;
    }

private:
    std::vector<VstMidiEvent> midi;
    std::vector<unsigned char> storage;
};

bool anySlotPlaying(const Kv7DrumEdit& effect) {
    return std::any_of(std::begin(effect.IsPlaying), std::end(effect.IsPlaying), [](bool playing) { return playing; });
}

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

}  // namespace

void runRender(const RenderOptions& options) {
    const MidiSong song = readMidiSong(options.midi);
    KitSession session;
    session.importKit(options.kit);
    Kv7DrumEdit& effect = session.effect();

    std::string error;
    kitfiles::AtomicFile output;
    if (!output.open(options.output, error)) throw ToolError(error);
    SF_INFO info{};
    info.samplerate = static_cast<int>(kSampleRate);
    info.channels = 2;
    info.format = SF_FORMAT_WAV | (options.pcm16 ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT);
    std::unique_ptr<SNDFILE, SndfileCloser> wav(sf_open_fd(output.descriptor(), SFM_WRITE, &info, SF_FALSE));
    if (!wav) throw ToolError("could not write \"" + options.output + "\": " + sf_strerror(nullptr));
    if (options.pcm16) sf_command(wav.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    std::vector<float> silenceLeft(kBlockFrames, 0.0f), silenceRight(kBlockFrames, 0.0f);
    std::vector<float> left(kBlockFrames), right(kBlockFrames), interleaved(2 * kBlockFrames);
    float* inputs[2] = {silenceLeft.data(), silenceRight.data()};
    float* outputs[2] = {left.data(), right.data()};
    const bool showProgress = !options.quiet && song.lengthFrames > kProgressFrames;
    int lastPercent = -1;

    EventBlock block;
    std::size_t next = 0;
    int64_t frame = 0;
    const int64_t tailLimit = song.lengthFrames + kMaxTailFrames;
    for (;;) {
        const bool songOver = next >= song.events.size() && frame >= song.lengthFrames;
        if (songOver && (!anySlotPlaying(effect) || frame >= tailLimit)) break;

        // A block ends early where more notes wait than one call can take.
        int64_t blockEnd = frame + kBlockFrames;
        block.clear();
        while (next < song.events.size() && song.events[next].frame < blockEnd) {
            if (block.full()) {
                if (song.events[next].frame > frame) blockEnd = song.events[next].frame;
                break;
            }
            block.add(song.events[next], static_cast<int32_t>(std::max<int64_t>(song.events[next].frame - frame, 0)));
            ++next;
        }
        const auto frames = static_cast<int32_t>(blockEnd - frame);
        if (!block.empty()) effect.processEvents(block.events());
        effect.processReplacing(inputs, outputs, frames);
        for (int32_t i = 0; i < frames; ++i) {
            interleaved[static_cast<std::size_t>(2 * i)] = left[static_cast<std::size_t>(i)];
            interleaved[static_cast<std::size_t>(2 * i + 1)] = right[static_cast<std::size_t>(i)];
        }
        if (sf_writef_float(wav.get(), interleaved.data(), frames) != frames)
            throw ToolError("could not write \"" + options.output + "\": " + sf_strerror(wav.get()));
        frame = blockEnd;

        if (showProgress) {
            const int percent = static_cast<int>(std::min<int64_t>(100, frame * 100 / std::max<int64_t>(song.lengthFrames, 1)));
            if (percent != lastPercent && percent % 5 == 0) {
                std::fprintf(stderr, "\rrendering %s: %3d%%", options.midi.c_str(), percent);
                std::fflush(stderr);
                lastPercent = percent;
            }
        }
    }
    if (showProgress) std::fprintf(stderr, "\n");

    const int closed = sf_close(wav.release());
    if (closed != 0) throw ToolError("could not write \"" + options.output + "\": " + sf_error_number(closed));
    if (!output.commit(error)) throw ToolError(error);
    std::printf("wrote %s: %.2f s, 44100 Hz stereo\n", output.targetPath().c_str(), static_cast<double>(frame) / kSampleRate);
}
