// Owners for the handles the installer opens: each closes its handle on every path.
#pragma once

#include <windows.h>

class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool Open(HKEY root, const char* path, REGSAM access) {
        Close();
        return RegOpenKeyExA(root, path, 0, access, &key_) == ERROR_SUCCESS;
    }
    // Opens the key, creating it (and its missing parents) when it does not exist.
    bool Create(HKEY root, const char* path, REGSAM access) {
        Close();
        return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                               &key_, nullptr) == ERROR_SUCCESS;
    }
    void Close() {
        if (key_) {
            RegCloseKey(key_);
            key_ = nullptr;
        }
    }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

class FindHandle {
public:
    FindHandle() = default;
    ~FindHandle() { Close(); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool First(const char* pattern, WIN32_FIND_DATAA* data) {
        Close();
        handle_ = FindFirstFileA(pattern, data);
        return handle_ != INVALID_HANDLE_VALUE;
    }
    bool Next(WIN32_FIND_DATAA* data) {
        return handle_ != INVALID_HANDLE_VALUE && FindNextFileA(handle_, data);
    }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            FindClose(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};
