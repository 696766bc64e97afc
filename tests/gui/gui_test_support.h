// Helpers for the offscreen GUI tests: a frame drawn into an image, pictures made on the fly,
// a listener that records what controls tell it, and pixel checks.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/cmycontrollistener.h"
#include "vstgui/cbitmap.h"
#include "vstgui/ccontrol.h"
#include "vstgui/cframe.h"
#include "vstgui/platform/offscreen/offscreenframe.h"
#include "vstgui/vstguieditorinterface.h"

namespace guitest {

using namespace VSTGUI;

// Records the host edits controls report through their frame.
class RecordingEditor : public VSTGUIEditorInterface {
public:
    void beginEdit(int32 index) override { edits.push_back("begin " + std::to_string(index)); }
    void endEdit(int32 index) override { edits.push_back("end " + std::to_string(index)); }
    std::vector<std::string> edits;
};

// Records every listener call, with the control's value at that moment.
class RecordingListener : public CMyControlListener {
public:
    struct Call {
        std::string what;
        CControl* control;
        float value;
        bool flag;
        int32 count;
    };
    void valueChanged(CControl* control) override { calls.push_back({"value", control, control->getValue(), false, 0}); }
    void HandleDragDrop(CControl* control, IDataPackage* package, bool flag, const CPoint&) override;
    void HandleDragEnterLeave(CControl* control, IDataPackage* package, bool entering, const CPoint&) override;
    void MouseOver(CControl* control) override { calls.push_back({"over", control, control->getValue(), false, 0}); }
    void MouseExit(CControl* control) override { calls.push_back({"exit", control, control->getValue(), false, 0}); }

    std::vector<Call> named(const std::string& what) const;
    std::vector<Call> calls;
};

// An open offscreen frame of the given size; released with the fixture.
class OffscreenTest : public ::testing::Test {
protected:
    void openFrame(CCoord width, CCoord height);
    void TearDown() override;
    // Redraws what is dirty or invalid.
    void idle() { frame->idle(); }

    CColor pixel(int x, int y) const { return screen->pixel(x, y); }
    // True when the pixel is within tolerance of expected in every channel.
    static bool near(const CColor& actual, const CColor& expected, int tolerance = 2);

    ScopedOffscreenPlatform offscreen;
    RecordingEditor editor;
    CFrame* frame = nullptr;
    OffscreenFrame* screen = nullptr;
};

// A picture registered under id: stripes of solid colours stacked top to bottom, each width x
// stripeHeight. Answers the bitmap (one reference for the caller).
CBitmap* makeStripedBitmap(int32 id, int width, int stripeHeight, const std::vector<CColor>& stripes);

// Compares the surface's rect with tests/gui/goldens/<name>.png, allowing small differences from
// font rendering. TL_UPDATE_GOLDENS=1 writes the golden instead.
::testing::AssertionResult matchesGolden(cairo_surface_t* surface, const CRect& rect, const std::string& name);

std::ostream& operator<<(std::ostream& out, const CColor& color);

}  // namespace guitest

namespace VSTGUI {
inline std::ostream& operator<<(std::ostream& out, const CColor& color) { return guitest::operator<<(out, color); }
}  // namespace VSTGUI
