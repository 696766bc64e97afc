// The editor's own looks and controls, offscreen: the window's pictures pixel for pixel (keys under
// their key areas, dark ground under the texts, each look of each control); the slot label in each
// display mode, its pulsing highlight and the target of an Option-drag found by slot row; and the
// message dialog: nothing until styled, its lines of text, the OK button's press and hover, and its
// modality. (Their clicks in the editor are proven through the editor.)
#include "editor/cmytextlabel.h"
#include "editor/editor_colors.h"
#include "editor/message_lines.h"
#include "editor/pictures/window_pictures.h"
#include "editor/slot_rows.h"
#include "editor/vembdialog.h"
#include "gui_test_support.h"
#include "vstgui/cnewfileselector.h"

namespace guitest {
namespace {

TEST(WindowPictures, EachIsItsGolden) {
    for (const int id : {128, 129, 130, 131}) {
        const WindowPicture* picture = findWindowPicture(id);
        ASSERT_NE(picture, nullptr) << id;
        auto* pixels = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(picture->pixels));
        cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, picture->width, picture->height, 4 * picture->width);
        EXPECT_TRUE(matchesGolden(surface, CRect(0, 0, picture->width, picture->height), "window_picture_" + std::to_string(id), 0.0));
        cairo_surface_destroy(surface);
    }
}


class SlotLabelTest : public OffscreenTest {
protected:
    void SetUp() override {
        openFrame(260, 740);
        for (int32 n = 0; n < kNumSlots; ++n) {
            auto* label = new CMyTextLabel(CRect(34, slotRowTop(n), 206, slotRowTop(n) + 18), &listener, 52 + n, "", nullptr, kNoFrame);
            label->setFont(kNormalFont);
            label->setBackColor(kTransparentCColor);
            label->setHoriAlign(kLeftText);
            frame->addView(label);
            labels.push_back(label);
        }
    }
    CMyTextLabel* fill(int32 slot, int32 mode = 0, float value = 0.f, const char* name = "") {
        CMyTextLabel* label = labels[static_cast<size_t>(slot)];
        label->HasFile = true, label->DisplayMode = mode, label->ParamValue = value;
        label->setText(name);
        label->setDirty(true);
        idle();
        return label;
    }

    RecordingListener listener;
    std::vector<CMyTextLabel*> labels;
};

TEST_F(SlotLabelTest, TheHighlightPulsesThroughItsGreysEveryEighteenDraws) {
    CMyTextLabel* label = fill(7);
    label->DropHighlight = true;
    for (int grey : {72, 96, 120, 144, 168, 192, 216, 240, 247, 223, 199, 175, 151, 127, 103, 79, 55, 48, 72}) {
        label->setDirty(true);
        idle();
        const auto g = static_cast<uint8>(grey);
        ASSERT_TRUE(near(pixel(190, static_cast<int>(slotRowTop(7)) + 9), over(CColor(g, g, g, 128), kBlackCColor), 1)) << grey;
    }
}

TEST_F(SlotLabelTest, AnOptionDragFindsItsTargetByTheSlotRows) {
    CMyTextLabel* label = fill(2);
    screen->mouseDown({100, slotRowTop(2) + 9}, kLButton | kAlt);
    EXPECT_EQ(label->DragState, 1);
    const struct {
        CPoint where;
        int32 target;
        CCursorType cursor;
    } moves[] = {{{100, slotRowTop(5) + 4}, 5, kCursorHand}, {{100, 179}, -1, kCursorDefault},  // between slots 0 and 1
                 {{230, slotRowTop(5) + 4}, -1, kCursorDefault}, {{150, slotRowTop(2) + 11}, -1, kCursorDefault},  // its own
                 {{206, slotRowTop(5) + 18}, 5, kCursorHand}};  // edges count
    for (const auto& m : moves) {
        screen->mouseMoved(m.where, kLButton | kAlt);
        EXPECT_TRUE(label->DragTarget == m.target && screen->cursor() == m.cursor) << m.where.x << "," << m.where.y;
    }
    int32 reported = -2;
    listener.onValue = [&] { reported = label->DragTarget; };  // the editor reads it while told
    screen->mouseUp(moves[4].where, kLButton | kAlt);
    EXPECT_EQ(reported, 5);
    EXPECT_TRUE(label->DragState == 0 && label->DragTarget == -1 && label->getValue() == 0.f);
}

// An empty slot is a dark bar whatever its text; a filled one shows its name, or the marker of
// its setting: pitch and volume a line, play mode and direction a bar whose width tells the value.
TEST_F(SlotLabelTest, RowsInEveryModeMatchTheirGolden) {
    labels[3]->setText("hidden.wav");
    fill(0, 0, 0.f, "Kick 01.wav");
    const std::pair<int32, float> settings[] = {{1, 0.25f}, {2, 0.5f}, {1, 0.5f}, {2, 0.19f}, {2, 0.81f}, {3, 1.f}, {3, 0.f}, {4, 0.75f}, {4, 1.f}};
    for (int32 slot = 1; slot < 10; ++slot) fill(slot == 3 ? 10 : slot, settings[slot - 1].first, settings[slot - 1].second, "x");
    labels[11]->DropHighlight = true;
    fill(11, 0, 0.f, "Hat.aif");
    EXPECT_TRUE(matchesGolden(screen->surface(), CRect(30, slotRowTop(0) - 4, 210, slotRowTop(11) + 22), "slot_labels", 0.001));
}


constexpr int kLeft = 12, kTop = 12, kRight = 428, kBottom = 372;  // where the editor shows it

class MessageDialogTest : public OffscreenTest {
protected:
    void SetUp() override {
        openFrame(440, 756);
        dialog = new vembDialog(CRect(kLeft, kTop, kRight, kBottom), &listener, 2, nullptr, 0);
        listener.onValue = [this] {  // the editor removes it on its own press
            if (dialog->getValue() > 0.5f) frame->removeView(dialog, false);
        };
    }
    void TearDown() override {
        if (frame->isChild(dialog)) frame->removeView(dialog, false);
        dialog->forget();
        OffscreenTest::TearDown();
    }
    void show(const char* title, const char* message) {
        dialog->setDialogText(title, message);
        dialog->setDialogStyle(0);
        frame->setModalView(dialog);
        idle();
    }
    // The lines of white text in the message area as (first row, last row), and the columns the
    // ink spans.
    std::vector<std::pair<int, int>> textLines(int& first, int& last) const {
        std::vector<std::pair<int, int>> lines;
        first = kRight, last = kLeft;
        for (int y = kTop + 32; y < kBottom - 50; ++y) {
            bool ink = false;
            for (int x = kLeft + 3; x < kRight - 3; ++x)
                if (pixel(x, y).red > 180) ink = true, first = std::min(first, x), last = std::max(last, x);
            if (ink && (lines.empty() || lines.back().second != y - 1)) lines.emplace_back(y, y);
            if (ink) lines.back().second = y;
        }
        return lines;
    }
    CPoint inOK() const { return {dialog->OKButtonRect.left + 5, dialog->OKButtonRect.top + 5}; }

    RecordingListener listener;
    vembDialog* dialog = nullptr;
};

// Its frame, title bar, lines and button are the golden's, at the editor's place for it.
TEST_F(MessageDialogTest, IsDrawnOnlyOnceStyledAndWithoutATitleBarForNoTitle) {
    dialog->setDialogText("Title", "Message");
    frame->addView(dialog);
    idle();
    for (int x = kLeft; x < kRight; x += 7)
        for (int y = kTop; y < kBottom; y += 7) ASSERT_EQ(pixel(x, y), kBlackCColor) << x << "," << y;
    frame->removeView(dialog, false);
    show("Total Duration too long!", "please erase some sounds (Command-click) or replace with shorter ones!");
    EXPECT_EQ(dialog->OKButtonRect, CRect(kRight - 200, kBottom - 50, kRight - 130, kBottom - 30));
    EXPECT_TRUE(matchesGolden(screen->surface(), CRect(kLeft, kTop, kRight, kBottom), "message_dialog"));
    frame->removeView(dialog, false);
    show("", "message only");
    EXPECT_EQ(pixel(kLeft + 8, kTop + 6), DialogBackground);
    EXPECT_EQ(pixel(kLeft + 40, kTop + 28), DialogBackground);
}

TEST_F(MessageDialogTest, LinesOfAtMost140CharactersAreCentred22PixelsApartAndWrapInsideTheDialog) {
    std::string narrow;
    for (int i = 0; i < 280; ++i) narrow += i % 7 == 6 ? ' ' : 'i';
    const std::string path = "/home/someone/" + std::string(120, 'p') + "/kick.wav";
    const struct {
        std::string message;
        size_t lines;
    } cases[] = {{narrow + "the last line is ok.", 3}, {CNewFileSelector::getMissingProgramText(), 2},
                 {"Could not open \"" + path + "\": Permission denied.", 4}};
    for (const auto& c : cases) {
        show("", c.message.c_str());
        int first, last;
        const auto lines = textLines(first, last);
        ASSERT_EQ(lines.size(), c.lines) << c.message;
        for (size_t i = 1; i < lines.size(); ++i) EXPECT_NEAR(lines[i].first - lines[i - 1].first, 22, 3) << c.message;
        EXPECT_TRUE(first > kLeft + 6 && last < kRight - 6) << c.message << ": " << first << " to " << last;
        EXPECT_NEAR((first + last) / 2.0, (kLeft + kRight) / 2.0, 4) << c.message;
        frame->removeView(dialog, false);
    }
}

TEST(MessageLines, NeverBreakInsideACharacter) {
    const auto bytes = [](const std::string& line) { return static_cast<double>(line.size()); };
    EXPECT_EQ(messageLines("\xc3\xa9\xc3\xa9\xc3\xa9", bytes, 3), (std::vector<std::string>{"\xc3\xa9", "\xc3\xa9", "\xc3\xa9"}));
}

TEST_F(MessageDialogTest, OKReportsOnThePressOtherPressesAreSwallowedAndItCanShowAgain) {
    show("T", "M");
    EXPECT_EQ(screen->mouseDown({kLeft + 30, kTop + 100}, kLButton), kMouseEventHandled);
    EXPECT_EQ(screen->mouseDown({405, 700}, kLButton), kMouseEventHandled);  // outside, still modal
    EXPECT_TRUE(listener.calls.empty());
    // Hovering lightens the button until the next release.
    screen->mouseMoved(inOK());
    idle();
    EXPECT_TRUE(near(pixel(int(inOK().x), int(inOK().y)), over(DialogHoverGrey, DialogBackground)));
    screen->mouseUp({30, 300}, kLButton);
    idle();
    EXPECT_EQ(pixel(int(inOK().x), int(inOK().y)), DarkGreyCColor);
    EXPECT_EQ(screen->mouseDown(inOK(), kLButton), kMouseEventHandled);
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"over", "value 1"}));
    EXPECT_FALSE(frame->isChild(dialog));
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(dialog->getNbReference(), 1);
    screen->mouseUp(inOK(), kLButton);
    idle();
    EXPECT_EQ(pixel(kLeft + 40, kTop + 28), kBlackCColor);
    show("T", "again");
    EXPECT_EQ(frame->getModalView(), dialog);
    EXPECT_EQ(pixel(kLeft + 40, kTop + 28), DialogBlue);
}

}  // namespace
}  // namespace guitest
