// The label of one slot row: shows the slot's file name, or in display modes 1 to 4 a marker for
// its pitch, play mode, direction or volume, and turns the user's gestures into reports to the
// editor. A press leaves a code in the value: 1.0 a plain click (an Option-press starts a drag to
// another slot), 2.1 Command-click, 3.1 Shift-Command-click in mode 0; 4.1 Command-click, 5.1
// Shift-click in modes 1 to 4. A horizontal drag in modes 1 to 4 sets ParamValue.
#pragma once

#include <string>

#include "vstgui/cparamdisplay.h"

class CMyTextLabel : public VSTGUI::CParamDisplay {
public:
    CMyTextLabel(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, VSTGUI::int32 tag, const char* text,
                 VSTGUI::CBitmap* background, VSTGUI::int32 style);

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseEntered(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseExited(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    bool onDrop(VSTGUI::IDataPackage* drag, const VSTGUI::CPoint& where) override;
    void onDragEnter(VSTGUI::IDataPackage* drag, const VSTGUI::CPoint& where) override;
    void onDragLeave(VSTGUI::IDataPackage* drag, const VSTGUI::CPoint& where) override;
    void onDragMove(VSTGUI::IDataPackage* drag, const VSTGUI::CPoint& where) override;

    // A different text (null counts as empty) replaces the shown one and marks the label dirty.
    virtual void setText(const char* text);
    virtual const char* getText() const { return text.c_str(); }

    // -1 before the first release, 0 idle, 1 while an Option-drag from this label is under way.
    VSTGUI::int32 DragState = -1;
    // During an Option-drag: the slot whose label area is under the pointer, else -1.
    VSTGUI::int32 DragTarget = -1;
    // A file drag would land on this slot; set by the editor, cleared by a drop.
    bool DropHighlight = false;
    // Step of the pulsing highlight, 0 to 408.
    VSTGUI::int32 HighlightPhase = 0;
    // 0 file name, 1 pitch, 2 play mode, 3 direction, 4 volume.
    VSTGUI::int32 DisplayMode = 0;
    // The shown parameter, 0 to 1, in modes 1 to 4.
    float ParamValue = 0.f;
    bool HasFile = false;

private:
    void setFrameCursor(VSTGUI::CCursorType type);

    std::string text;
};
