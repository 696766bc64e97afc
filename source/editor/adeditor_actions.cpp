// What the window's controls do: play, erase, exchange and adjust slots, switch the display mode,
// export, and dismiss the message dialog.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "editor/adeditor.h"
#include "editor/text_copy.h"
#include "editor/cmytextlabel.h"
#include "editor/editor_colors.h"
#include "editor/vembdialog.h"
#include "engine/kv7drumeditedit.h"
#include "engine/parameter_rounding.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/kit_trace.h"
#include "vstgui/cframe.h"
#include "vstgui/chorizontalswitch.h"
#include "vstgui/ckickbutton.h"
#include "vstgui/ctextlabel.h"

using namespace VSTGUI;

namespace {

// The value a slot's parameter returns to when reset, by display mode.
constexpr float kDefaultParam[5] = {0.0f, 0.5f, 0.5f, 0.0f, 0.5f};

// The parameter of slot n shown in display mode m (1 to 4).
constexpr int32 parameterOf(int32 mode, int32 slot) { return kParamPitch + kNumSlots * (mode - 1) + slot; }

}  // namespace

void ADEditor::valueChanged(CControl* control) {
    if (!IsOpen || !control) return;
    const int32 tag = control->getTag();
    if (tag >= kFirstKeyAreaTag && tag < kFirstKeyAreaTag + kNumSlots) {
        // Every click on a key plays its slot, whether the button went on or off.
        playSlot(tag - kFirstKeyAreaTag);
    } else if (tag >= kFirstSlotLabelTag && tag < kFirstSlotLabelTag + kNumSlots) {
        slotLabelChanged(static_cast<CMyTextLabel*>(control), tag - kFirstSlotLabelTag);
    } else if (tag == kModeSwitchTag) {
        modeSwitchChanged();
    } else if (tag == kExportButtonTag) {
        if (control->getValue() > 0.5f) exportButtonPressed();
    } else if (tag == kMessageDialogTag) {
        if (control->getValue() > 0.5f) {
            MessageDialog->looseFocus();
            if (frame->isChild(MessageDialog)) frame->removeView(MessageDialog, false);
        }
    }
}

void ADEditor::playSlot(int32 slot) { kit().setParameter(kParamTrigger, static_cast<float>(slot)); }

void ADEditor::slotLabelChanged(CMyTextLabel* label, int32 slot) {
    if (label->DragState > 0) {
        exchangeSlots(label, slot);
        return;
    }
    const float value = label->getValue();
    if (label->DisplayMode <= 0) {
        if (value >= 3.0f) {
            for (int32 n = 0; n < kNumSlots; ++n) eraseSlot(n);
        } else if (value >= 2.0f) {
            eraseSlot(slot);
        } else {
            playSlot(slot);
        }
        return;
    }
    if (!label->HasFile) return;
    if (value >= 5.0f) {
        playSlot(slot);
        return;
    }
    const int32 mode = label->DisplayMode > 4 ? 4 : label->DisplayMode;
    const int32 parameter = parameterOf(mode, slot);
    kit().setParameter(parameter, value >= 4.0f ? kDefaultParam[mode] : label->ParamValue);
    // The label shows the value as the effect rounded it.
    showParameter(slot, mode);
    label->setDirty(true);
}

void ADEditor::eraseSlot(int32 slot) {
    // The sound itself stays in memory and a sounding slot plays on to its new end: only its
    // length, name and settings go.
    kit().BufferLength[slot].store(0);
    SlotPath[slot][0] = '\0';
    SlotLabel[slot]->HasFile = false;
    ReCalcDuration(slot);
    ReCalcTotalDuration();
    SlotLabel[slot]->setText("  ");
    kit().setParameter(kParamPitch + slot, kInitialPitchValue);
    kit().setParameter(kParamPlayMode + slot, kInitialPlayModeValue);
    kit().setParameter(kParamReverse + slot, kInitialReverseValue);
    kit().setParameter(kParamVolume + slot, kInitialVolumeValue);
}

void ADEditor::exchangeSlots(CMyTextLabel* reporting, int32 reportingSlot) {
    frame->setCursor(kCursorDefault);
    kit().stopSlot(reportingSlot);
    const int32 target = reporting->DragTarget;
    if (target < 0 || target >= kNumSlots) return;
    int32 source = 0;
    for (int32 n = kNumSlots - 1; n >= 1; --n) {
        if (SlotLabel[n]->DragState == 1) {
            source = n;
            break;
        }
    }
    if (source == target || reporting->DragState != 1) return;

    std::unique_ptr<float[]> copy(new (std::nothrow) float[MAX_BUFFERLENGTH]);
    if (!copy) return;  // no memory for the exchange: both slots stay as they are
    {
        SlotWriteAccess access(kit(), slotBit(source) | slotBit(target));
        float* sourceBuffer = access.buffer(source);
        float* targetBuffer = access.buffer(target);
        std::memcpy(copy.get(), sourceBuffer, sizeof(float) * MAX_BUFFERLENGTH);
        std::memcpy(sourceBuffer, targetBuffer, sizeof(float) * MAX_BUFFERLENGTH);
        std::memcpy(targetBuffer, copy.get(), sizeof(float) * MAX_BUFFERLENGTH);
        const int32 sourceLength = kit().BufferLength[source].load();
        kit().BufferLength[source].store(kit().BufferLength[target].load());
        kit().BufferLength[target].store(sourceLength);
    }

    char sourcePath[256], targetPath[256], sourceText[256], targetText[256];
    copyCut(sourcePath, SlotPath[source]);
    copyCut(targetPath, SlotPath[target]);
    copyCut(sourceText, SlotLabel[source]->getText());
    copyCut(targetText, SlotLabel[target]->getText());
    copyCut(SlotPath[source], targetPath);
    copyCut(SlotPath[target], sourcePath);
    SlotLabel[source]->setText(targetText);
    SlotLabel[target]->setText(sourceText);
    std::swap(SlotLabel[source]->HasFile, SlotLabel[target]->HasFile);

    ReCalcDuration(target);
    ReCalcDuration(source);
    ReCalcTotalDuration();
    SlotLabel[target]->setDirty(true);
    SlotLabel[source]->setDirty(true);
}

void ADEditor::showParameter(int32 slot, int32 mode) {
    const int32 parameter = parameterOf(mode, slot);
    SlotLabel[slot]->ParamValue = kit().getParameter(parameter);
    char text[kVstMaxParamStrLen + 8] = "";
    kit().getParameterDisplay(parameter, text);
    DurationLabel[slot]->setText(text);
}

void ADEditor::modeSwitchChanged() {
    const int32 mode = roundToInt32(ModeSwitch->getValue() * 4.0f);
    if (mode == SlotLabel[0]->DisplayMode) return;
    for (int32 n = 0; n < kNumSlots; ++n) {
        DurationLabel[n]->setHoriAlign(mode == 2 || mode == 3 ? kCenterText : kRightText);
        if (mode == 1 || mode == 3)
            DurationLabel[n]->setFontColor(PitchRevColor);
        else if (mode == 2 || mode == 4)
            DurationLabel[n]->setFontColor(PlayVolColor);
        else
            DurationLabel[n]->setFontColor(kGreyCColor);
        if (mode >= 1) {
            SlotLabel[n]->DisplayMode = mode;
            showParameter(n, mode);
        } else {
            SlotLabel[n]->ParamValue = 0.0f;
            SlotLabel[n]->DisplayMode = 0;
            updateTextLabelToPath(n);
            ReCalcDuration(n);
        }
        SlotLabel[n]->setDirty(true);
    }
}

void ADEditor::exportButtonPressed() {
    int32 filled = 0;
    for (int32 n = 0; n < kNumSlots; ++n)
        if (SlotPath[n][0] != '\0' && kit().BufferLength[n].load() > 0) ++filled;
    if (filled == 0) return;

    const int32 buttons = ExportButton->getMouseDownButtons() & (kLButton | kMButton | kRButton | kModifierMask);
    if (buttons == (kLButton | kShift)) {
        runFileSelector("Export individual files As..", CNewFileSelector::kSelectSaveFile, kSlotExportPurpose);
        return;
    }
    const int64_t total = kitfiles::kitTotalLength(kit());
    if (total < MAX_BUFFERLENGTH + 1) {
        runFileSelector("Export Kv7 Kit as..", CNewFileSelector::kSelectSaveFile, kKitExportPurpose);
        return;
    }
    DoDialog(kitfiles::kTotalDurationTooLong, "please erase some sounds (Command-click) or replace with shorter ones!");
    kitfiles::trace("\n Displayed Total Duration too long because TotalDur is %i and MAX_BUFFERLENGTH is %i",
                    static_cast<int>(total), MAX_BUFFERLENGTH);
}
