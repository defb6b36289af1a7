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

// The "\\\\?\\" form of a path: files and folders deeper than MAX_PATH, which the ANSI calls
// refuse to create, can be made and removed as well.
std::wstring LongPath(const std::string& path) {
    std::vector<wchar_t> wide(path.size() + 1);
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    return L"\\\\?\\" + std::wstring(wide.data());
}

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
    // A program the test started may still be ending in a folder of it, holding it as its
    // current folder or its program file: try again for a moment.
    for (int attempt = 0; attempt < 50; ++attempt) {
        RemoveTree(path_);
        if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return;
        }
        Sleep(40);
    }
}

bool ScratchFolder::MakeFolder(const std::string& relative) const {
    const std::string full = *this / relative;
    for (size_t separator : Separators(full)) {
        if (separator > path_.size()) {
            CreateDirectoryW(LongPath(full.substr(0, separator)).c_str(), nullptr);
        }
    }
    CreateDirectoryW(LongPath(full).c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(LongPath(full).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ScratchFolder::WriteFile(const std::string& relative, const std::string& bytes) const {
    const std::vector<size_t> separators = Separators(relative);
    if (!separators.empty()) {
        MakeFolder(relative.substr(0, separators.back()));
    }
    HANDLE file = CreateFileW(LongPath(*this / relative).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return CloseHandle(file) && ok && written == bytes.size();
}

void RemoveTree(const std::string& path) {
    RemoveLongTree(LongPath(path));
}

} // namespace driver
