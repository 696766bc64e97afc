#include "midi_inputs.h"

#include <RtMidi.h>

#include <cstdio>

namespace {

// RtMidi's thread for one port.
void received(double, std::vector<unsigned char>* bytes, void* ring) {
    if (!bytes || bytes->empty() || bytes->size() > 3) return;
    MidiMessage message{{0, 0, 0}, static_cast<uint8_t>(bytes->size())};
    for (size_t i = 0; i < bytes->size(); ++i) message.bytes[i] = (*bytes)[i];
    static_cast<MidiRing*>(ring)->push(message);
}

}  // namespace

MidiInputs::MidiInputs() = default;

MidiInputs::~MidiInputs() { closeAll(); }

std::vector<std::string> MidiInputs::openAll(MidiSources& sources, std::string& error) {
    std::vector<std::string> names;
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    // Every API on its own: one that cannot start (no ALSA sequencer, no JACK server) must not
    // hide the ports of another.
    for (RtMidi::Api api : apis) {
        if (api == RtMidi::RTMIDI_DUMMY) continue;
        try {
            RtMidiIn probe(api, "Tembro-laxis");
            const unsigned count = probe.getPortCount();
            for (unsigned p = 0; p < count; ++p) {
                MidiRing* ring = sources.add();
                if (!ring) {
                    error = "more MIDI ports than this host takes; the rest are not opened";
                    return names;
                }
                auto port = std::make_unique<RtMidiIn>(api, "Tembro-laxis");
                const std::string name = RtMidi::getApiName(api) + ": " + port->getPortName(p);
                port->ignoreTypes(true, true, true);
                port->setCallback(&received, ring);
                port->openPort(p, "input " + std::to_string(ports.size() + 1));
                ports.push_back(std::move(port));
                names.push_back(name);
            }
        } catch (const RtMidiError& failure) {
            error += (error.empty() ? "" : "; ") + RtMidi::getApiName(api) + ": " + failure.getMessage();
        }
    }
    if (names.empty() && error.empty()) error = "no MIDI input ports";
    return names;
}

void MidiInputs::closeAll() {
    for (auto& port : ports) port->closePort();
    ports.clear();
}

void MidiInputs::listPorts() {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    for (RtMidi::Api api : apis) {
        if (api == RtMidi::RTMIDI_DUMMY) continue;
        std::printf("MIDI API %s (%s):\n", RtMidi::getApiName(api).c_str(), RtMidi::getApiDisplayName(api).c_str());
        try {
            RtMidiIn probe(api, "Tembro-laxis");
            const unsigned count = probe.getPortCount();
            if (count == 0) std::printf("  no input ports\n");
            for (unsigned p = 0; p < count; ++p) std::printf("  %u: %s\n", p, probe.getPortName(p).c_str());
        } catch (const RtMidiError& failure) {
            std::printf("  unavailable: %s\n", failure.getMessage().c_str());
        }
    }
}
