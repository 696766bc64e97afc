#include <sys/stat.h>

#include "kit_test_support.h"
#include "kitfiles/kit_metadata_text.h"
#include "kitfiles/slot_export.h"
#include "kitfiles/sound_file_loader.h"

using namespace kitfiles;
using kittest::be16s;
using kittest::be32;

namespace {

class SlotExport : public kittest::KitFixture {};

std::string baseOf(const char* chosen) {
    char base[kSlotPathSize];
    return makeSlotFileBaseName(chosen, base) ? std::string(base) : std::string("<refused>");
}

std::string nameFor(const char* base, int32_t slot) {
    char name[kSlotPathSize];
    fillSlotFileName(base, slot, name);
    return name;
}

TEST(SlotFileNames, CarryTheSlotNumberBeforeTheExtension) {
    EXPECT_EQ(baseOf("kit.aif"), "kit_00.aif");
    EXPECT_EQ(baseOf("drums.wav"), "drums_00.aif");
    EXPECT_EQ(baseOf("drums.aiff"), "drums.aiff_00.aif");
    EXPECT_EQ(baseOf("Drums.AIF"), "Drums_00.AIF");
    EXPECT_EQ(baseOf("drums"), "drums_00.aif");
    EXPECT_EQ(nameFor("kit_00.aif", 0), "kit_01.aif");
    EXPECT_EQ(nameFor("kit_00.aif", 8), "kit_09.aif");
    EXPECT_EQ(nameFor("kit_00.aif", 9), "kit_10.aif");
    EXPECT_EQ(nameFor("kit_00.aif", 23), "kit_24.aif");
    // 504 + ".aif" + "_00" is 511 characters: the last name that fits.
    EXPECT_EQ(baseOf(std::string(504, 'k').c_str()), std::string(504, 'k') + "_00.aif");
    EXPECT_EQ(baseOf(std::string(505, 'k').c_str()), "<refused>");
    EXPECT_EQ(baseOf(""), "<refused>");
}

TEST(SlotFileNames, CommentIsTheMakersLine) {
    EXPECT_STREQ(kSlotFileComment, "exported from KV7 Util (brennwick.example)");
    EXPECT_EQ(sizeof kSlotFileComment - 1, 42u);
}

TEST_F(SlotExport, WritesOneFilePerSlotWithTwoOrMoreSamples) {
    fill(0, kittest::ramp(44100));
    fill(3, {0.5f, -0.25f});
    fill(9, {0.5f});
    fill(23, std::vector<float>(10, 1.0f));
    const std::string chosen = scratch.path("drums.wav");
    const SlotExportResult result = Save_All_Files_Individually(*effect, chosen.c_str());
    EXPECT_FALSE(result.refused);
    EXPECT_TRUE(result.failed.empty());
    EXPECT_EQ(result.written, (std::vector<std::string>{scratch.path("drums_01.aif"), scratch.path("drums_04.aif"),
                                                        scratch.path("drums_24.aif")}));
    EXPECT_FALSE(std::filesystem::exists(scratch.path("drums_10.aif")));

    const auto big = kittest::readBytes(scratch.path("drums_01.aif"));
    ASSERT_EQ(big.size(), 88346u);
    EXPECT_EQ(be32(big, 4), 88338u);
    EXPECT_EQ(be32(big, 22), 44100u);
    EXPECT_EQ(be32(big, 42), 44u);
    EXPECT_EQ(std::string(big.begin() + 46, big.begin() + 88), kSlotFileComment);
    EXPECT_EQ(big[88], 0);
    EXPECT_EQ(big[89], 0);
    EXPECT_EQ(std::string(big.begin() + 90, big.begin() + 94), "MARK");
    EXPECT_EQ(be32(big, 44 + 88), 88210u);  // the SSND size
    const auto ramp = kittest::ramp(44100);
    EXPECT_EQ(be16s(big, 144 + 2 * 44099), encodeSample(ramp[44099]));  // the last sample goes out too
    EXPECT_EQ(be16s(big, 144 + 2 * 44100), 0);

    const auto pair = kittest::readBytes(scratch.path("drums_04.aif"));
    EXPECT_EQ(pair.size(), 102u + 44 + 4);
    EXPECT_EQ(be32(pair, 22), 2u);
    EXPECT_EQ(be16s(pair, 144), 16384);
    EXPECT_EQ(be16s(pair, 146), -8192);
    EXPECT_EQ(be16s(pair, 148), 0);

    EXPECT_EQ(be16s(kittest::readBytes(scratch.path("drums_24.aif")), 144), 32767);
}

TEST_F(SlotExport, SlotFilesLoadBackAsOrdinarySounds) {
    fill(2, kittest::ramp(1000));
    const SlotExportResult result = Save_All_Files_Individually(*effect, scratch.path("s.aif").c_str());
    ASSERT_EQ(result.written.size(), 1u);
    EXPECT_TRUE(CheckIfValidSoundFile(result.written[0].c_str()));
    std::strcpy(slotPaths[5], result.written[0].c_str());
    const LoadResult load = LoadExec_This_Sound_From_File(*effect, slotPaths, slotPaths[5], kLoadSoundFile, 5);
    EXPECT_FALSE(load.kitImported);
    EXPECT_EQ(length(5), 1000);  // the header's count, not the data's 1001
    const auto ramp = kittest::ramp(1000);
    EXPECT_EQ(effect->SampleBuffer[5][2], ramp[0]);
    EXPECT_EQ(effect->SampleBuffer[5][996], ramp[994]);
}

TEST_F(SlotExport, AFailingSlotFileDoesNotStopTheOthers) {
    fill(0, std::vector<float>(100, 0.1f));
    fill(1, std::vector<float>(100, 0.2f));
    fill(2, std::vector<float>(100, 0.3f));
    // A folder where slot 2's file should go.
    std::filesystem::create_directory(scratch.path("kit_02.aif"));
    const SlotExportResult result = Save_All_Files_Individually(*effect, scratch.path("kit.aif").c_str());
    EXPECT_EQ(result.written, (std::vector<std::string>{scratch.path("kit_01.aif"), scratch.path("kit_03.aif")}));
    EXPECT_EQ(result.failed, (std::vector<std::string>{scratch.path("kit_02.aif")}));
    EXPECT_NE(result.message.find("kit_02.aif"), std::string::npos) << result.message;

    const SlotExportResult refused = Save_All_Files_Individually(*effect, std::string(600, 'x').c_str());
    EXPECT_TRUE(refused.refused);
    EXPECT_TRUE(refused.written.empty());
    EXPECT_NE(refused.message.find("too long"), std::string::npos);
}

}  // namespace
