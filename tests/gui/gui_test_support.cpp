#include "gui_test_support.h"

#include <cairo.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>

#include "vstgui/bitmap_resources.h"
#include "vstgui/idatapackage.h"

namespace guitest {

void RecordingListener::HandleDragDrop(CControl* control, IDataPackage* package, bool flag, const CPoint&) {
    calls.push_back({"drop", control, control->getValue(), flag, static_cast<int32>(package->getCount())});
}

void RecordingListener::HandleDragEnterLeave(CControl* control, IDataPackage* package, bool entering, const CPoint&) {
    calls.push_back({entering ? "enter" : "leave", control, control->getValue(), entering,
                     static_cast<int32>(package->getCount())});
}

std::vector<RecordingListener::Call> RecordingListener::named(const std::string& what) const {
    std::vector<Call> found;
    for (const Call& call : calls)
        if (call.what == what) found.push_back(call);
    return found;
}

void OffscreenTest::openFrame(CCoord width, CCoord height) {
    frame = new CFrame(CRect(0, 0, width, height), &editor);
    ASSERT_TRUE(frame->open(nullptr));
    screen = OffscreenFrame::of(frame);
    ASSERT_NE(screen, nullptr);
}

void OffscreenTest::TearDown() {
    if (frame) frame->forget();
    frame = nullptr;
}

bool OffscreenTest::near(const CColor& actual, const CColor& expected, int tolerance) {
    auto close = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
    return close(actual.red, expected.red) && close(actual.green, expected.green) && close(actual.blue, expected.blue) &&
           close(actual.alpha, expected.alpha);
}

CBitmap* makeStripedBitmap(int32 id, int width, int stripeHeight, const std::vector<CColor>& stripes) {
    // The registry keeps pointers: the pixels live as long as the tests.
    static std::deque<std::vector<uint32_t>> pictures;
    const int height = stripeHeight * static_cast<int>(stripes.size());
    std::vector<uint32_t>& pixels = pictures.emplace_back(static_cast<size_t>(width) * height);
    cairo_surface_t* image = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                 CAIRO_FORMAT_ARGB32, width, height, 4 * width);
    cairo_t* cr = cairo_create(image);
    for (size_t i = 0; i < stripes.size(); ++i) {
        const CColor& c = stripes[i];
        cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
        cairo_rectangle(cr, 0, static_cast<double>(i) * stripeHeight, width, stripeHeight);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    registerBitmapResource(id, {pixels.data(), width, height, false});
    return new CBitmap(id);
}

::testing::AssertionResult matchesGolden(cairo_surface_t* surface, const CRect& rect, const std::string& name) {
    const auto x0 = static_cast<int>(rect.left);
    const auto y0 = static_cast<int>(rect.top);
    const auto width = static_cast<int>(rect.getWidth());
    const auto height = static_cast<int>(rect.getHeight());
    cairo_surface_t* part = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(part);
    cairo_set_source_surface(cr, surface, -x0, -y0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(part);

    const std::filesystem::path golden = std::filesystem::path(TL_GOLDEN_DIR) / (name + ".png");
    const char* update = std::getenv("TL_UPDATE_GOLDENS");
    if (update && std::strcmp(update, "1") == 0) {
        std::filesystem::create_directories(golden.parent_path());
        cairo_surface_write_to_png(part, golden.c_str());
        cairo_surface_destroy(part);
        return ::testing::AssertionSuccess() << "wrote " << golden;
    }
    cairo_surface_t* expected = cairo_image_surface_create_from_png(golden.c_str());
    if (cairo_surface_status(expected) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(expected);
        cairo_surface_destroy(part);
        return ::testing::AssertionFailure() << "no golden " << golden << " (run with TL_UPDATE_GOLDENS=1)";
    }
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    if (cairo_image_surface_get_width(expected) != width || cairo_image_surface_get_height(expected) != height) {
        result = ::testing::AssertionFailure() << name << ": golden size differs";
    } else {
        // Text edges may shift by a shade between font versions; shapes must not.
        int differing = 0;
        int largest = 0;
        for (int y = 0; y < height; ++y) {
            const auto* a = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(part) +
                                                              y * cairo_image_surface_get_stride(part));
            const auto* b = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(expected) +
                                                              y * cairo_image_surface_get_stride(expected));
            for (int x = 0; x < width; ++x) {
                int worst = 0;
                for (int shift = 0; shift < 32; shift += 8)
                    worst = std::max(worst, std::abs(static_cast<int>((a[x] >> shift) & 0xFF) -
                                                     static_cast<int>((b[x] >> shift) & 0xFF)));
                if (worst > 24) ++differing;
                largest = std::max(largest, worst);
            }
        }
        if (differing > width * height / 200)
            result = ::testing::AssertionFailure()
                     << name << ": " << differing << " pixels differ (largest difference " << largest
                     << "); review and regenerate with TL_UPDATE_GOLDENS=1";
    }
    cairo_surface_destroy(expected);
    cairo_surface_destroy(part);
    return result;
}

std::ostream& operator<<(std::ostream& out, const CColor& color) {
    return out << "(" << int(color.red) << ", " << int(color.green) << ", " << int(color.blue) << ", "
               << int(color.alpha) << ")";
}

}  // namespace guitest
