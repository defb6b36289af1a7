// The copy page: the installation itself, one step per trip through the page's message queue,
// so that the page repaints and the bar moves between files without a second thread. Finish
// starts the installed program.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "base/FileHolders.h"
#include "base/RunLog.h"
#include "base/SetupContext.h"
#include "base/Window.h"
#include "copy/CopySteps.h"
#include "copy/InstallJournal.h"
#include "resource.h"
#include "setupfile/Folders.h"
#include "setupfile/SetupFile.h"
#include "shortcuts/Shortcuts.h"

namespace {

constexpr UINT_PTR kStartTimer = 1;
// The first step waits until the page has been painted.
constexpr UINT kStartDelayMs = 300;
// The page's own command for the next step: a WM_COMMAND whose whole parameter is this.
constexpr WPARAM kNextStep = 1;

// The run of the page: its journal, and where it stands.
InstallJournal journal;
bool stepPosted = false; // a next-step command waits in the queue
bool paused = false;     // a question is open: no step runs under it
bool ended = false;      // finished, failed or cancelled: no step runs any more
bool failed = false;

void PostNextStep(HWND page) {
    stepPosted = true;
    PostMessageA(page, WM_COMMAND, kNextStep, 0);
}

void ShowFinished(HWND page) {
    ShowWindow(GetDlgItem(page, IDC_COPY_PROGRESS), SW_HIDE);
    if (journal.RestartNeeded()) {
        // Nothing is started: the program would run with files of both versions.
        SetDlgItemTextA(page, IDC_COPY_STATUS, "インストールが完了しました。再起動が必要です。");
        ShowWindow(GetDlgItem(page, IDC_RESTART_NOTE), SW_SHOW);
    } else {
        SetDlgItemTextA(page, IDC_COPY_STATUS,
                        "インストールが完了しました。「完了」を押すと起動します。");
    }
    // Add/Remove Programs exists only on the new shell.
    if (SetupContext.newShell) {
        ShowWindow(GetDlgItem(page, IDC_REMOVAL_HINT), SW_SHOW);
    }
    PropSheet_SetWizButtons(SetupContext.sheetWindow, PSWIZB_FINISH);
}

// Undoes the run, saying so on the page meanwhile: thousands of files take a moment.
bool UndoShown(HWND page) {
    SetDlgItemTextA(page, IDC_COPY_STATUS, "インストール前の状態に戻しています...");
    UpdateWindow(page);
    HCURSOR before = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const bool undone = journal.RollBack();
    SetCursor(before);
    return undone;
}

// Undoes the run and says so, with what failed, where the finish text would be.
void ShowFailed(HWND page, const ErrorText& error) {
    const bool undone = UndoShown(page);
    ended = true;
    failed = true;
    ShowWindow(GetDlgItem(page, IDC_COPY_PROGRESS), SW_HIDE);
    SetDlgItemTextA(page, IDC_COPY_STATUS,
                    undone ? "インストールに失敗しました。インストール前の状態に戻しました。"
                           : "インストールに失敗しました。元に戻せなかったファイルがあります。");
    SetDlgItemTextA(page, IDC_REMOVAL_HINT, error.text);
    ShowWindow(GetDlgItem(page, IDC_REMOVAL_HINT), SW_SHOW);
    PropSheet_SetWizButtons(SetupContext.sheetWindow, PSWIZB_FINISH);
}

enum class Answer { kRetry, kDefer, kGiveUp };

// Shows why a step failed; what the user chose. Trying again is offered where that can help, a
// file held by a running program, naming the programs where the system can tell; for a product
// file also its replacement at the next start of Windows.
Answer AskToRetry(HWND page, StepOutcome outcome, const ErrorText& error, bool deferrable) {
    if (outcome != StepOutcome::kInUse) {
        ShowError(page, error.text);
        return Answer::kGiveUp;
    }
    char holders[256];
    char held[sizeof holders + 64] = "";
    if (NameFileHolders(SetupContext.entryTarget, holders, sizeof holders)) {
        FormatText(held, sizeof held, "\n\n使用中のプログラム: %s", holders);
    }
    char text[sizeof error.text + sizeof held + 320];
    FormatText(text, sizeof text,
               "%s%s\n\nそのファイルを使っているプログラムを終了してから「再試行」を押して"
               "ください。%s",
               error.text, held,
               deferrable ? "「無視」を押すと、このファイルはWindowsの次回起動時に置き換え、"
                            "ほかのファイルのインストールを続けます。「中止」を押すとインストール"
                            "を中止します。"
                          : "「キャンセル」を押すとインストールを中止します。");
    const int answer = MessageBoxA(
        page, text, nullptr, (deferrable ? MB_ABORTRETRYIGNORE : MB_RETRYCANCEL) | MB_ICONERROR);
    return answer == IDRETRY    ? Answer::kRetry
           : answer == IDIGNORE ? Answer::kDefer
                                : Answer::kGiveUp;
}

// Cancel while the steps run asks once; Yes undoes the installation. True when the wizard may
// close.
bool ConfirmCancel(HWND page) {
    if (ended) {
        return true;
    }
    if (SetupContext.copyStep == 0 && !journal.IsOpen() && !paused) {
        KillTimer(page, kStartTimer); // nothing was done yet
        ended = true;
        return true;
    }
    paused = true;
    const int answer =
        MessageBoxA(page,
                    "インストールを中止しますか？\n\n中止すると、ここまでにコピーした"
                    "ファイルは削除され、インストール前の状態に戻ります。",
                    SetupContext.title, MB_YESNO | MB_ICONQUESTION);
    paused = false;
    if (answer != IDYES) {
        if (!stepPosted) {
            PostNextStep(page);
        }
        return false;
    }
    UndoShown(page);
    ended = true;
    return true;
}

// Starts the installed main program, and opens the setup file's "Open" document, from the
// installation folder.
void Launch(HWND page) {
    if (journal.RestartNeeded()) {
        return; // the page said why
    }
    SetCurrentDirectoryA(SetupContext.installFolder);
    if (SetupContext.fileCount > 0) {
        LoadFileEntry(1);
        // In quotes: unquoted, a path with blanks such as C:\Program Files\Viewer\viewer.exe
        // would start C:\Program.exe first if there were such a file.
        char command[kPathSize + 2];
        if (SetupContext.entryTarget[0] != '\0' &&
            FormatText(command, sizeof command, "\"%s\"", SetupContext.entryTarget)) {
            WinExec(command, SW_SHOWNORMAL);
        }
    }
    char document[kPathSize];
    ReadSetupValue("Install", "Open", document, sizeof document);
    if (document[0] == '\0') {
        return;
    }
    // A relative name means the installed copy. Handed over with its full path, so that no
    // shell takes a file of that name beside the installer instead; an address, or a name
    // not found there, goes to the shell as written.
    char installed[kPathSize];
    if (FormatText(installed, sizeof installed, "%s%s", SetupContext.installFolder, document) &&
        GetFileAttributesA(installed) != INVALID_FILE_ATTRIBUTES) {
        CopyText(document, sizeof document, installed);
    }
    ShellExecuteA(page, "open", document, nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

void RunCopyStep() {
    stepPosted = false;
    const int step = SetupContext.copyStep;
    const int last = LastInstallStep();
    if (paused || ended || step > last) {
        return; // under a question, or a stray command after the end
    }
    HWND page = SetupContext.messageOwner;
    HWND bar = GetDlgItem(page, IDC_COPY_PROGRESS);
    if (step == 0) {
        SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, ProgressUpper(last)));
    }
    bool deferrable = true; // until the system refuses a replacement at restart
    for (;;) {
        ErrorText error;
        const StepOutcome outcome = RunInstallStep(step, journal, error);
        if (outcome == StepOutcome::kDone) {
            break;
        }
        NoteFailure(journal.Diagnostics(), outcome, error);
        paused = true;
        const Answer answer =
            AskToRetry(page, outcome, error, deferrable && CanDeferStep(step, outcome));
        paused = false;
        if (ended) {
            return; // cancelled while the message was open
        }
        if (answer == Answer::kGiveUp) {
            ShowFailed(page, error);
            return;
        }
        if (answer == Answer::kDefer) {
            if (DeferEntryFile(error, journal) == StepOutcome::kDone) {
                break;
            }
            journal.Diagnostics().Failure(error.code, "%s", error.text);
            ShowError(page, error.text);
            deferrable = false;
        }
    }
    SetupContext.copyStep = step + 1;
    SendMessageA(bar, PBM_SETPOS, ProgressPosition(SetupContext.copyStep, last), 0);
    if (SetupContext.copyStep > last) {
        journal.Commit();
        ended = true;
        ShowFinished(page);
    } else {
        PostNextStep(page);
    }
}

INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        // Every message of copying and of folder creation from now on belongs to this page.
        SetupContext.messageOwner = page;
        // The wizard hands the run's diagnostic log down in the page record.
        if (auto* log =
                reinterpret_cast<RunLog*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam)) {
            journal.Attach(*log);
        }
        return TRUE;
    case kFrameCaptionMessage:
        SetFrameCaption();
        return TRUE;
    case WM_TIMER:
        if (wParam == kStartTimer) {
            KillTimer(page, kStartTimer);
            PostNextStep(page);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        if (wParam == kNextStep) {
            RunCopyStep();
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY:
        switch (reinterpret_cast<NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            // No way back and none forward while the steps run; Cancel stays.
            PropSheet_SetWizButtons(SetupContext.sheetWindow, 0);
            KeepFrameCaption(page);
            if (SetupContext.copyStep == 0) {
                SetTimer(page, kStartTimer, kStartDelayMs, nullptr);
            }
            return FALSE;
        case PSN_WIZFINISH:
            // Nothing is started after a failed installation: it was undone.
            if (!failed) {
                Launch(page);
            }
            return FALSE;
        case PSN_QUERYCANCEL:
            SetWindowLongPtrA(page, DWLP_MSGRESULT, ConfirmCancel(page) ? FALSE : TRUE);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
