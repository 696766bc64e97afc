// The editor's message box, drawn inside the window: a title bar, a message cut into lines of at
// most 140 characters that fit its width (message_lines.h), and an "OK" button whose press sets the value to 1 and tells the listener. Shown by
// adding it to the frame as its modal view with dialog style 0; style -1 draws nothing.
//
// It can also host a one-line text field (takeFocus opens one through the frame); the editor
// never opens it, but the text-field callbacks answer as such a control's would.
#pragma once

#include "vstgui/ccontrol.h"
#include "vstgui/platform/iplatformtextedit.h"

class vembDialog : public VSTGUI::CControl, public VSTGUI::IPlatformTextEditCallback {
public:
    vembDialog(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, VSTGUI::int32 tag,
               VSTGUI::CBitmap* background, long style);
    // The copy has no text field open.
    vembDialog(const vembDialog& other);
    ~vembDialog() override;

    VSTGUI::CView* newCopy() const override { return new vembDialog(*this); }

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseEntered(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseExited(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::int32 onKeyDown(VstKeyCode& key) override;
    void looseFocus() override;
    void takeFocus() override;
    bool removed(VSTGUI::CView* parent) override;

    virtual void setDialogStyle(VSTGUI::int32 style);
    // Copies at most 511 characters of each and marks the dialog dirty.
    virtual void setDialogText(const char* title, const char* message);
    virtual void setText(const char* text);
    virtual char* getText(char* out) const;
    virtual const char* getText() const { return text; }
    virtual void setTextEditConvert(void (*convert)(char* input, char* string));
    virtual void setTextEditConvert(void (*convert)(char* input, char* string, void* userData), void* userData);
    // Draws text into textRect line by line, 22 pixels apart, as messageLines cuts it for the
    // rectangle's width.
    virtual void drawText(VSTGUI::CDrawContext* context, const char* text, VSTGUI::CFontDesc* font, bool filled);

    // IPlatformTextEditCallback
    VSTGUI::CColor platformGetBackColor() const override;
    VSTGUI::CColor platformGetFontColor() const override;
    VSTGUI::CFontRef platformGetFont() const override;
    VSTGUI::CHoriTxtAlign platformGetHoriTxtAlign() const override;
    VSTGUI::UTF8StringPtr platformGetText() const override { return text; }
    VSTGUI::CRect platformGetSize() const override;
    VSTGUI::CRect platformGetVisibleSize() const override;
    VSTGUI::CPoint platformGetTextInset() const override;
    void platformLooseFocus(bool returnPressed) override;
    void platformTextDidChange() override;
    bool platformOnKeyDown(const VstKeyCode& key) override;

    // The "OK" button, in frame coordinates.
    VSTGUI::CRect OKButtonRect;

    bool isTextFieldOpen() const { return platformTextEdit != nullptr; }
    bool textFieldAccepted() const { return fieldAccepted; }
    VSTGUI::IPlatformTextEdit* getTextField() const { return platformTextEdit; }
    VSTGUI::int32 getDialogStyle() const { return dialogStyle; }
    const char* getDialogTitle() const { return title; }
    const char* getDialogMessage() const { return message; }

private:
    VSTGUI::IPlatformTextEdit* platformTextEdit = nullptr;
    bool fieldAccepted = false;
    char text[256] = {};
    char title[512] = {};
    char message[512] = {};
    VSTGUI::int32 dialogStyle = -1;
    void (*editConvert)(char*, char*) = nullptr;
    void (*editConvert2)(char*, char*, void*) = nullptr;
    void* userData = nullptr;
    VSTGUI::CRect textRect;
    VSTGUI::CPoint pointerPosition;
    bool hovering = false;
};
