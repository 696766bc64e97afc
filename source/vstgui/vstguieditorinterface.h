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
    // A drop on the frame that the window system would not take, with the reason for the user.
    virtual void dropRefused(const char* /*reason*/) {}

protected:
    CFrame* frame = nullptr;
};

}  // namespace VSTGUI
