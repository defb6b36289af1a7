// Parsing [Reg] entries: outside input that decides what is deleted from the registry.
#include "uninstall/RegEntry.h"

#include <cstring>

#include "base/Text.h"

namespace {

struct RootName {
    const char* name;
    RegRoot root;
};

const RootName kRootNames[] = {
    {"HKEY_CURRENT_USER", RegRoot::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", RegRoot::kLocalMachine},
    {"HKEY_CLASSES_ROOT", RegRoot::kClassesRoot},
};

// Branches below SOFTWARE that belong to Windows or are shared by every program.
const char* const kWindowsBranches[] = {"MICROSOFT",   "CLASSES", "POLICIES",
                                        "WOW6432NODE", "CLIENTS", "REGISTEREDAPPLICATIONS"};

// Makers of the classes Windows itself defines with a dotted name (Shell.Application, ...).
const char* const kWindowsClassMakers[] = {"MICROSOFT",
                                           "WINDOWS",
                                           "SHELL",
                                           "WSCRIPT",
                                           "SCRIPTING",
                                           "PAINT",
                                           "WORDPAD",
                                           "MSXML",
                                           "MSXML2",
                                           "ADODB",
                                           "ADOX",
                                           "CDO",
                                           "SAPI",
                                           "WBEMSCRIPTING",
                                           "VBSCRIPT",
                                           "JSCRIPT",
                                           "INTERNETEXPLORER",
                                           "MEDIAPLAYER",
                                           "WMPLAYER"};

// The first name of path (up to its first backslash or dot, as stop says), its length in
// length; false when it is empty.
size_t NameLength(const char* path, const char* stops) {
    size_t length = 0;
    while (path[length] != '\0' && !std::strchr(stops, path[length])) {
        length += CharLength(path + length);
    }
    return length;
}

// A name of length bytes equals word (upper case), letters compared without regard to case.
bool NameIs(const char* name, size_t length, const char* word) {
    return IsWordIgnoringCase(name, length, word);
}

template <size_t N>
bool NameIsOneOf(const char* name, size_t length, const char* const (&words)[N]) {
    for (const char* word : words) {
        if (NameIs(name, length, word)) {
            return true;
        }
    }
    return false;
}

// No empty name inside the path: only one trailing backslash is let through, as the registry
// takes it.
bool HasNoEmptyName(const char* path) {
    if (path[0] == '\0' || path[0] == '\\') {
        return false;
    }
    for (const char* p = path; *p; p += CharLength(p)) {
        if (*p == '\\' && p[1] == '\\') {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsOwnableKey(RegRoot root, const char* path) {
    if (!HasNoEmptyName(path)) {
        return false;
    }
    const size_t first = NameLength(path, "\\");
    if (root == RegRoot::kClassesRoot) {
        // maker.name: the maker part comes before the first dot, and there must be more after it.
        const size_t maker = NameLength(path, ".\\");
        return maker > 0 && maker < first && path[maker] == '.' && maker + 1 < first &&
               !NameIsOneOf(path, maker, kWindowsClassMakers);
    }
    if (root != RegRoot::kCurrentUser && root != RegRoot::kLocalMachine) {
        return false;
    }
    if (!NameIs(path, first, "SOFTWARE") || path[first] != '\\') {
        return false;
    }
    const char* below = path + first + 1;
    const size_t maker = NameLength(below, "\\");
    return maker > 0 && !NameIsOneOf(below, maker, kWindowsBranches);
}

RegRoot ParseOwnedRegEntry(const char* entry, const char** keyPath) {
    const char* path = nullptr;
    const RegRoot root = ParseRegEntry(entry, &path);
    if (root == RegRoot::kNone || !IsOwnableKey(root, path)) {
        return RegRoot::kNone;
    }
    *keyPath = path;
    return root;
}

bool NamesKeyBelow(const char* path) {
    return path[0] != '\0' && path[0] != '\\';
}

RegRoot ParseRegEntry(const char* entry, const char** keyPath) {
    for (const RootName& root : kRootNames) {
        const size_t length = std::strlen(root.name);
        if (std::strncmp(entry, root.name, length) != 0) {
            continue;
        }
        // The separator is passed over whatever it is; the root name alone has none. A
        // double-byte character there is no separator at all: the key path would begin at its
        // trail byte and name some other key, so the entry counts as malformed.
        if (entry[length] == '\0' || CharLength(entry + length) != 1 ||
            !NamesKeyBelow(entry + length + 1)) {
            return RegRoot::kNone;
        }
        *keyPath = entry + length + 1;
        return root.root;
    }
    return RegRoot::kNone;
}
