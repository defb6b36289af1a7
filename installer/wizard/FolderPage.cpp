// The folder page: the installation folder is confirmed, typed or browsed for, and checked
// before the wizard moves on.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstring>

#include "base/SetupContext.h"
#include "base/Window.h"
#include "resource.h"
#include "setupfile/Folders.h"
#include "wizard/FreeSpace.h"
#include "wizard/Wizard.h"

namespace {

// Below this many tenths of a byte free (about 100 MB) the user is asked before installing.
constexpr uint32_t kLowSpaceTenths = 10485760;

// Index of the copy page, where a resident product goes straight from the folder page.
constexpr int kCopyPageIndex = 2;

void OnInitPage(HWND page) {
    SetupContext.sheetWindow = GetParent(page);
    CenterWindow(SetupContext.sheetWindow);
    SendDlgItemMessageA(page, IDC_FOLDER_EDIT, EM_LIMITTEXT, kPathSize - 1, 0);

    char text[kSettingSize + 64];
    FormatText(text, sizeof text, "%sのインストール先フォルダを指定してください",
               SetupContext.title);
    SetDlgItemTextA(page, IDC_FOLDER_PROMPT, text);
    SetFrameCaption();
}

// Makes the folder exist, as a check that it can be made, and takes away again every level that
// was new: the copy makes them for real, and a wizard cancelled later leaves nothing behind.
bool TryFolder(HWND page) {
    ErrorText error;
    if (!TryFolderPath(SetupContext.installFolder, error)) {
        ShowError(page, error.text);
        return false;
    }
    return true;
}

bool EnoughSpaceOrAccepted(HWND page) {
    const uint32_t tenths = FreeSpaceTenths();
    if (tenths >= kLowSpaceTenths) {
        return true;
    }
    char question[256];
    FormatText(question, sizeof question,
               "指定されたドライブの残り容量が %uメガバイトしかありません。"
               "とりあえずインストールしてみますか？",
               static_cast<unsigned>(tenths / 102 / 1024));
    return MessageBoxA(page, question, SetupContext.title, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The checks of Next, in order; false keeps the user on the page with the field as typed.
bool AcceptFolder(HWND page) {
    char* folder = SetupContext.installFolder;
    GetDlgItemTextA(page, IDC_FOLDER_EDIT, folder, kPathSize);
    if (const char* refusal = RefuseInstallFolder(folder, kPathSize)) {
        ShowError(page, refusal);
        return false;
    }
    return TryFolder(page) && EnoughSpaceOrAccepted(page);
}

void OnBrowse(HWND page) {
    // The dialog opens at the root of the Windows drive.
    char start[kPathSize];
    const UINT length = GetWindowsDirectoryA(start, sizeof start);
    if (length >= 3 && length < sizeof start) {
        start[3] = '\0';
        SetCurrentDirectoryA(start);
    }

    char file[kPathSize] = "dummy";
    OPENFILENAMEA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = page;
    dialog.hInstance = SetupContext.instance;
    dialog.lpstrFilter = "*.*\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpTemplateName = MAKEINTRESOURCEA(IDD_BROWSE);
    dialog.Flags = OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
    if (GetSaveFileNameA(&dialog) && dialog.nFileOffset > 0 && dialog.nFileOffset < sizeof file) {
        file[dialog.nFileOffset] = '\0'; // drops "dummy", keeps the folder's backslash
        SetDlgItemTextA(page, IDC_FOLDER_EDIT, file);
    }
    SetCurrentDirectoryA(SetupContext.programFolder);
}

} // namespace

INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitPage(page);
        return TRUE;
    case kFrameCaptionMessage:
        SetFrameCaption();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_BROWSE) {
            OnBrowse(page);
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY:
        switch (reinterpret_cast<NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            PropSheet_SetWizButtons(SetupContext.sheetWindow, PSWIZB_NEXT);
            SetDlgItemTextA(page, IDC_FOLDER_EDIT, SetupContext.installFolder);
            KeepFrameCaption(page);
            return FALSE;
        case PSN_WIZNEXT:
            if (!AcceptFolder(page)) {
                return StayOnPage(page);
            }
            if (SetupContext.resident) {
                // A resident product gets only a start-up shortcut: no choices to offer.
                PropSheet_SetCurSel(SetupContext.sheetWindow, nullptr, kCopyPageIndex);
                return StayOnPage(page);
            }
            return FALSE;
        }
        return FALSE;
    }
    return FALSE;
}
