// The slot label: what it shows in each display mode, its pulsing highlight, the codes its
// gestures leave for the editor, Option-drag targets by slot row, and file drags.
#include "editor/cmytextlabel.h"
#include "editor/editor_colors.h"
#include "editor/slot_rows.h"
#include "gui_test_support.h"
#include "vstgui/cdropsource.h"

namespace guitest {
namespace {

// Remembers the label's drag fields at each value report, as the editor reads them.
class DragListener : public RecordingListener {
public:
    void valueChanged(CControl* control) override {
        RecordingListener::valueChanged(control);
        auto* label = static_cast<CMyTextLabel*>(control);
        dragAtReport.emplace_back(label->DragState, label->DragTarget);
    }
    std::vector<std::pair<int32, int32>> dragAtReport;
};

// Black drawn under a translucent colour.
CColor overBlack(const CColor& c) {
    auto channel = [&](int v) { return static_cast<uint8>((v * c.alpha + 127) / 255); };
    return CColor(channel(c.red), channel(c.green), channel(c.blue));
}

class SlotLabelTest : public OffscreenTest {
protected:
    void SetUp() override {
        openFrame(260, 740);
        for (int32 n = 0; n < kNumSlots; ++n) {
            const CCoord top = slotRowTop(n);
            auto* label = new CMyTextLabel(CRect(34, top, 206, top + 18), &listener, 52 + n, "", nullptr, kNoFrame);
            label->setFont(kNormalFont);
            label->setBackColor(kTransparentCColor);
            label->setHoriAlign(kLeftText);
            label->setText("    ");
            frame->addView(label);
            labels.push_back(label);
        }
        idle();
    }
    CMyTextLabel* fill(int32 slot, int32 mode = 0, float value = 0.f, const char* name = "") {
        CMyTextLabel* label = labels[static_cast<size_t>(slot)];
        label->HasFile = true;
        label->DisplayMode = mode;
        label->ParamValue = value;
        label->setText(name);
        label->setDirty(true);
        idle();
        return label;
    }
    int middle(int32 slot) const { return static_cast<int>(slotRowTop(slot)) + 9; }
    std::vector<float> reported() const {
        std::vector<float> values;
        for (const auto& call : listener.named("value")) values.push_back(call.value);
        return values;
    }

    DragListener listener;
    std::vector<CMyTextLabel*> labels;
};

TEST_F(SlotLabelTest, RowsFollowTheKeyboardLayout) {
    const std::vector<float> expected{160, 180, 201, 222, 242, 263, 283, 324, 345, 365, 386, 406,
                                      445, 465, 486, 507, 527, 548, 568, 609, 630, 650, 671, 691};
    for (int32 n = 0; n < kNumSlots; ++n) EXPECT_EQ(slotRowTop(n), expected[static_cast<size_t>(n)]) << n;
}

TEST_F(SlotLabelTest, AnEmptySlotIsADarkBarWithAGreyOutlineThatHidesItsText) {
    labels[3]->setText("hidden.wav");
    idle();
    const int top = static_cast<int>(slotRowTop(3));
    EXPECT_EQ(pixel(34, top + 5), kGreyCColor);
    EXPECT_EQ(pixel(205, top + 17), kGreyCColor);
    for (int x = 35; x < 205; ++x)
        for (int y = top + 1; y < top + 17; ++y) ASSERT_EQ(pixel(x, y), DarkGreyCColor) << x << "," << y;
}

TEST_F(SlotLabelTest, AFilledSlotShowsItsNameInWhiteOnTheWindow) {
    fill(0, 0, 0.f, "Kick 01.wav");
    int white = 0;
    for (int x = 34; x < 206; ++x)
        for (int y = 160; y < 178; ++y)
            if (pixel(x, y).red > 200) ++white;
    EXPECT_GT(white, 20);
    EXPECT_EQ(pixel(200, 169), kBlackCColor);
}

TEST_F(SlotLabelTest, MarkersSitWhereTheModeAndValuePutThem) {
    struct Case {
        int32 mode;
        float value;
        std::vector<int> markedColumns;
        std::vector<int> clearColumns;
        CColor colour;
        bool outlineShows;
    };
    // The label spans x 34 to 206 (width 172); markers are clipped to it.
    const std::vector<Case> cases{
        {1, 0.5f, {118, 120, 121}, {114, 126}, PitchRevColor, true},
        {2, 0.5f, {93, 120, 147}, {88, 152}, GreyTranspCColor, true},
        {2, 0.19f, {36, 66, 122}, {127, 150}, GreyTranspCColor, false},
        {3, 1.0f, {122, 160, 204}, {117, 60}, GreyTranspCColor, true},
        {3, 0.0f, {36, 80, 118}, {123, 160}, GreyTranspCColor, false},
        {4, 1.0f, {204}, {199, 120}, PlayVolColor, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " value " << c.value);
        fill(5, c.mode, c.value);
        const int y = middle(5);
        for (int x : c.markedColumns) EXPECT_TRUE(near(pixel(x, y), overBlack(c.colour))) << x << " " << pixel(x, y);
        for (int x : c.clearColumns) EXPECT_EQ(pixel(x, y), kBlackCColor) << x;
        if (c.outlineShows) {
            EXPECT_EQ(pixel(34, y), DarkGreyCColor);
        }
    }
}

TEST_F(SlotLabelTest, TheHighlightPulsesThroughItsGreysEveryEighteenDraws) {
    CMyTextLabel* label = fill(7);
    label->DropHighlight = true;
    const std::vector<int> greys{72,  96,  120, 144, 168, 192, 216, 240, 247, 223,
                                 199, 175, 151, 127, 103, 79,  55,  48,  72};
    for (int grey : greys) {
        label->setDirty(true);
        idle();
        const CColor expected = overBlack(CColor(static_cast<uint8>(grey), static_cast<uint8>(grey),
                                                 static_cast<uint8>(grey), 128));
        ASSERT_TRUE(near(pixel(190, middle(7)), expected, 1)) << grey << " drew " << pixel(190, middle(7));
    }
    EXPECT_EQ(label->HighlightPhase, 24);
}

TEST_F(SlotLabelTest, ModeZeroClicksLeaveTheirCodesAndNeedNoRelease) {
    fill(0);
    struct Click {
        int32 buttons;
        float code;
    };
    for (const Click& click : {Click{kLButton | kControl, 2.1f}, Click{kLButton | kShift | kControl, 3.1f},
                               Click{kLButton, 1.0f}, Click{kLButton | kShift, 1.0f}}) {
        listener.calls.clear();
        editor.edits.clear();
        EXPECT_EQ(screen->mouseDown({100, 169}, click.buttons), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
        screen->mouseUp({100, 169}, click.buttons);
        EXPECT_EQ(reported(), std::vector<float>{click.code});
        EXPECT_EQ(editor.edits, (std::vector<std::string>{"begin 52", "end 52"}));
    }
}

TEST_F(SlotLabelTest, CommandAndShiftClicksInTheOtherModesReportOnceWithoutAnEndEdit) {
    fill(0, 1, 0.5f);
    screen->mouseDown({100, 169}, kLButton | kControl);
    screen->mouseUp({100, 169}, kLButton | kControl);
    EXPECT_EQ(reported(), std::vector<float>{4.1f});
    EXPECT_EQ(editor.edits, std::vector<std::string>{"begin 52"});
    listener.calls.clear();
    fill(1, 2, 0.5f);
    screen->mouseDown({100, 189}, kLButton | kShift);
    EXPECT_EQ(reported(), std::vector<float>{5.1f});
    EXPECT_FLOAT_EQ(labels[1]->ParamValue, 0.5f);
}

TEST_F(SlotLabelTest, ARightButtonPressIsNotHandled) {
    fill(0);
    CPoint where(100, 169);
    EXPECT_EQ(labels[0]->onMouseDown(where, CButtonState(kRButton)), kMouseEventNotHandled);
    EXPECT_EQ(screen->mouseDown({100, 169}, kRButton | kControl), kMouseEventNotHandled);
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_TRUE(editor.edits.empty());
}

TEST_F(SlotLabelTest, DragEditingSetsTheValueFromThePointerAndReportsOnlyChanges) {
    CMyTextLabel* label = fill(0, 4, 0.5f);
    CPoint rightEdge(206, 169);
    EXPECT_EQ(label->onMouseDown(rightEdge, CButtonState(kLButton)), kMouseEventHandled);
    EXPECT_FLOAT_EQ(label->ParamValue, 1.f);
    EXPECT_EQ(listener.named("value").size(), 1u);
    // The first release after construction reports once more; later ones do not.
    EXPECT_EQ(label->onMouseUp(rightEdge, CButtonState(kLButton)), kMouseEventHandled);
    EXPECT_EQ(listener.named("value").size(), 2u);
    EXPECT_EQ(label->DragState, 0);

    listener.calls.clear();
    screen->mouseDown({120, 169}, kLButton);
    EXPECT_FLOAT_EQ(label->ParamValue, 0.5f);
    screen->mouseMoved({20, 169}, kLButton);
    EXPECT_FLOAT_EQ(label->ParamValue, 0.f);
    screen->mouseMoved({5, 169}, kLButton);
    screen->mouseUp({5, 169}, kLButton);
    EXPECT_EQ(listener.named("value").size(), 2u);
}

TEST_F(SlotLabelTest, OptionDragFindsTheTargetSlotByItsRow) {
    CMyTextLabel* label = fill(2);
    screen->mouseDown({100, 210}, kLButton | kAlt);
    EXPECT_EQ(label->DragState, 1);
    EXPECT_TRUE(listener.named("value").empty());
    screen->mouseMoved({100, slotRowTop(5) + 4}, kLButton | kAlt);
    EXPECT_EQ(label->DragTarget, 5);
    EXPECT_EQ(screen->cursor(), kCursorHand);
    screen->mouseMoved({100, 179}, kLButton | kAlt);  // between the rows of slots 0 and 1
    EXPECT_EQ(label->DragTarget, -1);
    EXPECT_EQ(screen->cursor(), kCursorDefault);
    screen->mouseMoved({230, slotRowTop(5) + 4}, kLButton | kAlt);  // right of every label
    EXPECT_EQ(label->DragTarget, -1);
    screen->mouseMoved({206, slotRowTop(5) + 18}, kLButton | kAlt);  // edges belong to the area
    EXPECT_EQ(label->DragTarget, 5);
    screen->mouseUp({206, slotRowTop(5) + 18}, kLButton | kAlt);
    EXPECT_EQ(listener.dragAtReport, (std::vector<std::pair<int32, int32>>{{1, 5}}));
    EXPECT_EQ(label->DragState, 0);
    EXPECT_EQ(label->DragTarget, -1);
    EXPECT_EQ(label->getValue(), 0.f);

    listener.dragAtReport.clear();
    screen->mouseDown({100, 210}, kLButton | kAlt);
    screen->mouseMoved({150, 212}, kLButton | kAlt);
    screen->mouseUp({150, 212}, kLButton | kAlt);
    EXPECT_EQ(listener.dragAtReport, (std::vector<std::pair<int32, int32>>{{1, -1}}));
}

TEST_F(SlotLabelTest, FileDragsReachTheListenerAndADropClearsTheHighlight) {
    CMyTextLabel* label = fill(4);
    label->DropHighlight = true;
    auto* files = new CDropSource(std::vector<std::string>{"/tmp/a.wav", "/tmp/b.wav"});
    screen->dragEnter(files, {100, 250});
    EXPECT_EQ(screen->cursor(), kCursorCopy);
    EXPECT_TRUE(label->isDirty());
    screen->dragMove(files, {110, 250});
    EXPECT_TRUE(screen->drop(files, {110, 250}));
    EXPECT_FALSE(label->DropHighlight);
    ASSERT_EQ(listener.calls.size(), 3u);
    EXPECT_EQ(listener.calls[0].what, "enter");
    EXPECT_EQ(listener.calls[0].count, 2);
    EXPECT_EQ(listener.calls[1].what, "drop");
    EXPECT_FALSE(listener.calls[1].flag);
    EXPECT_EQ(listener.calls[2].what, "leave");
    EXPECT_EQ(screen->cursor(), kCursorCopy);
    files->forget();

    auto* nothing = new CDropSource();
    screen->dragEnter(nothing, {100, 250});
    screen->dragLeave(nothing, {100, 250});
    EXPECT_EQ(screen->cursor(), kCursorDefault);
    nothing->forget();
}

TEST_F(SlotLabelTest, ADropWhoseFirstItemIsAnErrorIsRefusedUnreported) {
    CMyTextLabel* label = fill(4);
    label->DropHighlight = true;
    auto* broken = new CDropSource();
    broken->add("?", 1, IDataPackage::kError);
    EXPECT_FALSE(label->onDrop(broken, CPoint(100, 250)));
    EXPECT_TRUE(listener.named("drop").empty());
    EXPECT_TRUE(label->DropHighlight);
    broken->forget();
}

TEST_F(SlotLabelTest, TheSameTextDoesNotMarkTheLabelDirtyAndHoverIsReported) {
    CMyTextLabel* label = fill(0, 0, 0.f, "snare.wav");
    label->setText("snare.wav");
    EXPECT_FALSE(label->isDirty());
    label->setText(nullptr);
    EXPECT_STREQ(label->getText(), "");
    EXPECT_TRUE(label->isDirty());
    screen->mouseMoved({100, 169});
    screen->mouseMoved({100, 189});
    ASSERT_EQ(listener.calls.size(), 3u);
    EXPECT_EQ(listener.calls[0].what, "over");
    EXPECT_EQ(listener.calls[0].control, labels[0]);
    EXPECT_EQ(listener.calls[1].what, "exit");
    EXPECT_EQ(listener.calls[2].control, labels[1]);
}

TEST_F(SlotLabelTest, RowsInEveryModeMatchTheirGolden) {
    fill(0, 0, 0.f, "Kick 01.wav");
    fill(1, 1, 0.25f, "x");
    fill(2, 2, 0.5f, "x");
    fill(3, 3, 1.f, "x");
    fill(4, 4, 0.75f, "x");
    labels[6]->DropHighlight = true;
    fill(6, 0, 0.f, "Hat.aif");
    EXPECT_TRUE(matchesGolden(screen->surface(), CRect(30, 156, 210, 304), "slot_labels"));
}

}  // namespace
}  // namespace guitest
