// What an installation records about itself in its uninstall entry, where only an administrator
// can write: the size and checksum of the setup file it installed. The uninstallation trusts the
// installed setup file only as far as that record vouches for it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "base/Text.h"

// A key name has up to 255 characters, each up to two bytes in code page 932.
constexpr size_t kRecordKeySize = 512;

enum class RecordCheck {
    kUnrecorded, // no uninstall entry of this installation, or one made before records were kept
    kMatches,    // the installed setup file is the one installed
    kChanged     // it was changed since: only what the record names may be removed
};

struct InstallRecord {
    RecordCheck check = RecordCheck::kUnrecorded;
    bool found = false;                // an uninstall entry of this installation exists
    char keyPath[kRecordKeySize + 64]; // that entry's key below HKEY_LOCAL_MACHINE
    char displayName[kPathSize];       // its DisplayName, the product's title when installed
    bool placesKnown = false;          // the record says where the installation made links
    uint32_t places = 0;               // bit 1 << ShortcutPlace for each such place
};

// The uninstall command: the installed program in double quotes, then " /r". False when it does
// not fit into size bytes.
bool ComposeUninstallString(char* text, size_t size, const char* installFolder,
                            const char* exeName);

// The size and CRC-32 of a file; false when it cannot be read.
bool MeasureFile(const char* path, uint32_t* size, uint32_t* sum);

// Writes the record of the installed setup file (installFolder + setupFileName), and of the places
// where the installation made links, into the open uninstall entry. Silent on failure, like the
// rest of the registration.
void WriteInstallRecord(HKEY uninstallEntry);

// Finds this installation's uninstall entry: the product's own key, or any key whose
// UninstallString starts this very installed program (the setup file's Folder may have been
// changed), and compares the installed setup file with its record.
InstallRecord CheckInstallRecord();
