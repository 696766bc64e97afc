// The window's texts: each slot's file name and duration, and the kit's total duration, red once
// the kit no longer fits the instrument's 12 seconds.
#include <cstdio>

#include "editor/adeditor.h"
#include "editor/text_copy.h"
#include "editor/cmytextlabel.h"
#include "engine/kv7drumeditedit.h"
#include "kitfiles/text_helpers.h"
#include "vstgui/ctextlabel.h"

using namespace VSTGUI;

namespace {

// Durations are counted at 44100 samples a second, in single precision.
void formatSeconds(char (&text)[64], int32 samples) {
    std::snprintf(text, sizeof text, "%.2f", static_cast<float>(samples) / 44100.0f);
}

}  // namespace

void ADEditor::updateTextLabelToPath(int32 slot) {
    CMyTextLabel* label = SlotLabel[slot];
    if (!label) return;
    if (SlotPath[slot][0] == '\0') {
        label->HasFile = false;
        label->setText("    ");
        return;
    }
    char name[256];
    copyCut(name, SlotPath[slot]);
    FileNameOnly(name);
    char text[257];
    std::snprintf(text, sizeof text, " %s", name);
    label->HasFile = true;
    label->setText(text);
}

void ADEditor::ReCalcDuration(int32 slot) {
    CTextLabel* readout = DurationLabel[slot];
    if (!readout) return;
    const int32 length = kit().BufferLength[slot].load();
    char text[64] = "  ";
    if (length > 0) formatSeconds(text, length);
    // In the parameter modes this column shows the parameters instead.
    if (SlotLabel[0] && SlotLabel[0]->DisplayMode != 0) return;
    readout->setFontColor(length < MAX_BUFFERLENGTH + 1 ? kWhiteCColor : kRedCColor);
    readout->setText(text);
}

void ADEditor::ReCalcTotalDuration() {
    if (!TotalLabel) return;
    int32 total = 0;
    for (int32 slot = 0; slot < kNumSlots; ++slot) total += kit().BufferLength[slot].load();
    char seconds[64];
    formatSeconds(seconds, total);
    char text[128];
    std::snprintf(text, sizeof text, "Total Duration (seconds):  %s", seconds);
    TotalLabel->setFontColor(total < MAX_BUFFERLENGTH + 1 ? kWhiteCColor : kRedCColor);
    TotalLabel->setText(text);
}
