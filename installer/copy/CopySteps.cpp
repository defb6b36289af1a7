// Copying the product's files and registering it for uninstalling.
#include "copy/CopySteps.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "entry/Handles.h"
#include "entry/SetupContext.h"
#include "setupfile/Folders.h"
#include "setupfile/SetupFile.h"
#include "uninstall/InstallRecord.h"

namespace {

constexpr int kProgressMost = 0xFFFF;

// Makes the sub-folders of the entry's relative part, level by level, moving entryRelative past
// each one made.
bool EnsureEntryFolders(ErrorText& error) {
    char* target = SetupContext.entryTarget;
    if (SetupContext.entryRelative > std::strlen(target)) {
        return true;
    }
    for (char* slash = FindCharDbcs(target + SetupContext.entryRelative, '\\'); slash;
         slash = FindCharDbcs(slash + 1, '\\')) {
        SetupContext.entryRelative = static_cast<size_t>(slash + 1 - target);
        const char next = slash[1];
        slash[1] = '\0';
        const bool made = EnsureFolder(target, error);
        slash[1] = next;
        if (!made) {
            return false;
        }
    }
    return true;
}

// True when source and target name one file that is there: installing into the folder the
// installer runs from leaves the program and its setup file where they are.
bool IsSameFile(const char* source, const char* target) {
    if (GetFileAttributesA(source) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    char sourceFull[kPathSize];
    char targetFull[kPathSize];
    const DWORD sourceLength = GetFullPathNameA(source, sizeof sourceFull, sourceFull, nullptr);
    const DWORD targetLength = GetFullPathNameA(target, sizeof targetFull, targetFull, nullptr);
    return sourceLength > 0 && sourceLength < sizeof sourceFull && targetLength > 0 &&
           targetLength < sizeof targetFull && lstrcmpiA(sourceFull, targetFull) == 0;
}

void SetStringValue(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

} // namespace

bool CopyEntryFile(ErrorText& error) {
    if (!EnsureEntryFolders(error)) {
        return false;
    }
    const char* source = SetupContext.entryName;
    const char* target = SetupContext.entryTarget;
    if (IsSameFile(source, target)) {
        return true;
    }
    if (CopyFileA(source, target, FALSE)) {
        // A read-only or hidden source must not make an installed file that resists updates.
        SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
        return true;
    }
    switch (GetLastError()) {
    case ERROR_SHARING_VIOLATION:
        FormatText(error.text, sizeof error.text,
                   "%s は他のプロセスが使用中のため上書きできません。", target);
        return false;
    case ERROR_FILE_EXISTS:
        return true;
    default:
        FormatText(error.text, sizeof error.text, "%s のコピーに失敗しました。", source);
        return false;
    }
}

void RegisterUninstall() {
    char keyPath[sizeof kUninstallKey + kSettingSize];
    char command[2 * kPathSize + 8];
    if (!FormatText(keyPath, sizeof keyPath, "%s%s", kUninstallKey, SetupContext.folderName) ||
        !ComposeUninstallString(command, sizeof command, SetupContext.installFolder,
                                SetupContext.exeName)) {
        return;
    }
    RegKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, keyPath, KEY_WRITE)) {
        return;
    }
    SetStringValue(key.Get(), "DisplayName", SetupContext.title);
    SetStringValue(key.Get(), "UninstallString", command);
    WriteInstallRecord(key.Get());
}

int ProgressUpper(int lastStep) {
    return lastStep < kProgressMost ? lastStep : kProgressMost;
}

int ProgressPosition(int stepsDone, int lastStep) {
    if (stepsDone >= lastStep) {
        return ProgressUpper(lastStep);
    }
    if (lastStep <= kProgressMost) {
        return stepsDone;
    }
    return static_cast<int>(static_cast<int64_t>(stepsDone) * kProgressMost / lastStep);
}
