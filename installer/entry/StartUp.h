// How the installer reads its own name and command line: the paths of SetupContext and the mode.
#pragma once

enum class StartMode {
    Wizard,           // no argument, or one that names no uninstall mode
    UninstallRequest, // "r" or "R": confirm, then hand over to a copy in the system folder
    UninstallRun,     // "x" and the installed program's path: the removal itself
    BadTarget,        // "x" without a usable program path
};

// Fills programFolder, exeName, setupFileName and setupFilePath of SetupContext from the command
// line (program name already removed) and SetupContext.modulePath, and names the mode. Nothing
// is filled for BadTarget.
StartMode ResolveStart(const char* commandLine);

// True when the packed version of GetVersion names a shell with links (major version 4 or later).
bool IsNewShell(unsigned long packedVersion);
