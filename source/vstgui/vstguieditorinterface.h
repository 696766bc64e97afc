// What controls need from the editor that owns their frame.
#pragma once

#include "vstgui/vstguibase.h"

namespace VSTGUI {

class CFrame;

class VSTGUIEditorInterface {
public:
    virtual ~VSTGUIEditorInterface() = default;
    virtual void doIdleStuff() {}
    virtual int32 getKnobMode() const { return 0; }
    virtual void beginEdit(int32 /*index*/) {}
    virtual void endEdit(int32 /*index*/) {}
    virtual CFrame* getFrame() const { return frame; }

protected:
    CFrame* frame = nullptr;
};

}  // namespace VSTGUI
