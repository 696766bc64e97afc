// A small host for the X11 integration tests: a top-level window of its own (the "host" window)
// with an editor frame embedded in it, pumped like a music host's idle calls at about 60 Hz. It
// logs what reaches the controls, one line each:
//   ready host=<window id> frame=<window id>
//   enter|leave tag=<tag> count=<items>
//   drop tag=<tag> paths=<path>|<path>...
//   value tag=<tag> value=<value>
//   selector file=<path> | selector none | selector missing
//   editor closed                  (after SIGUSR1, which closes the editor but keeps the host window)
//   host window gone               (after SIGUSR2, which destroys the host window under the editor,
//                                   then closes the editor, as careless hosts do)
//
//   kv7_embed_test_app [--log FILE] [--seconds N]    run embedded until killed or N seconds passed
//   kv7_embed_test_app --offscreen-png FILE         draw the same frame offscreen and exit
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "editor/cmycontrollistener.h"
#include "editor/cmydragbutton.h"
#include "editor/cmytextlabel.h"
#include "editor/slot_rows.h"
#include "vstgui/aeffguieditor.h"
#include "vstgui/bitmap_resources.h"
#include "vstgui/cbitmap.h"
#include "vstgui/ckickbutton.h"
#include "vstgui/cnewfileselector.h"
#include "vstgui/ctextlabel.h"
#include "vstgui/cvstguitimer.h"
#include "vstgui/idatapackage.h"
#include "vstgui/platform/common/runloop.h"
#include "vstgui/platform/offscreen/offscreenframe.h"
#include "vstgui/platform/x11/x11frame.h"

using namespace VSTGUI;

namespace {

constexpr int kWidth = 412;
constexpr int kHeight = 300;

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t closeRequested = 0;
volatile std::sig_atomic_t destroyRequested = 0;
FILE* logFile = stdout;

void logLine(const std::string& line) {
    std::fprintf(logFile, "%s\n", line.c_str());
    std::fflush(logFile);
}

// Two stacked images of solid colours, registered as a compiled-in picture would be.
CBitmap* twoLookBitmap(int32 id, int width, int height, double r1, double g1, double b1, double r2, double g2,
                       double b2) {
    static std::deque<std::vector<uint32_t>> pictures;
    std::vector<uint32_t>& pixels = pictures.emplace_back(static_cast<size_t>(width) * height * 2);
    cairo_surface_t* image = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                 CAIRO_FORMAT_RGB24, width, height * 2, 4 * width);
    cairo_t* cr = cairo_create(image);
    cairo_set_source_rgb(cr, r1, g1, b1);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, r2, g2, b2);
    cairo_rectangle(cr, 0, height, width, height);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    registerBitmapResource(id, {pixels.data(), width, height * 2, true});
    return new CBitmap(id);
}

class EmbedEditor : public AEffGUIEditor, public CMyControlListener, public CBaseObject {
public:
    EmbedEditor() : AEffGUIEditor(nullptr) {
        dropBitmap = twoLookBitmap(130, 238, 56, 0.2, 0.3, 0.5, 0.9, 0.7, 0.1);
        exportBitmap = twoLookBitmap(129, 140, 32, 0.3, 0.5, 0.3, 0.8, 0.9, 0.8);
    }
    ~EmbedEditor() override {
        dropBitmap->forget();
        exportBitmap->forget();
    }

    bool open(void* parent) override {
        AEffGUIEditor::open(parent);
        auto* newFrame = new CFrame(CRect(0, 0, kWidth, kHeight), this);
        newFrame->open(parent);
        auto* title = new CTextLabel(CRect(34, 100, 380, 120), "Tembro-laxis embedding test", nullptr, kNoFrame);
        title->setFontColor(kWhiteCColor);
        title->setBackColor(CColor(40, 40, 40));
        newFrame->addView(title);
        newFrame->addView(new CMyDragButton(CRect(8, 11, 8 + 238, 11 + 56), this, 198, dropBitmap));
        newFrame->addView(new CKickButton(CRect(260, 11, 400, 43), this, 196, exportBitmap));
        const char* names[] = {"Kick 01.wav", "Snare.aif", "", "Hat open.wav"};
        for (int32 n = 0; n < 4; ++n) {
            const CCoord top = slotRowTop(n);
            auto* label = new CMyTextLabel(CRect(34, top, 206, top + 18), this, 52 + n, names[n], nullptr, kNoFrame);
            label->setFont(kNormalFont);
            label->setBackColor(kTransparentCColor);
            label->setHoriAlign(kLeftText);
            label->HasFile = names[n][0] != '\0';
            label->DisplayMode = n == 1 ? 1 : 0;
            label->ParamValue = 0.75f;
            newFrame->addView(label);
        }
        frame = newFrame;
        return true;
    }

    void valueChanged(CControl* control) override {
        char line[96];
        std::snprintf(line, sizeof line, "value tag=%d value=%.1f", control->getTag(), control->getValue());
        logLine(line);
        if (control->getTag() == 196 && control->getValue() > 0.5f) runSelector();
    }
    void HandleDragDrop(CControl* control, IDataPackage* package, bool, const CPoint&) override {
        std::string line = "drop tag=" + std::to_string(control->getTag()) + " paths=";
        for (uint32 i = 0; i < package->getCount(); ++i) {
            const void* buffer = nullptr;
            IDataPackage::Type type = IDataPackage::kError;
            package->getData(i, buffer, type);
            if (i) line += '|';
            line += static_cast<const char*>(buffer);
        }
        logLine(line);
    }
    void HandleDragEnterLeave(CControl* control, IDataPackage* package, bool entering, const CPoint&) override {
        logLine(std::string(entering ? "enter" : "leave") + " tag=" + std::to_string(control->getTag()) +
                " count=" + std::to_string(package->getCount()));
    }
    void MouseOver(CControl*) override {}
    void MouseExit(CControl*) override {}

    CMessageResult notify(CBaseObject* sender, IdStringPtr message) override {
        if (message != CNewFileSelector::kSelectEndMessage) return kMessageUnknown;
        auto* selector = dynamic_cast<CNewFileSelector*>(sender);
        if (selector && selector->getNumSelectedFiles() > 0)
            logLine(std::string("selector file=") + selector->getSelectedFile(0));
        else
            logLine("selector none");
        return kMessageNotified;
    }

    Window frameWindow() const {
        auto* x11 = frame ? dynamic_cast<X11Frame*>(frame->getPlatformFrame()) : nullptr;
        return x11 ? x11->getWindow() : None;
    }

private:
    void runSelector() {
        CNewFileSelector* selector = CNewFileSelector::create(frame, CNewFileSelector::kSelectSaveFile);
        if (!selector) {
            logLine(std::string("selector missing: ") + CNewFileSelector::getMissingProgramText());
            return;
        }
        selector->setTitle("Export Kv7 Kit as..");
        selector->setDefaultExtension(CFileExtension("AIFF", "aif", "audio/x-aiff"));
        selector->run(this);
        selector->forget();
    }

    CBitmap* dropBitmap;
    CBitmap* exportBitmap;
};

int drawOffscreen(const char* path) {
    ScopedOffscreenPlatform offscreen;
    EmbedEditor editor;
    editor.open(reinterpret_cast<void*>(1));
    OffscreenFrame* screen = OffscreenFrame::of(editor.getFrame());
    screen->redrawAll();
    const bool written = screen->writePng(path);
    editor.close();
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 120;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--offscreen-png") && i + 1 < argc) return drawOffscreen(argv[++i]);
        if (!std::strcmp(argv[i], "--log") && i + 1 < argc) logFile = std::fopen(argv[++i], "w");
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) seconds = std::atof(argv[++i]);
    }
    if (!logFile) return 2;
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::signal(SIGUSR1, [](int) { closeRequested = 1; });
    std::signal(SIGUSR2, [](int) { destroyRequested = 1; });

    // The host: its own connection and top-level window, as a music host has.
    Display* host = XOpenDisplay(nullptr);
    if (!host) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    const Window hostWindow = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, kWidth, kHeight, 0, 0,
                                                  BlackPixel(host, DefaultScreen(host)));
    XStoreName(host, hostWindow, "TL embed host");
    XSizeHints hints{};
    hints.flags = USPosition | PPosition | PMinSize | PMaxSize;
    hints.min_width = hints.max_width = kWidth;
    hints.min_height = hints.max_height = kHeight;
    XSetWMNormalHints(host, hostWindow, &hints);
    XSelectInput(host, hostWindow, StructureNotifyMask);
    XMapWindow(host, hostWindow);
    XSync(host, False);

    EmbedEditor editor;
    // The host opens the editor before its window shows, as many do.
    editor.open(reinterpret_cast<void*>(static_cast<uintptr_t>(hostWindow)));
    if (editor.frameWindow() == None) {
        std::fprintf(stderr, "the frame did not open\n");
        return 3;
    }
    for (bool mapped = false; !mapped;) {
        XEvent event;
        XNextEvent(host, &event);
        mapped = event.type == MapNotify;
    }
    logLine("ready host=" + std::to_string(hostWindow) + " frame=" + std::to_string(editor.frameWindow()));

    bool hostWindowGone = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!stopRequested && std::chrono::steady_clock::now() < end) {
        while (XPending(host)) {
            XEvent event;
            XNextEvent(host, &event);
        }
        editor.hostIdle();
        if (destroyRequested && editor.getFrame()) {
            XDestroyWindow(host, hostWindow);
            XSync(host, False);
            hostWindowGone = true;
            logLine("host window gone");
            for (int pumps = 0; pumps < 10; ++pumps) editor.hostIdle();
            closeRequested = 1;
        }
        if (closeRequested && editor.getFrame()) {
            editor.close();
            XSync(host, False);
            logLine("editor closed");
        }
        const auto untilTimer = CVSTGUITimer::timeUntilNextTimer();
        const auto frameTime = std::chrono::milliseconds(16);
        RunLoop::get().wait(untilTimer < frameTime ? std::chrono::duration_cast<std::chrono::milliseconds>(untilTimer)
                                                   : frameTime);
    }
    editor.close();
    if (!hostWindowGone) XDestroyWindow(host, hostWindow);
    XCloseDisplay(host);
    logLine("closed");
    return 0;
}
