// Files whose contents lie and paths that are no ordinary sound files, dropped on the real editor:
// each has a defined outcome. What cannot be loaded leaves the slot's previous sound and the
// message dialog says why; a header that overstates its data gets what the data holds; nothing
// outside a slot is touched (AddressSanitizer watches), nothing blocks, and the window goes on.
#include <glib.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "kitfiles/sound_file_loader.h"
#include "reliability_support.h"

using namespace reliability;
using ByteList = std::vector<unsigned char>;

namespace {

constexpr int32_t kTarget = 5;       // the slot things are dropped on
constexpr int32_t kPrevious = 1000;  // frames of the sound it held before

enum class Outcome { KeepsAndSaysWhy, Loads, ImportsInBounds };

// A kit file of our layout around any text, over `frames` frames of data present.
ByteList kitWithText(const std::string& text, uint32_t statedFrames, uint32_t frames) {
    const std::size_t padded = (text.size() + 3) & ~std::size_t{3};
    Bytes b;
    b.text("FORM").be32(0).text("AIFF").text("COMM").be32(18).be16(1).be32(statedFrames).be16(16).raw(kRate44100);
    b.text("APPL").be32(static_cast<uint32_t>(padded)).text(text).raw(ByteList(padded - text.size(), 0));
    b.text("SSND").be32(2 * frames + 8).be32(0).be32(0);
    for (uint32_t i = 0; i < frames; ++i) b.be16(static_cast<uint16_t>(i * 7));
    return b.data;
}

std::string lists(const std::string& value) {
    std::string text = "kv-7{\"drum_version\":1";
    for (const char* key : {"pitch", "start", "end", "playmode", "reverse", "volume"}) {
        text += std::string(",\"") + key + "\":[";
        for (int slot = 0; slot < kNumSlots; ++slot) text += value + (slot < kNumSlots - 1 ? "," : "]");
    }
    return text + "}";
}

ByteList patched(ByteList bytes, std::size_t at, const ByteList& with) {
    std::copy(with.begin(), with.end(), bytes.begin() + static_cast<long>(at));
    return bytes;
}

class HostileDrops : public ::testing::Test {
protected:
    HostileDrops() {
        ui.drop(labelCentre(0), {kittest::wav(scratch, "previous.wav", kPrevious, 0.375f)});
        ui.drop(labelCentre(kTarget), {scratch.path("previous.wav")});
        before.assign(ui.effect->SampleBuffer[kTarget], ui.effect->SampleBuffer[kTarget] + kPrevious);
    }
    // Drops paths on the target slot and checks the outcome; the window must go on working.
    void dropAndCheck(const std::vector<std::string>& paths, Outcome outcome, int32_t length = 0, const std::string& why = "") {
        SCOPED_TRACE(paths[0].substr(0, 120));
        ui.drop(labelCentre(kTarget), paths);
        for (int32_t slot = 0; slot < kNumSlots; ++slot) EXPECT_TRUE(ui.length(slot) >= 0 && ui.length(slot) < MAX_BUFFERLENGTH) << slot;
        if (outcome == Outcome::KeepsAndSaysWhy) {
            EXPECT_TRUE(ui.length(kTarget) == kPrevious && ui.length(0) == kPrevious);
            EXPECT_TRUE(std::equal(before.begin(), before.end(), ui.effect->SampleBuffer[kTarget]));
            EXPECT_TRUE(ui.dialogShowing() && ui.dialogMessage().find(why) != std::string::npos) << ui.dialogMessage();
            ui.dismissDialog();
        }
        EXPECT_TRUE(outcome != Outcome::Loads || ui.length(kTarget) == length);
        EXPECT_TRUE(outcome != Outcome::ImportsInBounds || ui.labelText(kTarget) == " From Kv-7 import");
        EXPECT_FALSE(ui.dialogShowing()) << ui.dialogMessage();
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        ui.click(keyCentre(0));
        ui.effect->processReplacing(nullptr, outputs, 64);
        EXPECT_EQ(ui.effect->IsPlaying[0], ui.length(0) >= 2);
        ui.editor->getFrame()->idle();  // and it still draws
        ui.drop(labelCentre(0), {scratch.path("previous.wav")});
        ui.drop(labelCentre(kTarget), {scratch.path("previous.wav")});
    }
    std::string file(const std::string& name, const ByteList& bytes) { return kittest::writeBytes(scratch.path(name), bytes), scratch.path(name); }

    kittest::ScratchFolder scratch;
    OffscreenEditor ui;
    std::vector<float> before;
};

TEST_F(HostileDrops, BrokenSoundFilesKeepThePreviousSoundAndSayWhy) {
    const ByteList wav = wavFile(1, 2000);
    for (const auto& [name, bytes, why] : std::vector<std::tuple<std::string, ByteList, std::string>>{
             {"zero-length.wav", {}, "not a sound file"},
             {"cut-in-header.wav", ByteList(wav.begin(), wav.begin() + 30), "not a sound file"},
             {"zero-channels.wav", wavFile(0, 100), "not a sound file"},
             {"six-channels.wav", wavFile(6, 100), "has 6 channels"},
             {"zero-bits.wav", wavFile(1, 100, -1, 0), "not a sound file"},
             {"no-format-chunk.wav", Bytes().text("RIFF").le32(12).text("WAVE").text("data").le32(4).le32(0).data, "not a sound file"},
             {"zero-channels.aif", aiffFile(0, 100, 100), "not a sound file"},
             {"huge-comm-chunk.aif", aiffFile(1, 100, 100, 0xFFFFFFF0u), "not a sound file"},
             {"unknown-compression.aifc", Bytes().text("FORM").be32(46).text("AIFC").text("COMM").be32(24).be16(1).be32(10).be16(16)
                                              .raw(kRate44100).text("XXXX").be16(0).data, "not a sound file"},
             {"kit-without-comm.aif", patched(kitWithText(lists("0"), 100, 100), 12, {'C', 'A', 'M', 'M'}), "is not a kit file that can be read"},
             {"kit-of-0-bit-samples.aif", patched(kitWithText(lists("0"), 100, 100), 27, {0}), "is not a kit file that can be read"}})
        dropAndCheck({file(name, bytes)}, Outcome::KeepsAndSaysWhy, 0, why);
}

TEST_F(HostileDrops, HeadersThatOverstateTheirDataGetWhatTheDataHoldsAndKitTextsStayInBounds) {
    // The decoder takes the frames it can read; a file of none still gives a slot of 1.
    for (const auto& [name, bytes, length] : std::vector<std::tuple<std::string, ByteList, int32_t>>{
             {"billions-of-frames.aif", aiffFile(1, 3000000000u, 2000), 2000},
             {"all-ones-frame-count.aif", aiffFile(1, 0xFFFFFFFFu, 700000), MAX_BUFFERLENGTH - 1},
             {"data-chunk-claims-4-gb.wav", wavFile(1, 1500, 0xFFFFFFF0), 1500},
             {"data-chunk-claims-more.wav", wavFile(2, 1200, 1000000), 1200},
             {"ssnd-past-the-end.aif", aiffFile(1, 3000, 3000, 18, 0x7FFFFFF0), 3000},
             {"no-frames.wav", wavFile(1, 0), 1}})
        dropAndCheck({file(name, bytes)}, Outcome::Loads, length);
    Bytes notNumbers;
    for (float sample : {NAN, INFINITY, -INFINITY, 0.5f, NAN, 1e30f, -1e30f, 0.f, 0.f, 0.f}) {
        uint32_t bits;
        std::memcpy(&bits, &sample, 4);
        notNumbers.le32(bits);
    }
    const ByteList floats = Bytes().text("RIFF").le32(76).text("WAVE").text("fmt ").le32(16).le16(3).le16(1).le32(44100).le32(176400)
                                .le16(4).le16(32).text("data").le32(40).raw(notNumbers.data).data;
    dropAndCheck({file("not-numbers.wav", floats)}, Outcome::Loads, 10);

    for (const auto& [name, bytes] : std::vector<std::pair<std::string, ByteList>>{
             {"no-lists.aif", kitWithText("kv-7{}  ", 100, 100)},
             {"only-commas.aif", kitWithText("kv-7" + std::string(2400, ','), 100, 100)},
             {"ten-thousand-digits.aif", kitWithText(lists(std::string(10000, '9')), 100, 100)},
             {"negative-everything.aif", kitWithText(lists("-2147483648"), 100, 100)},
             {"regions-past-the-audio.aif", kitWithText(lists("2147483646"), 100, 100)},
             {"kit-claims-billions.aif", kitWithText(lists("1000"), 0xFFFFFFFFu, 3000)},
             {"kit-without-audio.aif", kitWithText(lists("1000"), 5000, 0)},
             {"kit-cut-after-signature.aif", kitWithText(lists("0"), 100, 100)}})
        dropAndCheck({file(name, name.find("cut") == std::string::npos ? bytes : ByteList(bytes.begin(), bytes.begin() + 60))}, Outcome::ImportsInBounds);
    // An absurd frame count is limited by the data present.
    const std::string regions = "kv-7{\"drum_version\":1,\"start\":[0," + std::to_string(kitfiles::positionToKitValue(100)) +
                                "],\"end\":[" + std::to_string(kitfiles::positionToKitValue(100)) + "," +
                                std::to_string(kitfiles::positionToKitValue(4000)) + "]}";
    ui.drop(labelCentre(0), {file("claims.aif", kitWithText(regions, 0x7FFFFFFF, 5000))});
    EXPECT_EQ(ui.length(1), kitfiles::kitValueToPosition(kitfiles::positionToKitValue(4000)) -
                                kitfiles::kitValueToPosition(kitfiles::positionToKitValue(100)));
}

TEST_F(HostileDrops, PathsThatAreNoSoundFilesAreRefusedWithAReason) {
    const std::string fifo = scratch.path("pipe.wav");
    std::filesystem::create_directories(scratch.path("nothing-here"));
    ASSERT_TRUE(mkfifo(fifo.c_str(), 0600) == 0 && mkfifo(scratch.path("nothing-here/pipe.wav").c_str(), 0600) == 0);
    for (const auto& [target, link] : {std::pair{"loop-b.wav", "loop-a.wav"}, {"loop-a.wav", "loop-b.wav"}, {"nowhere.wav", "dangling.wav"}, {".", "nothing-here/self"}})
        std::filesystem::create_symlink(target, scratch.path(link));
    kittest::writeText(scratch.path("plain.txt"), "text");
    kittest::writeText(scratch.path("nothing-here/readme.txt"), "no sounds");
    for (const auto& [paths, why] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{fifo}, "not a regular file"}, {{"/dev/zero"}, "not a regular file"}, {{"/dev/null"}, "not a regular file"},
             {{scratch.path("loop-a.wav")}, "Too many levels of symbolic links"}, {{scratch.path("dangling.wav")}, "No such file or directory"},
             {{scratch.path("plain.txt") + "/inside.wav"}, "Not a directory"}, {{scratch.path("nothing-here")}, "holds no sound"},
             {{fifo, scratch.path("nothing-here"), "/dev/zero", scratch.path("loop-a.wav")}, "None of the 4"},
             {{"/" + std::string(4095, 'x')}, "longer than 511 characters"}})
        dropAndCheck(paths, Outcome::KeepsAndSaysWhy, 0, why);

    // As root every file is readable: these drops run in a child without root's rights.
    const std::string secret = kittest::wav(scratch, "secret.wav", 500), closed = scratch.path("closed");
    std::filesystem::create_directories(closed);
    kittest::wav(scratch, "closed/inside.wav", 500);
    chmod(secret.c_str(), 0);
    chmod(closed.c_str(), 0);
    chmod(scratch.folder().c_str(), 0755);
    const ChildOutcome outcome = runInChild([&] {
        std::string report = dropPrivileges() ? "" : "setup failed";
        for (const std::string& path : {secret, closed}) {
            ui.drop(labelCentre(kTarget), {path});
            report += std::to_string(ui.length(kTarget)) + " " + ui.dialogMessage() + "\n";
            ui.dismissDialog();
        }
        return report;
    });
    EXPECT_TRUE(outcome.exitedNormally);
    EXPECT_EQ(outcome.report, "1000 Could not open \"" + secret + "\": Permission denied.\n1000 Could not open \"" + closed + "\": it is a folder.\n");
}

// Pango's complaints about texts that are not UTF-8, which would reach standard error on every
// redraw. Pango logs through GLib's structured log, whose writer is set once per process.
int pangoWarnings = 0;
GLogWriterOutput countPangoWarnings(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data) {
    for (gsize i = 0; i < count; ++i)
        if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0 && fields[i].length < 0 &&
            std::strcmp(static_cast<const char*>(fields[i].value), "Pango") == 0 && (level & G_LOG_LEVEL_WARNING))
            ++pangoWarnings;
    return g_log_writer_default(level, fields, count, data);
}
[[maybe_unused]] const bool writerInstalled = (g_log_set_writer_func(countPangoWarnings, nullptr, nullptr), true);

TEST_F(HostileDrops, OddNamesLongPathsAndHugeFoldersLoadWhatTheyCan) {
    // Names that are not UTF-8, cut inside a character at 43 characters, or hold format directives.
    std::string wide;
    for (int i = 0; i < 15; ++i) wide += "\xE3\x81\x82";
    ui.drop(labelCentre(kTarget), {kittest::wav(scratch, "caf\xE9 \xFF\xFE.wav", 400), kittest::wav(scratch, "xx" + wide + ".wav", 300),
                                   kittest::wav(scratch, "line\nbreak %s %n 100%.wav", 200)});
    EXPECT_TRUE(ui.length(kTarget) == 400 && ui.length(kTarget + 1) == 300 && ui.labelText(kTarget + 2) == " line\nbreak %s %n 100%");
    ui.screen->redrawAll();
    EXPECT_EQ(pangoWarnings, 0);

    // Nested folders make a path of exactly `length` bytes ending in a sound file's name.
    auto pathOfLength = [&](std::size_t length) {
        std::string path = scratch.folder().string();
        for (; path.size() + 111 < length; std::filesystem::create_directories(path)) path += "/" + std::string(100, 'd');
        return path + "/" + std::string(length - path.size() - 5, 'n') + ".wav";
    };
    const std::string longest = pathOfLength(511), tooLong = pathOfLength(512);
    kittest::writeSound(longest, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, std::vector<float>(700, 0.5f));
    kittest::writeSound(tooLong, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, std::vector<float>(800, 0.5f));
    dropAndCheck({longest}, Outcome::Loads, 700);
    dropAndCheck({tooLong}, Outcome::KeepsAndSaysWhy, 0, "longer than 511 characters");
    // In a folder, an entry whose full path is too long is refused too, and the others still load.
    const std::string nearLimit = pathOfLength(480), folder = nearLimit.substr(0, nearLimit.rfind('/'));
    kittest::writeSound(folder + "/" + std::string(150, 'z') + ".wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, std::vector<float>(600, 0.5f));
    kittest::writeSound(folder + "/short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, std::vector<float>(650, 0.5f));
    ui.drop(labelCentre(kTarget), {folder});
    EXPECT_EQ(ui.length(kTarget), 650);
    EXPECT_NE(ui.dialogMessage().find("longer than 511 characters"), std::string::npos);
    ui.dismissDialog();

    // 10 000 entries with 30 sounds hidden among them: slots from the target to 23 fill, and it stops.
    std::filesystem::create_directories(scratch.path("many"));
    for (int i = 0; i < 10000; ++i) kittest::writeText(scratch.path("many/note" + std::to_string(i) + ".txt"), "x");
    for (int i = 0; i < 30; ++i) kittest::wav(scratch, "many/s" + std::to_string(i) + ".wav", 100 + i);
    ui.drop(labelCentre(kTarget), {scratch.path("many")});
    for (int32_t slot = kTarget; slot < kNumSlots; ++slot) EXPECT_TRUE(ui.length(slot) >= 100 && ui.length(slot) < 130) << slot;
    EXPECT_EQ(ui.length(0), kPrevious);
    EXPECT_FALSE(ui.dialogShowing());
}

}  // namespace
