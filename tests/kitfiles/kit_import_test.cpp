#include <algorithm>
#include <cstdio>
#include <random>

#include "kit_test_support.h"
#include "kitfiles/aiff_writer.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/kit_import.h"
#include "kitfiles/kit_metadata_text.h"
#include "kitfiles/sound_file_loader.h"

using namespace kitfiles;

namespace {

// The metadata text of a kit with the given regions (as text values) and initial settings.
std::string kitText(const std::vector<int32_t>& starts, const std::vector<int32_t>& ends, bool newVersion = true,
                    const std::string& extra = "") {
    std::string text = newVersion ? "kv-7{\"drum_version\":1,\"pitch\":[" : "kv-7{\"pitch\":[";
    auto list = [&](auto value) {
        for (int32_t slot = 0; slot < kNumSlots; ++slot) text += std::to_string(value(slot)) + (slot < 23 ? "," : "");
    };
    list([](int32_t) { return 0; });
    text += "],\"start\":[";
    list([&](int32_t slot) { return slot < static_cast<int32_t>(starts.size()) ? starts[static_cast<std::size_t>(slot)] : 0; });
    text += "],\"end\":[";
    list([&](int32_t slot) { return slot < static_cast<int32_t>(ends.size()) ? ends[static_cast<std::size_t>(slot)] : 0; });
    text += "],\"playmode\":[";
    list([](int32_t) { return 8192; });
    text += "],\"reverse\":[";
    list([](int32_t) { return 8192; });
    text += "],\"volume\":[";
    list([](int32_t) { return 8192; });
    text += "]" + extra + "}";
    padKitMetadataText(text);
    return text;
}

class KitImport : public kittest::KitFixture {
protected:
    LoadResult load(const std::string& path, int32_t slot) {
        std::strcpy(slotPaths[slot], path.c_str());
        return LoadExec_This_Sound_From_File(*effect, slotPaths, slotPaths[slot], kLoadSoundFile, slot);
    }
    // A kit file of our own writing around any text, with audio[i] = i / 32768 wrapped.
    std::string writeKit(const std::string& name, const std::string& text, int32_t frames) {
        std::vector<float> audio(static_cast<std::size_t>(frames));
        for (int32_t i = 0; i < frames; ++i) audio[static_cast<std::size_t>(i)] = static_cast<float>(i % 30000) / 32768.0f;
        const std::string path = scratch.path(name);
        std::string error;
        EXPECT_TRUE(writeKv7Aiff(path, text, audio.data(), frames, error)) << error;
        return path;
    }
    static float audioAt(int32_t i) { return static_cast<float>(i % 30000) / 32768.0f; }
    void expectLengthsInRange() {
        for (int32_t slot = 0; slot < kNumSlots; ++slot) {
            EXPECT_GE(length(slot), 0);
            EXPECT_LT(length(slot), MAX_BUFFERLENGTH);
        }
    }
};

TEST_F(KitImport, TwoSlotKitComesBackCutIntoAllSlots) {
    const auto ramp0 = kittest::ramp(44100);
    const auto ramp1 = kittest::ramp(22050, 1.0f / 16384.0f);
    fill(0, ramp0);
    fill(1, ramp1);
    effect->setParameter(kParamPitch + 0, (-2.0f + 48.0f) / 96.0f);
    effect->setParameter(kParamPitch + 1, (7.0f + 48.0f) / 96.0f);
    effect->setParameter(kParamPlayMode + 0, 0.0f);
    effect->setParameter(kParamPlayMode + 1, 1.0f);
    effect->setParameter(kParamReverse + 1, 1.0f);
    effect->setParameter(kParamVolume + 0, 0.25f);
    const std::string path = scratch.path("two.aif");
    ASSERT_EQ(Save_All_Buffer_To_KV7_File(*effect, slotPaths, path.c_str()).outcome, KitExportResult::Outcome::Written);

    std::unique_ptr<Kv7DrumEdit> exported(effect.release());
    effect.reset(new Kv7DrumEdit(nullptr));
    std::memset(slotPaths, 0, sizeof slotPaths);

    std::FILE* traces = std::tmpfile();
    setTraceStream(traces);
    // Dropped on slot 7, the kit still goes through slot 0.
    const LoadResult result = load(path, 7);
    setTraceStream(nullptr);

    EXPECT_TRUE(result.kitImported);
    EXPECT_EQ(result.changedSlots, kAllSlotsMask);
    EXPECT_TRUE(result.import.newVersion);
    EXPECT_EQ(result.import.starts[0], 0);
    EXPECT_EQ(result.import.ends[0], 44097);
    EXPECT_EQ(result.import.starts[1], 44098);
    EXPECT_EQ(result.import.ends[1], 66146);

    EXPECT_EQ(length(0), 44097);
    for (int32_t slot = 1; slot < kNumSlots; ++slot) EXPECT_EQ(length(slot), 22048) << slot;
    // Slot 0 keeps the decoded kit audio with its two-sample lead-in.
    EXPECT_EQ(effect->SampleBuffer[0][0], 0.0f);
    EXPECT_EQ(effect->SampleBuffer[0][1], 0.0f);
    for (int32_t i = 2; i < 44097; ++i) ASSERT_EQ(effect->SampleBuffer[0][i], ramp0[static_cast<std::size_t>(i - 2)]) << i;
    // Slots 1 to 23 come from indices 44098 to 66145 of slot 0's buffer: kit audio from 44096 on.
    for (int32_t slot = 1; slot < kNumSlots; ++slot) {
        EXPECT_EQ(effect->SampleBuffer[slot][0], ramp0[44096]);
        EXPECT_EQ(effect->SampleBuffer[slot][3], ramp1[0]);
        EXPECT_EQ(effect->SampleBuffer[slot][22046], ramp1[22043]);
        EXPECT_EQ(effect->SampleBuffer[slot][22047], 0.0f);  // index 66145: past what the decoder fills
    }
    EXPECT_EQ(effect->Pitch[0].load(), -2);
    EXPECT_EQ(effect->Pitch[1].load(), 7);
    EXPECT_EQ(effect->Pitch[2].load(), 7);
    EXPECT_EQ(effect->PlayMode[0].load(), PlayModeGate);
    EXPECT_EQ(effect->PlayMode[1].load(), PlayModeLoop);
    EXPECT_TRUE(effect->Reverse[1].load());
    EXPECT_FLOAT_EQ(effect->Volume[0].load(), 0.25f);
    // Every slot's settings come back as written: each empty slot carries those of the slot before it.
    for (const int32_t family : {kParamPitch, kParamPlayMode, kParamReverse, kParamVolume}) {
        for (int32_t slot = 0; slot < kNumSlots; ++slot)
            EXPECT_FLOAT_EQ(effect->getParameter(family + slot), exported->getParameter(family + std::max(slot - 1, std::min(slot, 1))))
                << family << " " << slot;
    }
    EXPECT_EQ(effect->Pitch[3].load(), 0);
    for (int32_t slot = 0; slot < kNumSlots; ++slot) EXPECT_STREQ(slotPaths[slot], "/////From Kv-7 import");

    std::rewind(traces);
    std::string log;
    for (int c; (c = std::fgetc(traces)) != EOF;) log += static_cast<char>(c);
    std::fclose(traces);
    EXPECT_EQ(log.rfind("\n KV7 HEADER LOCATED, going to read afterwards\n NEW drum version!"
                        "\n SearchForSubstring for start says ", 0), 0u);
    EXPECT_NE(log.find("\n start 1 says 178952912 and Starts = 44098\n Starts[1] 44098"), std::string::npos);
    EXPECT_NE(log.find("\n end 0 says 178948854 and Ends = 44097\n ends[0] 44097"), std::string::npos);
    EXPECT_NE(log.find("\n duration set to 22048, ends 66146, starts 44098"), std::string::npos);
}

TEST_F(KitImport, OldVersionPositionsUseTheSmallScale) {
    const std::string path = writeKit("old.aif", kitText({0, 0, 0, 0}, {0, 0, 0, 16384}, false), 300000);
    load(path, 0);
    EXPECT_EQ(length(3), 264600);
    EXPECT_EQ(effect->SampleBuffer[3][0], 0.0f);  // the lead-in comes along
    EXPECT_EQ(effect->SampleBuffer[3][2], audioAt(0));
    EXPECT_EQ(effect->SampleBuffer[3][264599], audioAt(264597));
    EXPECT_EQ(length(0), 0);
}

TEST_F(KitImport, FactoryKitsCarryTheirTextAtOffset104) {
    const std::string text = kitText({0, positionToKitValue(10)}, {positionToKitValue(10), positionToKitValue(30)});
    std::vector<float> audio(100);
    for (int32_t i = 0; i < 100; ++i) audio[static_cast<std::size_t>(i)] = static_cast<float>(i) / 128.0f;
    auto bytes = buildKv7Aiff(text, audio.data(), 100);
    // A chunk of 50 bytes before APPL moves the text from offset 46 to 104.
    std::vector<unsigned char> name = {'N', 'A', 'M', 'E', 0, 0, 0, 50};
    name.insert(name.end(), 50, ' ');
    bytes.insert(bytes.begin() + 38, name.begin(), name.end());
    const uint32_t form = kittest::be32(bytes, 4) + 58;
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(4 + i)] = static_cast<unsigned char>(form >> (24 - 8 * i));
    const std::string path = scratch.path("factory.aif");
    kittest::writeBytes(path, bytes);

    std::FILE* traces = std::tmpfile();
    setTraceStream(traces);
    const LoadResult result = load(path, 4);
    setTraceStream(nullptr);
    std::rewind(traces);
    char first[80] = {};
    EXPECT_EQ(std::fread(first, 1, 54, traces), 54u);
    std::fclose(traces);
    EXPECT_STREQ(first, "\n FACTORY KV7 HEADER LOCATED, going to read afterwards");

    EXPECT_TRUE(result.kitImported);
    EXPECT_EQ(length(0), 9);
    EXPECT_EQ(length(1), 20);
    EXPECT_EQ(effect->SampleBuffer[1][0], audio[7]);  // index 9 of slot 0's buffer, two samples late
    // The check only looks at offset 46, but libsndfile knows the file as an AIFF.
    EXPECT_TRUE(CheckIfValidSoundFile(path.c_str()));
}

TEST_F(KitImport, KitAudioIsDecodedInTheEncodingItsHeaderGives) {
    // Our layout with 8-bit samples: COMM says 8 bits, SSND holds one byte per sample.
    const std::string text = kitText({0, positionToKitValue(50)}, {positionToKitValue(50), positionToKitValue(100)});
    auto bytes = buildKv7Aiff(text, nullptr, 0);
    bytes[27] = 8;
    const std::size_t ssnd = bytes.size() - 18;
    ASSERT_EQ(std::string(bytes.begin() + static_cast<long>(ssnd), bytes.begin() + static_cast<long>(ssnd) + 4), "SSND");
    bytes.resize(ssnd + 16);
    for (int i = 0; i < 120; ++i) bytes.push_back(static_cast<unsigned char>(static_cast<int8_t>(i - 60)));
    auto put32 = [&](std::size_t at, uint32_t value) {
        for (int k = 0; k < 4; ++k) bytes[at + static_cast<std::size_t>(k)] = static_cast<unsigned char>(value >> (24 - 8 * k));
    };
    put32(22, 120);
    put32(ssnd + 4, 120 + 8);
    put32(4, static_cast<uint32_t>(bytes.size() - 8));
    const std::string path = scratch.path("eight-bit.aif");
    kittest::writeBytes(path, bytes);

    const LoadResult result = load(path, 0);
    ASSERT_TRUE(result.kitImported) << result.message;
    const int32_t start1 = kitValueToPosition(positionToKitValue(50));
    EXPECT_EQ(length(1), kitValueToPosition(positionToKitValue(100)) - start1);
    // Slot 0's buffer holds the samples two places late: index start1 is sample start1 - 2.
    EXPECT_EQ(effect->SampleBuffer[1][0], static_cast<float>(start1 - 2 - 60) / 128.0f);
    EXPECT_EQ(effect->SampleBuffer[0][2], -60.0f / 128.0f);
}

TEST_F(KitImport, BackwardRegionsAreEmptyAndSlotZeroKeepsItsOwnRegion) {
    const std::string path = writeKit(
        "odd.aif", kitText({positionToKitValue(1000), positionToKitValue(500)}, {positionToKitValue(1100), positionToKitValue(400)}),
        2000);
    {
        SlotWriteAccess access(*effect, slotBit(1));
        std::fill_n(access.leadingSamples(1, 10), 10, 0.5f);
    }
    load(path, 0);
    EXPECT_EQ(length(1), 0);
    EXPECT_EQ(effect->SampleBuffer[1][0], 0.5f);  // an empty region copies nothing
    // Slot 0's region does not begin the kit audio: its samples are moved down to the buffer's start.
    const int32_t start = kitValueToPosition(positionToKitValue(1000));
    const int32_t end = kitValueToPosition(positionToKitValue(1100));
    ASSERT_EQ(length(0), end - start);
    EXPECT_EQ(effect->SampleBuffer[0][0], audioAt(start - 2));
    EXPECT_EQ(effect->SampleBuffer[0][end - start - 1], audioAt(end - 3));
}

TEST_F(KitImport, TextsWithMissingKeysOrShortListsStayInBounds) {
    for (const std::string& text :
         {std::string("kv-7"), std::string("kv-7{}"), std::string("kv-7{\"start\":[2147483647],\"end\":[-5,99999999999]}"),
          std::string("kv-7{\"end\":[") + std::string(2000, '9') + "]}", std::string("kv-7,,,,,,,,") + std::string(1000, '-'),
          kitText({0}, {2147483646}, true, std::string(1400, ' '))}) {
        SCOPED_TRACE(text.substr(0, 60));
        const std::string path = writeKit("broken.aif", text, 5000);
        const LoadResult result = load(path, 0);
        EXPECT_TRUE(result.kitImported);
        expectLengthsInRange();
    }
}

TEST_F(KitImport, HostileKitFilesNeverCrashTheLoader) {
    fill(0, std::vector<float>(10, 0.1f));
    const std::string good = writeKit("good.aif", kitText({0, positionToKitValue(100)}, {positionToKitValue(100), positionToKitValue(4000)}), 5000);
    const auto bytes = kittest::readBytes(good);

    // Truncated anywhere.
    for (const std::size_t cut : {std::size_t{10}, std::size_t{45}, std::size_t{50}, std::size_t{200}, std::size_t{1000},
                                  bytes.size() - 5000, bytes.size() - 1}) {
        SCOPED_TRACE(cut);
        const std::string path = scratch.path("cut.aif");
        kittest::writeBytes(path, std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
        load(path, 0);
        expectLengthsInRange();
    }

    // Absurd header values: frame counts, channel counts, sample sizes, chunk sizes, data offsets.
    auto patched = [&](std::size_t at, std::vector<unsigned char> value) {
        auto copy = bytes;
        std::copy(value.begin(), value.end(), copy.begin() + static_cast<long>(at));
        const std::string path = scratch.path("patched.aif");
        kittest::writeBytes(path, copy);
        return path;
    };
    const std::size_t ssnd = bytes.size() - 2 * 5001 - 16;
    struct Patch {
        std::size_t at;
        std::vector<unsigned char> value;
    };
    for (const Patch& p : {Patch{22, {0xFF, 0xFF, 0xFF, 0xFF}}, Patch{20, {0x00, 0x00}}, Patch{20, {0xFF, 0xFF}},
                           Patch{20, {0x00, 0x06}}, Patch{26, {0x00, 0x00}}, Patch{26, {0x7F, 0xFF}},
                           Patch{16, {0xFF, 0xFF, 0xFF, 0xF0}}, Patch{42, {0x7F, 0xFF, 0xFF, 0xFF}},
                           Patch{ssnd + 4, {0xFF, 0xFF, 0xFF, 0xFF}}, Patch{ssnd + 8, {0x7F, 0xFF, 0xFF, 0xFF}},
                           Patch{ssnd, {'X', 'X', 'X', 'X'}}, Patch{4, {0, 0, 0, 0}}}) {
        SCOPED_TRACE(p.at);
        load(patched(p.at, p.value), 0);
        expectLengthsInRange();
    }

    // An absurd frame count is limited by the data present.
    load(patched(22, {0x7F, 0xFF, 0xFF, 0xFF}), 0);
    EXPECT_EQ(length(1), kitValueToPosition(positionToKitValue(4000)) - kitValueToPosition(positionToKitValue(100)));

    // Random damage.
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        auto copy = bytes;
        for (int flips = 0; flips < 8; ++flips)
            copy[random() % std::min<std::size_t>(copy.size(), 1400)] = static_cast<unsigned char>(random());
        const std::string path = scratch.path("damaged.aif");
        kittest::writeBytes(path, copy);
        load(path, static_cast<int32_t>(round % kNumSlots));
        expectLengthsInRange();
    }
}

TEST_F(KitImport, AnUnreadableKitChangesNothing) {
    fill(0, std::vector<float>(10, 0.1f));
    const KitImportResult result = Finish_Load_KV7_File(*effect, slotPaths, scratch.path("gone.aif").c_str(), false);
    EXPECT_FALSE(result.imported);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(length(0), 10);
    EXPECT_STREQ(slotPaths[0], "/sounds/x/sound.wav");
}

}  // namespace
