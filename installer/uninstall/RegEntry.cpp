// Parsing [Reg] entries: outside input that decides what is deleted from the registry.
#include "uninstall/RegEntry.h"

#include <cstring>

#include "entry/Text.h"

namespace {

struct RootName {
    const char* name;
    RegRoot root;
};

const RootName kRootNames[] = {
    {"HKEY_CURRENT_USER", RegRoot::CurrentUser},
    {"HKEY_LOCAL_MACHINE", RegRoot::LocalMachine},
    {"HKEY_CLASSES_ROOT", RegRoot::ClassesRoot},
};

} // namespace

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
            return RegRoot::None;
        }
        *keyPath = entry + length + 1;
        return root.root;
    }
    return RegRoot::None;
}
