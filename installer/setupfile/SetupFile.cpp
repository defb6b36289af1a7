// Reading the setup file through the profile reader, and the earlier installation's folder
// through its uninstall entry.
#include "setupfile/SetupFile.h"

#include <cstring>

#include "entry/Handles.h"
#include "entry/SetupContext.h"
#include "entry/Window.h"

namespace {

// "TSR" is read into 10 bytes; only its first character counts.
constexpr size_t kResidentSize = 10;

// installFolder for a product never installed before: Program Files on the Windows drive.
void SetDefaultInstallFolder() {
    char windows[kPathSize];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length > 0 && length < sizeof windows && windows[1] == ':') {
        CopyTextPart(SetupContext.installFolder, kPathSize, windows, 2);
        AppendText(SetupContext.installFolder, kPathSize, "\\Program Files\\");
    } else {
        CopyText(SetupContext.installFolder, kPathSize, "c:\\");
    }
    AppendText(SetupContext.installFolder, kPathSize, SetupContext.folderName);
    AppendText(SetupContext.installFolder, kPathSize, "\\");
}

// Offers the folder of an earlier installation again, read from its uninstall entry.
void ReadEarlierInstallFolder() {
    char keyPath[sizeof kUninstallKey + kSettingSize];
    CopyText(keyPath, sizeof keyPath, kUninstallKey);
    AppendText(keyPath, sizeof keyPath, SetupContext.folderName);
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ)) {
        return;
    }
    // One byte more than a path: the stored text need not carry its terminator.
    char value[kPathSize + 1];
    DWORD type = 0;
    DWORD size = kPathSize;
    if (RegQueryValueExA(key.Get(), "UninstallString", nullptr, &type,
                         reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return;
    }
    value[size] = '\0';
    if (std::strlen(value) >= kPathSize) {
        return;
    }
    char folder[kPathSize];
    if (FolderOfUninstallString(value, folder, sizeof folder)) {
        CopyText(SetupContext.installFolder, kPathSize, folder);
    }
}

int CountEntries(void (*load)(int)) {
    int count = 0;
    for (int n = 1;; ++n) {
        load(n);
        if (SetupContext.entryName[0] == '\0') {
            return count;
        }
        ++count;
    }
}

} // namespace

void ReadSetupValue(const char* section, const char* key, char* value, size_t size) {
    GetPrivateProfileStringA(section, key, "", value, static_cast<DWORD>(size),
                             SetupContext.setupFilePath);
}

bool ReadSettings() {
    ReadSetupValue("Install", "Title", SetupContext.title, kSettingSize);
    ReadSetupValue("Install", "Folder", SetupContext.folderName, kSettingSize);
    if (SetupContext.title[0] == '\0' || SetupContext.folderName[0] == '\0') {
        return false;
    }
    char resident[kResidentSize];
    ReadSetupValue("Install", "TSR", resident, sizeof resident);
    SetupContext.resident = resident[0] == '1';

    SetDefaultInstallFolder();
    ReadEarlierInstallFolder();

    SetupContext.fileCount = CountEntries(LoadFileEntry);
    SetupContext.groupCount = CountEntries(LoadGroupEntry);
    return true;
}

bool LoadSettings() {
    if (ReadSettings()) {
        return true;
    }
    ShowError(nullptr, "設定ファイルが破損している、または見つかりません。");
    return false;
}

void LoadFileEntry(int n) {
    if (n == -1) {
        CopyText(SetupContext.entryName, kPathSize, SetupContext.exeName);
    } else if (n == 0) {
        CopyText(SetupContext.entryName, kPathSize, SetupContext.setupFileName);
    } else {
        ReadSetupValue("Install", NumberKey(n), SetupContext.entryName, kPathSize);
    }
    SplitFileEntry(SetupContext.entryName, SetupContext.installFolder, SetupContext.entryTarget,
                   SetupContext.entryRelative);
}

void LoadGroupEntry(int n) {
    ReadSetupValue("Group", NumberKey(n), SetupContext.entryName, kPathSize);
    // entryRelative belongs to the file entries and stays.
    SplitGroupEntry(SetupContext.entryName, SetupContext.installFolder, SetupContext.entryTarget);
}
