// The desktop's file dialog for choosing where to save. It runs beside the window, which stays
// live, and tells its delegate kSelectEndMessage when the user is done. On Linux the dialog is
// kdialog when installed, else zenity; with neither, create() makes no selector.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vstgui/cbaseobject.h"

namespace VSTGUI {

class CFrame;
class ChildProcess;

class CFileExtension {
public:
    CFileExtension(UTF8StringPtr description, UTF8StringPtr extension, UTF8StringPtr mimeType = nullptr,
                   int32 macType = 0, UTF8StringPtr uti = nullptr);

    const std::string& getDescription() const { return description; }
    const std::string& getExtension() const { return extension; }
    const std::string& getMimeType() const { return mimeType; }
    int32 getMacType() const { return macType; }
    const std::string& getUTI() const { return uti; }

private:
    std::string description;
    std::string extension;
    std::string mimeType;
    int32 macType;
    std::string uti;
};

class CNewFileSelector : public CBaseObject {
public:
    enum Style : int32 { kSelectFile = 0, kSelectSaveFile, kSelectDirectory };

    static IdStringPtr kSelectEndMessage;

    // Null when no dialog program is installed, or for a style other than kSelectSaveFile.
    static CNewFileSelector* create(CFrame* parent = nullptr, Style style = kSelectSaveFile);
    // What to tell the user when create() made nothing: which package to install.
    static UTF8StringPtr getMissingProgramTitle();
    static UTF8StringPtr getMissingProgramText();

    ~CNewFileSelector() override;

    void setTitle(UTF8StringPtr title);
    void setDefaultExtension(const CFileExtension& extension);
    Style getStyle() const { return style; }

    // Opens the dialog and returns at once; the selector keeps itself alive until the dialog ends,
    // then notifies delegate. False when the dialog could not be opened.
    bool run(CBaseObject* delegate);
    // Opens the dialog and pumps the run loop until it ends; true when a file was chosen.
    bool runModal();
    // Closes a dialog that is still open and lets go of its delegate without telling it: for a
    // delegate that is going away before the user has answered.
    void cancel();

    uint32 getNumSelectedFiles() const { return static_cast<uint32>(selectedFiles.size()); }
    UTF8StringPtr getSelectedFile(uint32 index) const;

private:
    CNewFileSelector(CFrame* parent, Style style, std::string program);
    bool start();
    void finished(int exitCode, const std::string& output);

    CFrame* parent;
    Style style;
    std::string program;
    std::string title;
    std::unique_ptr<CFileExtension> defaultExtension;
    std::unique_ptr<ChildProcess> process;
    CBaseObject* delegate = nullptr;
    bool done = false;
    std::vector<std::string> selectedFiles;
};

}  // namespace VSTGUI
