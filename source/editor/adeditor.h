// The plug-in's window: 24 slot rows over a two-octave keyboard picture, a drop zone, an export
// button, a display-mode switch and a message dialog. One editor lives as long as its effect; each
// open builds the views anew from the kit store, the parameters and SlotPath, and close throws
// them away.
// Threads: user-interface thread, except setParameter (see there).
#pragma once

#include <atomic>

#include "editor/cmycontrollistener.h"
#include "engine/kit_constants.h"
#include "kitfiles/kit_file_format.h"
#include "vstgui/aeffguieditor.h"
#include "vstgui/cbitmap.h"
#include "vstgui/cnewfileselector.h"
#include "vstgui/cvstguitimer.h"

namespace VSTGUI {
class CHorizontalSwitch;
class CKickButton;
class COnOffButton;
class CTextLabel;
}  // namespace VSTGUI

class CMyDragButton;
class CMyTextLabel;
class Kv7DrumEditEdit;
class vembDialog;

class ADEditor : public VSTGUI::AEffGUIEditor, public CMyControlListener, public VSTGUI::CBaseObject {
public:
    explicit ADEditor(void* effect);
    ~ADEditor() override;

    bool open(void* parent) override;
    void close() override;
    // The host's idle calls do not drive the window: IdleTimer does (see MyIdle).
    void idle() override {}
    // Called by the effect for every parameter change, from whichever thread made it. Only the
    // export button's index is used, and only while the window is open; from a thread other than
    // the window's, the change waits for the next timer tick.
    void setParameter(VSTGUI::int32 index, float value) override;
    void valueChanged(VSTGUI::CControl* control) override;
    bool HandleDragDrop(VSTGUI::CControl* control, VSTGUI::IDataPackage* package, bool flag,
                        const VSTGUI::CPoint& where) override;
    void dropRefused(const char* reason) override;
    void HandleDragEnterLeave(VSTGUI::CControl* control, VSTGUI::IDataPackage* package, bool entering,
                              const VSTGUI::CPoint& where) override;
    void MouseOver(VSTGUI::CControl*) override {}
    void MouseExit(VSTGUI::CControl*) override {}
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender, VSTGUI::IdStringPtr message) override;
    // Redraws the pulsing slot labels; runs on every tick of IdleTimer.
    virtual void MyIdle();

    // Shows a message in the modal dialog, unless one is showing already. Answers 0.
    VSTGUI::int32 DoDialog(const char* title, const char* text);
    void runFileSelector(const char* title, VSTGUI::CNewFileSelector::Style style, VSTGUI::int32 purpose);

    // Slot contents: what the drop zone, the slot labels and the export dialog lead to.
    bool CheckIfValidSoundFile(const char* path);
    // True when a slot's sound was rewritten.
    bool LoadExec_This_Sound_From_File(const char* path, VSTGUI::int32 kind, VSTGUI::int32 slot);
    void DoXPlatLoadStuff(const char* path, VSTGUI::int32 kind, VSTGUI::int32 unused, VSTGUI::int32 slot);
    void Finish_Load_KV7_File(const char* path, VSTGUI::int32 unused, bool factory);
    void Save_All_Buffer_To_KV7_File(const char* path);
    void Save_All_Files_Individually(const char* path);
    void StoreAndLoadFile(VSTGUI::int32 slot);

    // The window's texts: a slot's name, its duration, the kit's total duration.
    void updateTextLabelToPath(VSTGUI::int32 slot);
    void ReCalcDuration(VSTGUI::int32 slot);
    void ReCalcTotalDuration();

    static constexpr VSTGUI::int32 kMessageDialogTag = 2;
    static constexpr VSTGUI::int32 kFirstSlotLabelTag = 52;
    static constexpr VSTGUI::int32 kFirstKeyAreaTag = 76;
    static constexpr VSTGUI::int32 kExportButtonTag = 196;
    static constexpr VSTGUI::int32 kDropZoneTag = 198;
    static constexpr VSTGUI::int32 kModeSwitchTag = 199;
    static constexpr VSTGUI::int32 kKitExportPurpose = 102;
    static constexpr VSTGUI::int32 kSlotExportPurpose = 103;

    VSTGUI::CBitmap* BackgroundBitmap = nullptr;
    VSTGUI::CBitmap* ExportBitmap = nullptr;
    VSTGUI::CBitmap* DropBitmap = nullptr;
    VSTGUI::CBitmap* ModeBitmap = nullptr;
    VSTGUI::CVSTGUITimer* IdleTimer = nullptr;
    // True while the window is open, false while a sound is being loaded.
    std::atomic<bool> IsOpen{false};
    CMyTextLabel* SlotLabel[kNumSlots] = {};
    VSTGUI::CTextLabel* DurationLabel[kNumSlots] = {};
    VSTGUI::CTextLabel* TotalLabel = nullptr;
    VSTGUI::CKickButton* ExportButton = nullptr;
    VSTGUI::int32 PendingSelector = 0;
    VSTGUI::COnOffButton* KeyButton[kNumSlots] = {};
    CMyDragButton* DropButton = nullptr;
    VSTGUI::CHorizontalSwitch* ModeSwitch = nullptr;
    kitfiles::SlotPaths SlotPath;
    vembDialog* MessageDialog = nullptr;

private:
    Kv7DrumEditEdit& kit() const;
    void playSlot(VSTGUI::int32 slot);
    void eraseSlot(VSTGUI::int32 slot);
    void exchangeSlots(CMyTextLabel* reporting, VSTGUI::int32 reportingSlot);
    void slotLabelChanged(CMyTextLabel* label, VSTGUI::int32 slot);
    void modeSwitchChanged();
    void exportButtonPressed();
    void showParameter(VSTGUI::int32 slot, VSTGUI::int32 mode);
    // What became of a path given to a slot: refused (and a message) when the slot cannot hold it.
    enum class SlotLoad { Refused, Failed, Loaded };
    // Stores path as the slot's and loads it.
    SlotLoad storePathAndLoad(const char* path, VSTGUI::int32 slot);
    void showFailure(const char* title, const std::string& message);

    // The window's thread (read by whichever thread sets a parameter), and an export-button value
    // set from another thread meanwhile.
    std::atomic<unsigned long> windowThread{0};
    std::atomic<bool> exportValuePending{false};
    std::atomic<float> pendingExportValue{0.0f};
    char selectorTitle[256] = {};
    // The save dialog still open, if any. It reports to this editor, so it must not outlive it.
    VSTGUI::CNewFileSelector* runningSelector = nullptr;
};
