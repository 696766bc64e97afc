// Fuzzes the XDND target's rules, and the uri-list reader, with what any client on the display can send:
// messages of every kind from two sources and windows 0 and 1 in any order; data refused, of any type and
// bytes, over the cap or in INCR pieces; the source's window gone. Answers must go only to windows that
// entered, never to 0 or 1; the frame must hear enter, moves, leave and drop in order, and a refusal only
// for data over the cap.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <set>

#include "vstgui/platform/iplatformframe.h"
#include "vstgui/platform/x11/urilist.h"
#include "vstgui/platform/x11/xdndtarget.h"

using namespace VSTGUI;

namespace {

const XdndAtoms kAtoms{1, 2, 3, 4, 5, 6, 7, 8, 9};  // enter ... finished, copy, uri list, INCR
const long kWindows[] = {PointerWindow, InputFocus, 100, 101};

void check(bool holds) {
    if (!holds) std::abort();
}

class Desktop final : public XdndTarget::Port, public IPlatformDropCallback {
public:
    explicit Desktop(FuzzedDataProvider& provider) : in(provider) {}
    std::vector<Atom> typeList(Window) override { return std::vector<Atom>(in.ConsumeIntegralInRange(0, 3), in.ConsumeIntegralInRange<Atom>(7, 9)); }
    std::optional<CRect> windowArea() override { return in.ConsumeBool() ? std::optional<CRect>(CRect(10, 10, 200, 300)) : std::nullopt; }
    void requestData(Time) override {}
    std::optional<XdndTarget::Data> takeData(std::size_t maxBytes) override {
        if (in.ConsumeBool()) return std::nullopt;
        XdndTarget::Data data{in.ConsumeIntegralInRange<Atom>(7, 9), in.PickValueInArray({8, 16, 32}), {}, false};
        const std::string piece = in.ConsumeRandomLengthString(64);
        for (int n = in.ConsumeIntegralInRange(0, 200); n > 0; --n) data.bytes += piece;
        if (data.bytes.size() > maxBytes) data = {data.type, data.format, {}, true};
        tooLargeGiven = tooLargeGiven || data.tooLarge;
        return data;
    }
    void send(const XClientMessageEvent& m) override {
        check(entered.count(long(m.window)) && m.window > 1 && (m.message_type == kAtoms.status || m.message_type == kAtoms.finished));
    }
    void watch(Window source, bool) override { check(entered.count(long(source)) && source > 1); }
    void platformOnDragEnter(IDataPackage*, const CPoint&) override { check(!over), over = true; }
    void platformOnDragMove(IDataPackage*, const CPoint&) override { check(over); }
    void platformOnDragLeave(IDataPackage*, const CPoint&) override { check(over), over = false; }
    bool platformOnDrop(IDataPackage*, const CPoint&) override { return check(over), over = false, in.ConsumeBool(); }
    void platformOnDropRefused(const char* reason) override { check(tooLargeGiven && !over && reason[0]); }

    FuzzedDataProvider& in;
    std::set<long> entered;
    bool over = false, tooLargeGiven = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    for (const std::string& path : localPathsFromUriList(std::string(reinterpret_cast<const char*>(data), size), "studio"))
        check(path[0] == '/' && path.find('\0') == std::string::npos);
    FuzzedDataProvider in(data, size);
    Desktop desktop(in);
    XdndTarget target(kAtoms, desktop, &desktop, 4096);
    while (in.remaining_bytes() > 0) {
        const int what = in.ConsumeIntegralInRange(0, 6);
        if (what == 4) target.onSelectionNotify(in.ConsumeBool());
        if (what == 5) target.onDataChanged();
        if (what == 6) target.onWindowGone(static_cast<Window>(in.PickValueInArray(kWindows)));
        if (what > 3) continue;
        XClientMessageEvent message{ClientMessage, 0, True, nullptr, 7000, in.ConsumeIntegralInRange<Atom>(1, 6), in.ConsumeBool() ? 32 : 8, {}};
        message.data.l[0] = in.PickValueInArray(kWindows);
        // Small values too: type atoms, and version 5 with or without more types.
        for (int i = 1; i < 5; ++i) message.data.l[i] = in.ConsumeBool() ? in.ConsumeIntegral<long>() : in.PickValueInArray({8L, 5L << 24, (5L << 24) | 1});
        if (message.message_type == kAtoms.enter) desktop.entered.insert(message.data.l[0]);
        target.onClientMessage(message);
    }
    return 0;
}
