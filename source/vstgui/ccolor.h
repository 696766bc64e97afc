// A colour as red, green, blue and alpha, 0 to 255 each.
#pragma once

#include "vstgui/vstguibase.h"

namespace VSTGUI {

struct CColor {
    constexpr CColor() = default;
    constexpr CColor(uint8 r, uint8 g, uint8 b, uint8 a = 255) : red(r), green(g), blue(b), alpha(a) {}

    constexpr bool operator==(const CColor& o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    constexpr bool operator!=(const CColor& o) const { return !(*this == o); }

    uint8 red = 0;
    uint8 green = 0;
    uint8 blue = 0;
    uint8 alpha = 255;
};

constexpr CColor MakeCColor(uint8 r, uint8 g, uint8 b, uint8 a = 255) { return CColor(r, g, b, a); }

inline constexpr CColor kTransparentCColor(255, 255, 255, 0);
inline constexpr CColor kBlackCColor(0, 0, 0, 255);
inline constexpr CColor kWhiteCColor(255, 255, 255, 255);
inline constexpr CColor kGreyCColor(127, 127, 127, 255);
inline constexpr CColor kRedCColor(255, 0, 0, 255);

}  // namespace VSTGUI
