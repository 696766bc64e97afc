#include "vstgui/cnewfileselector.h"

#include <utility>

#include "vstgui/platform/common/childprocess.h"
#include "vstgui/platform/common/runloop.h"
#include "vstgui/platform/x11/dialogcommand.h"

namespace VSTGUI {

IdStringPtr CNewFileSelector::kSelectEndMessage = "CNewFileSelector Select End Message";

CFileExtension::CFileExtension(UTF8StringPtr desc, UTF8StringPtr ext, UTF8StringPtr mime, int32 mac,
                               UTF8StringPtr typeIdentifier)
    : description(desc ? desc : ""),
      extension(ext ? ext : ""),
      mimeType(mime ? mime : ""),
      macType(mac),
      uti(typeIdentifier ? typeIdentifier : "") {}

CNewFileSelector* CNewFileSelector::create(CFrame* parent, Style style) {
    if (style != kSelectSaveFile) return nullptr;
    std::string program = findDialogProgram();
    if (program.empty()) return nullptr;
    return new CNewFileSelector(parent, style, std::move(program));
}

UTF8StringPtr CNewFileSelector::getMissingProgramTitle() { return "No file dialog available"; }

UTF8StringPtr CNewFileSelector::getMissingProgramText() {
    return "Saving needs the program zenity (or kdialog): please install the package zenity, for example "
           "with: sudo apt install zenity";
}

CNewFileSelector::CNewFileSelector(CFrame* frame, Style selectorStyle, std::string dialogProgram)
    : parent(frame), style(selectorStyle), program(std::move(dialogProgram)) {}

CNewFileSelector::~CNewFileSelector() = default;

void CNewFileSelector::setTitle(UTF8StringPtr newTitle) { title = newTitle ? newTitle : ""; }

void CNewFileSelector::setDefaultExtension(const CFileExtension& extension) {
    defaultExtension = std::make_unique<CFileExtension>(extension);
}

UTF8StringPtr CNewFileSelector::getSelectedFile(uint32 index) const {
    return index < selectedFiles.size() ? selectedFiles[index].c_str() : nullptr;
}

bool CNewFileSelector::start() {
    if (process && process->isRunning()) return false;
    selectedFiles.clear();
    done = false;
    process = std::make_unique<ChildProcess>();
    return process->start(program, saveDialogArguments(program, title, defaultExtension.get()),
                          [this](int exitCode, const std::string& output) { finished(exitCode, output); });
}

bool CNewFileSelector::run(CBaseObject* endDelegate) {
    if (!start()) return false;
    delegate = endDelegate;
    if (delegate) delegate->remember();
    remember();
    return true;
}

bool CNewFileSelector::runModal() {
    if (!start()) return false;
    while (!done) {
        RunLoop::get().pump();
        if (!done) RunLoop::get().wait(std::chrono::milliseconds(20));
    }
    return !selectedFiles.empty();
}

void CNewFileSelector::cancel() {
    // Ending the program ends its output: nothing more comes through the run loop.
    process.reset();
    done = true;
    CBaseObject* endDelegate = std::exchange(delegate, nullptr);
    if (!endDelegate) return;
    endDelegate->forget();
    forget();
}

void CNewFileSelector::finished(int exitCode, const std::string& output) {
    done = true;
    if (exitCode == 0) {
        // One path per line; a save dialog gives one.
        std::string path = output.substr(0, output.find('\n'));
        if (!path.empty()) selectedFiles.push_back(path);
    }
    CBaseObject* endDelegate = delegate;
    delegate = nullptr;
    if (!endDelegate) return;
    endDelegate->notify(this, kSelectEndMessage);
    endDelegate->forget();
    forget();
}

}  // namespace VSTGUI
