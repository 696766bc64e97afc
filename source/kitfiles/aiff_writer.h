// Our own writer of the Kv7 AIFF container: FORM, COMM (mono, 16-bit, 44100 Hz), APPL with the
// given text, an empty MARK, a fixed INST and SSND with the samples and one trailing zero sample.
// The bytes are fixed by the instrument's format, so they are laid out here by hand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kitfiles {

// The whole file: 102 + A + 2 * frames bytes, where A is the text's length rounded up to a
// multiple of 4. frames may be 0.
std::vector<unsigned char> buildKv7Aiff(std::string_view applText, const float* samples, int32_t frames);

// Builds the file and writes it atomically to path. Returns false with a message for the user.
bool writeKv7Aiff(const std::string& path, std::string_view applText, const float* samples, int32_t frames,
                  std::string& error);

// Samples that follow one another in the file but not in memory, such as the slots of a kit.
struct SampleRun {
    const float* samples;
    int32_t frames;
};

// The same, its samples the runs end to end, written as they are encoded: the file is never whole
// in memory.
bool writeKv7Aiff(const std::string& path, std::string_view applText, const std::vector<SampleRun>& runs,
                  std::string& error);

}  // namespace kitfiles
