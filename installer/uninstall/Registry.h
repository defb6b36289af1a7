// Registry keys that an uninstallation removes: those the setup file lists in [Reg], and the
// product's uninstall entry, each with everything below it.
#pragma once

#include <windows.h>

#include "uninstall/RegEntry.h"

class RunLog;

// Removes parent\path and every key below it. Keys that cannot be removed stay, silently, and
// so do their parents. A path that names no key below parent (empty, or beginning with a
// backslash) removes nothing.
void RemoveRegistryTree(HKEY parent, const char* path);

// Removes the keys of the setup file's [Reg] section, in order, until the first missing entry.
// A malformed entry, or one naming a key that no product can own (IsOwnableKey), is skipped;
// returns how many were, for the uninstallation to report. Each entry goes into log.
int RemoveRegSection(RunLog& log);
