#include "kitfiles/aiff_writer.h"

#include <algorithm>
#include <cstring>

#include "kitfiles/atomic_file.h"
#include "kitfiles/kit_file_format.h"

namespace kitfiles {

namespace {

// 44100 as an IEEE 754 80-bit extended number.
constexpr unsigned char kSampleRate44100[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
// Base note 60, no detune, notes 0 to 127, velocities 1 to 127, gain 0.
constexpr unsigned char kInstrumentHead[8] = {0x3C, 0x00, 0x00, 0x7F, 0x01, 0x7F, 0x00, 0x00};

// Writes big-endian fields into a buffer sized beforehand for them.
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

// Samples as the file holds them: 16-bit big-endian.
void encodeSamples(const float* samples, int32_t count, unsigned char* out) {
    for (int32_t i = 0; i < count; ++i) {
        const auto v = static_cast<uint16_t>(encodeSample(samples[i]));
        out[2 * i] = static_cast<unsigned char>(v >> 8);
        out[2 * i + 1] = static_cast<unsigned char>(v);
    }
}

// The file in order, handed to put in pieces of kPieceBytes (the first longer if the text is): the
// header chunks and the first samples, then the samples, the trailing zero sample with the last. A
// 12 s kit never needs its whole megabyte in memory, and each piece reuses the memory of the last.
constexpr std::size_t kPieceBytes = 64 * 1024;

template <typename Put>
bool emitKv7Aiff(std::string_view applText, const std::vector<SampleRun>& runs, Put&& put) {
    int32_t frames = 0;
    for (const SampleRun& run : runs) frames += std::max(run.frames, 0);
    const auto textLength = static_cast<uint32_t>(applText.size());
    const uint32_t applSize = (textLength + 3u) & ~3u;
    const auto sampleBytes = 2u * static_cast<uint32_t>(frames);
    const std::size_t headerBytes = 100u + applSize;

    std::vector<unsigned char> piece(std::max(headerBytes + 2, kPieceBytes));
    ByteWriter out(piece.data());
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

    std::size_t used = headerBytes;
    for (const SampleRun& run : runs) {
        for (int32_t done = 0; done < run.frames;) {
            if (used + 2 > piece.size()) {
                if (!put(piece.data(), used)) return false;
                used = 0;
            }
            const int32_t n = std::min(run.frames - done, static_cast<int32_t>((piece.size() - used) / 2));
            encodeSamples(run.samples + done, n, piece.data() + used);
            used += 2u * static_cast<std::size_t>(n);
            done += n;
        }
    }
    if (used + 2 > piece.size()) {
        if (!put(piece.data(), used)) return false;
        used = 0;
    }
    piece[used++] = 0;  // the trailing zero sample the instrument's files carry
    piece[used++] = 0;
    return put(piece.data(), used);
}

}  // namespace

std::vector<unsigned char> buildKv7Aiff(std::string_view applText, const float* samples, int32_t frames) {
    std::vector<unsigned char> bytes;
    emitKv7Aiff(applText, {{samples, std::max(frames, 0)}}, [&](const unsigned char* data, std::size_t size) {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    });
    return bytes;
}

bool writeKv7Aiff(const std::string& path, std::string_view applText, const std::vector<SampleRun>& runs,
                  std::string& error) {
    AtomicFile file;
    return file.open(path, error) &&
           emitKv7Aiff(applText, runs,
                       [&](const unsigned char* data, std::size_t size) { return file.write(data, size, error); }) &&
           file.commit(error);
}

bool writeKv7Aiff(const std::string& path, std::string_view applText, const float* samples, int32_t frames,
                  std::string& error) {
    return writeKv7Aiff(path, applText, {{samples, std::max(frames, 0)}}, error);
}

}  // namespace kitfiles
