// Owners for the handles Vexilo opens: each closes its handle on every path out of its scope,
// and none can be copied, so that no handle is closed twice.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdio>

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

    // The whole text of a REG_SZ value: true only when it fits into size bytes with its
    // terminator, which a stored text need not carry. Any other value leaves text empty: a
    // folder cut short would be another folder.
    bool ReadText(const char* name, char* text, size_t size) const;
    // True, and value set, only for a REG_DWORD value of four bytes.
    bool ReadDword(const char* name, DWORD* value) const;

private:
    HKEY key_ = nullptr;
};

// A directory search.
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

// A kernel object closed with CloseHandle: a file, a mutex. Either failure value of the
// creating call (nullptr, INVALID_HANDLE_VALUE) holds nothing.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~KernelHandle() { Reset(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    // Closes the handle held and takes handle instead.
    void Reset(HANDLE handle = nullptr) {
        if (IsOpen()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }
    HANDLE Get() const { return handle_; }
    bool IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// A C runtime file.
class StdFile {
public:
    StdFile(const char* path, const char* mode) : file_(std::fopen(path, mode)) {}
    ~StdFile() { Close(); }
    StdFile(const StdFile&) = delete;
    StdFile& operator=(const StdFile&) = delete;

    FILE* Get() const { return file_; }
    // False when the file was not open or its last writes failed on closing.
    bool Close() {
        const bool closed = file_ && std::fclose(file_) == 0;
        file_ = nullptr;
        return closed;
    }

private:
    FILE* file_;
};

// One reference to a COM interface.
template <typename Interface> class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_) {
            pointer_->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    // For the call that hands out the reference; only on an empty owner, so none is lost.
    Interface** Out() { return &pointer_; }

private:
    Interface* pointer_ = nullptr;
};

// A critical section for the life of the process, never deleted: kept threads may still take
// it while the program ends. (Held in a function's static, it is made once, on first use.)
inline CRITICAL_SECTION* NewProcessLock() {
    CRITICAL_SECTION* lock = new CRITICAL_SECTION;
    InitializeCriticalSection(lock);
    return lock;
}

// A critical section held for the length of a scope.
class Locked {
public:
    explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Locked() { LeaveCriticalSection(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION& lock_;
};
