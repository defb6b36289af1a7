// Favorites walk: depth first, in the order the file system gives, each favorite written to the
// list as soon as it is found, so the walk holds nothing but one search per folder level.
#include <windows.h>

#include "favorites/FavoritesWalk.h"

#include "favorites/FavoritesList.h"
#include "favorites/StoreNames.h"
#include "framework/Handles.h"
#include "framework/RunFlags.h"
#include "text/TextRoutines.h"

#include <cstring>

namespace {

constexpr char kShortcutExtension[] = ".url";

// A shortcut as an entry of the run's list, named by its place below the root.
bool WriteFavorite(FILE* list, const char* root, const char* path, const char* url) {
    ListEntry entry{};
    StoreNames names;
    if (BuildStoreNames(root, path, "", names)) {
        CopyText(entry.name, sizeof entry.name, names.relativeName);
        CopyText(entry.storeName, sizeof entry.storeName, names.storeName);
    } else {
        CopyText(entry.name, sizeof entry.name, path); // no copy can be kept: a path too long
    }
    CopyText(entry.file, sizeof entry.file, path);
    CopyText(entry.url, sizeof entry.url, url);
    return WriteListEntry(list, entry);
}

// What a walk is for: a run's list (dispatching the window's messages as it goes, and stopping
// with runFlag), or only a count.
struct WalkTarget {
    const char* root;
    FILE* list; // nullptr: count only
};

int Walk(const WalkTarget& target, const char* folder) {
    char pattern[kPathSize];
    if (!JoinPath(pattern, sizeof pattern, folder, "*.*")) {
        return 0;
    }
    WIN32_FIND_DATAA entry;
    FindHandle search;
    if (!search.First(pattern, &entry)) {
        return 0;
    }
    int count = 0;
    do {
        if (target.list && runFlag.load() != 1) {
            return count;
        }
        // An entry whose path would pass 259 bytes cannot be opened by its path: skipped.
        char path[kPathSize];
        if (JoinPath(path, sizeof path, folder, entry.cFileName)) {
            switch (ClassifyEntry(entry.cFileName, entry.dwFileAttributes)) {
            case EntryKind::kFolder:
                count += Walk(target, path);
                break;
            case EntryKind::kShortcut: {
                char url[kListLineSize];
                if (ReadShortcutUrl(path, url) &&
                    (!target.list || WriteFavorite(target.list, target.root, path, url))) {
                    ++count;
                }
                break;
            }
            case EntryKind::kSkip:
                break;
            }
        }
        if (target.list) {
            DispatchOneMessage();
        }
    } while (search.Next(&entry));
    return count;
}

} // namespace

void DispatchOneMessage() {
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool ReadShortcutUrl(const char* path, char* url) {
    url[0] = '\0';
    StdFile file(path, "r");
    return file.Get() && ReadShortcutUrlFrom(file.Get(), url);
}

EntryKind ClassifyEntry(const char* name, unsigned long attributes) {
    if (attributes & FILE_ATTRIBUTE_TEMPORARY) {
        return EntryKind::kSkip;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // "." and ".." and folders the user hid that way; a reparse point may lead back up the
        // tree, which would recurse without end.
        if (name[0] == '.' || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            return EntryKind::kSkip;
        }
        return EntryKind::kFolder;
    }
    char extension[kNameSize];
    PathExtension(name, extension, sizeof extension);
    ChangeCase(extension, 1);
    return std::strcmp(extension, kShortcutExtension) == 0 ? EntryKind::kShortcut
                                                           : EntryKind::kSkip;
}

int EnumerateFavorites(const char* folder, FILE* list) {
    if (!list || folder[0] == '\0') {
        return 0;
    }
    return Walk({folder, list}, folder);
}

int CountFavorites(const char* folder) {
    return folder[0] ? Walk({folder, nullptr}, folder) : 0;
}
