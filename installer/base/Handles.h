// Owners for the handles the installer opens: each closes its handle on every path, and none can
// be copied, so that no handle is closed twice.
#pragma once

#include <windows.h>

#include <ddeml.h>
#include <objbase.h>

#include <cstddef>
#include <cstdint>

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

    // The whole text of a REG_SZ value (or of a REG_EXPAND_SZ one, unexpanded, when expandable):
    // true only when it fits into size bytes with its terminator, which a stored text need not
    // carry. Any other value leaves text empty: a text cut short would name another path.
    bool ReadText(const char* name, char* text, size_t size, bool expandable = false) const;
    // True, and value set, only for a REG_DWORD value of four bytes.
    bool ReadDword(const char* name, uint32_t* value) const;

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

// A kernel object closed with CloseHandle: a file, a pipe's end, a process. Either failure value
// of the creating call (nullptr, INVALID_HANDLE_VALUE) holds nothing.
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

// A system library loaded at run time, for functions that not every Windows has: the program
// must still start where they are missing.
class Library {
public:
    explicit Library(const char* name) : module_(LoadLibraryA(name)) {}
    ~Library() {
        if (module_) {
            FreeLibrary(module_);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The function of that name, or nullptr (also when the library is missing).
    template <typename Function> Function Find(const char* name) const {
        return module_ ? reinterpret_cast<Function>(
                             reinterpret_cast<void*>(GetProcAddress(module_, name)))
                       : nullptr;
    }

private:
    HMODULE module_;
};

// The component library, for as long as the owner lives.
class ComLibrary {
public:
    ComLibrary() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComLibrary() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    ComLibrary(const ComLibrary&) = delete;
    ComLibrary& operator=(const ComLibrary&) = delete;

private:
    bool initialised_;
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
    // For the creating call; only on an empty owner, so that no reference is lost.
    void** Out() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

// A DDE client instance and its one conversation: the conversation ends, and the instance is
// given back to the system, when the owner goes. The program has one thread and one client at
// a time.
class DdeClient {
public:
    DdeClient() = default;
    ~DdeClient();
    DdeClient(const DdeClient&) = delete;
    DdeClient& operator=(const DdeClient&) = delete;

    // False when the system starts no client instance.
    bool Start();
    // Opens a conversation with service and topic, ending one that is still open; true when the
    // server answered.
    bool Open(const char* service, const char* topic);
    // Ends the conversation if one is open.
    void Close();
    // Sends one command and waits up to 10 s for the server's answer; true when it accepted it.
    bool Execute(const char* command);

    DWORD Instance() const { return instance_; }

private:
    // Forgets the conversation when the server ends it.
    static HDDEDATA CALLBACK OnEvent(UINT type, UINT format, HCONV conversation, HSZ topic,
                                     HSZ service, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);

    DWORD instance_ = 0;
    HCONV conversation_ = nullptr;
};
