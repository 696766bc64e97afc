// The drop zone: a picture that takes files dragged from the desktop and shows its lower half
// while a drag is over it. Every drag event goes to the editor; clicks do nothing.
#pragma once

#include "vstgui/ccontrol.h"

class CMyDragButton : public VSTGUI::CControl {
public:
    CMyDragButton(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, VSTGUI::int32 tag,
                  VSTGUI::CBitmap* background);
    CMyDragButton(const CMyDragButton& other);
    ~CMyDragButton() override;

    VSTGUI::CView* newCopy() const override { return new CMyDragButton(*this); }

    void draw(VSTGUI::CDrawContext* context) override;
    bool onDrop(VSTGUI::IDataPackage* drag, const VSTGUI::CPoint& where) override;
    void onDragEnter(VSTGUI::IDataPackage* drag, const VSTGUI::CPoint& where) override;
    void onDragLeave(VSTGUI::IDataPackage* drag, const VSTGUI::CPoint& where) override;
    void onDragMove(VSTGUI::IDataPackage* drag, const VSTGUI::CPoint& where) override;
    VSTGUI::CMouseEventResult onMouseEntered(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseExited(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;

    // A file drag is over the zone; set by the editor, cleared by a drop.
    bool DropHighlight = false;

private:
    void setFrameCursor(VSTGUI::CCursorType type);
};
