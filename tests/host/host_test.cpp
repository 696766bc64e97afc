// The built module, loaded through VSTPluginMain as a music host loads it, and a host that does
// everything a host could: every opcode with null and valid pointers, odd indexes, values and
// options, checked against the interface table; editor opcodes with and without a window, and a
// hundred in a real one; odd blocks with hostile events.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>

#include "dispatcher_answers.h"
#include "plugin_host.h"

// Last: Xlib's macros (None, Status) would clash with the names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace hostcalls;

namespace {

constexpr VstInt32 kIndexes[] = {INT32_MIN, -1, 0, 1, 3, 23, 24, 99, 100, 195, 196, INT32_MAX,
                                 fourCharCode("sHi!"), fourCharCode("sI00"), fourCharCode("sO00"), fourCharCode("sV2S")};
constexpr VstIntPtr kValues[] = {INTPTR_MIN, -1, 0, 1, 0x80000000LL, INTPTR_MAX};
const float kOptions[] = {0.0f, -1.0f, 44100.0f, NAN, INFINITY, -INFINITY, 1e30f};

// More events than the queue holds, every status byte, odd sizes and types, frames far outside a block.
VstEventList hostileEvents() {
    constexpr VstInt32 kDeltas[] = {-1, 0, 1, 63, 64, 511, INT32_MAX, INT32_MIN};
    VstEventList list;
    for (int i = 0; i < 300; ++i) {
        VstMidiEvent event = midiEvent(kDeltas[i % 8], static_cast<uint8_t>(i), static_cast<uint8_t>(53 + i % 30), static_cast<uint8_t>(i * 7));
        if (i % 17 == 0) event.type = kVstSysExType;
        if (i % 13 == 0) event.byteSize = -1;
        list.add(event);
    }
    return list;
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("DISPLAY");  // the editor must get by without one
        HostCallbackLog::instance() = HostCallbackLog{};
        ASSERT_TRUE(module.loaded()) << module.error();
        ASSERT_NE(effect = module.instantiate(HostCallbackLog::callback), nullptr);
    }
    void TearDown() override {
        EXPECT_TRUE(!effect || dispatch(effect, effClose) == 1);
    }

    // A host's heap blocks: a text as long as allowed where the effect reads, junk where it writes.
    void call(VstInt32 opcode, VstInt32 index, VstIntPtr value, bool withPointer, float opt) {
        std::optional<VstEventList> events;
        if (withPointer && pointerArgumentOf(opcode).kind == PointerKind::Events) events.emplace(hostileEvents());
        const auto fill = [](unsigned char* block, std::size_t size, PointerKind kind) {
            std::memset(block, kind == PointerKind::TextIn ? 'A' : kind == PointerKind::TextOut || kind == PointerKind::RecordOut ? 0x5A : 0, size);
        };
        EXPECT_EQ(checkedCall(effect, state, opcode, index, value, withPointer, opt, fill, events ? events->get() : nullptr, HostCallbackLog::kVendorSpecificAnswer), "");
    }
    // With no sound loaded the outputs are the inputs.
    void expectPassThrough(VstInt32 frames) {
        const auto length = static_cast<std::size_t>(std::max(frames, 1));
        std::vector<float> inLeft(length, 0.25f), inRight(length, -0.5f), outLeft(length, NAN), outRight(length, NAN);
        float* inputs[2] = {inLeft.data(), inRight.data()};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        effect->processReplacing(effect, inputs, outputs, frames);
        for (VstInt32 f = 0; f < frames; ++f) ASSERT_TRUE(outLeft[f] == 0.25f && outRight[f] == -0.5f) << frames << " at " << f;
    }

    PluginModule module{TL_PLUGIN_PATH};
    AEffect* effect = nullptr;
    EffectState state;
};

TEST_F(HostTest, TheEntryPointGivesAStereoSynthWithAnEditorThatPassesUnknownVendorCodesOn) {
    EXPECT_EQ(effect->magic, 0x56737450);  // 'VstP'
    EXPECT_TRUE(effect->dispatcher && effect->process && effect->setParameter && effect->getParameter && effect->processReplacing &&
                effect->processDoubleReplacing && effect->object && !effect->user);
    EXPECT_EQ((std::vector<VstInt32>{effect->numPrograms, effect->numParams, effect->numInputs, effect->numOutputs, effect->flags,
                                     effect->uniqueID, effect->version, effect->initialDelay}),
              (std::vector<VstInt32>{1, 1, 2, 2, effFlagsHasEditor | effFlagsCanReplacing | effFlagsIsSynth, 0x54626B78, 1, 0}));
    EXPECT_EQ(effect->ioRatio, 1.0f);
    for (char c : effect->future) EXPECT_EQ(c, 0);
    EXPECT_TRUE(module.symbol("VSTPluginMain") && !module.symbol("createEffectInstance") &&
                !module.symbol("_Z20createEffectInstancePFlP7AEffectiilPvfE"));
    // The entry point asks the host's version first; a host answering 0 gets no effect.
    const HostCallbackLog::Call first = HostCallbackLog::instance().calls.front();
    EXPECT_TRUE(first.opcode == audioMasterVersion && first.effect == nullptr);
    HostCallbackLog::instance().versionAnswer = 0;
    EXPECT_TRUE(!module.instantiate(HostCallbackLog::callback) && !module.instantiate(nullptr));
    // Vendor codes it does not know go on to the host; keys have names.
    int payload = 0;
    EXPECT_EQ(dispatch(effect, effVendorSpecific, 4242, 77, &payload, 0.5f), HostCallbackLog::kVendorSpecificAnswer);
    const HostCallbackLog::Call forwarded = HostCallbackLog::instance().calls.back();
    EXPECT_TRUE(forwarded.opcode == audioMasterVendorSpecific && forwarded.effect == effect && forwarded.index == 4242 &&
                forwarded.value == 77 && forwarded.ptr == &payload && forwarded.opt == 0.5f);
    MidiKeyName key{0, 60, "x", 7, 9};
    EXPECT_TRUE(dispatch(effect, effGetMidiKeyName, 0, 0, &key) == 1 && std::string(key.keyName) == "    " && key.reserved == 0 && key.flags == 0);
}

TEST_F(HostTest, EveryOpcodeAnswersAsTheTableSaysWhateverItIsGiven) {
    for (VstInt32 opcode = 0; opcode <= 127; ++opcode) {
        if (opcode == effClose) continue;  // every test ends with it
        for (const bool withPointer : {false, true})
            for (const VstInt32 index : kIndexes)
                for (const VstIntPtr value : kValues)
                    for (const float opt : kOptions) call(opcode, index, value, withPointer, opt);
        expectPassThrough(opcode % 7 == 0 ? 1 : 64 + opcode);  // audio keeps flowing between the requests
    }
    for (const bool withWindow : {false, true}) {  // opened twice without a close: still one window
        call(effEditOpen, 0, 0, withWindow, 0.0f), call(effEditOpen, 0, 0, withWindow, 0.0f);
        call(effEditIdle, 0, 0, false, 0.0f), call(effEditClose, 0, 0, false, 0.0f);
    }
    for (const VstInt32 frames : {0, 1, 2, 3, 7, 63, 65, 511, 4097, -1, -4096, INT32_MIN}) {
        VstEventList events = hostileEvents();
        EXPECT_EQ(dispatch(effect, effProcessEvents, 0, 0, events.get()), 1);
        expectPassThrough(frames);
        effect->process(effect, nullptr, nullptr, frames);  // the deprecated calls do nothing
        effect->processDoubleReplacing(effect, nullptr, nullptr, frames);
    }
}


int childWindows(Display* display, Window parent) {
    Window root = 0, parentOut = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, parent, &root, &parentOut, &children, &count);
    if (children) XFree(children);
    return static_cast<int>(count);
}

// Whether the window carries a drop target's XdndAware property: the editor puts one, with a proxy
// to itself, on the host's top-level window while it is open, for drag sources that only look there.
bool dropAware(Display* display, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, remaining = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, XInternAtom(display, "XdndProxy", False), 0, 1, False, AnyPropertyType, &type, &format, &items,
                       &remaining, &data);
    if (data) XFree(data);
    return items == 1;
}

TEST(HostInAWindow, AHundredOpensAndClosesAndEveryWayAHostCanEndIt) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "run on a desktop of its own: tests/support/desktop.sh --xvfb 1024x768x24 -- ...";
    HostCallbackLog::instance() = HostCallbackLog{};
    PluginModule module(TL_PLUGIN_PATH);
    AEffect* effect = module.instantiate(HostCallbackLog::callback);
    ASSERT_NE(effect, nullptr);
    auto hostWindow = [&] {
        const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 440, 756, 0, 0, 0);
        XMapWindow(display, window);
        XSync(display, False);
        return window;
    };
    const Window host = hostWindow();
    for (int round = 0; round < 100; ++round) {
        ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
        for (int i = 0; i < 3; ++i) dispatch(effect, effEditIdle);
        XSync(display, False);
        ASSERT_TRUE(childWindows(display, host) == 1 && dropAware(display, host)) << round;
        EXPECT_LE(dispatch(effect, effEditKeyDown, 'a', 0, nullptr, 0.0f), 1);  // the host's own key events while open
        dispatch(effect, effEditClose);
        XSync(display, False);
        ASSERT_TRUE(childWindows(display, host) == 0 && !dropAware(display, host)) << round;
    }
    // A host that destroys its window first, then closes the editor; and one that closes the
    // effect with the editor open in a live window.
    dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host));
    dispatch(effect, effEditIdle);
    XDestroyWindow(display, host);
    XSync(display, False);
    dispatch(effect, effEditIdle);
    dispatch(effect, effEditClose);
    const Window second = hostWindow();
    dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(second));
    dispatch(effect, effEditIdle);
    EXPECT_EQ(dispatch(effect, effClose), 1);
    XSync(display, False);
    EXPECT_EQ(childWindows(display, second), 0);
    XCloseDisplay(display);
}

}  // namespace
