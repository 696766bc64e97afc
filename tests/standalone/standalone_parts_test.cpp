// The standalone host's parts that need no device or window: the MIDI hand-over to the audio
// thread, the event list it gives the plug-in, the computer keyboard and MIDI file reading.
#include <gtest/gtest.h>
#include <unistd.h>

#include <X11/keysym.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <thread>

#include "computer_keyboard.h"
#include "fixed_event_list.h"
#include "midi_file.h"
#include "midi_ring.h"
#include "smf_writer.h"

namespace {

MidiMessage note(uint8_t status, uint8_t key, uint8_t velocity = 100) { return {{status, key, velocity}, 3}; }

TEST(MidiRing, KeepsOrderAndDropsWhatDoesNotFit) {
    MidiRing ring;
    MidiMessage out{};
    EXPECT_FALSE(ring.pop(out));
    for (uint32_t i = 0; i < MidiRing::kCapacity; ++i) ASSERT_TRUE(ring.push(note(0x90, static_cast<uint8_t>(i % 128))));
    EXPECT_FALSE(ring.push(note(0x80, 1)));
    for (uint32_t i = 0; i < MidiRing::kCapacity; ++i) {
        ASSERT_TRUE(ring.pop(out));
        EXPECT_EQ(out.bytes[1], i % 128);
    }
    EXPECT_FALSE(ring.pop(out));
    // Indices wrap around the end of the storage.
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(ring.push(note(0x90, 60)));
        ASSERT_TRUE(ring.pop(out));
        EXPECT_EQ(out.bytes[1], 60);
    }
}

TEST(MidiRing, HandsEveryMessageAcrossThreadsInOrder) {
    MidiRing ring;
    constexpr uint32_t kCount = 200000;
    std::thread producer([&] {
        for (uint32_t i = 0; i < kCount; ++i) {
            const MidiMessage m{{static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i >> 16)}, 3};
            while (!ring.push(m)) std::this_thread::yield();
        }
    });
    uint32_t received = 0;
    MidiMessage m{};
    while (received < kCount) {
        if (!ring.pop(m)) continue;
        const uint32_t value = m.bytes[0] | (m.bytes[1] << 8) | (m.bytes[2] << 16);
        ASSERT_EQ(value, received & 0xFFFFFF);
        ++received;
    }
    producer.join();
    EXPECT_FALSE(ring.pop(m));
}

TEST(MidiSources, DrainsEveryRingAndRefusesMoreThanItHolds) {
    MidiSources sources;
    MidiRing* first = sources.add();
    MidiRing* second = sources.add();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, first);
    first->push(note(0x90, 53));
    second->push(note(0x90, 54));
    first->push(note(0x80, 53));
    std::vector<int> keys;
    sources.drain([&](const MidiMessage& m) { keys.push_back(m.bytes[1] + (m.bytes[0] == 0x80 ? 100 : 0)); });
    EXPECT_EQ(keys, (std::vector<int>{53, 153, 54}));
    keys.clear();
    sources.drain([&](const MidiMessage& m) { keys.push_back(m.bytes[1]); });
    EXPECT_TRUE(keys.empty());
    while (sources.count() < MidiSources::kMaxSources) ASSERT_NE(sources.add(), nullptr);
    EXPECT_EQ(sources.add(), nullptr);
}

TEST(FixedMidiEventList, IsLaidOutAsTheHostsEventList) {
    auto list = std::make_unique<FixedMidiEventList<4>>();
    EXPECT_TRUE(list->empty());
    EXPECT_TRUE(list->add(7, note(0x90, 53, 127)));
    EXPECT_TRUE(list->add(0, MidiMessage{{0xC0, 5, 99}, 2}));
    VstEvents* events = list->get();
    ASSERT_EQ(events->numEvents, 2);
    const auto* first = reinterpret_cast<const VstMidiEvent*>(events->events[0]);
    EXPECT_EQ(first->type, kVstMidiType);
    EXPECT_EQ(first->byteSize, static_cast<VstInt32>(sizeof(VstMidiEvent)));
    EXPECT_EQ(first->deltaFrames, 7);
    EXPECT_EQ(static_cast<uint8_t>(first->midiData[0]), 0x90);
    EXPECT_EQ(first->midiData[1], 53);
    EXPECT_EQ(first->midiData[2], 127);
    // A two-byte message leaves the third byte clear, whatever the slot held before.
    const auto* second = reinterpret_cast<const VstMidiEvent*>(events->events[1]);
    EXPECT_EQ(second->midiData[2], 0);
    EXPECT_TRUE(list->add(1, note(0x80, 1)));
    EXPECT_TRUE(list->add(2, note(0x80, 2)));
    EXPECT_FALSE(list->add(3, note(0x80, 3)));
    EXPECT_EQ(events->numEvents, 4);
    list->clear();
    EXPECT_EQ(events->numEvents, 0);
}

TEST(ComputerKeyboard, TwoRowsPlayTheTwentyFourSlotsLikePianoKeys) {
    const unsigned long lower[] = {XK_z, XK_s, XK_x, XK_d, XK_c, XK_f, XK_v, XK_b, XK_h, XK_n, XK_j, XK_m};
    const unsigned long upper[] = {XK_q, XK_2, XK_w, XK_3, XK_e, XK_4, XK_r, XK_t, XK_6, XK_y, XK_7, XK_u};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(noteForKeySymbol(lower[i]), 53 + i) << i;
        EXPECT_EQ(noteForKeySymbol(upper[i]), 65 + i) << i;
    }
    EXPECT_EQ(noteForKeySymbol(XK_Z), 53);
    EXPECT_EQ(noteForKeySymbol(XK_U), 76);
    for (unsigned long other : {XK_g, XK_5, XK_1, XK_a, XK_space, XK_Return, XK_comma})
        EXPECT_EQ(noteForKeySymbol(other), -1) << other;
}

TEST(ComputerKeyboard, HeldKeysSoundOnceAndReleaseOnce) {
    ComputerKeyboard keyboard;
    auto on = keyboard.press(XK_z);
    ASSERT_TRUE(on);
    EXPECT_EQ(on->bytes[0], 0x90);
    EXPECT_EQ(on->bytes[1], 53);
    EXPECT_EQ(on->bytes[2], ComputerKeyboard::kVelocity);
    EXPECT_FALSE(keyboard.press(XK_z));  // key repeat
    EXPECT_FALSE(keyboard.press(XK_Z));  // the same key with Shift
    EXPECT_FALSE(keyboard.release(XK_u));
    EXPECT_FALSE(keyboard.press(XK_g));
    auto off = keyboard.release(XK_z);
    ASSERT_TRUE(off);
    EXPECT_EQ(off->bytes[0], 0x80);
    EXPECT_EQ(off->bytes[1], 53);
    EXPECT_FALSE(keyboard.release(XK_z));

    ASSERT_TRUE(keyboard.press(XK_q));
    ASSERT_TRUE(keyboard.press(XK_7));
    std::set<int> released;
    keyboard.releaseAll([&](const MidiMessage& m) {
        EXPECT_EQ(m.bytes[0], 0x80);
        released.insert(m.bytes[1]);
    });
    EXPECT_EQ(released, (std::set<int>{65, 75}));
    EXPECT_FALSE(keyboard.release(XK_q));
    EXPECT_TRUE(keyboard.press(XK_q));
}

class MidiFileTest : public ::testing::Test {
protected:
    std::string path = (std::filesystem::temp_directory_path() / ("kv7-midi-" + std::to_string(getpid()) + ".mid")).string();
    void TearDown() override { std::filesystem::remove(path); }
};

TEST_F(MidiFileTest, TimesFollowTheTempoMap) {
    // 480 ticks a quarter: at 120 bpm a quarter is 0.5 s; from the change at 1 s on (tick 960),
    // at 60 bpm, it is 1 s.
    SmfWriter smf(480);
    smf.tempo(0, 500000).noteOn(480, 53).noteOff(720, 53).tempo(960, 1000000).noteOn(1440, 76, 1).noteOff(1920, 76);
    smf.event(1920, {0xB0, 7, 100}).event(1920, {0xC3, 9}).event(1920, {0xF0, 0x02, 0x01, 0xF7});
    smf.write(path, 2400);
    std::string error;
    const auto song = readMidiFile(path, error);
    ASSERT_TRUE(song) << error;
    ASSERT_EQ(song->messages.size(), 6u);  // system exclusive and meta events left out
    const double expected[] = {0.5, 0.75, 2.0, 3.0, 3.0, 3.0};
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(song->messages[i].seconds, expected[i], 1e-9) << i;
    EXPECT_EQ(song->messages[0].bytes[0], 0x90);
    EXPECT_EQ(song->messages[0].bytes[1], 53);
    EXPECT_EQ(song->messages[2].bytes[2], 1);
    EXPECT_EQ(song->messages[3].bytes[0], 0x80);
    EXPECT_EQ(song->messages[4].size, 3);
    EXPECT_EQ(song->messages[5].size, 2);
    EXPECT_EQ(song->messages[5].bytes[0], 0xC3);
    EXPECT_EQ(song->messages[5].bytes[1], 9);
    EXPECT_NEAR(song->lengthSeconds, 4.0, 1e-9);
}

TEST_F(MidiFileTest, AFileThatIsNotMidiIsRefused) {
    std::ofstream(path) << "RIFF, not a MIDI file";
    std::string error;
    EXPECT_FALSE(readMidiFile(path, error));
    EXPECT_EQ(error, "\"" + path + "\" is not a MIDI file that can be read (no MIDI header)");
    EXPECT_FALSE(readMidiFile(path + ".missing", error));
    EXPECT_EQ(error, "cannot open the MIDI file \"" + path + ".missing\"");
}

}  // namespace
