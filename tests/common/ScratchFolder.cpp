// Scratch folders for tests that work on real files.
#include "ScratchFolder.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace driver {

namespace {

LONG scratchCounter = 0;

// Positions of the real separators of a path: a trail byte 0x5C (表, ソ) is not one.
std::vector<size_t> Separators(const std::string& path) {
    std::vector<size_t> found;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByteEx(932, static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
        } else if (path[i] == '\\') {
            found.push_back(i);
        }
    }
    return found;
}

} // namespace

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char name[64];
    std::snprintf(name, sizeof name, "vexilo-test-%lu-%ld", GetCurrentProcessId(),
                  InterlockedIncrement(&scratchCounter));
    path_ = std::string(temp) + name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    RemoveTree(path_);
}

bool ScratchFolder::MakeFolder(const std::string& relative) const {
    const std::string full = *this / relative;
    for (size_t separator : Separators(full)) {
        if (separator > path_.size()) {
            CreateDirectoryA(full.substr(0, separator).c_str(), nullptr);
        }
    }
    CreateDirectoryA(full.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesA(full.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ScratchFolder::WriteFile(const std::string& relative, const std::string& bytes) const {
    const std::vector<size_t> separators = Separators(relative);
    if (!separators.empty()) {
        MakeFolder(relative.substr(0, separators.back()));
    }
    FILE* file = std::fopen((*this / relative).c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

namespace {

// Works on "\\?\" paths, so that folders deeper than MAX_PATH go as well.
void RemoveLongTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        return;
    }
    // A link is never entered: what it points at is not ours.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") {
                    RemoveLongTree(path + L"\\" + name);
                }
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryW(path.c_str());
}

} // namespace

void RemoveTree(const std::string& path) {
    wchar_t wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0) {
        RemoveLongTree(std::wstring(L"\\\\?\\") + wide);
    }
}

} // namespace driver
