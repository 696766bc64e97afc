// The colours of the editor's own controls and read-outs.
#pragma once

#include "vstgui/ccolor.h"

inline constexpr VSTGUI::CColor PitchRevColor(60, 163, 189, 128);
inline constexpr VSTGUI::CColor PlayVolColor(255, 58, 93, 138);
inline constexpr VSTGUI::CColor DarkGreyCColor(32, 32, 32, 255);
inline constexpr VSTGUI::CColor GreyTranspCColor(158, 158, 158, 98);
inline constexpr VSTGUI::CColor DialogBlue(0, 152, 239, 255);
inline constexpr VSTGUI::CColor DialogHoverGrey(192, 192, 192, 32);
inline constexpr VSTGUI::CColor DialogBackground(24, 24, 24, 255);
