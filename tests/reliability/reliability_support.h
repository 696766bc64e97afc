// Shared ground for the reliability tests: the real editor of a real effect on the offscreen
// platform, driven the way a user drives it; sound files written byte by byte so that their
// headers can lie; and child processes that run a scenario with fewer rights, on a small disk or
// until they are killed.
#pragma once

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "editor/adeditor.h"
#include "editor/cmytextlabel.h"
#include "editor/keyboard_layout.h"
#include "editor/slot_rows.h"
#include "editor/vembdialog.h"
#include "engine/kv7drumeditedit.h"
#include "kit_test_support.h"
#include "kitfiles/kit_trace.h"
#include "vstgui/cdropsource.h"
#include "vstgui/cframe.h"
#include "vstgui/platform/offscreen/offscreenframe.h"

namespace reliability {

inline VSTGUI::CPoint labelCentre(int32_t slot) { return {120, slotRowTop(slot) + 9}; }
inline VSTGUI::CPoint keyCentre(int32_t slot) {
    return {REALKEYS_X[slot] + REALKEYS_W[slot] / 2.0, REALKEYS_Y[slot] + 3 + keyAreaHeight(slot) / 2.0};
}
inline const VSTGUI::CPoint kDropZone{120, 35};

// An effect with its editor open in an offscreen window.
class OffscreenEditor {
public:
    OffscreenEditor() : effect(new Kv7DrumEditEdit(nullptr)), editor(effect->getADEditor()) {
        kitfiles::setTraceStream(nullptr);
        editor->open(nullptr);
        screen = VSTGUI::OffscreenFrame::of(editor->getFrame());
    }
    ~OffscreenEditor() {
        delete effect;
        kitfiles::setTraceStream(stderr);
    }
    OffscreenEditor(const OffscreenEditor&) = delete;
    OffscreenEditor& operator=(const OffscreenEditor&) = delete;

    void drop(const VSTGUI::CPoint& where, const std::vector<std::string>& paths) {
        VSTGUI::CDropSource package(paths);
        screen->dragEnter(&package, where);
        screen->dragMove(&package, where);
        screen->drop(&package, where);
    }
    void click(const VSTGUI::CPoint& where, VSTGUI::int32 buttons = VSTGUI::kLButton) {
        screen->mouseDown(where, buttons);
        screen->mouseUp(where, buttons & ~VSTGUI::kModifierMask);
    }
    // Option-drag from one slot's label to another's.
    void exchange(int32_t from, int32_t to) {
        screen->mouseDown(labelCentre(from), VSTGUI::kLButton | VSTGUI::kAlt);
        screen->mouseMoved(labelCentre(to), VSTGUI::kLButton | VSTGUI::kAlt);
        screen->mouseUp(labelCentre(to), 0);
    }
    bool dialogShowing() const { return editor->getFrame()->isChild(editor->MessageDialog); }
    std::string dialogMessage() const { return editor->MessageDialog->getDialogMessage(); }
    std::string dialogTitle() const { return editor->MessageDialog->getDialogTitle(); }
    // Presses the dialog's OK button.
    void dismissDialog() {
        const VSTGUI::CRect& ok = editor->MessageDialog->OKButtonRect;
        click({ok.left + 5, ok.top + 5});
    }
    int32_t length(int32_t slot) const { return effect->BufferLength[slot].load(); }
    std::string labelText(int32_t slot) const { return editor->SlotLabel[slot]->getText(); }

    VSTGUI::ScopedOffscreenPlatform offscreen;  // first: the window opens on it
    Kv7DrumEditEdit* effect;
    ADEditor* editor;
    VSTGUI::OffscreenFrame* screen = nullptr;
};

// Little-endian and big-endian writers for building headers by hand.
class Bytes {
public:
    Bytes& text(const std::string& s) {
        data.insert(data.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& le16(uint32_t v) { return put(v, 2, false); }
    Bytes& le32(uint32_t v) { return put(v, 4, false); }
    Bytes& be16(uint32_t v) { return put(v, 2, true); }
    Bytes& be32(uint32_t v) { return put(v, 4, true); }
    Bytes& raw(const std::vector<unsigned char>& more) {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
    Bytes& zeros(std::size_t count) {
        data.insert(data.end(), count, 0);
        return *this;
    }
    std::vector<unsigned char> data;

private:
    Bytes& put(uint32_t v, int bytes, bool bigEndian) {
        for (int i = 0; i < bytes; ++i) {
            const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
            data.push_back(static_cast<unsigned char>(v >> shift));
        }
        return *this;
    }
};

// A 16-bit PCM WAV whose header says what it is told to, over `frames` frames of data actually
// present. declaredData is the data chunk's stated size (by default the true one).
inline std::vector<unsigned char> wavFile(uint32_t channels, uint32_t frames, int64_t declaredData = -1,
                                          uint32_t bitsPerSample = 16) {
    const uint32_t bytesPerFrame = channels * ((bitsPerSample + 7) / 8);
    const uint64_t present = static_cast<uint64_t>(bytesPerFrame) * frames;
    const uint32_t stated = declaredData < 0 ? static_cast<uint32_t>(present) : static_cast<uint32_t>(declaredData);
    Bytes b;
    b.text("RIFF").le32(36 + stated).text("WAVE");
    b.text("fmt ").le32(16).le16(1).le16(channels).le32(44100).le32(44100 * bytesPerFrame).le16(bytesPerFrame).le16(bitsPerSample);
    b.text("data").le32(stated);
    for (uint64_t i = 0; i < present / 2; ++i) b.le16(static_cast<uint16_t>(static_cast<int16_t>((i % 64) * 100)));
    return b.data;
}

// A 16-bit AIFF with the given COMM fields over `frames` frames of mono data actually present.
inline std::vector<unsigned char> aiffFile(uint16_t channels, uint32_t statedFrames, uint32_t frames,
                                           uint32_t commSize = 18, int64_t ssndSize = -1) {
    Bytes b;
    const uint32_t sampleBytes = 2u * frames * (channels ? channels : 1u);
    const uint32_t ssnd = ssndSize < 0 ? sampleBytes + 8 : static_cast<uint32_t>(ssndSize);
    b.text("FORM").be32(4 + 8 + 18 + 8 + sampleBytes + 8).text("AIFF");
    b.text("COMM").be32(commSize).be16(channels).be32(statedFrames).be16(16);
    b.raw({0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0});
    b.text("SSND").be32(ssnd).be32(0).be32(0);
    for (uint32_t i = 0; i < sampleBytes / 2; ++i) b.be16(static_cast<uint16_t>(static_cast<int16_t>((i % 50) * 200)));
    return b.data;
}

// Runs body in a child process after setup and gives back what the body wrote to its pipe and how
// the child ended. Nothing of the gtest process runs in the child but the two functions.
struct ChildOutcome {
    std::string report;
    bool exitedNormally = false;
    int exitCode = -1;
};

inline ChildOutcome runInChild(const std::function<bool()>& setup, const std::function<std::string()>& body) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string report = setup() ? body() : "setup failed";
        const char* p = report.data();
        std::size_t left = report.size();
        while (left > 0) {
            const ssize_t n = write(channel[1], p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(channel[1]);
    ChildOutcome outcome;
    char buffer[4096];
    ssize_t n;
    while ((n = read(channel[0], buffer, sizeof buffer)) > 0) outcome.report.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        outcome.exitedNormally = true;
        outcome.exitCode = WEXITSTATUS(status);
    }
    return outcome;
}

// Makes the calling (child) process an unprivileged user when it runs as root, so that file
// permissions apply to it; any other user is unprivileged already.
inline bool dropPrivileges() {
    if (geteuid() != 0) return true;
    constexpr uid_t kNobody = 65534;
    return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0;
}

}  // namespace reliability
