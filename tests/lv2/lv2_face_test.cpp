// The LV2 face as LV2 hosts load it: found by lilv, run with the notes a VST host would send, its
// kit set through the kit property and kept in saved state, whatever was done to that state since;
// and its window at the scale the host asks for.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "fixed_event_list.h"
#include "kit_test_support.h"
#include "kitfiles/kit_export.h"
#include "lv2_plugin.h"
#include "offscreen_editor.h"
// Last: its macros (None, Status) would meet the names above.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <lv2/instance-access/instance-access.h>

using namespace kittest;

namespace {

constexpr int kBlock = 256;
constexpr int kFrames = 40 * kBlock;
using Process = std::function<void(VstEvents*, float**, float**, int)>;

struct Note {
    int frame;
    uint8_t status, key;
};
// Inside blocks, on both edges of a block, a note-off, and a note on channel 2, which plays nothing.
const std::vector<Note> kPattern = {{0, 0x90, 53},    {1, 0x90, 54},    {255, 0x90, 55},  {256, 0x90, 56},
                                    {777, 0x91, 57},  {1500, 0x80, 54}, {2049, 0x90, 57}, {4000, 0x90, 53},
                                    {6001, 0x90, 58}, {6001, 0x80, 56}, {9000, 0x90, 54}};

// The notes through process, block by block, on a ramp at the inputs; both channels, one after the other.
std::vector<float> render(const Process& process, const std::vector<Note>& notes = kPattern) {
    FixedMidiEventList<32> events;
    const std::vector<float> input = ramp(kBlock, 1.0f / 4096.0f);
    std::vector<float> left(kBlock), right(kBlock), out;
    for (int start = 0; start < kFrames; start += kBlock) {
        events.clear();
        for (const Note& n : notes)
            if (n.frame >= start && n.frame < start + kBlock) events.add(n.frame - start, {{n.status, n.key, 100}, 3});
        std::vector<float> inL = input, inR = input;
        float* in[2] = {inL.data(), inR.data()};
        float* outs[2] = {left.data(), right.data()};
        process(events.get(), in, outs, kBlock);
        out.insert(out.end(), left.begin(), left.end());
        out.insert(out.end(), right.begin(), right.end());
    }
    return out;
}

// The inputs alone: what an instance with nothing to play gives back.
std::vector<float> passThrough() {
    return render([](VstEvents*, float** in, float** out, int frames) {
        std::copy(in[0], in[0] + frames, out[0]);
        std::copy(in[1], in[1] + frames, out[1]);
    });
}

// A Turtle file's lines, whatever order its statements were written in.
std::multiset<std::string> lines(const std::string& path) {
    std::istringstream text(readText(path));
    std::multiset<std::string> all;
    for (std::string line; std::getline(text, line);) all.insert(line.substr(0, line.find_last_not_of(" ;.") + 1));
    return all;
}

std::unique_ptr<Lv2Plugin> loadLv2(Lv2Worker::Mode mode = Lv2Worker::Mode::Synchronous) {
    std::string error;
    auto plugin = Lv2Plugin::load("", mode, error);  // through LV2_PATH, as hosts find it
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

Process lv2Process(Lv2Plugin& plugin) {
    return [&plugin](VstEvents* e, float** in, float** out, int frames) { plugin.process(e, in, out, frames); };
}

class Lv2Face : public ::testing::Test {
protected:
    // A kit of four sounds with settings of every kind, exported by the editor, and one sound file.
    void SetUp() override {
        OffscreenEditor maker;
        for (int32_t slot = 0; slot < 4; ++slot) {
            const std::string sound = scratch.path("sound" + std::to_string(slot) + ".wav");
            writeSound(sound, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, ramp(3000 + 2500 * slot, 1.0f / (9000 + slot)));
            maker.drop(labelCentre(slot), {sound});
        }
        maker.effect->setParameter(kParamPitch + 1, 0.6f);
        maker.effect->setParameter(kParamPlayMode + 2, 1.0f);
        maker.effect->setParameter(kParamReverse + 3, 1.0f);
        maker.effect->setParameter(kParamVolume + 0, 0.3f);
        ASSERT_EQ(kitfiles::Save_All_Buffer_To_KV7_File(*maker.effect, maker.editor->SlotPath, kit.c_str()).outcome,
                  kitfiles::KitExportResult::Outcome::Written);
    }

    // The VST face with path dropped on its drop zone, run as a VST host runs it.
    std::vector<float> vstRender(const std::string& path, double rate) {
        OffscreenEditor vst;
        vst.drop(kDropZone, {path});
        AEffect* effect = vst.effect->getAeffect();
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        effect->dispatcher(effect, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
        return render([effect](VstEvents* events, float** in, float** out, int frames) {
            effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0.0f);
            effect->processReplacing(effect, in, out, frames);
        });
    }

    std::unique_ptr<Lv2Plugin> lv2WithKit(const std::string& path, double rate = 44100.0) {
        auto plugin = loadLv2();
        plugin->start(rate, kBlock);
        EXPECT_TRUE(plugin->setKitProperty(path));
        plugin->settle();
        EXPECT_EQ(plugin->kitProperty(), path);
        EXPECT_TRUE(plugin->stateChanged());
        return plugin;
    }

    ScratchFolder scratch;
    std::string kit = scratch.path("kit.aif");
};

TEST_F(Lv2Face, LilvFindsOneInstrumentWithTheDeclaredPorts) {
    LilvWorld* world = lilv_world_new();
    lilv_world_load_all(world);
    const LilvPlugins* plugins = lilv_world_get_all_plugins(world);
    ASSERT_EQ(lilv_plugins_size(plugins), 1u);
    const LilvPlugin* plugin = lilv_plugins_get(plugins, lilv_plugins_begin(plugins));
    LilvNode* type = lilv_new_uri(world, LILV_NS_RDF "type");
    LilvNode* instrument = lilv_new_uri(world, LV2_CORE__InstrumentPlugin);
    EXPECT_TRUE(lilv_world_ask(world, lilv_plugin_get_uri(plugin), type, instrument));
    lilv_node_free(type);
    lilv_node_free(instrument);
    const char* symbols[] = {"in_left", "in_right", "out_left", "out_right", "control", "notify"};
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), 6u);
    for (uint32_t i = 0; i < 6; ++i)
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, lilv_plugin_get_port_by_index(plugin, i))),
                     symbols[i]);
    lilv_world_free(world);
    EXPECT_EQ(loadLv2()->name(), "Tembro-laxis");
}

// A kit file and a sound file given to the kit property play as the same file dropped on the
// VST face's drop zone plays there, sample for sample, at either rate.
TEST_F(Lv2Face, ThePropertyLoadsAsADropAndTheRunCallPlaysAsTheVstFace) {
    const std::string sound = scratch.path("sound2.wav");
    for (const std::string& path : {kit, sound})
        for (double rate : {44100.0, 48000.0}) {
            SCOPED_TRACE(path + " at " + std::to_string(rate));
            auto plugin = lv2WithKit(path, rate);
            const std::vector<float> lv2 = render(lv2Process(*plugin));
            EXPECT_EQ(lv2, vstRender(path, rate));
            EXPECT_NE(lv2, passThrough());
        }
}

TEST_F(Lv2Face, SavedStateRestoresTheKitBitForBitAfterTheKitFileIsGone) {
    const std::string saved = scratch.path("state"), again = scratch.path("again");
    std::string error;
    std::vector<float> before;
    {
        auto plugin = lv2WithKit(kit);
        before = render(lv2Process(*plugin));
        ASSERT_TRUE(plugin->saveState(saved, error)) << error;
    }
    std::filesystem::remove(kit);
    auto restored = loadLv2();
    ASSERT_TRUE(restored->restoreState(saved, error)) << error;
    restored->start(44100.0, kBlock);
    EXPECT_EQ(render(lv2Process(*restored)), before);
    EXPECT_EQ(restored->kitProperty(), kit);
    // Names, lengths and settings come back as they were saved.
    ASSERT_TRUE(restored->saveState(again, error)) << error;
    EXPECT_EQ(lines(again + "/state.ttl"), lines(saved + "/state.ttl"));
}

// Whatever was done to a saved state, the instance starts and passes its inputs through; a damaged
// slot is empty, its neighbours play, and the host's log says why.
TEST_F(Lv2Face, DamagedStateGivesAWorkingInstanceAndAMessage) {
    const std::string saved = scratch.path("state");
    std::string error;
    lv2WithKit(kit)->saveState(saved, error);
    const std::string state = readText(saved + "/state.ttl");
    auto edit = [&](const std::string& pattern, const std::string& with) {
        return [=] { writeText(saved + "/state.ttl", std::regex_replace(state, std::regex(pattern), with)); };
    };
    auto sound = [&](const std::string& bytes) { return [=] { writeText(saved + "/slot-01.wav", bytes); }; };
    const std::string wavBytes = readText(saved + "/slot-01.wav");
    struct Case {
        const char* what;
        std::function<void()> damage;
        const char* message;  // empty: the host itself refuses the state
        bool otherSlotsPlay;
    };
    const std::vector<Case> cases = {
        {"sound cut short", sound(wavBytes.substr(0, wavBytes.size() / 2)), "slot 1 of the saved kit is damaged", true},
        {"sound replaced with garbage", sound(std::string(4000, '\x7f')), "slot 1 of the saved kit is damaged", true},
        {"sound of another length", edit("(slot01-length> \")\\d+", "$013000"), "not the sound that was saved", true},
        {"length out of range", edit("(slot01-length> \")\\d+", "$0199999999"), "length is missing or out of", true},
        {"name too long", edit("(slot01-name> \")[^\"]*", "$01" + std::string(600, 'n')), "name is too long", true},
        {"volume below silence", edit("(slot01-volume> \")[^\"]*", "$01-1.0"), "settings are missing", true},
        {"newer version", edit("(stateVersion> \")1", "$012"), "saved by a newer Tembro-laxis", false},
        {"no version", edit(".*stateVersion.*\n", ""), "has no version", false},
        {"no state at all", [&] { writeText(saved + "/state.ttl", "<> a garbage ;"); }, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeText(saved + "/state.ttl", state);
        writeText(saved + "/slot-01.wav", wavBytes);
        c.damage();
        auto plugin = loadLv2();
        plugin->start(44100.0, kBlock);
        EXPECT_EQ(plugin->restoreState(saved, error), *c.message != '\0');
        EXPECT_EQ(render(lv2Process(*plugin), {{0, 0x90, 53}}), passThrough());
        EXPECT_EQ(render(lv2Process(*plugin), {{0, 0x90, 54}}) != passThrough(), c.otherSlotsPlay);
        const auto log = plugin->logMessages();
        if (*c.message) {
            EXPECT_TRUE(!log.empty() && log.back().find(c.message) != std::string::npos) << ::testing::PrintToString(log);
        }
    }
}

// Kits load on the worker's thread while the audio thread runs: ThreadSanitizer watches.
TEST_F(Lv2Face, KitsLoadWhileTheAudioThreadPlays) {
    auto plugin = loadLv2(Lv2Worker::Mode::Threaded);
    plugin->start(44100.0, kBlock);
    std::atomic<bool> done{false};
    std::thread audio([&] {
        while (!done.load())
            for (float sample : render(lv2Process(*plugin))) ASSERT_TRUE(std::isfinite(sample));
    });
    const std::string sound = scratch.path("sound3.wav");
    for (int i = 0; i < 12; ++i) {
        const std::string& path = i % 2 ? sound : kit;
        ASSERT_TRUE(plugin->setKitProperty(path));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (plugin->kitProperty() != path && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(plugin->kitProperty(), path);
    }
    done.store(true);
    audio.join();
}

// The window in a real X window, opened as a host that passes ui:scaleFactor opens it: the host's
// scale comes before TEMBRO_LAXIS_SCALE, and a value that is no scale is passed over. On a desktop
// of its own: tests/support/desktop.sh --xvfb 1600x1600x24 -- kv7_lv2_tests --gtest_filter=Lv2UiInAWindow.*
TEST(Lv2UiInAWindow, TheHostsScaleFactorComesFirst) {
    Display* display = XOpenDisplay(nullptr);
    void* module = dlopen(TL_LV2_BUNDLE_PATH "/tembro-laxis-lv2.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(display && module) << "run on a desktop of its own (tests/support/desktop.sh)";
    const LV2_Descriptor* plugin = reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor"))(0);
    const LV2UI_Descriptor* ui = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(module, "lv2ui_descriptor"))(0);
    static std::vector<std::string> uris;
    LV2_URID_Map map{nullptr, [](LV2_URID_Map_Handle, const char* uri) {
                         if (std::find(uris.begin(), uris.end(), uri) == uris.end()) uris.emplace_back(uri);
                         return static_cast<LV2_URID>(std::find(uris.begin(), uris.end(), uri) - uris.begin() + 1);
                     }};
    LV2_Worker_Schedule schedule{nullptr, [](LV2_Worker_Schedule_Handle, uint32_t, const void*) { return LV2_WORKER_ERR_UNKNOWN; }};
    const LV2_Feature mapFeature{LV2_URID__map, &map}, scheduleFeature{LV2_WORKER__schedule, &schedule};
    const LV2_Feature* pluginFeatures[] = {&mapFeature, &scheduleFeature, nullptr};
    LV2_Handle instance = plugin->instantiate(plugin, 44100, TL_LV2_BUNDLE_PATH "/", pluginFeatures);
    unsetenv("GDK_SCALE");
    const struct {
        const char *variable, *type;  // TEMBRO_LAXIS_SCALE; the option's type, none without one
        float value;
        int width, height;
    } cases[] = {{nullptr, nullptr, 0, 440, 756},         {nullptr, LV2_ATOM__Float, 2, 880, 1512},
                 {"1.5", LV2_ATOM__Float, 2, 880, 1512},  {"1.5", LV2_ATOM__Float, 0.5f, 660, 1134},
                 {"1.5", LV2_ATOM__Int, 2, 660, 1134},    {"1.5", nullptr, 0, 660, 1134}};
    for (const auto& c : cases) {
        c.variable ? setenv("TEMBRO_LAXIS_SCALE", c.variable, 1) : unsetenv("TEMBRO_LAXIS_SCALE");
        const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1600, 1600, 0, 0, 0);
        XSync(display, False);
        std::pair<int, int> size;
        LV2UI_Resize resize{&size, [](LV2UI_Feature_Handle h, int w, int height) { return *static_cast<std::pair<int, int>*>(h) = {w, height}, 0; }};
        LV2_Options_Option options[] = {
            {LV2_OPTIONS_INSTANCE, 0, map.map(nullptr, LV2_UI__scaleFactor), sizeof(float), c.type ? map.map(nullptr, c.type) : 0, &c.value},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
        const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)}, access{LV2_INSTANCE_ACCESS_URI, instance},
            resizeFeature{LV2_UI__resize, &resize}, optionsFeature{LV2_OPTIONS__options, c.type ? options : nullptr};
        const LV2_Feature* features[] = {&parentFeature, &access, &resizeFeature, &mapFeature, &optionsFeature, nullptr};
        LV2UI_Widget widget = nullptr;
        LV2UI_Handle window = ui->instantiate(ui, ui->URI, TL_LV2_BUNDLE_PATH "/", nullptr, nullptr, &widget, features);
        ASSERT_NE(window, nullptr);
        XWindowAttributes made{};
        XGetWindowAttributes(display, static_cast<Window>(reinterpret_cast<uintptr_t>(widget)), &made);
        EXPECT_TRUE(size == std::pair(c.width, c.height) && made.width == c.width && made.height == c.height)
            << (c.variable ? c.variable : "-") << " " << (c.type ? c.type : "-") << " " << c.value << ": asked for " << size.first
            << " x " << size.second << ", made " << made.width << " x " << made.height;
        ui->cleanup(window);
        XDestroyWindow(display, parent);
    }
    unsetenv("TEMBRO_LAXIS_SCALE");
    plugin->cleanup(instance);
    XCloseDisplay(display);
}

}  // namespace
