// Reading the header of an AIFF or AIFC file ourselves: the COMM chunk's frame count (which for
// the instrument's files is one less than the sample data holds) and where the samples are.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

namespace kitfiles {

struct AiffHeader {
    bool aifc = false;
    int32_t channels = 0;
    uint32_t frames = 0;  // as COMM states it
    int32_t bitsPerSample = 0;
    char compression[4] = {'N', 'O', 'N', 'E'};  // AIFC compression type; "NONE" for AIFF
    bool hasSoundData = false;                    // an SSND chunk was found
    int64_t dataStart = 0;                        // file offset of the first sample
    int64_t dataBytes = 0;                        // sample bytes actually present in the file

    // Bytes of one sample in the file; 0 for an encoding we do not decode.
    int32_t bytesPerSample() const;
    // COMM's frame count, limited by the frames the sample data really holds.
    int64_t framesPresent() const;
};

// Walks the chunks of a FORM AIFF/AIFC file. Empty when the file is no AIFF/AIFC or has no COMM.
// Reads only the header chunks; the stream's position is left anywhere.
std::optional<AiffHeader> readAiffHeader(std::FILE* file);

}  // namespace kitfiles
