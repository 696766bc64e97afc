#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "kit_test_support.h"
#include "kitfiles/sound_file_loader.h"

using namespace kitfiles;
using kittest::writeSound;

namespace {

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kWavFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

class SoundFileLoader : public kittest::KitFixture {
protected:
    LoadResult load(const std::string& path, int32_t slot) {
        std::strcpy(slotPaths[slot], path.c_str());
        return LoadExec_This_Sound_From_File(*effect, slotPaths, slotPaths[slot], kLoadSoundFile, slot);
    }
    float sample(int32_t slot, int32_t index) const { return effect->SampleBuffer[slot][index]; }
    // Puts recognisable non-zero data in a slot, to see what a load leaves alone.
    void dirty(int32_t slot) {
        SlotWriteAccess access(*effect, slotBit(slot));
        std::fill_n(access.buffer(slot), MAX_BUFFERLENGTH, 0.125f);
        effect->BufferLength[slot] = 77;
    }
};

TEST_F(SoundFileLoader, MonoFileLandsTwoSamplesLateAndLosesItsLastFive) {
    std::vector<float> frames(1000);
    for (int32_t i = 0; i < 1000; ++i) frames[static_cast<std::size_t>(i)] = static_cast<float>(i + 1) / 2048.0f;
    const std::string path = scratch.path("mono.wav");
    writeSound(path, kWavFloat, 1, 44100, frames);
    dirty(3);

    const LoadResult result = load(path, 3);
    EXPECT_TRUE(result.decodeAttempted);
    EXPECT_EQ(result.changedSlots, slotBit(3));
    EXPECT_FALSE(result.kitImported);
    EXPECT_TRUE(result.message.empty());
    EXPECT_EQ(length(3), 1000);
    EXPECT_EQ(sample(3, 0), 0.0f);
    EXPECT_EQ(sample(3, 1), 0.0f);
    for (int32_t i = 2; i <= 996; ++i) ASSERT_EQ(sample(3, i), frames[static_cast<std::size_t>(i - 2)]) << i;
    for (int32_t i = 997; i < MAX_BUFFERLENGTH; ++i) ASSERT_EQ(sample(3, i), 0.0f) << i;
}

TEST_F(SoundFileLoader, AShorterSoundLeavesNothingOfTheLongerOneBefore) {
    const std::string longer = scratch.path("long.wav"), shorter = scratch.path("short.wav");
    writeSound(longer, kWavFloat, 1, 44100, std::vector<float>(20000, 0.5f));
    writeSound(shorter, kWavFloat, 1, 44100, std::vector<float>(300, 0.25f));
    load(longer, 4);
    ASSERT_EQ(sample(4, 19996), 0.5f);
    load(shorter, 4);
    EXPECT_EQ(sample(4, 296), 0.25f);
    for (int32_t i = 297; i < 20000; ++i) ASSERT_EQ(sample(4, i), 0.0f) << "sample " << i;
    // A kit import writes regions into slots without clearing them; a load after it still clears.
    {
        SlotWriteAccess access(*effect, slotBit(4));
        std::fill_n(access.leadingSamples(4, 50000), 50000, 0.75f);
    }
    load(shorter, 4);
    for (int32_t i = 297; i < 50000; ++i) ASSERT_EQ(sample(4, i), 0.0f) << "sample " << i;
}

// Pages of a slot's buffer that are in memory.
std::size_t residentPages(const float* buffer) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = reinterpret_cast<uintptr_t>(buffer) / page * page;
    const uintptr_t end = reinterpret_cast<uintptr_t>(buffer + MAX_BUFFERLENGTH);
    std::vector<unsigned char> flags((end - first + page - 1) / page);
    if (mincore(reinterpret_cast<void*>(first), end - first, flags.data()) != 0) return SIZE_MAX;
    std::size_t count = 0;
    for (unsigned char f : flags) count += f & 1;
    return count;
}

// A fresh slot is untouched zero pages (where the allocator hands them over untouched): a short
// sound brings in its own pages, not the rest of the slot's 2 MB.
TEST_F(SoundFileLoader, LoadingIntoAFreshSlotLeavesTheRestOfItsMemoryUntouched) {
    const std::string path = scratch.path("short.wav");
    writeSound(path, kWavFloat, 1, 44100, std::vector<float>(1000, 0.25f));
    const std::size_t before = residentPages(effect->SampleBuffer[9]);
    ASSERT_NE(before, SIZE_MAX);
    load(path, 9);
    const std::size_t after = residentPages(effect->SampleBuffer[9]);
    // 1000 samples span 2 pages, 3 when not aligned; a transparent huge page may bring in more.
    EXPECT_LT(after - before, 100u) << before << " pages before the load, " << after << " after";
}

TEST_F(SoundFileLoader, StereoIsMixedAfterClampingEachChannel) {
    std::vector<float> frames;
    for (int32_t i = 0; i < 500; ++i) {
        frames.push_back(i % 2 ? 1.5f : 1.0f);  // left: full scale, or beyond it
        frames.push_back(i < 250 ? 0.0f : -0.25f);
    }
    const std::string path = scratch.path("stereo.wav");
    writeSound(path, kWavFloat, 2, 44100, frames);
    load(path, 0);
    EXPECT_EQ(length(0), 500);
    for (int32_t i = 2; i <= 251; ++i) ASSERT_EQ(sample(0, i), 0.5f) << i;
    for (int32_t i = 252; i <= 496; ++i) ASSERT_EQ(sample(0, i), 0.375f) << i;
    EXPECT_EQ(sample(0, 497), 0.0f);
}

TEST_F(SoundFileLoader, SamplesAreLimitedToFullScale) {
    const std::string path = scratch.path("loud.wav");
    std::vector<float> frames = {-2.0f, 3.0f, std::nanf(""), -1.0f, 1.0f, 0.75f, 0.0f, 0.0f, 0.0f, 0.0f};
    writeSound(path, kWavFloat, 1, 44100, frames);
    load(path, 1);
    EXPECT_EQ(sample(1, 2), -1.0f);
    EXPECT_EQ(sample(1, 3), 1.0f);
    EXPECT_EQ(sample(1, 4), 0.0f);  // not a number: silence
    EXPECT_EQ(sample(1, 5), -1.0f);
    EXPECT_EQ(sample(1, 6), 1.0f);
    EXPECT_EQ(sample(1, 7), 0.0f);  // frame 5 is beyond the last n - 5 frames
}

TEST_F(SoundFileLoader, LengthLimitsAndEmptyFiles) {
    struct Case {
        int32_t frames;
        int32_t expectedLength;
    };
    for (const Case c : {Case{0, 1}, Case{1, 1}, Case{3, 3}, Case{4, 4}, Case{MAX_BUFFERLENGTH, MAX_BUFFERLENGTH},
                         Case{MAX_BUFFERLENGTH + 1, MAX_BUFFERLENGTH - 1}, Case{700000, MAX_BUFFERLENGTH - 1}}) {
        SCOPED_TRACE(c.frames);
        const std::string path = scratch.path(std::string("len") + std::to_string(c.frames) + ".wav");
        writeSound(path, kWav16, 1, 44100, std::vector<float>(static_cast<std::size_t>(c.frames), 0.5f));
        dirty(2);
        load(path, 2);
        EXPECT_EQ(length(2), c.expectedLength);
        const int32_t filled = std::max(c.expectedLength - 3, 0);
        for (int32_t i = 0; i < MAX_BUFFERLENGTH; ++i)
            ASSERT_EQ(sample(2, i), i >= 2 && i < filled ? 0.5f : 0.0f) << i;
    }
}

TEST_F(SoundFileLoader, OtherRatesAreTakenOverUnconverted) {
    const std::string path = scratch.path("rate.wav");
    writeSound(path, kWav16, 1, 48000, std::vector<float>(48000, 0.25f));
    load(path, 4);
    EXPECT_EQ(length(4), 48000);
}

TEST_F(SoundFileLoader, MoreThanTwoChannelsLeaveTheSlotAlone) {
    const std::string path = scratch.path("six.wav");
    writeSound(path, kWav16, 6, 44100, std::vector<float>(6 * 100, 0.5f));
    dirty(5);
    const LoadResult result = load(path, 5);
    EXPECT_TRUE(result.decodeAttempted);
    EXPECT_EQ(result.changedSlots, 0u);
    EXPECT_NE(result.message.find("6 channels"), std::string::npos) << result.message;
    EXPECT_EQ(length(5), 77);
    EXPECT_EQ(sample(5, 0), 0.125f);
}

TEST_F(SoundFileLoader, ReadsEveryFormatLibsndfileWrites) {
    const std::vector<float> frames = kittest::ramp(4000, 1.0f / 16384.0f);
    struct Format {
        const char* name;
        int format;
        float tolerance;
    };
    // libsndfile writes integer samples scaled by 32767 and reads them back by 1/32768.
    constexpr float kInteger = 1e-4f;
    for (const Format f : {Format{"a.wav", kWav16, kInteger}, Format{"a.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, kInteger},
                           Format{"a.aifc", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 0.0f},
                           Format{"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, kInteger},
                           Format{"a.au", SF_FORMAT_AU | SF_FORMAT_PCM_24, kInteger},
                           Format{"a.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16, kInteger},
                           Format{"a.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16, kInteger},
                           Format{"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.05f}}) {
        SCOPED_TRACE(f.name);
        const std::string path = scratch.path(f.name);
        writeSound(path, f.format, 1, 44100, frames);
        EXPECT_TRUE(CheckIfValidSoundFile(path.c_str()));
        dirty(6);
        const LoadResult result = load(path, 6);
        EXPECT_TRUE(result.message.empty()) << result.message;
        EXPECT_EQ(length(6), 4000);
        for (int32_t i = 2; i < 3997; ++i)
            ASSERT_NEAR(sample(6, i), frames[static_cast<std::size_t>(i - 2)], f.tolerance + 1e-6f) << i;
    }
}

TEST_F(SoundFileLoader, AiffFramesComeFromTheCommChunk) {
    // An AIFF whose COMM chunk counts one frame less than its sample data holds, as kit files do.
    const std::string path = scratch.path("short-comm.aif");
    writeSound(path, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 44100, std::vector<float>(1001, 0.5f));
    auto bytes = kittest::readBytes(path);
    bool patched = false;
    for (std::size_t at = 12; at + 12 < bytes.size(); ++at) {
        if (std::memcmp(&bytes[at], "COMM", 4) == 0) {
            ASSERT_EQ(kittest::be32(bytes, at + 10), 1001u);
            bytes[at + 13] = static_cast<unsigned char>(bytes[at + 13] - 1);
            patched = true;
            break;
        }
    }
    ASSERT_TRUE(patched);
    kittest::writeBytes(path, bytes);
    load(path, 7);
    EXPECT_EQ(length(7), 1000);
}

TEST_F(SoundFileLoader, CheckAcceptsSoundFilesAndKitSignaturesOnly) {
    const std::string wav = scratch.path("s.wav");
    writeSound(wav, kWav16, 2, 44100, std::vector<float>(200, 0.1f));
    EXPECT_TRUE(CheckIfValidSoundFile(wav.c_str()));

    const std::string text = scratch.path("notes.txt");
    kittest::writeText(text, "just some words, not a sound\n");
    EXPECT_FALSE(CheckIfValidSoundFile(text.c_str()));

    const std::string raw = scratch.path("data.raw");
    kittest::writeBytes(raw, std::vector<unsigned char>(4096, 0x5A));
    EXPECT_FALSE(CheckIfValidSoundFile(raw.c_str()));

    // Bytes 46 to 49 "kv-7" make a kit file, whatever comes around them.
    std::vector<unsigned char> signature(60, 'x');
    std::memcpy(&signature[46], "kv-7", 4);
    const std::string kit = scratch.path("fake-kit.bin");
    kittest::writeBytes(kit, signature);
    EXPECT_TRUE(CheckIfValidSoundFile(kit.c_str()));
    // At offset 104 the check does not look.
    std::vector<unsigned char> factory(120, 'x');
    std::memcpy(&factory[104], "kv-7", 4);
    kittest::writeBytes(kit, factory);
    EXPECT_FALSE(CheckIfValidSoundFile(kit.c_str()));

    EXPECT_FALSE(CheckIfValidSoundFile(scratch.folder().c_str()));
    EXPECT_FALSE(CheckIfValidSoundFile(scratch.path("missing.wav").c_str()));
    EXPECT_FALSE(CheckIfValidSoundFile(""));
    EXPECT_FALSE(CheckIfValidSoundFile(nullptr));
    EXPECT_FALSE(CheckIfValidSoundFile("/dev/zero"));
    const std::string fifo = scratch.path("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(CheckIfValidSoundFile(fifo.c_str()));  // and does not block
}

TEST_F(SoundFileLoader, UnreadablePathsChangeNothing) {
    dirty(8);
    const std::string fifo = scratch.path("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string text = scratch.path("words.wav");
    kittest::writeText(text, "RIFF but not really a wave file at all");
    for (const std::string& path : {fifo, scratch.folder().string(), scratch.path("missing.wav")}) {
        SCOPED_TRACE(path);
        const LoadResult result = load(path, 8);
        EXPECT_FALSE(result.decodeAttempted);
        EXPECT_FALSE(result.message.empty());
        EXPECT_EQ(length(8), 77);
    }
    const LoadResult notSound = load(text, 8);
    EXPECT_TRUE(notSound.decodeAttempted);
    EXPECT_NE(notSound.message.find("not a sound file"), std::string::npos);
    EXPECT_EQ(length(8), 77);

    EXPECT_FALSE(LoadExec_This_Sound_From_File(*effect, slotPaths, "", kLoadSoundFile, 0).decodeAttempted);
    EXPECT_FALSE(LoadExec_This_Sound_From_File(*effect, slotPaths, nullptr, kLoadSoundFile, 0).decodeAttempted);
    EXPECT_EQ(LoadExec_This_Sound_From_File(*effect, slotPaths, text.c_str(), kLoadSoundFile, 24).changedSlots, 0u);
    EXPECT_EQ(sample(8, 0), 0.125f);
}

}  // namespace
