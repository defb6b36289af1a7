// The uninstallation. The installed program, started with "/r", asks, copies itself into the
// system folder and starts that copy with "x" and its own path; the copy shows the uninstall
// dialog and removes the installation, which it can do because it does not run from it.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/Text.h"

class RunLog;

// "r" mode: the confirmation, the copy in the system folder and its start. Returns when the
// copy has been started, the user declined, or the start failed (with its message). Unattended
// (/s): no question, and it waits for the copy; the exit code is the copy's. The copy is handed
// log's path, and log is closed for it.
int RequestUninstall(RunLog& log);

// "x" mode: the uninstall dialog, then the running copy's own deletion at restart. Unattended:
// no window, every file the installation did not make is kept; the exit code tells the outcome.
// Each removal goes into log.
int StartUninstallRun(RunLog& log);

// Dialog 101: the removal starts on its first timer tick, and its outcome replaces the text.
INT_PTR CALLBACK UninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Removes the [Reg] keys, the listed files from the last back to the program itself, the rest of
// the installation folder, the uninstall entry and the shortcuts. True when nothing is left.
// A setup file changed since the installation (its record in the uninstall entry) is believed
// for nothing but the program and the setup file; a folder that is no product's own (a drive
// root, Windows, Program Files, a profile) keeps everything but the listed files.
bool RunUninstall(RunLog& log);

// Deletes a file; true when it is gone, also when there was none. False, with why in error, when
// it stays.
bool RemoveInstalledFile(const char* path, ErrorText& error);

// Removes folder (ending in a backslash) with everything in it, asking before each file that is
// not a help index and showing what stays. False when anything stays, and at once after Cancel:
// nothing else is touched.
bool RemoveFolderTree(const char* folder);

// The copy's command line: its own path in double quotes, " x " (" /s x " unattended, with
// /LOG="logPath" before the x when a log is given), then the installed program's path unquoted,
// as the "x" mode takes everything after it. False when it does not fit.
bool ComposeUninstallCommand(char* command, size_t size, const char* copyPath,
                             const char* installedPath, bool quiet = false,
                             const char* logPath = nullptr);

// Removes folder (ending in a backslash) when it is empty and could be an installation's.
void RemoveFolderIfEmpty(const char* folder);

// A help index, which the help system writes beside a help file by itself: ".gid" after the
// name's first dot, in any case (help.gid, HELP.GID, but not a.b.gid).
bool IsHelpIndexName(const char* name);
