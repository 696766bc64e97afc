// The whole user-interface path against a rendering audio thread: the real editor's clicks,
// erasing, Option-drag exchanges, parameter drags, drops of sounds, folders and kit files, exports,
// redraws and reopening, while the host's audio thread renders blocks full of notes and automates
// parameters. Under ThreadSanitizer this proves every shared access race-free, under
// AddressSanitizer that no read leaves the kit store; in every build a slot the interface never
// touches sounds bit for bit as in a quiet session.
#include <atomic>
#include <cmath>
#include <random>

#include "reliability_support.h"
#include "vst_events.h"

using namespace reliability;

namespace {

constexpr int32_t kWitness = 23;
constexpr int kBlock = 64;

// The host's audio thread: notes on every slot (or on the witness alone), renders, and now and then
// a parameter change. With a reference effect it renders that one with the same notes, and the
// two must agree exactly.
class AudioThread {
public:
    AudioThread(Kv7DrumEditEdit& effect, Kv7DrumEditEdit* reference) : effect(effect), reference(reference), thread([this] { run(); }) {}
    ~AudioThread() { stop(); }
    void stop() {
        running = false;
        if (thread.joinable()) thread.join();
    }
    std::string failure;
    std::atomic<int> blocks{0};

private:
    static std::vector<float> render(Kv7DrumEditEdit& target, VstEventList& notes) {
        std::vector<float> input(kBlock, 0.125f), out(2 * kBlock);
        float* inputs[2] = {input.data(), input.data()};
        float* outputs[2] = {out.data(), out.data() + kBlock};
        target.processEvents(notes.get());
        target.processReplacing(inputs, outputs, kBlock);
        return out;
    }
    void run() {
        std::mt19937 random(11);
        for (int block = 0; running.load() && failure.empty(); blocks = ++block) {
            VstEventList notes;
            for (int n = 0; n < 4 && !reference; ++n) {
                const auto note = static_cast<uint8_t>(kSlotBaseNote + random() % kNumSlots);
                random() % 3 ? notes.noteOn(static_cast<int32_t>(random() % kBlock), note) : notes.noteOff(static_cast<int32_t>(random() % kBlock), note);
            }
            if (!reference && block % 7 == 0) effect.setParameter(ADEditor::kExportButtonTag, static_cast<float>(block % 2));
            if (!reference && block % 5 == 0) effect.setParameter(kParamVolume + static_cast<VstInt32>(random() % kWitness), 0.5f);
            if (block % 6 == 0) notes.noteOn(block % kBlock, kSlotBaseNote + kWitness);
            const std::vector<float> out = render(effect, notes);
            for (int f = 0; f < kBlock && failure.empty(); ++f)  // 24 slots of at most full scale over the input; left is right
                if (!(std::fabs(out[kBlock + f]) <= kNumSlots + 0.125f) || out[f] != out[kBlock + f])
                    failure = "block " + std::to_string(block) + " frame " + std::to_string(f);
            if (reference && render(*reference, notes) != out) failure = "block " + std::to_string(block) + " differs from the quiet session";
            // Faster than a host, but it leaves the interface thread a share of two cores.
            if (block % 4 == 3) std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }
    Kv7DrumEditEdit& effect;
    Kv7DrumEditEdit* reference;
    std::atomic<bool> running{true};
    std::thread thread;
};

class EditorWhilePlaying : public ::testing::Test {
protected:
    // Sounds of a few lengths at the given level, a folder of them and a kit file made of them.
    void makeSounds(float level) {
        for (int i = 0; i < 6; ++i) sounds.push_back(kittest::wav(scratch, "s" + std::to_string(i) + ".wav", 200 + 700 * i, level, 1 + i % 2));
        std::filesystem::create_directories(scratch.path("folder"));
        for (int i = 0; i < 3; ++i) kittest::wav(scratch, "folder/f" + std::to_string(i) + ".wav", 300 + 100 * i, level);
        OffscreenEditor maker;
        maker.drop(kDropZone, {sounds[0], sounds[1], sounds[2], sounds[3]});
        maker.editor->Save_All_Buffer_To_KV7_File(scratch.path("kit.aif").c_str());
    }
    // One interface operation of a kind picked at random, on slots below `slots`; touchesAll allows
    // the ones that rewrite every slot (kit import, erase all).
    void operate(OffscreenEditor& ui, std::mt19937& random, int32_t slots, bool touchesAll) {
        const auto pick = [&](int32_t below) { return static_cast<int32_t>(random() % static_cast<uint32_t>(below)); };
        const int32_t slot = pick(slots);
        const uint32_t kind = random() % 10000;
        const auto sound = [&] { return sounds[random() % sounds.size()]; };
        if (kind < 4500) {
            ui.click(kind < 3000 ? keyCentre(slot) : labelCentre(slot));
        } else if (kind < 6000) {
            ui.click(labelCentre(slot), VSTGUI::kLButton | VSTGUI::kControl);  // erase the slot
        } else if (kind < 8000) {
            // A parameter mode, a drag across the label, maybe a reset, maybe back to names.
            ui.switchMode(1 + pick(4));
            const VSTGUI::CCoord row = slotRowTop(slot) + 9;
            ui.screen->mouseDown({34.0 + pick(172), row}, VSTGUI::kLButton);
            ui.screen->mouseMoved({34.0 + pick(172), row}, VSTGUI::kLButton);
            ui.screen->mouseUp({100, row}, 0);
            if (kind % 3 == 0) ui.click({100, row}, VSTGUI::kLButton | VSTGUI::kControl);
            if (kind % 2 == 0) ui.switchMode(0);
        } else if (kind < 9000) {
            ui.effect->setParameter(kParamTrigger, static_cast<float>(slot));
        } else if (kind < 9300) {
            ui.editor->hostIdle();  // timers, and a redraw of what changed
        } else if (kind < 9330) {
            ui.exchange(slot, pick(slots));
        } else if (kind < 9430) {
            ui.drop(labelCentre(kind < 9400 ? slot : pick(slots - 1)), kind < 9400 ? std::vector<std::string>{sound()} : std::vector<std::string>{sound(), sound()});
        } else if (kind < 9440) {
            ui.drop(labelCentre(std::min(slot, slots - 3)), {scratch.path("folder")});
        } else if (kind < 9445 && touchesAll) {
            ui.drop(labelCentre(slot), {scratch.path("kit.aif")});
        } else if (kind < 9475 && touchesAll) {
            ui.click(labelCentre(slot), VSTGUI::kLButton | VSTGUI::kShift | VSTGUI::kControl);  // erase all
        } else if (kind < 9477) {
            ui.editor->Save_All_Buffer_To_KV7_File(scratch.path("out.aif").c_str());
            ui.editor->Save_All_Files_Individually(scratch.path("out.aif").c_str());
        } else if (kind < 9487) {
            ui.editor->close();
            ui.open();
        } else {
            ui.click(keyCentre(slot));
        }
        if (ui.dialogShowing()) ui.dismissDialog();
    }

    kittest::ScratchFolder scratch;
    std::vector<std::string> sounds;
};

TEST_F(EditorWhilePlaying, AHundredThousandInterfaceOperationsAgainstRendering) {
    makeSounds(0.75f);
    OffscreenEditor ui;
    AudioThread audio(*ui.effect, nullptr);
    std::mt19937 random(3);
    for (int i = 0; i < 100000; ++i) operate(ui, random, kNumSlots, true);
    audio.stop();
    EXPECT_TRUE(audio.failure.empty() && audio.blocks > 0) << audio.failure;
}

TEST_F(EditorWhilePlaying, ASlotNoOperationTouchesSoundsTheSameAsInAQuietSession) {
    makeSounds(0.0f);  // silent sounds everywhere else: only the witness slot can be heard
    OffscreenEditor quiet, busy;
    for (OffscreenEditor* ui : {&quiet, &busy}) ui->drop(labelCentre(kWitness), {kittest::wav(scratch, "witness.wav", 1500, 0.5f)});
    AudioThread audio(*busy.effect, quiet.effect);
    std::mt19937 random(8);
    for (int i = 0; i < 25000; ++i) operate(busy, random, kWitness, false);
    audio.stop();
    EXPECT_TRUE(audio.failure.empty() && audio.blocks > 0) << audio.failure;
}

}  // namespace
