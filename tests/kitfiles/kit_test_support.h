// Shared ground for the kit-file tests: a scratch folder, an engine, slot paths, and sound files
// generated with libsndfile.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
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

namespace kittest {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kv7kit-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
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

inline std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline uint32_t be32(const std::vector<unsigned char>& b, std::size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

inline int16_t be16s(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<int16_t>((b[at] << 8) | b[at + 1]);
}

// Writes interleaved frames with libsndfile in the given major format and subtype.
inline void writeSound(const std::string& path, int format, int channels, int rate, const std::vector<float>& interleaved) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr) << " for " << path;
    // Keep +1.0 and beyond as written, so the loader's own clamping is what gets tested.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_FALSE);
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size()) / channels;
    EXPECT_EQ(sf_writef_float(file, interleaved.data(), frames), frames);
    sf_close(file);
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
    int32_t length(int32_t slot) const { return effect->BufferLength[slot].load(); }

    ScratchFolder scratch;
    std::unique_ptr<Kv7DrumEdit> effect;
    kitfiles::SlotPaths slotPaths;
};

}  // namespace kittest
