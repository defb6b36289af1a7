// PendingFileRenameOperations: pairs of names, each ended by a NUL; an empty second name
// deletes the first.
#include "PendingRenames.h"

#include <windows.h>

#include <vector>

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kValue[] = "PendingFileRenameOperations";

bool ReadList(std::string* value) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    DWORD type = 0;
    bool read = false;
    if (RegQueryValueExA(key, kValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<char> data(size + 1);
        read = RegQueryValueExA(key, kValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                &size) == ERROR_SUCCESS;
        value->assign(data.data(), size);
    }
    RegCloseKey(key);
    return read;
}

} // namespace

PendingRenames::PendingRenames() {
    existed_ = ReadList(&value_);
}

PendingRenames::~PendingRenames() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_WRITE, &key) != ERROR_SUCCESS) {
        return;
    }
    if (existed_) {
        RegSetValueExA(key, kValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value_.data()),
                       static_cast<DWORD>(value_.size()));
    } else {
        RegDeleteValueA(key, kValue);
    }
    RegCloseKey(key);
}

bool PendingRenames::HoldsDeletion(const std::string& path) {
    return Holds("\\??\\" + path + '\0' + '\0');
}

bool PendingRenames::HoldsReplacement(const std::string& from, const std::string& to) {
    return Holds("\\??\\" + from + '\0' + "!\\??\\" + to + '\0');
}

bool PendingRenames::Holds(const std::string& pair) {
    std::string list;
    if (!ReadList(&list)) {
        return false;
    }
    // At the start of the list, or right after the end of an earlier name.
    return list.compare(0, pair.size(), pair) == 0 || list.find('\0' + pair) != std::string::npos;
}
