// tembro-laxis: plays the Tembro-laxis plug-in without a music host. It loads the plug-in module
// through VSTPluginMain as a host does, shows its editor in a window of its own, plays through an
// audio device and takes notes from every MIDI input port and from the computer keyboard; or,
// with --midi and --render, renders a MIDI file through the plug-in to a WAV file headless. With
// --lv2 it hosts the plug-in's LV2 face instead, which can load a kit at start and keep the kit
// between runs in a state folder.
#include <CLI/CLI.hpp>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

// Before any X11 header, whose Bool macro the LV2 headers cannot take.
#include "lv2_plugin.h"

#include "audio_output.h"
#include "editor_window.h"
#include "midi_file.h"
#include "midi_inputs.h"
#include "offline_render.h"
#include "vst_plugin.h"

namespace {

std::atomic<bool> quitRequested{false};

void requestQuit(int) { quitRequested.store(true); }

// The path the package gives a file relative to its programs' folder, from this program's folder:
// a packaged program finds the plug-in it came with, wherever the package's tree lies.
std::string besideProgram(const char* relative) {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : (program.parent_path() / relative).lexically_normal().string();
}

// The packaged module first, then the build's own, then the one installed from the build.
std::string defaultPath(const char* packaged, const char* built, const char* installed) {
    for (const std::string& path : {besideProgram(packaged), std::string(built)})
        if (!path.empty() && std::filesystem::exists(path)) return path;
    return installed;
}

std::string defaultPluginPath() { return defaultPath(TL_PACKAGED_PLUGIN, TL_BUILT_PLUGIN, TL_INSTALLED_PLUGIN); }

std::string defaultLv2Bundle() {
    return defaultPath(TL_PACKAGED_LV2_BUNDLE, TL_BUILT_LV2_BUNDLE, TL_INSTALLED_LV2_BUNDLE);
}

// The LV2 face with the kit asked for: the state folder's kit, then --kit over it.
std::unique_ptr<Lv2Plugin> loadLv2(const std::string& bundle, const std::string& kit, const std::string& stateFolder,
                                   bool offline, std::string& error) {
    auto plugin = Lv2Plugin::load(bundle, offline ? Lv2Worker::Mode::Synchronous : Lv2Worker::Mode::Threaded, error);
    if (!plugin) return nullptr;
    if (!stateFolder.empty() && std::filesystem::exists(stateFolder + "/state.ttl")) {
        if (!plugin->restoreState(stateFolder, error)) return nullptr;
        std::printf("state: the kit saved in %s is restored\n", stateFolder.c_str());
    }
    if (!kit.empty()) plugin->setKitProperty(std::filesystem::absolute(kit).string());
    return plugin;
}

void saveLv2State(Lv2Plugin& plugin, const std::string& stateFolder) {
    std::string error;
    if (stateFolder.empty()) return;
    if (plugin.saveState(stateFolder, error))
        std::printf("state: the kit is saved in %s\n", stateFolder.c_str());
    else
        std::fprintf(stderr, "tembro-laxis: %s\n", error.c_str());
}

int render(HostedPlugin& plugin, const std::string& midiPath, const RenderSettings& settings) {
    std::string error;
    const auto song = readMidiFile(midiPath, error);
    if (!song) {
        std::fprintf(stderr, "tembro-laxis: %s\n", error.c_str());
        return 1;
    }
    RenderReport report;
    if (!renderMidiFile(plugin, *song, settings, report, error)) {
        std::fprintf(stderr, "tembro-laxis: %s\n", error.c_str());
        return 1;
    }
    std::printf("rendered %s through the plug-in: %zu MIDI messages, %lld frames (%.3f s) at %.0f Hz, "
                "block %d, inputs %s\n",
                midiPath.c_str(), report.messages, report.frames, static_cast<double>(report.frames) / report.sampleRate,
                report.sampleRate, settings.blockSize, settings.inputPath.empty() ? "silent" : settings.inputPath.c_str());
    std::printf("wrote %s\n", settings.outputPath.c_str());
    return 0;
}

int play(HostedPlugin& plugin, bool withAudio, bool withMidiPorts, const AudioChoice& choice) {
    EditorWindow window(plugin);
    std::string error;
    if (!window.connect(error)) {
        std::fprintf(stderr, "tembro-laxis: %s\n", error.c_str());
        return 1;
    }
    MidiSources sources;
    MidiRing* keyboardNotes = sources.add();
    MidiInputs midiInputs;
    AudioOutput audio(plugin, sources);
    if (withAudio && withMidiPorts) {
        const auto ports = midiInputs.openAll(sources, error);
        for (const std::string& port : ports) std::printf("MIDI input: %s\n", port.c_str());
        if (ports.empty()) std::printf("MIDI input: none (%s)\n", error.c_str());
    } else if (withAudio) {
        std::printf("MIDI input: off (--no-midi-input)\n");
    }
    if (withAudio && !audio.start(choice, error)) {
        // A device the user named must be there; without one named, the window still opens.
        if (!choice.api.empty() || choice.device >= 0) {
            std::fprintf(stderr, "tembro-laxis: audio: %s\n", error.c_str());
            return 1;
        }
        std::printf("audio: %s\n", error.c_str());
        withAudio = false;
    }
    if (withAudio) {
        std::printf("audio: %s\n", audio.description().c_str());
        std::printf("keyboard: Z S X D C F V B H N J M play notes 53 to 64, Q 2 W 3 E 4 R T 6 Y 7 U notes 65 to 76\n");
        window.sendKeyboardNotesTo(keyboardNotes);
    } else {
        midiInputs.closeAll();
        std::printf("audio: off; MIDI ports and the computer keyboard play nothing\n");
    }

    if (!window.open(error)) {
        std::fprintf(stderr, "tembro-laxis: %s\n", error.c_str());
        return 1;
    }
    std::printf("window: open, %d x %d (X window 0x%lx); close it or press Ctrl-C to quit\n", window.width(),
                window.height(), window.windowId());
    window.run(quitRequested);
    std::printf("window closed: stopping\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"tembro-laxis: the Tembro-laxis plug-in without a music host.\n"
                 "Opens the plug-in's editor in a window and plays it through an audio device, from every MIDI\n"
                 "input port and from the computer keyboard (Z S X D C F V B H N J M: notes 53 to 64,\n"
                 "Q 2 W 3 E 4 R T 6 Y 7 U: notes 65 to 76). With --midi and --render it renders a MIDI file\n"
                 "through the plug-in to a WAV file, without a sound card or display.",
                 "tembro-laxis"};
    std::string pluginPath = defaultPluginPath();
    std::string lv2Bundle = defaultLv2Bundle();
    bool useLv2 = false;
    std::string kitPath, stateFolder;
    bool noAudio = false, noMidiInput = false, listDevices = false;
    AudioChoice choice;
    std::string midiPath;
    RenderSettings settings;
    unsigned rate = 0;
    // The defaults are described, not shown: the man page is made from this help in the build tree,
    // where the default would be the build's own module.
    app.add_option("--plugin", pluginPath,
                   "plug-in module to load (default: " TL_PACKAGED_PLUGIN " from the program's folder, "
                   "as the package installs it, else the build's own, else the one installed from the build)")
        ->check(CLI::ExistingFile);
    auto* lv2Option = app.add_flag("--lv2", useLv2, "host the plug-in's LV2 face (through lilv) instead of its VST module");
    app.add_option("--lv2-bundle", lv2Bundle,
                   "with --lv2: the LV2 bundle folder to load (default: " TL_PACKAGED_LV2_BUNDLE
                   " from the program's folder, else the build's own, else the one installed from the build)")
        ->check(CLI::ExistingDirectory)->needs(lv2Option);
    app.add_option("--kit", kitPath, "with --lv2: a Kv7 kit (or sound) file loaded at start through the kit property")
        ->check(CLI::ExistingFile)->needs(lv2Option);
    app.add_option("--state", stateFolder, "with --lv2: folder the kit is restored from at start and saved to at exit")
        ->needs(lv2Option);
    app.add_flag("--no-audio", noAudio, "open the window without an audio device");
    app.add_flag("--no-midi-input", noMidiInput, "leave the MIDI input ports alone");
    app.add_option("--audio-api", choice.api, "jack, alsa or pulse (default: the first with an output device)")
        ->check(CLI::IsMember({"jack", "alsa", "pulse"}));
    app.add_option("--audio-device", choice.device, "output device number, as --list-devices shows it")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--rate", rate, "sample rate in Hz (default: the device's, or 44100 for --render)")
        ->check(CLI::Range(8000u, 384000u));
    app.add_option("--block", choice.blockSize, "frames per processing block")->capture_default_str()
        ->check(CLI::Range(16u, 8192u));
    app.add_flag("--list-devices", listDevices, "list audio output devices and MIDI input ports, then quit");
    auto* midiOption = app.add_option("--midi", midiPath, "with --render: the MIDI file to play")->check(CLI::ExistingFile);
    auto* renderOption = app.add_option("--render", settings.outputPath, "render --midi to this WAV file, headless");
    app.add_option("--input", settings.inputPath, "with --render: sound file fed to the plug-in's two inputs")
        ->check(CLI::ExistingFile)->needs(renderOption);
    app.add_option("--tail", settings.tailSeconds, "with --render: seconds rendered after the last MIDI event")
        ->capture_default_str()->check(CLI::Range(0.0, 600.0))->needs(renderOption);
    midiOption->needs(renderOption);
    renderOption->needs(midiOption);
    renderOption->excludes("--no-audio")->excludes("--audio-api")->excludes("--audio-device");
    CLI11_PARSE(app, argc, argv);
    // Lines reach a pipe or log as they are written, in order with the error lines.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    if (listDevices) {
        AudioOutput::listDevices();
        MidiInputs::listPorts();
        return 0;
    }

    std::string error;
    std::unique_ptr<HostedPlugin> plugin;
    Lv2Plugin* lv2 = nullptr;
    if (useLv2) {
        auto loaded = loadLv2(lv2Bundle, kitPath, stateFolder, !settings.outputPath.empty(), error);
        lv2 = loaded.get();
        plugin = std::move(loaded);
    } else {
        plugin = VstPlugin::load(pluginPath, error);
    }
    if (!plugin) {
        std::fprintf(stderr, "tembro-laxis: cannot load %s: %s\n", (useLv2 ? lv2Bundle : pluginPath).c_str(),
                     error.c_str());
        return 1;
    }
    std::printf("plug-in: \"%s\" by \"%s\", %d inputs, %d outputs (%s)\n", plugin->name().c_str(),
                plugin->vendor().c_str(), plugin->numInputs(), plugin->numOutputs(), plugin->path().c_str());

    struct sigaction action {};
    action.sa_handler = requestQuit;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    if (!settings.outputPath.empty()) {
        settings.sampleRate = rate;
        settings.blockSize = static_cast<int>(choice.blockSize);
        const int status = render(*plugin, midiPath, settings);
        if (lv2) saveLv2State(*lv2, stateFolder);
        return status;
    }
    choice.sampleRate = rate;
    const int status = play(*plugin, !noAudio, !noMidiInput, choice);
    if (lv2) saveLv2State(*lv2, stateFolder);
    return status;
}
