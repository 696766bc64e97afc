#include "kitfiles/aiff_header.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace kitfiles {

namespace {

uint32_t be32(const unsigned char* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

int16_t be16(const unsigned char* p) { return static_cast<int16_t>((p[0] << 8) | p[1]); }

bool compressionIs(const AiffHeader& header, const char* type) { return std::memcmp(header.compression, type, 4) == 0; }

}  // namespace

int32_t AiffHeader::bytesPerSample() const {
    if (compressionIs(*this, "NONE") || compressionIs(*this, "twos") || compressionIs(*this, "sowt")) {
        if (bitsPerSample < 1 || bitsPerSample > 32) return 0;
        return (bitsPerSample + 7) / 8;
    }
    if (compressionIs(*this, "fl32") || compressionIs(*this, "FL32") || compressionIs(*this, "in32") ||
        compressionIs(*this, "23ni"))
        return 4;
    if (compressionIs(*this, "fl64") || compressionIs(*this, "FL64")) return 8;
    if (compressionIs(*this, "in24") || compressionIs(*this, "42ni")) return 3;
    if (compressionIs(*this, "raw ") || compressionIs(*this, "ulaw") || compressionIs(*this, "ULAW") ||
        compressionIs(*this, "alaw") || compressionIs(*this, "ALAW"))
        return 1;
    return 0;
}

int64_t AiffHeader::framesPresent() const {
    const int64_t frameBytes = static_cast<int64_t>(bytesPerSample()) * std::max(channels, 1);
    if (frameBytes <= 0 || !hasSoundData) return 0;
    return std::min<int64_t>(frames, dataBytes / frameBytes);
}

std::optional<AiffHeader> readAiffHeader(std::FILE* file) {
    struct stat info;
    if (fstat(fileno(file), &info) != 0) return std::nullopt;
    const int64_t fileSize = info.st_size;
    if (fseeko(file, 0, SEEK_SET) != 0) return std::nullopt;

    unsigned char form[12];
    if (std::fread(form, 1, 12, file) != 12 || std::memcmp(form, "FORM", 4) != 0) return std::nullopt;
    AiffHeader header;
    if (std::memcmp(form + 8, "AIFC", 4) == 0)
        header.aifc = true;
    else if (std::memcmp(form + 8, "AIFF", 4) != 0)
        return std::nullopt;

    bool haveComm = false;
    int64_t position = 12;
    // Every chunk moves the position on by at least 8 bytes, so the walk ends with the file.
    while (position + 8 <= fileSize) {
        unsigned char chunk[8];
        if (fseeko(file, position, SEEK_SET) != 0 || std::fread(chunk, 1, 8, file) != 8) break;
        const uint32_t size = be32(chunk + 4);
        const int64_t body = position + 8;
        if (std::memcmp(chunk, "COMM", 4) == 0 && !haveComm) {
            unsigned char comm[22] = {};
            const std::size_t wanted = std::min<uint32_t>(size, header.aifc ? 22u : 18u);
            if (wanted < 18 || std::fread(comm, 1, wanted, file) != wanted) return std::nullopt;
            header.channels = be16(comm);
            header.frames = be32(comm + 2);
            header.bitsPerSample = be16(comm + 6);
            if (header.aifc && wanted >= 22) std::memcpy(header.compression, comm + 18, 4);
            haveComm = true;
        } else if (std::memcmp(chunk, "SSND", 4) == 0 && !header.hasSoundData) {
            unsigned char offsets[8];
            if (size < 8 || std::fread(offsets, 1, 8, file) != 8) break;
            header.hasSoundData = true;
            header.dataStart = body + 8 + be32(offsets);
            const int64_t declared = static_cast<int64_t>(size) - 8 - be32(offsets);
            const int64_t available = fileSize - header.dataStart;
            header.dataBytes = std::max<int64_t>(0, std::min(declared, available));
        }
        position = body + size + (size & 1u);
    }
    if (!haveComm) return std::nullopt;
    return header;
}

}  // namespace kitfiles
