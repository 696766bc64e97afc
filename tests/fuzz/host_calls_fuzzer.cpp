// Fuzzes what a host does to the effect, in-process, through the AEffect its entry point returns:
// any opcode, index, value and option (each pointer null or a block of exactly the documented
// size, so AddressSanitizer catches a write past it), event lists of any bytes, parameters set to
// any float, processing calls of odd and negative lengths, and effClose at any point. Checked on
// every call: the table's answers and texts, finite outputs, and the kit store's bounds.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "dispatcher_answers.h"
#include "vst_events.h"
#include "engine/kv7drumeditedit.h"
#include "kitfiles/kit_trace.h"
#include "vstgui/platform/offscreen/offscreenframe.h"

using namespace hostcalls;

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

namespace {

constexpr VstIntPtr kHostVendorAnswer = 0x5EED;
VstIntPtr hostVersion = kVstVersion;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? hostVersion : opcode == audioMasterVendorSpecific ? kHostVendorAnswer : 0;
}

[[noreturn]] void fail(const char* what, VstInt32 opcode, long long detail = 0) {
    std::fprintf(stderr, "host-calls fuzzer: %s (opcode %d, %lld)\n", what, opcode, detail);
    std::abort();
}

int32_t interestingIndex(FuzzedDataProvider& in) {
    static constexpr int32_t kIndexes[] = {0, 1, 2, 3, 4, 99, 100, 123, 124, 147, 148, 171, 172, 195, 196, 197, -1, INT32_MIN, INT32_MAX,
                                           fourCharCode("sHi!"), fourCharCode("sI00"), fourCharCode("sO00"), fourCharCode("sV2S")};
    return in.ConsumeBool() ? in.PickValueInArray(kIndexes) : in.ConsumeIntegral<int32_t>();
}

float anyFloat(FuzzedDataProvider& in) {
    static constexpr float kFloats[] = {0.0f, 0.5f, 1.0f, -0.0f, -1.0f, 0.24f, 0.25f, 0.49f, 0.75f, 23.0f, 1e30f, -1e30f, INFINITY,
                                        -INFINITY, NAN, 1e-45f};
    if (in.ConsumeBool()) return in.PickValueInArray(kFloats);
    const uint32_t bits = in.ConsumeIntegral<uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// An event list as a host builds it: any types, sizes, frame offsets and MIDI bytes, and holes.
VstEventList buildEvents(FuzzedDataProvider& in) {
    VstEventList list;
    const auto count = in.ConsumeIntegralInRange<std::size_t>(0, 300);
    for (std::size_t i = 0; i < count; ++i) {
        VstMidiEvent event{};
        event.type = in.ConsumeBool() ? kVstMidiType : in.ConsumeIntegral<VstInt32>();
        event.byteSize = in.ConsumeBool() ? static_cast<VstInt32>(sizeof(VstMidiEvent)) : in.ConsumeIntegral<VstInt32>();
        event.deltaFrames = in.ConsumeBool() ? in.ConsumeIntegralInRange<VstInt32>(-2, 600) : in.ConsumeIntegral<VstInt32>();
        event.midiData[0] = static_cast<char>(in.ConsumeBool() ? in.PickValueInArray({0x80, 0x90, 0x8F, 0x9F, 0xB0, 0xF0})
                                                               : in.ConsumeIntegral<uint8_t>());
        event.midiData[1] = static_cast<char>(in.ConsumeBool() ? in.ConsumeIntegralInRange<uint8_t>(50, 79) : in.ConsumeIntegral<uint8_t>());
        event.midiData[2] = static_cast<char>(in.ConsumeIntegral<uint8_t>());
        event.midiData[3] = static_cast<char>(in.ConsumeIntegral<uint8_t>());
        list.add(event);
    }
    for (std::size_t i = 0; i < count; ++i)
        if (in.ConsumeIntegralInRange<int>(0, 63) == 0) list.hole(i);
    return list;
}

// Returns the opcode it dispatched; effClose is a command of its own.
VstInt32 dispatchOne(FuzzedDataProvider& in, AEffect* effect, EffectState& state) {
    const VstInt32 opcode = in.ConsumeIntegralInRange<VstInt32>(0, 127);
    if (opcode == effClose) return opcode;
    const VstInt32 index = interestingIndex(in);
    const bool withPointer = pointerArgumentOf(opcode).kind != PointerKind::Absent && in.ConsumeBool();
    VstEventList events;
    if (withPointer && pointerArgumentOf(opcode).kind == PointerKind::Events) events = buildEvents(in);
    const VstIntPtr value = in.ConsumeBool() ? in.ConsumeIntegralInRange<VstIntPtr>(-2, 2) : in.ConsumeIntegral<VstIntPtr>();
    const float opt = anyFloat(in);
    const auto fill = [&](unsigned char* block, std::size_t size, PointerKind kind) {
        if (kind != PointerKind::TextIn && kind != PointerKind::RecordIn && kind != PointerKind::TextOut) return;
        const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, size));
        std::copy(bytes.begin(), bytes.end(), block);
    };
    const std::string wrong = checkedCall(effect, state, opcode, index, value, withPointer, opt, fill, events.get(), kHostVendorAnswer);
    if (!wrong.empty()) fail(wrong.c_str(), opcode);
    return opcode;
}

void processOne(FuzzedDataProvider& in, AEffect* effect) {
    static constexpr VstInt32 kFrames[] = {0, 1, 2, 3, 7, 63, 64, 65, 511, 512, 4097, -1, -512, INT32_MIN};
    const VstInt32 frames = in.ConsumeBool() ? in.PickValueInArray(kFrames) : in.ConsumeIntegralInRange<VstInt32>(-3, 4099);
    const auto length = static_cast<std::size_t>(std::max(frames, 1));
    std::vector<float> inLeft(length), inRight(length), outLeft(length, NAN), outRight(length, NAN);
    for (std::size_t f = 0; f < length; ++f) inLeft[f] = static_cast<float>(f % 97) / 97.0f - 0.5f, inRight[f] = static_cast<float>(f % 89) / -89.0f;
    float* inputs[2] = {inLeft.data(), inRight.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    // Hosts may give an instrument no inputs, or process in place.
    const int layout = in.ConsumeIntegralInRange<int>(0, 7);
    float** written = layout == 1 ? inputs : outputs;
    effect->processReplacing(effect, layout == 0 ? nullptr : inputs, written, frames);
    for (VstInt32 f = 0; f < frames; ++f)
        if (!std::isfinite(written[0][f]) || !std::isfinite(written[1][f])) fail("output not finite", -1, f);
    effect->process(effect, inputs, outputs, frames);  // the deprecated calls do nothing
    effect->processDoubleReplacing(effect, nullptr, nullptr, frames);
}

// One effect serves input after input: creating its 50 MB store under AddressSanitizer costs a
// tenth of a second of fresh shadow memory. Between inputs it is put back into the state a new
// effect has; an input that closes it makes the next one create a new effect.
AEffect* current = nullptr;
uint64_t executions = 0, lastClose = 0;

AEffect* effectAsNew() {
    if (!current) {
        current = VSTPluginMain(hostCallback);
        if (!current || current->magic != kEffectMagic) fail("no effect", -1);
        return current;
    }
    auto* object = static_cast<Kv7DrumEditEdit*>(current->object);
    float* noOutputs[2] = {nullptr, nullptr};
    current->processReplacing(current, nullptr, noOutputs, 0);  // carries out pending voice requests, empties the queue
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        for (const auto& [family, value] : {std::pair{kParamPitch, kInitialPitchValue}, {kParamPlayMode, kInitialPlayModeValue},
                                            {kParamReverse, kInitialReverseValue}, {kParamVolume, kInitialVolumeValue}})
            current->setParameter(current, family + slot, value);
        object->IsPlaying[slot] = object->NoteHeld[slot] = false;
        object->PlayPosition[slot] = 0.0, object->PlayIncrement[slot] = 1.0;
    }
    current->dispatcher(current, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    current->dispatcher(current, effSetBlockSize, 0, 1024, nullptr, 0.0f);
    current->dispatcher(current, effSetProgram, 0, 0, nullptr, 0.0f);
    current->dispatcher(current, effSetEditKnobMode, 0, 0, nullptr, 0.0f);
    return current;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    unsetenv("DISPLAY");  // no test machine's display is used
    kitfiles::setTraceStream(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    ++executions;
    const uint8_t setup = in.ConsumeIntegral<uint8_t>();
    if ((setup & 0x0E) == 0x0E) {  // a host answering version 0 gets no effect at all
        hostVersion = 0;
        if (VSTPluginMain(hostCallback)) fail("effect despite host version 0", -1);
        hostVersion = kVstVersion;
        return 0;
    }
    // An editor opened offscreen costs many times the rest of an input (fresh memory for its back
    // buffer): one input in eight opens it there, once; later openings of that input have no display.
    std::optional<VSTGUI::ScopedOffscreenPlatform> offscreen;
    if ((setup & 0x31) == 0x01) offscreen.emplace();
    AEffect* effect = effectAsNew();
    auto* object = static_cast<Kv7DrumEditEdit*>(effect->object);
    EffectState state;
    for (int call = 0; call < 200 && in.remaining_bytes() > 0; ++call) {
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
            case 0:
            case 1:
                if (dispatchOne(in, effect, state) == effEditOpen) offscreen.reset();
                break;
            case 2:
                effect->setParameter(effect, interestingIndex(in), anyFloat(in));
                break;
            case 3:
                if (std::isnan(effect->getParameter(effect, interestingIndex(in)))) fail("parameter reads as NaN", -1);
                break;
            case 4:
                processOne(in, effect);
                break;
            case 5: {
                VstEventList events = buildEvents(in);
                if (effect->dispatcher(effect, effProcessEvents, 0, 0, events.get(), 0.0f) != 1) fail("events", effProcessEvents);
                break;
            }
            default:
                // The next input pays for a new effect: a close once in a thousand executions, and
                // always in a run of a single input, to reproduce one.
                if (in.ConsumeIntegral<uint8_t>() != 0xC1 || (executions > 1 && executions - lastClose < 1000)) break;
                if (effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f) != 1) fail("effClose", effClose);
                current = nullptr;
                lastClose = executions;
                return 0;
        }
        for (int32_t slot = 0; slot < kNumSlots; ++slot)
            if (object->BufferLength[slot].load() < 0 || object->BufferLength[slot].load() > MAX_BUFFERLENGTH) fail("slot length", -1, slot);
        if (object->NumWaitingNotes > kMaxWaitingNotes) fail("note queue past its end", -1, object->NumWaitingNotes);
    }
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);  // as a host closes the window it opened
    return 0;
}
