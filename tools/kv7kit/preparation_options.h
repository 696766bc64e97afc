// The command-line options that prepare sounds and set slots, shared by build and chop. Options
// with an optional value take it only after '=': a bare one gets its default and never swallows
// the next argument.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "prepared_sound.h"
#include "slot_settings.h"

void addPreparationOptions(CLI::App& command, PreparationOptions& preparation, SlotSettingOptions& settings);

// The arguments with every bare optional-value option given its default after '='.
std::vector<std::string> withOptionalValues(int argc, char** argv);
