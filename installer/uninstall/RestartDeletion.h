// Deleting a file when Windows next starts: the running uninstaller's own copy cannot be
// deleted while it runs. The NT family takes a request; the Windows 95 family reads the
// [Rename] section of WININIT.INI in the Windows folder instead.
#pragma once

#include <cstddef>

// Size of the [Rename] text and of the section's lines as read; the section is given up when
// its carried-over lines come to more than kRenameTextMost bytes.
constexpr size_t kRenameTextSize = 32768;
constexpr size_t kRenameTextMost = 30000;

// Arranges for the file at path (a full path) to be deleted when Windows next starts. Failures
// are silent.
void RemoveAtRestart(const char* path);

// The request to the system to delete a file at restart; false when it refuses.
using RestartRequest = bool (*)(const char* path);

// RemoveAtRestart with the system's request and the Windows folder given: when request refuses,
// the deletion goes into windowsFolder's WININIT.INI, which is made if there is none and
// makeWininit is set (only the Windows 95 family reads it). The file is left unchanged when its
// [Rename] section is too long or the path has no short form.
void RemoveAtRestartWith(const char* path, RestartRequest request, const char* windowsFolder,
                         bool makeWininit);

// The new [Rename] section: "[Rename]", the lines the section holds now (as the profile reader
// returns them: each ended by a NUL, the list by an empty one), unchanged and in order, then
// "NUL=" and shortPath; every line ends in CR LF. False, with text unusable, when the header and
// the carried-over lines come to more than kRenameTextMost bytes, or the text does not fit.
bool ComposeRenameSection(const char* lines, const char* shortPath, char* text, size_t size);
