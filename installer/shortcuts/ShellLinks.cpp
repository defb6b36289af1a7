// Shortcuts on a shell with links: ".lnk" files written through the shell's link object into
// the folders the shell records for the current user.
#include "shortcuts/ShellLinks.h"

#include <windows.h>

#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <cstring>
#include <initializer_list>

#include "base/Handles.h"
#include "base/MadeNotes.h"
#include "base/SetupContext.h"
#include "setupfile/Folders.h"
#include "setupfile/PathRules.h"
#include "setupfile/SetupFile.h"

namespace {

const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Value names under kShellFoldersKey, by ShortcutPlace.
const char* const kShellFolderValues[] = {"Programs", "Desktop", "Startup"};

// The folder of a place as the shell records it, with a trailing backslash; false when the
// shell records none.
bool ReadShellFolder(ShortcutPlace place, char* folder, size_t size) {
    RegKey key;
    return key.Open(HKEY_CURRENT_USER, kShellFoldersKey, KEY_READ) &&
           key.ReadText(kShellFolderValues[static_cast<int>(place)], folder, size) &&
           folder[0] != '\0' && AddTrailingBackslash(folder, size);
}

// Deletes every file of the product's own group folder, then the folder if that left it empty.
void RemoveGroupFolder(const char* folder) {
    char pattern[kPathSize];
    if (!CopyText(pattern, sizeof pattern, folder) || !AppendText(pattern, sizeof pattern, "\\*")) {
        return;
    }
    WIN32_FIND_DATAA found;
    FindHandle search;
    for (bool more = search.First(pattern, &found); more; more = search.Next(&found)) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        char file[kPathSize];
        if (FormatText(file, sizeof file, "%s\\%s", folder, found.cFileName)) {
            DeleteFileA(file);
        }
    }
    search.Close();
    RemoveDirectoryA(folder);
}

// Writes one link named after entryName into folder, starting entryTarget with the arguments
// after its comma. Any failure skips the link without a word.
void SaveLink(const char* folder, MadeNotes* made) {
    if (SetupContext.entryTarget[0] == '\0') {
        return; // the entry's target did not fit into a path
    }
    ComRef<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.Out()))) {
        return;
    }
    char target[kPathSize];
    CopyText(target, sizeof target, SetupContext.entryTarget);
    if (char* comma = FindArgumentsComma(target, SetupContext.installFolder)) {
        *comma = '\0';
        link->SetArguments(comma + 1);
    }
    link->SetPath(target);
    link->SetDescription(SetupContext.entryName);
    char full[kPathSize];
    char working[kPathSize];
    const DWORD length = GetFullPathNameA(target, sizeof full, full, nullptr);
    if (length > 0 && length < sizeof full && WorkingFolderOf(full, working, sizeof working)) {
        link->SetWorkingDirectory(working);
    }

    char path[kPathSize];
    WCHAR widePath[kPathSize];
    if (!FormatText(path, sizeof path, "%s%s.lnk", folder, SetupContext.entryName) ||
        MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kPathSize) == 0) {
        return;
    }
    ComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.Out()))) {
        return;
    }
    // A new link is logged before it is written; one that was there stays the earlier
    // installation's, rewritten with the same target.
    if (made && LookUpPath(path) == PathKind::kMissing) {
        made->Made(MadeKind::kLink, path);
    }
    file->Save(widePath, TRUE);
}

} // namespace

bool IsInShortcutPlace(const char* path) {
    for (ShortcutPlace place :
         {ShortcutPlace::kPrograms, ShortcutPlace::kDesktop, ShortcutPlace::kStartup}) {
        char folder[kPathSize];
        if (ReadShellFolder(place, folder, sizeof folder) && IsSameOrAbove(folder, path) &&
            lstrcmpiA(folder, path) != 0 && std::strlen(path) + 1 != std::strlen(folder)) {
            return true;
        }
    }
    return false;
}

bool UpdateShellLinks(ShortcutPlace place, ShortcutUpdate update, ErrorText& error,
                      MadeNotes* made) {
    char folder[kPathSize];
    if (!ReadShellFolder(place, folder, sizeof folder)) {
        return true;
    }
    const bool remove = update == ShortcutUpdate::kRemove;
    // A group folder that cannot be made is reported; its links are tried all the same.
    bool folderMade = true;
    if (place == ShortcutPlace::kPrograms && SetupContext.groupCount > 0) {
        // The product's own group: a folder of its own below Programs.
        if (!AppendText(folder, sizeof folder, SetupContext.title)) {
            return true;
        }
        if (remove) {
            RemoveGroupFolder(folder);
            return true;
        }
        if (!AppendText(folder, sizeof folder, "\\")) {
            return true;
        }
        folderMade = EnsureFolder(folder, error, made);
    } else if (remove) {
        char link[kPathSize];
        if (FormatText(link, sizeof link, "%s%s.lnk", folder, SetupContext.title)) {
            DeleteFileA(link);
        }
        return true;
    }

    const bool grouped = place == ShortcutPlace::kPrograms && SetupContext.groupCount > 0;
    if (!LoadFirstShortcut(grouped)) {
        return folderMade;
    }
    const int count = grouped ? SetupContext.groupCount : 1;
    ComLibrary library;
    for (int n = 1; n <= count; ++n) {
        SaveLink(folder, made);
        if (n < count) {
            LoadGroupEntry(n + 1);
        }
    }
    return folderMade;
}
