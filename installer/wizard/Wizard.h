// The installation wizard: three pages over SetupContext in the platform's property sheet; the
// last, the copy page, is the copy steps' own (copy/CopySteps.h).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "base/Window.h"

// Clears a page record of the first (40-byte) layout and fills it for a template of ours: the
// default page whose title comes from the template.
void InitWizardPage(PROPSHEETPAGEA* page, int templateId, DLGPROC procedure);

class RunLog;

// Shows the folder, shortcut and copy pages modally, from the program's folder; the copy page
// writes its steps to log.
void RunWizard(RunLog& log);

INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ShortcutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Keeps the wizard on the page that handles the notification.
INT_PTR StayOnPage(HWND page);
