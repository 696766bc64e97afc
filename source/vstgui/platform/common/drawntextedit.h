// The text field a frame opens over a view: drawn by the frame like any view, fed by its keys.
// Printable characters are typed, BackSpace erases, Return and Escape end the field.
#pragma once

#include <string>

#include "vstgui/cview.h"
#include "vstgui/platform/iplatformtextedit.h"

namespace VSTGUI {

class DrawnTextEdit : public CView, public IPlatformTextEdit {
public:
    explicit DrawnTextEdit(IPlatformTextEditCallback* callback);

    std::string getText() const override { return text; }
    void setText(const std::string& newText) override;
    void close() override;

    void draw(CDrawContext* context) override;
    int32 onKeyDown(VstKeyCode& key) override;
    IPlatformTextEditCallback* getCallback() const { return callback; }

private:
    IPlatformTextEditCallback* callback;
    std::string text;
};

}  // namespace VSTGUI
