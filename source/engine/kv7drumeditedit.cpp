#include "engine/kv7drumeditedit.h"

#include <cstdio>
#include <new>

#include "editor/adeditor.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    // Nothing may escape into the host: a failed construction is a plug-in the host cannot load.
    try {
        return new (std::nothrow) Kv7DrumEditEdit(audioMaster);
    } catch (...) {
        return nullptr;
    }
}

Kv7DrumEditEdit::Kv7DrumEditEdit(audioMasterCallback audioMaster) : Kv7DrumEdit(audioMaster) {
    cEffect.uniqueID = fourCharCode("Tbkx");
    new ADEditor(this);  // registers itself as this effect's editor, which owns it from now on
    resume();
}

Kv7DrumEditEdit::~Kv7DrumEditEdit() = default;

ADEditor* Kv7DrumEditEdit::getADEditor() const { return static_cast<ADEditor*>(editor); }

void Kv7DrumEditEdit::setParameter(VstInt32 index, float value) {
    Kv7DrumEdit::setParameter(index, value);
    if (editor) getADEditor()->setParameter(index, value);
}

bool Kv7DrumEditEdit::getEffectName(char* name) {
    std::snprintf(name, kVstMaxEffectNameLen, "%s", "Tembro-laxis");
    return true;
}

bool Kv7DrumEditEdit::getProductString(char* text) {
    std::snprintf(text, kVstMaxProductStrLen, "%s", "Tembro-laxis");
    return true;
}

VstInt32 Kv7DrumEditEdit::getNumMidiInputChannels() { return 0; }

VstInt32 Kv7DrumEditEdit::getVendorVersion() { return 1005; }
