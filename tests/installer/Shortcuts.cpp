// Shortcut files and shell folders for the installer's tests.
#include "Shortcuts.h"

#include <windows.h>

#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <algorithm>

#include "Files.h"
#include "WinDriver.h"

namespace {

const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// The shell writes "Shell Folders" anew from these whenever it looks a folder up.
const char kUserShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

bool ReadValue(const char* keyPath, const char* name, std::string* value, DWORD* type) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    char data[MAX_PATH + 1];
    DWORD size = MAX_PATH;
    const LONG result =
        RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (*type != REG_SZ && *type != REG_EXPAND_SZ)) {
        return false;
    }
    data[size] = '\0';
    *value = data;
    return true;
}

void WriteValue(const char* keyPath, const char* name, const std::string* value, DWORD type) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_WRITE, &key) != ERROR_SUCCESS) {
        return;
    }
    if (value) {
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>(value->size() + 1));
    } else {
        RegDeleteValueA(key, name);
    }
    RegCloseKey(key);
}

} // namespace

bool ReadLink(const std::string& file, LinkSeen* link) {
    const HRESULT com = CoInitialize(nullptr);
    bool read = false;
    IShellLinkA* shellLink = nullptr;
    IPersistFile* persist = nullptr;
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH) > 0 &&
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shellLink))) &&
        SUCCEEDED(
            shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(wide, STGM_READ))) {
        char text[1024];
        text[0] = '\0';
        shellLink->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
        link->path = text;
        text[0] = '\0';
        shellLink->GetArguments(text, sizeof text);
        link->arguments = text;
        text[0] = '\0';
        shellLink->GetWorkingDirectory(text, sizeof text);
        link->folder = text;
        text[0] = '\0';
        shellLink->GetDescription(text, sizeof text);
        link->description = text;
        read = true;
    }
    if (persist) {
        persist->Release();
    }
    if (shellLink) {
        shellLink->Release();
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return read;
}

Names FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::string pattern = folder;
    if (!EndsInBackslash(pattern)) {
        pattern += '\\';
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((pattern + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ShellFolder(const char* name) {
    std::string value;
    DWORD type = 0;
    if (!ReadValue(kShellFoldersKey, name, &value, &type) || value.empty()) {
        return "";
    }
    return EndsInBackslash(value) ? value : value + "\\";
}

ShellFolderOverride::~ShellFolderOverride() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        WriteValue(it->key, it->name.c_str(), it->existed ? &it->value : nullptr, it->type);
    }
}

void ShellFolderOverride::Remember(const char* name) {
    for (const char* key : {kShellFoldersKey, kUserShellFoldersKey}) {
        Saved saved{key, name, false, "", REG_SZ};
        saved.existed = ReadValue(key, name, &saved.value, &saved.type);
        saved_.push_back(saved);
    }
}

void ShellFolderOverride::Set(const char* name, const std::string& folder) {
    Remember(name);
    WriteValue(kUserShellFoldersKey, name, &folder, REG_EXPAND_SZ);
    WriteValue(kShellFoldersKey, name, &folder, REG_SZ);
}

void ShellFolderOverride::Remove(const char* name) {
    Remember(name);
    WriteValue(kUserShellFoldersKey, name, nullptr, REG_EXPAND_SZ);
    WriteValue(kShellFoldersKey, name, nullptr, REG_SZ);
}

TestPlaces::TestPlaces() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    desktop_ = std::string(temp) + "tova-desktop\\";
    CreateDirectoryA(desktop_.c_str(), nullptr);
    Clear("Desktop");
    for (const char* name : {"Programs", "Desktop", "Startup"}) {
        CreateDirectoryA((*this)(name).c_str(), nullptr);
        folders_.Set(name, (*this)(name));
    }
}

TestPlaces::~TestPlaces() {
    Clear("Desktop");
}

std::string TestPlaces::operator()(const std::string& name) const {
    return name == "Desktop" ? desktop_ : scratch_ / name + "\\";
}

void TestPlaces::Clear(const std::string& name) const {
    const std::string folder = (*this)(name);
    for (const std::string& entry : FolderEntries(folder)) {
        if (IsFolder(folder + entry)) {
            driver::RemoveTree(folder + entry);
        } else {
            SetFileAttributesA((folder + entry).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA((folder + entry).c_str());
        }
    }
}

void CloseGroupWindows(const std::string& group, unsigned long waitMs) {
    HWND window = driver::WaitForWindow(0, "ExplorerWClass", group.c_str(), waitMs);
    while (window) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        driver::WaitUntil([&] { return !IsWindow(window); }, 5000);
        window = driver::WaitForWindow(0, "ExplorerWClass", group.c_str(), 0);
    }
}
