// Hostile X clients speaking XDND to the editor's real window, on an X server of the test's own. After
// each scenario a well-behaved source loads its sound at once, nothing else loaded, and no answer went
// astray: to a stranger, or to the bystander under the pointer and with the focus (XSendEvent's 0 and 1).
#include <functional>
#include <thread>

#include "editor/adeditor.h"
#include "editor/cmydragbutton.h"
#include "editor/slot_rows.h"
#include "editor/vembdialog.h"
#include "engine/kv7drumeditedit.h"
#include "kit_test_support.h"
#include "vstgui/cframe.h"
#include "vstgui/platform/x11/x11frame.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
constexpr long kV5 = 5L << 24, kA = -1, kB = -2;  // kA, kB: the two sources' windows
constexpr std::size_t kMiB = 1 << 20, kNone = std::string::npos;
std::string uri(const std::string& path) { return "file://" + path + "\r\n"; }
struct Message { const char* type; long from, l1 = kV5; };

class HostileXdnd : public ::testing::Test {
protected:
    HostileXdnd() {
        kitfiles::setTraceStream(nullptr), XMapWindow(x, host), XMapWindow(x, bystander), XSync(x, False), editor->open(reinterpret_cast<void*>(host));
        target = dynamic_cast<VSTGUI::X11Frame*>(editor->getFrame()->getPlatformFrame())->getWindow();
        XWarpPointer(x, None, bystander, 0, 0, 0, 0, 5, 5), XSetInputFocus(x, bystander, RevertToParent, CurrentTime), XSync(x, False);
    }
    ~HostileXdnd() override { delete effect, kitfiles::setTraceStream(stderr), XCloseDisplay(x); }
    Atom atom(const char* name) { return XInternAtom(x, name, False); }
    void send(const Message& m, VSTGUI::CPoint at = {120, 35}) {  // at: the drop zone unless told
        const long from = m.from == kA ? long(sources[0]) : m.from == kB ? long(sources[1]) : m.from;
        const long l2 = std::strcmp(m.type, "XdndEnter") ? long(at.x) << 16 | long(at.y) : long(atom("text/uri-list"));
        XEvent e{.xclient = {ClientMessage, 0, True, x, target, atom(m.type), 32, {.l = {from, m.l1, l2, 0, long(atom("XdndActionCopy"))}}}};
        XSendEvent(x, target, False, NoEventMask, &e);
    }
    bool pump(const std::function<bool()>& done, Clock::duration limit = 5s) {  // idles as a host does, serving the sources
        for (const auto end = Clock::now() + limit; Clock::now() < end; std::this_thread::sleep_for(1ms)) {
            const auto start = Clock::now();
            editor->hostIdle(), longestIdle = std::max(longestIdle, Clock::now() - start);
            for (XEvent e; XPending(x);) XNextEvent(x, &e), serve(e);
            if (done()) return true;
        }
        return false;
    }
    void serve(const XEvent& e) {
        const auto& [r, p] = std::tie(e.xselectionrequest, e.xproperty);
        if (e.type == ClientMessage) {
            (e.xclient.message_type == atom("XdndStatus") ? status : finished) = int(e.xclient.data.l[1] & 1);
            strays += e.xclient.window <= 1 || e.xclient.window == sources[1] || e.xclient.window == host;
        } else if (e.type == SelectionRequest) {
            const long size = static_cast<long>(offer.data.size());
            offer.window = r.requestor, offer.property = r.property, offer.sent = offer.data.size() > offer.piece ? 0 : kNone;
            XSelectInput(x, r.requestor, PropertyChangeMask);
            if (offer.sent == 0) XChangeProperty(x, r.requestor, r.property, atom("INCR"), 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&size), 1);
            else put(r.requestor, r.property, offer.data);
            XEvent notify{.xselection = {SelectionNotify, 0, True, x, r.requestor, r.selection, r.target, r.property, r.time}};
            XSendEvent(x, r.requestor, False, NoEventMask, &notify);
        } else if (e.type == PropertyNotify && p.state == PropertyDelete && p.window == offer.window && p.atom == offer.property && offer.sent != kNone) {
            const std::string piece = offer.data.substr(offer.sent, offer.piece);  // the next INCR piece once the last was taken
            put(offer.window, offer.property, piece);
            offer.sent = piece.empty() ? kNone : offer.sent + piece.size();
        }
    }
    void put(Window w, Atom property, const std::string& bytes) {
        XChangeProperty(x, w, property, atom("text/uri-list"), 8, PropModeReplace, reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
    }
    // Enter, position and drop from source A offering list, in INCR pieces when longer: XdndFinished's flag, or -1.
    int drag(const std::string& list, VSTGUI::CPoint at, std::size_t piece = kNone) {
        offer = {list, piece}, status = finished = -1;
        XSetSelectionOwner(x, atom("XdndSelection"), sources[0], CurrentTime);
        send({"XdndEnter", kA}), send({"XdndPosition", kA}, at);
        return pump([&] { return status >= 0; }) ? (send({"XdndDrop", kA}), pump([&] { return finished >= 0; }), finished) : -1;
    }
    std::vector<int32_t> lengths() const { return {effect->BufferLength, effect->BufferLength + kNumSlots}; }
    // The message shown, if any, once its dialog is closed.
    std::string dismiss() { return editor->getFrame()->removeView(editor->MessageDialog, false) ? editor->MessageDialog->getDialogMessage() : ""; }
    // No slot changed since before, no answer astray, and a well-behaved drag of a new sound loads.
    void expectUnharmed(const std::vector<int32_t>& before, const std::string& scenario) {
        SCOPED_TRACE(scenario);
        pump([] { return false; }, 50ms), dismiss();
        EXPECT_EQ(lengths(), before);
        const int slot = ++round % kNumSlots, frames = 1000 + round;
        EXPECT_EQ(drag(uri(kittest::wav(scratch, "s" + std::to_string(round) + ".wav", frames)), {120, slotRowTop(slot) + 9}), 1);
        std::vector<int32_t> after = lengths();
        EXPECT_EQ(std::exchange(after[slot], before[slot]), frames);
        EXPECT_TRUE(after == before && std::exchange(strays, 0) == 0) << "answers astray";
    }

    kittest::ScratchFolder scratch;
    Kv7DrumEditEdit* effect = new Kv7DrumEditEdit(nullptr);
    ADEditor* editor = effect->getADEditor();
    Display* x = XOpenDisplay(nullptr);  // the host's, the sources' and the bystander's
    Window host = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 440, 756, 0, 0, 0), target = None;
    Window sources[2] = {XCreateSimpleWindow(x, DefaultRootWindow(x), 500, 0, 8, 8, 0, 0, 0), XCreateSimpleWindow(x, DefaultRootWindow(x), 500, 0, 8, 8, 0, 0, 0)};
    Window bystander = XCreateSimpleWindow(x, DefaultRootWindow(x), 600, 100, 100, 100, 0, 0, 0);
    struct { std::string data; std::size_t piece = kNone, sent = kNone; Window window = None; Atom property = None; } offer;  // sent: INCR
    int status = -1, finished = -1, strays = 0, round = 0;
    Clock::duration longestIdle{};
};

// Messages from windows 0, 1 or a stranger, out of order, of an old version; a source vanishing over the drop zone;
// floods of each kind, and of enters and positions in turn. Answers go only to the source; no idle takes 0.5 s.
TEST_F(HostileXdnd, AnswersGoOnlyToTheSourceAndFloodsKeepIdleCallsShort) {
    const struct { std::vector<Message> cycle; int count = 0; bool afterEnter = false, vanishes = false; } rows[] = {
        {{{"XdndPosition", 0}}}, {{{"XdndDrop", 0}}}, {{{"XdndEnter", 0}, {"XdndPosition", 0}, {"XdndDrop", 0}}}, {{{"XdndEnter", 1}, {"XdndPosition", 1}, {"XdndDrop", 1}}},
        {{{"XdndEnter", kA}, {"XdndPosition", kB}, {"XdndDrop", kB}, {"XdndLeave", kB}, {"XdndPosition", kA}, {"XdndLeave", kA}}}, {{{"XdndLeave", kA}, {"XdndDrop", kA}}},
        {{{"XdndEnter", kA}, {"XdndDrop", kA}, {"XdndDrop", kA}, {"XdndPosition", kA}, {"XdndEnter", kA, 2L << 24}, {"XdndDrop", kA}}}, {{{"XdndEnter", kA}, {"XdndPosition", kA}}, 0, false, true},
        {{{"XdndPosition", kA}}, 200000, true}, {{{"XdndEnter", kA, kV5 | 1}}, 200000}, {{{"XdndLeave", kA}}, 200000, true}, {{{"XdndDrop", kA}}, 200000, true},
        {{{"XdndPosition", kB}}, 200000, true}, {{{"XdndStatus", kA}}, 200000, true}, {{{"XdndEnter", kA, kV5 | 1}, {"XdndPosition", kA}}, 80000}};
    for (const auto& row : rows) {
        const auto before = lengths();
        offer.data = row.count ? "" : uri(kittest::wav(scratch, "never.wav", 500)), longestIdle = {};  // floods may drop
        if (row.afterEnter) send({"XdndEnter", kA}), send({"XdndPosition", kA});
        for (int i = 0; i < std::max<int>(row.count, int(row.cycle.size())); ++i) send(row.cycle[i % row.cycle.size()]);
        EXPECT_EQ(pump([&] { return row.vanishes && editor->DropButton->DropHighlight; }, row.count || row.vanishes ? 1s : 50ms), row.vanishes);
        if (row.vanishes) XDestroyWindow(x, std::exchange(sources[0], XCreateSimpleWindow(x, DefaultRootWindow(x), 500, 0, 8, 8, 0, 0, 0)));
        EXPECT_TRUE(!row.vanishes || pump([&] { return !editor->DropButton->DropHighlight; }, 1s)) << "the drop zone stays lit";
        EXPECT_LT(longestIdle, 500ms * TL_SLOWDOWN) << row.cycle[0].type << row.count;
        expectUnharmed(before, row.cycle[0].type + std::to_string(row.count));
    }
}

// Lists longer than one request reads, over the cap, in INCR pieces, naming no local file or a device.
TEST_F(HostileXdnd, ListsLoadOnlyWhatWasDragged) {
    const std::string last = (kittest::wav(scratch, "t4194304.wav", 800), uri(kittest::wav(scratch, "t4194304.wavx", 850)));
    const std::string file = uri(kittest::wav(scratch, "b.wav", 900)), overCap = "#" + std::string(8 * kMiB - 2, 'c') + "\r\n";
    std::string cut;  // its first 4 MiB end right after ".wav"
    while (cut.size() + 5000 < 4 * kMiB - last.size()) cut += uri("/absent/" + std::string(4000, 'f'));
    cut += "#" + std::string(4 * kMiB - last.size() - cut.size(), 'c') + "\r\n" + last;
    const struct { std::string list; std::size_t piece; int accepted, loads; const char* says; } rows[] = {
        {cut, kNone, 1, 850, ""}, {cut, 256 << 10, 1, 850, ""}, {file, 7, 1, 900, ""}, {overCap, kNone, 0, 0, "larger than"}, {overCap, kMiB, 0, 0, "larger than"},
        {uri("/dev/null"), kNone, 0, 0, "not a regular"}, {"http://h/x.wav\r\nfile://elsewhere/x.wav\r\nfile:///n%00l.wav\r\n" + std::string(9, '\0'), kNone, 0, 0, ""}};
    for (const auto& row : rows) {
        const auto before = lengths();
        EXPECT_EQ(drag(row.list, {120, slotRowTop(7) + 9}, row.piece), row.accepted) << row.list.size();
        EXPECT_EQ(effect->BufferLength[7].exchange(before[7]), row.loads ? row.loads : before[7]);
        EXPECT_NE(dismiss().find(row.says), kNone);
        expectUnharmed(before, row.list.substr(0, 20));
    }
}

}  // namespace
