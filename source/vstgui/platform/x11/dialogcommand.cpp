#include "vstgui/platform/x11/dialogcommand.h"

#include <unistd.h>

#include <climits>

#include "vstgui/cnewfileselector.h"
#include "vstgui/platform/common/childprocess.h"

namespace VSTGUI {
namespace {

bool isKdialog(const std::string& program) {
    const size_t slash = program.rfind('/');
    return program.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, "kdialog") == 0;
}

std::string currentFolder() {
    char folder[PATH_MAX];
    return getcwd(folder, sizeof folder) ? std::string(folder) + "/" : std::string();
}

}  // namespace

std::string findDialogProgram() {
    std::string program = ChildProcess::findInPath("kdialog");
    if (program.empty()) program = ChildProcess::findInPath("zenity");
    return program;
}

std::vector<std::string> saveDialogArguments(const std::string& program, const std::string& title,
                                             const CFileExtension* defaultExtension) {
    std::vector<std::string> args;
    const bool withFilter = defaultExtension && !defaultExtension->getExtension().empty();
    const std::string pattern = withFilter ? "*." + defaultExtension->getExtension() : std::string();
    const std::string description =
        withFilter && !defaultExtension->getDescription().empty() ? defaultExtension->getDescription() : pattern;
    if (isKdialog(program)) {
        if (!title.empty()) args.insert(args.end(), {"--title", title});
        args.insert(args.end(), {"--getsavefilename", currentFolder()});
        if (withFilter) args.push_back(description + " (" + pattern + ")");
    } else {
        args.insert(args.end(), {"--file-selection", "--save", "--confirm-overwrite"});
        if (!title.empty()) args.push_back("--title=" + title);
        if (withFilter) {
            args.push_back("--file-filter=" + description + " | " + pattern);
            args.push_back("--file-filter=All files | *");
        }
    }
    return args;
}

}  // namespace VSTGUI
