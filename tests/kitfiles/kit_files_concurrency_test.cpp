// Loading, importing and exporting on one thread while another renders with notes on every slot:
// the kit code must keep the renderer away from the sample memory it rewrites (ThreadSanitizer
// reports any access that is not).
#include <atomic>
#include <thread>

#include "kit_test_support.h"
#include "kitfiles/kit_export.h"
#include "kitfiles/slot_export.h"
#include "kitfiles/sound_file_loader.h"
#include "vst_events.h"

using namespace kitfiles;

namespace {

class KitFilesWhilePlaying : public kittest::KitFixture {};

TEST_F(KitFilesWhilePlaying, LoadsImportsAndExportsAgainstRendering) {
    const std::string sound = scratch.path("s.wav");
    kittest::writeSound(sound, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, std::vector<float>(2 * 3000, 0.25f));
    fill(0, std::vector<float>(2000, 0.5f));
    fill(1, std::vector<float>(2000, -0.5f));
    const std::string kit = scratch.path("kit.aif");
    ASSERT_EQ(Save_All_Buffer_To_KV7_File(*effect, slotPaths, kit.c_str()).outcome, KitExportResult::Outcome::Written);

    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> in(256, 0.0f), left(256), right(256);
        float* inputs[2] = {in.data(), in.data()};
        float* outputs[2] = {left.data(), right.data()};
        for (uint8_t round = 0; !done.load(); ++round) {
            VstEventList notes;
            notes.add(midiEvent(0, 0x90, static_cast<uint8_t>(53 + round % 24), 100));
            notes.add(midiEvent(128, 0x80, static_cast<uint8_t>(53 + (round + 7) % 24), 0));
            effect->processEvents(notes.get());
            effect->processReplacing(inputs, outputs, 256);
        }
    });
    for (int32_t round = 0; round < 12; ++round) {
        const int32_t slot = round % kNumSlots;
        std::strcpy(slotPaths[slot], sound.c_str());
        EXPECT_TRUE(LoadExec_This_Sound_From_File(*effect, slotPaths, slotPaths[slot], kLoadSoundFile, slot).message.empty());
        if (round % 4 == 3) {
            std::strcpy(slotPaths[0], kit.c_str());
            EXPECT_TRUE(LoadExec_This_Sound_From_File(*effect, slotPaths, slotPaths[0], kLoadSoundFile, 0).kitImported);
        }
        EXPECT_EQ(Save_All_Buffer_To_KV7_File(*effect, slotPaths, scratch.path("out.aif").c_str()).outcome,
                  KitExportResult::Outcome::Written);
        EXPECT_TRUE(Save_All_Files_Individually(*effect, scratch.path("slots.aif").c_str()).failed.empty());
    }
    done = true;
    audio.join();
}

}  // namespace
