// The installer's one process-wide record: paths from the program's own name, the settings of
// the setup file, the entry loaded last, the wizard's windows and choices. Every page, the copy
// steps and the uninstaller work on it; the program has one thread, so it needs no locking.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/Text.h"

// Size of the "Title" and "Folder" settings: at most 99 characters.
constexpr size_t kSettingSize = 100;

struct SetupContextData {
    HINSTANCE instance;
    bool newShell;                 // major Windows version 4 or later: shell links, not groups
    char modulePath[kPathSize];    // the running program file
    char programFolder[kPathSize]; // its folder (in "x" mode the given path's), with backslash
    char exeName[kPathSize];       // file name of the program (or of the given path)
    char setupFileName[kPathSize]; // exeName with its last three characters made "INF"
    char setupFilePath[kPathSize]; // programFolder + setupFileName
    char title[kSettingSize];      // [Install] Title
    char folderName[kSettingSize]; // [Install] Folder
    bool resident;                 // [Install] TSR begins with "1"
    // Where the product goes (in "x" mode: is removed from), with its backslash once checked.
    // Written by ReadSettings (the default, or an earlier installation's folder); then by the
    // /d= folder in RunInstallation (main/WinMain.cpp) alone; by the folder page and the
    // unattended installation through RefuseInstallFolder, which checks it and adds the
    // backslash; in "x" mode by StartUninstallRun, as the installed program's folder.
    char installFolder[kPathSize];
    int fileCount;               // numbered [Install] entries
    int groupCount;              // numbered [Group] entries
    char entryName[kPathSize];   // source file or shortcut name of the entry loaded last
    char entryTarget[kPathSize]; // installFolder + the entry's relative part
    size_t entryRelative;        // offset in entryTarget where the relative part begins
    HWND messageOwner;           // owner of folder, copy and uninstall messages
    HWND sheetWindow;            // the wizard's frame
    bool startMenuChosen;
    bool desktopChosen;
    int copyStep;
    bool quiet;                  // /s: no window and no question; outcomes as exit codes
    char givenFolder[kPathSize]; // /d=PATH, else empty
    bool logAsked;               // /LOG or /LOG=PATH: a diagnostic log of the run
    char givenLog[kPathSize];    // /LOG=PATH, else empty (a new file in the temporary folder)
    char badSwitch[64];          // a switch refused at start-up
    const char* heldProgram;     // the installed program, while a waiting request runs it
    // The user chose to install an older version over a newer one: files of a higher version
    // are replaced too, as that version's files.
    bool downgrade;
};

extern SetupContextData SetupContext;

// Restores every field to empty, zero or false.
void ResetSetupContext();
