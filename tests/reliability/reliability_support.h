// Shared ground for the reliability tests: sound files written byte by byte so that their headers
// can lie, and child processes that run a scenario with fewer rights, on a small disk or until
// they are killed.
#pragma once

#include <grp.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "offscreen_editor.h"

namespace reliability {

// Little- and big-endian writers for building headers by hand.
struct Bytes {
    Bytes& text(const std::string& s) { return raw({s.begin(), s.end()}); }
    Bytes& le16(uint32_t v) { return put(v, 2, false); }
    Bytes& le32(uint32_t v) { return put(v, 4, false); }
    Bytes& be16(uint32_t v) { return put(v, 2, true); }
    Bytes& be32(uint32_t v) { return put(v, 4, true); }
    Bytes& raw(const std::vector<unsigned char>& more) {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
    Bytes& put(uint32_t v, int bytes, bool bigEndian) {
        for (int i = 0; i < bytes; ++i) data.push_back(static_cast<unsigned char>(v >> (bigEndian ? 8 * (bytes - 1 - i) : 8 * i)));
        return *this;
    }
    std::vector<unsigned char> data;
};

inline const std::vector<unsigned char> kRate44100 = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};

// A PCM WAV whose header says what it is told to, over `frames` frames of data actually present;
// declaredData is the data chunk's stated size (by default the true one).
inline std::vector<unsigned char> wavFile(uint32_t channels, uint32_t frames, int64_t declaredData = -1, uint32_t bits = 16) {
    const uint32_t frameBytes = channels * ((bits + 7) / 8);
    const uint64_t present = uint64_t{frameBytes} * frames;
    const auto stated = static_cast<uint32_t>(declaredData < 0 ? static_cast<int64_t>(present) : declaredData);
    Bytes b;
    b.text("RIFF").le32(36 + stated).text("WAVE").text("fmt ").le32(16).le16(1).le16(channels).le32(44100);
    b.le32(44100 * frameBytes).le16(frameBytes).le16(bits).text("data").le32(stated);
    for (uint64_t i = 0; i < present / 2; ++i) b.le16(static_cast<uint16_t>((i % 64) * 100));
    return b.data;
}

// A 16-bit AIFF with the given COMM fields over `frames` frames of data actually present.
inline std::vector<unsigned char> aiffFile(uint16_t channels, uint32_t statedFrames, uint32_t frames, uint32_t commSize = 18,
                                           int64_t ssndSize = -1) {
    const uint32_t sampleBytes = 2u * frames * (channels ? channels : 1u);
    Bytes b;
    b.text("FORM").be32(46 + sampleBytes).text("AIFF").text("COMM").be32(commSize).be16(channels).be32(statedFrames).be16(16);
    b.raw(kRate44100).text("SSND").be32(ssndSize < 0 ? sampleBytes + 8 : static_cast<uint32_t>(ssndSize)).be32(0).be32(0);
    for (uint32_t i = 0; i < sampleBytes / 2; ++i) b.be16(static_cast<uint16_t>((i % 50) * 200));
    return b.data;
}

// Runs body in a child process and gives back what it reported and how it ended.
struct ChildOutcome {
    std::string report;
    bool exitedNormally = false;
};

inline ChildOutcome runInChild(const std::function<std::string()>& body) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::string report = body();
        // Straight to the kernel: a sanitizer's exit handler would judge the parent's threads,
        // which the child never had, as leaked.
        syscall(SYS_exit_group, write(channel[1], report.data(), report.size()) == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    close(channel[1]);
    ChildOutcome outcome;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) outcome.report.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    outcome.exitedNormally = child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return outcome;
}

// Makes the calling (child) process an unprivileged user when it runs as root, so that file
// permissions apply to it; any other user is unprivileged already.
inline bool dropPrivileges() {
    constexpr uid_t kNobody = 65534;
    return geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0);
}

}  // namespace reliability
