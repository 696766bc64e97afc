// Writing kits: the kit file's values and metadata text (also as read back, leniently), the kit
// export and the individual slot export byte for byte as the format fixes them, and file names.
#include <sys/stat.h>

#include <cmath>

#include "kit_test_support.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/kit_metadata_text.h"
#include "kitfiles/slot_export.h"
#include "kitfiles/text_helpers.h"

using namespace kitfiles;
using namespace kittest;

namespace {

TEST(KitValues, ConvertAsTheInstrumentDoes) {
    for (const auto& [position, value] : {std::pair{0, 0}, {44100, 178956970}, {44099, 178952912}, {264600, 1073741823},
                                          {529200, 2147483646}, {-5, 0}, {24 * 529200, 2147483646}})
        EXPECT_EQ(positionToKitValue(position), value) << position;
    for (const auto& [value, position] : {std::pair{178956970, 44099}, {178952912, 44098}, {1073741823, 264600},
                                          {2147483646, 529200}, {2147483647, 529200}, {-1, 0}, {0, 0}})
        EXPECT_EQ(kitValueToPosition(value), position) << value;
    // Old-version texts: 32768 spans a slot, in single precision (16.149... truncated).
    for (const auto& [value, position] : {std::pair{32768, 529200}, {16384, 264600}, {1, 16}, {-7, 0}, {INT32_MAX, INT32_MAX}})
        EXPECT_EQ(oldKitValueToPosition(value), position) << value;
    for (const auto& [semitones, value] : {std::pair{-1, -256}, {1, 512}, {-48, -24320}, {0, 0}})
        EXPECT_EQ(pitchToKitValue(semitones), value) << semitones;
    for (const auto& [value, semitones] : {std::pair{-256, -1}, {-768, -2}, {0, 0}, {256, 0}, {512, 1}, {INT32_MIN, -4194304}})
        EXPECT_EQ(kitValueToPitch(value), semitones) << value;
    for (int32_t semitones = -48; semitones <= 48; ++semitones) EXPECT_EQ(kitValueToPitch(pitchToKitValue(semitones)), semitones);
    EXPECT_TRUE(pitchParameterFromKitValue(0) == 0.5f && pitchParameterFromKitValue(-24320) == 0.0f);
    for (const auto& [mode, value] : {std::pair{0, 8000}, {1, 8192}, {2, 16384}, {7, 16384}}) EXPECT_EQ(playModeToKitValue(mode), value);
    for (const auto& [value, parameter] : {std::pair{8100, 0.0f}, {8101, 0.5f}, {15999, 0.5f}, {16000, 1.0f}})
        EXPECT_EQ(playModeParameterFromKitValue(value), parameter) << value;
    EXPECT_TRUE(reverseParameterFromKitValue(12001) == 0.0f && reverseParameterFromKitValue(12002) == 1.0f);
    EXPECT_TRUE(volumeParameterFromKitValue(8192) == 0.5f && volumeParameterFromKitValue(20000) == 1.0f);
    // Samples: x * 32768 truncated toward zero, saturated at full scale, NaN as silence.
    for (const auto& [x, value] : {std::pair{0.0f, 0}, {0.5f, 16384}, {-1.0f, -32768}, {1.0f, 32767}, {1.5f, 32767},
                                   {-3.0f, -32768}, {std::nanf(""), 0}, {1.9f / 32768, 1}, {-1.9f / 32768, -1}})
        EXPECT_EQ(encodeSample(x), value) << x;
}

KitTextValues settingsForEverySlot(int32_t playMode, int32_t reverse, int32_t volume) {
    KitTextValues values{};
    for (int32_t slot = 0; slot < kNumSlots; ++slot) values.playMode[slot] = playMode, values.reverse[slot] = reverse, values.volume[slot] = volume;
    return values;
}

// The text of the two-slot kit of 44100 and 22050 samples.
KitTextValues twoSlotKit() {
    KitTextValues values = settingsForEverySlot(kPlayModeValueOneShot, kReverseValueOff, 8192);
    values.end[0] = 178948854;
    for (int32_t slot = 1; slot < kNumSlots; ++slot) values.start[slot] = 178952912, values.end[slot] = 268423281;
    return values;
}

TEST(KitText, IsPaddedToAnEvenLengthAndHasItsExactLayout) {
    for (const auto& [before, after] : {std::pair{1216u, 1216u}, {1217u, 1218u}, {1218u, 1220u}, {1219u, 1222u}}) {
        std::string text(before, 'x');
        padKitMetadataText(text);
        EXPECT_EQ(text, std::string(before, 'x') + std::string(after - before, ' '));
    }
    const std::string text = buildKitMetadataText(twoSlotKit());
    EXPECT_EQ(text.size(), 1218u);
    EXPECT_EQ(text.substr(1216), "} ");
    EXPECT_EQ(text.rfind("kv-7{\"drum_version\":1,\"type\":\"drum\",\"name\":\"user\",\"octave\":0,\"pitch\":[0,0,", 0), 0u);
    EXPECT_NE(text.find("],\"start\":[0,178952912,178952912,"), std::string::npos);
    EXPECT_NE(text.find("],\"end\":[178948854,268423281,"), std::string::npos);
    EXPECT_NE(text.find("\"lfo_params\":[16000,16000,16000,16000,0,0,0,0]}"), std::string::npos);
    // The widest values make the longest text.
    KitTextValues widest = settingsForEverySlot(16384, 16384, 16384);
    for (int32_t slot = 0; slot < kNumSlots; ++slot)
        widest.pitch[slot] = -24320, widest.start[slot] = widest.end[slot] = 2147483646;
    EXPECT_EQ(buildKitMetadataText(widest).size(), 1466u);
}

TEST(KitText, ReadsBackWhatItWritesAndReadsBrokenTextsLeniently) {
    KitTextValues values{};
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        values.pitch[slot] = pitchToKitValue(slot - 12);
        values.start[slot] = positionToKitValue(slot * 1000);
        values.end[slot] = positionToKitValue(slot * 1000 + 999);
        values.playMode[slot] = playModeToKitValue(slot % 3);
        values.reverse[slot] = slot % 2 ? kReverseValueOn : kReverseValueOff;
        values.volume[slot] = slot * 100;
    }
    const std::string text = buildKitMetadataText(values);
    const KitTextReading reading = readKitMetadataText(text.c_str());
    EXPECT_TRUE(reading.newVersion);
    EXPECT_EQ(reading.startKeyIndex, static_cast<int32_t>(text.find("start")));
    EXPECT_EQ(std::memcmp(&reading.values, &values, sizeof values), 0);

    // No "drum_version": the old version. Only pitches keep a minus. A short list runs on into the
    // text after it; with no comma after a number, the next comes from the start of the text, where
    // the signature gives 7.
    const KitTextReading old = readKitMetadataText("kv-7{\"pitch\":[-768,0],\"volume\":[-5,3]}");
    EXPECT_FALSE(old.newVersion);
    EXPECT_EQ(std::vector<int32_t>(old.values.pitch, old.values.pitch + 5), (std::vector<int32_t>{-768, 0, -5, 3, -7}));
    EXPECT_EQ(std::vector<int32_t>(old.values.volume, old.values.volume + 3), (std::vector<int32_t>{5, 3, 7}));
    // A missing key reads from near the start of the text; nothing is read past its end.
    const KitTextReading none = readKitMetadataText("kv-7");
    EXPECT_EQ(none.startKeyIndex, -2);
    EXPECT_EQ(none.values.start[0], 0);
    for (int32_t slot = 1; slot < kNumSlots; ++slot) EXPECT_EQ(none.values.start[slot], 7);
    EXPECT_EQ(readKitMetadataText("").values.end[23], 0);
    EXPECT_EQ(readKitMetadataText("\"end\":[").values.end[0], 0);
}

TEST(TextHelpers, FileNameOnlyKeepsUpTo43CharactersWithoutAThreeLetterExtension) {
    const std::string fifty(50, 'n');
    for (const auto& [path, name] : {std::pair<std::string, std::string>{"/Volumes/disk/kick.wav", "kick"},
                                     {"/Volumes/disk/kick.aiff", "kick.aiff"}, {"/kick.wav", ""}, {"kick.wav", ""},
                                     {"/////From Kv-7 import", "From Kv-7 import"}, {"C:\\x\\y.wav", "y"}, {"/a/Clap.WAV", "Clap"},
                                     {"/a/a.b", "a.b"}, {"", ""}, {"/a/dir/", ""}, {"/a/" + fifty + ".wav", std::string(43, 'n')},
                                     // cut to 43 first; a dot then fourth from the end still cuts
                                     {"/a/" + std::string(39, 'n') + ".abcdefgh", std::string(39, 'n')}}) {
        char buffer[512];
        std::strcpy(buffer, path.c_str());
        FileNameOnly(buffer);
        EXPECT_EQ(std::string(buffer), name) << path;
    }
}


class KitExport : public kittest::KitFixture {
protected:
    KitExportResult exportTo(const std::string& name) { return Save_All_Buffer_To_KV7_File(*effect, slotPaths, scratch.path(name).c_str()); }
    static KitTextReading textOf(const Bytes& bytes) {
        const std::string text(bytes.begin() + 46, bytes.begin() + 46 + be32(bytes, 42));
        return readKitMetadataText(text.c_str());
    }
};

TEST_F(KitExport, ATwoSlotKitIsWrittenByteForByte) {
    const auto ramp0 = kittest::ramp(44100), ramp1 = kittest::ramp(22050, 1.0f / 16384.0f);
    fill(0, ramp0);
    fill(1, ramp1);
    EXPECT_EQ(exportTo("two.aif").frames, 66148);
    const Bytes bytes = readBytes(scratch.path("two.aif"));
    ASSERT_EQ(bytes.size(), 133618u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 46),
              (Bytes{'F', 'O', 'R', 'M', 0x00, 0x02, 0x09, 0xEA, 'A', 'I', 'F', 'F', 'C', 'O', 'M', 'M', 0, 0, 0, 0x12, 0, 1,
                     0x00, 0x01, 0x02, 0x64, 0, 0x10, 0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0, 'A', 'P', 'P', 'L', 0, 0, 0x04, 0xC4}));
    EXPECT_EQ(Bytes(bytes.begin() + 46 + 1216, bytes.begin() + 46 + 1220), (Bytes{'}', ' ', 0, 0}));  // one space, two zeros
    Bytes tail = {'M', 'A', 'R', 'K', 0, 0, 0, 2, 0, 0, 'I', 'N', 'S', 'T', 0, 0, 0, 0x14, 0x3C, 0, 0, 0x7F, 1, 0x7F, 0, 0};
    tail.insert(tail.end(), 12, 0);
    tail.insert(tail.end(), {'S', 'S', 'N', 'D', 0x00, 0x02, 0x04, 0xD2, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Bytes(bytes.begin() + 1266, bytes.begin() + 1320), tail);
    // The kit audio: slot 0 without its last sample, then slot 1 without its last, then a zero.
    for (const auto& [frame, expected] : {std::pair{0, ramp0[0]}, {44098, ramp0[44098]}, {44099, ramp1[0]}, {66147, ramp1[22048]}, {66148, 0.0f}})
        EXPECT_EQ(be16s(bytes, 1320 + 2 * static_cast<std::size_t>(frame)), encodeSample(expected)) << frame;
    EXPECT_EQ(std::string(bytes.begin() + 46, bytes.begin() + 46 + 1218), buildKitMetadataText(twoSlotKit()));
}

// Regions by slot length: a slot adds its samples but the last; an empty slot repeats the region
// (and the settings) of the slot before it, and an empty slot 0 gets 0 to 128 and slot 1's settings.
TEST_F(KitExport, EverySlotGetsARegionAndSettings) {
    const struct {
        std::vector<int32_t> lengths;
        int32_t total;
        std::vector<int32_t> start, end, settings;  // of slots 0, 1, 2 ...
    } cases[] = {
        {{0, 0, 0, 0, 0, 1000}, 999, {0, 0, 0, 0, 0, 0, 0}, {128, 128, 128, 128, 128, 998, 998}, {1, 0, 1, 2, 3, 5, 5}},
        {{100, 1, 50}, 148, {0, 99, 99, 99}, {98, 98, 147, 147}, {0, 1, 2, 2}},
        {{1}, 0, {0, 0, 0}, {0, 0, 0}, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        for (int32_t slot = 0; slot < kNumSlots; ++slot)
            effect->BufferLength[slot] = slot < static_cast<int32_t>(c.lengths.size()) ? c.lengths[slot] : 0;
        const KitLayout layout = layOutKit(*effect);
        EXPECT_EQ(layout.total, c.total);
        for (std::size_t slot = 0; slot < c.start.size(); ++slot) {
            EXPECT_EQ(layout.start[slot], c.start[slot]) << c.total << " slot " << slot;
            EXPECT_EQ(layout.end[slot], c.end[slot]) << c.total << " slot " << slot;
            EXPECT_EQ(layout.settingsSlot[slot], c.settings[slot]) << c.total << " slot " << slot;
        }
    }
    // Settings travel with the settings slot: slot 2 is written with slot 1's pitch.
    clearKit();
    fill(5, std::vector<float>(1000, 0.25f));
    effect->setParameter(kParamPitch + 1, (-3.0f + 48.0f) / 96.0f);
    effect->setParameter(kParamPlayMode + 5, 1.0f);
    effect->setParameter(kParamReverse + 5, 1.0f);
    effect->setParameter(kParamVolume + 5, 1.0f);
    ASSERT_EQ(exportTo("five.aif").outcome, KitExportResult::Outcome::Written);
    const KitTextValues v = textOf(readBytes(scratch.path("five.aif"))).values;
    EXPECT_EQ((std::vector<int32_t>{v.pitch[0], v.pitch[1], v.pitch[2], v.playMode[6], v.reverse[6], v.volume[5], v.end[0]}),
              (std::vector<int32_t>{-1280, 0, -1280, 16384, 16384, 16384, positionToKitValue(128)}));
}

TEST_F(KitExport, ASlotInUseHasAPathAndASoundAndEvenTheSmallestKitIsWhole) {
    std::strcpy(slotPaths[3], "/a/b/c.wav");
    effect->BufferLength[4] = 100;
    EXPECT_EQ(exportTo("none.aif").outcome, KitExportResult::Outcome::NothingInUse);
    EXPECT_FALSE(std::filesystem::exists(scratch.path("none.aif")));
    // Once a slot is in use, slot 4's sound without a path goes into the kit audio too.
    fill(3, std::vector<float>(10, 0.1f));
    EXPECT_EQ(exportTo("some.aif").frames, 9 + 99);

    // Nothing gathered at all still makes a whole file: the header and the trailing zero sample.
    clearKit();
    fill(0, {0.5f});
    ASSERT_EQ(exportTo("empty.aif").outcome, KitExportResult::Outcome::Written);
    const Bytes empty = readBytes(scratch.path("empty.aif"));
    EXPECT_TRUE(be32(empty, 22) == 0u && empty.size() == be32(empty, 4) + 8);

    fill(0, std::vector<float>(MAX_BUFFERLENGTH - 100, 0.0f));
    fill(1, std::vector<float>(100, 0.0f));
    EXPECT_TRUE(kitFitsForExport(*effect));
    effect->BufferLength[2] = 1;
    EXPECT_FALSE(kitFitsForExport(*effect));
}

TEST(ExportNames, KitAndSlotFileNamesAreNormalised) {
    auto kit = [](const char* chosen) {
        char name[kSlotPathSize];
        return normaliseKitFileName(chosen, name) ? std::string(name) : std::string("<refused>");
    };
    auto base = [](const char* chosen) {
        char name[kSlotPathSize];
        return makeSlotFileBaseName(chosen, name) ? std::string(name) : std::string("<refused>");
    };
    const std::string k507(507, 'k'), k504(504, 'k');
    for (const auto& [chosen, kitName, baseName] :
         {std::tuple<std::string, std::string, std::string>{"kit.WAV", "kit.aif", "kit_00.aif"},
          {"kit.AIF", "kit.AIF", "kit_00.AIF"}, {"kit.aifc", "kit.aif", "kit_00.aif"}, {"kit.AIFC", "kit.AIF", "kit_00.AIF"},
          {"kit.aiff", "kit.aiff.aif", "kit.aiff_00.aif"}, {"kit", "kit.aif", "kit_00.aif"},
          {"/a/b.c/kit", "/a/b.c/kit.aif", "/a/b.c/kit_00.aif"}, {"wav", "wav.aif", "wav_00.aif"}, {"", "<refused>", "<refused>"},
          {k504, k504 + ".aif", k504 + "_00.aif"},  // 511 characters: the last slot file name that fits
          {k507, k507 + ".aif", "<refused>"}, {k507 + ".wav", k507 + ".aif", "<refused>"}, {k507 + "k", "<refused>", "<refused>"}}) {
        EXPECT_EQ(kit(chosen.c_str()), kitName) << chosen;
        EXPECT_EQ(base(chosen.c_str()), baseName) << chosen;
    }
    EXPECT_EQ(kit(nullptr), "<refused>");
    for (const auto& [slot, name] : {std::pair{0, "kit_01.aif"}, {8, "kit_09.aif"}, {9, "kit_10.aif"}, {23, "kit_24.aif"}}) {
        char path[kSlotPathSize];
        fillSlotFileName("kit_00.aif", slot, path);
        EXPECT_STREQ(path, name);
    }
}

TEST_F(KitExport, ExportingOntoALinkUpdatesTheFileItNames) {
    fill(0, std::vector<float>(100, 0.1f));
    ASSERT_EQ(exportTo("real.aif").outcome, KitExportResult::Outcome::Written);
    std::filesystem::create_symlink(scratch.path("real.aif"), scratch.path("link.aif"));
    fill(0, std::vector<float>(300, 0.1f));
    ASSERT_EQ(exportTo("link.aif").outcome, KitExportResult::Outcome::Written);
    EXPECT_TRUE(std::filesystem::is_symlink(scratch.path("link.aif")));
    EXPECT_EQ(be32(readBytes(scratch.path("real.aif")), 22), 299u);
    struct stat info;
    ASSERT_EQ(stat(scratch.path("real.aif").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IRGRP, 0u);  // not left private like a temporary file
}

TEST_F(KitExport, EverySlotOfTwoSamplesOrMoreGetsASlotFileThatLoadsBack) {
    const auto ramp = kittest::ramp(44100);
    fill(0, ramp);
    fill(3, {0.5f, -0.25f});
    fill(9, {0.5f});
    fill(23, std::vector<float>(10, 1.0f));
    const SlotExportResult result = Save_All_Files_Individually(*effect, scratch.path("drums.wav").c_str());
    EXPECT_TRUE(!result.refused && result.failed.empty());
    EXPECT_EQ(result.written, (std::vector<std::string>{scratch.path("drums_01.aif"), scratch.path("drums_04.aif"),
                                                        scratch.path("drums_24.aif")}));
    const Bytes big = readBytes(scratch.path("drums_01.aif")), pair = readBytes(scratch.path("drums_04.aif"));
    EXPECT_EQ((std::vector<uint32_t>{uint32_t(big.size()), be32(big, 4), be32(big, 22), be32(big, 42), be32(big, 132)}),
              (std::vector<uint32_t>{88346, 88338, 44100, 44, 88210}));
    EXPECT_EQ(std::string(big.begin() + 46, big.begin() + 94), std::string(kSlotFileComment) + std::string(2, '\0') + "MARK");
    // The last sample goes out too, then a zero.
    EXPECT_TRUE(be16s(big, 144 + 2 * 44099) == encodeSample(ramp[44099]) && be16s(big, 144 + 2 * 44100) == 0);
    EXPECT_EQ((std::vector<int16_t>{int16_t(pair.size()), be16s(pair, 144), be16s(pair, 146), be16s(pair, 148)}), (std::vector<int16_t>{150, 16384, -8192, 0}));
    EXPECT_EQ(be16s(readBytes(scratch.path("drums_24.aif")), 144), 32767);

    // A slot file loads back with the header's count, not the data's one more.
    std::strcpy(slotPaths[5], result.written[0].c_str());
    EXPECT_TRUE(CheckIfValidSoundFile(slotPaths[5]));
    EXPECT_FALSE(LoadExec_This_Sound_From_File(*effect, slotPaths, slotPaths[5], kLoadSoundFile, 5).kitImported);
    EXPECT_TRUE(length(5) == 44100 && sample(5, 2) == ramp[0] && sample(5, 44096) == ramp[44094]);
}

}  // namespace
