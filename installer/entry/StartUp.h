// How the installer reads its own name and command line: the paths of SetupContext and the mode.
#pragma once

#include "entry/Text.h"

enum class StartMode {
    Wizard,           // no argument, or one that names no uninstall mode
    UninstallRequest, // "r" or "R": confirm, then hand over to a copy in the system folder
    UninstallRun,     // "x" and the installed program's path: the removal itself
    BadTarget,        // "x" without a usable program path
    BadSwitch,        // a switch this program does not know: refused, never taken as a mode
};

// Exit codes. The wizard always ends with 1; the unattended modes (/s) with one of these, so
// that a script can tell what happened.
enum ExitCode {
    kExitDone = 0,         // installed, or removed (files the user made may stay)
    kExitWizard = 1,       // the wizard or the uninstall dialog ran
    kExitBadSwitch = 2,    // an unknown switch, or one without its value
    kExitBadSetupFile = 3, // the setup file is missing or damaged
    kExitBadFolder = 4,    // the installation folder given cannot be installed into
    kExitCopyFailed = 5,   // a file could not be copied, or a folder made: undone
    kExitInUse = 6,        // a file to replace is held by a running program: undone
    kExitLinkFailed = 7,   // the shortcuts could not be made: undone
    kExitLeftBehind = 8,   // the uninstallation could not remove everything of the product
    kExitNotStarted = 9,   // the uninstallation's copy in the system folder did not start
};

// The paths that the start-up takes from the command line and the program's own path.
struct StartPaths {
    char programFolder[kPathSize]; // with its trailing backslash
    char exeName[kPathSize];
    char setupFileName[kPathSize]; // exeName with its last three characters made "INF"
    char setupFilePath[kPathSize]; // programFolder + setupFileName
    bool quiet;                    // /s: no window, no question, an exit code
    char folder[kPathSize];        // /d=PATH: the installation folder asked for, else empty
    char badSwitch[64];            // for BadSwitch: the switch as given (cut when longer)
};

// The mode that the command line (program name already removed) names, and the paths of the
// program it is about: the running one at modulePath, or in "x" mode the one the line names.
// The line holds switches separated by blanks: /s (also /S, /silent, /q, /quiet), /r (also r,
// /R, R) for the uninstallation, /d=PATH (quoted, or unquoted to the line's end), and last
// "x PATH" (or "/x PATH"), which takes the rest of the line as the installed program's path.
// Nothing is filled for BadTarget; only badSwitch for BadSwitch. No windows.h: the command
// line is outside input.
StartMode ResolveStartPaths(const char* commandLine, const char* modulePath, StartPaths& paths);

// Fills programFolder, exeName, setupFileName and setupFilePath of SetupContext from the command
// line (program name already removed) and SetupContext.modulePath, and names the mode. Nothing
// is filled for BadTarget.
StartMode ResolveStart(const char* commandLine);

// True when the packed version of GetVersion names a shell with links (major version 4 or later).
bool IsNewShell(unsigned long packedVersion);
