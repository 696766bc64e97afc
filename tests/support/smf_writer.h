// Small Standard MIDI Files for tests: format 0, one track, events at absolute ticks in time order.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

class SmfWriter {
public:
    explicit SmfWriter(uint16_t ticksPerQuarter = 480) : division(ticksPerQuarter) {}

    SmfWriter& tempo(uint32_t tick, uint32_t usPerQuarter) {
        return event(tick, {0xFF, 0x51, 0x03, uint8_t(usPerQuarter >> 16), uint8_t(usPerQuarter >> 8), uint8_t(usPerQuarter)});
    }
    // channel counts from 0, as in the status byte.
    SmfWriter& noteOn(uint32_t tick, uint8_t note, uint8_t velocity = 100, uint8_t channel = 0) {
        return event(tick, {uint8_t(0x90 | channel), note, velocity});
    }
    SmfWriter& noteOff(uint32_t tick, uint8_t note, uint8_t channel = 0) { return event(tick, {uint8_t(0x80 | channel), note, 0}); }
    SmfWriter& event(uint32_t tick, const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> delta{uint8_t((tick - lastTick) & 0x7F)};
        for (uint32_t rest = (tick - lastTick) >> 7; rest; rest >>= 7) delta.insert(delta.begin(), uint8_t((rest & 0x7F) | 0x80));
        track.insert(track.end(), delta.begin(), delta.end());
        track.insert(track.end(), bytes.begin(), bytes.end());
        lastTick = tick;
        return *this;
    }
    // Ends the track at endTick and writes the file; call once.
    void write(const std::string& path, uint32_t endTick) {
        event(endTick, {0xFF, 0x2F, 0x00});
        std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, uint8_t(division >> 8), uint8_t(division), 'M', 'T', 'r', 'k'};
        for (int shift : {24, 16, 8, 0}) file.push_back(uint8_t(track.size() >> shift));
        file.insert(file.end(), track.begin(), track.end());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }

private:
    uint16_t division;
    uint32_t lastTick = 0;
    std::vector<uint8_t> track;
};
