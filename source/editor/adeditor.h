// The plug-in's window: 24 slot rows over a two-octave keyboard picture. One editor lives as long
// as its effect; each open builds the views anew from the kit store, the parameters and SlotPath.
// Threads: user-interface thread, except setParameter (see there).
#pragma once

#include <atomic>

#include "engine/kit_constants.h"
#include "vstgui/aeffguieditor.h"
#include "vstgui/cbitmap.h"
#include "vstgui/cvstguitimer.h"

class Kv7DrumEditEdit;

class ADEditor : public VSTGUI::AEffGUIEditor, public VSTGUI::CBaseObject {
public:
    explicit ADEditor(void* effect);
    ~ADEditor() override;

    // Called by the effect for every parameter change, from whichever thread made it; only the
    // export button's index is used, and only while the window is open.
    void setParameter(VSTGUI::int32 index, float value) override;
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender, VSTGUI::IdStringPtr message) override;
    virtual void MyIdle();

    static constexpr VSTGUI::int32 kExportButtonTag = 196;
    static constexpr VSTGUI::uint32 kClosedTimerPeriodMs = 150;
    static constexpr VSTGUI::uint32 kOpenTimerPeriodMs = 50;

    VSTGUI::CBitmap* BackgroundBitmap = nullptr;
    VSTGUI::CBitmap* ExportBitmap = nullptr;
    VSTGUI::CBitmap* DropBitmap = nullptr;
    VSTGUI::CBitmap* ModeBitmap = nullptr;
    VSTGUI::CVSTGUITimer* IdleTimer = nullptr;
    std::atomic<bool> IsOpen{false};
    char SlotPath[kNumSlots][512];
};
