// The effect the host actually gets: the engine with its editor. Every parameter change, from any
// thread, is also told to the editor.
#pragma once

#include "engine/kv7drumedit.h"

class ADEditor;

class Kv7DrumEditEdit : public Kv7DrumEdit {
public:
    explicit Kv7DrumEditEdit(audioMasterCallback audioMaster);
    ~Kv7DrumEditEdit() override;

    void setParameter(VstInt32 index, float value) override;
    bool getEffectName(char* name) override;
    bool getProductString(char* text) override;
    VstInt32 getNumMidiInputChannels() override;
    VstInt32 getVendorVersion() override;

    ADEditor* getADEditor() const;
};
