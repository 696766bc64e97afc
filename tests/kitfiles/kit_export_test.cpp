#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>

#include "kit_test_support.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/kit_metadata_text.h"

using namespace kitfiles;
using kittest::be16s;
using kittest::be32;
using kittest::readBytes;

namespace {

class KitExport : public kittest::KitFixture {
protected:
    KitExportResult exportTo(const std::string& name) {
        return Save_All_Buffer_To_KV7_File(*effect, slotPaths, scratch.path(name).c_str());
    }
    std::string textOf(const std::vector<unsigned char>& bytes) {
        const uint32_t size = be32(bytes, 42);
        std::string text(bytes.begin() + 46, bytes.begin() + 46 + size);
        return text.substr(0, text.find('\0'));
    }
};

std::string normalised(const char* chosen) {
    char name[kSlotPathSize];
    return normaliseKitFileName(chosen, name) ? std::string(name) : std::string("<refused>");
}

TEST_F(KitExport, TwoSlotKitIsWrittenByteForByte) {
    fill(0, kittest::ramp(44100));
    fill(1, kittest::ramp(22050, 1.0f / 16384.0f));
    const KitExportResult result = exportTo("two.aif");
    ASSERT_EQ(result.outcome, KitExportResult::Outcome::Written) << result.message;
    EXPECT_EQ(result.frames, 66148);

    const auto bytes = readBytes(scratch.path("two.aif"));
    ASSERT_EQ(bytes.size(), 133618u);
    const std::vector<unsigned char> head = {
        0x46, 0x4F, 0x52, 0x4D, 0x00, 0x02, 0x09, 0xEA, 0x41, 0x49, 0x46, 0x46, 0x43, 0x4F, 0x4D, 0x4D,
        0x00, 0x00, 0x00, 0x12, 0x00, 0x01, 0x00, 0x01, 0x02, 0x64, 0x00, 0x10, 0x40, 0x0E, 0xAC, 0x44,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x41, 0x50, 0x50, 0x4C, 0x00, 0x00, 0x04, 0xC4};
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 46), head);
    EXPECT_EQ(bytes[46 + 1217], ' ');  // one space of padding, then two zero bytes
    EXPECT_EQ(bytes[46 + 1218], 0);
    EXPECT_EQ(bytes[46 + 1219], 0);
    std::vector<unsigned char> tail = {0x4D, 0x41, 0x52, 0x4B, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x49, 0x4E, 0x53,
                                       0x54, 0x00, 0x00, 0x00, 0x14, 0x3C, 0x00, 0x00, 0x7F, 0x01, 0x7F, 0x00, 0x00};
    tail.insert(tail.end(), 12, 0x00);
    tail.insert(tail.end(), {0x53, 0x53, 0x4E, 0x44, 0x00, 0x02, 0x04, 0xD2});
    tail.insert(tail.end(), 8, 0x00);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 1266, bytes.begin() + 1320), tail);

    // The kit audio: slot 0 without its last sample, then slot 1 without its last, then a zero.
    const auto ramp0 = kittest::ramp(44100);
    const auto ramp1 = kittest::ramp(22050, 1.0f / 16384.0f);
    EXPECT_EQ(be16s(bytes, 1320), encodeSample(ramp0[0]));
    EXPECT_EQ(be16s(bytes, 1320 + 2 * 44098), encodeSample(ramp0[44098]));
    EXPECT_EQ(be16s(bytes, 1320 + 2 * 44099), encodeSample(ramp1[0]));
    EXPECT_EQ(be16s(bytes, 1320 + 2 * 66147), encodeSample(ramp1[22048]));
    EXPECT_EQ(be16s(bytes, 1320 + 2 * 66148), 0);

    const KitTextReading reading = readKitMetadataText(textOf(bytes).c_str());
    EXPECT_EQ(reading.values.start[0], 0);
    EXPECT_EQ(reading.values.end[0], 178948854);
    for (int32_t slot = 1; slot < kNumSlots; ++slot) {
        EXPECT_EQ(reading.values.start[slot], 178952912);
        EXPECT_EQ(reading.values.end[slot], 268423281);
    }
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        EXPECT_EQ(reading.values.pitch[slot], 0);
        EXPECT_EQ(reading.values.playMode[slot], 8192);
        EXPECT_EQ(reading.values.reverse[slot], 8192);
        EXPECT_EQ(reading.values.volume[slot], 8192);
    }
}

TEST_F(KitExport, EmptySlotsRepeatTheRegionAndSettingsBeforeThem) {
    fill(5, std::vector<float>(1000, 0.25f));
    const KitLayout layout = layOutKit(*effect);
    EXPECT_EQ(layout.total, 999);
    const int32_t expectedSettings[kNumSlots] = {1, 0, 1, 2, 3, 5, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(layout.settingsSlot[slot], expectedSettings[slot]);
        EXPECT_EQ(layout.start[slot], 0);
        EXPECT_EQ(layout.end[slot], slot < 5 ? 128 : 998);
    }

    // Settings travel with the settings slot: slot 2 is written with slot 1's pitch.
    effect->setParameter(kParamPitch + 1, (-3.0f + 48.0f) / 96.0f);
    effect->setParameter(kParamPlayMode + 5, 1.0f);
    effect->setParameter(kParamReverse + 5, 1.0f);
    effect->setParameter(kParamVolume + 5, 1.0f);
    ASSERT_EQ(exportTo("five.aif").outcome, KitExportResult::Outcome::Written);
    const KitTextReading reading = readKitMetadataText(textOf(readBytes(scratch.path("five.aif"))).c_str());
    EXPECT_EQ(reading.values.pitch[0], -1280);
    EXPECT_EQ(reading.values.pitch[1], 0);
    EXPECT_EQ(reading.values.pitch[2], -1280);
    EXPECT_EQ(reading.values.playMode[6], 16384);
    EXPECT_EQ(reading.values.reverse[6], 16384);
    EXPECT_EQ(reading.values.volume[5], 16384);
    EXPECT_EQ(reading.values.end[0], positionToKitValue(128));
}

TEST_F(KitExport, OneSampleSlotsContributeNothing) {
    fill(0, std::vector<float>(100, 0.1f));
    fill(1, std::vector<float>(1, 0.9f));
    fill(2, std::vector<float>(50, -0.1f));
    const KitLayout layout = layOutKit(*effect);
    EXPECT_EQ(layout.start[1], 99);
    EXPECT_EQ(layout.end[1], 98);
    EXPECT_EQ(layout.start[2], 99);
    EXPECT_EQ(layout.end[2], 147);
    EXPECT_EQ(layout.total, 148);

    std::memset(slotPaths, 0, sizeof slotPaths);
    fill(0, std::vector<float>(1, 0.5f));
    for (int32_t slot = 1; slot < kNumSlots; ++slot) effect->BufferLength[slot] = 0;
    const KitLayout single = layOutKit(*effect);
    EXPECT_EQ(single.total, 0);
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        EXPECT_EQ(single.start[slot], 0);
        EXPECT_EQ(single.end[slot], 0);
    }
}

TEST_F(KitExport, SmallKitsAreWrittenInFull) {
    fill(0, {0.5f, -0.5f, 0.25f});
    fill(1, {1.0f, 1.0f});
    const KitExportResult result = exportTo("tiny.aif");
    ASSERT_EQ(result.outcome, KitExportResult::Outcome::Written);
    EXPECT_EQ(result.frames, 3);
    const auto bytes = readBytes(scratch.path("tiny.aif"));
    const std::size_t data = bytes.size() - 2 * 4;
    EXPECT_EQ(be32(bytes, 22), 3u);
    EXPECT_EQ(be32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(be16s(bytes, data), 16384);
    EXPECT_EQ(be16s(bytes, data + 2), -16384);
    EXPECT_EQ(be16s(bytes, data + 4), 32767);  // slot 1's first sample, +1.0, saturated
    EXPECT_EQ(be16s(bytes, data + 6), 0);

    // Nothing gathered at all still gives a whole file: header and the trailing zero sample.
    std::memset(slotPaths, 0, sizeof slotPaths);
    effect->BufferLength[1] = 0;
    fill(0, {0.5f});
    const KitExportResult empty = exportTo("empty.aif");
    ASSERT_EQ(empty.outcome, KitExportResult::Outcome::Written);
    const auto emptyBytes = readBytes(scratch.path("empty.aif"));
    EXPECT_EQ(be32(emptyBytes, 22), 0u);
    EXPECT_EQ(emptyBytes.size(), be32(emptyBytes, 4) + 8);
}

TEST_F(KitExport, NothingIsWrittenWithoutASlotInUse) {
    EXPECT_EQ(exportTo("none.aif").outcome, KitExportResult::Outcome::NothingInUse);
    // A path without a sound, and a sound without a path, are not in use.
    std::strcpy(slotPaths[3], "/a/b/c.wav");
    effect->BufferLength[4] = 100;
    EXPECT_EQ(exportTo("none.aif").outcome, KitExportResult::Outcome::NothingInUse);
    EXPECT_FALSE(std::filesystem::exists(scratch.path("none.aif")));
    // Once one slot is in use, slot 4's sound without a path still goes into the kit audio.
    fill(3, std::vector<float>(10, 0.1f), "/a/b/c.wav");
    const KitExportResult result = exportTo("some.aif");
    EXPECT_EQ(result.frames, 9 + 99);
}

TEST(KitFileNames, ExtensionsAreNormalised) {
    EXPECT_EQ(normalised("kit.WAV"), "kit.aif");
    EXPECT_EQ(normalised("kit.AIF"), "kit.AIF");
    EXPECT_EQ(normalised("kit.aifc"), "kit.aif");
    EXPECT_EQ(normalised("kit.AIFC"), "kit.AIF");
    EXPECT_EQ(normalised("kit.aiff"), "kit.aiff.aif");
    EXPECT_EQ(normalised("kit"), "kit.aif");
    EXPECT_EQ(normalised("/a/b.c/kit"), "/a/b.c/kit.aif");
    EXPECT_EQ(normalised("wav"), "wav.aif");
    EXPECT_EQ(normalised(""), "<refused>");
    EXPECT_EQ(normalised(nullptr), "<refused>");
    EXPECT_EQ(normalised(std::string(507, 'k').c_str()), std::string(507, 'k') + ".aif");
    EXPECT_EQ(normalised(std::string(508, 'k').c_str()), "<refused>");
    EXPECT_EQ(normalised((std::string(507, 'k') + ".wav").c_str()), std::string(507, 'k') + ".aif");
}

TEST_F(KitExport, TooLongANameIsRefusedWithAMessage) {
    fill(0, std::vector<float>(100, 0.1f));
    const KitExportResult result = Save_All_Buffer_To_KV7_File(*effect, slotPaths, std::string(600, 'k').c_str());
    EXPECT_EQ(result.outcome, KitExportResult::Outcome::Refused);
    EXPECT_NE(result.message.find("too long"), std::string::npos);
}

TEST_F(KitExport, AFailedExportLeavesTheOldFileAndNoLitter) {
    fill(0, std::vector<float>(1000, 0.1f));
    ASSERT_EQ(exportTo("kit.aif").outcome, KitExportResult::Outcome::Written);
    const auto before = readBytes(scratch.path("kit.aif"));

    // A missing folder.
    const KitExportResult missing = exportTo("no/such/folder/kit.aif");
    EXPECT_EQ(missing.outcome, KitExportResult::Outcome::Failed);
    EXPECT_NE(missing.message.find("No such file or directory"), std::string::npos) << missing.message;

    // A folder in the way of the name.
    std::filesystem::create_directory(scratch.path("taken.aif"));
    EXPECT_EQ(exportTo("taken.aif").outcome, KitExportResult::Outcome::Failed);

    // A full disk, played by a file size limit in a child process: the write fails part-way.
    fill(1, std::vector<float>(200000, 0.2f));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        const KitExportResult full = exportTo("kit.aif");
        _exit(full.outcome == KitExportResult::Outcome::Failed && full.message.find("too large") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_EQ(readBytes(scratch.path("kit.aif")), before);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.folder())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"kit.aif", "taken.aif"}));
}

TEST_F(KitExport, WritingThroughALinkUpdatesTheFileItNames) {
    fill(0, std::vector<float>(100, 0.1f));
    ASSERT_EQ(exportTo("real.aif").outcome, KitExportResult::Outcome::Written);
    std::filesystem::create_symlink(scratch.path("real.aif"), scratch.path("link.aif"));
    fill(0, std::vector<float>(300, 0.1f));
    ASSERT_EQ(exportTo("link.aif").outcome, KitExportResult::Outcome::Written);
    EXPECT_TRUE(std::filesystem::is_symlink(scratch.path("link.aif")));
    EXPECT_EQ(be32(readBytes(scratch.path("real.aif")), 22), 299u);
    struct stat info;
    ASSERT_EQ(stat(scratch.path("real.aif").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IRGRP, 0u);  // not left private like a temporary file
}

TEST_F(KitExport, KitTotalIsCheckedAgainstTheLimit) {
    fill(0, std::vector<float>(MAX_BUFFERLENGTH - 100, 0.0f));
    fill(1, std::vector<float>(100, 0.0f));
    EXPECT_EQ(kitTotalLength(*effect), MAX_BUFFERLENGTH);
    EXPECT_TRUE(kitFitsForExport(*effect));
    effect->BufferLength[2] = 1;
    EXPECT_FALSE(kitFitsForExport(*effect));
}

}  // namespace
