// Making installation folders level by level, looking paths up, and the folders no installation
// may take.
#include "setupfile/Folders.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>

#include "base/Handles.h"
#include "setupfile/PathRules.h"

namespace {

bool IsDriveRoot(const char* path) {
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\' && path[3] == '\0';
}

bool BeginsWithDrive(const char* path) {
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\';
}

// A full path without its trailing backslash (a drive root keeps it); false when there is none.
bool FullFolderPath(const char* folder, char* full, size_t size) {
    const DWORD length = GetFullPathNameA(folder, static_cast<DWORD>(size), full, nullptr);
    if (length == 0 || length >= size) {
        return false;
    }
    if (std::strlen(full) > 3) {
        RemoveTrailingBackslash(full);
    }
    return true;
}

// The folder being checked, in its long and short spellings (the short one empty when the
// folder does not exist yet: then it cannot be above an existing folder either).
struct Candidate {
    char full[kPathSize];
    char brief[kPathSize];
};

// True when the candidate is protected, or above it, in either spelling.
bool Covers(const Candidate& candidate, const char* protectedPath) {
    char full[kPathSize];
    if (protectedPath[0] == '\0' || !FullFolderPath(protectedPath, full, sizeof full)) {
        return false;
    }
    if (IsSameOrAbove(candidate.full, full)) {
        return true;
    }
    char brief[kPathSize];
    const DWORD length = GetShortPathNameA(full, brief, sizeof brief);
    return candidate.brief[0] != '\0' && length > 0 && length < sizeof brief &&
           (IsSameOrAbove(candidate.brief, brief) || IsSameOrAbove(candidate.brief, full));
}

// The name of the variable at text (just after its opening %) is word, and its closing % follows.
bool VariableIs(const char* text, const char* word) {
    size_t i = 0;
    for (; word[i] != '\0'; ++i) {
        const char c = text[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != word[i]) {
            return false;
        }
    }
    return text[i] == '%';
}

// A folder named by a registry text, with the system's own variables (%SystemRoot%, %WinDir%,
// %SystemDrive%) put in; a text with any other variable is not followed.
bool CoversExpanded(const Candidate& candidate, const char* text) {
    char windows[kPathSize];
    const UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    if (windowsLength < 2 || windowsLength >= sizeof windows) {
        return false;
    }
    const char drive[] = {windows[0], windows[1], '\0'};
    char expanded[kPathSize] = "";
    for (const char* p = text; *p;) {
        const char* percent = FindCharDbcs(p, '%');
        if (!percent) {
            if (!AppendText(expanded, sizeof expanded, p)) {
                return false;
            }
            break;
        }
        char before[kPathSize];
        if (!CopyTextPart(before, sizeof before, p, static_cast<size_t>(percent - p)) ||
            !AppendText(expanded, sizeof expanded, before)) {
            return false;
        }
        const char* value = nullptr;
        size_t nameLength = 0;
        const struct {
            const char* name;
            const char* value;
        } variables[] = {{"SYSTEMROOT", windows}, {"WINDIR", windows}, {"SYSTEMDRIVE", drive}};
        for (const auto& variable : variables) {
            if (VariableIs(percent + 1, variable.name)) {
                value = variable.value;
                nameLength = std::strlen(variable.name);
            }
        }
        if (!value || !AppendText(expanded, sizeof expanded, value)) {
            return false;
        }
        p = percent + nameLength + 2;
    }
    return Covers(candidate, expanded);
}

bool CoversValue(const Candidate& candidate, const RegKey& key, const char* name) {
    char value[kPathSize];
    return key.ReadText(name, value, sizeof value, true) && CoversExpanded(candidate, value);
}

bool CoversProgramFiles(const Candidate& candidate, const char* windows) {
    const char drive[] = {windows[0], windows[1], '\0'};
    char path[kPathSize];
    for (const char* name : {"\\Program Files", "\\Program Files (x86)"}) {
        if (windows[1] == ':' && FormatText(path, sizeof path, "%s%s", drive, name) &&
            Covers(candidate, path)) {
            return true;
        }
    }
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", KEY_READ)) {
        return false;
    }
    for (const char* name : {"ProgramFilesDir", "ProgramFilesDir (x86)", "ProgramW6432Dir",
                             "CommonFilesDir", "CommonFilesDir (x86)"}) {
        if (CoversValue(candidate, key, name)) {
            return true;
        }
    }
    return false;
}

// Every user's profile root the system lists (the NT family, and the Windows 95 family with
// user profiles), the folder that holds them, and the shared ones.
bool CoversProfiles(const Candidate& candidate) {
    for (const char* listKey : {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProfileList"}) {
        RegKey list;
        if (!list.Open(HKEY_LOCAL_MACHINE, listKey, KEY_READ)) {
            continue;
        }
        for (const char* name :
             {"ProfilesDirectory", "AllUsersProfile", "Default", "Public", "ProgramData"}) {
            if (CoversValue(candidate, list, name)) {
                return true;
            }
        }
        char name[512];
        for (DWORD index = 0; RegEnumKeyA(list.Get(), index, name, sizeof name) == ERROR_SUCCESS;
             ++index) {
            RegKey profile;
            if (profile.Open(list.Get(), name, KEY_READ) &&
                CoversValue(candidate, profile, "ProfileImagePath")) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

FolderRefusal CheckInstallFolder(const char* folder) {
    Candidate candidate;
    if (!FullFolderPath(folder, candidate.full, sizeof candidate.full)) {
        return FolderRefusal::kNone;
    }
    const size_t length = std::strlen(candidate.full);
    if (length <= 3 && candidate.full[1] == ':') {
        return FolderRefusal::kDriveRoot;
    }
    // \\server\share is a network drive's root.
    if (candidate.full[0] == '\\' && candidate.full[1] == '\\') {
        const char* share = FindCharDbcs(candidate.full + 2, '\\');
        if (!share || !FindCharDbcs(share + 1, '\\')) {
            return FolderRefusal::kDriveRoot;
        }
    }
    const DWORD brief = GetShortPathNameA(candidate.full, candidate.brief, sizeof candidate.brief);
    if (brief == 0 || brief >= sizeof candidate.brief) {
        candidate.brief[0] = '\0';
    }
    char windows[kPathSize];
    char system[kPathSize];
    const UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    const UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    if (windowsLength == 0 || windowsLength >= sizeof windows || systemLength == 0 ||
        systemLength >= sizeof system) {
        return FolderRefusal::kSystemFolder; // nothing to compare with: refuse rather than guess
    }
    char path[kPathSize];
    if (Covers(candidate, windows) || Covers(candidate, system) ||
        (FormatText(path, sizeof path, "%s\\SYSTEM", windows) && Covers(candidate, path)) ||
        (FormatText(path, sizeof path, "%s\\SysWOW64", windows) && Covers(candidate, path)) ||
        CoversProgramFiles(candidate, windows) || CoversProfiles(candidate)) {
        return FolderRefusal::kSystemFolder;
    }
    return FolderRefusal::kNone;
}

PathKind LookUpPath(const char* path) {
    if (std::strpbrk(path, "*?")) {
        return PathKind::kMissing;
    }
    WIN32_FIND_DATAA found;
    FindHandle search;
    if (!search.First(path, &found)) {
        return PathKind::kMissing;
    }
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder
                                                               : PathKind::kFile;
}

bool EnsureFolder(const char* path, ErrorText& error, MadeNotes* made) {
    if (IsDriveRoot(path)) {
        return true;
    }
    char folder[kPathSize];
    CopyText(folder, sizeof folder, path);
    RemoveTrailingBackslash(folder);

    switch (LookUpPath(folder)) {
    case PathKind::kFolder:
        return true;
    case PathKind::kFile:
        FormatText(error.text, sizeof error.text,
                   "%s - 同じ名前のファイルが既に存在するのでフォルダが作成できません。", folder);
        return false;
    case PathKind::kMissing:
        break;
    }
    if (CreateDirectoryA(folder, nullptr)) {
        if (made) {
            made->Made(MadeKind::kFolder, path); // undone with a cancelled installation
        }
        return true;
    }
    FormatText(error.text, sizeof error.text, "%s のフォルダ作成に失敗しました。", folder);
    return false;
}

bool EnsureFolderPath(const char* path, ErrorText& error, MadeNotes* made) {
    if (!BeginsWithDrive(path)) {
        return EnsureFolder(path, error, made);
    }
    char level[kPathSize];
    CopyText(level, sizeof level, path);
    for (char* slash = FindCharDbcs(level + 3, '\\'); slash;
         slash = FindCharDbcs(slash + 1, '\\')) {
        const char next = slash[1];
        slash[1] = '\0';
        const bool there = EnsureFolder(level, error, made);
        slash[1] = next;
        if (!there) {
            return false;
        }
    }
    return true;
}

bool TryFolderPath(const char* path, ErrorText& error) {
    char level[kPathSize];
    if (!BeginsWithDrive(path) || !CopyText(level, sizeof level, path)) {
        return EnsureFolderPath(path, error, nullptr);
    }
    // The ends of the levels this try made, deepest last.
    size_t made[kPathSize / 2];
    size_t madeCount = 0;
    bool ok = true;
    for (char* slash = FindCharDbcs(level + 3, '\\'); slash && ok;
         slash = FindCharDbcs(slash + 1, '\\')) {
        const char next = slash[1];
        slash[1] = '\0';
        slash[0] = '\0';
        const bool missing = LookUpPath(level) == PathKind::kMissing;
        slash[0] = '\\';
        ok = EnsureFolder(level, error, nullptr);
        if (ok && missing && madeCount < sizeof made / sizeof made[0]) {
            made[madeCount++] = static_cast<size_t>(slash - level);
        }
        slash[1] = next;
    }
    while (madeCount > 0) {
        level[made[--madeCount]] = '\0';
        RemoveDirectoryA(level);
    }
    return ok;
}

const char* RefuseInstallFolder(char* folder, size_t size) {
    const char* const tooLong = "フォルダ名が長すぎます。短いフォルダ名を指定してください。";
    const char* const root = "ルートフォルダにはインストールできません。";
    if (std::strlen(folder) >= kPathSize || !AddTrailingBackslash(folder, size) ||
        std::strlen(folder) >= kPathSize) {
        return tooLong;
    }
    if (std::strlen(folder) <= 2) {
        return root;
    }
    if (folder[1] != ':' || folder[2] != '\\') {
        return "「C:\\Oskaveld」のように、ドライブ名も含めたフルパス名を指定してください。";
    }
    // Each part a plain name: "..", "." or a name that Windows would shorten names another
    // folder than the one the uninstall entry will name.
    char parts[kPathSize];
    CopyText(parts, sizeof parts, folder + 3);
    const size_t length = std::strlen(parts);
    if (length > 0) {
        parts[length - 1] = '\0'; // its trailing backslash
        if (!IsConfinedPath(parts)) {
            return "フォルダ名に使えない名前が含まれています。別のフォルダ名を指定してください。";
        }
    }
    // Its removal would take the whole drive, Windows or the user's files with it.
    switch (CheckInstallFolder(folder)) {
    case FolderRefusal::kDriveRoot:
        return root;
    case FolderRefusal::kSystemFolder:
        return "Windowsのフォルダ、Program Filesのフォルダそのもの、ユーザーのフォルダ"
               "にはインストールできません。製品用のフォルダを指定してください。";
    case FolderRefusal::kNone:
        break;
    }
    return nullptr;
}
