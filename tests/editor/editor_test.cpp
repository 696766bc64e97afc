// The real editor of a real effect, drawn offscreen and driven by injected mouse and drag events,
// the way a user works with it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "editor/adeditor.h"
#include "editor/cmydragbutton.h"
#include "editor/cmytextlabel.h"
#include "editor/keyboard_layout.h"
#include "editor/slot_rows.h"
#include "editor/vembdialog.h"
#include "engine/kv7drumeditedit.h"
#include "kit_test_support.h"
#include "kitfiles/kit_trace.h"
#include "vstgui/cdropsource.h"
#include "vstgui/cframe.h"
#include "vstgui/chorizontalswitch.h"
#include "vstgui/ckickbutton.h"
#include "vstgui/conoffbutton.h"
#include "vstgui/ctextlabel.h"
#include "vstgui/platform/offscreen/offscreenframe.h"

using namespace VSTGUI;
using kittest::ScratchFolder;

namespace {

CPoint labelCentre(int32 slot) { return {120, slotRowTop(slot) + 9}; }
CPoint keyCentre(int32 slot) {
    return {REALKEYS_X[slot] + REALKEYS_W[slot] / 2.0, REALKEYS_Y[slot] + 3 + keyAreaHeight(slot) / 2.0};
}
const CPoint kDropZone{120, 35};
const CPoint kExportButton{120, 88};
// The mode switch's five positions are fifths of its 228 pixels at x 16.
CPoint modePosition(int32 mode) { return {16 + 228 * (mode + 0.5) / 5, 130}; }

class EditorTest : public ::testing::Test {
protected:
    EditorTest() {
        kitfiles::setTraceStream(nullptr);
        effect = new Kv7DrumEditEdit(nullptr);
        editor = effect->getADEditor();
    }
    ~EditorTest() override {
        delete effect;
        kitfiles::setTraceStream(stderr);
    }

    void open() {
        ASSERT_TRUE(editor->open(nullptr));
        screen = OffscreenFrame::of(editor->getFrame());
        ASSERT_NE(screen, nullptr);
    }
    // A host idle call, which pumps the window's events, dialogs and timers.
    void hostIdle() { editor->hostIdle(); }

    std::string sound(const std::string& name, int32_t frames, int channels = 1, float level = 0.25f) {
        const std::string path = scratch.path(name);
        kittest::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, 44100,
                            std::vector<float>(static_cast<size_t>(frames * channels), level));
        return path;
    }
    void drop(const CPoint& where, const std::vector<std::string>& paths) {
        CDropSource package(paths);
        screen->dragEnter(&package, where);
        screen->dragMove(&package, where);
        screen->drop(&package, where);
    }
    void click(const CPoint& where, int32 buttons = kLButton) {
        screen->mouseDown(where, buttons);
        screen->mouseUp(where, buttons & ~kModifierMask);
    }
    std::string labelText(int32 slot) const { return editor->SlotLabel[slot]->getText(); }
    std::string readout(int32 slot) const { return editor->DurationLabel[slot]->getText(); }
    std::string total() const { return editor->TotalLabel->getText(); }
    int32_t length(int32 slot) const { return effect->BufferLength[slot].load(); }
    bool dialogShowing() const { return editor->getFrame()->isChild(editor->MessageDialog); }
    void switchMode(int32 mode) { click(modePosition(mode)); }

    // Puts a fake save dialog first on PATH that answers with chosen (or cancels when empty).
    void fakeSaveDialog(const std::string& chosen) {
        const std::string bin = scratch.path("bin");
        std::filesystem::create_directories(bin);
        std::ofstream script(bin + "/zenity");
        script << "#!/bin/sh\n" << (chosen.empty() ? "exit 1\n" : "echo '" + chosen + "'\n");
        script.close();
        chmod((bin + "/zenity").c_str(), 0755);
        savedPath = std::getenv("PATH");
        setenv("PATH", (bin + ":" + savedPath).c_str(), 1);
    }
    // Pumps the window until the running save dialog has ended.
    void waitForSaveDialog() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (editor->PendingSelector != 0 && std::chrono::steady_clock::now() < deadline) {
            hostIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        setenv("PATH", savedPath.c_str(), 1);
    }

    ScopedOffscreenPlatform offscreen;
    ScratchFolder scratch;
    Kv7DrumEditEdit* effect = nullptr;
    ADEditor* editor = nullptr;
    OffscreenFrame* screen = nullptr;
    std::string savedPath;
};

TEST_F(EditorTest, AFreshWindowShowsEmptySlotsAndAZeroTotal) {
    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(rect->right, 440);
    EXPECT_EQ(rect->bottom, 756);
    open();
    for (int32 n = 0; n < kNumSlots; ++n) {
        EXPECT_EQ(labelText(n), "    ");
        EXPECT_EQ(readout(n), "  ");
        EXPECT_FALSE(editor->SlotLabel[n]->HasFile);
        EXPECT_EQ(editor->SlotLabel[n]->getViewSize(), CRect(34, slotRowTop(n), 206, slotRowTop(n) + 18));
    }
    EXPECT_EQ(total(), "Total Duration (seconds):  0.00");
    EXPECT_EQ(editor->TotalLabel->getFontColor(), kWhiteCColor);
    EXPECT_EQ(editor->KeyButton[1]->getViewSize(), CRect(358, 151, 398, 211));
    EXPECT_EQ(editor->KeyButton[23]->getViewSize(), CRect(277, 681, 357, 722));
    EXPECT_TRUE(editor->IsOpen);
    EXPECT_FALSE(dialogShowing());
}

TEST_F(EditorTest, DroppedFilesFillSlotsFromTheOneUnderThePointer) {
    open();
    const std::string kick = sound("Kick 01.wav", 44100);
    const std::string snare = sound("snare.aiff", 22050);
    const std::string hat = sound("hat.wav", 4410, 2);
    drop(labelCentre(5), {kick, snare, hat});
    EXPECT_EQ(labelText(5), " Kick 01");
    EXPECT_EQ(labelText(6), " snare.aiff");
    EXPECT_EQ(labelText(7), " hat");
    EXPECT_EQ(length(5), 44100);
    EXPECT_EQ(length(7), 4410);
    EXPECT_EQ(readout(5), "1.00");
    EXPECT_EQ(readout(6), "0.50");
    EXPECT_EQ(editor->DurationLabel[5]->getFontColor(), kWhiteCColor);
    EXPECT_EQ(labelText(4), "    ");
    EXPECT_EQ(labelText(8), "    ");
    EXPECT_EQ(total(), "Total Duration (seconds):  1.60");
    EXPECT_TRUE(editor->IsOpen);

    // The drop zone fills from slot 0; a sound dropped on a filled slot replaces it.
    drop(kDropZone, {snare, kick});
    EXPECT_EQ(labelText(0), " snare.aiff");
    EXPECT_EQ(labelText(1), " Kick 01");
    EXPECT_FALSE(editor->DropButton->DropHighlight);
    drop(labelCentre(6), {hat});
    EXPECT_EQ(labelText(6), " hat");
    EXPECT_EQ(length(6), 4410);
}

TEST_F(EditorTest, ManyFilesStopAtTheLastSlotAndNonSoundsUseNoSlot) {
    open();
    const std::string text = scratch.path("notes.txt");
    kittest::writeText(text, "not a sound");
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) paths.push_back(sound(std::string("s").append(std::to_string(i)).append(".wav"), 100 + i));
    drop(labelCentre(20), paths);
    for (int32 n = 20; n < 24; ++n) EXPECT_EQ(length(n), 100 + n - 20);
    EXPECT_EQ(length(19), 0);

    drop(labelCentre(0), {paths[0], text, paths[1], paths[2]});
    EXPECT_EQ(length(0), 100);
    EXPECT_EQ(length(1), 101);
    EXPECT_EQ(length(2), 102);
    EXPECT_EQ(length(3), 0);
}

TEST_F(EditorTest, ADroppedFolderGivesItsSoundsToConsecutiveSlots) {
    open();
    std::filesystem::create_directories(scratch.path("folder"));
    sound("folder/a.wav", 300);
    sound("folder/b.flac", 400);
    kittest::writeText(scratch.path("folder/readme.txt"), "text");
    drop(labelCentre(10), {scratch.path("folder")});
    EXPECT_EQ(length(10) + length(11), 700);
    EXPECT_TRUE(editor->SlotLabel[10]->HasFile);
    EXPECT_TRUE(editor->SlotLabel[11]->HasFile);
    EXPECT_EQ(length(12), 0);
    EXPECT_EQ(length(9), 0);
}

TEST_F(EditorTest, HoveringHighlightsTheSlotsThatWouldBeFilled) {
    open();
    const std::string text = scratch.path("notes.txt");
    kittest::writeText(text, "not a sound");
    CDropSource package({sound("a.wav", 100), text, sound("b.wav", 100)});
    screen->dragEnter(&package, labelCentre(22));
    EXPECT_TRUE(editor->SlotLabel[22]->DropHighlight);
    EXPECT_TRUE(editor->SlotLabel[23]->DropHighlight);
    EXPECT_FALSE(editor->SlotLabel[21]->DropHighlight);
    screen->dragMove(&package, {120, 500});  // off the labels
    screen->dragLeave(&package, {120, 500});
    for (int32 n = 0; n < kNumSlots; ++n) EXPECT_FALSE(editor->SlotLabel[n]->DropHighlight);

    screen->dragEnter(&package, kDropZone);
    EXPECT_TRUE(editor->DropButton->DropHighlight);
    screen->dragLeave(&package, kDropZone);
    EXPECT_FALSE(editor->DropButton->DropHighlight);
}

TEST_F(EditorTest, CommandClickErasesASlotAndShiftCommandClickErasesAll) {
    open();
    drop(kDropZone, {sound("a.wav", 44100), sound("b.wav", 22050), sound("c.wav", 100)});
    effect->setParameter(kParamPitch + 1, 1.0f);
    effect->setParameter(kParamVolume + 1, 0.0f);
    click(labelCentre(1), kLButton | kControl);
    EXPECT_EQ(labelText(1), "  ");
    EXPECT_EQ(readout(1), "  ");
    EXPECT_EQ(length(1), 0);
    EXPECT_EQ(editor->SlotPath[1][0], '\0');
    EXPECT_FALSE(editor->SlotLabel[1]->HasFile);
    EXPECT_EQ(effect->Pitch[1].load(), 0);
    EXPECT_EQ(effect->Volume[1].load(), 1.0f);
    EXPECT_EQ(total(), "Total Duration (seconds):  1.00");
    EXPECT_EQ(length(0), 44100);

    click(labelCentre(7), kLButton | kShift | kControl);
    for (int32 n = 0; n < kNumSlots; ++n) EXPECT_EQ(length(n), 0);
    EXPECT_EQ(total(), "Total Duration (seconds):  0.00");
}

TEST_F(EditorTest, ClicksOnLabelsAndKeysPlayTheirSlots) {
    open();
    drop(kDropZone, {sound("a.wav", 2000), sound("b.wav", 2000)});
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    click(keyCentre(1));
    effect->processReplacing(nullptr, outputs, 64);
    EXPECT_TRUE(effect->IsPlaying[1]);
    EXPECT_FALSE(effect->IsPlaying[0]);
    click(labelCentre(0));
    effect->processReplacing(nullptr, outputs, 64);
    EXPECT_TRUE(effect->IsPlaying[0]);
    // A second click on the same key, which turns its button off, plays it again.
    click(keyCentre(1));
    effect->processReplacing(nullptr, outputs, 64);
    EXPECT_EQ(effect->PlayPosition[1], 64.0);
}

TEST_F(EditorTest, ModeSwitchShowsParametersAndDragsSetThem) {
    open();
    drop(kDropZone, {sound("a.wav", 1000), sound("b.wav", 1000)});
    switchMode(1);
    EXPECT_EQ(editor->SlotLabel[0]->DisplayMode, 1);
    EXPECT_EQ(readout(0), "      0");
    EXPECT_EQ(readout(5), "      0");  // empty slots show their values too
    EXPECT_EQ(editor->DurationLabel[0]->getFontColor(), CColor(60, 163, 189, 128));

    // Dragging across the label sets the pitch from left (-48) to right (+48).
    const CCoord top = slotRowTop(0) + 9;
    screen->mouseDown({34 + 172 * 0.75, top}, kLButton);
    screen->mouseMoved({206, top}, kLButton);
    screen->mouseUp({206, top}, 0);
    EXPECT_EQ(effect->Pitch[0].load(), 48);
    EXPECT_EQ(readout(0), "     48");
    EXPECT_EQ(editor->SlotLabel[0]->ParamValue, 1.0f);
    click({100, top}, kLButton | kControl);  // reset to 0 semitones
    EXPECT_EQ(effect->Pitch[0].load(), 0);
    EXPECT_EQ(readout(0), "      0");

    switchMode(2);
    EXPECT_EQ(readout(1), "-> |");
    EXPECT_EQ(editor->DurationLabel[1]->getHoriAlign(), kCenterText);
    const CCoord row1 = slotRowTop(1) + 9;
    screen->mouseDown({35, row1}, kLButton);
    screen->mouseUp({35, row1}, 0);
    EXPECT_EQ(effect->PlayMode[1].load(), PlayModeGate);
    EXPECT_EQ(readout(1), "->  ");

    switchMode(4);
    EXPECT_EQ(readout(0), "+ 0");
    switchMode(3);
    EXPECT_EQ(readout(0), " >>");
    // An empty slot's label does not edit in the parameter modes.
    screen->mouseDown({200, slotRowTop(9) + 9}, kLButton);
    screen->mouseUp({200, slotRowTop(9) + 9}, 0);
    EXPECT_FALSE(effect->Reverse[9].load());

    switchMode(0);
    EXPECT_EQ(labelText(0), " a");
    EXPECT_EQ(readout(0), "0.02");
    EXPECT_EQ(editor->DurationLabel[0]->getFontColor(), kWhiteCColor);
    EXPECT_EQ(editor->DurationLabel[0]->getHoriAlign(), kRightText);
}

TEST_F(EditorTest, OptionDragExchangesTwoSlotsButNotTheirSettings) {
    open();
    drop(labelCentre(2), {sound("two.wav", 2000, 1, 0.5f)});
    drop(labelCentre(5), {sound("five.wav", 3000, 1, -0.5f)});
    effect->setParameter(kParamPitch + 2, 1.0f);
    screen->mouseDown(labelCentre(2), kLButton | kAlt);
    screen->mouseMoved(labelCentre(4), kLButton | kAlt);
    screen->mouseMoved(labelCentre(5), kLButton | kAlt);
    EXPECT_EQ(screen->cursor(), kCursorHand);
    screen->mouseUp(labelCentre(5), 0);
    EXPECT_EQ(labelText(2), " five");
    EXPECT_EQ(labelText(5), " two");
    EXPECT_EQ(length(2), 3000);
    EXPECT_EQ(length(5), 2000);
    EXPECT_EQ(effect->SampleBuffer[2][100], -0.5f);
    EXPECT_EQ(effect->SampleBuffer[5][100], 0.5f);
    EXPECT_EQ(effect->Pitch[2].load(), 48);
    EXPECT_EQ(readout(2), "0.07");
    EXPECT_STREQ(editor->SlotPath[5], scratch.path("two.wav").c_str());
    EXPECT_EQ(screen->cursor(), kCursorDefault);

    // Released over its own row, nothing moves.
    screen->mouseDown(labelCentre(2), kLButton | kAlt);
    screen->mouseMoved(labelCentre(2), kLButton | kAlt);
    screen->mouseUp(labelCentre(2), 0);
    EXPECT_EQ(labelText(2), " five");
}

TEST_F(EditorTest, ExportRefusesAKitOverTwelveSecondsAndTellsWhy) {
    open();
    click(kExportButton);  // nothing loaded: nothing happens
    EXPECT_EQ(editor->PendingSelector, 0);
    EXPECT_FALSE(dialogShowing());

    drop(kDropZone, {sound("long1.wav", 264600), sound("long2.wav", 264601)});
    EXPECT_EQ(total(), "Total Duration (seconds):  12.00");
    EXPECT_EQ(editor->TotalLabel->getFontColor(), kRedCColor);
    click(kExportButton);
    EXPECT_TRUE(dialogShowing());
    EXPECT_EQ(editor->PendingSelector, 0);
    click(kExportButton);  // a second press adds no second dialog
    EXPECT_EQ(editor->getFrame()->getModalView(), editor->MessageDialog);
    // OK dismisses it.
    click({editor->MessageDialog->OKButtonRect.left + 5, editor->MessageDialog->OKButtonRect.top + 5});
    EXPECT_FALSE(dialogShowing());
}

TEST_F(EditorTest, ExportAndReimportAKitThroughTheSaveDialog) {
    open();
    drop(kDropZone, {sound("one.wav", 264600, 1, 0.25f), sound("two.wav", 264600, 1, -0.25f)});
    EXPECT_EQ(total(), "Total Duration (seconds):  12.00");
    EXPECT_EQ(editor->TotalLabel->getFontColor(), kWhiteCColor);
    effect->setParameter(kParamReverse + 1, 1.0f);
    const std::string kit = scratch.path("my kit.aif");
    fakeSaveDialog(kit);
    click(kExportButton);
    EXPECT_EQ(editor->PendingSelector, ADEditor::kKitExportPurpose);
    waitForSaveDialog();
    ASSERT_TRUE(std::filesystem::exists(kit));

    // Shift-click: every slot on its own.
    fakeSaveDialog(scratch.path("single.wav"));
    click(kExportButton, kLButton | kShift);
    EXPECT_EQ(editor->PendingSelector, ADEditor::kSlotExportPurpose);
    waitForSaveDialog();
    EXPECT_TRUE(std::filesystem::exists(scratch.path("single_01.aif")));
    EXPECT_TRUE(std::filesystem::exists(scratch.path("single_02.aif")));
    EXPECT_FALSE(std::filesystem::exists(scratch.path("single_03.aif")));

    // Cancelling writes nothing and ends the pending export.
    fakeSaveDialog("");
    click(kExportButton);
    waitForSaveDialog();
    EXPECT_EQ(editor->PendingSelector, 0);

    click(labelCentre(0), kLButton | kShift | kControl);
    effect->setParameter(kParamReverse + 1, 0.0f);
    drop(labelCentre(7), {kit});
    for (int32 n = 0; n < kNumSlots; ++n) EXPECT_EQ(labelText(n), " From Kv-7 import") << n;
    EXPECT_EQ(length(0), 264597);
    EXPECT_GT(length(1), 264000);
    EXPECT_TRUE(effect->Reverse[1].load());
    EXPECT_NEAR(effect->SampleBuffer[1][1000], -0.25f, 1e-4);
    EXPECT_EQ(readout(7), readout(1));
    EXPECT_TRUE(editor->IsOpen);
}

// A user removes the plug-in from its track while its save dialog is open, and another instance
// of the plug-in keeps pumping its window: the dialog goes with its editor, and its answer reaches
// nothing.
TEST_F(EditorTest, ClosingThePlugInClosesItsSaveDialog) {
    const std::string kit = scratch.path("late.aif");
    const std::string bin = scratch.path("bin");
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/zenity") << "#!/bin/sh\necho $$ > '" << scratch.path("pid") << "'\nsleep 0.5\necho '" << kit
                                   << "'\n";
    chmod((bin + "/zenity").c_str(), 0755);
    savedPath = std::getenv("PATH");
    setenv("PATH", (bin + ":" + savedPath).c_str(), 1);

    auto* other = new Kv7DrumEditEdit(nullptr);
    ASSERT_TRUE(other->getADEditor()->open(nullptr));
    open();
    drop(kDropZone, {sound("a.wav", 1000)});
    click(kExportButton);
    setenv("PATH", savedPath.c_str(), 1);
    pid_t dialog = 0;
    for (int i = 0; i < 500 && !(std::ifstream(scratch.path("pid")) >> dialog); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(dialog, 0);

    AEffect* closing = effect->getAeffect();
    effect = nullptr;
    closing->dispatcher(closing, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_NE(kill(dialog, 0), 0) << "the dialog is still open";
    for (int i = 0; i < 100; ++i) {
        other->getADEditor()->hostIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(std::filesystem::exists(kit));
    delete other;
}

TEST_F(EditorTest, ReopeningShowsTheSameKitInNameMode) {
    open();
    drop(labelCentre(3), {sound("clap.WAV", 22050)});
    switchMode(2);
    editor->close();
    EXPECT_FALSE(editor->IsOpen);
    EXPECT_EQ(editor->getFrame(), nullptr);
    editor->setParameter(ADEditor::kExportButtonTag, 1.0f);  // closed: nothing to set
    open();
    EXPECT_EQ(labelText(3), " clap");
    EXPECT_EQ(readout(3), "0.50");
    EXPECT_EQ(editor->SlotLabel[3]->DisplayMode, 0);
    EXPECT_EQ(editor->ModeSwitch->getValue(), 0.0f);
    editor->setParameter(ADEditor::kExportButtonTag, 0.3f);
    EXPECT_EQ(editor->ExportButton->getValue(), 1.0f);
    editor->setParameter(ADEditor::kExportButtonTag, 0.0f);
    EXPECT_EQ(editor->ExportButton->getValue(), 0.0f);
}

TEST_F(EditorTest, TheTimerPulsesHighlightedLabelsAndNothingElse) {
    open();
    hostIdle();
    CDropSource package({sound("a.wav", 100)});
    screen->dragEnter(&package, labelCentre(4));
    ASSERT_TRUE(editor->SlotLabel[4]->DropHighlight);
    const auto start = CVSTGUITimer::Clock::now();
    int32 phases = 0;
    int32 previous = editor->SlotLabel[4]->HighlightPhase;
    for (int tick = 1; tick <= 6; ++tick) {
        CVSTGUITimer::fireDueTimers(start + std::chrono::milliseconds(60 * tick));
        if (editor->SlotLabel[4]->HighlightPhase != previous) ++phases;
        previous = editor->SlotLabel[4]->HighlightPhase;
    }
    EXPECT_GE(phases, 5);
    EXPECT_EQ(editor->SlotLabel[3]->HighlightPhase, 0);
    screen->dragLeave(&package, labelCentre(4));
}

TEST_F(EditorTest, ALoadThatFailsLeavesTheSlotAndSaysWhy) {
    open();
    drop(labelCentre(0), {sound("good.wav", 500)});
    const std::string broken = scratch.path("broken.wav");
    kittest::writeText(broken, "RIFF....WAVEfmt definitely not a sound");
    drop(labelCentre(0), {broken});
    EXPECT_EQ(length(0), 500);  // the old sound stays
    EXPECT_EQ(labelText(0), " broken");
    EXPECT_TRUE(dialogShowing());
}

}  // namespace
