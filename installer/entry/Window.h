// Window helpers shared by the wizard pages and the uninstall dialog.
#pragma once

#include <windows.h>

// Moves the window to the middle of the screen, keeping its size, Z order and activation.
void CenterWindow(HWND window);

// The installer's error box: the system's default caption and the error icon.
void ShowError(HWND owner, const char* text);
