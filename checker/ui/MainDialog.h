// The main window: one modal dialog that is the whole user interface. It holds the options, the
// Favorites folder and the log, and runs the check itself (a check run is the handler of the
// start button and pumps this thread's messages while it works).
#pragma once

#include <windows.h>

#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/PaintHold.h"
#include "ui/Options.h"

#include <cstdio>
#include <functional>

class ReportPage;
struct CheckTally;
struct FavoriteAhead;

// Appends the separator and the version entry (string 101, command 0x0010) to the window's
// system menu; nothing when the window has no system menu or the string is empty.
void AddVersionEntry(HWND window, HINSTANCE instance);

class MainDialog : public Dialog {
public:
    explicit MainDialog(HWND parent = nullptr);

    DWORD updateOptions = 0;
    DWORD vanishedOptions = 0;
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
    void Log(const char* line);
    void ShowLastLogLine();
    // The check run.
    void OnCheckButton();
    void RunCheck();
    void AskToStop();
    void ForceTermination();
    // probeAhead starts the probes of the favorites ahead as far as allowed.
    void CheckUrl(FavoriteAhead& favorite, CheckTally& tally,
                  const std::function<void()>& probeAhead);
    void HandleVanished(const char* shortcut, const char* url, const char* relativeName,
                        const char* caption, const char* moved, const char* reason, bool sure,
                        CheckTally& tally);
    // Lists a favorite that would have been recycled had the answer been sure, saying why not.
    void ListUnsure(const char* url, const char* relativeName, const char* moved,
                    const char* reason, CheckTally& tally);
    void SettleUnsureNames(CheckTally& tally);
    void OpenInBrowser(const char* url);

    // The log, the status line and the progress bar of a run, painted at most every
    // PaintHold::kDelayMs while favorites go by quickly.
    PaintHold runPainting_;
};
