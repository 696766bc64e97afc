// Fuzzes what a host does to the effect: sequences of calls through the AEffect record the entry
// point returns, in-process. Dispatcher opcodes 0 to 127 with any index, value and option, event
// lists of any MIDI bytes and frame offsets, parameters set to any float (NaN and infinities
// included), processing calls of odd and negative frame counts, and effClose at any point.
//
// Pointers: a host passes null or a valid object of the type the opcode documents, never an
// arbitrary number as an address. Each pointer argument is therefore null or a fresh heap block of
// exactly the documented size (tests/support/dispatcher_answers.h), filled with fuzz bytes where the
// effect reads it, so AddressSanitizer catches a write past what the interface allows. Values that
// are pointers (speaker arrangements) are 0 or valid. The window handle of effEditOpen is opaque:
// the editor opens without a display (DISPLAY is cleared), or on the offscreen platform when the
// input's first byte asks for it.
//
// Checked on every call: the answers of the dispatcher table, texts terminated within their
// buffers, finite outputs for finite inputs, and the kit store's bounds.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "dispatcher_answers.h"
#include "engine/kv7drumeditedit.h"
#include "kitfiles/kit_trace.h"
#include "vstgui/platform/offscreen/offscreenframe.h"

using namespace hostcalls;

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

namespace {

constexpr VstIntPtr kHostVendorAnswer = 0x5EED;
constexpr int kMaxCalls = 200;
constexpr int kMaxFrames = 4099;
constexpr int kMaxEvents = 300;

VstIntPtr hostVersion = kVstVersion;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
        case audioMasterVersion: return hostVersion;
        case audioMasterVendorSpecific: return kHostVendorAnswer;
        default: return 0;
    }
}

[[noreturn]] void fail(const char* what, VstInt32 opcode, long long detail = 0) {
    std::fprintf(stderr, "host-calls fuzzer: %s (opcode %d, %lld)\n", what, opcode, detail);
    std::abort();
}

// Ends every call with the effect's kit store checked.
void checkStore(const Kv7DrumEdit& effect) {
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        const int32_t length = effect.BufferLength[slot].load();
        if (length < 0 || length > MAX_BUFFERLENGTH) fail("slot length out of range", -1, length);
    }
    if (effect.NumWaitingNotes > kMaxWaitingNotes) fail("note queue past its end", -1, effect.NumWaitingNotes);
}

int32_t interestingIndex(FuzzedDataProvider& in) {
    static constexpr int32_t kIndexes[] = {0, 1, 2, 3, 4, 99, 100, 123, 124, 147, 148, 171, 172, 195, 196, 197, -1,
                                           INT32_MIN, INT32_MAX, fourCharCode("sHi!"), fourCharCode("sI00"),
                                           fourCharCode("sO00"), fourCharCode("sV2S")};
    if (in.ConsumeBool()) return in.PickValueInArray(kIndexes);
    return in.ConsumeIntegral<int32_t>();
}

float anyFloat(FuzzedDataProvider& in) {
    static constexpr float kFloats[] = {0.0f, 0.5f, 1.0f, -0.0f, -1.0f, 0.24f, 0.25f, 0.49f, 0.75f, 23.0f, 1e30f,
                                        -1e30f, INFINITY, -INFINITY, NAN, 1e-45f};
    if (in.ConsumeBool()) return in.PickValueInArray(kFloats);
    const uint32_t bits = in.ConsumeIntegral<uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A heap block of exactly size bytes for a pointer argument.
struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
};

Block makeBlock(FuzzedDataProvider& in, const PointerArgument& argument) {
    Block block{std::make_unique<unsigned char[]>(argument.size), argument.size};
    std::memset(block.bytes.get(), 0, argument.size);
    if (argument.kind == PointerKind::TextIn || argument.kind == PointerKind::RecordIn ||
        argument.kind == PointerKind::TextOut) {
        const std::vector<uint8_t> fill = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, argument.size));
        if (!fill.empty()) std::memcpy(block.bytes.get(), fill.data(), fill.size());
    }
    if (argument.kind == PointerKind::TextIn) block.bytes[argument.size - 1] = 0;
    return block;
}

// An event list as a host builds it: any types, sizes, frame offsets and MIDI bytes.
struct EventList {
    std::vector<VstMidiEvent> events;
    std::vector<unsigned char> storage;
    VstEvents* list = nullptr;
};

void buildEvents(FuzzedDataProvider& in, EventList& out) {
    const int count = in.ConsumeIntegralInRange<int>(0, kMaxEvents);
    out.events.resize(static_cast<std::size_t>(count));
    for (VstMidiEvent& event : out.events) {
        event = VstMidiEvent{};
        event.type = in.ConsumeBool() ? kVstMidiType : in.ConsumeIntegral<VstInt32>();
        event.byteSize = in.ConsumeBool() ? static_cast<VstInt32>(sizeof(VstMidiEvent)) : in.ConsumeIntegral<VstInt32>();
        event.deltaFrames = in.ConsumeBool() ? in.ConsumeIntegralInRange<VstInt32>(-2, 600) : in.ConsumeIntegral<VstInt32>();
        const uint8_t status = in.ConsumeBool() ? static_cast<uint8_t>(in.PickValueInArray({0x80, 0x90, 0x8F, 0x9F, 0xB0, 0xF0}))
                                                : in.ConsumeIntegral<uint8_t>();
        event.midiData[0] = static_cast<char>(status);
        event.midiData[1] = static_cast<char>(in.ConsumeBool() ? in.ConsumeIntegralInRange<uint8_t>(50, 79)
                                                               : in.ConsumeIntegral<uint8_t>());
        event.midiData[2] = static_cast<char>(in.ConsumeIntegral<uint8_t>());
        event.midiData[3] = static_cast<char>(in.ConsumeIntegral<uint8_t>());
    }
    out.storage.assign(sizeof(VstEvents) + sizeof(VstEvent*) * out.events.size(), 0);
    out.list = reinterpret_cast<VstEvents*>(out.storage.data());
    out.list->numEvents = count;
    auto** pointers = reinterpret_cast<VstEvent**>(out.storage.data() + offsetof(VstEvents, events));
    for (std::size_t i = 0; i < out.events.size(); ++i)
        // A host may leave holes in its list; the effect skips them.
        pointers[i] = in.ConsumeIntegralInRange<int>(0, 63) == 0 ? nullptr : reinterpret_cast<VstEvent*>(&out.events[i]);
}

// Whether the call must have written a text into its buffer.
bool writesText(VstInt32 opcode, VstInt32 index, VstIntPtr answer) {
    switch (opcode) {
        case effGetProgramName:
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName: return true;
        case effGetProgramNameIndexed:
        case effGetEffectName:
        case effGetVendorString:
        case effGetProductString: return answer == 1;
        case effVendorSpecific: return index == fourCharCode("sV2S");
        default: return false;
    }
}

void checkText(const Block& block, VstInt32 opcode, VstInt32 index) {
    if (!std::memchr(block.bytes.get(), 0, block.size)) fail("text not terminated within its buffer", opcode, index);
    if (const char* expected = expectedText(opcode, index))
        if (std::strcmp(reinterpret_cast<const char*>(block.bytes.get()), expected) != 0) fail("wrong text", opcode, index);
}

// Returns the opcode it dispatched.
VstInt32 dispatchOne(FuzzedDataProvider& in, AEffect* effect, EffectState& state) {
    const VstInt32 opcode = in.ConsumeIntegralInRange<VstInt32>(0, 127);
    if (opcode == effClose) return opcode;  // a command of its own (see LLVMFuzzerTestOneInput)
    const VstInt32 index = interestingIndex(in);
    const PointerArgument argument = pointerArgumentOf(opcode);
    const bool withPointer = argument.kind != PointerKind::Absent && in.ConsumeBool();

    Block block;
    EventList events;
    void* ptr = nullptr;
    if (withPointer) {
        if (argument.kind == PointerKind::Events) {
            buildEvents(in, events);
            ptr = events.list;
        } else if (argument.kind == PointerKind::WindowHandle) {
            ptr = reinterpret_cast<void*>(static_cast<uintptr_t>(in.ConsumeIntegralInRange<uint32_t>(1, 0x7FFFFFFF)));
        } else {
            block = makeBlock(in, argument);
            ptr = block.bytes.get();
        }
    }

    VstSpeakerArrangement arrangement{};
    VstSpeakerArrangement* arrangementSlot = &arrangement;
    VstIntPtr value;
    if (valueIsPointer(opcode)) {
        const bool valid = in.ConsumeBool();
        value = !valid ? 0
                : opcode == effGetSpeakerArrangement ? reinterpret_cast<VstIntPtr>(&arrangementSlot)
                                                      : reinterpret_cast<VstIntPtr>(&arrangement);
    } else {
        value = in.ConsumeBool() ? in.ConsumeIntegralInRange<VstIntPtr>(-2, 2) : in.ConsumeIntegral<VstIntPtr>();
    }
    const float opt = anyFloat(in);

    const VstIntPtr answer = effect->dispatcher(effect, opcode, index, value, ptr, opt);
    const std::optional<VstIntPtr> expected = expectedAnswer(state, opcode, index, value, ptr, kHostVendorAnswer);
    if (expected ? answer != *expected : (answer != 0 && answer != 1)) fail("unexpected answer", opcode, answer);
    noteCall(state, opcode, value);
    if (withPointer && writesText(opcode, index, answer)) checkText(block, opcode, index);
    if (opcode == effEditGetRect && ptr) {
        ERect* rect = nullptr;
        std::memcpy(&rect, ptr, sizeof rect);
        if (!rect || rect->right != 440 || rect->bottom != 756) fail("wrong editor rectangle", opcode);
    }
    return opcode;
}

void processOne(FuzzedDataProvider& in, AEffect* effect) {
    static constexpr VstInt32 kFrames[] = {0, 1, 2, 3, 7, 63, 64, 65, 511, 512, 4097, -1, -512, INT32_MIN};
    const VstInt32 frames = in.ConsumeBool() ? in.PickValueInArray(kFrames) : in.ConsumeIntegralInRange<VstInt32>(-3, kMaxFrames);
    const std::size_t length = frames > 0 ? static_cast<std::size_t>(frames) : 1;
    std::vector<float> inLeft(length), inRight(length), outLeft(length, NAN), outRight(length, NAN);
    for (std::size_t f = 0; f < length; ++f) {
        inLeft[f] = static_cast<float>(f % 97) / 97.0f - 0.5f;
        inRight[f] = static_cast<float>(f % 89) / -89.0f;
    }
    float* inputs[2] = {inLeft.data(), inRight.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    // Hosts may give no inputs to an instrument, or process in place.
    const int layout = in.ConsumeIntegralInRange<int>(0, 7);
    float** inputArgument = layout == 0 ? nullptr : inputs;
    float** outputArgument = layout == 1 ? inputs : outputs;
    effect->processReplacing(effect, inputArgument, outputArgument, frames);
    for (VstInt32 f = 0; f < frames; ++f) {
        const auto at = static_cast<std::size_t>(f);
        if (!std::isfinite(outputArgument[0][at]) || !std::isfinite(outputArgument[1][at])) fail("output not finite", -1, f);
    }
    // The deprecated calls do nothing, whatever they are given.
    effect->process(effect, inputs, outputs, frames);
    effect->processDoubleReplacing(effect, nullptr, nullptr, frames);
}

// One effect serves input after input: creating its 50 MB store under AddressSanitizer costs a
// tenth of a second of fresh shadow memory, which would leave a few executions a second. Between
// inputs it is put back into the state a new effect has; an input that closes it makes the next
// one create a new effect, so creation and effClose are fuzzed too.
AEffect* current = nullptr;
uint64_t executions = 0;
uint64_t lastClose = 0;

AEffect* effectAsNew() {
    if (!current) {
        current = VSTPluginMain(hostCallback);
        if (!current || current->magic != kEffectMagic) fail("no effect", -1);
        return current;
    }
    auto* object = static_cast<Kv7DrumEditEdit*>(current->object);
    float* noOutputs[2] = {nullptr, nullptr};
    // Carries out voice requests still pending and empties the note queue.
    current->processReplacing(current, nullptr, noOutputs, 0);
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        current->setParameter(current, kParamPitch + slot, kInitialPitchValue);
        current->setParameter(current, kParamPlayMode + slot, kInitialPlayModeValue);
        current->setParameter(current, kParamReverse + slot, kInitialReverseValue);
        current->setParameter(current, kParamVolume + slot, kInitialVolumeValue);
        object->IsPlaying[slot] = false;
        object->PlayPosition[slot] = 0.0;
        object->PlayIncrement[slot] = 1.0;
        object->NoteHeld[slot] = false;
    }
    current->dispatcher(current, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    current->dispatcher(current, effSetBlockSize, 0, 1024, nullptr, 0.0f);
    current->dispatcher(current, effSetProgram, 0, 0, nullptr, 0.0f);
    current->dispatcher(current, effSetEditKnobMode, 0, 0, nullptr, 0.0f);
    return current;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The editor must be safe without a display; no test machine's display is used.
    unsetenv("DISPLAY");
    kitfiles::setTraceStream(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    ++executions;
    const uint8_t setup = in.ConsumeIntegral<uint8_t>();
    if ((setup & 0x0E) == 0x0E) {
        // A host answering version 0 gets no effect at all.
        hostVersion = 0;
        if (VSTPluginMain(hostCallback)) fail("effect despite host version 0", -1);
        hostVersion = kVstVersion;
        return 0;
    }
    // An editor opened offscreen costs many times the rest of an input (its back buffer is fresh
    // memory each time under AddressSanitizer): one input in eight opens it there, once, and any
    // later opening of that input has no display. The window still gets its share of executions
    // without starving everything else.
    std::optional<VSTGUI::ScopedOffscreenPlatform> offscreen;
    if ((setup & 0x31) == 0x01) offscreen.emplace();
    AEffect* effect = effectAsNew();
    auto* object = static_cast<Kv7DrumEditEdit*>(effect->object);

    EffectState state;
    for (int call = 0; call < kMaxCalls && in.remaining_bytes() > 0; ++call) {
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
            case 0:
            case 1:
                if (dispatchOne(in, effect, state) == effEditOpen) offscreen.reset();
                break;
            case 2:
                effect->setParameter(effect, interestingIndex(in), anyFloat(in));
                break;
            case 3: {
                const VstInt32 index = interestingIndex(in);
                const float value = effect->getParameter(effect, index);
                if (std::isnan(value)) fail("parameter reads as NaN", -1, index);
                break;
            }
            case 4:
                processOne(in, effect);
                break;
            case 5: {
                EventList events;
                buildEvents(in, events);
                if (effect->dispatcher(effect, effProcessEvents, 0, 0, events.list, 0.0f) != 1) fail("events", effProcessEvents);
                break;
            }
            default:
                // The next input pays for a new effect, so closes are let through once in a
                // thousand executions (and always in a run of a single input, to reproduce one).
                if (in.ConsumeIntegral<uint8_t>() != 0xC1 || (executions > 1 && executions - lastClose < 1000)) break;
                if (effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f) != 1) fail("effClose", effClose);
                current = nullptr;
                lastClose = executions;
                return 0;
        }
        checkStore(*object);
    }
    // Whatever the input left open goes with it, as a host closes the window it opened.
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    return 0;
}
