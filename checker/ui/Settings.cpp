// Each routine opens and closes the key itself: no handle stays open between calls.
#include "ui/Settings.h"

#include "framework/Handles.h"
#include "text/TextRoutines.h"

#include <cstring>

bool RegWriteDword(const char* subkey, const char* name, DWORD value) {
    RegKey key;
    return key.Create(HKEY_CURRENT_USER, subkey, KEY_ALL_ACCESS) &&
           RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

bool RegReadDword(const char* subkey, const char* name, DWORD* value) {
    RegKey key;
    return key.Open(HKEY_CURRENT_USER, subkey, KEY_ALL_ACCESS) && key.ReadDword(name, value);
}

bool RegWriteString(const char* subkey, const char* name, const char* text) {
    RegKey key;
    return key.Create(HKEY_CURRENT_USER, subkey, KEY_ALL_ACCESS) &&
           RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool RegReadString(const char* subkey, const char* name, char* result) {
    // Read aside, so that a value that does not fit leaves the result as it was.
    char text[kFolderSize];
    RegKey key;
    return key.Open(HKEY_CURRENT_USER, subkey, KEY_ALL_ACCESS) &&
           key.ReadText(name, text, sizeof text) && CopyText(result, kFolderSize, text);
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
    RegReadDword(subkey, "wMoved", &settings.options.updateMoved);
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
    RegWriteDword(subkey, "wMoved", settings.options.updateMoved);
}
