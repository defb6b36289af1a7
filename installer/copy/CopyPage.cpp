// The copy page: the installation itself, one step per trip through the page's message queue,
// so that the page repaints and the bar moves between files without a second thread. Finish
// starts the installed program.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

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
    SetDlgItemTextA(page, IDC_COPY_STATUS,
                    "インストールが完了しました。「完了」を押すと起動します。");
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

// Shows why a step failed; true when the user asks to try it again, which is offered where that
// can help: a file held by a running program.
bool AskToRetry(HWND page, StepOutcome outcome, const ErrorText& error) {
    if (outcome != StepOutcome::kInUse) {
        ShowError(page, error.text);
        return false;
    }
    char text[sizeof error.text + 128];
    FormatText(text, sizeof text,
               "%s\n\nそのファイルを使っているプログラムを終了してから「再試行」を"
               "押してください。「キャンセル」を押すとインストールを中止します。",
               error.text);
    return MessageBoxA(page, text, nullptr, MB_RETRYCANCEL | MB_ICONERROR) == IDRETRY;
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
    for (;;) {
        ErrorText error;
        const StepOutcome outcome = RunInstallStep(step, journal, error);
        if (outcome == StepOutcome::kDone) {
            break;
        }
        paused = true;
        const bool again = AskToRetry(page, outcome, error);
        paused = false;
        if (ended) {
            return; // cancelled while the message was open
        }
        if (!again) {
            ShowFailed(page, error);
            return;
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
