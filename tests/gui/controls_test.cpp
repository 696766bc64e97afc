// The toolkit's controls as the editor uses them: what they report, what they send the host and
// which image they show.
#include <thread>

#include "gui_test_support.h"
#include "vstgui/chorizontalswitch.h"
#include "vstgui/ckickbutton.h"
#include "vstgui/conoffbutton.h"
#include "vstgui/ctextlabel.h"

namespace guitest {
namespace {

const CColor kGreen(0, 255, 0);
const CColor kBlue(0, 0, 255);

class ControlsTest : public OffscreenTest {
protected:
    void SetUp() override { openFrame(200, 100); }
    std::vector<float> reportedValues() const {
        std::vector<float> values;
        for (const auto& call : listener.named("value")) values.push_back(call.value);
        return values;
    }
    RecordingListener listener;
};

TEST_F(ControlsTest, KickButtonReportsPressAndReleaseAndRemembersTheModifiers) {
    CBitmap* bitmap = makeStripedBitmap(9101, 40, 20, {kRedCColor, kGreen});
    auto* button = new CKickButton(CRect(10, 10, 50, 30), &listener, 196, bitmap, CPoint(0, 0));
    bitmap->forget();
    frame->addView(button);
    idle();
    EXPECT_EQ(pixel(20, 20), kRedCColor);

    screen->mouseDown({20, 20}, kLButton | kShift);
    EXPECT_EQ(button->getMouseDownButtons(), CButtonState(kLButton | kShift));
    idle();
    EXPECT_EQ(pixel(20, 20), kGreen);
    screen->mouseMoved({80, 20}, kLButton);
    screen->mouseMoved({20, 20}, kLButton);
    screen->mouseUp({20, 20}, kLButton);
    idle();
    EXPECT_EQ(pixel(20, 20), kRedCColor);
    EXPECT_EQ(reportedValues(), (std::vector<float>{1.f, 0.f, 1.f, 0.f}));
    EXPECT_EQ(editor.edits, (std::vector<std::string>{"begin 196", "end 196"}));

    screen->mouseDown({20, 20}, kRButton);
    EXPECT_EQ(reportedValues().size(), 4u);
}

TEST_F(ControlsTest, OnOffButtonTogglesOnEveryLeftClickAndDrawsNothingWithoutABitmap) {
    auto* key = new COnOffButton(CRect(10, 10, 50, 30), &listener, 76, nullptr, 0);
    frame->addView(key);
    for (int click = 0; click < 3; ++click) {
        screen->mouseDown({20, 20}, kLButton);
        screen->mouseUp({20, 20}, kLButton);
    }
    EXPECT_EQ(reportedValues(), (std::vector<float>{1.f, 0.f, 1.f}));
    idle();
    EXPECT_EQ(pixel(20, 20), kBlackCColor);
}

TEST_F(ControlsTest, HorizontalSwitchSnapsToItsPositionsAndShowsTheirImages) {
    CBitmap* bitmap = makeStripedBitmap(9102, 100, 10, {kRedCColor, kGreen, kBlue, kWhiteCColor, kGreyCColor});
    auto* modes = new CHorizontalSwitch(CRect(0, 0, 100, 10), &listener, 199, 5, 10, 5, bitmap, CPoint(0, 0));
    bitmap->forget();
    frame->addView(modes);
    screen->mouseDown({1, 5}, kLButton);
    screen->mouseMoved({45, 5}, kLButton);
    screen->mouseMoved({99, 5}, kLButton);
    screen->mouseMoved({150, 5}, kLButton);
    screen->mouseUp({150, 5}, kLButton);
    EXPECT_EQ(reportedValues(), (std::vector<float>{0.5f, 1.f}));
    idle();
    EXPECT_EQ(pixel(50, 5), kGreyCColor);
    screen->mouseDown({25, 5}, kLButton);
    screen->mouseUp({25, 5}, kLButton);
    EXPECT_FLOAT_EQ(modes->getValue(), 0.25f);
    idle();
    EXPECT_EQ(pixel(50, 5), kGreen);
}

TEST_F(ControlsTest, TextLabelDrawsItsTextOnItsBackColourAndRedrawsOnlyWhenChanged) {
    auto* label = new CTextLabel(CRect(0, 0, 100, 20), "  ", nullptr, kNoFrame);
    label->setBackColor(kBlue);
    label->setFontColor(kWhiteCColor);
    label->setHoriAlign(kRightText);
    frame->addView(label);
    idle();
    EXPECT_EQ(pixel(0, 0), kBlue);
    label->setText("  ");
    EXPECT_FALSE(label->isDirty());
    label->setText("12.00");
    EXPECT_TRUE(label->isDirty());
    idle();
    int leftmostInk = 100;
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 20; ++y)
            if (pixel(x, y).red > 128) leftmostInk = std::min(leftmostInk, x);
    EXPECT_GT(leftmostInk, 60);
    EXPECT_LT(leftmostInk, 90);
}

TEST_F(ControlsTest, ParamDisplayOutlineUnlessNoFrameAndCopiesKeepTheLook) {
    auto* display = new CParamDisplay(CRect(0, 0, 50, 20));
    display->setBackColor(kBlue);
    display->setFrameColor(kRedCColor);
    frame->addView(display);
    idle();
    EXPECT_EQ(pixel(0, 10), kRedCColor);
    EXPECT_EQ(pixel(1, 1), kBlue);
    auto* copy = static_cast<CParamDisplay*>(display->newCopy());
    EXPECT_EQ(copy->getBackColor(), kBlue);
    EXPECT_FALSE(copy->isAttached());
    copy->setViewSize(CRect(100, 0, 150, 20));
    copy->setStyle(kNoFrame);
    frame->addView(copy);
    idle();
    EXPECT_EQ(pixel(100, 10), kBlue);
}

TEST_F(ControlsTest, AValueSetFromAnotherThreadIsDrawnAtTheNextIdle) {
    CBitmap* bitmap = makeStripedBitmap(9103, 40, 20, {kRedCColor, kGreen});
    auto* button = new CKickButton(CRect(10, 10, 50, 30), &listener, 196, bitmap);
    bitmap->forget();
    frame->addView(button);
    idle();
    std::thread([button] { button->setValue(1.f); }).join();
    EXPECT_TRUE(button->isDirty());
    idle();
    EXPECT_EQ(pixel(20, 20), kGreen);
    EXPECT_TRUE(listener.calls.empty());
}

}  // namespace
}  // namespace guitest
