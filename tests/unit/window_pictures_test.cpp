// Checks the embedded editor pictures against what the editor relies on: their sizes, the keyboard
// drawn under the key hit areas, dark ground under the text fields, and the states of each control.

#include "editor/pictures/window_pictures.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/keyboard_layout.h"
#include "editor/slot_rows.h"

namespace {

constexpr int kBackground = 128;
constexpr int kExportButton = 129;
constexpr int kDropZone = 130;
constexpr int kModeSwitch = 131;

struct Rgb {
    int r, g, b;
};

double luminance(Rgb c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; }

// The accent teal and anything tinted towards it, as opposed to the neutral greys around it.
bool isTealTinted(Rgb c) { return c.g - c.r > 20 && c.b - c.r > 25; }

struct Region {
    int left, top, right, bottom;  // right and bottom exclusive
};

class Picture {
public:
    explicit Picture(int resourceId) {
        const WindowPicture* picture = findWindowPicture(resourceId);
        if (picture == nullptr) return;
        // As the editor draws them: in place, without a copy.
        auto* pixels = const_cast<unsigned char*>(reinterpret_cast<const unsigned char*>(picture->pixels));
        surface_.reset(cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, picture->width,
                                                           picture->height, 4 * picture->width));
    }

    bool decoded() const { return surface_ && cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface_.get()); }
    int height() const { return cairo_image_surface_get_height(surface_.get()); }

    uint32_t word(int x, int y) const {
        const unsigned char* row =
            cairo_image_surface_get_data(surface_.get()) + y * cairo_image_surface_get_stride(surface_.get());
        uint32_t pixel;
        std::memcpy(&pixel, row + 4 * x, sizeof pixel);
        return pixel;
    }

    Rgb at(int x, int y) const {
        const uint32_t p = word(x, y);
        return {static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff), static_cast<int>(p & 0xff)};
    }

    double lum(int x, int y) const { return luminance(at(x, y)); }

    int count(const Region& r, const std::function<bool(Rgb)>& test) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += test(at(x, y)) ? 1 : 0;
        return n;
    }

    double fraction(const Region& r, const std::function<bool(Rgb)>& test) const {
        return static_cast<double>(count(r, test)) / ((r.right - r.left) * (r.bottom - r.top));
    }

    double meanLuminance(const Region& r) const {
        double sum = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) sum += lum(x, y);
        return sum / ((r.right - r.left) * (r.bottom - r.top));
    }

    // Share of pixels that differ noticeably between two equally sized regions.
    double differingFraction(const Region& a, const Region& b) const {
        int differing = 0;
        for (int y = 0; y < a.bottom - a.top; ++y)
            for (int x = 0; x < a.right - a.left; ++x) {
                const Rgb p = at(a.left + x, a.top + y);
                const Rgb q = at(b.left + x, b.top + y);
                differing += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 24 ? 1 : 0;
            }
        return static_cast<double>(differing) / ((a.right - a.left) * (a.bottom - a.top));
    }

private:
    struct Destroy {
        void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
    };
    std::unique_ptr<cairo_surface_t, Destroy> surface_;
};

// The editor's layout, as the editor code places things in the window.

int rowTop(int slot) { return static_cast<int>(slotRowTop(slot)); }

// The key areas as the window's layout lists them, kept here literally as the yardstick.
constexpr std::array<Region, kNumSlots> kKeyAreas = {{
    {277, 151, 357, 192}, {358, 151, 398, 211}, {277, 192, 357, 233}, {358, 213, 398, 253}, {277, 233, 357, 274},
    {358, 253, 398, 313}, {277, 274, 357, 315}, {277, 314, 357, 355}, {358, 314, 398, 374}, {277, 355, 357, 396},
    {358, 375, 398, 435}, {277, 395, 357, 436}, {277, 436, 357, 477}, {358, 436, 398, 496}, {277, 477, 357, 518},
    {358, 497, 398, 537}, {277, 517, 357, 558}, {358, 537, 398, 597}, {277, 559, 357, 600}, {277, 601, 357, 642},
    {358, 601, 398, 661}, {277, 640, 357, 681}, {358, 660, 398, 720}, {277, 681, 357, 722},
}};

bool isSharp(int slot) { return kKeyAreas[slot].left == 358; }
int middleX(const Region& r) { return (r.left + r.right) / 2; }
int middleY(const Region& r) { return (r.top + r.bottom) / 2; }

struct Placement {
    int id, x, y, width, height, states;
};
constexpr std::array<Placement, 3> kControls = {{
    {kExportButton, 14, 73, 230, 32, 2},
    {kDropZone, 8, 11, 238, 56, 2},
    {kModeSwitch, 16, 113, 228, 36, 5},
}};

Region stateRegion(const Placement& p, int state) { return {0, state * p.height, p.width, (state + 1) * p.height}; }

TEST(WindowPictures, AreFoundByTheirResourceIdsOnly) {
    for (int id = 128; id <= 131; ++id) {
        SCOPED_TRACE(id);
        const WindowPicture* picture = findWindowPicture(id);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->resourceId, id);
        EXPECT_NE(picture->pixels, nullptr);
    }
    for (int id : {-1, 0, 1, 127, 132, 256, 1128}) EXPECT_EQ(findWindowPicture(id), nullptr) << id;
}

// Read as ARGB, every word must be opaque: the editor draws them as RGB, whose top byte is unused.
TEST(WindowPictures, HaveTheirFixedSizesAndAreOpaque) {
    const struct {
        int id, width, height;
    } expected[] = {{kBackground, 440, 756}, {kExportButton, 230, 64}, {kDropZone, 238, 112}, {kModeSwitch, 228, 180}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.id);
        const Picture picture(e.id);
        ASSERT_TRUE(picture.decoded());
        EXPECT_EQ(picture.width(), e.width);
        EXPECT_EQ(picture.height(), e.height);
        int translucent = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) translucent += (picture.word(x, y) >> 24) != 0xff ? 1 : 0;
        EXPECT_EQ(translucent, 0);
    }
}

// A click anywhere near the middle of a key's hit area must land on the key drawn for that slot.
TEST(WindowLayout, KeyAreasAndRowsAreTheOnesTheEditorPlaces) {
    for (int slot = 0; slot < kNumSlots; ++slot) {
        const int top = REALKEYS_Y[slot] + 3;
        EXPECT_EQ(REALKEYS_X[slot], kKeyAreas[slot].left) << slot;
        EXPECT_EQ(REALKEYS_X[slot] + REALKEYS_W[slot], kKeyAreas[slot].right) << slot;
        EXPECT_EQ(top, kKeyAreas[slot].top) << slot;
        EXPECT_EQ(top + keyAreaHeight(slot), kKeyAreas[slot].bottom) << slot;
    }
    // Twelve rows an octave, 285 pixels apart, exactly, although computed in single precision.
    EXPECT_EQ(slotRowTop(0), 160.0f);
    EXPECT_EQ(slotRowTop(11), 406.0f);
    EXPECT_EQ(slotRowTop(12), 445.0f);
    EXPECT_EQ(slotRowTop(23), 691.0f);
}

TEST(WindowBackground, KeysAreDrawnUnderTheirHitAreas) {
    const Picture window(kBackground);
    ASSERT_TRUE(window.decoded());
    for (int slot = 0; slot < kNumSlots; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const Region& area = kKeyAreas[slot];
        const int cx = middleX(area);
        const int cy = middleY(area);
        if (isSharp(slot)) {
            for (int dy : {-8, 0, 8}) EXPECT_LT(window.lum(cx, cy + dy), 70) << "dy " << dy;
            for (int x = area.left + 4; x < area.right - 2; ++x) EXPECT_LT(window.lum(x, cy), 90) << "x " << x;
            // Only the back of the keyboard: the naturals' fronts stay visible beside a sharp.
            EXPECT_GT(window.lum(area.left - 20, cy), 170);
        } else {
            for (int y = area.top + 5; y < area.bottom - 5; ++y) EXPECT_GT(window.lum(cx, y), 170) << "y " << y;
            for (int x = area.left + 24; x < area.right - 2; ++x) EXPECT_GT(window.lum(x, cy), 150) << "x " << x;
        }
    }
}

TEST(WindowBackground, NeighbouringNaturalsAreSeparatedByAKeyEdge) {
    const Picture window(kBackground);
    ASSERT_TRUE(window.decoded());
    constexpr int x = 330;
    int upper = -1;
    for (int slot = 0; slot < kNumSlots; ++slot) {
        if (isSharp(slot)) continue;
        if (upper >= 0) {
            SCOPED_TRACE("naturals " + std::to_string(upper) + " and " + std::to_string(slot));
            const Region& a = kKeyAreas[upper];
            const Region& b = kKeyAreas[slot];
            int darkest = middleY(a);
            for (int y = middleY(a); y <= middleY(b); ++y)
                if (window.lum(x, y) < window.lum(x, darkest)) darkest = y;
            EXPECT_LT(window.lum(x, darkest), 110);
            EXPECT_GE(darkest, std::min(a.bottom, b.top) - 2);
            EXPECT_LE(darkest, std::max(a.bottom, b.top) + 1);
            // One edge only: the rest of the way is key face.
            for (int y = middleY(a); y <= middleY(b); ++y) {
                if (std::abs(y - darkest) > 3) {
                    EXPECT_GT(window.lum(x, y), 170) << "y " << y;
                }
            }
        }
        upper = slot;
    }
}

// The editor writes white, grey, teal and pink text over these areas.
TEST(WindowBackground, TextFieldsSitOnCalmDarkGround) {
    const Picture window(kBackground);
    ASSERT_TRUE(window.decoded());
    std::vector<Region> fields = {{35, 726, 225, 742}};  // total duration
    for (int slot = 0; slot < kNumSlots; ++slot) {
        fields.push_back({34, rowTop(slot), 206, rowTop(slot) + 18});   // slot label
        fields.push_back({210, rowTop(slot), 244, rowTop(slot) + 16});  // duration read-out
    }
    for (const Region& field : fields) {
        SCOPED_TRACE("field at " + std::to_string(field.left) + "," + std::to_string(field.top));
        double darkest = 255;
        double brightest = 0;
        for (int y = field.top; y < field.bottom; ++y)
            for (int x = field.left; x < field.right; ++x) {
                darkest = std::min(darkest, window.lum(x, y));
                brightest = std::max(brightest, window.lum(x, y));
            }
        EXPECT_LT(brightest, 60);
        EXPECT_LT(brightest - darkest, 20);
    }
}

// Between the read-outs and the keyboard each row's guide keeps its key's shade, so a row of a sharp
// is told apart from its neighbours before it reaches the keyboard.
TEST(WindowBackground, RowGuidesRunToTheKeyboardInTheirKeysShade) {
    const Picture window(kBackground);
    ASSERT_TRUE(window.decoded());
    for (int x : {250, 268}) {
        double darkestNatural = 255;
        double brightestSharp = 0;
        for (int slot = 0; slot < kNumSlots; ++slot) {
            const double l = window.lum(x, rowTop(slot) + 9);
            if (isSharp(slot))
                brightestSharp = std::max(brightestSharp, l);
            else
                darkestNatural = std::min(darkestNatural, l);
        }
        EXPECT_GT(darkestNatural, brightestSharp + 4) << "x " << x;
    }
}

// The control bitmaps are opaque, so their margins must repeat the window behind them exactly.
TEST(ControlPictures, BlendIntoTheWindowBehindThem) {
    const Picture window(kBackground);
    ASSERT_TRUE(window.decoded());
    for (const Placement& control : kControls) {
        const Picture picture(control.id);
        ASSERT_TRUE(picture.decoded());
        for (int state = 0; state < control.states; ++state) {
            const Region r = stateRegion(control, state);
            for (const auto& [x, y] :
                 {std::pair{0, 0}, std::pair{control.width - 1, 0}, std::pair{0, control.height - 1},
                  std::pair{control.width - 1, control.height - 1}}) {
                const Rgb inPicture = picture.at(r.left + x, r.top + y);
                const Rgb inWindow = window.at(control.x + x, control.y + y);
                EXPECT_LE(std::abs(inPicture.r - inWindow.r) + std::abs(inPicture.g - inWindow.g) +
                              std::abs(inPicture.b - inWindow.b),
                          3)
                    << "picture " << control.id << " state " << state << " at " << x << "," << y;
            }
        }
    }
}

TEST(DropZone, HighlightedHalfIsBrighterAndTintedWithTheAccent) {
    const Picture zone(kDropZone);
    ASSERT_TRUE(zone.decoded());
    const Region normal = {0, 0, 238, 56};
    const Region highlighted = {0, 56, 238, 112};
    EXPECT_GT(zone.differingFraction(normal, highlighted), 0.3);
    EXPECT_GT(zone.meanLuminance(highlighted), zone.meanLuminance(normal) + 10);
    EXPECT_LT(zone.fraction(normal, isTealTinted), 0.05);
    EXPECT_GT(zone.fraction(highlighted, isTealTinted), 0.5);
    // Both looks carry a caption.
    for (const Region& half : {normal, highlighted})
        EXPECT_GT(zone.count(half, [](Rgb c) { return luminance(c) > 190; }), 100);
}

TEST(ModeSwitch, EachPositionHighlightsItsOwnFifthAndShowsEveryCaption) {
    const Picture modeSwitch(kModeSwitch);
    ASSERT_TRUE(modeSwitch.decoded());
    constexpr int width = 228;
    constexpr int height = 36;
    const auto isLitTeal = [](Rgb c) { return isTealTinted(c) && c.g > 120; };
    for (int position = 0; position < 5; ++position) {
        SCOPED_TRACE("position " + std::to_string(position));
        for (int fifth = 0; fifth < 5; ++fifth) {
            // The editor picks position k for a click at x from k * width / 5.
            const Region r = {fifth * width / 5 + 1, position * height, (fifth + 1) * width / 5 - 1,
                              (position + 1) * height};
            const Region middle = {r.left + 4, r.top + 6, r.right - 4, r.top + 26};
            if (fifth == position) {
                EXPECT_GT(modeSwitch.fraction(r, isLitTeal), 0.5) << "fifth " << fifth;
                EXPECT_GT(modeSwitch.count(middle, [](Rgb c) { return luminance(c) < 70; }), 15) << "fifth " << fifth;
            } else {
                EXPECT_LT(modeSwitch.fraction(r, isLitTeal), 0.02) << "fifth " << fifth;
                EXPECT_GT(modeSwitch.count(middle, [](Rgb c) { return luminance(c) > 120; }), 15) << "fifth " << fifth;
            }
        }
    }
}

TEST(ExportButton, PressedStateDiffersAndKeepsItsCaption) {
    const Picture button(kExportButton);
    ASSERT_TRUE(button.decoded());
    const Region normal = {0, 0, 230, 32};
    const Region pressed = {0, 32, 230, 64};
    EXPECT_GT(button.differingFraction(normal, pressed), 0.3);
    for (const Region& half : {normal, pressed})
        EXPECT_GT(button.count({30, half.top, 150, half.bottom}, [](Rgb c) { return luminance(c) > 200; }), 80);
}

}  // namespace
