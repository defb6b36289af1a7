// The two processes of an uninstallation: the request, which hands over to a copy of the
// program in the system folder, and that copy's dialog, whose first timer tick runs the removal.
#include <windows.h>

#include "entry/SetupContext.h"
#include "entry/Window.h"
#include "resource.h"
#include "setupfile/PathRules.h"
#include "uninstall/InstallRecord.h"
#include "uninstall/RestartDeletion.h"
#include "uninstall/Uninstall.h"

namespace {

constexpr UINT_PTR kStartTimer = 1;
// The removal begins once the dialog has been painted.
constexpr UINT kStartDelayMs = 300;

constexpr char kStartFailed[] = "アンインストールの起動に失敗しました。手動で削除してください。";

// Room for a path or the title and the longest text around it.
constexpr size_t kTextSize = kPathSize + 200;

bool Confirmed() {
    char text[kTextSize];
    FormatText(text, sizeof text, "%sを削除します。%s", SetupContext.title,
               SetupContext.resident
                   ? "まだ常駐している場合は、今すぐ終了させてからOKボタンを押してください。"
                   : "");
    return MessageBoxA(nullptr, text, SetupContext.title, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

// The program's copy in the system folder; false when it could not be put there. An older file
// of that name must not be started in its place.
bool CopyToSystemFolder(const char* systemFolder, char* copyPath, size_t size) {
    if (!CopyText(copyPath, size, systemFolder) || !AddTrailingBackslash(copyPath, size) ||
        !AppendText(copyPath, size, SetupContext.exeName)) {
        return false;
    }
    return lstrcmpiA(copyPath, SetupContext.modulePath) == 0 ||
           CopyFileA(SetupContext.modulePath, copyPath, FALSE);
}

void ShowOutcome(HWND dialog, bool removed) {
    char text[kTextSize];
    if (removed) {
        FormatText(text, sizeof text, "%sは正常に削除されました。", SetupContext.title);
    } else {
        FormatText(text, sizeof text,
                   "%s を削除できませんでした。ファイルが残っている可能性があります。",
                   SetupContext.installFolder);
    }
    SetDlgItemTextA(dialog, IDC_UNINSTALL_STATUS, text);
}

} // namespace

bool ComposeUninstallCommand(char* command, size_t size, const char* copyPath,
                             const char* installedPath) {
    return FormatText(command, size, "\"%s\" x %s", copyPath, installedPath);
}

void RequestUninstall() {
    if (!Confirmed()) {
        return;
    }
    char systemFolder[kPathSize];
    const UINT length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
    char copyPath[kPathSize];
    char command[2 * kPathSize + 8];
    if (length == 0 || length >= sizeof systemFolder ||
        !CopyToSystemFolder(systemFolder, copyPath, sizeof copyPath) ||
        !ComposeUninstallCommand(command, sizeof command, copyPath, SetupContext.modulePath)) {
        ShowError(nullptr, kStartFailed);
        return;
    }
    // The copy must not hold the installation folder as its current folder.
    SetCurrentDirectoryA(systemFolder);
    if (WinExec(command, SW_SHOWNORMAL) < 32) {
        ShowError(nullptr, kStartFailed);
    }
}

void StartUninstallRun() {
    CopyText(SetupContext.installFolder, kPathSize, SetupContext.programFolder);
    // A changed setup file does not name the product: its dialog bears the recorded title.
    const InstallRecord record = CheckInstallRecord();
    if (record.check == RecordCheck::Changed && IsPlainName(record.displayName)) {
        CopyText(SetupContext.title, kSettingSize, record.displayName);
    }
    DialogBoxParamA(SetupContext.instance, MAKEINTRESOURCEA(IDD_UNINSTALL), nullptr,
                    UninstallDialogProc, 0);
    char running[kPathSize];
    const DWORD length = GetModuleFileNameA(nullptr, running, sizeof running);
    if (length > 0 && length < sizeof running) {
        RemoveAtRestart(running);
    }
}

INT_PTR CALLBACK UninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        SetupContext.messageOwner = dialog;
        CenterWindow(dialog);
        SetTimer(dialog, kStartTimer, kStartDelayMs, nullptr);
        char caption[kTextSize];
        FormatText(caption, sizeof caption, "%sの削除", SetupContext.title);
        SetWindowTextA(dialog, caption);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 1);
        }
        return FALSE;
    case WM_TIMER:
        if (wParam == kStartTimer) {
            KillTimer(dialog, kStartTimer);
            SetForegroundWindow(dialog);
            ShowOutcome(dialog, RunUninstall());
            HWND close = GetDlgItem(dialog, IDCANCEL);
            EnableWindow(close, TRUE);
            SetFocus(close);
            SetForegroundWindow(dialog);
        }
        return FALSE;
    }
    return FALSE;
}
