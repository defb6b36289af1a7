// The shortcut page: where the installed program gets its shortcuts.
#include <windows.h>

#include <commctrl.h>

#include "base/SetupContext.h"
#include "resource.h"
#include "wizard/Wizard.h"

INT_PTR CALLBACK ShortcutPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        CheckDlgButton(page, IDC_START_MENU, BST_CHECKED);
        // Program Manager has no desktop to put a shortcut on.
        if (!SetupContext.newShell) {
            EnableWindow(GetDlgItem(page, IDC_DESKTOP), FALSE);
        }
        return TRUE;
    case kFrameCaptionMessage:
        SetFrameCaption();
        return TRUE;
    case WM_NOTIFY:
        switch (reinterpret_cast<NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            PropSheet_SetWizButtons(SetupContext.sheetWindow, PSWIZB_NEXT);
            KeepFrameCaption(page);
            return FALSE;
        case PSN_WIZNEXT:
            SetupContext.startMenuChosen = IsDlgButtonChecked(page, IDC_START_MENU) == BST_CHECKED;
            SetupContext.desktopChosen = IsDlgButtonChecked(page, IDC_DESKTOP) == BST_CHECKED;
            return FALSE;
        }
        return FALSE;
    }
    return FALSE;
}
