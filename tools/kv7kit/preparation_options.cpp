#include "preparation_options.h"

namespace {

struct OptionalValue {
    const char* name;
    const char* defaultValue;
};
constexpr OptionalValue kOptionalValues[] = {
    {"--trim", "-60"}, {"--normalize", "-0.3"}, {"--loudness", "-14"}, {"--fade-out", "10"}, {"--min-gap", "50"}};

}  // namespace

std::vector<std::string> withOptionalValues(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    for (std::string& argument : arguments)
        for (const OptionalValue& option : kOptionalValues)
            if (argument == option.name) argument += std::string("=") + option.defaultValue;
    return arguments;
}

void addPreparationOptions(CLI::App& command, PreparationOptions& preparation, SlotSettingOptions& settings) {
    command.add_flag("--resample", preparation.resample, "Convert sounds not at 44100 Hz to 44100 Hz (libsoxr, very high quality)");
    command.add_option("--trim", preparation.trimDb, "--trim[=DB]: cut silence below DB dBFS (default -60) at both ends")
        ->check(CLI::Range(-200.0, -1.0));
    auto* normalize = command.add_option("--normalize", preparation.normalizeDb,
                                         "--normalize[=DB]: one gain per sound so its peak is DB dBFS (default -0.3)")
                          ->check(CLI::Range(-100.0, 0.0));
    command.add_option("--loudness", preparation.loudnessLufs,
                       "--loudness[=LUFS]: one gain per sound to LUFS (EBU R128, default -14), no sample at full scale")
        ->check(CLI::Range(-70.0, -1.0))
        ->excludes(normalize);
    command.add_option("--fade-out", preparation.fadeOutMs, "--fade-out[=MS]: a fade over each sound's last MS ms (default 10)")
        ->check(CLI::Range(0.1, 12000.0));
    command.add_flag("--fit", preparation.fit,
                     "When the sounds add up to more than 12 s, shorten the longest from their ends until the kit fits");
    const char* slotHelp = " (repeatable, one per slot; N is a slot number 1 to 24)";
    command.add_option("--pitch", settings.pitch, std::string("N=P: slot N's pitch, -48 to +48 semitones") + slotHelp)
        ->allow_extra_args(false);
    command.add_option("--mode", settings.mode, std::string("N=gate|oneshot|loop: slot N's play mode") + slotHelp)
        ->allow_extra_args(false);
    command.add_option("--dir", settings.dir, std::string("N=fwd|rev: slot N's direction") + slotHelp)->allow_extra_args(false);
    command.add_option("--vol", settings.vol, std::string("N=DB: slot N's volume in dB, at most +12") + slotHelp)
        ->allow_extra_args(false);
}
