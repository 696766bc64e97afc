// A view with a value from 0 to 1 and a tag that tells it apart; it reports value changes to its
// listener and brackets user edits with beginEdit/endEdit, which the editor passes to the host.
#pragma once

#include <atomic>

#include "vstgui/cview.h"
#include "vstgui/icontrollistener.h"

namespace VSTGUI {

class CControl : public CView {
public:
    CControl(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0, CBitmap* background = nullptr);
    CControl(const CControl& other);

    // Stored as given: controls may leave codes above 1 for their listener. Any thread may set the
    // value (a host's automation does); the control redraws at the next idle.
    virtual void setValue(float value);
    float getValue() const { return value.load(std::memory_order_relaxed); }

    void setTag(int32 newTag) { tag = newTag; }
    int32 getTag() const { return tag; }
    void setListener(IControlListener* newListener) { listener = newListener; }
    IControlListener* getListener() const { return listener; }

    // Tells the listener that the value changed.
    virtual void valueChanged();
    virtual void beginEdit();
    virtual void endEdit();

    // Dirty also when the value changed since the last draw.
    void setDirty(bool state = true) override;
    bool isDirty() const override;

protected:
    IControlListener* listener;
    int32 tag;

private:
    std::atomic<float> value{0.f};
    std::atomic<float> drawnValue{0.f};
};

}  // namespace VSTGUI
