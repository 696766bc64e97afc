#include "vstgui/aeffguieditor.h"

#include "frame/audioeffectx.h"
#include "vstgui/cvstguitimer.h"

namespace VSTGUI {

AEffGUIEditor::AEffGUIEditor(void* owner) : AEffEditor(static_cast<AudioEffect*>(owner)) {
    if (effect) effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() = default;

AudioEffectX* AEffGUIEditor::effectX() const { return static_cast<AudioEffectX*>(effect); }

bool AEffGUIEditor::getRect(ERect** result) {
    if (!result) return false;
    *result = &rect;
    return true;
}

bool AEffGUIEditor::open(void* parent) {
    AEffEditor::open(parent);
    return true;
}

void AEffGUIEditor::close() { AEffEditor::close(); }

void AEffGUIEditor::idle() { CVSTGUITimer::fireDueTimers(); }

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    knobMode = mode;
    return true;
}

void AEffGUIEditor::doIdleStuff() {
    idle();
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
