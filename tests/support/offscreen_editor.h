// The real editor of a real effect, open in an offscreen window and driven as a user drives it:
// drops, clicks with modifiers, Option-drags, the mode switch and the save dialog. The window is
// drawn at the scale given (1 unless told, whatever the desktop's), and the helpers take points
// of the layout and act at those points times the scale.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "editor/adeditor.h"
#include "editor/cmydragbutton.h"
#include "editor/cmytextlabel.h"
#include "editor/keyboard_layout.h"
#include "editor/slot_rows.h"
#include "editor/vembdialog.h"
#include "engine/kv7drumeditedit.h"
#include "kit_test_support.h"
#include "vstgui/cdropsource.h"
#include "vstgui/ctextlabel.h"
#include "vstgui/platform/offscreen/offscreenframe.h"

inline VSTGUI::CPoint labelCentre(int32_t slot) { return {120, slotRowTop(slot) + 9}; }
inline VSTGUI::CPoint keyCentre(int32_t slot) {
    return {REALKEYS_X[slot] + REALKEYS_W[slot] / 2.0, REALKEYS_Y[slot] + 3 + keyAreaHeight(slot) / 2.0};
}
// The mode switch's five positions are fifths of its 228 pixels at x 16.
inline VSTGUI::CPoint modePosition(int32_t mode) { return {16 + 228 * (mode + 0.5) / 5, 130}; }
inline const VSTGUI::CPoint kDropZone{120, 35};
inline const VSTGUI::CPoint kExportButton{120, 88};

class OffscreenEditor {
public:
    explicit OffscreenEditor(double windowScale = 1)
        : effect(new Kv7DrumEditEdit(nullptr)), editor(effect->getADEditor()), scale(windowScale) {
        kitfiles::setTraceStream(nullptr);
        open();
    }
    ~OffscreenEditor() {
        delete effect;
        kitfiles::setTraceStream(stderr);
    }
    OffscreenEditor(const OffscreenEditor&) = delete;
    OffscreenEditor& operator=(const OffscreenEditor&) = delete;

    void open() {
        editor->setHostScaleFactor(scale);
        editor->open(nullptr);
        screen = VSTGUI::OffscreenFrame::of(editor->getFrame());
    }
    // Where a point of the layout lies in the window.
    VSTGUI::CPoint at(const VSTGUI::CPoint& where) const { return {where.x * scale, where.y * scale}; }
    void drop(const VSTGUI::CPoint& where, const std::vector<std::string>& paths) {
        VSTGUI::CDropSource package(paths);
        screen->dragEnter(&package, at(where));
        screen->dragMove(&package, at(where));
        screen->drop(&package, at(where));
    }
    void click(const VSTGUI::CPoint& where, VSTGUI::int32 buttons = VSTGUI::kLButton) {
        screen->mouseDown(at(where), buttons);
        screen->mouseUp(at(where), buttons & ~VSTGUI::kModifierMask);
    }
    // Option-drag from one slot's label to another's.
    void exchange(int32_t from, int32_t to) {
        screen->mouseDown(at(labelCentre(from)), VSTGUI::kLButton | VSTGUI::kAlt);
        screen->mouseMoved(at(labelCentre(to)), VSTGUI::kLButton | VSTGUI::kAlt);
        screen->mouseUp(at(labelCentre(to)), 0);
    }
    void switchMode(int32_t mode) { click(modePosition(mode)); }
    // A press on the export button answered by a save dialog: `program` as a script that logs its
    // arguments and LD_LIBRARY_PATH to bin/args and bin/env and answers `chosen` (cancels when
    // empty) after `seconds`. With wait, pumps until the dialog has ended.
    void exportThrough(const kittest::ScratchFolder& scratch, const std::string& chosen, VSTGUI::int32 buttons = VSTGUI::kLButton,
                       bool wait = true, double seconds = 0, const std::string& program = "zenity") {
        const std::string bin = scratch.path("bin");
        std::filesystem::create_directories(bin);
        std::ofstream(bin + "/" + program) << "#!/bin/sh\necho $$ > '" << bin << "/pid'\nprintf '%s\\n' \"$@\" > '" << bin
                                           << "/args'\necho \"${LD_LIBRARY_PATH-unset}\" > '" << bin << "/env'\nsleep " << seconds << "\n"
                                           << (chosen.empty() ? "exit 1\n" : "echo '" + chosen + "'\n");
        chmod((bin + "/" + program).c_str(), 0755);
        clickWithPath(kExportButton, buttons, bin + ":" + std::getenv("PATH"));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (wait && editor->PendingSelector != 0 && std::chrono::steady_clock::now() < deadline) {
            editor->hostIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    void clickWithPath(const VSTGUI::CPoint& where, VSTGUI::int32 buttons, const std::string& path) {
        const std::string saved = std::getenv("PATH");
        setenv("PATH", path.c_str(), 1);
        click(where, buttons);
        setenv("PATH", saved.c_str(), 1);
    }
    bool dialogShowing() const { return editor->getFrame()->isChild(editor->MessageDialog); }
    std::string dialogTitle() const { return editor->MessageDialog->getDialogTitle(); }
    std::string dialogMessage() const { return editor->MessageDialog->getDialogMessage(); }
    void dismissDialog() {
        const VSTGUI::CRect& ok = editor->MessageDialog->OKButtonRect;
        click({ok.left + 5, ok.top + 5});
    }
    int32_t length(int32_t slot) const { return effect->BufferLength[slot].load(); }
    // Renders a block of frames and answers which slots sound.
    uint32_t sounding(int32_t frames = 64) {
        std::vector<float> left(frames), right(frames);
        float* outputs[2] = {left.data(), right.data()};
        effect->processReplacing(nullptr, outputs, frames);
        uint32_t slots = 0;
        for (int32_t slot = 0; slot < kNumSlots; ++slot) slots |= effect->IsPlaying[slot] ? slotBit(slot) : 0;
        return slots;
    }
    std::string labelText(int32_t slot) const { return editor->SlotLabel[slot]->getText(); }
    std::string readout(int32_t slot) const { return editor->DurationLabel[slot]->getText(); }
    std::string total() const { return editor->TotalLabel->getText(); }

    VSTGUI::ScopedOffscreenPlatform offscreen;  // first: the window opens on it
    Kv7DrumEditEdit* effect;
    ADEditor* editor;
    double scale;
    VSTGUI::OffscreenFrame* screen = nullptr;
};
