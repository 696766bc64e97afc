// The desktop's save dialog as a command line: kdialog where KDE's is installed, else zenity.
#pragma once

#include <string>
#include <vector>

namespace VSTGUI {

class CFileExtension;

// The path of kdialog, else of zenity, found on PATH; empty when neither is there.
std::string findDialogProgram();
// The arguments for a save dialog run by program (a path found by findDialogProgram).
std::vector<std::string> saveDialogArguments(const std::string& program, const std::string& title,
                                const CFileExtension* defaultExtension);

}  // namespace VSTGUI
