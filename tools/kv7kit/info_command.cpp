// kv7kit info: what a kit file holds, slot by slot, as the plug-in sees it after an import.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "commands.h"
#include "kit_picture.h"
#include "kit_session.h"
#include "kitfiles/kit_export.h"
#include "tool_error.h"

namespace {

const char* playModeName(int32_t mode) {
    switch (mode) {
        case PlayModeGate: return "gate";
        case PlayModeOneShot: return "one-shot";
        default: return "loop";
    }
}

// Durations are counted as the window shows them: samples / 44100 in single precision.
double secondsOf(int64_t samples) { return static_cast<double>(static_cast<float>(samples) / 44100.0f); }

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string trimmed(const char* text) {
    std::string s(text);
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

// The kit audio the file holds, as `build` counts it: its frames but the closing zero sample an
// export adds. The 12 seconds limit this; the plug-in's total after an import counts a region again
// in each slot that plays it again.
int64_t kitAudioLength(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) throw ToolError("cannot read \"" + path + "\" again: " + sf_strerror(nullptr));
    sf_close(file);
    return std::max<int64_t>(info.frames - 1, 0);
}

}  // namespace

void runInfo(const InfoOptions& options) {
    KitSession session;
    const kitfiles::KitImportResult kit = session.importKit(options.kit);
    Kv7DrumEdit& effect = session.effect();

    SlotInfo slots[kNumSlots];
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        SlotInfo& info = slots[slot];
        info.start = kit.starts[slot];
        info.end = kit.ends[slot];
        info.samples = effect.BufferLength[slot].load();
        info.seconds = secondsOf(info.samples);
        info.pitch = effect.Pitch[slot].load();
        info.playMode = playModeName(effect.PlayMode[slot].load());
        info.reverse = effect.Reverse[slot].load();
        info.gain = effect.Volume[slot].load();
        char display[kVstMaxParamStrLen + 1] = {};
        effect.getParameterDisplay(kParamVolume + slot, display);
        info.decibels = trimmed(display);
        info.audio = effect.SampleBuffer[slot];
    }
    const int64_t total = kitfiles::kitTotalLength(effect), audio = kitAudioLength(options.kit);
    const bool fits = audio <= MAX_BUFFERLENGTH;
    int repeating = 0;
    for (int32_t slot = 0; slot < kNumSlots; ++slot) repeating += slots[slot].samples > 0 && firstSlotWithRegion(slots, slot) < slot;
    if (!options.png.empty() || !options.svg.empty()) {
        KitPicture picture{options.kit.substr(options.kit.rfind('/') + 1),
                           std::string("Kv7 drum kit, ") + (kit.newVersion ? "new" : "old") + " drum version", {}, audio};
        std::copy(std::begin(slots), std::end(slots), picture.slots);
        if (!options.png.empty()) writeKitPng(picture, options.png);
        if (!options.svg.empty()) writeKitSvg(picture, options.svg);
    }

    if (options.json) {
        std::printf("{\"file\":%s,\"drum_version\":\"%s\",\"slots\":[", jsonString(options.kit).c_str(),
                    kit.newVersion ? "new" : "old");
        for (int32_t slot = 0; slot < kNumSlots; ++slot) {
            const SlotInfo& s = slots[slot];
            std::printf("%s{\"slot\":%d,\"note\":%d,\"start\":%d,\"end\":%d,\"samples\":%d,\"seconds\":%.2f,\"pitch\":%d,"
                        "\"play_mode\":\"%s\",\"reverse\":%s,\"volume\":%.4f,\"volume_db\":%s}",
                        slot ? "," : "", slot + 1, kSlotBaseNote + slot, s.start, s.end, s.samples, s.seconds, s.pitch,
                        s.playMode, s.reverse ? "true" : "false", static_cast<double>(s.gain),
                        jsonString(s.decibels).c_str());
        }
        std::printf("],\"total_samples\":%lld,\"total_seconds\":%.2f,\"repeating_slots\":%d,\"audio_samples\":%lld,"
                    "\"audio_seconds\":%.2f,\"fits\":%s}\n",
                    static_cast<long long>(total), secondsOf(total), repeating, static_cast<long long>(audio), secondsOf(audio),
                    fits ? "true" : "false");
        return;
    }

    std::printf("%s: Kv7 drum kit, %s drum version\n", options.kit.c_str(), kit.newVersion ? "new" : "old");
    std::printf("slot note   start     end  samples  seconds  pitch  mode      direction  volume\n");
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        const SlotInfo& s = slots[slot];
        std::printf("%4d %4d %7d %7d %8d %8.2f %6d  %-8s  %-9s  %s dB (x%.2f)\n", slot + 1, kSlotBaseNote + slot, s.start,
                    s.end, s.samples, s.seconds, s.pitch, s.playMode, s.reverse ? "reverse" : "forward",
                    s.decibels.c_str(), static_cast<double>(s.gain));
    }
    std::printf("total: %lld samples, %.2f s in the plug-in after an import", static_cast<long long>(total), secondsOf(total));
    if (repeating) std::printf(", where %d slots play another slot's sound again", repeating);
    if (total > MAX_BUFFERLENGTH) std::printf(" (the plug-in exports at most 12 s)");
    std::printf("\nkit audio: %lld samples, %.2f s%s\n", static_cast<long long>(audio), secondsOf(audio),
                fits ? "" : " (over the 12 s a kit may hold)");
}
