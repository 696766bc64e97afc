// Reading into slots: which files are accepted, what a slot holds after a sound is loaded, and kit
// files cut back into the 24 slots (regions in both drum versions, settings, the audio in the
// encoding its header gives, and the debug traces).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "kit_test_support.h"
#include "kitfiles/aiff_writer.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/kit_import.h"
#include "kitfiles/kit_metadata_text.h"
#include "kitfiles/sound_file_loader.h"

using namespace kitfiles;
using kittest::Bytes;

namespace {

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kWavFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

class SoundFileLoader : public kittest::KitFixture {
protected:
    // Recognisable data in a slot, to see what a load leaves of it.
    void dirty(int32_t slot) {
        SlotWriteAccess access(*effect, slotBit(slot));
        std::fill_n(access.buffer(slot), MAX_BUFFERLENGTH, 0.125f);
        effect->BufferLength[slot] = 77;
    }
};

float clamped(float x) { return std::isnan(x) ? 0.0f : std::clamp(x, -1.0f, 1.0f); }

// A slot holds the file's n frames two samples late, mixed to one channel after each channel is
// limited to full scale, without its last five; its length is n (at least 1), and 529199 for any
// sound longer than a slot. Whatever the slot held before is gone.
TEST_F(SoundFileLoader, ASlotHoldsTheFileTwoSamplesLateMixedAndLimited) {
    std::vector<float> rampFrames(1000), stereo, loud = {-2.0f, 3.0f, std::nanf(""), -1.0f, 1.0f, 0.75f, 0, 0, 0, 0};
    for (int32_t i = 0; i < 1000; ++i) rampFrames[static_cast<std::size_t>(i)] = static_cast<float>(i + 1) / 2048.0f;
    for (int32_t i = 0; i < 500; ++i) stereo.insert(stereo.end(), {i % 2 ? 1.5f : 1.0f, i < 250 ? 0.0f : -0.25f});
    const auto flat = [](int32_t frames) { return std::vector<float>(static_cast<std::size_t>(frames), 0.5f); };
    const struct Case {
        const char* name;
        int format, channels, rate;
        std::vector<float> interleaved;
        float tolerance;
    } cases[] = {
        {"mono.wav", kWavFloat, 1, 44100, rampFrames, 0},         {"stereo.wav", kWavFloat, 2, 44100, stereo, 0},
        {"loud.wav", kWavFloat, 1, 44100, loud, 0},               {"rate.wav", kWav16, 1, 48000, flat(48000), 0},  // taken over unconverted
        {"0.wav", kWav16, 1, 44100, flat(0), 0},                  {"1.wav", kWav16, 1, 44100, flat(1), 0},
        {"4.wav", kWav16, 1, 44100, flat(4), 0},                  {"full.wav", kWav16, 1, 44100, flat(MAX_BUFFERLENGTH), 0},
        {"over.wav", kWav16, 1, 44100, flat(MAX_BUFFERLENGTH + 1), 0}, {"long.wav", kWav16, 1, 44100, flat(700000), 0},
        // libsndfile writes integers scaled by 32767 and reads them by 1/32768.
        {"a.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 44100, rampFrames, 1e-4f},
        {"a.aifc", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 2, 44100, stereo, 0},
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 44100, rampFrames, 1e-4f},
        {"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 44100, rampFrames, 0.05f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = scratch.path(c.name);
        kittest::writeSound(path, c.format, c.channels, c.rate, c.interleaved);
        EXPECT_TRUE(CheckIfValidSoundFile(path.c_str()) || c.interleaved.empty());
        dirty(3);
        const LoadResult result = load(path, 3);
        EXPECT_TRUE(result.decodeAttempted && result.message.empty() && !result.kitImported) << result.message;
        EXPECT_EQ(result.changedSlots, slotBit(3));
        const auto n = static_cast<int32_t>(c.interleaved.size()) / c.channels;
        const int32_t kept = n > MAX_BUFFERLENGTH ? MAX_BUFFERLENGTH - 1 : n, filled = kept - 3;
        EXPECT_EQ(length(3), std::max(kept, 1));
        for (int32_t i = 0; i < MAX_BUFFERLENGTH; ++i) {
            float expected = 0.0f;
            if (i >= 2 && i < filled) {
                const float* frame = &c.interleaved[static_cast<std::size_t>((i - 2) * c.channels)];
                expected = c.channels == 1 ? clamped(frame[0]) : (clamped(frame[0]) + clamped(frame[1])) * 0.5f;
            }
            ASSERT_NEAR(sample(3, i), expected, c.tolerance) << i;
        }
    }
}

TEST_F(SoundFileLoader, TheCheckAcceptsSoundFilesAndKitSignaturesOnly) {
    std::vector<unsigned char> signature(60, 'x'), factory(120, 'x');
    std::memcpy(&signature[46], "kv-7", 4);  // bytes 46 to 49 make a kit file, whatever is around them
    std::memcpy(&factory[104], "kv-7", 4);   // at 104 the check does not look
    kittest::writeBytes(scratch.path("kit.bin"), signature);
    kittest::writeBytes(scratch.path("factory.bin"), factory);
    kittest::writeText(scratch.path("notes.txt"), "just some words, not a sound\n");
    kittest::writeBytes(scratch.path("data.raw"), std::vector<unsigned char>(4096, 0x5A));
    ASSERT_EQ(mkfifo(scratch.path("pipe.wav").c_str(), 0600), 0);
    for (const auto& [path, accepted] :
         {std::pair<std::string, bool>{kittest::wav(scratch, "s.wav", 100, 0.1f, 2), true}, {scratch.path("kit.bin"), true},
          {scratch.path("factory.bin"), false}, {scratch.path("notes.txt"), false}, {scratch.path("data.raw"), false},
          {scratch.folder().string(), false}, {scratch.path("missing.wav"), false}, {"", false}, {"/dev/zero", false},
          {scratch.path("pipe.wav"), false}})  // and the FIFO does not block
        EXPECT_EQ(CheckIfValidSoundFile(path.c_str()), accepted) << path;
    EXPECT_FALSE(CheckIfValidSoundFile(nullptr));

    dirty(8);
    const std::string text = scratch.path("words.wav");
    kittest::writeText(text, "RIFF but not really a wave file at all");
    EXPECT_NE(load(text, 8).message.find("not a sound file"), std::string::npos);
    EXPECT_FALSE(LoadExec_This_Sound_From_File(*effect, slotPaths, "", kLoadSoundFile, 0).decodeAttempted);
    EXPECT_FALSE(LoadExec_This_Sound_From_File(*effect, slotPaths, nullptr, kLoadSoundFile, 0).decodeAttempted);
    EXPECT_EQ(LoadExec_This_Sound_From_File(*effect, slotPaths, text.c_str(), kLoadSoundFile, 24).changedSlots, 0u);
    EXPECT_EQ(length(8), 77);
    EXPECT_EQ(sample(8, 0), 0.125f);
}


// The metadata text of a kit with the given regions (text values), in either drum version.
std::string kitText(const std::vector<int32_t>& starts, const std::vector<int32_t>& ends, bool newVersion = true) {
    KitTextValues values{};
    std::copy(starts.begin(), starts.end(), values.start);
    std::copy(ends.begin(), ends.end(), values.end);
    std::string text = buildKitMetadataText(values);
    if (newVersion) return text;
    text.erase(text.find("\"drum_version\":1,"), 17);
    padKitMetadataText(text);
    return text;
}

class KitImport : public kittest::KitFixture {
protected:
    // A kit file of our own writing around any text, with audio[i] = audioAt(i).
    std::string writeKit(const std::string& text, int32_t frames) {
        std::vector<float> audio(static_cast<std::size_t>(frames));
        for (int32_t i = 0; i < frames; ++i) audio[static_cast<std::size_t>(i)] = audioAt(i);
        const std::string path = scratch.path("kit.aif");
        std::string error;
        EXPECT_TRUE(writeKv7Aiff(path, text, audio.data(), frames, error)) << error;
        return path;
    }
    static float audioAt(int32_t i) { return static_cast<float>(i % 30000) / 32768.0f; }
    // Runs body with the traces going to a file, and returns them.
    template <class Body>
    std::string traced(Body body) {
        char* text = nullptr;
        std::size_t size = 0;
        std::FILE* traces = open_memstream(&text, &size);
        setTraceStream(traces), body(), setTraceStream(nullptr), std::fclose(traces);
        const std::string log(text, size);
        std::free(text);
        return log;
    }
};

TEST_F(KitImport, AnExportedKitComesBackCutIntoAllSlotsWithItsSettings) {
    const auto ramp0 = kittest::ramp(44100), ramp1 = kittest::ramp(22050, 1.0f / 16384.0f);
    fill(0, ramp0);
    fill(1, ramp1);
    for (const auto& [index, value] : {std::pair{kParamPitch, 46.0f / 96}, {kParamPitch + 1, 55.0f / 96}, {kParamPlayMode, 0.0f},
                                       {kParamPlayMode + 1, 1.0f}, {kParamReverse + 1, 1.0f}, {kParamVolume, 0.25f}})
        effect->setParameter(index, value);
    const std::string path = scratch.path("two.aif");
    ASSERT_EQ(Save_All_Buffer_To_KV7_File(*effect, slotPaths, path.c_str()).outcome, KitExportResult::Outcome::Written);
    const std::unique_ptr<Kv7DrumEdit> exported(effect.release());
    effect.reset(new Kv7DrumEdit(nullptr));
    std::memset(slotPaths, 0, sizeof slotPaths);

    LoadResult result;
    const std::string log = traced([&] { result = load(path, 7); });  // dropped on slot 7, it goes through slot 0
    EXPECT_TRUE(result.kitImported && result.import.newVersion && result.changedSlots == kAllSlotsMask);
    EXPECT_EQ((std::vector<int32_t>{result.import.starts[0], result.import.ends[0], result.import.starts[1], result.import.ends[1]}),
              (std::vector<int32_t>{0, 44097, 44098, 66146}));
    EXPECT_EQ(length(0), 44097);
    // Slot 0 keeps the decoded kit audio, two samples late; slots 1 to 23 come from its indices
    // 44098 on: kit audio from 44096 on, and past what the decoder fills, silence.
    EXPECT_TRUE(sample(0, 0) == 0.0f && sample(0, 1) == 0.0f);
    for (int32_t i = 2; i < 44097; ++i) ASSERT_EQ(sample(0, i), ramp0[static_cast<std::size_t>(i - 2)]) << i;
    for (int32_t slot = 1; slot < kNumSlots; ++slot) {
        EXPECT_EQ(length(slot), 22048) << slot;
        EXPECT_EQ((std::vector<float>{sample(slot, 0), sample(slot, 3), sample(slot, 22046), sample(slot, 22047)}),
                  (std::vector<float>{ramp0[44096], ramp1[0], ramp1[22043], 0.0f}));
        EXPECT_STREQ(slotPaths[slot], "/////From Kv-7 import");
    }
    // Every slot's settings come back as written; each empty slot carries those of the slot before.
    for (const int32_t family : {kParamPitch, kParamPlayMode, kParamReverse, kParamVolume})
        for (int32_t slot = 0; slot < kNumSlots; ++slot)
            EXPECT_FLOAT_EQ(effect->getParameter(family + slot), exported->getParameter(family + std::max(slot - 1, std::min(slot, 1)))) << family << " " << slot;
    EXPECT_EQ(log.rfind("\n KV7 HEADER LOCATED, going to read afterwards\n NEW drum version!\n SearchForSubstring for start says ", 0), 0u);
    EXPECT_NE(log.find("\n start 1 says 178952912 and Starts = 44098\n Starts[1] 44098"), std::string::npos) << log;
}

TEST_F(KitImport, RegionsOfOldKitsBackwardRegionsAndSlotZerosOwnRegion) {
    // Old version: 16384 is half of a slot.
    load(writeKit(kitText({0, 0, 0, 0}, {0, 0, 0, 16384}, false), 300000), 0);
    EXPECT_TRUE(length(3) == 264600 && length(0) == 0);
    EXPECT_TRUE(sample(3, 0) == 0.0f && sample(3, 2) == audioAt(0) && sample(3, 264599) == audioAt(264597));

    // An end before its start is an empty region that copies nothing; a slot 0 that does not begin
    // the kit audio moves its own region down to the buffer's start.
    {
        SlotWriteAccess access(*effect, slotBit(1));
        std::fill_n(access.leadingSamples(1, 10), 10, 0.5f);
    }
    load(writeKit(kitText({positionToKitValue(1000), positionToKitValue(500)}, {positionToKitValue(1100), positionToKitValue(400)}), 2000), 0);
    EXPECT_TRUE(length(1) == 0 && sample(1, 0) == 0.5f);
    const int32_t start = kitValueToPosition(positionToKitValue(1000)), end = kitValueToPosition(positionToKitValue(1100));
    ASSERT_EQ(length(0), end - start);
    EXPECT_EQ(sample(0, 0), audioAt(start - 2));
    EXPECT_EQ(sample(0, end - start - 1), audioAt(end - 3));
}

TEST_F(KitImport, FactoryKitsCarryTheirTextAtOffset104) {
    std::vector<float> audio(100);
    for (int32_t i = 0; i < 100; ++i) audio[static_cast<std::size_t>(i)] = static_cast<float>(i) / 128.0f;
    Bytes bytes = buildKv7Aiff(kitText({0, positionToKitValue(10)}, {positionToKitValue(10), positionToKitValue(30)}), audio.data(), 100);
    // A chunk of 50 bytes before APPL moves the text from offset 46 to 104.
    Bytes name = {'N', 'A', 'M', 'E', 0, 0, 0, 50};
    name.insert(name.end(), 50, ' ');
    bytes.insert(bytes.begin() + 38, name.begin(), name.end());
    kittest::put32(bytes, 4, kittest::be32(bytes, 4) + 58);
    const std::string path = scratch.path("factory.aif");
    kittest::writeBytes(path, bytes);
    LoadResult result;
    const std::string log = traced([&] { result = load(path, 4); });
    EXPECT_EQ(log.rfind("\n FACTORY KV7 HEADER LOCATED, going to read afterwards", 0), 0u);
    EXPECT_TRUE(result.kitImported && length(0) == 9 && length(1) == 20);
    EXPECT_EQ(sample(1, 0), audio[7]);  // index 9 of slot 0's buffer, two samples late
    // The check only looks at offset 46, but libsndfile knows the file as an AIFF.
    EXPECT_TRUE(CheckIfValidSoundFile(path.c_str()));
}

TEST_F(KitImport, TheKitAudioIsDecodedInTheEncodingItsHeaderGives) {
    // Our layout with 8-bit samples: COMM says 8 bits, SSND holds one byte a sample.
    Bytes bytes = buildKv7Aiff(kitText({0, positionToKitValue(50)}, {positionToKitValue(50), positionToKitValue(100)}), nullptr, 0);
    bytes[27] = 8;
    const std::size_t ssnd = bytes.size() - 18;
    bytes.resize(ssnd + 16);
    for (int i = 0; i < 120; ++i) bytes.push_back(static_cast<unsigned char>(static_cast<int8_t>(i - 60)));
    kittest::put32(bytes, 22, 120);
    kittest::put32(bytes, ssnd + 4, 128);
    kittest::put32(bytes, 4, static_cast<uint32_t>(bytes.size() - 8));
    kittest::writeBytes(scratch.path("eight-bit.aif"), bytes);
    const LoadResult result = load(scratch.path("eight-bit.aif"), 0);
    ASSERT_TRUE(result.kitImported) << result.message;
    const int32_t start1 = kitValueToPosition(positionToKitValue(50));
    EXPECT_EQ(length(1), kitValueToPosition(positionToKitValue(100)) - start1);
    EXPECT_EQ(sample(1, 0), static_cast<float>(start1 - 2 - 60) / 128.0f);
    EXPECT_EQ(sample(0, 2), -60.0f / 128.0f);
}

}  // namespace
