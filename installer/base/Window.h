// Window helpers shared by the wizard pages and the uninstall dialog.
#pragma once

#include <windows.h>

// Moves the window to the middle of the screen, keeping its size, Z order and activation.
void CenterWindow(HWND window);

// The installer's error box: the system's default caption and the error icon. None when
// unattended.
void ShowError(HWND owner, const char* text);

// Posted to a wizard page by KeepFrameCaption; the page answers with SetFrameCaption.
constexpr UINT kFrameCaptionMessage = WM_APP + 1;

// The wizard frame's caption: the product's title and "のインストール".
void SetFrameCaption();

// On activation of a wizard page: the sheet titles its frame with the page's own (empty)
// template caption after the page has been activated, so the caption is set again once that is
// done.
void KeepFrameCaption(HWND page);
