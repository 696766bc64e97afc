// The real editor of a real effect, drawn offscreen and driven by injected mouse and drag events,
// the way a user works with it.
#include <gtest/gtest.h>
#include <signal.h>

#include "editor/editor_colors.h"
#include "editor/pictures/window_pictures.h"
#include "offscreen_editor.h"
#include "vstgui/chorizontalswitch.h"
#include "vstgui/ckickbutton.h"
#include "vstgui/cnewfileselector.h"
#include "vstgui/conoffbutton.h"

using namespace VSTGUI;

namespace {

class EditorTest : public ::testing::Test, public OffscreenEditor {
protected:
    std::string sound(const std::string& name, int32_t frames, float level = 0.25f, int channels = 1) {
        return kittest::wav(scratch, name, frames, level, channels);
    }
    std::vector<int32_t> lengths(int32_t from, int32_t to) const {
        std::vector<int32_t> result;
        for (int32_t slot = from; slot <= to; ++slot) result.push_back(length(slot));
        return result;
    }
    kittest::ScratchFolder scratch;
};

// Dropped items fill the slots from the one under the pointer (slot 0 from the drop zone), sounds
// only, until slot 23; a folder gives its sounds; the labels name them and the read-outs time them.
TEST_F(EditorTest, DroppedSoundsFillTheSlotsFromTheOneUnderThePointer) {
    const std::string kick = sound("Kick 01.wav", 44100), snare = sound("snare.aiff", 22050), hat = sound("hat.wav", 4410, 0.25f, 2);
    const std::string text = scratch.path("notes.txt");
    kittest::writeText(text, "not a sound");
    drop(labelCentre(5), {kick, text, snare, hat});
    EXPECT_EQ(lengths(4, 8), (std::vector<int32_t>{0, 44100, 22050, 4410, 0}));
    for (const auto& [slot, name, seconds] : {std::tuple{5, " Kick 01", "1.00"}, {6, " snare.aiff", "0.50"}, {7, " hat", "0.10"}}) {
        EXPECT_EQ(labelText(slot), name);
        EXPECT_EQ(readout(slot), seconds);
    }
    EXPECT_EQ(labelText(4), "    ");
    EXPECT_EQ(total(), "Total Duration (seconds):  1.60");
    drop(kDropZone, {hat, kick});
    EXPECT_EQ(lengths(0, 1), (std::vector<int32_t>{4410, 44100}));
    EXPECT_FALSE(editor->DropButton->DropHighlight);

    std::filesystem::create_directories(scratch.path("folder"));
    sound("folder/a.wav", 300);
    sound("folder/b.flac", 400);
    kittest::writeText(scratch.path("folder/readme.txt"), "text");
    drop(labelCentre(10), {scratch.path("folder")});
    EXPECT_EQ(length(10) + length(11), 700);
    EXPECT_TRUE(editor->SlotLabel[10]->HasFile && editor->SlotLabel[11]->HasFile);
    EXPECT_EQ(lengths(9, 12), (std::vector<int32_t>{0, length(10), length(11), 0}));
    CDropSource broken;  // a package whose first item could not be read is refused
    broken.add("?", 1, IDataPackage::kError);
    broken.add(kick.c_str(), static_cast<uint32_t>(kick.size()), IDataPackage::kFilePath);
    EXPECT_FALSE(screen->drop(&broken, labelCentre(9)));
    EXPECT_EQ(length(9), 0);
}

TEST_F(EditorTest, ADragHighlightsTheSlotsItsSoundsWouldFill) {
    const std::string text = scratch.path("notes.txt");
    kittest::writeText(text, "not a sound");
    CDropSource package({sound("a.wav", 100), text, sound("b.wav", 100)});
    screen->dragEnter(&package, labelCentre(21));
    for (int32 n = 0; n < kNumSlots; ++n) EXPECT_EQ(editor->SlotLabel[n]->DropHighlight, n == 21 || n == 22) << n;
    screen->dragMove(&package, {120, 500});  // off the labels
    screen->dragLeave(&package, {120, 500});
    for (int32 n = 0; n < kNumSlots; ++n) EXPECT_FALSE(editor->SlotLabel[n]->DropHighlight);
    screen->dragEnter(&package, kDropZone);
    EXPECT_TRUE(editor->DropButton->DropHighlight);
    // The open window's timer pulses the highlighted labels, every 50 ms.
    screen->dragMove(&package, labelCentre(4));
    const auto start = CVSTGUITimer::Clock::now();
    int32 changes = 0;
    for (int tick = 1, previous = editor->SlotLabel[4]->HighlightPhase; tick <= 6; ++tick) {
        CVSTGUITimer::fireDueTimers(start + std::chrono::milliseconds(60 * tick));
        editor->getFrame()->idle();
        changes += editor->SlotLabel[4]->HighlightPhase != previous;
        previous = editor->SlotLabel[4]->HighlightPhase;
    }
    EXPECT_GE(changes, 5);
    EXPECT_EQ(editor->SlotLabel[3]->HighlightPhase, 0);
    screen->dragLeave(&package, labelCentre(4));
    EXPECT_FALSE(editor->DropButton->DropHighlight);
}

TEST_F(EditorTest, ClicksPlayEraseAndExchangeSlots) {
    drop(kDropZone, {sound("a.wav", 44100, 0.5f), sound("b.wav", 22050, -0.5f), sound("c.wav", 3000)});
    click(keyCentre(1));
    EXPECT_EQ(sounding(), slotBit(1));
    click(labelCentre(0));
    EXPECT_EQ(sounding(), slotBit(0) | slotBit(1));
    click(keyCentre(1));  // a second click, which turns the key off, plays it again
    sounding();
    EXPECT_EQ(effect->PlayPosition[1], 64.0);

    // Option-drag: the sounds, names and paths change places, the settings stay with the rows.
    effect->setParameter(kParamPitch + 1, 1.0f);
    exchange(1, 2);
    EXPECT_EQ(screen->cursor(), kCursorDefault);
    EXPECT_TRUE(labelText(1) == " c" && labelText(2) == " b" && readout(1) == "0.07" && readout(2) == "0.50");
    EXPECT_EQ(lengths(1, 2), (std::vector<int32_t>{3000, 22050}));
    EXPECT_TRUE(effect->SampleBuffer[1][100] == 0.25f && effect->SampleBuffer[2][100] == -0.5f);
    EXPECT_EQ(editor->SlotPath[2], scratch.path("b.wav"));
    EXPECT_EQ(effect->Pitch[1].load(), 48);
    exchange(2, 7);  // with an empty slot
    EXPECT_TRUE(!editor->SlotLabel[2]->HasFile && editor->SlotLabel[7]->HasFile && labelText(7) == " b");
    exchange(7, 7);  // over its own row nothing moves
    EXPECT_EQ(labelText(7), " b");

    // Control-click erases a slot, its name and settings; Shift-Control-click all of them.
    effect->setParameter(kParamVolume + 1, 0.0f);
    click(labelCentre(1), kLButton | kControl);
    EXPECT_TRUE(labelText(1) == "  " && readout(1) == "  " && length(1) == 0 && editor->SlotPath[1][0] == '\0');
    EXPECT_TRUE(!editor->SlotLabel[1]->HasFile && effect->Pitch[1] == 0 && effect->Volume[1] == 1.0f);
    EXPECT_EQ(total(), "Total Duration (seconds):  1.50");
    click(labelCentre(7), kLButton | kShift | kControl);
    EXPECT_EQ(lengths(0, 23), std::vector<int32_t>(24, 0));
    EXPECT_EQ(total(), "Total Duration (seconds):  0.00");
}

TEST_F(EditorTest, TheModeSwitchShowsTheSettingsAndDragsSetThem) {
    drop(kDropZone, {sound("a.wav", 1000), sound("b.wav", 1000)});
    const struct {
        int32 mode;
        const char* text;
        CHoriTxtAlign align;
        CColor colour;
    } modes[] = {{1, "      0", kRightText, PitchRevColor}, {2, "-> |", kCenterText, PlayVolColor},
                 {3, " >>", kCenterText, PitchRevColor}, {4, "+ 0", kRightText, PlayVolColor}, {0, "0.02", kRightText, kWhiteCColor}};
    for (const auto& m : modes) {
        switchMode(m.mode);
        EXPECT_EQ(editor->SlotLabel[0]->DisplayMode, m.mode);
        EXPECT_TRUE(readout(0) == m.text && readout(5) == (m.mode ? m.text : "  ")) << m.mode;  // empty slots too
        EXPECT_EQ(editor->DurationLabel[0]->getHoriAlign(), m.align) << m.mode;
        EXPECT_EQ(editor->DurationLabel[0]->getFontColor(), m.colour) << m.mode;
    }
    EXPECT_EQ(labelText(0), " a");
    // Dragging across a label sets the pitch from left (-48) to right (+48); Control-click resets it.
    switchMode(1);
    const CCoord row = slotRowTop(0) + 9;
    screen->mouseDown({34 + 172 * 0.75, row}, kLButton);
    screen->mouseMoved({206, row}, kLButton);
    screen->mouseUp({206, row}, 0);
    EXPECT_TRUE(effect->Pitch[0] == 48 && readout(0) == "     48" && editor->SlotLabel[0]->ParamValue == 1.0f);
    click({100, row}, kLButton | kControl);
    EXPECT_TRUE(effect->Pitch[0] == 0 && readout(0) == "      0");
    switchMode(2);
    click({35, slotRowTop(1) + 9});
    EXPECT_TRUE(effect->PlayMode[1] == PlayModeGate && readout(1) == "->  ");
    switchMode(3);
    click({200, slotRowTop(9) + 9});  // an empty slot's label does not edit
    EXPECT_FALSE(effect->Reverse[9]);
}

TEST_F(EditorTest, ExportRefusesAKitOverTwelveSecondsAndWritesOneOfTwelveThroughTheSaveDialog) {
    click(kExportButton);  // nothing loaded: nothing happens
    EXPECT_TRUE(editor->PendingSelector == 0 && !dialogShowing());
    drop(kDropZone, {sound("one.wav", 264600, 0.25f), sound("two.wav", 264601, -0.25f)});
    EXPECT_EQ(total(), "Total Duration (seconds):  12.00");
    EXPECT_EQ(editor->TotalLabel->getFontColor(), kRedCColor);
    click(kExportButton);
    EXPECT_TRUE(dialogShowing() && editor->PendingSelector == 0);
    EXPECT_EQ(dialogTitle() + " " + dialogMessage(),
              "Total Duration too long! please erase some sounds (Command-click) or replace with shorter ones!");
    click(kExportButton);  // a second press adds no second dialog
    EXPECT_EQ(editor->getFrame()->getModalView(), editor->MessageDialog);
    dismissDialog();
    EXPECT_FALSE(dialogShowing());

    drop(labelCentre(1), {sound("two.wav", 264600, -0.25f)});
    EXPECT_EQ(editor->TotalLabel->getFontColor(), kWhiteCColor);
    effect->setParameter(kParamReverse + 1, 1.0f);
    const std::string kit = scratch.path("my kit.aif");
    exportThrough(scratch, "");  // cancelled: nothing written, nothing pending
    EXPECT_EQ(editor->PendingSelector, 0);
    setenv("LD_LIBRARY_PATH", "/opt/host/lib", 1);  // a host's private libraries stay out of the dialog
    exportThrough(scratch, kit);
    unsetenv("LD_LIBRARY_PATH");
    ASSERT_TRUE(std::filesystem::exists(kit));
    EXPECT_EQ(kittest::readText(scratch.path("bin/args")) + kittest::readText(scratch.path("bin/env")),
              "--file-selection\n--save\n--confirm-overwrite\n--title=Export Kv7 Kit as..\n--file-filter=AIFF | *.aif\n"
              "--file-filter=All files | *\nunset\n");
    // Every slot on its own, through kdialog, which is preferred to zenity.
    exportThrough(scratch, scratch.path("single.wav"), kLButton | kShift, true, 0, "kdialog");
    for (const auto& [name, written] : {std::pair{"single_01.aif", true}, {"single_02.aif", true}, {"single_03.aif", false}})
        EXPECT_EQ(std::filesystem::exists(scratch.path(name)), written) << name;
    EXPECT_EQ(kittest::readText(scratch.path("bin/args")).rfind("--title\nExport individual files As..\n--getsavefilename\n", 0), 0u);
    EXPECT_NE(kittest::readText(scratch.path("bin/args")).find("\nAIFF (*.aif)\n"), std::string::npos);
    clickWithPath(kExportButton, kLButton, scratch.path("nothing"));  // neither installed: the user is told what to install
    EXPECT_EQ(dialogMessage(), CNewFileSelector::getMissingProgramText());
    dismissDialog();

    click(labelCentre(0), kLButton | kShift | kControl);
    effect->setParameter(kParamReverse + 1, 0.0f);
    drop(labelCentre(7), {kit});
    for (int32 n = 0; n < kNumSlots; ++n) EXPECT_EQ(labelText(n), " From Kv-7 import") << n;
    EXPECT_TRUE(length(0) == 264597 && length(1) > 264000 && effect->Reverse[1]);
    EXPECT_NEAR(effect->SampleBuffer[1][1000], -0.25f, 1e-4);
    EXPECT_EQ(readout(7), readout(1));
}

// The export button looks pressed while the pointer presses it, the drop zone highlighted while a
// drag is over it: each shows that look of its picture, read where the look is lit.
TEST_F(EditorTest, TheButtonsShowTheLookOfTheirState) {
    const auto shows = [&](int id, CPoint at, CPoint origin) {
        const WindowPicture* picture = findWindowPicture(id);
        int look = -1;
        for (int candidate : {0, 1}) {
            const uint32_t p = picture->pixels[(candidate * picture->height / 2 + int(at.y - origin.y)) * picture->width + int(at.x - origin.x)];
            if (screen->pixel(int(at.x), int(at.y)) == CColor(uint8(p >> 16), uint8(p >> 8), uint8(p))) look = look == -1 ? candidate : 2;
        }
        return look;
    };
    screen->mouseDown(kExportButton, kLButton);  // nothing loaded: the press exports nothing
    for (const auto& [where, look] : {std::pair{kExportButton, 1}, {CPoint(120, 400), 0}, {kExportButton, 1}}) {
        screen->mouseMoved(where, kLButton);
        editor->getFrame()->idle();
        EXPECT_EQ(shows(129, kExportButton, {14, 73}), look) << where.y;
    }
    screen->mouseUp(kExportButton, 0);
    CDropSource package({sound("a.wav", 100)});
    screen->dragEnter(&package, kDropZone);
    editor->getFrame()->idle();
    EXPECT_EQ(shows(130, kDropZone, {8, 11}), 1);
    screen->drop(&package, kDropZone);  // the drop ends the drag: the zone is redrawn at rest
    editor->getFrame()->idle();
    EXPECT_EQ(shows(130, kDropZone, {8, 11}), 0);
}

// A user removes the plug-in from its track while its save dialog is open, and another instance
// keeps pumping its window: the dialog goes with its editor, and its answer reaches nothing.
TEST_F(EditorTest, ClosingThePlugInClosesItsSaveDialog) {
    OffscreenEditor other;
    drop(kDropZone, {sound("a.wav", 1000)});
    const std::string kit = scratch.path("late.aif");
    exportThrough(scratch, kit, kLButton, false, 0.5);
    pid_t dialog = 0;
    for (int i = 0; i < 500 && !(std::ifstream(scratch.path("bin/pid")) >> dialog); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(dialog, 0);
    AEffect* closing = effect->getAeffect();
    effect = nullptr;
    closing->dispatcher(closing, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_NE(kill(dialog, 0), 0) << "the dialog is still open";
    for (int i = 0; i < 100; ++i) {
        other.editor->hostIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(std::filesystem::exists(kit));
}

TEST_F(EditorTest, ReopeningShowsTheSameKitInNameModeAndTheExportButtonFollowsItsParameter) {
    drop(labelCentre(3), {sound("clap.WAV", 22050)});
    switchMode(2);
    editor->close();
    EXPECT_TRUE(!editor->IsOpen && editor->getFrame() == nullptr);
    editor->setParameter(ADEditor::kExportButtonTag, 1.0f);  // closed: nothing to set
    open();
    EXPECT_TRUE(labelText(3) == " clap" && readout(3) == "0.50" && editor->SlotLabel[3]->DisplayMode == 0);
    EXPECT_EQ(editor->ModeSwitch->getValue(), 0.0f);
    for (const auto& [value, shown] : {std::pair{0.3f, 1.0f}, {0.0f, 0.0f}}) {
        editor->setParameter(ADEditor::kExportButtonTag, value);
        EXPECT_EQ(editor->ExportButton->getValue(), shown);
    }
}

}  // namespace
