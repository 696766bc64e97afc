// Runs the built kv7kit as a user would and checks its files and answers.
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "kit_test_support.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/sound_file_loader.h"

using namespace kitfiles;

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string slurp(const std::string& path) {
    const auto bytes = kittest::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

// A format 0 MIDI file at 480 ticks per quarter and the default 120 bpm: one tick is 1/960 s.
void writeMidi(const std::string& path, const std::vector<std::pair<uint32_t, std::vector<unsigned char>>>& events) {
    std::vector<unsigned char> track;
    uint32_t now = 0;
    auto quantity = [&](uint32_t value) {
        std::vector<unsigned char> bytes{static_cast<unsigned char>(value & 0x7F)};
        for (value >>= 7; value; value >>= 7) bytes.insert(bytes.begin(), static_cast<unsigned char>((value & 0x7F) | 0x80));
        track.insert(track.end(), bytes.begin(), bytes.end());
    };
    for (const auto& [tick, message] : events) {
        quantity(tick - now);
        now = tick;
        track.insert(track.end(), message.begin(), message.end());
    }
    quantity(0);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
    std::vector<unsigned char> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    const auto size = static_cast<uint32_t>(track.size());
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<unsigned char>(size >> shift));
    file.insert(file.end(), track.begin(), track.end());
    kittest::writeBytes(path, file);
}

class Kv7KitTool : public kittest::KitFixture {
protected:
    ToolRun kv7kit(const std::string& arguments) {
        const std::string out = scratch.path(".out"), err = scratch.path(".err");
        const std::string command = std::string(KV7KIT_PATH) + " " + arguments + " >" + out + " 2>" + err + " </dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
    }
    std::string sound(const std::string& name, int32_t frames, int channels = 1, float level = 0.5f) {
        const std::string path = scratch.path(name);
        std::vector<float> samples(static_cast<std::size_t>(frames * channels));
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = level * static_cast<float>((i % 200) + 1) / 200.0f;
        kittest::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, 44100, samples);
        return path;
    }
    // The kit the plug-in exports after these files are dropped one by one on slots 0, 1, 2 ...
    std::vector<unsigned char> kitAsThePlugInWritesIt(const std::vector<std::string>& files) {
        effect.reset(new Kv7DrumEdit(nullptr));
        std::memset(slotPaths, 0, sizeof slotPaths);
        for (std::size_t slot = 0; slot < files.size(); ++slot) {
            std::strcpy(slotPaths[slot], files[slot].c_str());
            LoadExec_This_Sound_From_File(*effect, slotPaths, slotPaths[slot], kLoadSoundFile, static_cast<int32_t>(slot));
        }
        const std::string path = scratch.path("plug-in.aif");
        EXPECT_EQ(Save_All_Buffer_To_KV7_File(*effect, slotPaths, path.c_str()).outcome, KitExportResult::Outcome::Written);
        return kittest::readBytes(path);
    }
    static int32_t readBack(int32_t position) { return kitValueToPosition(positionToKitValue(position)); }
    static std::string jsonSlot(int32_t slot, int32_t start, int32_t end, int32_t samples) {
        return std::string("{\"slot\":") + std::to_string(slot) + ",\"note\":" + std::to_string(52 + slot) + ",\"start\":" +
               std::to_string(start) + ",\"end\":" + std::to_string(end) + ",\"samples\":" + std::to_string(samples) + ",";
    }
};

TEST_F(Kv7KitTool, EveryCommandHasHelp) {
    for (const char* command : {"", "build", "split", "info", "render"}) {
        SCOPED_TRACE(command);
        const ToolRun run = kv7kit(std::string(command) + " --help");
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find("Usage: kv7kit"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(command), std::string::npos);
    }
}

TEST_F(Kv7KitTool, CommandLineMistakesGiveOneLineAndStatus2) {
    for (const char* arguments : {"", "frobnicate", "build -o", "build a.wav", "info", "render kit.aif -o x.wav"}) {
        SCOPED_TRACE(arguments);
        const ToolRun run = kv7kit(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.rfind("kv7kit: ", 0), 0u);
    }
}

TEST_F(Kv7KitTool, BuildWritesWhatThePlugInWrites) {
    const std::vector<std::string> files = {sound("kick.wav", 1000), sound("snare \"2\" it's.wav", 2000, 2),
                                            sound("hat.wav", 500, 1, -0.9f)};
    const ToolRun run = kv7kit("build " + files[0] + " " + shellQuoted(files[1]) + " " + files[2] + " -o " + scratch.path("kit.WAV"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("kit.aif"), std::string::npos);
    EXPECT_EQ(kittest::readBytes(scratch.path("kit.aif")), kitAsThePlugInWritesIt(files));
}

TEST_F(Kv7KitTool, BuildInfoSplitBuildKeepsTheRegions) {
    const std::string a = sound("a.wav", 1000), b = sound("b.wav", 2000, 2), c = sound("c.wav", 500);
    ASSERT_EQ(kv7kit("build " + a + " " + b + " " + c + " -o " + scratch.path("first.aif")).status, 0);

    // Exported regions 0..998, 999..2997, 2998..3496; each reads back (mostly) one sample lower.
    const ToolRun info = kv7kit("info --json " + scratch.path("first.aif"));
    ASSERT_EQ(info.status, 0) << info.err;
    const int32_t s1 = readBack(999), e0 = readBack(998), e1 = readBack(2997), s2 = readBack(2998), e2 = readBack(3496);
    EXPECT_NE(info.out.find(jsonSlot(1, 0, e0, e0)), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(jsonSlot(2, s1, e1, e1 - s1)), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(jsonSlot(3, s2, e2, e2 - s2)), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(jsonSlot(24, s2, e2, e2 - s2)), std::string::npos) << info.out;
    const int32_t total = e0 + (e1 - s1) + 22 * (e2 - s2);
    EXPECT_NE(info.out.find(std::string("\"total_samples\":") + std::to_string(total) + ",\"total_seconds\""), std::string::npos);
    const ToolRun table = kv7kit("info " + scratch.path("first.aif"));
    EXPECT_NE(table.out.find("one-shot  forward    + 0 dB (x1.00)"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find(std::string("total: ") + std::to_string(total) + " samples"), std::string::npos) << table.out;

    const ToolRun split = kv7kit("split " + scratch.path("first.aif") + " -o " + scratch.path("part.wav"));
    ASSERT_EQ(split.status, 0) << split.err;
    EXPECT_NE(split.out.find("part_24.aif"), std::string::npos);

    // Slot files hold their samples in full and load back with their own length.
    ASSERT_EQ(kv7kit("build " + scratch.path("part_01.aif") + " " + scratch.path("part_02.aif") + " " +
                     scratch.path("part_03.aif") + " -o " + scratch.path("second.aif"))
                  .status,
              0);
    const ToolRun again = kv7kit("info --json " + scratch.path("second.aif"));
    const int32_t l0 = e0, l1 = e1 - s1, l2 = e2 - s2;
    const int32_t f0 = readBack(l0 - 2), t1 = readBack(l0 - 1), f1 = readBack(l0 + l1 - 3);
    const int32_t t2 = readBack(l0 + l1 - 2), f2 = readBack(l0 + l1 + l2 - 4);
    EXPECT_NE(again.out.find(jsonSlot(1, 0, f0, f0)), std::string::npos) << again.out;
    EXPECT_NE(again.out.find(jsonSlot(2, t1, f1, f1 - t1)), std::string::npos) << again.out;
    EXPECT_NE(again.out.find(jsonSlot(3, t2, f2, f2 - t2)), std::string::npos) << again.out;
}

TEST_F(Kv7KitTool, KitsAreReadBySoxAndLibsndfile) {
    const std::string a = sound("a.wav", 3000, 1, 0.8f);
    ASSERT_EQ(kv7kit("build " + a + " -o " + scratch.path("kit.aif")).status, 0);
    const auto bytes = kittest::readBytes(scratch.path("kit.aif"));
    const uint32_t frames = kittest::be32(bytes, 22);
    ASSERT_EQ(frames, 2999u);
    const std::size_t data = bytes.size() - 2 * (frames + 1);

    // Both count the sample data, the trailing zero sample included.
    SF_INFO info{};
    SNDFILE* file = sf_open(scratch.path("kit.aif").c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.frames, frames + 1);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.samplerate, 44100);
    std::vector<short> samples(frames + 1);
    EXPECT_EQ(sf_readf_short(file, samples.data(), frames + 1), frames + 1);
    sf_close(file);
    for (uint32_t i = 0; i <= frames; ++i) ASSERT_EQ(samples[i], kittest::be16s(bytes, data + 2 * i)) << i;
    EXPECT_EQ(samples[frames], 0);

    const std::string raw = scratch.path("sox.raw");
    ASSERT_EQ(std::system(("sox " + scratch.path("kit.aif") + " -t s16 -L " + raw + " 2>/dev/null").c_str()), 0);
    const auto soxBytes = kittest::readBytes(raw);
    ASSERT_EQ(soxBytes.size(), 2u * (frames + 1));
    for (uint32_t i = 0; i <= frames; ++i)
        ASSERT_EQ(static_cast<int16_t>(soxBytes[2 * i] | (soxBytes[2 * i + 1] << 8)), kittest::be16s(bytes, data + 2 * i)) << i;
}

TEST_F(Kv7KitTool, BuildTakesAFoldersSoundsInNameOrder) {
    std::filesystem::create_directory(scratch.path("folder"));
    sound("folder/b.wav", 300);
    sound("folder/a.wav", 100);
    kittest::writeText(scratch.path("folder/notes.txt"), "not a sound");
    kittest::writeText(scratch.path("folder/.hidden"), "nor this");
    ASSERT_EQ(kv7kit("build " + scratch.path("folder") + " -o " + scratch.path("kit.aif")).status, 0);
    EXPECT_EQ(kittest::readBytes(scratch.path("kit.aif")),
              kitAsThePlugInWritesIt({scratch.path("folder/a.wav"), scratch.path("folder/b.wav")}));
}

TEST_F(Kv7KitTool, BuildRefusesWhatTheWindowWouldRefuse) {
    const std::string longSound = sound("long.wav", 200000);
    const ToolRun tooLong = kv7kit("build " + longSound + " " + longSound + " " + longSound + " -o " + scratch.path("k.aif"));
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(tooLong.err, "kv7kit: Total Duration too long! (600000 samples, at most 529200)\n");
    EXPECT_FALSE(std::filesystem::exists(scratch.path("k.aif")));

    kittest::writeText(scratch.path("text.wav"), "hello");
    const std::string good = sound("good.wav", 100);
    for (const std::string& input : {scratch.path("text.wav"), scratch.path("missing.wav")}) {
        const ToolRun run = kv7kit("build " + good + " " + input + " -o " + scratch.path("k.aif"));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(input), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(scratch.path("k.aif")));
    }

    const ToolRun six = kv7kit("build " + [&] {
        const std::string path = scratch.path("six.wav");
        kittest::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 6, 44100, std::vector<float>(600, 0.1f));
        return path;
    }() + " -o " + scratch.path("k.aif"));
    EXPECT_EQ(six.status, 1);
    EXPECT_NE(six.err.find("6 channels"), std::string::npos);

    // An existing kit survives a failed build onto it.
    ASSERT_EQ(kv7kit("build " + good + " -o " + scratch.path("k.aif")).status, 0);
    const auto before = kittest::readBytes(scratch.path("k.aif"));
    EXPECT_EQ(kv7kit("build " + longSound + " " + longSound + " " + longSound + " -o " + scratch.path("k.aif")).status, 1);
    EXPECT_EQ(kittest::readBytes(scratch.path("k.aif")), before);
}

TEST_F(Kv7KitTool, MoreThan24SoundsFillTheKitAndTheRestIsLeftOut) {
    std::string arguments = "build";
    for (int i = 0; i < 26; ++i) arguments += std::string(" ") + sound(std::string("s") + std::to_string(i) + ".wav", 10);
    const ToolRun run = kv7kit(arguments + " -o " + scratch.path("full.aif"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "kv7kit: 2 more sounds left out: a kit has 24 slots\n");
    EXPECT_EQ(kittest::be32(kittest::readBytes(scratch.path("full.aif")), 22), 24u * 9u);
}

TEST_F(Kv7KitTool, SplitAndInfoWantAKitFile) {
    const std::string plain = sound("plain.wav", 100);
    for (const std::string& command : {"split " + plain + " -o " + scratch.path("x.aif"), "info " + plain,
                                       "info " + scratch.path("nothing.aif"), "info " + scratch.folder().string()}) {
        SCOPED_TRACE(command);
        const ToolRun run = kv7kit(command);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_NE(kv7kit("info " + plain).err.find("is not a Kv7 drum kit file"), std::string::npos);
}

TEST_F(Kv7KitTool, RenderPlaysChannelOneThroughTheKit) {
    ASSERT_EQ(kv7kit("build " + sound("a.wav", 4410, 1, 0.5f) + " -o " + scratch.path("kit.aif")).status, 0);
    // Slot 0 at 0.5 s on channel 1; the same note on channel 2 at 1 s plays nothing.
    writeMidi(scratch.path("song.mid"), {{480, {0x90, 53, 100}}, {600, {0x80, 53, 0}}, {960, {0x91, 53, 100}}, {1200, {0x81, 53, 0}}});
    const ToolRun run = kv7kit("render " + scratch.path("kit.aif") + " --midi " + scratch.path("song.mid") + " -o " + scratch.path("out.wav"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    SF_INFO info{};
    SNDFILE* file = sf_open(scratch.path("out.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_GE(info.frames, 22050 + 4410);
    std::vector<float> audio(static_cast<std::size_t>(info.frames) * 2);
    sf_readf_float(file, audio.data(), info.frames);
    sf_close(file);
    auto peak = [&](int64_t from, int64_t to) {
        float most = 0.0f;
        for (int64_t f = from; f < std::min<int64_t>(to, info.frames); ++f)
            most = std::max({most, std::abs(audio[static_cast<std::size_t>(2 * f)]), std::abs(audio[static_cast<std::size_t>(2 * f + 1)])});
        return most;
    };
    EXPECT_EQ(peak(0, 22050), 0.0f);
    EXPECT_GT(peak(22050, 22050 + 4000), 0.4f);
    EXPECT_EQ(peak(22050 + 4410, info.frames), 0.0f);
}

TEST_F(Kv7KitTool, LongRendersShowProgressAndBadSongsAreRefused) {
    ASSERT_EQ(kv7kit("build " + sound("a.wav", 100) + " -o " + scratch.path("kit.aif")).status, 0);
    writeMidi(scratch.path("long.mid"), {{0, {0x90, 60, 100}}, {40 * 960, {0x80, 60, 0}}});
    const ToolRun run = kv7kit("render " + scratch.path("kit.aif") + " --midi " + scratch.path("long.mid") + " -o " + scratch.path("long.wav"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("rendering"), std::string::npos);
    EXPECT_NE(run.err.find("100%\n"), std::string::npos);

    // A cut header, and a track claiming more bytes than the file holds.
    for (const std::vector<unsigned char>& song :
         {std::vector<unsigned char>{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 9},
          std::vector<unsigned char>{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 1, 0, 0, 0x90}}) {
        kittest::writeBytes(scratch.path("bad.mid"), song);
        const ToolRun bad = kv7kit("render " + scratch.path("kit.aif") + " --midi " + scratch.path("bad.mid") + " -o " + scratch.path("bad.wav"));
        EXPECT_EQ(bad.status, 1);
        EXPECT_NE(bad.err.find("is not a MIDI file that can be read"), std::string::npos) << bad.err;
        EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
        EXPECT_FALSE(std::filesystem::exists(scratch.path("bad.wav")));
    }
}

}  // namespace
