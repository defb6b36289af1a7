// Scratch folders for the installer's tests.
#include "Scratch.h"

#include <windows.h>

#include <cstdio>

ScratchFolder::ScratchFolder() {
    static int serial = 0;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char name[64];
    std::snprintf(name, sizeof name, "tova-%lu-%d\\", GetCurrentProcessId(), ++serial);
    path_ = std::string(temp) + name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    // A program the test started may still be ending in a folder of it, holding it as its
    // current folder: try again for a moment.
    for (int attempt = 0; attempt < 50; ++attempt) {
        RemoveTree(path_);
        if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return;
        }
        Sleep(40);
    }
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void RemoveTree(const std::string& folder) {
    std::string base = folder;
    if (!EndsInBackslash(base)) {
        base += '\\';
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(base + name);
            } else {
                SetFileAttributesA((base + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA((base + name).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    base.pop_back();
    RemoveDirectoryA(base.c_str());
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsInBackslash(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const char* last = CharPrevA(path.c_str(), path.c_str() + path.size());
    return *last == '\\' && last + 1 == path.c_str() + path.size();
}

bool IsPlainFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes == FILE_ATTRIBUTE_NORMAL || attributes == FILE_ATTRIBUTE_ARCHIVE;
}
