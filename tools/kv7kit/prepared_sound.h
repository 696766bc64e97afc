// A sound on its way into a kit when build's options change it: the whole file, mixed to one
// channel as the plug-in mixes it, at the file's own rate, and the steps that prepare it, in the
// order build runs them. Each step is a thin layer over the library made for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PreparedSound {
    std::string path;
    std::vector<float> samples;  // mono
    double rate = 44100.0;
};

struct PreparationOptions {
    bool resample = false;
    std::optional<double> trimDb;
    std::optional<double> normalizeDb;
    std::optional<double> loudnessLufs;
    std::optional<double> fadeOutMs;
    bool fit = false;

    bool changesSounds() const { return resample || trimDb || normalizeDb || loudnessLufs || fadeOutMs || fit; }
};

// Reads all of path; ToolError when it is no mono or stereo sound libsndfile reads.
PreparedSound decodeSound(const std::string& path);

// libsoxr, very high quality: a sound not at 44100 Hz is converted to it. False when it already was.
bool resampleToKitRate(PreparedSound& sound);
// Cuts what lies below db (dBFS) at both ends, keeping 5 ms before the first sample above it and
// 15 ms after the last. ToolError when nothing reaches db.
void trimSilence(PreparedSound& sound, double db);
// One gain so the sample peak lands on db (dBFS); a silent sound stays silent.
void normalizePeak(PreparedSound& sound, double db);
// One gain so the EBU R128 loudness (libebur128) lands on lufs, limited so no sample reaches full
// scale. A sound shorter than a 400 ms measuring block is measured padded with silence to one.
void normalizeLoudness(PreparedSound& sound, double lufs);
// A linear fade over the last ms milliseconds (the whole sound when it is shorter).
void fadeOut(PreparedSound& sound, double ms);

// aubio's onsets (threshold on its own scale, gaps counted from the last onset taken), in frames.
std::vector<int64_t> findOnsets(const PreparedSound& sound, double threshold, double minGapMs);

struct FitCut {
    std::string path;
    int64_t before, after;  // frames
};
// Shortens the longest sounds from their ends to one equal length, fading each cut over fadeMs,
// until the set adds up to at most budget frames. Answers what was cut, in the sounds' order.
std::vector<FitCut> fitToBudget(std::vector<PreparedSound>& sounds, int64_t budget, double fadeMs);
