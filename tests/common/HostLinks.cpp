// Folder links and drive letters, made the Windows way or, under Wine, on the host.
#include "HostLinks.h"

#include <windows.h>

#include "WinDriver.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace driver {

namespace {

// A search in the folder succeeds: the drive or link shows a folder.
bool ShowsFolder(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search =
        FindFirstFileA((folder + (folder.back() == '\\' ? "*" : "\\*")).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return true;
}

} // namespace

bool RunOnHost(std::string command, const std::function<bool()>& cond) {
    // Through the host's shell, its input and output on /dev/null: a host program inherits the
    // test's own output otherwise, and one that outlived the test would hold it open, which
    // CTest waits for until its time-out.
    if (command.compare(0, 2, "Z:") == 0) {
        command.erase(0, 2);
        for (size_t i = 0; i < command.size() && command[i] != ' '; ++i) {
            command[i] = command[i] == '\\' ? '/' : command[i];
        }
    }
    command = "Z:\\bin\\sh -c \"exec " + command + " </dev/null >/dev/null 2>&1\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return WaitUntil(cond, 5000);
}

std::string UnixPath(const std::string& path) {
    typedef char*(CDECL * UnixName)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    if (!unixName || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) {
        return "";
    }
    char* name = unixName(wide);
    const std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

FolderLink::FolderLink(const std::string& link, const std::string& target) : link_(link) {
    if (MakeJunction(target)) {
        how_ = "junction";
        return;
    }
    unixLink_ = UnixPath(link);
    const std::string unixTarget = UnixPath(target);
    if (!unixLink_.empty() && !unixTarget.empty() &&
        RunOnHost("Z:\\bin\\ln -s " + unixTarget + " " + unixLink_, [&] { return Exists(); })) {
        how_ = "unix symbolic link";
    }
}

FolderLink::~FolderLink() {
    if (how_ == "junction") {
        RemoveDirectoryA(link_.c_str());
    } else if (!how_.empty()) {
        // Wine 8.0 removes such a link neither as a folder nor as a file.
        RunOnHost("Z:\\bin\\rm " + unixLink_, [&] { return !Exists(); });
    }
}

bool FolderLink::Exists() const {
    return GetFileAttributesA(link_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FolderLink::MakeJunction(const std::string& target) {
    if (!CreateDirectoryA(link_.c_str(), nullptr)) {
        return false;
    }
    HANDLE handle = CreateFileA(link_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BOOL made = FALSE;
    if (handle != INVALID_HANDLE_VALUE) {
        wchar_t wideTarget[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wideTarget, MAX_PATH);
        const std::wstring substitute = L"\\??\\" + std::wstring(wideTarget);
        const std::wstring print = wideTarget;
        // REPARSE_DATA_BUFFER of a mount point: tag, sizes, then both names with their NULs.
        std::vector<BYTE> data(16 + (substitute.size() + print.size() + 2) * 2);
        auto word = [&](size_t at, size_t value) {
            data[at] = static_cast<BYTE>(value);
            data[at + 1] = static_cast<BYTE>(value >> 8);
        };
        const DWORD tag = 0xA0000003; // IO_REPARSE_TAG_MOUNT_POINT
        std::memcpy(data.data(), &tag, 4);
        word(4, data.size() - 8);
        word(8, 0);
        word(10, substitute.size() * 2);
        word(12, substitute.size() * 2 + 2);
        word(14, print.size() * 2);
        std::memcpy(&data[16], substitute.c_str(), (substitute.size() + 1) * 2);
        std::memcpy(&data[16 + (substitute.size() + 1) * 2], print.c_str(), (print.size() + 1) * 2);
        DWORD returned = 0;
        made = DeviceIoControl(handle, 0x000900A4 /* FSCTL_SET_REPARSE_POINT */, data.data(),
                               static_cast<DWORD>(data.size()), nullptr, 0, &returned, nullptr);
        if (!made) {
            std::printf("[   NOTE   ] FSCTL_SET_REPARSE_POINT failed with error %lu\n",
                        GetLastError());
        }
        CloseHandle(handle);
    }
    if (!made) {
        RemoveDirectoryA(link_.c_str());
    }
    return made != FALSE;
}

DriveLetter::DriveLetter(const std::string& folder) {
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        if (GetDriveTypeA(root.c_str()) != DRIVE_NO_ROOT_DIR) {
            continue;
        }
        const std::string device = root.substr(0, 2);
        if (DefineDosDeviceA(0, device.c_str(), folder.c_str()) && ShowsFolder(root)) {
            root_ = root;
            defined_ = true;
            return;
        }
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, device.c_str(), nullptr);
        // Wine keeps its drives as links in the prefix's dosdevices folder: ".../dosdevices/c:/".
        const std::string drives = UnixPath("C:\\");
        const std::string target = UnixPath(folder);
        if (drives.size() < 4 || target.empty()) {
            return;
        }
        unixLink_ = drives.substr(0, drives.size() - 3) + static_cast<char>(letter + 0x20) + ":";
        if (RunOnHost("Z:\\bin\\ln -s " + target + " " + unixLink_,
                      [&] { return ShowsFolder(root); })) {
            root_ = root;
        }
        return;
    }
}

DriveLetter::~DriveLetter() {
    if (defined_) {
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, root_.substr(0, 2).c_str(), nullptr);
    } else if (!root_.empty()) {
        const std::string root = root_;
        RunOnHost("Z:\\bin\\rm " + unixLink_, [&] { return !ShowsFolder(root); });
    }
}

} // namespace driver
