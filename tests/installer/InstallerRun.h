// A copy of the installer in a scratch folder with its setup file, started and driven as a user
// would: through its wizard's windows, from another process.
#pragma once

#include <windows.h>

#include <string>

#include "ScratchFolder.h"
#include "WinDriver.h"

// The sample product's title: "表" ends in the byte 0x5C, in link names, the group folder, DDE
// commands, captions and texts.
constexpr char kTitle[] = "サンプル表";
// How Wine captions a message box that has no caption of its own.
constexpr char kDefaultCaption[] = "エラー";

// Wizard page ids as the templates name them.
constexpr int kFolderPage = 100;
constexpr int kCopyPage = 103;
constexpr int kShortcutPage = 107;

using driver::ReportedVersion;

class InstallerRun {
public:
    // Copies program (a host path) into folder as name + ".EXE".
    InstallerRun(const driver::ScratchFolder& folder, const char* program,
                 const std::string& name = "SETUP");

    void WriteSetupFile(const std::string& contents);
    const std::string& ExePath() const { return exePath_; }

    bool Start(const std::string& arguments = "");
    // Why the last Start failed.
    const std::string& Problem() const { return process_.Problem(); }
    driver::Process& Process() { return process_; }
    DWORD Pid() const { return process_.Id(); }

    // The wizard's frame, once it shows; nullptr when none came.
    HWND WaitForWizard(DWORD timeoutMs = 15000);
    HWND Frame() const { return frame_; }
    HWND Page() const;
    // Id of the page shown now (kFolderPage, ...), 0 when none is known.
    int PageId() const;
    bool WaitForPage(int id, DWORD timeoutMs = 5000) const;

    void TypeFolder(const std::string& folder) const;
    std::string Folder() const;
    // Sets a check box of the page shown now.
    void SetChecked(int id, bool checked) const;
    void PressNext() const;
    // Waits until the frame offers Finish, as it does once the copy page is done.
    bool WaitForFinish(DWORD timeoutMs = 15000) const;
    // Presses Finish and waits for the program's end; its exit code, 0 when it did not end.
    DWORD Finish();
    // Cancels the wizard and waits for the program's end; its exit code.
    DWORD Cancel();

private:
    std::string exePath_;
    std::string setupPath_;
    driver::Process process_;
    HWND frame_ = nullptr;
};
