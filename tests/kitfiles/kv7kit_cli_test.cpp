// The built kv7kit, run as a user runs it: its files, its answers and its exit status.
#include <cairo.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "kit_test_support.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/sound_file_loader.h"
#include "smf_writer.h"

using namespace kitfiles;

namespace {

struct ToolRun {
    int status;
    std::string out, err;
};

class Kv7Kit : public kittest::KitFixture {
protected:
    ToolRun kv7kit(const std::string& arguments) {
        const std::string out = scratch.path(".out"), err = scratch.path(".err");
        const int status = std::system((std::string(KV7KIT_PATH) + " " + arguments + " >" + out + " 2>" + err + " </dev/null").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, kittest::readText(out), kittest::readText(err)};
    }
    std::string sound(const std::string& name, int32_t frames, int channels = 1, float level = 0.5f) {
        std::vector<float> samples(static_cast<std::size_t>(frames * channels));
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = level * static_cast<float>((i % 200) + 1) / 200.0f;
        kittest::writeSound(scratch.path(name), SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, 44100, samples);
        return scratch.path(name);
    }
    // The kit the plug-in exports after these files are dropped one by one on slots 0, 1, 2 ...
    kittest::Bytes kitAsThePlugInWritesIt(const std::vector<std::string>& files) {
        effect.reset(new Kv7DrumEdit(nullptr));
        clearKit();
        for (std::size_t slot = 0; slot < files.size(); ++slot) load(files[slot], static_cast<int32_t>(slot));
        EXPECT_EQ(Save_All_Buffer_To_KV7_File(*effect, slotPaths, scratch.path("plug-in.aif").c_str()).outcome,
                  KitExportResult::Outcome::Written);
        return kittest::readBytes(scratch.path("plug-in.aif"));
    }
};

bool oneLine(const std::string& text) { return std::count(text.begin(), text.end(), '\n') == 1; }

TEST_F(Kv7Kit, AnswersHelpAndRefusesWhatItCannotDoInOneLine) {
    for (const char* command : {"", "build", "split", "info", "render"}) {
        const ToolRun run = kv7kit(std::string(command) + " --help");
        EXPECT_TRUE(run.status == 0 && run.out.find(std::string("Usage: kv7kit ") + command) != std::string::npos) << run.out;
    }
    const std::string plain = sound("plain.wav", 100), longSound = sound("long.wav", 200000);
    kittest::writeText(scratch.path("text.wav"), "hello");
    const std::string kit = " -o " + scratch.path("k.aif");
    const struct {
        std::string arguments;
        int status;
        std::string says;
    } cases[] = {
        {"", 2, "kv7kit: "}, {"frobnicate", 2, "kv7kit: "}, {"build -o", 2, "kv7kit: "}, {"render kit.aif -o x.wav", 2, "kv7kit: "},
        {"build " + longSound + " " + longSound + " " + longSound + kit, 1,
         "kv7kit: Total Duration too long! (600000 samples, at most 529200)\n"},
        {"build " + plain + " " + scratch.path("text.wav") + kit, 1, scratch.path("text.wav")},
        {"build " + plain + " " + scratch.path("missing.wav") + kit, 1, scratch.path("missing.wav")},
        {"split " + plain + kit, 1, "kv7kit: "}, {"info " + plain, 1, "is not a Kv7 drum kit file"},
        {"info " + scratch.path("nothing.aif"), 1, "kv7kit: "}, {"info " + scratch.folder().string(), 1, "kv7kit: "},
        {"build " + plain + kit + " --vol 1=13", 2, "--vol"}, {"build " + plain + kit + " --pitch 25=1", 2, "--pitch"},
        {"build " + plain + kit + " --pitch 1=2.5", 2, "--pitch"}, {"build " + plain + kit + " --mode 1=wobble", 2, "--mode"},
        {"build " + plain + kit + " --dir 1", 2, "--dir"}, {"build " + plain + kit + " --vol 1=2 --vol 1=3", 2, "twice"},
        {"build " + plain + kit + " --trim=abc", 2, "--trim"}, {"build " + plain + kit + " --loudness=3", 2, "--loudness"},
        {"build " + plain + kit + " --normalize --loudness", 2, "excludes"}, {"build --trim -30 " + plain + kit, 1, "-30"},
        {"chop " + plain + kit + " --slices 25", 2, "--slices"}, {"chop " + plain + kit + " --threshold=x", 2, "--threshold"},
        {"chop " + plain + kit + " --min-gap 100", 2, "100"}, {"chop " + sound("13s.wav", 573300) + kit, 1, "--fit"},
    };
    for (const auto& c : cases) {
        const ToolRun run = kv7kit(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_TRUE(oneLine(run.err) && run.err.rfind("kv7kit: ", 0) == 0) << c.arguments << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_FALSE(std::filesystem::exists(scratch.path("k.aif"))) << c.arguments;
    }
}

TEST_F(Kv7Kit, BuildWritesWhatThePlugInWritesAndNeverReplacesAKitWithAFailure) {
    const std::vector<std::string> files = {sound("kick.wav", 1000), sound("snare 2.wav", 2000, 2), sound("hat.wav", 500, 1, -0.9f)};
    const ToolRun run = kv7kit("build " + files[0] + " '" + files[1] + "' " + files[2] + " -o " + scratch.path("kit.WAV"));
    ASSERT_TRUE(run.status == 0 && run.err.empty() && run.out.find("kit.aif") != std::string::npos) << run.err;
    EXPECT_EQ(kittest::readBytes(scratch.path("kit.aif")), kitAsThePlugInWritesIt(files));

    // A folder gives its sounds in name order, as many as the kit holds.
    std::filesystem::create_directory(scratch.path("folder"));
    for (int i = 25; i >= 0; --i) sound("folder/s" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".wav", 10 + i);
    kittest::writeText(scratch.path("folder/notes.txt"), "not a sound");
    const ToolRun full = kv7kit("build " + scratch.path("folder") + " -o " + scratch.path("kit.aif"));
    EXPECT_TRUE(full.status == 0 && full.err == "kv7kit: 2 more sounds left out: a kit has 24 slots\n") << full.err;
    std::vector<std::string> first24;
    for (int i = 0; i < 24; ++i) first24.push_back(scratch.path("folder/s" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".wav"));
    EXPECT_EQ(kittest::readBytes(scratch.path("kit.aif")), kitAsThePlugInWritesIt(first24));

    const auto before = kittest::readBytes(scratch.path("kit.aif"));
    const std::string longSound = sound("long.wav", 200000);
    EXPECT_EQ(kv7kit("build " + longSound + " " + longSound + " " + longSound + " -o " + scratch.path("kit.aif")).status, 1);
    EXPECT_EQ(kittest::readBytes(scratch.path("kit.aif")), before);
}

// A recording cut into equal slices, one slot each; silence and a tenth of a second give one.
TEST_F(Kv7Kit, ChopCutsARecordingIntoContiguousSlots) {
    for (const auto& [frames, arguments, slots] : {std::tuple{88200, " --slices 4", 4}, {88200, "", 1}, {4410, " --min-gap=20", 1}}) {
        const std::string recording = sound("r.wav", frames, 1, 0.0f);
        const ToolRun run = kv7kit("chop " + recording + " -o " + scratch.path("c.aif") + arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        load(scratch.path("c.aif"), 0);
        int32_t total = 0;
        for (int32_t slot = 0; slot < slots; ++slot) total += length(slot);
        EXPECT_NEAR(total, frames, 3 * slots) << arguments;  // less what the import leaves of each region
        EXPECT_NEAR(length(0), frames / slots, 3) << arguments;
    }
    // Ten minutes: refused as over 12 seconds, or with --fit the kit's 12 seconds of it.
    const std::string tenMinutes = sound("ten.wav", 600 * 44100, 1, 0.0f);
    EXPECT_EQ(kv7kit("chop " + tenMinutes + " -o " + scratch.path("c.aif")).status, 1);
    ASSERT_EQ(kv7kit("chop " + tenMinutes + " -o " + scratch.path("c.aif") + " --fit").status, 0);
    load(scratch.path("c.aif"), 0);
    EXPECT_NEAR(length(0), 529200, 3);
}

// Prepared sounds and slot settings, read back through the plug-in's own import and through info.
TEST_F(Kv7Kit, BuildWritesPreparedSoundsAndSlotSettingsThePlugInImports) {
    const std::string longSound = sound("long.wav", 300000), a = sound("a.wav", 4000);
    const ToolRun run = kv7kit("build " + a + " " + longSound + " " + longSound + " -o " + scratch.path("kit.aif") +
                               " --fit --normalize=-6 --pitch 2=-5 --mode 1=loop --dir 2=rev --vol 1=-6");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("shortened long.wav from 6.80 s to 5.95 s"), std::string::npos) << run.out;
    load(scratch.path("kit.aif"), 0);
    EXPECT_NEAR(length(0) + length(1) + length(2), 529200, 10);  // all of it, less what the import leaves of each region
    EXPECT_TRUE(effect->Pitch[1].load() == -5 && effect->PlayMode[0].load() == PlayModeLoop && effect->Reverse[1].load());
    EXPECT_NEAR(effect->Volume[0].load(), 0.5f, 0.01f);
    float peak = 0.0f;
    for (int32_t i = 0; i < length(0); ++i) peak = std::max(peak, std::fabs(sample(0, i)));
    EXPECT_NEAR(peak, 0.501f, 0.001f);
    EXPECT_NE(kv7kit("info --json " + scratch.path("kit.aif")).out.find("\"pitch\":-5,\"play_mode\":\"one-shot\",\"reverse\":true"),
              std::string::npos);
}

// A 48 kHz sound plays at its own pitch after --resample, and the closing line names it (and only it).
TEST_F(Kv7Kit, BuildResamplesOnlyTheSoundsNotAtTheKitRateAndSaysWhich) {
    kittest::writeSound(scratch.path("hi.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 48000, std::vector<float>(48000, 0.25f));
    const std::string kitRate = sound("kit-rate.wav", 4000);
    const ToolRun run = kv7kit("build --resample " + scratch.path("hi.wav") + " " + kitRate + " -o " + scratch.path("kit.aif"));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string closing = run.out.substr(run.out.rfind("wrote "));
    EXPECT_NE(closing.find("resampled to 44100 Hz: hi.wav\n"), std::string::npos) << run.out;
    load(scratch.path("kit.aif"), 0);
    EXPECT_NEAR(length(0), 44100, 3);
    EXPECT_NEAR(length(1), 4000, 3);
}

TEST_F(Kv7Kit, InfoShowsWhatAnImportGivesAndSplitWritesTheSlotFiles) {
    for (const auto& [slot, frames] : {std::pair{0, 1000}, {1, 2000}, {2, 500}}) fill(slot, std::vector<float>(frames, 0.25f));
    for (const auto& [index, value] : {std::pair{kParamPlayMode + 1, 0.0f}, {kParamPlayMode + 2, 1.0f}, {kParamReverse + 2, 1.0f},
                                       {kParamVolume + 2, std::sqrt(0.5f) * 0.5f}, {kParamPitch + 2, 0.0f}})
        effect->setParameter(index, value);
    ASSERT_EQ(Save_All_Buffer_To_KV7_File(*effect, slotPaths, scratch.path("first.aif").c_str()).outcome, KitExportResult::Outcome::Written);

    // Regions 0..998, 999..2997, 2998..3496, each read back (mostly) one sample lower.
    const auto back = [](int32_t position) { return kitValueToPosition(positionToKitValue(position)); };
    const auto slotJson = [](int32_t slot, int32_t start, int32_t end) {
        return "{\"slot\":" + std::to_string(slot) + ",\"note\":" + std::to_string(52 + slot) + ",\"start\":" + std::to_string(start) +
               ",\"end\":" + std::to_string(end) + ",\"samples\":" + std::to_string(end - start) + ",";
    };
    const int32_t e0 = back(998), s1 = back(999), e1 = back(2997), s2 = back(2998), e2 = back(3496);
    const int32_t total = e0 + (e1 - s1) + 22 * (e2 - s2);
    const ToolRun json = kv7kit("info --json " + scratch.path("first.aif"));
    ASSERT_EQ(json.status, 0) << json.err;
    // The plug-in counts slot 3's sound again in the 21 slots after it; the file holds it once.
    for (const std::string& part : std::vector<std::string>{slotJson(1, 0, e0), slotJson(2, s1, e1), slotJson(3, s2, e2), slotJson(24, s2, e2),
                                    "\"total_samples\":" + std::to_string(total) + ",\"total_seconds\"",
                                    "\"repeating_slots\":21,\"audio_samples\":3497,"})
        EXPECT_NE(json.out.find(part), std::string::npos) << part << "\n" << json.out;
    const ToolRun table = kv7kit("info " + scratch.path("first.aif"));
    for (const std::string& part : std::vector<std::string>{"one-shot  forward    + 0 dB (x1.00)", "gate      forward", "-48  loop      reverse    -6 dB (x0.50)",
                                    "total: " + std::to_string(total) + " samples", "kit audio: 3497 samples, 0.08 s\n"})
        EXPECT_NE(table.out.find(part), std::string::npos) << part << "\n" << table.out;

    const ToolRun split = kv7kit("split " + scratch.path("first.aif") + " -o " + scratch.path("part.wav"));
    ASSERT_TRUE(split.status == 0 && split.out.find("part_24.aif") != std::string::npos) << split.err;
}

// The picture's pixel rows holding waveform (teal) pixels, counted as bands, and the longest run of
// red pixels on one row: the budget bar once the kit is too long, and nothing red before that.
struct PictureMarks {
    int waveformBands = 0, longestRed = 0;
};
PictureMarks marksOf(const std::string& png) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(png.c_str());
    PictureMarks marks;
    bool inBand = false;
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface));
        bool teal = false;
        for (int x = 0, red = 0; x < cairo_image_surface_get_width(surface); ++x) {
            const int r = (row[x] >> 16) & 255, g = (row[x] >> 8) & 255, b = row[x] & 255;
            teal = teal || (g > r + 60 && b > r + 80);
            red = r > 200 && g < 100 && b < 100 ? red + 1 : 0;
            marks.longestRed = std::max(marks.longestRed, red);
        }
        marks.waveformBands += teal && !inBand;
        inBand = teal;
    }
    cairo_surface_destroy(surface);
    return marks;
}

// Lengthens a kit file's sound (its last chunk) by frames of silence: more than any export writes.
void lengthenKitAudio(const std::string& path, uint32_t frames) {
    kittest::Bytes kit = kittest::readBytes(path);
    const std::size_t sound = std::string(kit.begin(), kit.end()).rfind("SSND");
    for (const auto& [at, added] : {std::pair{std::size_t{4}, 2 * frames}, {sound + 4, 2 * frames}, {std::size_t{22}, frames}})
        kittest::put32(kit, at, kittest::be32(kit, at) + added);
    kit.insert(kit.end(), 2 * std::size_t{frames}, 0);
    kittest::writeBytes(path, kit);
}

TEST_F(Kv7Kit, InfoDrawsEachSoundAsARowAndTheKitAudioInRedOverTwelveSeconds) {
    // Three sounds fit, though the import plays the last again in 21 slots and counts 24 x 30000
    // samples; 500000 more frames of audio do not.
    const struct {
        int sounds, frames;
        uint32_t added;
    } cases[] = {{1, 1000, 0}, {3, 30000, 0}, {3, 30000, 500000}};
    for (const auto& [sounds, frames, added] : cases) {
        std::string files;
        for (int i = 0; i < sounds; ++i) files += sound(std::to_string(i) + ".wav", frames) + " ";
        ASSERT_EQ(kv7kit("build " + files + "-o " + scratch.path("kit.aif")).status, 0);
        if (added) lengthenKitAudio(scratch.path("kit.aif"), added);
        const ToolRun run = kv7kit("info " + scratch.path("kit.aif") + " --png " + scratch.path("kit.png") + " --svg " + scratch.path("kit.svg"));
        ASSERT_TRUE(run.status == 0 && run.out == kv7kit("info " + scratch.path("kit.aif")).out) << run.err;
        EXPECT_EQ(run.out.find("a kit may hold") != std::string::npos, added > 0) << run.out;
        const PictureMarks marks = marksOf(scratch.path("kit.png"));
        EXPECT_EQ(marks.waveformBands, sounds);
        EXPECT_TRUE(added ? marks.longestRed > 200 : marks.longestRed == 0) << marks.longestRed;
        EXPECT_EQ(std::system(("python3 -c 'import sys, xml.etree.ElementTree as x; x.parse(sys.argv[1]).getroot().tag.endswith(\"svg\") or "
                               "sys.exit(1)' " + scratch.path("kit.svg")).c_str()), 0);
    }
    const ToolRun unwritable = kv7kit("info " + scratch.path("kit.aif") + " --png " + scratch.path("no/kit.png"));
    EXPECT_TRUE(unwritable.status == 1 && oneLine(unwritable.err)) << unwritable.err;
}

TEST_F(Kv7Kit, RenderPlaysChannelOneThroughTheKit) {
    ASSERT_EQ(kv7kit("build " + sound("a.wav", 4410, 1, 0.5f) + " -o " + scratch.path("kit.aif")).status, 0);
    // 480 ticks a quarter at 120 bpm: slot 0 at 0.5 s on channel 1; the same note on channel 2 at 1 s plays nothing.
    SmfWriter().noteOn(480, 53).noteOff(600, 53).noteOn(960, 53, 100, 1).noteOff(1200, 53, 1).write(scratch.path("song.mid"), 1200);
    for (const bool pcm16 : {false, true}) {
        const ToolRun run = kv7kit("render " + scratch.path("kit.aif") + " --midi " + scratch.path("song.mid") + " -o " +
                                   scratch.path("out.wav") + (pcm16 ? " --pcm16" : ""));
        ASSERT_TRUE(run.status == 0 && run.err.empty()) << run.err;
        SF_INFO info{};
        SNDFILE* file = sf_open(scratch.path("out.wav").c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | (pcm16 ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT));
        EXPECT_TRUE(info.channels == 2 && info.samplerate == 44100 && info.frames >= 22050 + 4410);
        std::vector<float> audio(static_cast<std::size_t>(info.frames) * 2);
        sf_readf_float(file, audio.data(), info.frames);
        sf_close(file);
        const auto peak = [&](int64_t from, int64_t to) {
            float most = 0.0f;
            for (int64_t i = 2 * from; i < 2 * std::min<int64_t>(to, info.frames); ++i) most = std::max(most, std::abs(audio[static_cast<std::size_t>(i)]));
            return most;
        };
        EXPECT_EQ(peak(0, 22050), 0.0f);
        EXPECT_GT(peak(22050, 22050 + 4000), 0.4f);
        EXPECT_EQ(peak(22050 + 4410, info.frames), 0.0f);
    }

    SmfWriter().noteOn(0, 60).noteOff(40 * 960, 60).write(scratch.path("long.mid"), 40 * 960);
    const ToolRun run = kv7kit("render " + scratch.path("kit.aif") + " --midi " + scratch.path("long.mid") + " -o " + scratch.path("long.wav"));
    EXPECT_TRUE(run.status == 0 && run.err.find("rendering") != std::string::npos && run.err.find("100%\n") != std::string::npos) << run.err;
    // A cut header, and a track claiming more bytes than the file holds.
    for (const kittest::Bytes& song : {kittest::Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 9},
                                       kittest::Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 1, 0, 0, 0x90}}) {
        kittest::writeBytes(scratch.path("bad.mid"), song);
        const ToolRun bad = kv7kit("render " + scratch.path("kit.aif") + " --midi " + scratch.path("bad.mid") + " -o " + scratch.path("bad.wav"));
        EXPECT_TRUE(bad.status == 1 && oneLine(bad.err) && bad.err.find("is not a MIDI file that can be read") != std::string::npos) << bad.err;
        EXPECT_FALSE(std::filesystem::exists(scratch.path("bad.wav")));
    }
}

// The libraries of render, chop, info's pictures and the preparation steps load when those first
// call them: a plain build loads none of them, nor GLib and FFmpeg under them.
TEST_F(Kv7Kit, ABuildLoadsNoLibraryOnlyOtherCommandsUse) {
    setenv("LD_DEBUG", "files", 1);
    const ToolRun build = kv7kit("build " + sound("s.wav", 4410) + " -o " + scratch.path("k.aif"));
    const ToolRun picture = kv7kit("info " + scratch.path("k.aif") + " --png " + scratch.path("k.png"));
    unsetenv("LD_DEBUG");
    ASSERT_TRUE(build.status == 0 && picture.status == 0) << build.err << picture.err;
    EXPECT_NE(picture.err.find("file=libcairo.so"), std::string::npos);  // a library loaded later shows too
    for (const char* library : {"libsmf", "libglib", "libcairo", "libpango", "libaubio", "libsoxr", "libebur128"})
        EXPECT_EQ(build.err.find(std::string("file=") + library), std::string::npos) << library;
}

}  // namespace
