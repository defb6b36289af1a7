// The removal itself, in the order that keeps a second run possible: nothing that finds the
// installation again (the uninstall entry, the shortcuts) goes before its files.
#include "uninstall/Uninstall.h"

#include <cstring>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "copy/InstallJournal.h"
#include "copy/InstallLog.h"

#include "base/Handles.h"
#include "base/RunLog.h"
#include "base/SetupContext.h"
#include "base/Window.h"
#include "copy/InstallRecord.h"
#include "setupfile/Folders.h"
#include "setupfile/SetupFile.h"
#include "shortcuts/Shortcuts.h"
#include "uninstall/Registry.h"

namespace {

// Room for a path and the longest text around it.
constexpr size_t kMessageSize = kPathSize + 200;
// A log beyond this is read this far: no installation of this program logs as much.
constexpr DWORD kLogMost = 64u * 1024 * 1024;

// A path as compared with others: single-byte letters in upper case, double-byte characters as
// they are (their trail bytes are no letters).
std::string Folded(const char* path) {
    std::string folded;
    for (const char* p = path; *p;) {
        const size_t length = CharLength(p);
        for (size_t i = 0; i < length; ++i) {
            const char c = p[i];
            folded += length == 1 && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
        p += length;
    }
    return folded;
}

// What the installation log says the installations made.
struct LoggedItems {
    std::set<std::string> files; // paths below the installation folder, folded
    std::vector<std::string> links;
    std::vector<std::string> groups;
    size_t skipped = 0;
    std::string logPath;
};

LoggedItems ReadInstallLog() {
    LoggedItems items;
    char path[kPathSize];
    if (!InstallLogPath(path, sizeof path)) {
        return items;
    }
    items.logPath = path;
    KernelHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        return items;
    }
    const DWORD size = GetFileSize(file.Get(), nullptr);
    std::string data(size == INVALID_FILE_SIZE || size > kLogMost ? kLogMost : size, '\0');
    DWORD got = 0;
    if (!data.empty() &&
        !ReadFile(file.Get(), &data[0], static_cast<DWORD>(data.size()), &got, nullptr)) {
        got = 0;
    }
    for (const LogEntry& entry : ReadLogLines(data.data(), got, &items.skipped)) {
        switch (entry.kind) {
        case LogKind::kFile:
            items.files.insert(Folded(entry.path.c_str()));
            break;
        case LogKind::kFolder:
            break; // the folder tree goes whole
        case LogKind::kLink:
        case LogKind::kGroup:
            // Links belong in the shell's places; anything else a log names is not followed.
            if (IsInShortcutPlace(entry.path.c_str())) {
                (entry.kind == LogKind::kLink ? items.links : items.groups).push_back(entry.path);
            } else if (entry.kind == LogKind::kLink) {
                ++items.skipped;
            }
            break;
        }
    }
    // The log itself is the installation's.
    const char* name = path + std::strlen(SetupContext.installFolder);
    items.files.insert(Folded(name));
    return items;
}

bool IsHeldProgram(const char* path) {
    return SetupContext.heldProgram && lstrcmpiA(path, SetupContext.heldProgram) == 0;
}

// The installation log, and the diagnostic log, of the uninstallation that runs now.
const LoggedItems* logged = nullptr;
RunLog* runLog = nullptr;

// The diagnostic log, or a closed one outside a removal.
RunLog& Diagnostics() {
    static RunLog closed;
    return runLog ? *runLog : closed;
}

bool IsLogged(const char* path) {
    const size_t folder = std::strlen(SetupContext.installFolder);
    return logged && std::strlen(path) > folder && logged->files.count(Folded(path + folder)) > 0;
}

// Removes the links the log names, then their groups where that left them empty.
void RemoveLoggedLinks(const LoggedItems& items) {
    for (const std::string& link : items.links) {
        if (DeleteFileA(link.c_str())) {
            Diagnostics().Note("リンクを削除: %s", link.c_str());
        }
    }
    for (auto group = items.groups.rbegin(); group != items.groups.rend(); ++group) {
        if (RemoveDirectoryA(group->c_str())) {
            Diagnostics().Note("フォルダを削除: %s", group->c_str());
        }
    }
}

void WarnOfSkippedLines(const LoggedItems& items) {
    if (items.skipped == 0 || SetupContext.quiet) {
        return;
    }
    char text[kMessageSize];
    FormatText(text, sizeof text,
               "インストールの記録 %s のうち %u 行は、製品のフォルダの外を指しているか"
               "読み取れないため、従いませんでした。",
               items.logPath.c_str(), static_cast<unsigned>(items.skipped));
    MessageBoxA(SetupContext.messageOwner, text, SetupContext.title, MB_OK | MB_ICONEXCLAMATION);
}

// Removes the product's shortcuts, only in the places where the installation recorded making
// them (all three for an installation without that record). When the setup file cannot be
// believed, the product's group folder and its single link are both looked for, by the title
// the installation recorded.
void RemoveShortcuts(const InstallRecord& record, bool believed) {
    for (ShortcutPlace place :
         {ShortcutPlace::kPrograms, ShortcutPlace::kDesktop, ShortcutPlace::kStartup}) {
        if (record.placesKnown && !(record.places & (1u << static_cast<int>(place)))) {
            continue; // a link of the product's name there is someone else's
        }
        if (!believed && place == ShortcutPlace::kPrograms) {
            const int groups = SetupContext.groupCount;
            SetupContext.groupCount = 1;
            UpdateShortcuts(place, ShortcutUpdate::kRemove);
            SetupContext.groupCount = 0;
            UpdateShortcuts(place, ShortcutUpdate::kRemove);
            SetupContext.groupCount = groups;
            continue;
        }
        UpdateShortcuts(place, ShortcutUpdate::kRemove);
    }
}

// Tells the user that the installed setup file was changed since the installation.
void WarnOfChangedSetupFile() {
    if (SetupContext.quiet) {
        return;
    }
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
    RemoveTrailingBackslash(path);
    // "D:" would name the drive's current folder, not its root, which cannot go anyway.
    if (length <= 3 && path[0] != '\0' && path[1] == ':') {
        return true;
    }
    if (LookUpPath(path) == PathKind::kMissing || RemoveDirectoryA(path)) {
        return true;
    }
    error.code = GetLastError();
    FormatText(error.text, sizeof error.text, "%s - フォルダの削除に失敗しました", path);
    return false;
}

// Removes path with remove, showing why it stays.
bool RemoveShown(bool (*remove)(const char*, ErrorText&), const char* path) {
    ErrorText error;
    if (remove(path, error)) {
        Diagnostics().Note("削除: %s", path);
        return true;
    }
    Diagnostics().Failure(error.code, "%s", error.text);
    ShowError(SetupContext.messageOwner, error.text);
    return false;
}

// Asks before a file goes; help indexes and what the installations logged go without a
// question. Unattended, every other file is kept.
int AskToRemove(const char* path, const char* name) {
    if (IsHelpIndexName(name) || IsLogged(path)) {
        return IDYES;
    }
    if (SetupContext.quiet) {
        return IDNO;
    }
    char question[kMessageSize];
    FormatText(question, sizeof question, "%s - このファイルを削除してもよろしいですか？", path);
    return MessageBoxA(SetupContext.messageOwner, question, SetupContext.title,
                       MB_YESNOCANCEL | MB_ICONQUESTION);
}

} // namespace

void RemoveFolderIfEmpty(const char* folder) {
    ErrorText ignored;
    if (CheckInstallFolder(folder) == FolderRefusal::kNone) {
        RemoveEmptiedFolder(folder, ignored);
    }
}

bool IsHelpIndexName(const char* name) {
    const char* dot = FindCharDbcs(name, '.');
    return dot && lstrcmpiA(dot + 1, "gid") == 0;
}

bool RemoveInstalledFile(const char* path, ErrorText& error) {
    // Deleted first and looked up only when that fails: one request a file, not two, for an
    // installation of many files.
    if (DeleteFileA(path)) {
        return true;
    }
    error.code = GetLastError();
    if (LookUpPath(path) != PathKind::kFile) {
        return true;
    }
    FormatText(error.text, sizeof error.text,
               "%sの削除に失敗しました。このファイルを無視して処理を続行します。", path);
    return false;
}

namespace {

// How a folder tree went: all of it, all but what the user chose to keep (the folders holding
// that stay without a word: keeping a file is no failure), not all (shown), or Cancel.
enum class Tree { kRemoved, kKept, kFailed, kCancelled };

Tree RemoveTree(const char* folder) {
    bool failed = false;
    bool kept = false;
    bool held = false;
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
                failed = true; // beyond a path's reach: it stays, and so does this folder
                continue;
            }
            if (isFolder) {
                // A linked folder is not entered: what it holds is not the installation's.
                const bool linked = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
                const Tree below = linked ? (RemoveShown(RemoveEmptiedFolder, path) ? Tree::kRemoved
                                                                                    : Tree::kFailed)
                                          : RemoveTree(path);
                if (below == Tree::kFailed || below == Tree::kCancelled) {
                    return below;
                }
                kept = kept || below == Tree::kKept;
                continue;
            }
            if (IsHeldProgram(path)) {
                held = true; // goes once the request that runs it has ended
                continue;
            }
            switch (AskToRemove(path, name)) {
            case IDCANCEL:
                Diagnostics().Note("取り消されました: %s", path);
                return Tree::kCancelled;
            case IDYES:
                failed = !RemoveShown(RemoveInstalledFile, path) || failed;
                break;
            default:
                Diagnostics().Note("残しました: %s", path);
                kept = true; // No: the file stays, and the folders that hold it
                break;
            }
        }
    }
    if (kept || held) {
        return failed ? Tree::kFailed : Tree::kKept;
    }
    return RemoveShown(RemoveEmptiedFolder, folder) && !failed ? Tree::kRemoved : Tree::kFailed;
}

} // namespace

bool RemoveFolderTree(const char* folder) {
    const Tree tree = RemoveTree(folder);
    return tree == Tree::kRemoved || tree == Tree::kKept;
}

bool RunUninstall(RunLog& log) {
    const InstallRecord record = CheckInstallRecord();
    const LoggedItems items = ReadInstallLog();
    logged = &items;
    runLog = &log;
    log.Note("削除するインストール: %s", SetupContext.installFolder);
    WarnOfSkippedLines(items);
    // A changed setup file vouches for nothing: only the program and the setup file, which the
    // record's uninstall string names, its title and the uninstall entry itself are believed.
    const bool believed = record.check != RecordCheck::kChanged;
    if (believed) {
        for (int malformed = RemoveRegSection(log); malformed > 0; --malformed) {
            ShowError(SetupContext.messageOwner, "Regセクションが異常です。");
        }
    } else {
        WarnOfChangedSetupFile();
    }

    bool removed = true;
    for (int n = believed ? SetupContext.fileCount : 0; n >= -1; --n) {
        LoadFileEntry(n);
        if (IsHeldProgram(SetupContext.entryTarget) ||
            RemoveShown(RemoveInstalledFile, SetupContext.entryTarget)) {
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
            log.Failure(0, "%s", message);
            ShowError(SetupContext.messageOwner, message);
            logged = nullptr;
            runLog = nullptr;
            return false;
        }
    }

    // Never the rest of a drive, of Windows or of a user's profile, whatever was recorded.
    if (CheckInstallFolder(SetupContext.installFolder) == FolderRefusal::kNone) {
        removed = RemoveFolderTree(SetupContext.installFolder) && removed;
    }
    // Only the entry that names this installation: another product's may bear the setup file's
    // folder name.
    if (record.found) {
        RemoveRegistryTree(HKEY_LOCAL_MACHINE, record.keyPath);
        log.Note("アンインストール情報を削除: HKEY_LOCAL_MACHINE\\%s", record.keyPath);
    }
    RemoveShortcuts(record, believed);
    log.Note("ショートカットを削除しました。");
    RemoveLoggedLinks(items);
    logged = nullptr;
    runLog = nullptr;
    log.Note(removed ? "削除が完了しました。" : "残ったものがあります。");
    return removed;
}
