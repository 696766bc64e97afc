// kv7kit split: a kit file dropped on the window, then the individual export.
#include <cstdio>

#include "commands.h"
#include "kit_session.h"
#include "kitfiles/slot_export.h"
#include "tool_error.h"

void runSplit(const SplitOptions& options) {
    KitSession session;
    session.importKit(options.kit);
    const kitfiles::SlotExportResult result = kitfiles::Save_All_Files_Individually(session.effect(), options.output.c_str());
    if (result.refused) throw ToolError(result.message);
    for (const std::string& path : result.written) std::printf("wrote %s\n", path.c_str());
    if (!result.failed.empty()) throw ToolError(result.message);
    if (result.written.empty()) std::printf("no slot holds two samples or more: nothing written\n");
}
