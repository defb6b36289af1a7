// Removing registry trees key by key: the NT family refuses to delete a key that still has
// subkeys, so every level is emptied first.
#include "uninstall/Registry.h"

#include <cstring>

#include "base/Handles.h"
#include "base/RunLog.h"
#include "base/Text.h"
#include "setupfile/SetupFile.h"

namespace {

// A key name has up to 255 characters, and in code page 932 each may take two bytes: a shorter
// buffer would end the walk at a long Japanese name and leave the keys after it.
constexpr DWORD kKeyNameSize = 512;

// One byte more than an entry may have, so that a longer one is seen and not cut: cut at a
// backslash it would name a parent of the key it lists.
constexpr size_t kRegEntrySize = kPathSize + 1;

HKEY RootKey(RegRoot root) {
    switch (root) {
    case RegRoot::kCurrentUser:
        return HKEY_CURRENT_USER;
    case RegRoot::kLocalMachine:
        return HKEY_LOCAL_MACHINE;
    case RegRoot::kClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegRoot::kNone:
        break;
    }
    return nullptr;
}

} // namespace

void RemoveRegistryTree(HKEY parent, const char* path) {
    if (!NamesKeyBelow(path)) {
        return;
    }
    RegKey key;
    if (key.Open(parent, path, KEY_ALL_ACCESS)) {
        // A removed subkey's place is taken by the next one, so the index stays; a subkey that
        // comes back under the same name could not be removed and is passed over.
        char previous[kKeyNameSize] = "";
        char name[kKeyNameSize];
        DWORD index = 0;
        while (RegEnumKeyA(key.Get(), index, name, sizeof name) == ERROR_SUCCESS) {
            if (lstrcmpiA(name, previous) == 0) {
                ++index;
                continue;
            }
            RemoveRegistryTree(key.Get(), name);
            CopyText(previous, sizeof previous, name);
        }
        key.Close();
    }
    // Takes the key's values with it; a key that kept a subkey stays.
    RegDeleteKeyA(parent, path);
}

int RemoveRegSection(RunLog& log) {
    ReadEntryList(EntryList::kReg);
    int malformed = 0;
    for (int n = 1;; ++n) {
        char entry[kRegEntrySize];
        ReadListValue(EntryList::kReg, n, entry, sizeof entry);
        if (entry[0] == '\0') {
            return malformed;
        }
        const char* keyPath = nullptr;
        const RegRoot root =
            std::strlen(entry) < kPathSize ? ParseOwnedRegEntry(entry, &keyPath) : RegRoot::kNone;
        if (root == RegRoot::kNone) {
            log.Failure(0, "[Reg] %d=%s は削除できるキーではありません。", n, entry);
            ++malformed;
            continue;
        }
        RemoveRegistryTree(RootKey(root), keyPath);
        log.Note("レジストリキーを削除: %s", entry);
    }
}
