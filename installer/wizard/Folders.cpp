// Making installation folders level by level, and the free space of the installation drive.
#include "wizard/Folders.h"

#include <windows.h>

#include <cstring>

#include "entry/Handles.h"
#include "entry/SetupContext.h"
#include "entry/Window.h"
#include "wizard/DiskQuery.h"

namespace {

// Room for a path and the longest message text around it.
constexpr size_t kMessageSize = kPathSize + 160;

bool IsDriveRoot(const char* path) {
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\' && path[3] == '\0';
}

bool BeginsWithDrive(const char* path) {
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\';
}

} // namespace

PathKind LookUpPath(const char* path) {
    if (std::strpbrk(path, "*?")) {
        return PathKind::Missing;
    }
    WIN32_FIND_DATAA found;
    FindHandle search;
    if (!search.First(path, &found)) {
        return PathKind::Missing;
    }
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool EnsureFolder(const char* path) {
    if (IsDriveRoot(path)) {
        return true;
    }
    char folder[kPathSize];
    CopyText(folder, sizeof folder, path);
    const size_t length = std::strlen(folder);
    if (length > 0 && folder[length - 1] == '\\' && !IsMidCharacter(folder, length - 1)) {
        folder[length - 1] = '\0';
    }

    char message[kMessageSize];
    switch (LookUpPath(folder)) {
    case PathKind::Folder:
        return true;
    case PathKind::File:
        FormatText(message, sizeof message,
                   "%s - 同じ名前のファイルが既に存在するのでフォルダが作成できません。", folder);
        ShowError(SetupContext.messageOwner, message);
        return false;
    case PathKind::Missing:
        break;
    }
    if (CreateDirectoryA(folder, nullptr)) {
        return true;
    }
    FormatText(message, sizeof message, "%s のフォルダ作成に失敗しました。", folder);
    ShowError(SetupContext.messageOwner, message);
    return false;
}

bool EnsureFolderPath(const char* path) {
    if (!BeginsWithDrive(path)) {
        return EnsureFolder(path);
    }
    char level[kPathSize];
    CopyText(level, sizeof level, path);
    for (char* slash = FindCharDbcs(level + 3, '\\'); slash;
         slash = FindCharDbcs(slash + 1, '\\')) {
        const char next = slash[1];
        slash[1] = '\0';
        const bool made = EnsureFolder(level);
        slash[1] = next;
        if (!made) {
            return false;
        }
    }
    return true;
}

uint32_t FreeSpaceTenthsOf(uint32_t sectorsPerCluster, uint32_t bytesPerSector,
                           uint32_t freeClusters) {
    const uint64_t tenths = static_cast<uint64_t>(freeClusters / 10) * bytesPerSector;
    // The first product fits in 64 bits; the test keeps the second within the 31-bit result.
    constexpr uint64_t kMost = 0x7FFFFFFF;
    if (sectorsPerCluster != 0 && tenths > kMost / sectorsPerCluster) {
        return static_cast<uint32_t>(kMost);
    }
    return static_cast<uint32_t>(tenths * sectorsPerCluster);
}

uint32_t FreeSpaceTenths() {
    char full[kPathSize];
    const DWORD length = GetFullPathNameA(SetupContext.installFolder, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full || !BeginsWithDrive(full)) {
        return 0;
    }
    const char root[] = {full[0], ':', '\\', '\0'};
    uint32_t sectorsPerCluster = 0;
    uint32_t bytesPerSector = 0;
    uint32_t freeClusters = 0;
    if (!QueryDiskFree(root, &sectorsPerCluster, &bytesPerSector, &freeClusters)) {
        return 0;
    }
    return FreeSpaceTenthsOf(sectorsPerCluster, bytesPerSector, freeClusters);
}
