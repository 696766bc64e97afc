// The message dialog: nothing until styled, its frame, title bar and message lines, the OK
// button's press and hover, its modality in the frame, and the text field it can host.
#include "editor/editor_colors.h"
#include "editor/message_lines.h"
#include "editor/vembdialog.h"
#include "gui_test_support.h"
#include "vstgui/cnewfileselector.h"

namespace guitest {
namespace {

constexpr int kLeft = 12, kTop = 12, kRight = 428, kBottom = 372;  // where the editor shows it

// A colour drawn over the dialog's own background.
CColor overBackground(const CColor& c) {
    auto channel = [&](int v, int under) { return static_cast<uint8>((v * c.alpha + under * (255 - c.alpha) + 127) / 255); };
    return CColor(channel(c.red, DialogBackground.red), channel(c.green, DialogBackground.green),
                  channel(c.blue, DialogBackground.blue));
}

class MessageDialogTest : public OffscreenTest {
protected:
    void SetUp() override {
        openFrame(440, 756);
        dialog = new vembDialog(CRect(kLeft, kTop, kRight, kBottom), &listener, 2, nullptr, 0);
    }
    void TearDown() override {
        if (frame && frame->isChild(dialog)) frame->removeView(dialog, false);
        dialog->forget();
        OffscreenTest::TearDown();
    }
    void show(const char* title, const char* message) {
        dialog->setDialogText(title, message);
        dialog->setDialogStyle(0);
        frame->setModalView(dialog);
        idle();
    }
    // The rows of the message area that hold white text, grouped into lines: (first, last) row.
    std::vector<std::pair<int, int>> textLines() const {
        std::vector<std::pair<int, int>> lines;
        for (int y = kTop + 32; y < kBottom - 60; ++y) {
            bool ink = false;
            for (int x = kLeft + 6; x < kRight - 6 && !ink; ++x) ink = pixel(x, y).red > 180;
            if (ink && (lines.empty() || lines.back().second != y - 1))
                lines.emplace_back(y, y);
            else if (ink)
                lines.back().second = y;
        }
        return lines;
    }
    std::pair<int, int> inkColumns(int top, int bottom) const {
        int first = kRight, last = kLeft;
        for (int y = top; y <= bottom; ++y)
            for (int x = kLeft + 6; x < kRight - 6; ++x)
                if (pixel(x, y).red > 180) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return {first, last};
    }

    vembDialog* dialog = nullptr;
    RecordingListener listener;
};

TEST_F(MessageDialogTest, WithoutAStyleNothingIsDrawn) {
    dialog->setDialogText("Title", "Message");
    frame->addView(dialog);
    idle();
    for (int x = kLeft; x < kRight; x += 7)
        for (int y = kTop; y < kBottom; y += 7) ASSERT_EQ(pixel(x, y), kBlackCColor) << x << "," << y;
}

TEST_F(MessageDialogTest, FrameTitleBarAndButtonAreDrawnInTheirColours) {
    show("Total Duration too long!", "please erase some sounds (Command-click) or replace with shorter ones!");
    for (int inset = 0; inset < 3; ++inset) EXPECT_EQ(pixel(kLeft + inset, 200), DarkGreyCColor) << inset;
    for (int inset = 3; inset < 6; ++inset) EXPECT_EQ(pixel(kLeft + inset, 200), DialogBlue) << inset;
    EXPECT_EQ(pixel(kLeft + 6, 200), DialogBackground);
    EXPECT_EQ(pixel(kRight - 1, kBottom - 1), DarkGreyCColor);
    // Title bar: left + 5 to right - 6, top + 2 to top + 28, a blue and a grey line under it.
    EXPECT_TRUE(near(pixel(kLeft + 8, kTop + 6), overBackground(DialogHoverGrey))) << pixel(kLeft + 8, kTop + 6);
    EXPECT_EQ(pixel(kLeft + 40, kTop + 28), DialogBlue);
    EXPECT_EQ(pixel(kLeft + 40, kTop + 29), kGreyCColor);
    EXPECT_EQ(pixel(kLeft + 40, kTop + 30), DialogBackground);
    // The button: 70 x 20 at right - 200, bottom - 50, a 3-pixel blue outline, dark inside.
    const CRect ok = dialog->OKButtonRect;
    EXPECT_EQ(ok, CRect(kRight - 200, kBottom - 50, kRight - 130, kBottom - 30));
    EXPECT_EQ(pixel(int(ok.left), int(ok.top) + 10), DialogBlue);
    EXPECT_EQ(pixel(int(ok.left) + 4, int(ok.top) + 4), DarkGreyCColor);
}

TEST_F(MessageDialogTest, AnEmptyTitleDrawsNoTitleBar) {
    show("", "message only");
    EXPECT_EQ(pixel(kLeft + 8, kTop + 6), DialogBackground);
    EXPECT_EQ(pixel(kLeft + 40, kTop + 28), DialogBackground);
}

TEST_F(MessageDialogTest, LongMessagesAreCutIntoCentredLinesOf140Characters) {
    std::string message;
    for (int i = 0; i < 280; ++i) message += (i % 7 == 6) ? ' ' : 'i';
    message += "the last line is ok.";  // no descenders: every line ends on its baseline
    show("", message.c_str());
    const auto lines = textLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].second - lines[0].second, 22);
    EXPECT_EQ(lines[2].second - lines[1].second, 22);
    const auto [first, last] = inkColumns(lines[2].first, lines[2].second);
    EXPECT_NEAR((first + last) / 2.0, (kLeft + kRight) / 2.0, 2);
    EXPECT_LT(last - first, 150);
}

TEST_F(MessageDialogTest, TextsWiderThanTheDialogWrapInsideIt) {
    const std::string path = "/home/someone/" + std::string(120, 'p') + "/kick.wav";
    for (const std::string& message : {std::string(CNewFileSelector::getMissingProgramText()),
                                       "Could not open \"" + path + "\": Permission denied."}) {
        SCOPED_TRACE(message);
        show("No file dialog available", message.c_str());
        const auto lines = textLines();
        EXPECT_GE(lines.size(), 2u);
        const auto [first, last] = inkColumns(lines.front().first, lines.back().second);
        EXPECT_GT(first, kLeft + 6);
        EXPECT_LT(last, kRight - 6);
        EXPECT_LT(lines.back().second, dialog->OKButtonRect.top);
        frame->removeView(dialog, false);
    }
}

TEST(MessageLines, FitTheWidthAndKeepTheLineLength) {
    const auto bytes = [](const std::string& line) { return static_cast<double>(line.size()); };
    using Lines = std::vector<std::string>;
    const struct {
        std::string text;
        double width;
        Lines lines;
    } cases[] = {
        {"", 10, {}},
        {"Total Duration too long!", 100, {"Total Duration too long!"}},
        {std::string(300, 'i'), 1000, {std::string(140, 'i'), std::string(140, 'i'), std::string(20, 'i')}},
        {"aaa bbb ccc", 7, {"aaa bbb", "ccc"}},
        {"aaa bbb ccc", 8, {"aaa bbb", "ccc"}},
        {"aa /long/path/x b", 6, {"aa", "/long/", "path/x", "b"}},
        {"\xc3\xa9\xc3\xa9\xc3\xa9", 3, {"\xc3\xa9", "\xc3\xa9", "\xc3\xa9"}},
        {std::string(145, 'w'), 100, {std::string(100, 'w'), std::string(45, 'w')}},
    };
    for (const auto& c : cases) EXPECT_EQ(messageLines(c.text, bytes, c.width), c.lines) << c.text;
}

TEST_F(MessageDialogTest, OKReportsOnThePressAndOtherPressesAreSwallowed) {
    show("T", "M");
    const CRect ok = dialog->OKButtonRect;
    EXPECT_EQ(screen->mouseDown({ok.left + 5, ok.top + 5}, kLButton), kMouseEventHandled);
    ASSERT_EQ(listener.named("value").size(), 1u);
    EXPECT_EQ(listener.calls[0].value, 1.f);
    screen->mouseUp({ok.left + 5, ok.top + 5}, kLButton);
    listener.calls.clear();
    EXPECT_EQ(screen->mouseDown({100, 100}, kLButton), kMouseEventHandled);
    EXPECT_EQ(screen->mouseDown({405, 700}, kLButton), kMouseEventHandled);
    EXPECT_TRUE(listener.named("value").empty());
    EXPECT_EQ(dialog->getValue(), 0.f);
}

// Dismisses the dialog from its own press, as the editor does.
class DismissingListener : public RecordingListener {
public:
    void valueChanged(CControl* control) override {
        RecordingListener::valueChanged(control);
        if (control->getValue() > 0.5f) control->getFrame()->removeView(control, false);
    }
};

TEST_F(MessageDialogTest, RemovedOnItsOwnOKPressTheDialogEndsItsModalityAndCanShowAgain) {
    DismissingListener dismissing;
    dialog->setListener(&dismissing);
    show("T", "M");
    const CRect ok = dialog->OKButtonRect;
    screen->mouseDown({ok.left + 5, ok.top + 5}, kLButton);
    EXPECT_FALSE(frame->isChild(dialog));
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(dialog->getNbReference(), 1);
    screen->mouseUp({ok.left + 5, ok.top + 5}, kLButton);
    idle();
    EXPECT_EQ(pixel(kLeft + 40, kTop + 28), kBlackCColor);
    show("T", "again");
    EXPECT_EQ(frame->getModalView(), dialog);
    EXPECT_EQ(pixel(kLeft + 40, kTop + 28), DialogBlue);
}

TEST_F(MessageDialogTest, HoveringLightensTheButtonUntilTheNextRelease) {
    show("T", "M");
    const CRect ok = dialog->OKButtonRect;
    const CPoint inside(ok.left + 5, ok.top + 5);
    screen->mouseMoved(inside);
    idle();
    EXPECT_TRUE(near(pixel(int(inside.x), int(inside.y)), overBackground(DialogHoverGrey)));
    screen->mouseDown({30, 300}, kLButton);
    screen->mouseUp({30, 300}, kLButton);
    idle();
    EXPECT_EQ(pixel(int(inside.x), int(inside.y)), DarkGreyCColor);
}

TEST_F(MessageDialogTest, TextsAreCutToTheirBuffers) {
    dialog->setText(std::string(300, 'a').c_str());
    EXPECT_EQ(std::string(dialog->getText()).size(), 255u);
    char copy[256];
    EXPECT_EQ(dialog->getText(copy), copy);
    EXPECT_EQ(std::string(copy).size(), 255u);
    dialog->setText(nullptr);
    EXPECT_STREQ(dialog->getText(), "");
    dialog->setDialogText(std::string(600, 't').c_str(), "m");
    dialog->setDialogStyle(0);
    auto* copyDialog = static_cast<vembDialog*>(dialog->newCopy());
    EXPECT_EQ(copyDialog->getDialogStyle(), 0);
    EXPECT_EQ(copyDialog->OKButtonRect, dialog->OKButtonRect);
    copyDialog->forget();
}

TEST_F(MessageDialogTest, TheTextFieldTakesTypingAndReturnStoresIt) {
    show("T", "M");
    frame->setFocusView(dialog);
    ASSERT_TRUE(dialog->isTextFieldOpen());
    EXPECT_EQ(dialog->platformGetSize(), CRect(kLeft + 318, kTop + 34, kRight - 318, kBottom - 310));
    for (char c : std::string("kit1")) screen->keyDown(VstKeyCode{c, 0, 0});
    screen->keyDown(VstKeyCode{0, VKEY_BACK, 0});
    EXPECT_EQ(dialog->getTextField()->getText(), "kit");
    EXPECT_EQ(screen->keyDown(VstKeyCode{0, VKEY_RETURN, 0}), 1);
    EXPECT_FALSE(dialog->isTextFieldOpen());
    EXPECT_TRUE(dialog->textFieldAccepted());
    EXPECT_STREQ(dialog->getText(), "kit");
    EXPECT_EQ(editor.edits, (std::vector<std::string>{"begin 2", "end 2"}));
    EXPECT_EQ(frame->getNbViews(), 1);
}

TEST_F(MessageDialogTest, EscapeKeepsTheStoredTextAndAClickBesideEndsTheField) {
    show("T", "M");
    dialog->setText("old");
    frame->setFocusView(dialog);
    screen->keyDown(VstKeyCode{'x', 0, 0});
    screen->keyDown(VstKeyCode{0, VKEY_ESCAPE, 0});
    EXPECT_FALSE(dialog->textFieldAccepted());
    EXPECT_STREQ(dialog->getText(), "old");
    EXPECT_EQ(frame->getFocusView(), nullptr);

    frame->setFocusView(dialog);
    screen->keyDown(VstKeyCode{'y', 0, 0});
    screen->mouseDown({30, 300}, kLButton);
    EXPECT_FALSE(dialog->isTextFieldOpen());
    EXPECT_STREQ(dialog->getText(), "oldy");
    EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(MessageDialogTest, MatchesItsGolden) {
    show("Total Duration too long!", "please erase some sounds (Command-click) or replace with shorter ones!");
    EXPECT_TRUE(matchesGolden(screen->surface(), CRect(kLeft, kTop, kRight, kBottom), "message_dialog"));
}

}  // namespace
}  // namespace guitest
