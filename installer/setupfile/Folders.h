// Folder operations of the wizard, the copy steps, the shortcuts and the uninstallation.
#pragma once

#include "base/MadeNotes.h"
#include "base/Text.h"

// Makes the folder that path (ending in a backslash) names, unless it exists, and tells made
// (when given) of a folder it made. On failure puts why into error and returns false.
bool EnsureFolder(const char* path, ErrorText& error, MadeNotes* made);

// EnsureFolder for every level of a path that begins with a drive (D:\A\B\ ensures D:\A\ and
// D:\A\B\); any other path is ensured as a whole. Stops at the first level that fails.
bool EnsureFolderPath(const char* path, ErrorText& error, MadeNotes* made);

// Makes every missing level of path as EnsureFolderPath does, to see that it can be made, then
// takes away again every level it made. False, with why in error, when a level cannot be made.
bool TryFolderPath(const char* path, ErrorText& error);

// The checks of an installation folder as typed or given, in order: too long, a root, no full
// path with a drive, a part that is no plain name (such as ".."), a folder that is no product's
// own. On success folder has its trailing backslash and nullptr comes back; else the message.
const char* RefuseInstallFolder(char* folder, size_t size);

// What a path names, looked up without wildcards: a name holding "*" or "?" is never taken to
// match some other entry.
enum class PathKind { kMissing, kFolder, kFile };
PathKind LookUpPath(const char* path);

// Folders that must never be an installation folder, whose removal would take what is not the
// product's: a drive root in any spelling, and the Windows folder, the system folder, the
// Program Files folder itself, a user profile's root, or any folder above one of them.
enum class FolderRefusal { kNone, kDriveRoot, kSystemFolder };
FolderRefusal CheckInstallFolder(const char* folder);
