// How the installer reads its own name and command line: the paths of SetupContext and the mode.
#pragma once

#include "base/Text.h"

enum class StartMode {
    kWizard,           // no argument, or one that names no uninstall mode
    kUninstallRequest, // "r" or "R": confirm, then hand over to a copy in the system folder
    kUninstallRun,     // "x" and the installed program's path: the removal itself
    kBadTarget,        // "x" without a usable program path
    kBadSwitch,        // a switch this program does not know: refused, never taken as a mode
};

// The paths that the start-up takes from the command line and the program's own path.
struct StartPaths {
    char programFolder[kPathSize]; // with its trailing backslash
    char exeName[kPathSize];
    char setupFileName[kPathSize]; // exeName with its last three characters made "INF"
    char setupFilePath[kPathSize]; // programFolder + setupFileName
    bool quiet;                    // /s: no window, no question, an exit code
    char folder[kPathSize];        // /d=PATH: the installation folder asked for, else empty
    bool logAsked;                 // /LOG or /LOG=PATH: a diagnostic log
    char log[kPathSize];           // /LOG=PATH: its path; empty for /LOG alone
    char badSwitch[64];            // for kBadSwitch: the switch as given (cut when longer)
};

// The mode that the command line (program name already removed) names, and the paths of the
// program it is about: the running one at modulePath, or in "x" mode the one the line names.
// The line holds switches separated by blanks: /s (also /S, /silent, /q, /quiet), /r (also r,
// /R, R) for the uninstallation, /d=PATH and /LOG=PATH (quoted, or unquoted to the line's end),
// /LOG alone, /NORESTART (accepted: nothing here restarts Windows), and last "x PATH" (or
// "/x PATH"), which takes the rest of the line as the installed program's path. /LOG given
// twice is refused.
// Nothing is filled for kBadTarget; only badSwitch for kBadSwitch. No windows.h: the command
// line is outside input.
StartMode ResolveStartPaths(const char* commandLine, const char* modulePath, StartPaths& paths);

// Fills programFolder, exeName, setupFileName and setupFilePath of SetupContext from the command
// line (program name already removed) and SetupContext.modulePath, and names the mode. Nothing
// is filled for kBadTarget.
StartMode ResolveStart(const char* commandLine);

// True when the packed version of GetVersion names a shell with links (major version 4 or later).
bool IsNewShell(unsigned long packedVersion);
