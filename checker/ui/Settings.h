// Vexilo's settings in the registry of the current user: the main window's rectangle, the two
// option words, the moved-favorites choice and the Favorites folder. The routines return flags and
// never show anything.
#pragma once

#include <windows.h>

#include "ui/Options.h"

constexpr char kSettingsKey[] = "SOFTWARE\\Oskaveld\\Vexilo";

// Each opens (the writes create) subkey under HKEY_CURRENT_USER and closes it again.
bool RegWriteDword(const char* subkey, const char* name, DWORD value);
// True, and value written, only for a REG_DWORD value.
bool RegReadDword(const char* subkey, const char* name, DWORD* value);
bool RegWriteString(const char* subkey, const char* name, const char* text);
// True, and the text copied into result (kFolderSize bytes), only for a REG_SZ value that fits.
bool RegReadString(const char* subkey, const char* name, char* result);

struct CheckerSettings {
    bool hasRect; // all four edges could be read
    RECT rect;    // screen coordinates
    CheckerOptions options;
    DWORD probesAtOnce; // set only in the registry ("wProbes"), never written
};

// Reads what is stored over the values already in settings (the defaults); a value that is
// missing or of another type leaves them. hasRect tells whether all four edges were read.
void LoadSettings(const char* subkey, CheckerSettings& settings);
// Writes the rectangle, both words, the moved-favorites choice and the folder, ignoring failures.
void SaveSettings(const char* subkey, const CheckerSettings& settings);
