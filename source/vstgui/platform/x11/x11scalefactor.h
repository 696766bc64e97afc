// The window's scale factor S on an X desktop: how many window pixels one unit of the editor's
// layout takes. The first of these that gives a valid one decides:
//   1. the host's (the LV2 face's ui:scaleFactor option), from 1 to 4;
//   2. TEMBRO_LAXIS_SCALE, any number from 1 to 4;
//   3. GDK_SCALE, a whole number from 1 to 4 (GTK takes whole numbers only);
//   4. the X server's Xft.dpi resource: dpi / 96, rounded to the nearest 0.25, from 1 to 4;
// else 1. Anything out of range or not a number is ignored.
#pragma once

#include <functional>
#include <string>

namespace VSTGUI {

struct ScaleSources {
    double host = 0;  // 0 when the host gives none
    const char* ownVariable = nullptr;
    const char* gdkScale = nullptr;
    // The server's resources as xrdb loads them (RESOURCE_MANAGER); asked only when needed.
    std::function<std::string()> resources;
};

double resolveScaleFactor(const ScaleSources& sources);

// The scale for a window shown now on the display DISPLAY names, with the host's (or 0).
// User-interface thread.
double desktopScaleFactor(double host);

}  // namespace VSTGUI
