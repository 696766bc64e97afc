#include "computer_keyboard.h"

#include <X11/keysym.h>

namespace {

struct KeyNote {
    unsigned long keySymbol;
    int note;
};

constexpr KeyNote kKeys[] = {
    // lower row: F3 to E4, slots 0 to 11
    {XK_z, 53}, {XK_s, 54}, {XK_x, 55}, {XK_d, 56}, {XK_c, 57}, {XK_f, 58},
    {XK_v, 59}, {XK_b, 60}, {XK_h, 61}, {XK_n, 62}, {XK_j, 63}, {XK_m, 64},
    // upper row: F4 to E5, slots 12 to 23
    {XK_q, 65}, {XK_2, 66}, {XK_w, 67}, {XK_3, 68}, {XK_e, 69}, {XK_4, 70},
    {XK_r, 71}, {XK_t, 72}, {XK_6, 73}, {XK_y, 74}, {XK_7, 75}, {XK_u, 76},
};

}  // namespace

int noteForKeySymbol(unsigned long keySymbol) {
    if (keySymbol >= XK_A && keySymbol <= XK_Z) keySymbol += XK_a - XK_A;
    for (const KeyNote& key : kKeys)
        if (key.keySymbol == keySymbol) return key.note;
    return -1;
}

std::optional<MidiMessage> ComputerKeyboard::press(unsigned long keySymbol) {
    const int note = noteForKeySymbol(keySymbol);
    if (note < 0 || held[static_cast<size_t>(note)]) return std::nullopt;
    held[static_cast<size_t>(note)] = true;
    return MidiMessage{{0x90, static_cast<uint8_t>(note), kVelocity}, 3};
}

std::optional<MidiMessage> ComputerKeyboard::release(unsigned long keySymbol) {
    const int note = noteForKeySymbol(keySymbol);
    if (note < 0 || !held[static_cast<size_t>(note)]) return std::nullopt;
    held[static_cast<size_t>(note)] = false;
    return MidiMessage{{0x80, static_cast<uint8_t>(note), 0}, 3};
}
