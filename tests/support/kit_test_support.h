// Shared ground for the tests of kit files and everything that reads or writes them: a scratch
// folder, bytes and sound files, and an engine with the editor's slot paths.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/kv7drumedit.h"
#include "kitfiles/kit_file_format.h"
#include "kitfiles/kit_trace.h"
#include "kitfiles/sound_file_loader.h"

namespace kittest {

using Bytes = std::vector<unsigned char>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kv7-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no scratch folder: " + pattern);
        root = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::permissions(root, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root, ignored);
    }
    std::string path(const std::string& name) const { return (root / name).string(); }
    const std::filesystem::path& folder() const { return root; }

private:
    std::filesystem::path root;
};

inline Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string readText(const std::string& path) {
    const Bytes bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

inline uint32_t be32(const Bytes& b, std::size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

inline void put32(Bytes& b, std::size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<unsigned char>(value >> (24 - 8 * k));
}

inline int16_t be16s(const Bytes& b, std::size_t at) { return static_cast<int16_t>((b[at] << 8) | b[at + 1]); }

// Writes interleaved frames with libsndfile in the given format, +1.0 and beyond kept as written.
inline void writeSound(const std::string& path, int format, int channels, int rate, const std::vector<float>& interleaved) {
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr) << " for " << path;
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_FALSE);
    sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()) / channels);
    sf_close(file);
}

// A 16-bit mono WAV of frames samples at level; its path.
inline std::string wav(const ScratchFolder& scratch, const std::string& name, int32_t frames, float level = 0.25f,
                       int channels = 1) {
    const std::string path = scratch.path(name);
    writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, 44100,
               std::vector<float>(static_cast<std::size_t>(frames * channels), level));
    return path;
}

inline std::vector<float> ramp(int32_t frames, float scale = 1.0f / 32768.0f) {
    std::vector<float> samples(static_cast<std::size_t>(frames));
    for (int32_t i = 0; i < frames; ++i) samples[static_cast<std::size_t>(i)] = static_cast<float>((i % 20000) - 10000) * scale;
    return samples;
}

// An engine as the editor holds it, with empty slot paths, and the traces kept out of the output.
class KitFixture : public ::testing::Test {
protected:
    KitFixture() : effect(new Kv7DrumEdit(nullptr)) {
        std::memset(slotPaths, 0, sizeof slotPaths);
        kitfiles::setTraceStream(nullptr);
    }
    ~KitFixture() override { kitfiles::setTraceStream(stderr); }

    // Puts samples straight into a slot with a path, as a finished load leaves it.
    void fill(int32_t slot, const std::vector<float>& samples, const char* path = "/sounds/x/sound.wav") {
        if (!samples.empty()) {
            SlotWriteAccess access(*effect, slotBit(slot));
            std::memcpy(access.leadingSamples(slot, static_cast<int32_t>(samples.size())), samples.data(),
                        samples.size() * sizeof(float));
        }
        effect->BufferLength[slot] = static_cast<int32_t>(samples.size());
        std::strcpy(slotPaths[slot], path);
    }
    void clearKit() {
        for (int32_t slot = 0; slot < kNumSlots; ++slot) effect->BufferLength[slot] = 0;
        std::memset(slotPaths, 0, sizeof slotPaths);
    }
    // A sound or kit file dropped on a slot.
    kitfiles::LoadResult load(const std::string& path, int32_t slot) {
        std::strcpy(slotPaths[slot], path.c_str());
        return kitfiles::LoadExec_This_Sound_From_File(*effect, slotPaths, slotPaths[slot], kitfiles::kLoadSoundFile, slot);
    }
    int32_t length(int32_t slot) const { return effect->BufferLength[slot].load(); }
    float sample(int32_t slot, int32_t index) const { return effect->SampleBuffer[slot][index]; }

    ScratchFolder scratch;
    std::unique_ptr<Kv7DrumEdit> effect;
    kitfiles::SlotPaths slotPaths;
};

}  // namespace kittest
