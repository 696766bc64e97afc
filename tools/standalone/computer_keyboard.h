// Plays the kit from the computer keyboard: two rows laid out like piano keys, the lower row
// from Z (note 53, F) to M (note 64, E) with the black keys on S D F H J, the upper row from
// Q (note 65, F) to U (note 76, E) with the black keys on 2 3 4 6 7.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "midi_ring.h"

// The note a key symbol plays, or -1. Letters count in either case.
int noteForKeySymbol(unsigned long keySymbol);

// Turns key presses and releases into note-ons and note-offs on channel 1, ignoring the repeats of
// a held key. Main thread only.
class ComputerKeyboard {
public:
    static constexpr uint8_t kVelocity = 100;

    std::optional<MidiMessage> press(unsigned long keySymbol);
    std::optional<MidiMessage> release(unsigned long keySymbol);
    // Note-offs for every held key, for when the window loses the keyboard.
    template <typename Sink>
    void releaseAll(Sink&& sink) {
        for (int note = 0; note < 128; ++note)
            if (held[static_cast<size_t>(note)]) {
                held[static_cast<size_t>(note)] = false;
                sink(MidiMessage{{0x80, static_cast<uint8_t>(note), 0}, 3});
            }
    }

private:
    std::array<bool, 128> held{};
};
