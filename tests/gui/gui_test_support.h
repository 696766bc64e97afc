// Helpers for the offscreen GUI tests: a frame drawn into an image, a listener that records what
// controls tell it, and a golden comparison.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "editor/cmycontrollistener.h"
#include "vstgui/ccontrol.h"
#include "vstgui/cframe.h"
#include "vstgui/idatapackage.h"
#include "vstgui/platform/offscreen/offscreenframe.h"
#include "vstgui/vstguieditorinterface.h"

namespace guitest {

using namespace VSTGUI;

// Records every listener call with the control's value then: "value 1", "drop 3", "enter 2" ...
class RecordingListener : public CMyControlListener {
public:
    void valueChanged(CControl* control) override {
        char value[32];
        std::snprintf(value, sizeof value, "value %g", static_cast<double>(control->getValue()));
        calls.push_back(value);
        if (onValue) onValue();
    }
    bool HandleDragDrop(CControl*, IDataPackage* package, bool, const CPoint&) override {
        calls.push_back("drop " + std::to_string(package->getCount()));
        return true;
    }
    void HandleDragEnterLeave(CControl*, IDataPackage* package, bool entering, const CPoint&) override {
        calls.push_back((entering ? "enter " : "leave ") + std::to_string(package->getCount()));
    }
    void MouseOver(CControl*) override { calls.push_back("over"); }
    void MouseExit(CControl*) override { calls.push_back("exit"); }
    std::vector<std::string> calls;
    std::function<void()> onValue;
};

// An open offscreen frame of the given size, released with the fixture.
class OffscreenTest : public ::testing::Test {
protected:
    void openFrame(CCoord width, CCoord height) {
        frame = new CFrame(CRect(0, 0, width, height), &editor);
        ASSERT_TRUE(frame->open(nullptr));
        ASSERT_NE(screen = OffscreenFrame::of(frame), nullptr);
    }
    void TearDown() override {
        if (frame) frame->forget();
        frame = nullptr;
    }
    void idle() { frame->idle(); }
    CColor pixel(int x, int y) const { return screen->pixel(x, y); }
    // Within tolerance of expected in every channel.
    static bool near(const CColor& a, const CColor& b, int tolerance = 2) {
        return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance && std::abs(a.blue - b.blue) <= tolerance &&
               std::abs(a.alpha - b.alpha) <= tolerance;
    }
    // A colour with alpha drawn over an opaque one.
    static CColor over(const CColor& top, const CColor& under) {
        auto channel = [&](int v, int u) { return static_cast<uint8>((v * top.alpha + u * (255 - top.alpha) + 127) / 255); };
        return CColor(channel(top.red, under.red), channel(top.green, under.green), channel(top.blue, under.blue));
    }

    ScopedOffscreenPlatform offscreen;
    VSTGUIEditorInterface editor;
    CFrame* frame = nullptr;
    OffscreenFrame* screen = nullptr;
};

// Compares the surface's rect with tests/gui/goldens/<name>.png, allowing a share of pixels the
// small differences of font rendering. TL_UPDATE_GOLDENS=1 writes the golden instead.
inline ::testing::AssertionResult matchesGolden(cairo_surface_t* surface, const CRect& rect, const std::string& name,
                                                double differingShare = 0.005) {
    const auto x0 = static_cast<int>(rect.left), y0 = static_cast<int>(rect.top);
    const auto width = static_cast<int>(rect.getWidth()), height = static_cast<int>(rect.getHeight());
    cairo_surface_t* part = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(part);
    cairo_set_source_surface(cr, surface, -x0, -y0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(part);
    const std::string golden = std::string(TL_GOLDEN_DIR) + "/" + name + ".png";
    if (const char* update = std::getenv("TL_UPDATE_GOLDENS"); update && std::strcmp(update, "1") == 0) {
        cairo_surface_write_to_png(part, golden.c_str());
        cairo_surface_destroy(part);
        return ::testing::AssertionSuccess() << "wrote " << golden;
    }
    cairo_surface_t* expected = cairo_image_surface_create_from_png(golden.c_str());
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    if (cairo_surface_status(expected) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_width(expected) != width ||
        cairo_image_surface_get_height(expected) != height) {
        result = ::testing::AssertionFailure() << "no golden " << golden << " of this size (TL_UPDATE_GOLDENS=1 writes it)";
    } else {
        // Text edges may shift by a shade between font versions; shapes must not.
        int differing = 0;
        for (int y = 0; y < height; ++y) {
            const auto* a = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(part) + y * cairo_image_surface_get_stride(part));
            const auto* b =
                reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(expected) + y * cairo_image_surface_get_stride(expected));
            for (int x = 0; x < width; ++x) {
                int worst = 0;
                for (int shift = 0; shift < 32; shift += 8)
                    worst = std::max(worst, std::abs(static_cast<int>((a[x] >> shift) & 0xFF) - static_cast<int>((b[x] >> shift) & 0xFF)));
                differing += worst > 24;
            }
        }
        if (differing > differingShare * width * height)
            result = ::testing::AssertionFailure() << name << ": " << differing << " pixels differ; review, then TL_UPDATE_GOLDENS=1";
    }
    cairo_surface_destroy(expected);
    cairo_surface_destroy(part);
    return result;
}

}  // namespace guitest

namespace VSTGUI {
inline std::ostream& operator<<(std::ostream& out, const CColor& c) {
    return out << "(" << int(c.red) << ", " << int(c.green) << ", " << int(c.blue) << ", " << int(c.alpha) << ")";
}
}  // namespace VSTGUI
