// The text work of the setup file's entries and of a registered uninstall string, apart from
// the profile reader and the registry. No windows.h: pure logic.
#pragma once

#include <cstddef>

// Splits the file entry held in name (kPathSize bytes) at its first single-byte comma: name keeps
// the source, target (kPathSize bytes) becomes installFolder followed by the destination (the
// part after the comma, or the source itself without one), and relative marks where that part
// begins in target. A target that would not fit is left empty, with relative 0, so that no file
// is ever copied to or removed from a cut path.
void SplitFileEntry(char* name, const char* installFolder, char* target, size_t& relative);

// Splits the group entry held in name (kPathSize bytes) at its first single-byte comma: name
// keeps the shortcut's name, target becomes installFolder followed by the rest (target and
// arguments), left empty when it would not fit. Without a comma name is emptied, target is left
// as it was, and the result is false.
bool SplitGroupEntry(char* name, const char* installFolder, char* target);

// The folder, with its trailing backslash, of the program that a registered UninstallString
// starts: a quoted path, or one that ends at the first blank. False when the value names no
// folder (no backslash before the end of the path), or it does not fit into size bytes.
bool FolderOfUninstallString(const char* value, char* folder, size_t size);
