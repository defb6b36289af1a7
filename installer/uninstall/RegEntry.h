// The [Reg] entries of the setup file: which registry root and which key below it an entry
// names. No windows.h: pure logic.
#pragma once

enum class RegRoot { None, CurrentUser, LocalMachine, ClassesRoot };

// The root and the key path of a [Reg] entry: a root name in upper case, one separator, the
// path below the root. None when no root name matches, or when the entry names no key below
// the root (the root alone, or nothing after the separator): no entry may stand for a root.
RegRoot ParseRegEntry(const char* entry, const char** keyPath);

// False for a path that names no key below its parent: an empty one opens the parent itself,
// and the system refuses one with a leading backslash only sometimes.
bool NamesKeyBelow(const char* path);
