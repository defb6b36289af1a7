// Files and folders as the installer's tests look at them.
#include "Files.h"

#include <windows.h>

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsPlainFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes == FILE_ATTRIBUTE_NORMAL || attributes == FILE_ATTRIBUTE_ARCHIVE;
}

bool EndsInBackslash(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const char* last = CharPrevA(path.c_str(), path.c_str() + path.size());
    return *last == '\\' && last + 1 == path.c_str() + path.size();
}
