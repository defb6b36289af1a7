// Window helpers shared by the wizard pages and the uninstall dialog.
#include "base/Window.h"

#include "base/SetupContext.h"

void CenterWindow(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return;
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowError(HWND owner, const char* text) {
    if (SetupContext.quiet) {
        return; // unattended: the exit code tells
    }
    MessageBoxA(owner, text, nullptr, MB_OK | MB_ICONERROR);
}

void SetFrameCaption() {
    char caption[kSettingSize + 16];
    FormatText(caption, sizeof caption, "%sのインストール", SetupContext.title);
    SetWindowTextA(SetupContext.sheetWindow, caption);
}

void KeepFrameCaption(HWND page) {
    PostMessageA(page, kFrameCaptionMessage, 0, 0);
}
