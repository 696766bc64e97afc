#include "vstgui/cframe.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "vstgui/cbitmap.h"
#include "vstgui/cdrawcontext.h"
#include "vstgui/textpreparation.h"
#include "vstgui/platform/common/drawntextedit.h"
#include "vstgui/vstguieditorinterface.h"

namespace VSTGUI {
namespace {

// Keeps a view alive while it handles an event that may remove it from the frame.
class ViewGuard {
public:
    explicit ViewGuard(CView* guarded) : view(guarded) {
        if (view) view->remember();
    }
    ~ViewGuard() {
        if (view) view->forget();
    }
    ViewGuard(const ViewGuard&) = delete;
    ViewGuard& operator=(const ViewGuard&) = delete;

private:
    CView* view;
};

constexpr const char* kMsgLooseFocus = "LooseFocus";

}  // namespace

CFrame::CFrame(const CRect& rect, VSTGUIEditorInterface* owner) : CView(rect), editor(owner) {
    pParentFrame = this;
}

CFrame::CFrame(const CRect& rect, void* systemWindow, VSTGUIEditorInterface* owner) : CFrame(rect, owner) {
    open(systemWindow);
}

CFrame::~CFrame() {
    removeAll(true);
    platformFrame.reset();
    pParentFrame = nullptr;
    finishPreparingText();
}

bool CFrame::open(void* systemWindow) {
    if (platformFrame) return false;
    // The fonts load on a thread of their own while the window is made.
    prepareText(zoom);
    platformFrame = createPlatformFrame(
        this, CRect(0, 0, std::round(size.getWidth() * zoom), std::round(size.getHeight() * zoom)), systemWindow);
    if (!platformFrame) return false;
    platformFrame->setCursor(cursor);
    invalid();
    return true;
}

bool CFrame::setZoom(double factor) {
    if (platformFrame || !(factor >= 1 && factor <= 4)) return false;
    zoom = factor;
    return true;
}

void CFrame::close() {
    platformFrame.reset();
    forget();
}

bool CFrame::addView(CView* view) {
    if (!view || isChild(view) || view->isAttached()) return false;
    children.push_back(view);
    view->attached(this);
    view->invalid();
    return true;
}

bool CFrame::removeView(CView* view, bool withForget) {
    const auto found = std::find(children.begin(), children.end(), view);
    if (found == children.end()) return false;
    view->invalid();
    children.erase(found);
    forgetReferencesTo(view);
    view->removed(this);
    if (withForget) view->forget();
    return true;
}

void CFrame::removeAll(bool withForget) {
    if (textEdit) textEdit->getCallback()->platformLooseFocus(false);
    while (!children.empty()) removeView(children.back(), withForget);
}

void CFrame::forgetReferencesTo(const CView* view) {
    if (modalView == view) modalView = nullptr;
    if (focusView == view) focusView = nullptr;
    if (mouseDownView == view) mouseDownView = nullptr;
    if (mouseOverView == view) mouseOverView = nullptr;
    if (dragView == view) dragView = nullptr;
    if (textEdit == view) textEdit = nullptr;
}

bool CFrame::isChild(const CView* view) const {
    return std::find(children.begin(), children.end(), view) != children.end();
}

CView* CFrame::getViewAt(const CPoint& where) const {
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if ((*it)->isVisible() && (*it)->getMouseEnabled() && (*it)->hitTest(where)) return *it;
    return nullptr;
}

void CFrame::setModalView(CView* view) {
    if (view && !isChild(view) && !addView(view)) return;
    modalView = view;
}

void CFrame::setFocusView(CView* view) {
    if (view == focusView) return;
    CView* previous = focusView;
    focusView = view;
    if (previous) previous->looseFocus();
    if (focusView) focusView->takeFocus();
}

void CFrame::setCursor(CCursorType type) {
    cursor = type;
    if (platformFrame) platformFrame->setCursor(type);
}

IPlatformTextEdit* CFrame::createPlatformTextEdit(IPlatformTextEditCallback* callback) {
    if (textEdit) textEdit->getCallback()->platformLooseFocus(false);
    auto* field = new DrawnTextEdit(callback);
    addView(field);
    textEdit = field;
    return field;
}

void CFrame::invalidRect(const CRect& rect) {
    CRect bounded = rect;
    bounded.normalize().bound(CRect(0, 0, size.getWidth(), size.getHeight()));
    if (platformFrame && !bounded.isEmpty())
        platformFrame->invalidRect(CRect(bounded.left * zoom, bounded.top * zoom, bounded.right * zoom, bounded.bottom * zoom));
}

void CFrame::idle() {
    for (CView* child : children)
        if (child->isVisible() && child->isDirty()) invalidRect(child->getViewSize());
    if (platformFrame) platformFrame->flush();
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect) {
    context->setClipRect(updateRect);
    if (!pBackground || !pBackground->isOpaque()) {
        // Whatever the views leave out shows as black, as an empty window would.
        cairo_t* cr = context->getCairo();
        cairo_save(cr);
        cairo_rectangle(cr, updateRect.left, updateRect.top, updateRect.getWidth(), updateRect.getHeight());
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    if (pBackground) pBackground->draw(context, CRect(0, 0, size.getWidth(), size.getHeight()));
    // A view may remove views while drawing; draw the ones there were.
    const std::vector<CView*> views = children;
    for (CView* view : views) {
        if (!view->isVisible()) continue;
        CRect clip = view->getViewSize();
        clip.bound(updateRect);
        if (clip.isEmpty()) continue;
        ViewGuard guard(view);
        context->saveGlobalState();
        context->setClipRect(clip);
        view->drawRect(context, clip);
        context->restoreGlobalState();
        view->setDirty(false);
    }
    context->setClipRect(updateRect);
}

void CFrame::updateMouseOver(CPoint& where, const CButtonState& buttons) {
    CView* over = getViewAt(where);
    if (modalView && over != modalView) over = nullptr;
    if (over == mouseOverView) return;
    if (CView* previous = mouseOverView) {
        ViewGuard guard(previous);
        mouseOverView = nullptr;
        previous->onMouseExited(where, buttons);
    }
    if (over && isChild(over)) {
        mouseOverView = over;
        ViewGuard guard(over);
        over->onMouseEntered(where, buttons);
    }
}

CMouseEventResult CFrame::onMouseDown(CPoint& where, const CButtonState& buttons) {
    // A click beside an open text field ends it, as with a native field.
    if (textEdit && !textEdit->hitTest(where)) textEdit->getCallback()->platformLooseFocus(false);
    CView* target = modalView ? modalView : getViewAt(where);
    if (!target) return kMouseEventNotHandled;
    ViewGuard guard(target);
    const CMouseEventResult result = target->onMouseDown(where, buttons);
    if (result == kMouseEventHandled && isChild(target)) mouseDownView = target;
    return result;
}

CMouseEventResult CFrame::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    updateMouseOver(where, buttons);
    // Only the view that took the press, or a modal view, follows the pointer; the others just
    // hear it enter and leave.
    CView* target = mouseDownView ? mouseDownView : modalView;
    if (!target) return kMouseEventNotHandled;
    ViewGuard guard(target);
    return target->onMouseMoved(where, buttons);
}

CMouseEventResult CFrame::onMouseUp(CPoint& where, const CButtonState& buttons) {
    CView* target = mouseDownView ? mouseDownView : modalView;
    mouseDownView = nullptr;
    CMouseEventResult result = kMouseEventNotHandled;
    if (target) {
        ViewGuard guard(target);
        result = target->onMouseUp(where, buttons);
    }
    updateMouseOver(where, buttons);
    return result;
}

CMouseEventResult CFrame::onMouseExited(CPoint& where, const CButtonState& buttons) {
    if (CView* previous = mouseOverView) {
        ViewGuard guard(previous);
        mouseOverView = nullptr;
        previous->onMouseExited(where, buttons);
    }
    return kMouseEventHandled;
}

void CFrame::onDragEnter(IDataPackage* drag, const CPoint& where) {
    dragView = getViewAt(where);
    if (CView* view = dragView) {
        ViewGuard guard(view);
        view->onDragEnter(drag, where);
    }
}

void CFrame::onDragMove(IDataPackage* drag, const CPoint& where) {
    CView* over = getViewAt(where);
    if (over == dragView) {
        if (CView* view = dragView) {
            ViewGuard guard(view);
            view->onDragMove(drag, where);
        }
        return;
    }
    if (CView* previous = dragView) {
        ViewGuard guard(previous);
        dragView = nullptr;
        previous->onDragLeave(drag, where);
    }
    if (over && isChild(over)) {
        dragView = over;
        ViewGuard guard(over);
        over->onDragEnter(drag, where);
    }
}

void CFrame::onDragLeave(IDataPackage* drag, const CPoint& where) {
    if (CView* previous = dragView) {
        ViewGuard guard(previous);
        dragView = nullptr;
        previous->onDragLeave(drag, where);
    }
}

bool CFrame::onDrop(IDataPackage* drag, const CPoint& where) {
    onDragMove(drag, where);
    CView* target = dragView;
    dragView = nullptr;
    if (!target) return false;
    ViewGuard guard(target);
    // The target hears a leave right after the drop, as after any drag over it.
    const bool accepted = target->onDrop(drag, where);
    target->onDragLeave(drag, where);
    return accepted;
}

int32 CFrame::onKeyDown(VstKeyCode& key) {
    if (CView* view = focusView) {
        ViewGuard guard(view);
        const int32 result = view->onKeyDown(key);
        if (result != -1) return result;
    }
    // Keys the field hands back come here again; they must not go round in circles.
    if (textEdit && textEdit != focusView && !textEditHasKey) {
        textEditHasKey = true;
        ViewGuard guard(textEdit);
        const int32 result = textEdit->onKeyDown(key);
        textEditHasKey = false;
        return result;
    }
    return -1;
}

CMessageResult CFrame::notify(CBaseObject* sender, IdStringPtr message) {
    if (message && std::strcmp(message, kMsgLooseFocus) == 0) {
        if (sender && sender == focusView) focusView = nullptr;
        return kMessageNotified;
    }
    return kMessageUnknown;
}

void CFrame::platformDrawRect(CDrawContext* context, const CRect& rect) {
    context->setScaleFactor(zoom);
    drawRect(context, CRect(rect.left / zoom, rect.top / zoom, rect.right / zoom, rect.bottom / zoom));
}

CMouseEventResult CFrame::platformOnMouseDown(CPoint& where, const CButtonState& buttons) {
    ViewGuard guard(this);
    CPoint at = toLayout(where);
    return onMouseDown(at, buttons);
}

CMouseEventResult CFrame::platformOnMouseMoved(CPoint& where, const CButtonState& buttons) {
    ViewGuard guard(this);
    CPoint at = toLayout(where);
    return onMouseMoved(at, buttons);
}

CMouseEventResult CFrame::platformOnMouseUp(CPoint& where, const CButtonState& buttons) {
    ViewGuard guard(this);
    CPoint at = toLayout(where);
    return onMouseUp(at, buttons);
}

CMouseEventResult CFrame::platformOnMouseExited(CPoint& where, const CButtonState& buttons) {
    ViewGuard guard(this);
    CPoint at = toLayout(where);
    return onMouseExited(at, buttons);
}

void CFrame::platformOnDragEnter(IDataPackage* drag, const CPoint& where) {
    ViewGuard guard(this);
    onDragEnter(drag, toLayout(where));
}

void CFrame::platformOnDragMove(IDataPackage* drag, const CPoint& where) {
    ViewGuard guard(this);
    onDragMove(drag, toLayout(where));
}

void CFrame::platformOnDragLeave(IDataPackage* drag, const CPoint& where) {
    ViewGuard guard(this);
    onDragLeave(drag, toLayout(where));
}

bool CFrame::platformOnDrop(IDataPackage* drag, const CPoint& where) {
    ViewGuard guard(this);
    return onDrop(drag, toLayout(where));
}

void CFrame::platformOnDropRefused(const char* reason) {
    if (editor) editor->dropRefused(reason);
}

int32 CFrame::platformOnKeyDown(VstKeyCode& key) {
    ViewGuard guard(this);
    return onKeyDown(key);
}

}  // namespace VSTGUI
