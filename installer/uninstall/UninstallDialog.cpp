// The two processes of an uninstallation: the request, which hands over to a copy of the
// program in the system folder, and that copy's dialog, whose first timer tick runs the removal.
#include <windows.h>

#include <cstdlib>

#include "base/ExitCodes.h"
#include "base/Handles.h"
#include "base/RestartRenames.h"
#include "base/RunLog.h"
#include "base/SetupContext.h"
#include "base/Window.h"
#include "copy/InstallRecord.h"
#include "resource.h"
#include "setupfile/PathRules.h"
#include "uninstall/Uninstall.h"

namespace {

constexpr UINT_PTR kStartTimer = 1;

// The run's diagnostic log, handed to the dialog at its creation.
RunLog* dialogLog = nullptr;
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
                             const char* installedPath, bool quiet, const char* logPath) {
    char log[kPathSize + 16] = "";
    if (logPath && logPath[0] != '\0' && !FormatText(log, sizeof log, "/LOG=\"%s\" ", logPath)) {
        return false;
    }
    return FormatText(command, size, "\"%s\" %s%sx %s", copyPath, quiet ? "/s " : "", log,
                      installedPath);
}

namespace {

// The unattended request is the installed program itself, which a script waits for: it cannot
// end before the outcome is known, and its own file cannot go while it runs. So it hands the
// copy two inherited handles, named in the environment: a pipe for the outcome, and itself. The
// copy removes everything but that file, writes the outcome, waits for the request to end, and
// then removes the file and its folder.
constexpr char kHandOff[] = "TOVAMERE_HANDOFF";

int RunQuietCopy(char* command, const char* systemFolder) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) {
        return kExitNotStarted;
    }
    KernelHandle outcomeRead(readEnd);
    KernelHandle outcomeWrite(writeEnd);
    HANDLE duplicate = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &duplicate,
                         SYNCHRONIZE, TRUE, 0)) {
        return kExitNotStarted;
    }
    KernelHandle self(duplicate);
    char handOff[64];
    FormatText(handOff, sizeof handOff, "%lu,%lu",
               static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(self.Get())),
               static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(outcomeWrite.Get())));
    SetEnvironmentVariableA(kHandOff, handOff);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    const bool started = CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr,
                                        systemFolder, &startup, &process) != FALSE;
    SetEnvironmentVariableA(kHandOff, nullptr);
    outcomeWrite.Reset(); // only the copy's stays: the read ends when it is closed
    self.Reset();
    if (!started) {
        return kExitNotStarted;
    }
    const KernelHandle copy(process.hProcess);
    const KernelHandle copyThread(process.hThread); // never waited on
    DWORD code = 0;
    DWORD got = 0;
    const bool told =
        ReadFile(outcomeRead.Get(), &code, sizeof code, &got, nullptr) && got == sizeof code;
    outcomeRead.Reset();
    if (!told) {
        // The copy ended without a word: its exit code says why.
        WaitForSingleObject(copy.Get(), INFINITE);
        code = kExitNotStarted;
        GetExitCodeProcess(copy.Get(), &code);
    }
    return static_cast<int>(code);
}

// In the copy: the request's handles, when an unattended request waits for it.
bool TakeHandOff(KernelHandle& request, KernelHandle& outcome) {
    char text[64];
    const DWORD length = GetEnvironmentVariableA(kHandOff, text, sizeof text);
    if (length == 0 || length >= sizeof text) {
        return false;
    }
    char* comma = nullptr;
    const unsigned long first = strtoul(text, &comma, 10);
    if (!comma || *comma != ',') {
        return false;
    }
    request.Reset(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(first)));
    outcome.Reset(
        reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(strtoul(comma + 1, nullptr, 10))));
    return true;
}

// The removal for an unattended request that waits, with the request's handles: everything but
// the installed program, which runs as the request, then the outcome to the request, and once
// the request has ended the program and its folder. Returns the exit code.
int RemoveHandedOver(KernelHandle& request, KernelHandle& outcome, RunLog& log) {
    char program[kPathSize];
    FormatText(program, sizeof program, "%s%s", SetupContext.installFolder, SetupContext.exeName);
    SetupContext.heldProgram = program;
    const int code = RunUninstall(log) ? kExitDone : kExitLeftBehind;
    SetupContext.heldProgram = nullptr;
    DWORD written = 0;
    const DWORD told = static_cast<DWORD>(code);
    WriteFile(outcome.Get(), &told, sizeof told, &written, nullptr);
    outcome.Reset();
    WaitForSingleObject(request.Get(), 30000);
    request.Reset();
    if (DeleteFileA(program)) {
        log.Note("削除: %s", program);
    } else {
        log.Failure(GetLastError(), "%s を削除できません。", program);
    }
    RemoveFolderIfEmpty(SetupContext.installFolder);
    return code;
}

} // namespace

int RequestUninstall(RunLog& log) {
    if (!SetupContext.quiet && !Confirmed()) {
        log.Note("アンインストールは取りやめになりました。");
        return kExitWizard;
    }
    char systemFolder[kPathSize];
    const UINT length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
    char copyPath[kPathSize];
    char command[2 * kPathSize + 8];
    if (length == 0 || length >= sizeof systemFolder ||
        !CopyToSystemFolder(systemFolder, copyPath, sizeof copyPath) ||
        !ComposeUninstallCommand(command, sizeof command, copyPath, SetupContext.modulePath,
                                 SetupContext.quiet, log.Path())) {
        log.Failure(GetLastError(), "%s", kStartFailed);
        ShowError(nullptr, kStartFailed);
        return SetupContext.quiet ? kExitNotStarted : kExitWizard;
    }
    // The copy must not hold the installation folder as its current folder, and appends to the
    // same log, which it can open only once this process has let it go.
    SetCurrentDirectoryA(systemFolder);
    log.Note("削除を %s に引き継ぎます: %s", copyPath, command);
    log.Close();
    if (SetupContext.quiet) {
        return RunQuietCopy(command, systemFolder);
    }
    if (WinExec(command, SW_SHOWNORMAL) < 32) {
        ShowError(nullptr, kStartFailed);
    }
    return kExitWizard;
}

int StartUninstallRun(RunLog& log) {
    CopyText(SetupContext.installFolder, kPathSize, SetupContext.programFolder);
    // A changed setup file does not name the product: its dialog bears the recorded title.
    const InstallRecord record = CheckInstallRecord();
    if (record.check == RecordCheck::kChanged && IsPlainName(record.displayName)) {
        CopyText(SetupContext.title, kSettingSize, record.displayName);
    }
    int code = kExitWizard;
    KernelHandle request;
    KernelHandle outcome;
    if (SetupContext.quiet && TakeHandOff(request, outcome)) {
        code = RemoveHandedOver(request, outcome, log);
    } else if (SetupContext.quiet) {
        code = RunUninstall(log) ? kExitDone : kExitLeftBehind;
    } else {
        DialogBoxParamA(SetupContext.instance, MAKEINTRESOURCEA(IDD_UNINSTALL), nullptr,
                        UninstallDialogProc, reinterpret_cast<LPARAM>(&log));
    }
    char running[kPathSize];
    const DWORD length = GetModuleFileNameA(nullptr, running, sizeof running);
    if (length > 0 && length < sizeof running) {
        RemoveAtRestart(running);
        log.Note("Windowsの次回起動時に削除: %s", running);
    }
    return code;
}

INT_PTR CALLBACK UninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        dialogLog = reinterpret_cast<RunLog*>(lParam);
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
            RunLog closed;
            ShowOutcome(dialog, RunUninstall(dialogLog ? *dialogLog : closed));
            HWND close = GetDlgItem(dialog, IDCANCEL);
            EnableWindow(close, TRUE);
            SetFocus(close);
            SetForegroundWindow(dialog);
        }
        return FALSE;
    }
    return FALSE;
}
