// The control listener of the editor's own controls: the toolkit's listener and four operations
// of our own, which the slot labels, the drop zone and the message dialog call.
#pragma once

#include "vstgui/cpoint.h"
#include "vstgui/icontrollistener.h"

namespace VSTGUI {
class IDataPackage;
}

class CMyControlListener : public VSTGUI::IControlListener {
public:
    // Files were dropped on control; the controls pass false as flag. True when anything loaded.
    virtual bool HandleDragDrop(VSTGUI::CControl* control, VSTGUI::IDataPackage* package, bool flag,
                                const VSTGUI::CPoint& where) = 0;
    // A drag entered (true) or left (false) control.
    virtual void HandleDragEnterLeave(VSTGUI::CControl* control, VSTGUI::IDataPackage* package, bool entering,
                                      const VSTGUI::CPoint& where) = 0;
    // The pointer entered or left control.
    virtual void MouseOver(VSTGUI::CControl* control) = 0;
    virtual void MouseExit(VSTGUI::CControl* control) = 0;
};

// The extended listener behind a control's listener, or null when it has another kind.
inline CMyControlListener* myListener(VSTGUI::IControlListener* listener) {
    return dynamic_cast<CMyControlListener*>(listener);
}
