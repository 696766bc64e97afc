// The standalone host: the parts that hand MIDI to the audio thread and read keys and MIDI files,
// and the built program rendering headless, as a user runs it.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <X11/keysym.h>

#include <cmath>
#include <thread>

#include "computer_keyboard.h"
#include "fixed_event_list.h"
#include "kit_test_support.h"
#include "midi_file.h"
#include "smf_writer.h"

namespace {

MidiMessage note(uint8_t status, uint8_t key) { return {{status, key, 100}, 3}; }

TEST(MidiHandOver, TheRingKeepsOrderAcrossThreadsAndDropsWhatDoesNotFit) {
    MidiRing ring;
    MidiMessage out{};
    for (uint32_t i = 0; i < MidiRing::kCapacity; ++i) ASSERT_TRUE(ring.push(note(0x90, uint8_t(i % 128))));
    EXPECT_FALSE(ring.push(note(0x80, 1)));
    for (uint32_t i = 0; i < MidiRing::kCapacity; ++i) ASSERT_TRUE(ring.pop(out) && out.bytes[1] == i % 128);
    EXPECT_FALSE(ring.pop(out));
    std::thread producer([&] {
        for (uint32_t i = 0; i < 200000; ++i)
            while (!ring.push({{uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16)}, 3})) std::this_thread::yield();
    });
    for (uint32_t received = 0; received < 200000;)
        ASSERT_TRUE(!ring.pop(out) || uint32_t(out.bytes[0] | (out.bytes[1] << 8) | (out.bytes[2] << 16)) == received++);
    producer.join();

    MidiSources sources;
    MidiRing* first = sources.add();
    MidiRing* second = sources.add();
    first->push(note(0x90, 53)), second->push(note(0x90, 54)), first->push(note(0x80, 53));
    std::vector<int> drained;
    sources.drain([&](const MidiMessage& m) { drained.push_back(m.bytes[0] + m.bytes[1]); });
    EXPECT_EQ(drained, (std::vector<int>{0x90 + 53, 0x80 + 53, 0x90 + 54}));
    while (sources.count() < MidiSources::kMaxSources) ASSERT_NE(sources.add(), nullptr);
    EXPECT_EQ(sources.add(), nullptr);

    auto list = std::make_unique<FixedMidiEventList<2>>();
    EXPECT_TRUE(list->add(7, note(0x90, 53)) && list->add(0, MidiMessage{{0xC0, 5, 99}, 2}) && !list->add(3, note(0x80, 3)));
    const VstEvents* events = list->get();
    const auto* on = reinterpret_cast<const VstMidiEvent*>(events->events[0]);
    const auto* program = reinterpret_cast<const VstMidiEvent*>(events->events[1]);
    EXPECT_TRUE(events->numEvents == 2 && on->type == kVstMidiType && on->byteSize == static_cast<VstInt32>(sizeof(VstMidiEvent)) &&
                on->deltaFrames == 7 && uint8_t(on->midiData[0]) == 0x90 && on->midiData[1] == 53 && on->midiData[2] == 100);
    EXPECT_TRUE(uint8_t(program->midiData[0]) == 0xC0 && program->midiData[2] == 0);  // a two-byte message
    list->clear();
    EXPECT_EQ(events->numEvents, 0);
}

TEST(ComputerKeyboardNotes, TwoRowsPlayTheSlotsLikePianoKeysAndAHeldKeySoundsOnce) {
    const unsigned long rows[] = {XK_z, XK_s, XK_x, XK_d, XK_c, XK_f, XK_v, XK_b, XK_h, XK_n, XK_j, XK_m,
                                  XK_q, XK_2, XK_w, XK_3, XK_e, XK_4, XK_r, XK_t, XK_6, XK_y, XK_7, XK_u};
    for (int i = 0; i < 24; ++i) EXPECT_EQ(noteForKeySymbol(rows[i]), 53 + i) << i;
    for (const auto& [symbol, note] : {std::pair{XK_Z, 53}, {XK_U, 76}, {XK_g, -1}, {XK_5, -1}, {XK_a, -1}, {XK_space, -1}})
        EXPECT_EQ(noteForKeySymbol(symbol), note) << symbol;
    ComputerKeyboard keyboard;
    auto on = keyboard.press(XK_z);
    EXPECT_TRUE(on && on->bytes[0] == 0x90 && on->bytes[1] == 53 && on->bytes[2] == ComputerKeyboard::kVelocity);
    EXPECT_FALSE(keyboard.press(XK_z) || keyboard.press(XK_Z) || keyboard.release(XK_u) || keyboard.press(XK_g));
    auto off = keyboard.release(XK_z);
    EXPECT_TRUE(off && off->bytes[0] == 0x80 && off->bytes[1] == 53 && !keyboard.release(XK_z));
    keyboard.press(XK_q), keyboard.press(XK_7);
    std::vector<int> released;
    keyboard.releaseAll([&](const MidiMessage& m) { released.push_back(m.bytes[0] + m.bytes[1]); });
    EXPECT_EQ(released, (std::vector<int>{0x80 + 65, 0x80 + 75}));
    EXPECT_TRUE(keyboard.press(XK_q));
}

class StandaloneProgram : public ::testing::Test {
protected:
    // Standard output and error together, and the exit status.
    std::pair<int, std::string> run(const std::string& arguments) {
        FILE* pipe = popen((std::string(TL_STANDALONE_PATH) + " " + arguments + " 2>&1").c_str(), "r");
        std::string output;
        char buffer[4096];
        for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
        const int status = pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
    }
    std::vector<float> readSound(const std::string& name, SF_INFO& info) {
        info = SF_INFO{};
        SNDFILE* file = sf_open(scratch.path(name).c_str(), SFM_READ, &info);
        std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
        if (file) sf_readf_float(file, samples.data(), info.frames), sf_close(file);
        return samples;
    }
    kittest::ScratchFolder scratch;
    std::string song = scratch.path("song.mid"), plugin = std::string(" --plugin ") + TL_PLUGIN_PATH;
};

TEST_F(StandaloneProgram, MidiFilesAreReadWithTheirTempoMapAndRefusedWhenTheyAreNone) {
    // 480 ticks a quarter: a quarter is 0.5 s at 120 bpm, and 1 s from the change at 1 s (tick 960) on.
    SmfWriter().tempo(0, 500000).noteOn(480, 53).noteOff(720, 53).tempo(960, 1000000).noteOn(1440, 76, 1).event(1920, {0xB0, 7, 100})
        .event(1920, {0xC3, 9}).event(1920, {0xF0, 0x02, 0x01, 0xF7}).write(song, 2400);
    std::string error;
    const auto read = readMidiFile(song, error);
    ASSERT_TRUE(read) << error;
    std::vector<std::tuple<double, int, int, int>> messages;
    for (const auto& m : read->messages) messages.emplace_back(std::round(m.seconds * 1e6) / 1e6, m.bytes[0], m.bytes[1], m.size);
    EXPECT_EQ(messages, (std::vector<std::tuple<double, int, int, int>>{{0.5, 0x90, 53, 3}, {0.75, 0x80, 53, 3}, {2.0, 0x90, 76, 3},
                                                                         {3.0, 0xB0, 7, 3}, {3.0, 0xC3, 9, 2}}));
    EXPECT_DOUBLE_EQ(read->lengthSeconds, 4.0);
    kittest::writeText(scratch.path("text.mid"), "RIFF, not a MIDI file");
    EXPECT_TRUE(!readMidiFile(scratch.path("text.mid"), error) &&
                error == "\"" + scratch.path("text.mid") + "\" is not a MIDI file that can be read (no MIDI header)") << error;
    EXPECT_TRUE(!readMidiFile(scratch.path("missing.mid"), error) && error == "cannot open the MIDI file \"" + scratch.path("missing.mid") + "\"");
}

TEST_F(StandaloneProgram, RendersPassTheInputsThroughAnEmptyKitForTheSongsLength) {
    // A walk over the 24 slots: a note every 0.0625 s from 0.25 s, the file ending at 2 s.
    SmfWriter smf;
    for (uint32_t n = 0; n < 24; ++n) smf.noteOn(240 + 60 * n, uint8_t(53 + n)).noteOff(270 + 60 * n, uint8_t(53 + n));
    smf.write(song, 1920);
    // Different left and right signals, longer than the song: the render lasts as long as the input.
    std::vector<float> input(2 * (3 * 48000 + 123));
    for (size_t i = 0; i < input.size(); ++i) input[i] = i % 2 ? float(i / 2 % 997) / 997 - 0.5f : float(0.25 * std::sin(i * 0.0289));
    kittest::writeSound(scratch.path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, input);
    auto [status, output] = run("--midi " + song + " --render " + scratch.path("out.wav") + " --input " + scratch.path("in.wav") +
                                " --tail 0.5 --block 1024" + plugin);
    ASSERT_EQ(status, 0) << output;
    EXPECT_TRUE(output.find("48 MIDI messages") != std::string::npos && output.find(TL_PLUGIN_PATH) != std::string::npos) << output;
    SF_INFO info;
    EXPECT_TRUE(readSound("out.wav", info) == input && info.samplerate == 48000 && info.channels == 2);
    // A mono input shorter than the song feeds both inputs, then silence follows to the tail's end.
    kittest::writeSound(scratch.path("mono.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 22050, std::vector<float>(1000, 0.5f));
    std::tie(status, output) = run("--midi " + song + " --render " + scratch.path("out.wav") + " --input " + scratch.path("mono.wav") +
                                   " --tail 0.5 --block 100" + plugin);
    ASSERT_EQ(status, 0) << output;
    std::vector<float> expected(2 * 55125, 0.0f);
    std::fill_n(expected.begin(), 2000, 0.5f);
    EXPECT_TRUE(readSound("out.wav", info) == expected);
    std::tie(status, output) = run("--midi " + song + " --render " + scratch.path("silent.wav") + " --rate 96000 --tail 0" + plugin);
    EXPECT_TRUE(status == 0 && output.find("inputs silent") != std::string::npos) << output;
    EXPECT_TRUE(readSound("silent.wav", info) == std::vector<float>(2 * 2 * 96000, 0.0f) && info.samplerate == 96000);
}

TEST_F(StandaloneProgram, ErrorsAreToldAndEndTheProgram) {
    SmfWriter().noteOn(0, 53).write(song, 480);
    kittest::writeText(scratch.path("text.mid"), "not a MIDI file");
    kittest::writeText(scratch.path("text.so"), "not a module");
    kittest::writeSound(scratch.path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, std::vector<float>(20, 0.0f));
    const std::string render = " --midi " + song + " --render " + scratch.path("out.wav");
    for (const auto& [arguments, says] : std::vector<std::pair<std::string, std::string>>{
             {"--render " + scratch.path("out.wav"), "--midi"}, {" --midi " + song, "--render"},
             {"--midi " + scratch.path("text.mid") + " --render " + scratch.path("out.wav") + plugin, "is not a MIDI file that can be read"},
             {render + " --plugin " + scratch.path("text.so"), "cannot load"},
             {render + " --input " + scratch.path("in.wav") + " --rate 48000" + plugin, "44100 Hz"},
             {" --midi " + song + " --render " + scratch.path("no/such/dir/out.wav") + plugin, "cannot write"},
             {render + " --no-audio", "excludes"}, {"--audio-api oss", "oss"}}) {
        const auto [status, output] = run(arguments);
        EXPECT_NE(status, 0) << arguments;
        EXPECT_NE(output.find(says), std::string::npos) << arguments << "\n" << output;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.path("out.wav")));
}

}  // namespace
