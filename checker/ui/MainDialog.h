// The main window: one modal dialog that is the whole user interface. It holds the options, the
// Favorites folder and the log, and is the view of the check run (run/CheckRun.h) that its start
// button starts; the run pumps this thread's messages while it works.
#pragma once

#include <windows.h>

#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/PaintHold.h"
#include "run/CheckRun.h"
#include "ui/Options.h"

// Appends the separator and the version entry (string 101, command 0x0010) to the window's
// system menu; nothing when the window has no system menu or the string is empty.
void AddVersionEntry(HWND window, HINSTANCE instance);

class MainDialog : public Dialog, private RunView {
public:
    explicit MainDialog(HWND parent = nullptr);

    DWORD updateOptions = 0;
    DWORD vanishedOptions = 0;
    DWORD updateMoved = 0; // off unless chosen: it changes the user's files
    char favoritesFolder[kFolderSize] = "";
    KernelHandle instanceMutex;
    DWORD probesAtOnce = kDefaultProbesAtOnce; // how many favorites a run probes at once
    HICON appIcon = nullptr;

protected:
    const CommandEntry* CommandMap() const override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    bool OnSysCommand(UINT command, LPARAM param) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override;

private:
    // Options and controls.
    void ControlsToOptions();
    void OptionsToControls();
    void EnableControls(bool enable);
    void OnNoUpdateCheck();
    // Settings.
    void LoadCheckerSettings();
    void SaveCheckerSettings();
    // Folder selection.
    void OnBrowse();
    void DetectFavoritesFolder();
    // Log.
    void SaveLog();
    void ClearLog();
    void Log(const char* line) override;
    int LogCount() override;
    void InsertLog(int at, const char* line) override;
    // The check run.
    void OnCheckButton();
    void RunCheck();
    void AskToStop();
    void ForceTermination();
    // What the run shows, in this window's controls.
    void ShowLastLogLine() override;
    void ShowStatus(const char* text) override;
    void SetProgressRange(int last) override;
    void SetProgress(int position) override;
    HWND StatusLine() override;
    HWND Owner() override { return Window(); }
    PaintHold& Painting() override { return runPainting_; }

    // The log, the status line and the progress bar of a run, painted at most every
    // PaintHold::kDelayMs while favorites go by quickly.
    PaintHold runPainting_;
};
