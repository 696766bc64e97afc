// The editor at window scales 1, 1.5 and 2, offscreen: the window is the layout times the scale and
// shows the pictures drawn for that scale pixel for pixel; a click or a drop at a point of the
// layout times the scale reaches the control at that point; text is drawn at the scale's
// resolution, not magnified.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "editor/pictures/window_pictures.h"
#include "offscreen_editor.h"
#include "vstgui/ckickbutton.h"

using namespace VSTGUI;

namespace {

// The window pixel a layout coordinate's edge falls on: halves round down.
int edge(CCoord coordinate, double scale) { return static_cast<int>(std::ceil(coordinate * scale - 0.5)); }

class ScaledEditor : public OffscreenEditor {
public:
    explicit ScaledEditor(double windowScale) : OffscreenEditor(windowScale) { screen->redrawAll(); }
    // The slots sounding after a short block; then everything is left to end.
    uint32_t playing() {
        const uint32_t slots = sounding(32);
        sounding(1024);
        return slots;
    }
};

TEST(WindowScale, TheWindowIsTheLayoutTimesTheScaleAndShowsThePicturesDrawnForIt) {
    // Where each picture lies in the layout, and the part of it to compare: the keyboard of the
    // background, and each control at rest.
    const struct {
        int id;
        CPoint origin;
        CRect area;
    } placed[] = {{128, {0, 0}, {277, 148, 420, 722}}, {129, {14, 73}, {14, 73, 244, 105}},
                  {130, {8, 11}, {8, 11, 246, 67}}, {131, {16, 113}, {16, 113, 244, 149}}};
    for (const double scale : {1.0, 1.5, 2.0}) {
        ScaledEditor window(scale);
        ERect* rect = nullptr;
        ASSERT_TRUE(window.editor->getRect(&rect));
        EXPECT_TRUE(rect->right == 440 * scale && rect->bottom == 756 * scale) << scale;
        EXPECT_TRUE(cairo_image_surface_get_width(window.screen->surface()) == 440 * scale &&
                    cairo_image_surface_get_height(window.screen->surface()) == 756 * scale)
            << scale;
        for (const auto& p : placed) {
            const WindowPicture* picture = findWindowPicture(p.id, scale);
            ASSERT_NE(picture, nullptr);
            const int ox = edge(p.origin.x, scale), oy = edge(p.origin.y, scale);
            int differing = 0;
            for (int y = edge(p.area.top, scale); y < edge(p.area.bottom, scale); ++y)
                for (int x = edge(p.area.left, scale); x < edge(p.area.right, scale); ++x) {
                    const uint32_t word = picture->pixels[(y - oy) * picture->width + x - ox];
                    differing += window.screen->pixel(x, y) != CColor(uint8(word >> 16), uint8(word >> 8), uint8(word));
                }
            EXPECT_EQ(differing, 0) << "picture " << p.id << " at scale " << scale;
        }
    }
}

TEST(WindowScale, ClicksAndDropsAtScaledPointsReachTheSameControls) {
    kittest::ScratchFolder scratch;
    std::filesystem::create_directories(scratch.path("kit"));
    for (int32_t slot = 0; slot < kNumSlots; ++slot)  // told apart by their lengths
        kittest::wav(scratch, "kit/" + std::to_string(100 + slot) + ".wav", 100 + slot);
    for (const double scale : {1.5, 2.0}) {
        SCOPED_TRACE(scale);
        ScaledEditor window(scale);
        window.drop(kDropZone, {scratch.path("kit")});
        std::vector<int32_t> lengths;
        for (int32_t slot = 0; slot < kNumSlots; ++slot) lengths.push_back(window.length(slot));
        ASSERT_EQ(std::set<int32_t>(lengths.begin(), lengths.end()).size(), 24u);
        ASSERT_EQ(*std::min_element(lengths.begin(), lengths.end()), 100);
        for (int32_t slot = 0; slot < kNumSlots; ++slot) {
            window.click(keyCentre(slot));
            EXPECT_EQ(window.playing(), slotBit(slot)) << "key " << slot;
            window.click(labelCentre(slot));
            EXPECT_EQ(window.playing(), slotBit(slot)) << "label " << slot;
        }
        // The window's last pixel row above the edge between two keys (y 192) is the upper key's.
        for (const auto& [row, slot] : {std::pair{192 * scale - 1, 0}, {192 * scale, 2}}) {
            window.screen->mouseDown({300 * scale, row}, kLButton);
            window.screen->mouseUp({300 * scale, row}, 0);
            EXPECT_EQ(window.playing(), slotBit(slot)) << row;
        }
        for (const int32_t slot : {3, 12, 23}) {
            window.drop(labelCentre(slot), {kittest::wav(scratch, "long.wav", 1000 + slot)});
            EXPECT_TRUE(window.length(slot) == 1000 + slot && window.length(slot - 1) == lengths[slot - 1]) << "drop on " << slot;
        }
        window.exchange(0, 23);
        EXPECT_TRUE(window.length(0) == 1023 && window.length(23) == lengths[0]);
        for (const int32_t mode : {1, 2, 3, 4, 0}) {
            window.switchMode(mode);
            EXPECT_EQ(window.editor->SlotLabel[0]->DisplayMode, mode);
        }
        window.screen->mouseDown(window.at(kExportButton), kLButton);
        EXPECT_EQ(window.editor->ExportButton->getValue(), 1.0f);
        window.screen->mouseUp(window.at(kExportButton), 0);
        window.editor->DoDialog("Title", "Message");
        const CRect ok = window.editor->MessageDialog->OKButtonRect;
        window.click({ok.right + 1, ok.top + 5});
        EXPECT_TRUE(window.dialogShowing());
        window.click({ok.right - 1, ok.bottom - 1});
        EXPECT_FALSE(window.dialogShowing());
    }
}

// At scale 2, every pixel on the edge of a glyph drawn at scale 1 (on a ramp between its neighbours)
// covers four window pixels: in a magnified picture all four would be that pixel's colour; drawn
// anew at twice the resolution, hardly any are. Averaged back to scale 1 it is the same text in
// the same place: nearer to the text at scale 1 than that text is to itself moved by one pixel.
TEST(WindowScale, TextIsDrawnAtTheScaleNotMagnified) {
    kittest::ScratchFolder scratch;
    const std::vector<std::string> sounds = {kittest::wav(scratch, "Kick 01.wav", 44100),
                                             kittest::wav(scratch, "snare, tight.wav", 22050)};
    ScaledEditor small(1), large(2);
    for (ScaledEditor* window : {&small, &large}) {
        window->drop(labelCentre(12), sounds);  // below the dialog
        window->editor->DoDialog("Could not load", "The file is not a sound file: kick.txt");
        window->editor->getFrame()->idle();
    }
    const struct {
        const char* what;
        CRect area;
    } texts[] = {{"slot names", {34, 445, 206, 485}}, {"read-outs", {210, 445, 244, 485}},
                 {"total", {35, 726, 225, 742}},       {"dialog title", {20, 16, 420, 40}},
                 {"dialog message", {20, 146, 420, 168}}};
    for (const auto& text : texts) {
        int edges = 0, magnified = 0;
        double averaged = 0, moved = 0;
        for (int y = int(text.area.top); y < text.area.bottom; ++y)
            for (int x = int(text.area.left); x < text.area.right; ++x) {
                const auto green = [](const OffscreenEditor& w, int px, int py) { return int(w.screen->pixel(px, py).green); };
                const int one = green(small, x, y);
                const int four[] = {green(large, 2 * x, 2 * y), green(large, 2 * x + 1, 2 * y), green(large, 2 * x, 2 * y + 1),
                                    green(large, 2 * x + 1, 2 * y + 1)};
                averaged += std::abs((four[0] + four[1] + four[2] + four[3]) / 4.0 - one);
                moved += std::abs(green(small, x + 1, y) - one);
                const auto ramp = [one](int a, int b) { return (a + 16 < one && one + 16 < b) || (b + 16 < one && one + 16 < a); };
                if (!ramp(green(small, x - 1, y), green(small, x + 1, y)) && !ramp(green(small, x, y - 1), green(small, x, y + 1))) continue;
                ++edges;
                magnified += std::all_of(std::begin(four), std::end(four), [one](int g) { return std::abs(g - one) <= 8; });
            }
        EXPECT_GT(edges, 40) << text.what;
        EXPECT_LT(magnified, edges / 10) << text.what << ": " << magnified << " of " << edges << " edge pixels magnified";
        EXPECT_LT(averaged, moved) << text.what << ": not the same text in the same place";
    }
}

}  // namespace
