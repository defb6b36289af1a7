// The copy page: the installation itself, one step at a time.
#include <windows.h>

#include <commctrl.h>

#include "entry/SetupContext.h"
#include "wizard/Wizard.h"

INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        // Every message of copying and of folder creation from now on belongs to this page.
        SetupContext.messageOwner = page;
        return TRUE;
    case kFrameCaptionMessage:
        SetFrameCaption();
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == PSN_SETACTIVE) {
            KeepFrameCaption(page);
        }
        return FALSE;
    }
    return FALSE;
}
