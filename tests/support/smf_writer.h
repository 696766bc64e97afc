// Writes small Standard MIDI Files for tests: format 0, one track, events in ticks.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

class SmfWriter {
public:
    explicit SmfWriter(uint16_t ticksPerQuarter = 480) : division(ticksPerQuarter) {}

    // Each event at an absolute tick, added in time order.
    SmfWriter& tempo(uint32_t tick, uint32_t microsecondsPerQuarter) {
        return event(tick, {0xFF, 0x51, 0x03, static_cast<uint8_t>(microsecondsPerQuarter >> 16),
                            static_cast<uint8_t>(microsecondsPerQuarter >> 8),
                            static_cast<uint8_t>(microsecondsPerQuarter)});
    }
    SmfWriter& noteOn(uint32_t tick, uint8_t note, uint8_t velocity = 100, uint8_t channel = 0) {
        return event(tick, {static_cast<uint8_t>(0x90 | channel), note, velocity});
    }
    SmfWriter& noteOff(uint32_t tick, uint8_t note, uint8_t channel = 0) {
        return event(tick, {static_cast<uint8_t>(0x80 | channel), note, 0});
    }
    SmfWriter& event(uint32_t tick, std::vector<uint8_t> bytes) {
        appendLength(tick - lastTick);
        lastTick = tick;
        track.insert(track.end(), bytes.begin(), bytes.end());
        return *this;
    }

    // Ends the track at the given tick and writes the file; call once.
    void write(const std::string& path, uint32_t endTick) {
        event(endTick, {0xFF, 0x2F, 0x00});
        std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
                                     static_cast<uint8_t>(division >> 8), static_cast<uint8_t>(division),
                                     'M', 'T', 'r', 'k'};
        const auto size = static_cast<uint32_t>(track.size());
        for (int shift : {24, 16, 8, 0}) file.push_back(static_cast<uint8_t>(size >> shift));
        file.insert(file.end(), track.begin(), track.end());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                    static_cast<std::streamsize>(file.size()));
    }

private:
    void appendLength(uint32_t value) {
        uint8_t bytes[5];
        int count = 0;
        do {
            bytes[count++] = value & 0x7F;
            value >>= 7;
        } while (value);
        while (count-- > 0) track.push_back(static_cast<uint8_t>(bytes[count] | (count ? 0x80 : 0)));
    }

    uint16_t division;
    uint32_t lastTick = 0;
    std::vector<uint8_t> track;
};
