// Each routine opens and closes the key itself: no handle stays open between calls.
#include "ui/Settings.h"

#include "text/TextRoutines.h"

#include <cstring>

namespace {

class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (key_) {
            RegCloseKey(key_);
        }
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool Create(const char* subkey) {
        return RegCreateKeyExA(HKEY_CURRENT_USER, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &key_, nullptr) == ERROR_SUCCESS;
    }
    bool Open(const char* subkey) {
        return RegOpenKeyExA(HKEY_CURRENT_USER, subkey, 0, KEY_ALL_ACCESS, &key_) == ERROR_SUCCESS;
    }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

} // namespace

bool RegWriteDword(const char* subkey, const char* name, DWORD value) {
    RegKey key;
    return key.Create(subkey) &&
           RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

bool RegReadDword(const char* subkey, const char* name, DWORD* value) {
    RegKey key;
    if (!key.Open(subkey)) {
        return false;
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return false;
    }
    *value = data;
    return true;
}

bool RegWriteString(const char* subkey, const char* name, const char* text) {
    RegKey key;
    return key.Create(subkey) &&
           RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool RegReadString(const char* subkey, const char* name, char* result) {
    RegKey key;
    if (!key.Open(subkey)) {
        return false;
    }
    // One byte more than the result holds, so that a stored text without its terminating zero
    // still ends inside the buffer.
    char data[kFolderSize + 1];
    DWORD type = 0;
    DWORD size = kFolderSize;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    data[size < kFolderSize ? size : kFolderSize] = '\0';
    CopyText(result, kFolderSize, data);
    return true;
}

void LoadSettings(const char* subkey, CheckerSettings& settings) {
    DWORD top = 0;
    DWORD bottom = 0;
    DWORD left = 0;
    DWORD right = 0;
    // All four are always read; the rectangle counts only when every one was there.
    const bool hasTop = RegReadDword(subkey, "wTop", &top);
    const bool hasBottom = RegReadDword(subkey, "wBottom", &bottom);
    const bool hasLeft = RegReadDword(subkey, "wLeft", &left);
    const bool hasRight = RegReadDword(subkey, "wRight", &right);
    settings.hasRect = hasTop && hasBottom && hasLeft && hasRight;
    if (settings.hasRect) {
        settings.rect = {static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
                         static_cast<LONG>(bottom)};
    }
    RegReadDword(subkey, "wD_Chk", &settings.options.vanishedOptions);
    RegReadDword(subkey, "wN_Chk", &settings.options.updateOptions);
    RegReadString(subkey, "sFavorite", settings.options.favoritesFolder);
    RegReadDword(subkey, "wProbes", &settings.probesAtOnce);
}

void SaveSettings(const char* subkey, const CheckerSettings& settings) {
    RegWriteDword(subkey, "wTop", static_cast<DWORD>(settings.rect.top));
    RegWriteDword(subkey, "wBottom", static_cast<DWORD>(settings.rect.bottom));
    RegWriteDword(subkey, "wLeft", static_cast<DWORD>(settings.rect.left));
    RegWriteDword(subkey, "wRight", static_cast<DWORD>(settings.rect.right));
    RegWriteDword(subkey, "wD_Chk", settings.options.vanishedOptions);
    RegWriteDword(subkey, "wN_Chk", settings.options.updateOptions);
    RegWriteString(subkey, "sFavorite", settings.options.favoritesFolder);
}
