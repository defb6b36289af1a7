// Folder operations of the wizard, reused by the copy steps and the shortcuts.
#pragma once

#include <cstdint>

// Makes the folder that path (ending in a backslash) names, unless it exists. On failure shows
// why, owned by SetupContext.messageOwner, and returns false.
bool EnsureFolder(const char* path);

// EnsureFolder for every level of a path that begins with a drive (D:\A\B\ ensures D:\A\ and
// D:\A\B\); any other path is ensured as a whole.
bool EnsureFolderPath(const char* path);

// One tenth of the free bytes on the drive of SetupContext.installFolder, at most 0x7FFFFFFF;
// 0 when the drive cannot be asked.
uint32_t FreeSpaceTenths();

// The same from the drive's figures, computed in 64 bits so that a large drive never wraps.
uint32_t FreeSpaceTenthsOf(uint32_t sectorsPerCluster, uint32_t bytesPerSector,
                           uint32_t freeClusters);

// What a path names, looked up without wildcards: a name holding "*" or "?" is never taken to
// match some other entry.
enum class PathKind { Missing, Folder, File };
PathKind LookUpPath(const char* path);

// Folders that must never be an installation folder, whose removal would take what is not the
// product's: a drive root in any spelling, and the Windows folder, the system folder, the
// Program Files folder itself, a user profile's root, or any folder above one of them.
enum class FolderRefusal { None, DriveRoot, SystemFolder };
FolderRefusal CheckInstallFolder(const char* folder);
