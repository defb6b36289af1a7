// The main dialog's option buttons and the option words they show (run/RunOptions.h).
#pragma once

#include <windows.h>

#include "run/RunOptions.h"

constexpr size_t kFolderSize = 1024;

// The Favorites folder and the option words, as the dialog's controls show them.
struct CheckerOptions {
    char favoritesFolder[kFolderSize];
    DWORD vanishedOptions;
    DWORD updateOptions;
    DWORD updateMoved; // 1: favorites whose page moved for good get the new address
};

// Reads field 1001, the seven buttons of the dialog and the moved-favorites check box; both
// words are replaced completely.
void ReadOptionControls(HWND dialog, CheckerOptions& options);
// Shows the folder and the words in the controls; 1014 and 1015 are enabled exactly when the
// "no update check" field is 0.
void ShowOptionControls(HWND dialog, const CheckerOptions& options);
// Enables or disables every control a running check must keep still, and the Close entry of
// the system menu of mainWindow (the title bar's close box follows it).
void EnableOptionControls(HWND dialog, HWND mainWindow, bool enable);
