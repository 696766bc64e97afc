#include "editor/vembdialog.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "editor/cmycontrollistener.h"
#include "editor/editor_colors.h"
#include "editor/message_lines.h"
#include "vstgui/cdrawcontext.h"
#include "vstgui/cframe.h"

using namespace VSTGUI;

namespace {

constexpr CCoord kLineSpacing = 22;
// Room left beside a line, so that wrapped text keeps clear of the dialog's border.
constexpr CCoord kTextMargin = 12;

// Copies at most capacity - 1 characters and always terminates.
void copyText(char* destination, size_t capacity, const char* source) {
    if (!source) source = "";
    const size_t length = std::min(std::strlen(source), capacity - 1);
    std::memcpy(destination, source, length);
    destination[length] = '\0';
}

}  // namespace

vembDialog::vembDialog(const CRect& rect, IControlListener* dialogListener, int32 dialogTag, CBitmap* background, long)
    : CControl(rect, dialogListener, dialogTag, background),
      OKButtonRect(rect.right - 200, rect.bottom - 50, rect.right - 130, rect.bottom - 30) {
    setValue(0.f);
}

vembDialog::vembDialog(const vembDialog& other)
    : CControl(other),
      OKButtonRect(other.OKButtonRect),
      fieldAccepted(other.fieldAccepted),
      dialogStyle(other.dialogStyle),
      editConvert(other.editConvert),
      editConvert2(other.editConvert2),
      userData(other.userData),
      textRect(other.textRect),
      pointerPosition(other.pointerPosition),
      hovering(other.hovering) {
    std::memcpy(text, other.text, sizeof text);
    std::memcpy(title, other.title, sizeof title);
    std::memcpy(message, other.message, sizeof message);
}

vembDialog::~vembDialog() { setListener(nullptr); }

void vembDialog::draw(CDrawContext* context) {
    if (dialogStyle < 0) return;
    context->setLineWidth(3);
    if (platformTextEdit) setDirty(false);

    context->setFrameColor(DialogBlue);
    context->setFillColor(DialogBackground);
    context->drawRect(size, kDrawFilledAndStroked);
    CRect inner = size;
    context->drawRect(inner.inset(3, 3), kDrawStroked);
    context->setFrameColor(DarkGreyCColor);
    context->drawRect(size, kDrawStroked);

    context->setFrameColor(DialogBlue);
    context->setFillColor(OKButtonRect.pointInside(pointerPosition) ? DialogHoverGrey : DarkGreyCColor);
    context->drawRect(OKButtonRect, kDrawFilledAndStroked);
    textRect = OKButtonRect;
    drawText(context, "OK", kNormalFont, false);

    if (static_cast<signed char>(title[0]) > 0) {
        textRect = CRect(size.left + 5, size.top + 2, size.right - 6, size.top + 28);
        context->setFillColor(DialogHoverGrey);
        context->drawRect(textRect, kDrawFilled);
        context->setLineWidth(1);
        context->drawLine(CPoint(textRect.left, textRect.bottom), CPoint(textRect.right, textRect.bottom));
        context->setFrameColor(kGreyCColor);
        context->drawLine(CPoint(textRect.left, textRect.bottom + 1), CPoint(textRect.right, textRect.bottom + 1));
        drawText(context, title, kNormalFontBig, false);
    }
    if (static_cast<signed char>(message[0]) > 0) {
        textRect = CRect(size.left + 2, size.top + 32, size.right - 2, size.top + 256);
        drawText(context, message, kNormalFont, false);
    }
    setDirty(false);
}

void vembDialog::drawText(CDrawContext* context, const char* string, CFontDesc* font, bool filled) {
    if (!string) return;
    context->setFont(font);
    const std::vector<std::string> lines = messageLines(
        string, [context](const std::string& line) { return context->getStringWidth(line.c_str()); },
        textRect.getWidth() - kTextMargin);
    // Text above the "OK" button stays above it: a message of many lines starts higher.
    const bool aboveButton = textRect.bottom <= OKButtonRect.top;
    if (aboveButton && !lines.empty()) {
        const CCoord middle = (textRect.top + textRect.bottom) / 2;
        const CCoord overrun = middle + kLineSpacing * static_cast<CCoord>(lines.size() - 1) - (OKButtonRect.top - 14);
        if (overrun > 0) textRect.offset(0, -std::min(overrun, middle - textRect.top - 8));
    }
    for (const std::string& line : lines) {
        CRect oldClip;
        context->getClipRect(oldClip);
        CRect clip = textRect;
        if (aboveButton) clip.bottom = std::min(clip.bottom, OKButtonRect.top - 2);
        context->setClipRect(clip.bound(oldClip));
        context->setFont(font);
        if (filled) {
            context->setFillColor(kBlackCColor);
            context->drawRect(textRect, kDrawFilled);
            context->drawString(line.c_str(), textRect, kCenterText, true);
        } else {
            // A black shadow one pixel down and right, then the white text.
            CRect shadow = textRect;
            context->setFontColor(kBlackCColor);
            context->drawString(line.c_str(), shadow.offset(1, 1), kCenterText, true);
            context->setFontColor(kWhiteCColor);
            context->drawString(line.c_str(), textRect, kCenterText, true);
        }
        context->setClipRect(oldClip);
        textRect.offset(0, kLineSpacing);
    }
}

CMouseEventResult vembDialog::onMouseDown(CPoint& where, const CButtonState&) {
    setValue(0.f);
    if (dialogStyle == 0 && OKButtonRect.pointInside(where)) {
        setValue(1.f);
        valueChanged();
    }
    // Presses inside the dialog never reach the views below it.
    return kMouseEventHandled;
}

CMouseEventResult vembDialog::onMouseMoved(CPoint& where, const CButtonState&) {
    pointerPosition = where;
    if (OKButtonRect.pointInside(where)) {
        hovering = true;
        setDirty(true);
    } else if (hovering) {
        hovering = false;
        setDirty(true);
    }
    return kMouseEventHandled;
}

CMouseEventResult vembDialog::onMouseUp(CPoint&, const CButtonState&) {
    pointerPosition = CPoint(-1, -1);
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult vembDialog::onMouseEntered(CPoint&, const CButtonState&) {
    if (CMyControlListener* my = myListener(listener)) my->MouseOver(this);
    return kMouseEventHandled;
}

CMouseEventResult vembDialog::onMouseExited(CPoint&, const CButtonState&) {
    if (CMyControlListener* my = myListener(listener)) my->MouseExit(this);
    return kMouseEventHandled;
}

int32 vembDialog::onKeyDown(VstKeyCode& key) {
    if (!platformTextEdit) return -1;
    if (key.virt == VKEY_RETURN || key.virt == VKEY_ENTER) {
        fieldAccepted = true;
    } else if (key.virt == VKEY_ESCAPE) {
        fieldAccepted = false;
        platformTextEdit->setText(text);
    } else {
        return -1;
    }
    looseFocus();
    return 1;
}

void vembDialog::looseFocus() {
    if (!platformTextEdit) return;
    const std::string edited = platformTextEdit->getText();
    if (edited != text && !edited.empty() && static_cast<unsigned char>(edited[0]) >= 32) {
        beginEdit();
        setText(edited.c_str());
        endEdit();
    }
    IPlatformTextEdit* field = platformTextEdit;
    platformTextEdit = nullptr;
    field->close();
    for (CView* parent = getParentView(); parent; parent = parent->getParentView())
        if (parent->notify(this, "LooseFocus") == kMessageNotified) break;
    invalid();
}

void vembDialog::takeFocus() {
    CFrame* frame = getFrame();
    if (platformTextEdit || !frame) return;
    fieldAccepted = false;
    platformTextEdit = frame->createPlatformTextEdit(this);
}

bool vembDialog::removed(CView* parent) {
    // A field cannot outlive the frame it was opened in.
    looseFocus();
    return CControl::removed(parent);
}

void vembDialog::setDialogStyle(int32 style) { dialogStyle = style; }

void vembDialog::setDialogText(const char* newTitle, const char* newMessage) {
    copyText(title, sizeof title, newTitle);
    copyText(message, sizeof message, newMessage);
    setDirty(true);
}

void vembDialog::setText(const char* newText) {
    if (newText && std::strcmp(newText, text) == 0) return;
    copyText(text, sizeof text, newText);
    setDirty(true);
}

char* vembDialog::getText(char* out) const {
    if (!out) return const_cast<char*>(text);
    std::strcpy(out, text);
    return out;
}

void vembDialog::setTextEditConvert(void (*convert)(char*, char*)) { editConvert = convert; }

void vembDialog::setTextEditConvert(void (*convert)(char*, char*, void*), void* data) {
    editConvert2 = convert;
    userData = data;
}

CColor vembDialog::platformGetBackColor() const { return kBlackCColor; }

CColor vembDialog::platformGetFontColor() const { return kWhiteCColor; }

CFontRef vembDialog::platformGetFont() const { return kNormalFontSmall; }

CHoriTxtAlign vembDialog::platformGetHoriTxtAlign() const { return kCenterText; }

CRect vembDialog::platformGetSize() const {
    return CRect(size.left + 318, size.top + 34, size.right - 318, size.bottom - 310);
}

CRect vembDialog::platformGetVisibleSize() const {
    CRect visible = platformGetSize();
    if (const CFrame* frame = getFrame()) visible.bound(frame->getViewSize());
    return visible;
}

CPoint vembDialog::platformGetTextInset() const { return CPoint(0, 0); }

void vembDialog::platformLooseFocus(bool returnPressed) {
    remember();
    fieldAccepted = returnPressed;
    if (CFrame* frame = getFrame()) frame->setFocusView(nullptr);
    looseFocus();
    forget();
}

void vembDialog::platformTextDidChange() {}

bool vembDialog::platformOnKeyDown(const VstKeyCode& key) {
    CFrame* frame = getFrame();
    if (!frame) return false;
    VstKeyCode copy = key;
    return frame->onKeyDown(copy) != -1;
}
