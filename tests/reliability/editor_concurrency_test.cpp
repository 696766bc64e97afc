// The whole user-interface path against a rendering audio thread: the real editor's clicks, key
// presses, erasing, Option-drag exchanges, parameter drags, drops of sounds and kit files, exports,
// redraws and reopening, while the host's audio thread renders blocks full of notes and automates
// parameters. Under ThreadSanitizer (tsan preset) this proves every shared access race-free;
// under AddressSanitizer (asan preset) that no read leaves the kit store. A slot the interface
// never touches sounds the same, bit for bit, as in a quiet session.
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>
#include <thread>

#include "engine_harness.h"
#include "reliability_support.h"

using namespace reliability;
using kittest::ScratchFolder;

namespace {

constexpr int kOperations = 100000;
constexpr int32_t kWitness = 23;
constexpr int kBlock = 64;

// The host's audio thread: notes on every slot, renders, and now and then a parameter change. With
// a reference effect it renders that one too, with the same notes, and the two must agree exactly.
class AudioThread {
public:
    AudioThread(Kv7DrumEditEdit& effect, bool automate, Kv7DrumEditEdit* reference = nullptr)
        : effect(effect), reference(reference), automate(automate), thread([this] { run(); }) {}
    ~AudioThread() { stop(); }

    void stop() {
        running = false;
        if (thread.joinable()) thread.join();
    }
    int blocks() const { return rendered.load(); }
    std::string failure;

private:
    struct Block {
        std::vector<float> left = std::vector<float>(kBlock), right = std::vector<float>(kBlock);
    };

    static void render(Kv7DrumEditEdit& target, MidiEventList& notes, Block& out) {
        std::vector<float> input(kBlock, 0.125f);
        float* inputs[2] = {input.data(), input.data()};
        float* outputs[2] = {out.left.data(), out.right.data()};
        target.processEvents(notes.get());
        target.processReplacing(inputs, outputs, kBlock);
    }

    void run() {
        std::mt19937 random(11);
        Block out, expected;
        for (int block = 0; running.load() && failure.empty(); ++block) {
            MidiEventList notes;
            if (automate) {
                for (int n = 0; n < 4; ++n) {
                    const auto note = static_cast<uint8_t>(kSlotBaseNote + random() % kNumSlots);
                    if (random() % 3)
                        notes.noteOn(static_cast<int32_t>(random() % kBlock), note);
                    else
                        notes.noteOff(static_cast<int32_t>(random() % kBlock), note);
                }
                if (block % 7 == 0) effect.setParameter(ADEditor::kExportButtonTag, static_cast<float>(block % 2));
                if (block % 5 == 0)
                    effect.setParameter(kParamVolume + static_cast<VstInt32>(random() % (kNumSlots - 1)), 0.5f);
            }
            if (block % 6 == 0) notes.noteOn(block % kBlock, static_cast<uint8_t>(kSlotBaseNote + kWitness));
            render(effect, notes, out);
            for (int f = 0; f < kBlock && failure.empty(); ++f) {
                // 24 slots at most full scale each, over the input; left follows right.
                if (!(std::fabs(out.right[f]) <= kNumSlots + 0.125f) || out.left[f] != out.right[f])
                    failure = "block " + std::to_string(block) + " frame " + std::to_string(f) + ": " +
                              std::to_string(out.left[f]) + " " + std::to_string(out.right[f]);
            }
            if (reference) {
                render(*reference, notes, expected);
                if (out.left != expected.left || out.right != expected.right)
                    failure = "block " + std::to_string(block) + " differs from the quiet session";
            }
            rendered = block + 1;
            // A host renders a block every millisecond or so; this one is faster, but leaves the
            // interface thread a share of a machine with two cores.
            if (block % 4 == 3) std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }

    Kv7DrumEditEdit& effect;
    Kv7DrumEditEdit* reference;
    const bool automate;
    std::atomic<bool> running{true};
    std::atomic<int> rendered{0};
    std::thread thread;
};

class EditorWhilePlaying : public ::testing::Test {
protected:
    std::string sound(const std::string& name, int32_t frames, int channels, float level) {
        const std::string path = scratch.path(name);
        kittest::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, 44100,
                            std::vector<float>(static_cast<std::size_t>(frames * channels), level));
        return path;
    }
    // Sounds of a few lengths at the given level, and a kit file made of them.
    void makeSounds(float level) {
        for (int i = 0; i < 6; ++i)
            sounds.push_back(sound("s" + std::to_string(i) + ".wav", 200 + 700 * i, 1 + i % 2, level));
        std::filesystem::create_directories(scratch.path("folder"));
        for (int i = 0; i < 3; ++i) sound("folder/f" + std::to_string(i) + ".wav", 300 + 100 * i, 1, level);
        OffscreenEditor maker;
        maker.drop(kDropZone, {sounds[0], sounds[1], sounds[2], sounds[3]});
        kit = scratch.path("kit.aif");
        maker.editor->Save_All_Buffer_To_KV7_File(kit.c_str());
    }

    // One interface operation of a kind picked at random, on slots below `slots`; touchesAll allows
    // the ones that rewrite every slot (kit import, erase all).
    void operate(OffscreenEditor& ui, std::mt19937& random, int32_t slots, bool touchesAll) {
        auto pick = [&](int32_t below) { return static_cast<int32_t>(random() % static_cast<uint32_t>(below)); };
        const int32_t slot = pick(slots);
        const uint32_t kind = random() % 10000;
        ++operations;
        if (kind < 3000) {
            ui.click(keyCentre(slot));
        } else if (kind < 4500) {
            ui.click(labelCentre(slot));
        } else if (kind < 6000) {
            ui.click(labelCentre(slot), VSTGUI::kLButton | VSTGUI::kControl);  // erase the slot
        } else if (kind < 8000) {
            // A parameter mode, a drag across the label, maybe a reset, maybe back to names.
            const int32_t mode = 1 + pick(4);
            ui.click({16 + 228 * (mode + 0.5) / 5, 130});
            const VSTGUI::CCoord top = slotRowTop(slot) + 9;
            ui.screen->mouseDown({34 + static_cast<VSTGUI::CCoord>(pick(172)), top}, VSTGUI::kLButton);
            ui.screen->mouseMoved({34 + static_cast<VSTGUI::CCoord>(pick(172)), top}, VSTGUI::kLButton);
            ui.screen->mouseUp({100, top}, 0);
            if (kind % 3 == 0) ui.click({100, top}, VSTGUI::kLButton | VSTGUI::kControl);
            if (kind % 2 == 0) ui.click({16 + 228 * 0.5 / 5, 130});
        } else if (kind < 9000) {
            ui.effect->setParameter(kParamTrigger, static_cast<float>(slot));
        } else if (kind < 9300) {
            ui.editor->hostIdle();  // timers, and a redraw of what changed
        } else if (kind < 9330) {
            ui.exchange(slot, pick(slots));
        } else if (kind < 9400) {
            ui.drop(labelCentre(slot), {sounds[random() % sounds.size()]});
        } else if (kind < 9430) {
            ui.drop(labelCentre(pick(slots - 1)), {sounds[random() % sounds.size()], sounds[random() % sounds.size()]});
        } else if (kind < 9440) {
            ui.drop(labelCentre(std::min(slot, slots - 3)), {scratch.path("folder")});
        } else if (kind < 9445 && touchesAll) {
            ui.drop(labelCentre(slot), {kit});
        } else if (kind < 9475 && touchesAll) {
            ui.click(labelCentre(slot), VSTGUI::kLButton | VSTGUI::kShift | VSTGUI::kControl);  // erase all
        } else if (kind < 9477) {
            ui.editor->Save_All_Buffer_To_KV7_File(scratch.path("out.aif").c_str());
            ui.editor->Save_All_Files_Individually(scratch.path("out.aif").c_str());
        } else if (kind < 9487) {
            ui.editor->close();
            ui.editor->open(nullptr);
            ui.screen = VSTGUI::OffscreenFrame::of(ui.editor->getFrame());
        } else {
            ui.click(keyCentre(slot));
        }
        if (ui.dialogShowing()) ui.dismissDialog();
    }

    ScratchFolder scratch;
    std::vector<std::string> sounds;
    std::string kit;
    int operations = 0;
};

TEST_F(EditorWhilePlaying, AHundredThousandInterfaceOperationsAgainstRendering) {
    makeSounds(0.75f);
    OffscreenEditor ui;
    AudioThread audio(*ui.effect, true);
    std::mt19937 random(3);
    while (operations < kOperations) operate(ui, random, kNumSlots, true);
    audio.stop();
    EXPECT_EQ(audio.failure, "");
    EXPECT_GT(audio.blocks(), 0);
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        EXPECT_GE(ui.length(slot), 0);
        EXPECT_LE(ui.length(slot), MAX_BUFFERLENGTH);
    }
    RecordProperty("operations", operations);
    RecordProperty("audio_blocks", audio.blocks());
}

TEST_F(EditorWhilePlaying, ASlotNoOperationTouchesSoundsTheSameAsInAQuietSession) {
    // Silent sounds everywhere else: only the witness slot can be heard.
    makeSounds(0.0f);
    const std::string witness = sound("witness.wav", 1500, 1, 0.5f);
    OffscreenEditor quiet;
    quiet.drop(labelCentre(kWitness), {witness});
    OffscreenEditor busy;
    busy.drop(labelCentre(kWitness), {witness});

    AudioThread audio(*busy.effect, false, quiet.effect);
    std::mt19937 random(8);
    while (operations < kOperations / 4) operate(busy, random, kWitness, false);
    audio.stop();
    EXPECT_EQ(audio.failure, "");
    EXPECT_GT(audio.blocks(), 0);
    RecordProperty("operations", operations);
    RecordProperty("audio_blocks", audio.blocks());
}

TEST(EditorStopsWhatItMoves, ExchangedAndReloadedSlotsAreSilencedAndTheOthersPlayOn) {
    ScratchFolder scratch;
    OffscreenEditor ui;
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        paths.push_back(scratch.path("p" + std::to_string(i) + ".wav"));
        kittest::writeSound(paths.back(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, std::vector<float>(20000, 0.25f));
    }
    ui.drop(labelCentre(2), paths);  // slots 2, 3, 4, 5
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    auto playAll = [&] {
        for (int32_t slot = 2; slot <= 5; ++slot) ui.click(keyCentre(slot));
        ui.effect->processReplacing(nullptr, outputs, kBlock);
        for (int32_t slot = 2; slot <= 5; ++slot) ASSERT_TRUE(ui.effect->IsPlaying[slot]) << slot;
    };
    playAll();
    ui.exchange(2, 5);
    ui.effect->processReplacing(nullptr, outputs, kBlock);
    EXPECT_FALSE(ui.effect->IsPlaying[2]);
    EXPECT_FALSE(ui.effect->IsPlaying[5]);
    EXPECT_TRUE(ui.effect->IsPlaying[3]);
    EXPECT_EQ(ui.effect->PlayPosition[3], 2.0 * kBlock);

    playAll();
    ui.drop(labelCentre(4), {paths[0]});
    ui.effect->processReplacing(nullptr, outputs, kBlock);
    EXPECT_FALSE(ui.effect->IsPlaying[4]);
    EXPECT_TRUE(ui.effect->IsPlaying[3]);
}

}  // namespace
