// Files and folders as the installer's tests look at them.
#pragma once

#include <windows.h>

#include <string>

bool IsFolder(const std::string& path);

// A file with none of the read-only, hidden and system attributes. Wine reports every file as
// FILE_ATTRIBUTE_ARCHIVE, even after it was set to FILE_ATTRIBUTE_NORMAL alone.
bool IsPlainFile(const std::string& path);

// True when the path's last character is a backslash, not the trail byte of a double-byte one.
bool EndsInBackslash(const std::string& path);

// A handle the test opened, closed by its function (CloseHandle, FindClose) when the owner goes:
// also when an assertion ends the test early, so that no file stays held for the tests after it.
class TestHandle {
public:
    using Closer = BOOL(WINAPI*)(HANDLE);
    TestHandle(HANDLE handle, Closer close) : handle_(handle), close_(close) {}
    ~TestHandle() { Close(); }
    TestHandle(const TestHandle&) = delete;
    TestHandle& operator=(const TestHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (IsOpen()) {
            close_(handle_);
        }
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
    Closer close_;
};
