// The editor's real window on an X server of the test's own: the server shows, pixel for pixel, what
// the frame draws, in the first picture and after redraws of a few rows, at scales 1 and 2.
#include <chrono>
#include <functional>
#include <thread>

#include "editor/adeditor.h"
#include "engine/kv7drumeditedit.h"
#include "kit_test_support.h"
#include "kitfiles/sound_file_loader.h"
#include "vstgui/cframe.h"
#include "vstgui/platform/common/backbuffer.h"
// Xlib last: its macros (None, Bool) would break GoogleTest's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace std::chrono_literals;

// Pixels of the window that differ from the frame drawn anew offscreen; -1 when it cannot be read.
long differingPixels(Display* x, Window window, VSTGUI::CFrame* frame, int width, int height) {
    VSTGUI::BackBuffer drawn(width, height);
    drawn.invalidate(VSTGUI::CRect(0, 0, width, height));
    drawn.redraw(frame);
    XImage* shown = XGetImage(x, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!shown) return -1;
    const unsigned char* pixels = cairo_image_surface_get_data(drawn.surface());
    const int stride = cairo_image_surface_get_stride(drawn.surface());
    long differing = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            differing += (XGetPixel(shown, column, row) & 0xFFFFFF) !=
                         (reinterpret_cast<const uint32_t*>(pixels + row * stride)[column] & 0xFFFFFF);
    XDestroyImage(shown);
    return differing;
}

TEST(WindowPixels, TheServerShowsWhatTheFrameDrawsAfterWholeAndPartialRedraws) {
    kitfiles::setTraceStream(nullptr);
    kittest::ScratchFolder scratch;
    Display* x = XOpenDisplay(nullptr);
    ASSERT_NE(x, nullptr);
    for (const double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        auto* effect = new Kv7DrumEditEdit(nullptr);
        ADEditor* editor = effect->getADEditor();
        editor->setHostScaleFactor(scale);
        const int width = int(440 * scale), height = int(756 * scale);
        const Window host = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, unsigned(width), unsigned(height), 0, 0, 0);
        XMapWindow(x, host), XSync(x, False), editor->open(reinterpret_cast<void*>(host));
        const auto load = [&](int slot) {
            const std::string sound = kittest::wav(scratch, "s" + std::to_string(slot) + ".wav", 20000 + slot);
            editor->LoadExec_This_Sound_From_File(sound.c_str(), kitfiles::kLoadSoundFile, slot);
        };
        // The whole picture; a sound in slot 4 (its label, its read-out, the total); one in slot 21.
        const std::function<void()> changes[] = {[] {}, [&] { load(3); }, [&] { load(20); }};
        for (std::size_t change = 0; change < std::size(changes); ++change) {
            changes[change]();
            long differing = -1;
            for (const auto end = std::chrono::steady_clock::now() + 5s; differing && std::chrono::steady_clock::now() < end;) {
                std::this_thread::sleep_for(20ms), editor->hostIdle(), XSync(x, False);
                differing = differingPixels(x, host, editor->getFrame(), width, height);
            }
            EXPECT_EQ(differing, 0) << "after change " << change;
        }
        delete effect;
        XDestroyWindow(x, host);
    }
    XCloseDisplay(x);
}

}  // namespace
