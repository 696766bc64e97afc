// The individual export: every slot with at least two samples as an AIFF of its own, named after
// the chosen file with _01 to _24 before the extension. The work behind
// ADEditor::Save_All_Files_Individually. User-interface thread: reads SampleBuffer and BufferLength.
#pragma once

#include <string>
#include <vector>

#include "kitfiles/kit_file_format.h"

class Kv7DrumEdit;

namespace kitfiles {

// "exported from KV7 Util (" + the maker's web address + ")": the APPL text of every slot file.
constexpr char kSlotFileComment[] = "exported from KV7 Util (brennwick.example)";

// The chosen name normalised as for a kit file, with the numbering pattern: kit.aif -> kit_00.aif.
// False, leaving base empty, when that would not fit the 512-byte buffer or path is empty.
bool makeSlotFileBaseName(const char* path, char (&base)[kSlotPathSize]);
// The base name with slot + 1 filled in as two digits: kit_00.aif, slot 9 -> kit_10.aif.
void fillSlotFileName(const char* base, int32_t slot, char (&name)[kSlotPathSize]);

struct SlotExportResult {
    bool refused = false;              // the name does not fit: nothing written
    std::vector<std::string> written;  // in slot order
    std::vector<std::string> failed;   // files that could not be written; the others were
    std::string message;               // for the user when refused or when any file failed
};

SlotExportResult Save_All_Files_Individually(const Kv7DrumEdit& effect, const char* path);

}  // namespace kitfiles
