#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "kitfiles/kit_file_format.h"
#include "kitfiles/kit_metadata_text.h"

using namespace kitfiles;

namespace {

KitTextValues initialValues() {
    KitTextValues values{};
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        values.playMode[slot] = kPlayModeValueOneShot;
        values.reverse[slot] = kReverseValueOff;
        values.volume[slot] = 8192;
    }
    return values;
}

TEST(KitPositions, ConvertBothWaysOnTheNewScale) {
    EXPECT_EQ(positionToKitValue(0), 0);
    EXPECT_EQ(positionToKitValue(44100), 178956970);
    EXPECT_EQ(positionToKitValue(44099), 178952912);
    EXPECT_EQ(positionToKitValue(264600), 1073741823);
    EXPECT_EQ(positionToKitValue(529200), 2147483646);
    EXPECT_EQ(positionToKitValue(-5), 0);
    EXPECT_EQ(positionToKitValue(24 * 529200), 2147483646);

    EXPECT_EQ(kitValueToPosition(178956970), 44099);
    EXPECT_EQ(kitValueToPosition(178952912), 44098);
    EXPECT_EQ(kitValueToPosition(1073741823), 264600);
    EXPECT_EQ(kitValueToPosition(2147483646), 529200);
    EXPECT_EQ(kitValueToPosition(2147483647), 529200);
    EXPECT_EQ(kitValueToPosition(-1), 0);
    EXPECT_EQ(kitValueToPosition(0), 0);
}

TEST(KitPositions, ReadOldVersionValuesInSinglePrecision) {
    EXPECT_EQ(oldKitValueToPosition(32768), 529200);
    EXPECT_EQ(oldKitValueToPosition(16384), 264600);
    EXPECT_EQ(oldKitValueToPosition(1), 16);  // 16.149... truncated
    EXPECT_EQ(oldKitValueToPosition(-7), 0);
    EXPECT_EQ(oldKitValueToPosition(INT32_MAX), INT32_MAX);
}

TEST(KitSettings, PitchValuesRoundTrip) {
    EXPECT_EQ(pitchToKitValue(-1), -256);
    EXPECT_EQ(pitchToKitValue(1), 512);
    EXPECT_EQ(pitchToKitValue(-48), -24320);
    EXPECT_EQ(pitchToKitValue(0), 0);
    EXPECT_EQ(kitValueToPitch(-256), -1);
    EXPECT_EQ(kitValueToPitch(-768), -2);
    EXPECT_EQ(kitValueToPitch(0), 0);
    EXPECT_EQ(kitValueToPitch(256), 0);
    EXPECT_EQ(kitValueToPitch(512), 1);
    EXPECT_EQ(kitValueToPitch(INT32_MIN), -4194304);
    for (int32_t semitones = -48; semitones <= 48; ++semitones)
        EXPECT_EQ(kitValueToPitch(pitchToKitValue(semitones)), semitones);
    EXPECT_FLOAT_EQ(pitchParameterFromKitValue(0), 0.5f);
    EXPECT_FLOAT_EQ(pitchParameterFromKitValue(-24320), 0.0f);
}

TEST(KitSettings, ReadRulesForPlayModeReverseAndVolume) {
    EXPECT_EQ(playModeParameterFromKitValue(8100), 0.0f);
    EXPECT_EQ(playModeParameterFromKitValue(8101), 0.5f);
    EXPECT_EQ(playModeParameterFromKitValue(15999), 0.5f);
    EXPECT_EQ(playModeParameterFromKitValue(16000), 1.0f);
    EXPECT_EQ(reverseParameterFromKitValue(12001), 0.0f);
    EXPECT_EQ(reverseParameterFromKitValue(12002), 1.0f);
    EXPECT_EQ(volumeParameterFromKitValue(20000), 1.0f);
    EXPECT_EQ(volumeParameterFromKitValue(8192), 0.5f);
    EXPECT_EQ(playModeToKitValue(PlayModeGate), 8000);
    EXPECT_EQ(playModeToKitValue(PlayModeOneShot), 8192);
    EXPECT_EQ(playModeToKitValue(PlayModeLoop), 16384);
    EXPECT_EQ(playModeToKitValue(7), 16384);
}

TEST(KitSamples, EncodeByTruncationAndSaturateAtFullScale) {
    EXPECT_EQ(encodeSample(0.0f), 0);
    EXPECT_EQ(encodeSample(0.5f), 16384);
    EXPECT_EQ(encodeSample(-1.0f), -32768);
    EXPECT_EQ(encodeSample(1.0f), 32767);
    EXPECT_EQ(encodeSample(1.5f), 32767);
    EXPECT_EQ(encodeSample(-3.0f), -32768);
    EXPECT_EQ(encodeSample(std::nanf("")), 0);
    // Truncated toward zero, not rounded: 1.9 and -1.9 units.
    EXPECT_EQ(encodeSample(1.9f / 32768.0f), 1);
    EXPECT_EQ(encodeSample(-1.9f / 32768.0f), -1);
}

TEST(KitMetadataText, PaddingMakesTheLengthEven) {
    for (const auto& [before, after] : {std::pair{1216u, 1216u}, {1217u, 1218u}, {1218u, 1220u}, {1219u, 1222u}}) {
        std::string text(before, 'x');
        padKitMetadataText(text);
        EXPECT_EQ(text.size(), after);
        EXPECT_EQ(text.find_first_not_of('x'), before == after ? std::string::npos : before);
    }
}

TEST(KitMetadataText, TwoSlotExampleHasItsExactLength) {
    KitTextValues values = initialValues();
    values.start[0] = 0;
    values.end[0] = 178948854;
    for (int32_t slot = 1; slot < kNumSlots; ++slot) {
        values.start[slot] = 178952912;
        values.end[slot] = 268423281;
    }
    const std::string text = buildKitMetadataText(values);
    EXPECT_EQ(text.size(), 1218u);
    EXPECT_EQ(text.back(), ' ');
    EXPECT_EQ(text[1216], '}');
    EXPECT_EQ(text.find('#'), std::string::npos);
    EXPECT_EQ(text.find(' '), 1217u);
    EXPECT_EQ(text.rfind("kv-7{\"drum_version\":1,\"type\":\"drum\",\"name\":\"user\",\"octave\":0,\"pitch\":[0,0,", 0), 0u);
    EXPECT_NE(text.find("],\"start\":[0,178952912,178952912,"), std::string::npos);
    EXPECT_NE(text.find("],\"end\":[178948854,268423281,"), std::string::npos);
    EXPECT_NE(text.find("\"lfo_params\":[16000,16000,16000,16000,0,0,0,0]}"), std::string::npos);
}

TEST(KitMetadataText, WidestValuesReach1465Characters) {
    KitTextValues values{};
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        values.pitch[slot] = -24320;
        values.start[slot] = values.end[slot] = 2147483646;
        values.playMode[slot] = values.reverse[slot] = values.volume[slot] = 16384;
    }
    EXPECT_EQ(buildKitMetadataText(values).size(), 1466u);
}

TEST(KitMetadataText, ReadsBackWhatItWrites) {
    KitTextValues values = initialValues();
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
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(reading.values.pitch[slot], values.pitch[slot]);
        EXPECT_EQ(reading.values.start[slot], values.start[slot]);
        EXPECT_EQ(reading.values.end[slot], values.end[slot]);
        EXPECT_EQ(reading.values.playMode[slot], values.playMode[slot]);
        EXPECT_EQ(reading.values.reverse[slot], values.reverse[slot]);
        EXPECT_EQ(reading.values.volume[slot], values.volume[slot]);
    }
}

TEST(KitMetadataText, LenientReadingOfBrokenTexts) {
    // No "drum_version": the old version. Only "pitch" has a minus kept.
    const KitTextReading old = readKitMetadataText("kv-7{\"pitch\":[-768,0],\"volume\":[-5,3]}");
    EXPECT_FALSE(old.newVersion);
    EXPECT_EQ(old.values.pitch[0], -768);
    EXPECT_EQ(old.values.pitch[1], 0);
    EXPECT_EQ(old.values.volume[0], 5);
    EXPECT_EQ(old.values.volume[1], 3);
    // A short list runs on into the text after it: the pitch list reads -5 and 3 from "volume".
    EXPECT_EQ(old.values.pitch[2], -5);
    EXPECT_EQ(old.values.pitch[3], 3);
    // With no comma after a number the list goes on from the beginning of the text, where the
    // signature "kv-7" gives 7, and -7 in the pitch list.
    EXPECT_EQ(old.values.pitch[4], -7);
    EXPECT_EQ(old.values.volume[2], 7);

    // A missing key reads from near the start of the text; nothing is read past its end.
    const KitTextReading none = readKitMetadataText("kv-7");
    EXPECT_EQ(none.startKeyIndex, -2);
    // The search's -2 plus 8 lies past the end: 0, then the rest from the start of the text.
    EXPECT_EQ(none.values.start[0], 0);
    for (int32_t slot = 1; slot < kNumSlots; ++slot) EXPECT_EQ(none.values.start[slot], 7);
    const KitTextReading empty = readKitMetadataText("");
    EXPECT_EQ(empty.values.end[23], 0);
    const KitTextReading trailing = readKitMetadataText("\"end\":[");
    EXPECT_EQ(trailing.values.end[0], 0);
}

}  // namespace
