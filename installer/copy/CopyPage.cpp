// The copy page: the installation itself, one step per trip through the page's message queue,
// so that the page repaints and the bar moves between files without a second thread. Finish
// starts the installed program.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "copy/CopySteps.h"
#include "entry/SetupContext.h"
#include "entry/Window.h"
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

// Steps are numbered 0 to fileCount + 3: the folder, the program, its setup file, each product
// file, then shortcuts and registration.
int LastStep() {
    return SetupContext.fileCount + 3;
}

// Makes the links of one place; a group folder that cannot be made is shown.
void MakeShortcuts(HWND page, ShortcutPlace place) {
    ErrorText error;
    if (!UpdateShortcuts(place, ShortcutUpdate::Create, &error)) {
        ShowError(page, error.text);
    }
}

void MakeShortcuts(HWND page) {
    if (SetupContext.resident) {
        // A resident product starts with Windows, whatever the shortcut page would have said.
        MakeShortcuts(page, ShortcutPlace::Startup);
        return;
    }
    if (SetupContext.startMenuChosen) {
        MakeShortcuts(page, ShortcutPlace::Programs);
    }
    if (SetupContext.desktopChosen) {
        MakeShortcuts(page, ShortcutPlace::Desktop);
    }
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
    const int step = SetupContext.copyStep;
    const int last = LastStep();
    if (step > last) {
        return; // a stray command after the last step
    }
    HWND page = SetupContext.messageOwner;
    HWND bar = GetDlgItem(page, IDC_COPY_PROGRESS);
    ErrorText error;
    if (step == 0) {
        SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, ProgressUpper(last)));
        // A folder that cannot be made shows why; each copy then shows its own failure.
        if (!EnsureFolderPath(SetupContext.installFolder, error)) {
            ShowError(page, error.text);
        }
    } else if (step < last) {
        // Step 1 is the program itself (entry -1), step 2 its setup file (entry 0).
        LoadFileEntry(step - 2);
        if (!CopyEntryFile(error)) {
            ShowError(page, error.text);
        }
    } else {
        MakeShortcuts(page);
        RegisterUninstall();
    }
    SetupContext.copyStep = step + 1;
    SendMessageA(bar, PBM_SETPOS, ProgressPosition(SetupContext.copyStep, last), 0);
    if (SetupContext.copyStep > last) {
        ShowFinished(page);
    } else {
        PostMessageA(page, WM_COMMAND, kNextStep, 0);
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
            PostMessageA(page, WM_COMMAND, kNextStep, 0);
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
            Launch(page);
            return FALSE;
        }
        return FALSE;
    }
    return FALSE;
}
