// kv7kit: builds, splits, shows and renders Kv7 drum kits with the plug-in's own kit code.
// Exit status 0 on success, 1 when the work failed, 2 for a command line it does not understand.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>

#include "commands.h"
#include "kitfiles/kit_trace.h"
#include "preparation_options.h"
#include "tool_error.h"

int main(int argc, char** argv) {
    CLI::App app{"Builds, splits, shows and renders Kv7 drum kits.", "kv7kit"};
    app.require_subcommand(1);
    bool trace = false;
    app.add_flag("--trace", trace, "Write the kit code's debug traces to standard error");

    BuildOptions build;
    CLI::App* buildCommand = app.add_subcommand(
        "build", "Load sounds into slots 1, 2, 3 ... as dropping them on the drop zone does, and export the kit");
    buildCommand->add_option("inputs", build.inputs, "Sound files, or folders whose sounds are taken in name order")
        ->required();
    buildCommand->add_option("-o,--output", build.output, "Kit file to write (.wav becomes .aif, .aif is added if missing)")
        ->required();
    addPreparationOptions(*buildCommand, build.preparation, build.settings);

    ChopOptions chop;
    CLI::App* chopCommand = app.add_subcommand(
        "chop", "Cut one recording into slots at its onsets (aubio), or into N equal slices, and export the kit");
    chopCommand->add_option("loop", chop.loop, "The recording: a drum loop, a break")->required();
    chopCommand->add_option("-o,--output", chop.output, "Kit file to write")->required();
    auto* slices = chopCommand->add_option("--slices", chop.slices, "N equal slices instead of onsets")->check(CLI::Range(1, 24));
    chopCommand->add_option("--threshold", chop.threshold, "Onset threshold on aubio's scale (default 0.3)")
        ->check(CLI::Range(0.001, 10.0))->excludes(slices);
    chopCommand->add_option("--min-gap", chop.minGapMs, "--min-gap[=MS]: at least MS ms from the last onset taken (default 50)")
        ->check(CLI::Range(0.0, 10000.0))->excludes(slices);
    addPreparationOptions(*chopCommand, chop.preparation, chop.settings);

    SplitOptions split;
    CLI::App* splitCommand =
        app.add_subcommand("split", "Import a kit and write every slot as a file of its own (BASE_01.aif ... BASE_24.aif)");
    splitCommand->add_option("kit", split.kit, "Kv7 drum kit file")->required();
    splitCommand->add_option("-o,--output", split.output, "Base name of the slot files, e.g. drums.aif")->required();

    InfoOptions info;
    CLI::App* infoCommand = app.add_subcommand(
        "info", "Show each slot's region, length, pitch, play mode, direction and volume, and the kit audio's length");
    infoCommand->add_option("kit", info.kit, "Kv7 drum kit file")->required();
    infoCommand->add_flag("--json", info.json, "Print one JSON object instead of a table");
    infoCommand->add_option("--png", info.png, "Also draw the kit into this PNG picture");
    infoCommand->add_option("--svg", info.svg, "Also draw the kit into this SVG picture");

    RenderOptions render;
    CLI::App* renderCommand =
        app.add_subcommand("render", "Play a MIDI file (channel 1, notes 53 to 76) through a kit into a 44100 Hz stereo WAV");
    renderCommand->add_option("kit", render.kit, "Kv7 drum kit file")->required();
    renderCommand->add_option("--midi", render.midi, "Standard MIDI file to play")->required();
    renderCommand->add_option("-o,--output", render.output, "WAV file to write")->required();
    renderCommand->add_flag("--pcm16", render.pcm16, "Write 16-bit samples, clipped, instead of 32-bit floats");
    renderCommand->add_flag("-q,--quiet", render.quiet, "No progress line for long renders");

    std::vector<std::string> arguments = withOptionalValues(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "kv7kit: %s (see kv7kit --help)\n", e.what());
        return 2;
    }

    kitfiles::setTraceStream(trace ? stderr : nullptr);
    try {
        if (*buildCommand) runBuild(build);
        if (*chopCommand) runChop(chop);
        if (*splitCommand) runSplit(split);
        if (*infoCommand) runInfo(info);
        if (*renderCommand) runRender(render);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "kv7kit: %s (see kv7kit --help)\n", e.what());
        return 2;
    } catch (const ToolError& e) {
        std::fprintf(stderr, "kv7kit: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kv7kit: %s\n", e.what());
        return 1;
    }
    return 0;
}
