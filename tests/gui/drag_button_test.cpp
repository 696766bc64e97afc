// The drop zone: its two looks, and the drags it passes on to the editor.
#include "editor/cmydragbutton.h"
#include "gui_test_support.h"
#include "vstgui/cdropsource.h"

namespace guitest {
namespace {

const CColor kResting(40, 80, 120);
const CColor kLit(200, 160, 0);

class DragButtonTest : public OffscreenTest {
protected:
    void SetUp() override {
        openFrame(260, 80);
        CBitmap* picture = makeStripedBitmap(9201, 238, 56, {kResting, kLit});
        zone = new CMyDragButton(CRect(8, 11, 8 + 238, 11 + 56), &listener, 198, picture);
        picture->forget();
        frame->addView(zone);
        idle();
    }
    CMyDragButton* zone = nullptr;
    RecordingListener listener;
};

TEST_F(DragButtonTest, ShowsTheTopHalfAtRestAndTheBottomHalfWhileHighlighted) {
    EXPECT_EQ(pixel(8, 11), kResting);
    EXPECT_EQ(pixel(245, 66), kResting);
    zone->DropHighlight = true;
    zone->setDirty(true);
    idle();
    EXPECT_EQ(pixel(8, 11), kLit);
    EXPECT_EQ(pixel(245, 66), kLit);
    EXPECT_EQ(pixel(8, 67), kBlackCColor);
}

TEST_F(DragButtonTest, ClicksDoNothing) {
    EXPECT_NE(screen->mouseDown({100, 30}, kLButton), kMouseEventHandled);
    screen->mouseUp({100, 30}, kLButton);
    EXPECT_TRUE(listener.named("value").empty());
    EXPECT_TRUE(editor.edits.empty());
}

TEST_F(DragButtonTest, DropsAreReportedWithFlagFalseAndClearTheHighlight) {
    auto* files = new CDropSource(std::vector<std::string>{"/tmp/1.wav", "/tmp/2.wav", "/tmp/3.wav"});
    screen->dragEnter(files, {100, 30});
    EXPECT_EQ(screen->cursor(), kCursorCopy);
    zone->DropHighlight = true;  // as the editor does on entering
    idle();
    EXPECT_TRUE(screen->drop(files, {100, 30}));
    EXPECT_FALSE(zone->DropHighlight);
    ASSERT_EQ(listener.calls.size(), 3u);
    EXPECT_EQ(listener.calls[1].what, "drop");
    EXPECT_EQ(listener.calls[1].count, 3);
    EXPECT_FALSE(listener.calls[1].flag);
    EXPECT_EQ(listener.calls[2].what, "leave");
    // It marks itself dirty on leaving too, so the resting look comes back.
    EXPECT_TRUE(zone->isDirty());
    idle();
    EXPECT_EQ(pixel(100, 30), kResting);
    files->forget();
}

TEST_F(DragButtonTest, LeavingSetsTheCursorByWhatIsDraggedAndErrorItemsAreRefused) {
    auto* nothing = new CDropSource();
    screen->dragEnter(nothing, {100, 30});
    screen->dragLeave(nothing, {300, 30});
    EXPECT_EQ(screen->cursor(), kCursorDefault);
    nothing->forget();

    auto* broken = new CDropSource();
    broken->add("", 0, IDataPackage::kError);
    zone->DropHighlight = true;
    screen->dragEnter(broken, {100, 30});
    EXPECT_FALSE(screen->drop(broken, {100, 30}));
    EXPECT_EQ(screen->cursor(), kCursorCopy);
    EXPECT_TRUE(listener.named("drop").empty());
    EXPECT_TRUE(zone->DropHighlight);
    broken->forget();
}

TEST_F(DragButtonTest, ACopyKeepsItsLookAndListener) {
    zone->DropHighlight = true;
    auto* copy = static_cast<CMyDragButton*>(zone->newCopy());
    EXPECT_TRUE(copy->DropHighlight);
    EXPECT_EQ(copy->getTag(), 198);
    EXPECT_EQ(copy->getListener(), &listener);
    EXPECT_EQ(copy->getBackground(), zone->getBackground());
    copy->forget();
}

}  // namespace
}  // namespace guitest
