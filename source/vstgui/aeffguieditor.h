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

    // The window's size in pixels: the layout's (rect) times the scale factor.
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

    // The scale the host wants the window drawn at (the LV2 face's ui:scaleFactor), 0 for none;
    // it counts from the next time the window is sized or opened.
    void setHostScaleFactor(double scale);
    // Window pixels per layout unit (x11scalefactor.h): decided when the host first asks for the
    // size or opens the window, and kept until the window closes.
    double getScaleFactor();

protected:
    AudioEffectX* effectX() const;

    // The window's size in the layout.
    ERect rect{};
    int32 knobMode = 0;

private:
    bool inHostIdle = false;
    double hostScale = 0;
    double scaleFactor = 0;  // 0 until decided
    ERect windowRect{};
};

}  // namespace VSTGUI
