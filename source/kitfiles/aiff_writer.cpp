#include "kitfiles/aiff_writer.h"

#include <cstring>

#include "kitfiles/atomic_file.h"
#include "kitfiles/kit_file_format.h"

namespace kitfiles {

namespace {

// 44100 as an IEEE 754 80-bit extended number.
constexpr unsigned char kSampleRate44100[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
// Base note 60, no detune, notes 0 to 127, velocities 1 to 127, gain 0.
constexpr unsigned char kInstrumentHead[8] = {0x3C, 0x00, 0x00, 0x7F, 0x01, 0x7F, 0x00, 0x00};

// Writes big-endian fields into a buffer sized beforehand for the whole file.
class ByteWriter {
public:
    explicit ByteWriter(unsigned char* out) : cursor(out) {}
    void id(const char* fourCharacters) { raw(fourCharacters, 4); }
    void u32(uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) *cursor++ = static_cast<unsigned char>(v >> shift);
    }
    void u16(uint16_t v) {
        *cursor++ = static_cast<unsigned char>(v >> 8);
        *cursor++ = static_cast<unsigned char>(v);
    }
    void raw(const void* data, std::size_t size) {
        std::memcpy(cursor, data, size);
        cursor += size;
    }
    void zeros(std::size_t count) {
        std::memset(cursor, 0, count);
        cursor += count;
    }

private:
    unsigned char* cursor;
};

}  // namespace

std::vector<unsigned char> buildKv7Aiff(std::string_view applText, const float* samples, int32_t frames) {
    if (frames < 0) frames = 0;
    const auto textLength = static_cast<uint32_t>(applText.size());
    const uint32_t applSize = (textLength + 3u) & ~3u;
    const auto sampleBytes = 2u * static_cast<uint32_t>(frames);

    std::vector<unsigned char> bytes(102u + applSize + sampleBytes);
    ByteWriter out(bytes.data());
    out.id("FORM");
    out.u32(94u + applSize + sampleBytes);
    out.id("AIFF");

    out.id("COMM");
    out.u32(18);
    out.u16(1);
    out.u32(static_cast<uint32_t>(frames));
    out.u16(16);
    out.raw(kSampleRate44100, sizeof kSampleRate44100);

    out.id("APPL");
    out.u32(applSize);
    out.raw(applText.data(), applText.size());
    out.zeros(applSize - textLength);

    out.id("MARK");
    out.u32(2);
    out.u16(0);

    out.id("INST");
    out.u32(20);
    out.raw(kInstrumentHead, sizeof kInstrumentHead);
    out.zeros(12);  // sustain and release loops: no loop

    out.id("SSND");
    out.u32(sampleBytes + 10u);  // counts the trailing sample
    out.u32(0);                  // data offset
    out.u32(0);                  // block size
    for (int32_t i = 0; i < frames; ++i) out.u16(static_cast<uint16_t>(encodeSample(samples[i])));
    out.u16(0);  // the trailing zero sample the instrument's files carry
    return bytes;
}

bool writeKv7Aiff(const std::string& path, std::string_view applText, const float* samples, int32_t frames,
                  std::string& error) {
    const std::vector<unsigned char> bytes = buildKv7Aiff(applText, samples, frames);
    return writeFileAtomically(path, bytes.data(), bytes.size(), error);
}

}  // namespace kitfiles
