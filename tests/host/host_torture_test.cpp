// A host that does everything a host could: every opcode from 0 to 127 with null and with valid
// pointers, negative and huge indexes and values, options that are no numbers; editor opcodes with
// and without a window, a hundred opens and closes in a real X window, and effClose after every
// state. The plug-in is loaded through its entry point as a music host loads it; each answer is
// checked against the interface table, every text buffer is exactly as large as the interface
// allows (AddressSanitizer catches a write past it), and LeakSanitizer checks that closing frees all.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "dispatcher_answers.h"
#include "loaded_effect_test.h"

// Last: Xlib's macros (None, Status) would clash with the names above.
#include <X11/Xlib.h>

using namespace hostcalls;

namespace {

constexpr VstInt32 kIndexes[] = {INT32_MIN, -1, 0, 1, 3, 23, 24, 99, 100, 195, 196, INT32_MAX,
                                 fourCharCode("sHi!"), fourCharCode("sI00"), fourCharCode("sO00"), fourCharCode("sV2S")};
constexpr VstIntPtr kValues[] = {INTPTR_MIN, -1, 0, 1, 0x80000000LL, INTPTR_MAX};
const float kOptions[] = {0.0f, -1.0f, 44100.0f, NAN, INFINITY, -INFINITY, 1e30f};

// A hostile event list: more events than the queue holds, every status byte, odd sizes and types,
// frame offsets far outside any block.
class HostileEvents {
public:
    HostileEvents() {
        const VstInt32 deltas[] = {-1, 0, 1, 63, 64, 511, INT32_MAX, INT32_MIN};
        for (int i = 0; i < 300; ++i) {
            VstMidiEvent event = midiEvent(deltas[i % 8], static_cast<uint8_t>(i), static_cast<uint8_t>(53 + i % 30),
                                           static_cast<uint8_t>(i * 7));
            if (i % 17 == 0) event.type = kVstSysExType;
            if (i % 13 == 0) event.byteSize = -1;
            list.add(event);
        }
    }
    VstEvents* get() { return list.get(); }

private:
    VstEventList list;
};

// A pointer argument as a host provides it: a heap block of exactly the documented size.
struct Argument {
    std::unique_ptr<unsigned char[]> block;
    std::size_t size = 0;
    std::optional<HostileEvents> events;
    void* ptr = nullptr;
};

void makeArgument(VstInt32 opcode, Argument& argument) {
    const PointerArgument documented = pointerArgumentOf(opcode);
    switch (documented.kind) {
        case PointerKind::Absent:
            return;
        case PointerKind::Events:
            argument.ptr = argument.events.emplace().get();
            return;
        case PointerKind::WindowHandle:
            // A window that does not exist, on a display that is not there.
            argument.ptr = reinterpret_cast<void*>(uintptr_t{0x1234567});
            return;
        default:
            argument.size = documented.size;
            argument.block = std::make_unique<unsigned char[]>(documented.size);
            // Text the effect reads is as long as the buffer allows; anything it fills starts as junk.
            std::memset(argument.block.get(), documented.kind == PointerKind::TextIn ? 'A' : 0x5A, documented.size);
            if (documented.kind == PointerKind::TextIn) argument.block[documented.size - 1] = 0;
            if (documented.kind == PointerKind::PointerOut || documented.kind == PointerKind::Opaque ||
                documented.kind == PointerKind::RecordIn)
                std::memset(argument.block.get(), 0, documented.size);
            argument.ptr = argument.block.get();
    }
}

class HostTorture : public LoadedEffectTest {
protected:
    void SetUp() override {
        // No display: the editor must get by without one.
        unsetenv("DISPLAY");
        LoadedEffectTest::SetUp();
    }

    // One call, checked against the table; true when it answered as it should.
    void call(VstInt32 opcode, VstInt32 index, VstIntPtr value, bool withPointer, float opt) {
        Argument argument;
        if (withPointer) makeArgument(opcode, argument);
        VstSpeakerArrangement arrangement{};
        VstSpeakerArrangement* arrangementSlot = &arrangement;
        if (valueIsPointer(opcode))
            value = !withPointer ? 0
                    : opcode == effGetSpeakerArrangement ? reinterpret_cast<VstIntPtr>(&arrangementSlot)
                                                          : reinterpret_cast<VstIntPtr>(&arrangement);
        const VstIntPtr answer = dispatch(effect, opcode, index, value, argument.ptr, opt);
        ++calls;
        const std::optional<VstIntPtr> expected =
            expectedAnswer(state, opcode, index, value, argument.ptr, HostCallbackLog::instance().vendorSpecificAnswer);
        if (expected)
            EXPECT_EQ(answer, *expected) << "opcode " << opcode << " index " << index << " value " << value;
        else
            EXPECT_TRUE(answer == 0 || answer == 1) << "opcode " << opcode;
        noteCall(state, opcode, value);
        if (argument.block && pointerArgumentOf(opcode).kind == PointerKind::TextOut && expectedText(opcode, index)) {
            const auto* text = reinterpret_cast<const char*>(argument.block.get());
            ASSERT_NE(std::memchr(text, 0, argument.size), nullptr) << "opcode " << opcode;
            EXPECT_STREQ(text, expectedText(opcode, index)) << "opcode " << opcode << " index " << index;
        }
        if (opcode == effGetParamDisplay && argument.block) {
            EXPECT_NE(std::memchr(argument.block.get(), 0, argument.size), nullptr) << "index " << index;
        }
        if (opcode == effGetSpeakerArrangement && withPointer) {
            EXPECT_EQ(arrangementSlot, nullptr);
        }
    }

    // Passes a block through with no sound loaded: the outputs are the inputs.
    void expectPassThrough(VstInt32 frames) {
        const std::size_t length = frames > 0 ? static_cast<std::size_t>(frames) : 1;
        std::vector<float> inLeft(length, 0.25f), inRight(length, -0.5f), outLeft(length, NAN), outRight(length, NAN);
        float* inputs[2] = {inLeft.data(), inRight.data()};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        effect->processReplacing(effect, inputs, outputs, frames);
        for (VstInt32 f = 0; f < frames; ++f) {
            ASSERT_EQ(outLeft[static_cast<std::size_t>(f)], 0.25f) << frames;
            ASSERT_EQ(outRight[static_cast<std::size_t>(f)], -0.5f) << frames;
        }
    }

    EffectState state;
    int calls = 0;
};

TEST_F(HostTorture, EveryOpcodeAnswersAsTheTableSaysWhateverItIsGiven) {
    for (VstInt32 opcode = 0; opcode <= 127; ++opcode) {
        if (opcode == effClose) continue;  // see EffCloseAfterEveryState
        for (const bool withPointer : {false, true})
            for (const VstInt32 index : kIndexes)
                for (const VstIntPtr value : kValues)
                    for (const float opt : kOptions) call(opcode, index, value, withPointer, opt);
        // Audio keeps flowing between the host's other requests.
        expectPassThrough(opcode % 7 == 0 ? 1 : 64 + opcode);
    }
    RecordProperty("opcodes", 127);
    RecordProperty("calls", calls);
}

TEST_F(HostTorture, EditorOpcodesWithAndWithoutAWindow) {
    const VstInt32 editorOpcodes[] = {effEditGetRect, effEditDraw, effEditMouse, effEditKey, effEditIdle, effEditTop,
                                      effEditSleep, effEditKeyDown, effEditKeyUp, effSetEditKnobMode, effEditClose};
    auto everyEditorOpcode = [&] {
        for (const VstInt32 opcode : editorOpcodes)
            for (const bool withPointer : {false, true})
                for (const float opt : kOptions) call(opcode, 'a', 0x31, withPointer, opt);
    };
    everyEditorOpcode();  // never opened
    for (const bool withWindow : {false, true}) {
        call(effEditOpen, 0, 0, withWindow, 0.0f);
        call(effEditOpen, 0, 0, withWindow, 0.0f);  // twice without a close: still one window
        everyEditorOpcode();                        // the last of them closes it
        everyEditorOpcode();                        // closed again
    }
    for (int round = 0; round < 100; ++round) {
        call(effEditOpen, 0, 0, round % 2 == 0, 0.0f);
        call(effEditIdle, 0, 0, false, 0.0f);
        call(effEditClose, 0, 0, false, 0.0f);
    }
}

TEST_F(HostTorture, ProcessingWithOddBlocksAndHostileEvents) {
    for (const VstInt32 frames : {0, 1, 2, 3, 7, 63, 65, 511, 4097, -1, -4096, INT32_MIN}) {
        HostileEvents events;
        EXPECT_EQ(dispatch(effect, effProcessEvents, 0, 0, events.get()), 1);
        expectPassThrough(frames);
        // The deprecated calls do nothing, whatever they get.
        effect->process(effect, nullptr, nullptr, frames);
        effect->processDoubleReplacing(effect, nullptr, nullptr, frames);
    }
    // No inputs at all, or processing in place.
    std::vector<float> left(100, 0.5f), right(100, 0.5f);
    float* buffers[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, buffers, 100);
    EXPECT_EQ(left, std::vector<float>(100, 0.0f));
    std::fill(left.begin(), left.end(), 0.75f);
    effect->processReplacing(effect, buffers, buffers, 100);
    EXPECT_EQ(left, std::vector<float>(100, 0.75f));
    for (const float value : kOptions)
        for (const VstInt32 index : kIndexes) {
            effect->setParameter(effect, index, value);
            EXPECT_FALSE(std::isnan(effect->getParameter(effect, index))) << index << " " << value;
        }
    expectPassThrough(64);
}

// Each state a host can leave the effect in, followed by effClose: nothing is left behind.
TEST(HostTortureClose, EffCloseAfterEveryState) {
    unsetenv("DISPLAY");
    HostCallbackLog::instance() = HostCallbackLog{};
    PluginModule module(builtPluginPath());
    ASSERT_TRUE(module.loaded()) << module.error();
    std::vector<float> buffer(512, 0.0f);
    float* io[2] = {buffer.data(), buffer.data()};
    HostileEvents events;
    const std::vector<std::pair<const char*, std::function<void(AEffect*)>>> states = {
        {"new", [](AEffect*) {}},
        {"opened", [](AEffect* e) { dispatch(e, effOpen); }},
        {"resumed", [](AEffect* e) { dispatch(e, effMainsChanged, 0, 1); }},
        {"suspended", [](AEffect* e) { dispatch(e, effMainsChanged, 0, 0); }},
        {"notes queued", [&](AEffect* e) { dispatch(e, effProcessEvents, 0, 0, events.get()); }},
        {"processing", [&](AEffect* e) {
             dispatch(e, effProcessEvents, 0, 0, events.get());
             e->processReplacing(e, io, io, 512);
         }},
        {"slot trigger posted", [](AEffect* e) { e->setParameter(e, 3, 5.0f); }},
        {"parameters no numbers", [](AEffect* e) {
             for (VstInt32 index = 100; index < 196; ++index) e->setParameter(e, index, NAN);
         }},
        {"editor open", [](AEffect* e) { dispatch(e, effEditOpen); }},
        {"editor open twice", [](AEffect* e) {
             dispatch(e, effEditOpen);
             dispatch(e, effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{42}));
         }},
        {"editor idling", [](AEffect* e) {
             dispatch(e, effEditOpen);
             for (int i = 0; i < 5; ++i) dispatch(e, effEditIdle);
         }},
        {"export button set from another thread", [](AEffect* e) {
             dispatch(e, effEditOpen);
             std::thread([e] { e->setParameter(e, 196, 1.0f); }).join();
         }},
        {"editor closed", [](AEffect* e) {
             dispatch(e, effEditOpen);
             dispatch(e, effEditClose);
         }},
        {"chunk asked", [](AEffect* e) {
             void* chunk = nullptr;
             dispatch(e, effGetChunk, 0, 0, &chunk);
             dispatch(e, effSetChunk, 0, 0, &chunk);
         }},
    };
    for (const auto& [name, enter] : states) {
        SCOPED_TRACE(name);
        AEffect* effect = module.instantiate(HostCallbackLog::callback);
        ASSERT_NE(effect, nullptr);
        enter(effect);
        EXPECT_EQ(dispatch(effect, effClose), 1);
    }
    RecordProperty("states", static_cast<int>(states.size()));
}

// A private X server for the window test, and a connection to it. Its display number is drawn
// from a high range: servers of other test runs may share this machine's abstract socket names
// without sharing its /tmp. A server that dies while starting is replaced by another.
class Xvfb {
public:
    ~Xvfb() { stop(); }

    Display* connect() {
        std::random_device seed;
        for (int server = 0; server < 5; ++server) {
            if (!start(1000 + static_cast<int>(seed() % 30000))) continue;
            setenv("DISPLAY", name.c_str(), 1);
            // It names its display before it takes clients.
            while (running()) {
                if (Display* display = XOpenDisplay(nullptr)) return display;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        return nullptr;
    }
    std::string name;

private:
    bool start(int display) {
        stop();
        int channel[2];
        if (pipe(channel) != 0) return false;
        pid = fork();
        if (pid == 0) {
            close(channel[0]);
            freopen("/dev/null", "w", stderr);
            const std::string number = std::string(":").append(std::to_string(display));
            const std::string fd = std::to_string(channel[1]);
            execlp("Xvfb", "Xvfb", number.c_str(), "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                   "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(channel[1]);
        // Xvfb writes the number and its newline separately, and dies if the pipe closes between
        // the two: read up to the newline.
        std::string answer;
        char byte = 0;
        while (answer.size() < 16 && read(channel[0], &byte, 1) == 1 && byte != '\n') answer.push_back(byte);
        close(channel[0]);
        if (byte != '\n' || answer.empty()) return false;
        name = ":" + answer;
        return true;
    }
    bool running() {
        if (pid <= 0) return false;
        if (waitpid(pid, nullptr, WNOHANG) == 0) return true;
        pid = -1;
        return false;
    }
    void stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
    pid_t pid = -1;
};

int childWindows(Display* display, Window parent) {
    Window root = 0, parentOut = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(display, parent, &root, &parentOut, &children, &count);
    if (children) XFree(children);
    return static_cast<int>(count);
}

TEST(HostTortureWindow, AHundredOpensAndClosesInARealWindowThenCloseWhileOpen) {
    Xvfb xvfb;
    Display* display = xvfb.connect();
    ASSERT_NE(display, nullptr) << "no X server could be started";
    HostCallbackLog::instance() = HostCallbackLog{};
    PluginModule module(builtPluginPath());
    AEffect* effect = module.instantiate(HostCallbackLog::callback);
    ASSERT_NE(effect, nullptr);
    const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 440, 756, 0, 0, 0);
    XMapWindow(display, host);
    XSync(display, False);

    for (int round = 0; round < 100; ++round) {
        ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
        for (int i = 0; i < 3; ++i) dispatch(effect, effEditIdle);
        XSync(display, False);
        ASSERT_EQ(childWindows(display, host), 1) << round;
        if (round % 10 == 0) {
            // The host's own key events and a resize query while open.
            EXPECT_LE(dispatch(effect, effEditKeyDown, 'a', 0, nullptr, 0.0f), 1);
            ERect* rect = nullptr;
            EXPECT_EQ(dispatch(effect, effEditGetRect, 0, 0, &rect), 1);
        }
        dispatch(effect, effEditClose);
        XSync(display, False);
        ASSERT_EQ(childWindows(display, host), 0) << round;
    }
    // A host that destroys its window first, then closes the editor.
    dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host));
    dispatch(effect, effEditIdle);
    XDestroyWindow(display, host);
    XSync(display, False);
    dispatch(effect, effEditIdle);
    dispatch(effect, effEditClose);
    // And one that closes the effect with the editor open in a live window.
    const Window second = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 440, 756, 0, 0, 0);
    XMapWindow(display, second);
    XSync(display, False);
    dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(second));
    dispatch(effect, effEditIdle);
    EXPECT_EQ(dispatch(effect, effClose), 1);
    XSync(display, False);
    EXPECT_EQ(childWindows(display, second), 0);
    XCloseDisplay(display);
}

}  // namespace
