// The text work of a shortcut's target: where its arguments begin and the folder it starts in.
// No windows.h: pure logic.
#include "shortcuts/Shortcuts.h"

#include <cstring>

#include "base/Text.h"

char* FindArgumentsComma(char* target, const char* folder) {
    const size_t folderLength = std::strlen(folder);
    char* from = target;
    if (std::strncmp(target, folder, folderLength) == 0) {
        from += folderLength;
    }
    return FindCharDbcs(from, ',');
}

bool WorkingFolderOf(const char* fullPath, char* folder, size_t size) {
    const char* slash = FindLastCharDbcs(fullPath, '\\');
    if (!slash) {
        return false;
    }
    size_t length = static_cast<size_t>(slash - fullPath);
    if (length == 2 && fullPath[1] == ':') {
        ++length; // a drive root keeps its backslash: "D:" alone names the drive's current folder
    }
    return length > 0 && CopyTextPart(folder, size, fullPath, length);
}
