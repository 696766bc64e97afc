#include "vstgui/platform/x11/x11scalefactor.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace VSTGUI {
namespace {

constexpr double kMinScale = 1;
constexpr double kMaxScale = 4;

// The whole text as a number, or NaN.
double number(const char* text) {
    if (!text || !*text) return NAN;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return *end == '\0' ? value : NAN;
}

bool inRange(double scale) { return scale >= kMinScale && scale <= kMaxScale; }

// Xft.dpi as the resource database matches it (xrdb may give it as "*dpi", say).
double xftDpi(const std::string& resources) {
    if (resources.empty()) return NAN;
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(resources.c_str());
    char* type = nullptr;
    XrmValue value{};
    double dpi = NAN;
    if (database && XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
        dpi = number(value.addr);
    if (database) XrmDestroyDatabase(database);
    return dpi;
}

std::string serverResources() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return {};
    const char* resources = XResourceManagerString(display);
    std::string copy = resources ? resources : "";
    XCloseDisplay(display);
    return copy;
}

}  // namespace

double resolveScaleFactor(const ScaleSources& sources) {
    if (inRange(sources.host)) return sources.host;
    if (const double own = number(sources.ownVariable); inRange(own)) return own;
    if (const double gdk = number(sources.gdkScale); inRange(gdk) && gdk == std::floor(gdk)) return gdk;
    const double dpi = sources.resources ? xftDpi(sources.resources()) : NAN;
    if (!(dpi > 0) || !std::isfinite(dpi)) return 1;
    // 144 dpi is 1.5, 120 is 1.25; a screen below 96 dpi is not drawn smaller.
    return std::clamp(std::round(dpi / 96 * 4) / 4, kMinScale, kMaxScale);
}

double desktopScaleFactor(double host) {
    return resolveScaleFactor({host, std::getenv("TEMBRO_LAXIS_SCALE"), std::getenv("GDK_SCALE"), serverResources});
}

}  // namespace VSTGUI
