// The steps build's options run on each sound, on sounds the test makes: each gives the samples it
// promises, measured the way its library measures them.
#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>

#include "kit_test_support.h"
#include "prepared_sound.h"

namespace {

PreparedSound sine(double rate, double seconds, double frequency, float level) {
    PreparedSound sound{"sine.wav", std::vector<float>(static_cast<size_t>(rate * seconds)), rate};
    for (size_t i = 0; i < sound.samples.size(); ++i) sound.samples[i] = level * static_cast<float>(std::sin(2 * M_PI * frequency * i / rate));
    return sound;
}

float peak(const PreparedSound& sound) {
    float p = 0.0f;
    for (float x : sound.samples) p = std::max(p, std::fabs(x));
    return p;
}

double loudness(const PreparedSound& sound) {
    ebur128_state* meter = ebur128_init(1, static_cast<unsigned long>(sound.rate), EBUR128_MODE_I);
    ebur128_add_frames_float(meter, sound.samples.data(), sound.samples.size());
    double lufs = 0.0;
    ebur128_loudness_global(meter, &lufs);
    ebur128_destroy(&meter);
    return lufs;
}

TEST(SoundPreparation, ResamplingKeepsFrequencyAndLength) {
    kittest::ScratchFolder scratch;
    const PreparedSound made = sine(48000, 1.0, 1000, 0.5f);
    kittest::writeSound(scratch.path("s.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 48000, made.samples);
    PreparedSound sound = decodeSound(scratch.path("s.wav"));
    ASSERT_TRUE(resampleToKitRate(sound));
    EXPECT_NEAR(static_cast<double>(sound.samples.size()), 44100.0, 1.0);
    int crossings = 0;
    for (size_t i = 1; i < sound.samples.size(); ++i) crossings += (sound.samples[i - 1] < 0) != (sound.samples[i] < 0);
    EXPECT_NEAR(crossings / 2.0, 1000.0, 1.0);  // 0.1 %
    EXPECT_FALSE(resampleToKitRate(sound));
}

TEST(SoundPreparation, TrimLevelAndFadeGiveTheirSamples) {
    // 1000 quiet, 2000 loud, 3000 quiet samples: trimmed to 5 ms before and 15 ms after the loud part.
    PreparedSound sound{"t.wav", std::vector<float>(6000, 0.0005f), 44100.0};
    std::fill(sound.samples.begin() + 1000, sound.samples.begin() + 3000, 0.5f);
    trimSilence(sound, -60);
    EXPECT_EQ(sound.samples.size(), 221u + 2000u + 662u);
    EXPECT_EQ(sound.samples[220], 0.0005f);
    EXPECT_EQ(sound.samples[221], 0.5f);
    PreparedSound silent{"q.wav", std::vector<float>(100, 0.0001f), 44100.0};
    EXPECT_THROW(trimSilence(silent, -60), std::exception);

    normalizePeak(sound, -6);
    EXPECT_NEAR(peak(sound), std::pow(10.0, -6 / 20.0), 1e-6);
    fadeOut(sound, 10);
    const size_t end = sound.samples.size();
    EXPECT_NEAR(sound.samples[end - 441 - 1], 0.0005f * std::pow(10.0f, -6 / 20.0f) / 0.5f, 1e-6);  // before the fade
    EXPECT_LT(sound.samples[end - 1], sound.samples[end - 220]);
    EXPECT_LT(sound.samples[end - 1], 0.5f / 441);

    for (const auto& [level, target] : {std::pair{0.05f, -14.0}, {0.9f, -20.0}, {0.5f, -1.5}}) {
        PreparedSound tone = sine(44100, 1.0, 440, level);
        normalizeLoudness(tone, target);
        EXPECT_LT(peak(tone), 1.0f);
        if (target < -3) {
            EXPECT_NEAR(loudness(tone), target, 0.5) << level;
        }  // else held back below full scale
    }
}

// Clicks at known frames of a made-up loop are found within 10 ms; silence has none.
TEST(SoundPreparation, OnsetsAreFoundWhereTheClicksAre) {
    const std::vector<int64_t> clicks = {11025, 22050, 30000, 44100, 66150};
    PreparedSound loop{"loop.wav", std::vector<float>(88200, 0.0f), 44100.0};
    for (int64_t click : clicks)
        for (int64_t k = 0; k < 2000; ++k)
            loop.samples[static_cast<size_t>(click + k)] = 0.8f * std::exp(-k / 300.0f) * std::sin(2 * M_PI * 200 * k / 44100.0);
    const std::vector<int64_t> found = findOnsets(loop, 0.3, 50);
    ASSERT_EQ(found.size(), clicks.size());
    for (size_t i = 0; i < clicks.size(); ++i) EXPECT_NEAR(found[i], clicks[i], 441);
    EXPECT_EQ(findOnsets(loop, 0.3, 300).size(), 3u);  // 22050 and 30000 within 300 ms of the one before
    EXPECT_TRUE(findOnsets(PreparedSound{"s.wav", std::vector<float>(44100, 0.0f), 44100.0}, 0.3, 50).empty());
}

TEST(SoundPreparation, FitCutsTheLongestToOneLengthUntilTheKitHoldsThem) {
    std::vector<PreparedSound> sounds = {sine(44100, 10, 100, 0.5f), sine(44100, 1, 100, 0.5f), sine(44100, 9, 100, 0.5f)};
    const std::vector<FitCut> cuts = fitToBudget(sounds, 529200, 10);
    ASSERT_EQ(cuts.size(), 2u);
    EXPECT_EQ(cuts[0].after, cuts[1].after);
    EXPECT_EQ(cuts[0].before, 441000);
    EXPECT_EQ(sounds[1].samples.size(), 44100u);
    EXPECT_EQ(sounds[0].samples.size() + sounds[1].samples.size() + sounds[2].samples.size(), 529200u);
    EXPECT_TRUE(fitToBudget(sounds, 529200, 10).empty());
}

}  // namespace
