// The parameter space: the slot trigger (3) and the four per-slot families from 100 to 195, their
// read-back and display texts, and the single program.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "engine/kv7drumedit.h"
#include "engine/parameter_rounding.h"

namespace {

// Display, label and name texts fit the interface's 8-byte parameter strings.
void writeParameterText(char* text, const char* value) { std::snprintf(text, kVstMaxParamStrLen, "%s", value); }

}  // namespace

void Kv7DrumEdit::setParameter(VstInt32 index, float value) {
    if (index == kParamTrigger) {
        const float slotValue = roundHalfAway(value);
        if (!(slotValue >= 0.0f && slotValue <= static_cast<float>(kNumSlots - 1))) return;
        const auto slot = static_cast<int32_t>(slotValue);
        if (onRenderThread())
            triggerSlot(slot);
        else
            postVoiceRequest(slot, kTriggerRequest);
        return;
    }
    if (index < kParamPitch || index >= kParamFamilyEnd) return;
    const int32_t slot = (index - kParamPitch) % kNumSlots;
    if (index < kParamPlayMode) {
        Pitch[slot].store(saturatingSubtract(roundToInt32(value * 96.0f), 48), std::memory_order_relaxed);
    } else if (index < kParamReverse) {
        PlayMode[slot].store(roundToInt32(value + value), std::memory_order_relaxed);
    } else if (index < kParamVolume) {
        // A value that is not a number counts as reversed: NaN rounds to NaN, which is not 0.
        Reverse[slot].store(roundHalfAway(value) != 0.0f, std::memory_order_relaxed);
    } else {
        // Out-of-range gains stay as given, but one that is not a finite number would turn the
        // slot's silence into NaN in the host's mix: none is silent, an infinite one the largest.
        const float volume = value * value * 4.0f;
        Volume[slot].store(std::isnan(volume) ? 0.0f : std::min(volume, std::numeric_limits<float>::max()),
                           std::memory_order_relaxed);
    }
}

float Kv7DrumEdit::getParameter(VstInt32 index) {
    if (index < kParamPitch || index >= kParamFamilyEnd) return 0.0f;
    const int32_t slot = (index - kParamPitch) % kNumSlots;
    if (index < kParamPlayMode)
        return static_cast<float>(Pitch[slot].load(std::memory_order_relaxed) + 48) / 96.0f;
    if (index < kParamReverse) return static_cast<float>(PlayMode[slot].load(std::memory_order_relaxed)) * 0.5f;
    if (index < kParamVolume) return Reverse[slot].load(std::memory_order_relaxed) ? 1.0f : 0.0f;
    return std::sqrt(Volume[slot].load(std::memory_order_relaxed) * 0.25f);
}

void Kv7DrumEdit::getParameterDisplay(VstInt32 index, char* text) {
    if (index < kParamPitch || index >= kParamFamilyEnd) {
        writeParameterText(text, "  ");
        return;
    }
    const int32_t slot = (index - kParamPitch) % kNumSlots;
    if (index < kParamPlayMode) {
        std::snprintf(text, kVstMaxParamStrLen, "%7d", Pitch[slot].load(std::memory_order_relaxed));
    } else if (index < kParamReverse) {
        switch (PlayMode[slot].load(std::memory_order_relaxed)) {
            case PlayModeGate:
                writeParameterText(text, "->  ");
                break;
            case PlayModeOneShot:
                writeParameterText(text, "-> |");
                break;
            case PlayModeLoop:
                writeParameterText(text, "Loop");
                break;
            default:  // no name for other modes; an empty text rather than whatever the buffer held
                writeParameterText(text, "");
                break;
        }
    } else if (index < kParamVolume) {
        writeParameterText(text, Reverse[slot].load(std::memory_order_relaxed) ? " <<" : " >>");
    } else {
        const float volume = Volume[slot].load(std::memory_order_relaxed);
        if (volume <= 0.0f) {
            writeParameterText(text, " -INF");
            return;
        }
        const int32_t decibels = roundToInt32(20.0f * std::log10(volume));
        char formatted[16];
        std::snprintf(formatted, sizeof formatted, "%3d", decibels);
        if (decibels >= 0) formatted[0] = '+';
        writeParameterText(text, formatted);
    }
}

void Kv7DrumEdit::getParameterLabel(VstInt32, char* label) { writeParameterText(label, "  "); }

void Kv7DrumEdit::getParameterName(VstInt32, char* text) { writeParameterText(text, " "); }

void Kv7DrumEdit::setProgram(VstInt32 program) { curProgram = program; }

void Kv7DrumEdit::setProgramName(char*) {}

void Kv7DrumEdit::getProgramName(char* name) { std::snprintf(name, kVstMaxProgNameLen, "%s", "  "); }

bool Kv7DrumEdit::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (index > 0) return false;
    std::strcpy(text, "DefaultProgram  ");  // "DefaultProgram   " cut to its first 16 characters
    return true;
}

VstInt32 Kv7DrumEdit::getChunk(void**, bool) { return 0; }

VstInt32 Kv7DrumEdit::setChunk(void*, VstInt32, bool) { return 0; }
