// The platform pieces that run without a display: drag data, uri lists, the run loop pumped by the
// host's idle calls, timers by elapsed time, and the save dialog run as a child process.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "gui_test_support.h"
#include "frame/audioeffectx.h"
#include "vstgui/aeffguieditor.h"
#include "vstgui/ckickbutton.h"
#include "vstgui/cdropsource.h"
#include "vstgui/cnewfileselector.h"
#include "vstgui/cvstguitimer.h"
#include "vstgui/platform/common/runloop.h"
#include "vstgui/platform/x11/urilist.h"

namespace guitest {
namespace {

namespace fs = std::filesystem;

TEST(DropSource, ItemsKeepTheirOrderTypesAndTerminatingNul) {
    auto* package = new CDropSource(std::vector<std::string>{"/a b/c.wav", "/d.aif"});
    package->add("xy", 2, IDataPackage::kText);
    ASSERT_EQ(package->getCount(), 3u);
    const void* buffer = nullptr;
    IDataPackage::Type type = IDataPackage::kError;
    EXPECT_EQ(package->getData(0, buffer, type), 10u);
    EXPECT_STREQ(static_cast<const char*>(buffer), "/a b/c.wav");
    EXPECT_EQ(type, IDataPackage::kFilePath);
    EXPECT_EQ(package->getDataType(2), IDataPackage::kText);
    EXPECT_EQ(package->getDataType(3), IDataPackage::kError);
    EXPECT_EQ(package->getData(3, buffer, type), 0u);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(type, IDataPackage::kError);
    package->forget();
}

TEST(UriList, LocalFilesArePercentDecodedAndEverythingElseIsSkipped) {
    const std::string list =
        "# dragged from a file manager\r\n"
        "file:///home/kv7/My%20Kits/snare%231.wav\r\n"
        "file://localhost/tmp/kick.aif\r\n"
        "file://studio/tmp/hat.wav\r\n"
        "file://otherhost/tmp/remote.wav\r\n"
        "https://example.org/x.wav\r\n"
        "FILE:/tmp/upper%2x.wav\n"
        "file:///tmp/nul%00cut.wav\r\n";
    EXPECT_EQ(localPathsFromUriList(list, "studio"),
              (std::vector<std::string>{"/home/kv7/My Kits/snare#1.wav", "/tmp/kick.aif", "/tmp/hat.wav",
                                        "/tmp/upper%2x.wav"}));
}

class TimerTarget : public CBaseObject {
public:
    CMessageResult notify(CBaseObject*, IdStringPtr message) override {
        if (message == CVSTGUITimer::kMsgTimer) ++fired;
        return kMessageNotified;
    }
    int fired = 0;
};

TEST(Timer, FiresByElapsedTimeAndOnceForAPumpThatCameLate) {
    TimerTarget target;
    auto* timer = new CVSTGUITimer(&target, 50);
    const auto start = CVSTGUITimer::Clock::now();
    timer->start();
    CVSTGUITimer::fireDueTimers(start + std::chrono::milliseconds(20));
    EXPECT_EQ(target.fired, 0);
    CVSTGUITimer::fireDueTimers(start + std::chrono::milliseconds(60));
    EXPECT_EQ(target.fired, 1);
    CVSTGUITimer::fireDueTimers(start + std::chrono::milliseconds(400));
    EXPECT_EQ(target.fired, 2);
    EXPECT_LE(CVSTGUITimer::timeUntilNextTimer(start + std::chrono::milliseconds(400)), std::chrono::milliseconds(50));
    timer->forget();
}

// An editor like the plug-in's: it builds its frame in open() and takes over idle().
class WindowEditor : public AEffGUIEditor {
public:
    explicit WindowEditor(AudioEffect* effect = nullptr) : AEffGUIEditor(effect) {}
    bool open(void* parent) override {
        AEffGUIEditor::open(parent);
        frame = new CFrame(CRect(0, 0, 20, 20), this);
        frame->open(parent);
        view = new CView(CRect(0, 0, 10, 10));
        frame->addView(view);
        return true;
    }
    void idle() override {}
    CView* view = nullptr;
};

TEST(HostIdle, PumpsTheRunLoopFiresDueTimersAndRepaintsEvenWhenTheEditorTakesOverIdle) {
    ScopedOffscreenPlatform offscreen;
    WindowEditor editor;
    int pumped = 0;
    const uint64 source = RunLoop::get().add(-1, [&pumped] { ++pumped; });
    TimerTarget target;
    auto* timer = new CVSTGUITimer(&target, 10);
    ASSERT_TRUE(editor.open(reinterpret_cast<void*>(1)));
    editor.hostIdle();
    timer->start();
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    editor.view->setDirty(true);
    editor.hostIdle();
    EXPECT_EQ(pumped, 2);
    EXPECT_EQ(target.fired, 1);
    EXPECT_FALSE(editor.view->isDirty());
    editor.close();
    EXPECT_EQ(editor.getFrame(), nullptr);
    EXPECT_FALSE(editor.isOpen());
    RunLoop::get().remove(source);
    timer->forget();
}

// What the host hears from the editor binding.
struct HostLog {
    static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
        if (opcode == audioMasterVersion) return 2400;
        if (opcode == audioMasterCanDo) return canSizeWindow && ptr && std::strcmp(static_cast<char*>(ptr), "sizeWindow") == 0;
        if (opcode == audioMasterSizeWindow) calls.push_back("size " + std::to_string(index) + "x" + std::to_string(value));
        if (opcode == audioMasterBeginEdit) calls.push_back("begin " + std::to_string(index));
        if (opcode == audioMasterEndEdit) calls.push_back("end " + std::to_string(index));
        if (opcode == audioMasterIdle) calls.push_back("idle");
        return opcode == audioMasterSizeWindow;
    }
    static inline std::vector<std::string> calls;
    static inline bool canSizeWindow = false;
};

class SilentEffect : public AudioEffectX {
public:
    SilentEffect() : AudioEffectX(&HostLog::callback, 1, 1) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

TEST(EditorBinding, EditsIdleAndSizeRequestsReachTheHost) {
    ScopedOffscreenPlatform offscreen;
    HostLog::calls.clear();
    SilentEffect effect;
    auto* editor = new WindowEditor(&effect);  // the effect owns it
    ASSERT_TRUE(editor->open(reinterpret_cast<void*>(1)));
    RecordingListener listener;
    auto* button = new CKickButton(CRect(10, 10, 20, 20), &listener, 196, nullptr);
    editor->getFrame()->addView(button);
    OffscreenFrame::of(editor->getFrame())->mouseDown({12, 12}, kLButton);
    OffscreenFrame::of(editor->getFrame())->mouseUp({12, 12}, kLButton);
    editor->doIdleStuff();
    EXPECT_FALSE(editor->requestResize(CPoint(500, 400)));
    HostLog::canSizeWindow = true;
    EXPECT_TRUE(editor->requestResize(CPoint(500, 400)));
    HostLog::canSizeWindow = false;
    EXPECT_EQ(HostLog::calls, (std::vector<std::string>{"begin 196", "end 196", "idle", "size 500x400"}));
    editor->close();
}

// Fake dialog programs on a private PATH; each logs its arguments and environment.
class FileSelectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("tl-selector-" + std::to_string(getpid()));
        fs::create_directories(folder);
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (folder.string() + ":/usr/bin:/bin").c_str(), 1);
        setenv("LD_LIBRARY_PATH", "/opt/host/lib", 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
        unsetenv("LD_LIBRARY_PATH");
        fs::remove_all(folder);
    }
    void fakeProgram(const std::string& name, const std::string& output, int exitCode, double delay = 0) {
        const fs::path program = folder / name;
        std::ofstream script(program);
        script << "#!/bin/sh\n"
               << "for a in \"$@\"; do echo \"$a\"; done > '" << (folder / "args").string() << "'\n"
               << "echo \"${LD_LIBRARY_PATH-unset}\" > '" << (folder / "env").string() << "'\n"
               << "sleep " << delay << "\n"
               << "printf '%s' '" << output << "'\n"
               << "exit " << exitCode << "\n";
        script.close();
        chmod(program.c_str(), 0755);
    }
    std::string logged(const std::string& name) const {
        std::ifstream in(folder / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Pumps as a host's idle calls would until the delegate is told.
    static void pumpUntil(const bool& ended) {
        for (int i = 0; i < 500 && !ended; ++i) {
            RunLoop::get().pump();
            RunLoop::get().wait(std::chrono::milliseconds(10));
        }
    }

    fs::path folder;
    std::string savedPath;
};

class SelectorDelegate : public CBaseObject {
public:
    CMessageResult notify(CBaseObject* sender, IdStringPtr message) override {
        if (message != CNewFileSelector::kSelectEndMessage) return kMessageUnknown;
        auto* selector = dynamic_cast<CNewFileSelector*>(sender);
        ended = true;
        files = selector ? selector->getNumSelectedFiles() : 99;
        if (files) path = selector->getSelectedFile(0);
        return kMessageNotified;
    }
    bool ended = false;
    uint32 files = 0;
    std::string path;
};

TEST_F(FileSelectorTest, ZenityRunsBesideTheWindowAndItsChoiceArrivesAtTheEnd) {
    fakeProgram("zenity", "/tmp/kits/My Kit.aif\n", 0, 0.3);
    CNewFileSelector* selector = CNewFileSelector::create(nullptr, CNewFileSelector::kSelectSaveFile);
    ASSERT_NE(selector, nullptr);
    selector->setTitle("Export Kv7 Kit as..");
    selector->setDefaultExtension(CFileExtension("AIFF", "aif", "audio/x-aiff", 0));
    SelectorDelegate delegate;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(selector->run(&delegate));
    selector->forget();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    EXPECT_FALSE(delegate.ended);
    pumpUntil(delegate.ended);
    ASSERT_TRUE(delegate.ended);
    EXPECT_EQ(delegate.files, 1u);
    EXPECT_EQ(delegate.path, "/tmp/kits/My Kit.aif");
    EXPECT_EQ(logged("args"),
              "--file-selection\n--save\n--confirm-overwrite\n--title=Export Kv7 Kit as..\n"
              "--file-filter=AIFF | *.aif\n--file-filter=All files | *\n");
    EXPECT_EQ(logged("env"), "unset\n");
    EXPECT_EQ(delegate.getNbReference(), 1);
}

TEST_F(FileSelectorTest, CancellingYieldsNoFile) {
    fakeProgram("zenity", "", 1);
    CNewFileSelector* selector = CNewFileSelector::create(nullptr, CNewFileSelector::kSelectSaveFile);
    ASSERT_NE(selector, nullptr);
    EXPECT_FALSE(selector->runModal());
    EXPECT_EQ(selector->getNumSelectedFiles(), 0u);
    EXPECT_EQ(selector->getSelectedFile(0), nullptr);
    selector->forget();
}

TEST_F(FileSelectorTest, KdialogIsPreferredWhenInstalled) {
    fakeProgram("zenity", "/tmp/wrong.aif", 0);
    fakeProgram("kdialog", "/tmp/right.aif\n", 0);
    CNewFileSelector* selector = CNewFileSelector::create(nullptr, CNewFileSelector::kSelectSaveFile);
    ASSERT_NE(selector, nullptr);
    selector->setTitle("Export individual files As..");
    selector->setDefaultExtension(CFileExtension("AIFF", "aif"));
    ASSERT_TRUE(selector->runModal());
    EXPECT_STREQ(selector->getSelectedFile(0), "/tmp/right.aif");
    const std::string args = logged("args");
    EXPECT_EQ(args.rfind("--title\nExport individual files As..\n--getsavefilename\n", 0), 0u) << args;
    EXPECT_NE(args.find("\nAIFF (*.aif)\n"), std::string::npos) << args;
    selector->forget();
}

TEST_F(FileSelectorTest, WithoutADialogProgramNoSelectorIsMadeAndTheUserIsToldWhatToInstall) {
    setenv("PATH", folder.c_str(), 1);
    EXPECT_EQ(CNewFileSelector::create(nullptr, CNewFileSelector::kSelectSaveFile), nullptr);
    EXPECT_NE(std::string(CNewFileSelector::getMissingProgramText()).find("zenity"), std::string::npos);
    fakeProgram("zenity", "", 0);
    EXPECT_EQ(CNewFileSelector::create(nullptr, CNewFileSelector::kSelectFile), nullptr);
}

}  // namespace
}  // namespace guitest
