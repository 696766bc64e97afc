#include "vstgui/textpreparation.h"

#include <cairo.h>

#include <exception>
#include <mutex>
#include <thread>

#include "vstgui/cdrawcontext.h"
#include "vstgui/cfont.h"
#include "vstgui/pangolibrary.h"

namespace VSTGUI {
namespace {

// Draws a text as the window draws its read-outs: same font map, font, options and scale, so the
// window then finds its font shaped and its digits' glyphs already drawn.
void drawSampleText(double scale) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(64 * scale),
                                                          static_cast<int>(16 * scale));
    {
        CDrawContext context(surface);
        context.setScaleFactor(scale);
        context.setFont(kNormalFont);
        context.drawString("0.25 s", CRect(0, 0, 64, 16));
    }
    cairo_surface_destroy(surface);
}

// fontconfig reads the system's configuration while pango loads: the two take about as long, and
// neither needs the other.
void prepare(double scale) {
    try {
        std::thread configuration(readFontConfiguration);
        pangoLibrary();
        configuration.join();
    } catch (const std::exception&) {
        // No thread to spare: the text below reads the configuration itself.
    }
    drawSampleText(scale);
}

// Made once and never destroyed: a process may end with the editor still open, and a thread
// object that was never joined must not be destroyed.
std::mutex preparationLock;
std::thread* preparation = nullptr;

}  // namespace

void prepareText(double scale) {
    const std::lock_guard<std::mutex> lock(preparationLock);
    if (preparation) return;
    try {
        preparation = new std::thread(prepare, scale);
    } catch (const std::exception&) {
        // No thread to spare: the first text loads everything itself.
    }
}

void finishPreparingText() {
    const std::lock_guard<std::mutex> lock(preparationLock);
    if (preparation && preparation->joinable()) preparation->join();
}

}  // namespace VSTGUI
