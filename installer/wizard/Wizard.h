// The installation wizard: three pages over SetupContext in the platform's property sheet.
#pragma once

#include <windows.h>

#include <commctrl.h>

// Clears a page record of the first (40-byte) layout and fills it for a template of ours: the
// default page whose title comes from the template.
void InitWizardPage(PROPSHEETPAGEA* page, int templateId, DLGPROC procedure);

// Shows the folder, shortcut and copy pages modally, from the program's folder.
void RunWizard();

INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ShortcutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Keeps the wizard on the page that handles the notification.
INT_PTR StayOnPage(HWND page);

// Posted to a page by KeepFrameCaption; the page answers with SetFrameCaption.
constexpr UINT kFrameCaptionMessage = WM_APP + 1;

// The frame's caption: the product's title and "のインストール".
void SetFrameCaption();

// On activation of a page: the sheet titles its frame with the page's own (empty) template
// caption after the page has been activated, so the caption is set again once that is done.
void KeepFrameCaption(HWND page);
