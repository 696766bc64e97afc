// How the frame routes mouse, drag and key events, handles modal and focus views, repaints dirty
// views and owns its children.
#include <thread>

#include "gui_test_support.h"
#include "vstgui/cdropsource.h"

namespace guitest {
namespace {

// A view that logs the events it gets and answers presses as told.
class ProbeView : public CView {
public:
    ProbeView(const CRect& size, std::string probeName, std::vector<std::string>& eventLog,
              CMouseEventResult pressAnswer = kMouseEventHandled)
        : CView(size), name(std::move(probeName)), log(eventLog), answer(pressAnswer) {}
    ~ProbeView() override { log.push_back(name + " deleted"); }

    CMouseEventResult onMouseDown(CPoint&, const CButtonState&) override {
        log.push_back(name + " down");
        if (onDown) onDown();
        return answer;
    }
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState&) override {
        log.push_back(name + " moved " + std::to_string(int(where.x)));
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseUp(CPoint&, const CButtonState&) override {
        log.push_back(name + " up");
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseEntered(CPoint&, const CButtonState&) override {
        log.push_back(name + " entered");
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseExited(CPoint&, const CButtonState&) override {
        log.push_back(name + " exited");
        return kMouseEventHandled;
    }
    void onDragEnter(IDataPackage*, const CPoint&) override { log.push_back(name + " drag enter"); }
    void onDragMove(IDataPackage*, const CPoint&) override { log.push_back(name + " drag move"); }
    void onDragLeave(IDataPackage*, const CPoint&) override { log.push_back(name + " drag leave"); }
    bool onDrop(IDataPackage*, const CPoint&) override {
        log.push_back(name + " drop");
        return true;
    }
    int32 onKeyDown(VstKeyCode& key) override {
        log.push_back(name + " key " + std::to_string(key.character));
        return 1;
    }
    void takeFocus() override { log.push_back(name + " takes focus"); }
    void looseFocus() override { log.push_back(name + " looses focus"); }

    std::function<void()> onDown;

private:
    std::string name;
    std::vector<std::string>& log;
    CMouseEventResult answer;
};

class FrameTest : public OffscreenTest {
protected:
    void SetUp() override { openFrame(200, 100); }
    ProbeView* add(const CRect& rect, const std::string& name, CMouseEventResult answer = kMouseEventHandled) {
        auto* view = new ProbeView(rect, name, log, answer);
        frame->addView(view);
        return view;
    }
    std::vector<std::string> takeLog() { return std::exchange(log, {}); }

    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(FrameTest, APressTakenByAViewBringsItTheMovesAndTheRelease) {
    add(CRect(0, 0, 50, 50), "a");
    add(CRect(100, 0, 150, 50), "b");
    screen->mouseDown({10, 10}, kLButton);
    screen->mouseMoved({120, 10}, kLButton);
    screen->mouseUp({120, 10}, kLButton);
    EXPECT_EQ(takeLog(), (Log{"a down", "b entered", "a moved 120", "a up"}));
}

TEST_F(FrameTest, APressThatNeedsNoMoreEventsIsNotFollowed) {
    add(CRect(0, 0, 50, 50), "a", kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    screen->mouseDown({10, 10}, kLButton);
    screen->mouseMoved({60, 10}, kLButton);
    screen->mouseUp({60, 10}, kLButton);
    EXPECT_EQ(takeLog(), (Log{"a down"}));
}

TEST_F(FrameTest, TheTopmostVisibleViewGetsThePress) {
    add(CRect(0, 0, 100, 100), "below");
    ProbeView* above = add(CRect(0, 0, 50, 50), "above");
    screen->mouseDown({10, 10}, kLButton);
    screen->mouseUp({10, 10}, kLButton);
    above->setVisible(false);
    screen->mouseDown({10, 10}, kLButton);
    EXPECT_EQ(takeLog(), (Log{"above down", "above up", "above entered", "below down"}));
}

TEST_F(FrameTest, HoverEntersAndExitsViewsAndTheWindowWithoutMoves) {
    add(CRect(0, 0, 50, 50), "a");
    add(CRect(100, 0, 150, 50), "b");
    screen->mouseMoved({10, 10});
    screen->mouseMoved({20, 10});
    screen->mouseMoved({110, 10});
    screen->mouseExited();
    EXPECT_EQ(takeLog(), (Log{"a entered", "a exited", "b entered", "b exited"}));
}

TEST_F(FrameTest, AModalViewReceivesEveryMouseEventUntilItIsRemoved) {
    add(CRect(0, 0, 200, 100), "below");
    auto* dialog = new ProbeView(CRect(50, 20, 150, 80), "modal", log, kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    frame->setModalView(dialog);
    EXPECT_TRUE(frame->isChild(dialog));
    takeLog();
    screen->mouseDown({5, 5}, kLButton);
    screen->mouseUp({5, 5}, kLButton);
    EXPECT_EQ(takeLog(), (Log{"modal down", "modal up"}));
    EXPECT_TRUE(frame->removeView(dialog, false));
    EXPECT_EQ(frame->getModalView(), nullptr);
    screen->mouseDown({5, 5}, kLButton);
    EXPECT_EQ(takeLog(), (Log{"below down"}));
    dialog->forget();
}

TEST_F(FrameTest, AViewMayRemoveItselfWhileHandlingAPress) {
    ProbeView* doomed = add(CRect(0, 0, 50, 50), "doomed");
    doomed->onDown = [this, doomed] { frame->removeView(doomed, true); };
    screen->mouseDown({10, 10}, kLButton);
    screen->mouseMoved({20, 10}, kLButton);
    screen->mouseUp({20, 10}, kLButton);
    EXPECT_EQ(takeLog(), (Log{"doomed down", "doomed deleted"}));
    EXPECT_EQ(frame->getNbViews(), 0);
}

TEST_F(FrameTest, DragsFollowThePointerAndTheDropTargetHearsALeaveAfterTheDrop) {
    add(CRect(0, 0, 50, 50), "a");
    add(CRect(100, 0, 150, 50), "b");
    auto* package = new CDropSource(std::vector<std::string>{"/tmp/x.wav"});
    screen->dragEnter(package, {10, 10});
    screen->dragMove(package, {20, 10});
    screen->dragMove(package, {110, 10});
    EXPECT_TRUE(screen->drop(package, {120, 10}));
    EXPECT_EQ(takeLog(), (Log{"a drag enter", "a drag move", "a drag leave", "b drag enter", "b drag move", "b drop",
                              "b drag leave"}));
    screen->dragEnter(package, {10, 10});
    screen->dragLeave(package, {300, 10});
    EXPECT_FALSE(screen->drop(package, {180, 90}));
    EXPECT_EQ(takeLog(), (Log{"a drag enter", "a drag leave"}));
    package->forget();
}

TEST_F(FrameTest, FocusMovesBetweenViewsAndReceivesKeys) {
    ProbeView* a = add(CRect(0, 0, 50, 50), "a");
    ProbeView* b = add(CRect(100, 0, 150, 50), "b");
    VstKeyCode key{'x', 0, 0};
    EXPECT_EQ(frame->onKeyDown(key), -1);
    frame->setFocusView(a);
    frame->setFocusView(b);
    EXPECT_EQ(screen->keyDown(key), 1);
    frame->removeView(b, true);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_EQ(takeLog(), (Log{"a takes focus", "a looses focus", "b takes focus", "b key 120", "b deleted"}));
}

TEST_F(FrameTest, IdleRepaintsExactlyTheDirtyViews) {
    add(CRect(0, 0, 50, 50), "a");
    ProbeView* b = add(CRect(100, 0, 150, 50), "b");
    idle();
    idle();
    EXPECT_TRUE(screen->lastRedrawn().empty());
    // Hosts set values from their own threads; marking dirty is safe from anywhere.
    std::thread([b] { b->setDirty(true); }).join();
    idle();
    ASSERT_EQ(screen->lastRedrawn().size(), 1u);
    EXPECT_EQ(screen->lastRedrawn()[0], CRect(100, 0, 150, 50));
    EXPECT_FALSE(b->isDirty());
}

TEST_F(FrameTest, ReleasingTheFrameReleasesEveryChildAndCursorsReachThePlatform) {
    add(CRect(0, 0, 50, 50), "a");
    add(CRect(100, 0, 150, 50), "b");
    frame->setCursor(kCursorHand);
    EXPECT_EQ(screen->cursor(), kCursorHand);
    frame->forget();
    frame = nullptr;
    EXPECT_EQ(takeLog(), (Log{"b deleted", "a deleted"}));
}

TEST_F(FrameTest, AFrameWithoutAWindowSystemStillHoldsItsViews) {
    ScopedOffscreenPlatform inner;
    setPlatformFrameFactory(nullptr);  // the X11 one, which refuses a null parent
    auto* closed = new CFrame(CRect(0, 0, 10, 10), &editor);
    EXPECT_FALSE(closed->open(nullptr));
    EXPECT_FALSE(closed->isOpen());
    EXPECT_TRUE(closed->addView(new CView(CRect(0, 0, 5, 5))));
    closed->idle();
    closed->forget();
}

}  // namespace
}  // namespace guitest
