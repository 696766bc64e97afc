// Dimensions and numbering of the kit, shared by the engine, the kit files and the editor.
#pragma once

#include <cstdint>

constexpr int32_t kNumSlots = 24;
constexpr int32_t MAX_BUFFERLENGTH = 529200;  // 12 seconds at 44100 Hz: one slot, and the whole kit
constexpr int32_t kSlotBaseNote = 53;         // slot n answers to MIDI note 53 + n
constexpr int32_t kMaxWaitingNotes = 128;
constexpr double kKitSampleRate = 44100.0;

enum PlayModes : int32_t { PlayModeGate = 0, PlayModeOneShot = 1, PlayModeLoop = 2 };

// The parameter index space: index 3 triggers a slot; four families of 24 per-slot settings follow.
constexpr int32_t kParamTrigger = 3;
constexpr int32_t kParamPitch = 100;
constexpr int32_t kParamPlayMode = 124;
constexpr int32_t kParamReverse = 148;
constexpr int32_t kParamVolume = 172;
constexpr int32_t kParamFamilyEnd = 196;

// The normalized values that give a slot its initial settings.
constexpr float kInitialPitchValue = 0.5f;
constexpr float kInitialPlayModeValue = 0.5f;
constexpr float kInitialReverseValue = 0.0f;
constexpr float kInitialVolumeValue = 0.5f;

constexpr bool isSlot(int32_t slot) { return slot >= 0 && slot < kNumSlots; }
constexpr uint32_t slotBit(int32_t slot) { return 1u << slot; }
constexpr uint32_t kAllSlotsMask = (1u << kNumSlots) - 1u;
