// Takes MIDI from every input port RtMidi finds (ALSA sequencer or JACK), each port feeding its
// own ring so that every ring keeps one producer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "midi_ring.h"

class RtMidiIn;

class MidiInputs {
public:
    MidiInputs();
    ~MidiInputs();
    MidiInputs(const MidiInputs&) = delete;
    MidiInputs& operator=(const MidiInputs&) = delete;

    // Main thread, before audio starts. Returns the names of the ports opened; why none could be
    // opened is in error.
    std::vector<std::string> openAll(MidiSources& sources, std::string& error);
    void closeAll();

    // Prints the input ports to standard output.
    static void listPorts();

private:
    std::vector<std::unique_ptr<RtMidiIn>> ports;
};
