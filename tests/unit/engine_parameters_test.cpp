#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

#include "engine_harness.h"

namespace {

std::string display(Kv7DrumEdit& effect, VstInt32 index) {
    char text[kVstMaxParamStrLen + 8] = "unset";
    effect.getParameterDisplay(index, text);
    return text;
}

TEST(Parameters, FamiliesRoundHalvesAwayFromZeroAndReadBack) {
    EngineHarness h;
    Kv7DrumEdit& e = *h.effect;
    e.setParameter(100, 0.5f);
    EXPECT_EQ(e.Pitch[0], 0);
    EXPECT_EQ(e.getParameter(100), 0.5f);
    e.setParameter(123, 1.0f);
    EXPECT_EQ(e.Pitch[23], 48);
    EXPECT_EQ(display(e, 123), "     48");
    e.setParameter(101, 0.0f);
    EXPECT_EQ(e.Pitch[1], -48);
    e.setParameter(102, 36.5f / 96.0f);  // 36.5 rounds away from zero to 37: -11
    EXPECT_EQ(e.Pitch[2], -11);
    EXPECT_EQ(display(e, 102), "    -11");

    const std::pair<float, std::string> modes[] = {{0.24f, "->  "}, {0.25f, "-> |"}, {0.75f, "Loop"}, {0.0f, "->  "}};
    for (const auto& [value, text] : modes) {
        e.setParameter(124, value);
        EXPECT_EQ(display(e, 124), text) << value;
    }
    e.setParameter(124, 0.75f);
    EXPECT_EQ(e.PlayMode[0], 2);
    EXPECT_EQ(e.getParameter(124), 1.0f);
    e.setParameter(124, 5.0f);  // out of range: no name, and nothing of the caller's buffer stays
    EXPECT_EQ(display(e, 124), "");

    e.setParameter(148, 0.49f);
    EXPECT_FALSE(e.Reverse[0]);
    EXPECT_EQ(display(e, 148), " >>");
    e.setParameter(148, 0.5f);
    EXPECT_TRUE(e.Reverse[0]);
    EXPECT_EQ(display(e, 148), " <<");
    EXPECT_EQ(e.getParameter(148), 1.0f);
    e.setParameter(149, NAN);
    EXPECT_TRUE(e.Reverse[1]);

    const std::tuple<float, float, std::string> volumes[] = {
        {0.0f, 0.0f, " -INF"}, {0.5f, 1.0f, "+ 0"}, {1.0f, 4.0f, "+12"}};
    for (const auto& [value, volume, text] : volumes) {
        e.setParameter(172, value);
        EXPECT_EQ(e.Volume[0], volume);
        EXPECT_EQ(display(e, 172), text);
    }
    e.setParameter(172, std::sqrt(0.5f) * 0.5f);  // gain 0.5: -6 dB
    EXPECT_EQ(display(e, 172), " -6");
    e.setParameter(172, std::sqrt(0.1f) * 0.5f);  // gain 0.1: -20 dB
    EXPECT_EQ(display(e, 172), "-20");
    e.setParameter(172, std::sqrt(2.0f) * 0.5f);  // gain 2: +6 dB
    EXPECT_EQ(display(e, 172), "+ 6");
    e.setParameter(172, 0.5f);
    EXPECT_EQ(e.getParameter(172), 0.5f);
}

TEST(Parameters, IndicesOutsideTheFamiliesDoNothing) {
    EngineHarness h;
    Kv7DrumEdit& e = *h.effect;
    for (VstInt32 index : {0, 1, 2, 4, 99, 196, 500, -1}) {
        e.setParameter(index, 0.0f);
        EXPECT_EQ(e.getParameter(index), 0.0f);
        EXPECT_EQ(display(e, index), "  ");
    }
    EXPECT_EQ(e.getParameter(kParamTrigger), 0.0f);
    for (int32_t s = 0; s < kNumSlots; ++s) {
        EXPECT_EQ(e.Pitch[s], 0);
        EXPECT_EQ(e.PlayMode[s], 1);
        EXPECT_EQ(e.Volume[s], 1.0f);
    }
}

TEST(Parameters, AbsurdValuesSaturateAndStayPlayable) {
    EngineHarness h;
    Kv7DrumEdit& e = *h.effect;
    std::vector<float> sound(100, 0.5f);
    // The first samples read forward and reversed: silence times an infinite gain is no number.
    sound[0] = 0.0f;
    sound[98] = 0.0f;
    h.load(0, sound);
    for (float value : {1e30f, -1e30f, INFINITY, -INFINITY, NAN}) {
        for (VstInt32 family : {kParamPitch, kParamPlayMode, kParamReverse, kParamVolume}) {
            e.setParameter(family, value);
            EXPECT_FALSE(std::isnan(e.getParameter(family))) << family << " " << value;
            char text[kVstMaxParamStrLen];
            std::memset(text, 'x', sizeof text);
            e.getParameterDisplay(family, text);
            EXPECT_NE(std::memchr(text, 0, sizeof text), nullptr) << family << " " << value;
        }
        e.setParameter(kParamTrigger, 0.0f);
        // Any increment, from zero to infinity, stays inside the slot, and any gain gives numbers.
        const StereoBlock out = h.render(64, 0.25f, -0.25f);
        for (size_t f = 0; f < out.right.size(); ++f) {
            ASSERT_TRUE(std::isfinite(out.left[f]) && std::isfinite(out.right[f])) << value << " at " << f;
            EXPECT_LE(std::fabs(out.right[f] + 0.25f), 1.0f);
        }
    }
}

TEST(Programs, OneProgramWithFixedNamesAndNoChunk) {
    EngineHarness h;
    Kv7DrumEdit& e = *h.effect;
    char text[64] = "x";
    e.getProgramName(text);
    EXPECT_STREQ(text, "  ");
    char renamed[] = "My kit";
    e.setProgramName(renamed);
    e.getProgramName(text);
    EXPECT_STREQ(text, "  ");
    EXPECT_TRUE(e.getProgramNameIndexed(0, 0, text));
    EXPECT_STREQ(text, "DefaultProgram  ");
    EXPECT_TRUE(e.getProgramNameIndexed(0, -3, text));
    std::strcpy(text, "untouched");
    EXPECT_FALSE(e.getProgramNameIndexed(0, 1, text));
    EXPECT_STREQ(text, "untouched");
    e.getParameterName(7, text);
    EXPECT_STREQ(text, " ");
    e.getParameterLabel(120, text);
    EXPECT_STREQ(text, "  ");
    void* chunk = &text;
    EXPECT_EQ(e.getChunk(&chunk, false), 0);
    EXPECT_EQ(e.setChunk(text, 10, true), 0);
}

}  // namespace
