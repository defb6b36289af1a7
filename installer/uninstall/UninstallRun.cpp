// The removal itself, in the order that keeps a second run possible: nothing that finds the
// installation again (the uninstall entry, the shortcuts) goes before its files.
#include "uninstall/Uninstall.h"

#include <cstring>
#include <initializer_list>

#include "entry/Handles.h"
#include "entry/SetupContext.h"
#include "entry/Window.h"
#include "setupfile/SetupFile.h"
#include "shortcuts/Shortcuts.h"
#include "uninstall/Registry.h"
#include "wizard/Folders.h"

namespace {

// Room for a path and the longest text around it.
constexpr size_t kMessageSize = kPathSize + 200;

// The product's entry in the list of installed programs. A folder name of backslashes alone
// would make the key path name the list itself.
void RemoveUninstallEntry() {
    const char* name = SetupContext.folderName;
    while (*name == '\\') {
        ++name;
    }
    char keyPath[sizeof kUninstallKey + kSettingSize];
    if (*name != '\0' &&
        FormatText(keyPath, sizeof keyPath, "%s%s", kUninstallKey, SetupContext.folderName)) {
        RemoveRegistryTree(HKEY_LOCAL_MACHINE, keyPath);
    }
}

// Removes an emptied folder (ending in a backslash); a failure is reported.
bool RemoveEmptiedFolder(const char* folder) {
    char path[kPathSize];
    CopyText(path, sizeof path, folder);
    const size_t length = std::strlen(path);
    if (length > 0 && path[length - 1] == '\\' && !IsMidCharacter(path, length - 1)) {
        path[length - 1] = '\0';
    }
    // "D:" would name the drive's current folder, not its root, which cannot go anyway.
    if (length <= 3 && path[0] != '\0' && path[1] == ':') {
        return true;
    }
    if (LookUpPath(path) == PathKind::Missing || RemoveDirectoryA(path)) {
        return true;
    }
    char message[kMessageSize];
    FormatText(message, sizeof message, "%s - フォルダの削除に失敗しました", path);
    ShowError(SetupContext.messageOwner, message);
    return false;
}

// Asks before a file goes; help indexes go without a question.
int AskToRemove(const char* path, const char* name) {
    if (IsHelpIndexName(name)) {
        return IDYES;
    }
    char question[kMessageSize];
    FormatText(question, sizeof question, "%s - このファイルを削除してもよろしいですか？", path);
    return MessageBoxA(SetupContext.messageOwner, question, SetupContext.title,
                       MB_YESNOCANCEL | MB_ICONQUESTION);
}

} // namespace

bool IsHelpIndexName(const char* name) {
    const char* dot = FindCharDbcs(name, '.');
    return dot && lstrcmpiA(dot + 1, "gid") == 0;
}

bool RemoveInstalledFile(const char* path) {
    if (LookUpPath(path) != PathKind::File || DeleteFileA(path)) {
        return true;
    }
    char message[kMessageSize];
    FormatText(message, sizeof message,
               "%sの削除に失敗しました。このファイルを無視して処理を続行します。", path);
    ShowError(SetupContext.messageOwner, message);
    return false;
}

bool RemoveFolderTree(const char* folder) {
    bool removed = true;
    char pattern[kPathSize];
    if (FormatText(pattern, sizeof pattern, "%s*.*", folder)) {
        WIN32_FIND_DATAA found;
        FindHandle search;
        for (bool more = search.First(pattern, &found); more; more = search.Next(&found)) {
            const char* name = found.cFileName;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
                continue;
            }
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            char path[kPathSize];
            if (!FormatText(path, sizeof path, isFolder ? "%s%s\\" : "%s%s", folder, name)) {
                removed = false; // beyond a path's reach: it stays, and so does this folder
                continue;
            }
            if (isFolder) {
                // A linked folder is not entered: what it holds is not the installation's.
                const bool linked = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
                if (!(linked ? RemoveEmptiedFolder(path) : RemoveFolderTree(path))) {
                    return false;
                }
                continue;
            }
            switch (AskToRemove(path, name)) {
            case IDCANCEL:
                return false;
            case IDYES:
                removed = RemoveInstalledFile(path) && removed;
                break;
            default:
                break; // No: the file stays
            }
        }
    }
    return RemoveEmptiedFolder(folder) && removed;
}

bool RunUninstall() {
    RemoveRegSection();

    bool removed = true;
    for (int n = SetupContext.fileCount; n >= -1; --n) {
        LoadFileEntry(n);
        if (RemoveInstalledFile(SetupContext.entryTarget)) {
            continue;
        }
        removed = false;
        if (n == 1) {
            // The product's main program still runs: everything that would let the user run
            // the uninstallation again stays.
            char message[kMessageSize];
            FormatText(message, sizeof message,
                       "%s の削除に失敗しました。%sを終了して、もう一度アンインストールをやり直して"
                       "ください。",
                       SetupContext.entryTarget, SetupContext.title);
            ShowError(SetupContext.messageOwner, message);
            return false;
        }
    }

    removed = RemoveFolderTree(SetupContext.installFolder) && removed;
    RemoveUninstallEntry();
    for (ShortcutPlace place :
         {ShortcutPlace::Programs, ShortcutPlace::Desktop, ShortcutPlace::Startup}) {
        UpdateShortcuts(place, ShortcutUpdate::Remove);
    }
    return removed;
}
