// The removal itself, in the order that keeps a second run possible: nothing that finds the
// installation again (the uninstall entry, the shortcuts) goes before its files.
#include "uninstall/Uninstall.h"

#include <cstring>
#include <initializer_list>

#include "entry/Handles.h"
#include "entry/SetupContext.h"
#include "entry/Window.h"
#include "setupfile/Folders.h"
#include "setupfile/SetupFile.h"
#include "shortcuts/Shortcuts.h"
#include "uninstall/InstallRecord.h"
#include "uninstall/Registry.h"

namespace {

// Room for a path and the longest text around it.
constexpr size_t kMessageSize = kPathSize + 200;

// Removes the product's shortcuts, only in the places where the installation recorded making
// them (all three for an installation without that record). When the setup file cannot be
// believed, the product's group folder and its single link are both looked for, by the title
// the installation recorded.
void RemoveShortcuts(const InstallRecord& record, bool believed) {
    for (ShortcutPlace place :
         {ShortcutPlace::Programs, ShortcutPlace::Desktop, ShortcutPlace::Startup}) {
        if (record.placesKnown && !(record.places & (1u << static_cast<int>(place)))) {
            continue; // a link of the product's name there is someone else's
        }
        if (!believed && place == ShortcutPlace::Programs) {
            const int groups = SetupContext.groupCount;
            SetupContext.groupCount = 1;
            UpdateShortcuts(place, ShortcutUpdate::Remove);
            SetupContext.groupCount = 0;
            UpdateShortcuts(place, ShortcutUpdate::Remove);
            SetupContext.groupCount = groups;
            continue;
        }
        UpdateShortcuts(place, ShortcutUpdate::Remove);
    }
}

// Tells the user that the installed setup file was changed since the installation.
void WarnOfChangedSetupFile() {
    MessageBoxA(SetupContext.messageOwner,
                "設定ファイルがインストール後に書き換えられています。"
                "インストール時に記録したものだけを削除します。",
                SetupContext.title, MB_OK | MB_ICONEXCLAMATION);
}

// Removes an emptied folder (ending in a backslash); false, with why in error, when it stays.
bool RemoveEmptiedFolder(const char* folder, ErrorText& error) {
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
    FormatText(error.text, sizeof error.text, "%s - フォルダの削除に失敗しました", path);
    return false;
}

// Removes path with remove, showing why it stays.
bool RemoveShown(bool (*remove)(const char*, ErrorText&), const char* path) {
    ErrorText error;
    if (remove(path, error)) {
        return true;
    }
    ShowError(SetupContext.messageOwner, error.text);
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

bool RemoveInstalledFile(const char* path, ErrorText& error) {
    // Deleted first and looked up only when that fails: one request a file, not two, for an
    // installation of many files.
    if (DeleteFileA(path) || LookUpPath(path) != PathKind::File) {
        return true;
    }
    FormatText(error.text, sizeof error.text,
               "%sの削除に失敗しました。このファイルを無視して処理を続行します。", path);
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
                if (!(linked ? RemoveShown(RemoveEmptiedFolder, path) : RemoveFolderTree(path))) {
                    return false;
                }
                continue;
            }
            switch (AskToRemove(path, name)) {
            case IDCANCEL:
                return false;
            case IDYES:
                removed = RemoveShown(RemoveInstalledFile, path) && removed;
                break;
            default:
                break; // No: the file stays
            }
        }
    }
    return RemoveShown(RemoveEmptiedFolder, folder) && removed;
}

bool RunUninstall() {
    const InstallRecord record = CheckInstallRecord();
    // A changed setup file vouches for nothing: only the program and the setup file, which the
    // record's uninstall string names, its title and the uninstall entry itself are believed.
    const bool believed = record.check != RecordCheck::Changed;
    if (believed) {
        for (int malformed = RemoveRegSection(); malformed > 0; --malformed) {
            ShowError(SetupContext.messageOwner, "Regセクションが異常です。");
        }
    } else {
        WarnOfChangedSetupFile();
    }

    bool removed = true;
    for (int n = believed ? SetupContext.fileCount : 0; n >= -1; --n) {
        LoadFileEntry(n);
        if (RemoveShown(RemoveInstalledFile, SetupContext.entryTarget)) {
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

    // Never the rest of a drive, of Windows or of a user's profile, whatever was recorded.
    if (CheckInstallFolder(SetupContext.installFolder) == FolderRefusal::None) {
        removed = RemoveFolderTree(SetupContext.installFolder) && removed;
    }
    // Only the entry that names this installation: another product's may bear the setup file's
    // folder name.
    if (record.found) {
        RemoveRegistryTree(HKEY_LOCAL_MACHINE, record.keyPath);
    }
    RemoveShortcuts(record, believed);
    return removed;
}
