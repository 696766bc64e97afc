// The draw context as views see it: outlines inside their rectangles, whole-pixel lines, text
// placement by alignment, clipping and bitmaps.
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gui_test_support.h"
#include "vstgui/bitmap_resources.h"
#include "vstgui/cdrawcontext.h"

namespace guitest {
namespace {

// A view whose drawing is given by the test.
class SketchView : public CView {
public:
    SketchView(const CRect& size, std::function<void(CDrawContext*)> sketch) : CView(size), drawing(std::move(sketch)) {}
    void draw(CDrawContext* context) override {
        drawing(context);
        setDirty(false);
    }

private:
    std::function<void(CDrawContext*)> drawing;
};

class DrawingTest : public OffscreenTest {
protected:
    void sketch(std::function<void(CDrawContext*)> drawing) {
        openFrame(120, 80);
        frame->addView(new SketchView(CRect(0, 0, 120, 80), std::move(drawing)));
        screen->redrawAll();
    }
    // The columns and rows with ink brighter than the black ground.
    CRect inkBounds() const {
        CRect ink(1000, 1000, -1, -1);
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 120; ++x)
                if (pixel(x, y).red > 60) {
                    ink.left = std::min<CCoord>(ink.left, x);
                    ink.top = std::min<CCoord>(ink.top, y);
                    ink.right = std::max<CCoord>(ink.right, x + 1);
                    ink.bottom = std::max<CCoord>(ink.bottom, y + 1);
                }
        return ink;
    }
};

TEST_F(DrawingTest, OutlinesStayInsideTheirRectangleAtEveryLineWidth) {
    sketch([](CDrawContext* c) {
        c->setFillColor(CColor(0, 0, 255));
        c->setFrameColor(CColor(255, 0, 0));
        c->drawRect(CRect(10, 10, 30, 20), kDrawFilledAndStroked);
        c->setLineWidth(3);
        c->drawRect(CRect(40, 10, 70, 30), kDrawStroked);
    });
    const CColor red(255, 0, 0), blue(0, 0, 255), black(0, 0, 0);
    EXPECT_EQ(pixel(10, 10), red);
    EXPECT_EQ(pixel(29, 19), red);
    EXPECT_EQ(pixel(11, 11), blue);
    EXPECT_EQ(pixel(30, 15), black);
    EXPECT_EQ(pixel(20, 20), black);
    for (int x = 40; x < 43; ++x) EXPECT_EQ(pixel(x, 20), red) << x;
    EXPECT_EQ(pixel(43, 20), black);
    EXPECT_EQ(pixel(69, 29), red);
    EXPECT_EQ(pixel(66, 26), black);
    EXPECT_EQ(pixel(67, 27), red);
    EXPECT_EQ(pixel(70, 29), black);
}

TEST_F(DrawingTest, ThinLinesCoverOnePixelRowFromStartToEnd) {
    sketch([](CDrawContext* c) {
        c->setFrameColor(kWhiteCColor);
        c->drawLine(CPoint(10, 40), CPoint(50, 40));
        c->drawLine(CPoint(60, 10), CPoint(60, 30));
    });
    EXPECT_EQ(pixel(10, 40), kWhiteCColor);
    EXPECT_EQ(pixel(49, 40), kWhiteCColor);
    EXPECT_EQ(pixel(50, 40), kBlackCColor);
    EXPECT_EQ(pixel(30, 39), kBlackCColor);
    EXPECT_EQ(pixel(30, 41), kBlackCColor);
    EXPECT_EQ(pixel(60, 20), kWhiteCColor);
    EXPECT_EQ(pixel(59, 20), kBlackCColor);
    EXPECT_EQ(pixel(61, 20), kBlackCColor);
}

TEST_F(DrawingTest, TextIsPlacedByAlignmentAndCentredVertically) {
    for (CHoriTxtAlign align : {kLeftText, kCenterText, kRightText}) {
        SCOPED_TRACE(align);
        sketch([align](CDrawContext* c) {
            c->setFontColor(kWhiteCColor);
            c->drawString("Hi", CRect(20, 20, 100, 60), align, false);
        });
        const CRect ink = inkBounds();
        ASSERT_LT(ink.left, ink.right);
        const CCoord inkMiddle = (ink.top + ink.bottom) / 2;
        EXPECT_NEAR(inkMiddle, 40, 3);
        if (align == kLeftText) {
            EXPECT_NEAR(ink.left, 21, 2);
        }
        if (align == kRightText) {
            EXPECT_NEAR(ink.right, 99, 2);
        }
        if (align == kCenterText) {
            EXPECT_NEAR((ink.left + ink.right) / 2, 60, 1.5);
        }
        TearDown();
    }
}

TEST_F(DrawingTest, StandardFontHasArialMetrics) {
    // Arial's advances for "Hello" add up to 2.278 em: 27.3 pixels at 12; DejaVu Sans would be 30.4.
    openFrame(10, 10);
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10);
    CDrawContext context(image);
    context.setFont(kNormalFont);
    EXPECT_NEAR(context.getStringWidth("Hello"), 27.3, 1.0);
    context.setFont(kNormalFontBig);
    EXPECT_NEAR(context.getStringWidth("Hello"), 27.3 * 14 / 12, 1.0);
    cairo_surface_destroy(image);
}

// The process lays out all its text on one font map, which is not thread-safe by itself: windows
// drawing on several threads at once, in fonts and scripts that the font map has yet to load, must
// each get exactly what they get alone.
TEST(TextOnThreads, TextDrawnOnSeveralThreadsAtOnceLooksAsWhenDrawnAlone) {
    constexpr int kWidth = 200, kHeight = 24, kThreads = 4, kRounds = 24;
    const auto text = [](int round) {
        static const char* const words[] = {"Kick 01.wav", "Ωμέγα", "Жёлтый", "0.25 s", "naïve café", "ß ŁÓDŹ"};
        return std::string(words[round % 6]) + " " + std::to_string(round);
    };
    const auto draw = [](const std::string& string, int round) {
        // A size of its own in each round: a font the font map has not made yet.
        CFontDesc font(kNormalFont->getName(), 8 + round, round % 2 ? kBoldFace : 0);
        std::vector<uint32_t> pixels(kWidth * kHeight);
        cairo_surface_t* image = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                     CAIRO_FORMAT_ARGB32, kWidth, kHeight, 4 * kWidth);
        {
            CDrawContext context(image);
            context.setFont(&font);
            context.setFontColor(kWhiteCColor);
            context.drawString(string.c_str(), CRect(0, 0, kWidth, kHeight), kLeftText);
        }
        cairo_surface_destroy(image);
        return pixels;
    };

    std::vector<std::vector<uint32_t>> onThreads(kThreads * kRounds);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) onThreads[t * kRounds + round] = draw(text(round), round);
        });
    for (std::thread& thread : threads) thread.join();

    int differing = 0;
    for (int round = 0; round < kRounds; ++round) {
        const std::vector<uint32_t> alone = draw(text(round), round);
        ASSERT_NE(alone, std::vector<uint32_t>(kWidth * kHeight)) << "no text was drawn in round " << round;
        for (int t = 0; t < kThreads; ++t) differing += onThreads[t * kRounds + round] != alone ? 1 : 0;
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(DrawingTest, ClipKeepsDrawingInsideAndRestoresWithTheGlobalState) {
    sketch([](CDrawContext* c) {
        c->saveGlobalState();
        c->setClipRect(CRect(10, 10, 20, 20));
        c->setFillColor(kWhiteCColor);
        c->drawRect(CRect(0, 0, 120, 80), kDrawFilled);
        c->restoreGlobalState();
        c->setFillColor(kRedCColor);
        c->drawRect(CRect(100, 60, 110, 70), kDrawFilled);
    });
    EXPECT_EQ(pixel(10, 10), kWhiteCColor);
    EXPECT_EQ(pixel(19, 19), kWhiteCColor);
    EXPECT_EQ(pixel(20, 20), kBlackCColor);
    EXPECT_EQ(pixel(9, 15), kBlackCColor);
    EXPECT_EQ(pixel(105, 65), kRedCColor);
}

TEST_F(DrawingTest, BitmapsAreDrawnFromTheirOffsetWithAlpha) {
    CBitmap* bitmap = makeStripedBitmap(9001, 20, 10, {kRedCColor, CColor(0, 255, 0)});
    sketch([bitmap](CDrawContext* c) {
        c->drawBitmap(bitmap, CRect(10, 10, 30, 20), CPoint(0, 10));
        c->drawBitmap(bitmap, CRect(40, 10, 60, 20), CPoint(0, 0), 0.5f);
    });
    EXPECT_EQ(pixel(10, 10), CColor(0, 255, 0));
    EXPECT_EQ(pixel(29, 19), CColor(0, 255, 0));
    EXPECT_EQ(pixel(10, 20), kBlackCColor);
    EXPECT_TRUE(near(pixel(45, 15), CColor(128, 0, 0))) << pixel(45, 15);
    bitmap->forget();
}

// A picture without usable pixels has no size and draws nothing, and nothing else on the
// context is lost: cairo would otherwise put the whole context into its error state.
TEST_F(DrawingTest, BitmapsWithoutUsablePixelsDrawNothing) {
    static const uint32_t pixels[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    registerBitmapResource(9101, {nullptr, 2, 2, true});
    registerBitmapResource(9102, {pixels, 0, 2, true});
    registerBitmapResource(9103, {pixels, 40000, 1, true});
    std::vector<CBitmap*> bitmaps;
    for (int32 id : {9101, 9102, 9103, 9199}) {
        auto* bitmap = new CBitmap(id);
        EXPECT_FALSE(bitmap->isLoaded()) << id;
        EXPECT_EQ(bitmap->getWidth(), 0) << id;
        EXPECT_EQ(bitmap->getSurface(), nullptr) << id;
        bitmaps.push_back(bitmap);
    }
    sketch([&bitmaps](CDrawContext* c) {
        for (CBitmap* bitmap : bitmaps) c->drawBitmap(bitmap, CRect(0, 0, 120, 80));
        c->setFillColor(kRedCColor);
        c->drawRect(CRect(100, 60, 110, 70), kDrawFilled);
    });
    EXPECT_EQ(pixel(10, 10), kBlackCColor);
    EXPECT_EQ(pixel(105, 65), kRedCColor);
    for (CBitmap* bitmap : bitmaps) bitmap->forget();
}

}  // namespace
}  // namespace guitest
