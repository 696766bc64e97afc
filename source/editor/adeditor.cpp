// The editor's life: construction, building and tearing down the window, the timer and the
// notifications it receives.
#include "editor/adeditor.h"
#include "editor/text_copy.h"

#include <pthread.h>

#include <cstring>

#include "editor/cmydragbutton.h"
#include "editor/cmytextlabel.h"
#include "editor/keyboard_layout.h"
#include "editor/pictures/window_pictures.h"
#include "editor/slot_rows.h"
#include "editor/vembdialog.h"
#include "engine/kv7drumeditedit.h"
#include "vstgui/bitmap_resources.h"
#include "vstgui/cframe.h"
#include "vstgui/chorizontalswitch.h"
#include "vstgui/ckickbutton.h"
#include "vstgui/conoffbutton.h"
#include "vstgui/ctextlabel.h"

using namespace VSTGUI;

namespace {

constexpr int32 kBackgroundResource = 128;
constexpr int32 kExportResource = 129;
constexpr int32 kDropResource = 130;
constexpr int32 kModeResource = 131;
constexpr int32 kModeCount = 5;

CBitmap* loadWindowPicture(int32 id) {
    for (const double scale : kWindowPictureScales)
        if (const WindowPicture* picture = findWindowPicture(id, scale))
            registerBitmapResource(id, {picture->pixels, picture->width, picture->height, true, scale});
    return new CBitmap(id);
}

template <class Object>
void release(Object*& object) {
    if (object) object->forget();
    object = nullptr;
}

unsigned long currentThread() { return static_cast<unsigned long>(pthread_self()); }

}  // namespace

ADEditor::ADEditor(void* effect) : AEffGUIEditor(effect) {
    for (auto& path : SlotPath) path[0] = '\0';
    BackgroundBitmap = loadWindowPicture(kBackgroundResource);
    ExportBitmap = loadWindowPicture(kExportResource);
    DropBitmap = loadWindowPicture(kDropResource);
    ModeBitmap = loadWindowPicture(kModeResource);
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(BackgroundBitmap->getHeight());
    rect.right = static_cast<VstInt16>(BackgroundBitmap->getWidth());
    IdleTimer = new CVSTGUITimer(this, 240);
    IdleTimer->setFireTime(150);
    IdleTimer->start();
}

ADEditor::~ADEditor() {
    // A host may close the plug-in while its save dialog is still open.
    if (runningSelector) runningSelector->cancel();
    release(runningSelector);
    if (frame) close();
    release(BackgroundBitmap);
    release(ExportBitmap);
    release(DropBitmap);
    release(ModeBitmap);
    release(IdleTimer);
}

Kv7DrumEditEdit& ADEditor::kit() const { return *static_cast<Kv7DrumEditEdit*>(effect); }

bool ADEditor::open(void* parent) {
    // A host that opens twice without closing gets one window, not two.
    if (frame) close();
    AEffGUIEditor::open(parent);
    windowThread = currentThread();
    const CCoord width = BackgroundBitmap->getWidth();
    const CCoord height = BackgroundBitmap->getHeight();

    auto* newFrame = new CFrame(CRect(0, 0, width, height), this);
    newFrame->setZoom(getScaleFactor());
    newFrame->setBackground(BackgroundBitmap);

    for (int32 n = 0; n < kNumSlots; ++n) {
        const CCoord top = slotRowTop(n);
        auto* label = new CMyTextLabel(CRect(34, top, 206, top + 18), this, kFirstSlotLabelTag + n, "", nullptr,
                                       kNoFrame);
        label->setFont(kNormalFont);
        label->setBackColor(kTransparentCColor);
        label->setHoriAlign(kLeftText);
        SlotLabel[n] = label;
        updateTextLabelToPath(n);
        newFrame->addView(label);
    }
    for (int32 n = 0; n < kNumSlots; ++n) {
        const CCoord top = slotRowTop(n);
        auto* readout = new CTextLabel(CRect(210, top, 244, top + 16), nullptr, nullptr, kNoFrame);
        readout->setFont(kNormalFont);
        readout->setFontColor(kGreyCColor);
        readout->setBackColor(kTransparentCColor);
        readout->setHoriAlign(kRightText);
        DurationLabel[n] = readout;
        ReCalcDuration(n);
        newFrame->addView(readout);
    }
    for (int32 n = 0; n < kNumSlots; ++n) {
        const CCoord top = REALKEYS_Y[n] + 3;
        auto* key = new COnOffButton(CRect(REALKEYS_X[n], top, REALKEYS_X[n] + REALKEYS_W[n], top + keyAreaHeight(n)),
                                     this, kFirstKeyAreaTag + n, nullptr, 0);
        key->setValue(0.0f);
        KeyButton[n] = key;
        newFrame->addView(key);
    }

    MessageDialog = new vembDialog(CRect(12, 12, width - 12, 372), this, kMessageDialogTag, nullptr, 0);
    MessageDialog->setDialogStyle(0);

    TotalLabel = new CTextLabel(CRect(35, 726, 225, 742), nullptr, nullptr, kNoFrame);
    TotalLabel->setFont(kNormalFont);
    TotalLabel->setBackColor(kTransparentCColor);
    TotalLabel->setHoriAlign(kLeftText);
    ReCalcTotalDuration();
    newFrame->addView(TotalLabel);

    ExportButton = new CKickButton(CRect(CPoint(14, 73), CPoint(ExportBitmap->getWidth(), ExportBitmap->getHeight() / 2)),
                                   this, kExportButtonTag, ExportBitmap, CPoint(0, 0));
    ExportButton->setValue(kit().getParameter(kExportButtonTag));
    newFrame->addView(ExportButton);

    DropButton = new CMyDragButton(CRect(CPoint(8, 11), CPoint(DropBitmap->getWidth(), DropBitmap->getHeight() / 2)),
                                   this, kDropZoneTag, DropBitmap);
    DropButton->DropHighlight = false;
    newFrame->addView(DropButton);

    const CCoord modeHeight = ModeBitmap->getHeight() / kModeCount;
    ModeSwitch = new CHorizontalSwitch(CRect(CPoint(16, 113), CPoint(ModeBitmap->getWidth(), modeHeight)), this,
                                       kModeSwitchTag, kModeCount, modeHeight, kModeCount, ModeBitmap, CPoint(0, 0));
    ModeSwitch->setValue(0.0f);
    newFrame->addView(ModeSwitch);

    // Shown in the host's window; a host that gives none still gets a working, unshown editor.
    newFrame->open(parent);
    frame = newFrame;
    IsOpen = true;
    IdleTimer->setFireTime(50);
    return true;
}

void ADEditor::close() {
    IdleTimer->setFireTime(150);
    IsOpen = false;
    // A dialog that is not showing is ours to release; a showing one goes with the frame.
    if (MessageDialog && !(frame && frame->isChild(MessageDialog))) MessageDialog->forget();
    MessageDialog = nullptr;
    AEffGUIEditor::close();
    // The views went with the frame.
    for (int32 n = 0; n < kNumSlots; ++n) {
        SlotLabel[n] = nullptr;
        DurationLabel[n] = nullptr;
        KeyButton[n] = nullptr;
    }
    TotalLabel = nullptr;
    ExportButton = nullptr;
    DropButton = nullptr;
    ModeSwitch = nullptr;
}

void ADEditor::MyIdle() {
    if (!frame || !IsOpen) return;
    if (exportValuePending.exchange(false)) ExportButton->setValue(pendingExportValue.load());
    for (CMyTextLabel* label : SlotLabel)
        if (label->DropHighlight || label->DragState > 0) label->setDirty(true);
    AEffGUIEditor::idle();
}

void ADEditor::setParameter(int32 index, float value) {
    if (index != kExportButtonTag || !IsOpen) return;
    const float buttonValue = value != 0.0f ? 1.0f : 0.0f;
    if (currentThread() == windowThread) {
        ExportButton->setValue(buttonValue);
    } else {
        pendingExportValue = buttonValue;
        exportValuePending = true;
    }
}

CMessageResult ADEditor::notify(CBaseObject* sender, IdStringPtr message) {
    if (message == CVSTGUITimer::kMsgTimer) {
        MyIdle();
        return kMessageNotified;
    }
    auto* selector = dynamic_cast<CNewFileSelector*>(sender);
    if (selector && message == CNewFileSelector::kSelectEndMessage) {
        if (selector == runningSelector) release(runningSelector);
        if (selector->getNumSelectedFiles() > 0) {
            char path[kitfiles::kSlotPathSize];
            copyCut(path, selector->getSelectedFile(0));
            if (PendingSelector == kSlotExportPurpose)
                Save_All_Files_Individually(path);
            else
                Save_All_Buffer_To_KV7_File(path);
        }
        PendingSelector = 0;
        return kMessageNotified;
    }
    return kMessageUnknown;
}

int32 ADEditor::DoDialog(const char* title, const char* text) {
    if (!frame || !MessageDialog || frame->isChild(MessageDialog)) return 0;
    MessageDialog->setDialogText(title, text);
    MessageDialog->setDialogStyle(0);
    frame->setModalView(MessageDialog);
    return 0;
}

void ADEditor::runFileSelector(const char* title, CNewFileSelector::Style style, int32 purpose) {
    CNewFileSelector* selector = CNewFileSelector::create(frame, style);
    copyCut(selectorTitle, title);
    PendingSelector = purpose;
    if (!selector) {
        DoDialog(CNewFileSelector::getMissingProgramTitle(), CNewFileSelector::getMissingProgramText());
        return;
    }
    const CFileExtension aiff("AIFF", "aif", "audio/x-aiff", 0, nullptr);
    if (purpose == 101 || purpose == kKitExportPurpose || purpose == kSlotExportPurpose)
        selector->setDefaultExtension(aiff);
    selector->setTitle(selectorTitle);
    // One save dialog at a time: a second press replaces the first.
    if (runningSelector) runningSelector->cancel();
    release(runningSelector);
    if (selector->run(this))
        runningSelector = selector;
    else
        selector->forget();
}
