// The editor window's pictures, drawn at build time and compiled in as the pixels cairo draws from.
#pragma once

#include <cstdint>

struct WindowPicture {
    int resourceId;
    // Window pixels per layout pixel it was drawn for; width and height are its own pixels.
    double scale;
    int width;
    int height;
    // Opaque pixels, one native 32-bit word each (0xFFRRGGBB), row after row without padding.
    const std::uint32_t* pixels;
};

// The scales the pictures are drawn for: a window at another scale resamples the nearest.
inline constexpr double kWindowPictureScales[] = {1, 1.5, 2};

// The four pictures of the editor window, by resource id 128..131 and scale; null for any other.
// Their sizes at scale 1 (at another, times the scale):
//   128  window background, 440 x 756
//   129  export button: resting and pressed, 230 x 32 each, stacked top to bottom
//   130  drop zone: resting and highlighted, 238 x 56 each, stacked top to bottom
//   131  display-mode switch: positions 0..4, 228 x 36 each, stacked top to bottom
const WindowPicture* findWindowPicture(int resourceId, double scale = 1);
