// The [Reg] entries of the setup file: which registry root and which key below it an entry
// names. No windows.h: pure logic.
#pragma once

enum class RegRoot { kNone, kCurrentUser, kLocalMachine, kClassesRoot };

// The root and the key path of a [Reg] entry: a root name in upper case, one separator, the
// path below the root. kNone when no root name matches, or when the entry names no key below
// the root (the root alone, or nothing after the separator): no entry may stand for a root.
RegRoot ParseRegEntry(const char* entry, const char** keyPath);

// False for a path that names no key below its parent: an empty one opens the parent itself,
// and the system refuses one with a leading backslash only sometimes.
bool NamesKeyBelow(const char* path);

// True when a product may own and remove the key at path below root: under HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE a key below SOFTWARE\<maker> whose maker part is not one of Windows' own
// branches (Microsoft, Classes, Policies, Wow6432Node, Clients, RegisteredApplications); under
// HKEY_CLASSES_ROOT a class named maker.name (or a key below it) whose maker is not Windows'.
// Never a hive's top key, a file type (".txt"), a shared list such as CLSID, or a path with an
// empty name in it.
bool IsOwnableKey(RegRoot root, const char* path);

// ParseRegEntry, and RegRoot::kNone as well for a key that IsOwnableKey refuses: what comes back
// may be handed to the registry.
RegRoot ParseOwnedRegEntry(const char* entry, const char** keyPath);
