// How the installer reads its own name and command line: the paths of SetupContext and the mode.
#pragma once

#include "entry/Text.h"

enum class StartMode {
    Wizard,           // no argument, or one that names no uninstall mode
    UninstallRequest, // "r" or "R": confirm, then hand over to a copy in the system folder
    UninstallRun,     // "x" and the installed program's path: the removal itself
    BadTarget,        // "x" without a usable program path
};

// The paths that the start-up takes from the command line and the program's own path.
struct StartPaths {
    char programFolder[kPathSize]; // with its trailing backslash
    char exeName[kPathSize];
    char setupFileName[kPathSize]; // exeName with its last three characters made "INF"
    char setupFilePath[kPathSize]; // programFolder + setupFileName
};

// The mode that the command line (program name already removed) names, and the paths of the
// program it is about: the running one at modulePath, or in "x" mode the one the line names.
// Nothing is filled for BadTarget. No windows.h: the command line is outside input.
StartMode ResolveStartPaths(const char* commandLine, const char* modulePath, StartPaths& paths);

// Fills programFolder, exeName, setupFileName and setupFilePath of SetupContext from the command
// line (program name already removed) and SetupContext.modulePath, and names the mode. Nothing
// is filled for BadTarget.
StartMode ResolveStart(const char* commandLine);

// True when the packed version of GetVersion names a shell with links (major version 4 or later).
bool IsNewShell(unsigned long packedVersion);
