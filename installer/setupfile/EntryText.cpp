// Splitting setup-file entries and uninstall strings: outside input, every copy bounded.
#include "setupfile/EntryText.h"

#include <cstring>

#include "base/Text.h"

namespace {

// target becomes installFolder followed by part; empty when that would not fit.
size_t JoinTarget(char* target, const char* installFolder, const char* part) {
    CopyText(target, kPathSize, installFolder);
    const size_t relative = std::strlen(target);
    if (!AppendText(target, kPathSize, part)) {
        target[0] = '\0';
        return 0;
    }
    return relative;
}

} // namespace

void SplitFileEntry(char* name, const char* installFolder, char* target, size_t& relative) {
    // Without a comma the source also names the place below the installation folder.
    const char* destination = name;
    if (char* comma = FindCharDbcs(name, ',')) {
        *comma = '\0';
        destination = comma + 1;
    }
    relative = JoinTarget(target, installFolder, destination);
}

bool SplitGroupEntry(char* name, const char* installFolder, char* target) {
    char* comma = FindCharDbcs(name, ',');
    if (!comma) {
        name[0] = '\0';
        return false;
    }
    *comma = '\0';
    JoinTarget(target, installFolder, comma + 1);
    return true;
}

bool FolderOfUninstallString(const char* value, char* folder, size_t size) {
    const char* path = value;
    char end = ' ';
    if (*path == '"') {
        ++path;
        end = '"';
    }
    // Without its closing quote or a blank the whole value is the program's path.
    const char* pathEnd = FindCharDbcs(path, end);
    const char* slash = FindLastCharDbcs(path, '\\', pathEnd);
    if (!slash) {
        return false;
    }
    return CopyTextPart(folder, size, path, static_cast<size_t>(slash + 1 - path));
}
