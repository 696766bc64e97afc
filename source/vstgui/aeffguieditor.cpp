#include "vstgui/aeffguieditor.h"

#include <cmath>

#include "frame/audioeffectx.h"
#include "vstgui/cframe.h"
#include "vstgui/cvstguitimer.h"
#include "vstgui/textpreparation.h"
#include "vstgui/platform/common/runloop.h"
#include "vstgui/platform/iplatformframe.h"
#include "vstgui/platform/x11/x11scalefactor.h"

namespace VSTGUI {

AEffGUIEditor::AEffGUIEditor(void* owner) : AEffEditor(static_cast<AudioEffect*>(owner)) {
    if (effect) effect->setEditor(this);
}

// The fonts may still be loading for a window that never opened; the module must not be unloaded
// under that thread.
AEffGUIEditor::~AEffGUIEditor() {
    finishPreparingText();
    releasePreparedPlatformFrame();
}

AudioEffectX* AEffGUIEditor::effectX() const { return static_cast<AudioEffectX*>(effect); }

bool AEffGUIEditor::getRect(ERect** result) {
    if (!result) return false;
    // Hosts ask for the size to make the window they then open the editor in: the fonts start
    // loading now, while they do.
    const double scale = getScaleFactor();
    prepareText(scale);
    windowRect = {0, 0, static_cast<VstInt16>(std::lround(rect.bottom * scale)),
                  static_cast<VstInt16>(std::lround(rect.right * scale))};
    // Likewise the window's memory, for a window not open yet (hosts ask again while it is).
    if (!frame) preparePlatformFrame(CRect(0, 0, windowRect.right, windowRect.bottom));
    *result = &windowRect;
    return true;
}

void AEffGUIEditor::setHostScaleFactor(double scale) {
    hostScale = scale;
    if (!frame) scaleFactor = 0;
}

double AEffGUIEditor::getScaleFactor() {
    if (scaleFactor == 0) scaleFactor = desktopScaleFactor(hostScale);
    return scaleFactor;
}

bool AEffGUIEditor::open(void* parent) {
    AEffEditor::open(parent);
    return true;
}

void AEffGUIEditor::close() {
    if (frame) {
        frame->forget();
        frame = nullptr;
    }
    scaleFactor = 0;
    AEffEditor::close();
}

void AEffGUIEditor::hostIdle() {
    // A handler that pumps the loop itself must not drain events inside an event.
    if (inHostIdle) return;
    inHostIdle = true;
    RunLoop::get().pump();
    CVSTGUITimer::fireDueTimers();
    if (frame) frame->idle();
    idle();
    inHostIdle = false;
}

void AEffGUIEditor::idle() {
    if (frame) frame->idle();
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    knobMode = mode;
    return true;
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& key) { return frame && frame->onKeyDown(key) != -1; }

void AEffGUIEditor::doIdleStuff() {
    hostIdle();
    if (effect) effect->masterIdle();
}

void AEffGUIEditor::beginEdit(int32 index) {
    if (effect) effectX()->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32 index) {
    if (effect) effectX()->endEdit(index);
}

bool AEffGUIEditor::requestResize(const CPoint& newSize) {
    if (!effect) return false;
    char canDo[] = "sizeWindow";
    if (effectX()->canHostDo(canDo) == 0) return false;
    return effectX()->sizeWindow(static_cast<VstInt32>(newSize.x), static_cast<VstInt32>(newSize.y));
}

}  // namespace VSTGUI
