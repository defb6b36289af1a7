// Deleting or replacing a file when Windows next starts: the running uninstaller's own copy
// cannot be deleted while it runs, and a product file held by a running program cannot be
// replaced. The NT family takes a request; the Windows 95 family reads the [Rename] section of
// WININIT.INI in the Windows folder instead.
#pragma once

#include <cstddef>

// Size of the [Rename] text and of the section's lines as read; the section is given up when
// its carried-over lines come to more than kRenameTextMost bytes.
constexpr size_t kRenameTextSize = 32768;
constexpr size_t kRenameTextMost = 30000;

// Arranges for the file at path (a full path) to be deleted when Windows next starts. Failures
// are silent.
void RemoveAtRestart(const char* path);

// Arranges for staged (a full path) to take the place of target when Windows next starts.
// False when neither the system nor WININIT.INI took the request: target keeps its bytes, and
// staged then is of no use.
bool ReplaceAtRestart(const char* staged, const char* target);

// The request to the system to move from to to at restart (to nullptr: delete from); false
// when it refuses.
using RestartRequest = bool (*)(const char* from, const char* to);

// RemoveAtRestart (target nullptr) or ReplaceAtRestart with the system's request and the
// Windows folder given: when request refuses, the line goes into windowsFolder's WININIT.INI,
// which is made if there is none and windows95 is set. The file is left unchanged when its
// [Rename] section is too long or a path has no short form. True when the request was taken,
// or, on the Windows 95 family (the only one that reads it), when WININIT.INI holds the line.
bool MoveAtRestartWith(const char* from, const char* target, RestartRequest request,
                       const char* windowsFolder, bool windows95);

// The new [Rename] section: "[Rename]", the lines the section holds now (as the profile reader
// returns them: each ended by a NUL, the list by an empty one), unchanged and in order, then
// the line key=value; every line ends in CR LF. False, with text unusable, when the header and
// the carried-over lines come to more than kRenameTextMost bytes, or the text does not fit.
bool ComposeRenameSection(const char* lines, const char* key, const char* value, char* text,
                          size_t size);
