// Registry keys that an uninstallation removes: those the setup file lists in [Reg], and the
// product's uninstall entry, each with everything below it.
#pragma once

#include <windows.h>

enum class RegRoot { None, CurrentUser, LocalMachine, ClassesRoot };

// The root and the key path of a [Reg] entry: a root name in upper case, one separator, the
// path below the root. None when no root name matches, or when the entry names no key below
// the root (the root alone, or nothing after the separator): no entry may stand for a root.
RegRoot ParseRegEntry(const char* entry, const char** keyPath);

// Removes parent\path and every key below it. Keys that cannot be removed stay, silently, and
// so do their parents. A path that names no key below parent (empty, or beginning with a
// backslash) removes nothing.
void RemoveRegistryTree(HKEY parent, const char* path);

// Removes the keys of the setup file's [Reg] section, in order, until the first missing entry.
// A malformed entry is reported (owned by SetupContext.messageOwner) and skipped.
void RemoveRegSection();
