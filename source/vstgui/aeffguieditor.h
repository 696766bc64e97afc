// The VST 2.4 editor binding: an AEffEditor whose window is a GUI frame. It reports edits and
// size requests to the host through its effect, and the host's idle calls pump the window's events,
// the file dialogs and the GUI timers.
// Threads: user-interface thread, except setParameter, which the effect calls from whichever
// thread set the parameter.
#pragma once

#include "frame/aeffeditor.h"
#include "vstgui/crect.h"
#include "vstgui/vstguieditorinterface.h"

class AudioEffectX;

namespace VSTGUI {

class AEffGUIEditor : public AEffEditor, public VSTGUIEditorInterface {
public:
    // Registers itself as the effect's editor.
    explicit AEffGUIEditor(void* effect);
    ~AEffGUIEditor() override;

    virtual void setParameter(int32 /*index*/, float /*value*/) {}

    bool getRect(ERect** rect) override;
    // Subclasses create their CFrame into parent (the host's X window id) after calling this.
    bool open(void* parent) override;
    // Releases a frame the subclass left open.
    void close() override;
    // Handles all pending window events and file-dialog output, fires the due timers, repaints the
    // dirty views, then calls idle(). Final: subclasses that take over idle() keep the window live.
    void hostIdle() final;
    // Repaints the frame's dirty views.
    void idle() override;
    bool setKnobMode(VstInt32 mode) override;
    // Keys the host passes on go to the frame's focus view.
    bool onKeyDown(VstKeyCode& key) override;

    void doIdleStuff() override;
    int32 getKnobMode() const override { return knobMode; }
    void beginEdit(int32 index) override;
    void endEdit(int32 index) override;

    // Asks the host for a new window size; sent only to hosts that say they can do "sizeWindow".
    bool requestResize(const CPoint& newSize);

protected:
    AudioEffectX* effectX() const;

    ERect rect{};
    int32 knobMode = 0;

private:
    bool inHostIdle = false;
};

}  // namespace VSTGUI
