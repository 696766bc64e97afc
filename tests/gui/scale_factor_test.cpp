// The window's scale: where it comes from, and the window pictures drawn for scales 1.5 and 2.
#include "editor/pictures/window_pictures.h"
#include "gui_test_support.h"
#include "vstgui/platform/x11/x11scalefactor.h"

namespace guitest {
namespace {

// The host's value, then TEMBRO_LAXIS_SCALE, GDK_SCALE and Xft.dpi: the first valid one decides,
// and the server is asked only when it has to be.
TEST(ScaleFactor, ComesFromTheFirstSourceThatGivesAValidOne) {
    const struct {
        double host;
        const char *own, *gdk, *resources;
        double expected;
    } cases[] = {
        {0, nullptr, nullptr, "", 1},
        {2, "3", "4", nullptr, 2},  // null: the server must not be asked
        {1.25, "3", "4", nullptr, 1.25},
        {0.5, "3", "4", nullptr, 3},  // a host's value below 1 or above 4 is not taken
        {4.5, "", "4", nullptr, 4},
        {0, "2.5", "4", nullptr, 2.5},
        {0, "1", "2", nullptr, 1},
        {0, "0.9", "2", nullptr, 2},
        {0, "4.01", "3", nullptr, 3},
        {0, "2x", "3", nullptr, 3},
        {0, "nan", "3", nullptr, 3},
        {0, nullptr, "1.5", "Xft.dpi:\t192\n", 2},  // GDK_SCALE takes whole numbers only
        {0, nullptr, "5", "Xft.dpi:\t96\n", 1},
        {0, "", "0", "Xft.dpi:\t144\n", 1.5},
        {0, nullptr, nullptr, "Xft.dpi:\t120\n", 1.25},
        {0, nullptr, nullptr, "Xft.dpi:\t130\n", 1.25},  // dpi / 96 to the nearest quarter
        {0, nullptr, nullptr, "Xft.dpi:\t134\n", 1.5},
        {0, nullptr, nullptr, "Xft.dpi: 72", 1},  // at least 1
        {0, nullptr, nullptr, "Xft.dpi: 500", 4},
        {0, nullptr, nullptr, "Xft.dpi: -192", 1},
        {0, nullptr, nullptr, "Xft.dpi: big", 1},
        {0, nullptr, nullptr, "Xft.antialias:\t1\n*dpi:\t168\nXcursor.size:\t48\n", 1.75},
        {0, nullptr, nullptr, "Xcursor.size:\t48\n", 1},
    };
    for (const auto& c : cases) {
        bool asked = false;
        const double scale = resolveScaleFactor({c.host, c.own, c.gdk, [&] {
                                                     asked = true;
                                                     return std::string(c.resources ? c.resources : "");
                                                 }});
        const std::string what = std::to_string(c.host) + " " + (c.own ? c.own : "-") + " " + (c.gdk ? c.gdk : "-") + " " +
                                 (c.resources ? c.resources : "-");
        EXPECT_EQ(scale, c.expected) << what;
        EXPECT_EQ(asked, c.resources != nullptr) << what;
    }
}

// Each picture for a scale, brought back to scale 1, is its golden: every pixel has its colour
// within a pixel of its place there (text is hinted at each size on its own).
TEST(WindowPictures, ForEveryScaleAreTheirGoldensAtThatResolution) {
    const auto at = [](cairo_surface_t* s, int x, int y) {
        return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s))[x];
    };
    const auto near = [](uint32_t a, uint32_t b) {
        return std::abs(int(a >> 16 & 0xFF) - int(b >> 16 & 0xFF)) <= 48 && std::abs(int(a >> 8 & 0xFF) - int(b >> 8 & 0xFF)) <= 48 &&
               std::abs(int(a & 0xFF) - int(b & 0xFF)) <= 48;
    };
    for (const int id : {128, 129, 130, 131})
        for (const double scale : {1.5, 2.0}) {
            const WindowPicture *picture = findWindowPicture(id, scale), *one = findWindowPicture(id);
            ASSERT_TRUE(picture && picture->width == one->width * scale && picture->height == one->height * scale);
            auto* pixels = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(picture->pixels));
            cairo_surface_t* scaled = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, picture->width, picture->height, 4 * picture->width);
            cairo_surface_t* back = cairo_image_surface_create(CAIRO_FORMAT_RGB24, one->width, one->height);
            cairo_t* cr = cairo_create(back);
            cairo_scale(cr, 1 / scale, 1 / scale);
            cairo_set_source_surface(cr, scaled, 0, 0);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BEST);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_t* golden = cairo_image_surface_create_from_png((std::string(TL_GOLDEN_DIR) + "/window_picture_" + std::to_string(id) + ".png").c_str());
            int differing = 0;
            for (int y = 1; y + 1 < one->height; ++y)
                for (int x = 1, matched = 0; x + 1 < one->width; ++x, differing += !matched, matched = 0)
                    for (int d = 0; d < 9 && !matched; ++d) matched = near(at(back, x, y), at(golden, x + d % 3 - 1, y + d / 3 - 1));
            EXPECT_LT(differing, one->width * one->height / 50) << id << " at " << scale;
            for (cairo_surface_t* surface : {scaled, back, golden}) cairo_surface_destroy(surface);
        }
}

}  // namespace
}  // namespace guitest
