// The installation's record of its setup file, written at registration and checked before an
// uninstallation believes the installed copy.
#include "copy/InstallRecord.h"

#include <cstring>

#include "base/Handles.h"
#include "base/SetupContext.h"
#include "setupfile/SetupFile.h"
#include "shortcuts/Shortcuts.h"

namespace {

const char kSizeValue[] = "SetupFileSize";
const char kSumValue[] = "SetupFileSum";
const char kPlacesValue[] = "ShortcutPlaces";

// The places where the copy's last step makes links: Startup for a resident product, else those
// the shortcut page chose.
uint32_t PlacesMade() {
    const auto bit = [](ShortcutPlace place) { return 1u << static_cast<int>(place); };
    if (SetupContext.resident) {
        return bit(ShortcutPlace::kStartup);
    }
    return (SetupContext.startMenuChosen ? bit(ShortcutPlace::kPrograms) : 0) |
           (SetupContext.desktopChosen ? bit(ShortcutPlace::kDesktop) : 0);
}

uint32_t CrcStep(uint32_t crc, const unsigned char* data, size_t size) {
    static uint32_t table[256];
    if (table[1] == 0) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table[i] = c;
        }
    }
    for (size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

bool InstalledSetupFile(char* path, size_t size) {
    return FormatText(path, size, "%s%s", SetupContext.installFolder, SetupContext.setupFileName);
}

// The entry at keyPath starts this installation's program: its UninstallString is the one this
// installation registers.
bool IsThisInstallation(const char* keyPath, const char* command, InstallRecord& record) {
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ)) {
        return false;
    }
    char value[2 * kPathSize + 8];
    if (!key.ReadText("UninstallString", value, sizeof value) || lstrcmpiA(value, command) != 0) {
        return false;
    }
    record.found = true;
    CopyText(record.keyPath, sizeof record.keyPath, keyPath);
    record.placesKnown = key.ReadDword(kPlacesValue, &record.places);
    key.ReadText("DisplayName", record.displayName, sizeof record.displayName);
    uint32_t size = 0;
    uint32_t sum = 0;
    if (!key.ReadDword(kSizeValue, &size) || !key.ReadDword(kSumValue, &sum)) {
        return true; // registered before records were kept
    }
    char path[kPathSize];
    uint32_t nowSize = 0;
    uint32_t nowSum = 0;
    const bool same = InstalledSetupFile(path, sizeof path) &&
                      MeasureFile(path, &nowSize, &nowSum) && nowSize == size && nowSum == sum;
    record.check = same ? RecordCheck::kMatches : RecordCheck::kChanged;
    return true;
}

} // namespace

bool ComposeUninstallString(char* text, size_t size, const char* installFolder,
                            const char* exeName) {
    return FormatText(text, size, "\"%s%s\" /r", installFolder, exeName);
}

bool MeasureFile(const char* path, uint32_t* size, uint32_t* sum) {
    KernelHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        return false;
    }
    uint32_t crc = 0xFFFFFFFFu;
    uint32_t total = 0;
    unsigned char block[16384];
    DWORD got = 0;
    while (ReadFile(file.Get(), block, sizeof block, &got, nullptr) && got > 0) {
        crc = CrcStep(crc, block, got);
        total += got;
    }
    *size = total;
    *sum = crc ^ 0xFFFFFFFFu;
    return true;
}

void WriteInstallRecord(HKEY uninstallEntry) {
    const DWORD places = PlacesMade();
    RegSetValueExA(uninstallEntry, kPlacesValue, 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&places), sizeof places);
    char path[kPathSize];
    uint32_t size = 0;
    uint32_t sum = 0;
    if (!InstalledSetupFile(path, sizeof path) || !MeasureFile(path, &size, &sum)) {
        // No earlier installation's record may stand for this one: a size that no file read
        // here reaches vouches for nothing.
        size = 0xFFFFFFFFu;
        sum = 0;
    }
    const DWORD values[] = {size, sum};
    RegSetValueExA(uninstallEntry, kSizeValue, 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&values[0]), sizeof(DWORD));
    RegSetValueExA(uninstallEntry, kSumValue, 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&values[1]), sizeof(DWORD));
}

InstallRecord CheckInstallRecord() {
    InstallRecord record;
    record.keyPath[0] = '\0';
    record.displayName[0] = '\0';
    char command[2 * kPathSize + 8];
    if (!ComposeUninstallString(command, sizeof command, SetupContext.installFolder,
                                SetupContext.exeName)) {
        return record;
    }
    char keyPath[sizeof record.keyPath];
    if (FormatText(keyPath, sizeof keyPath, "%s%s", kUninstallKey, SetupContext.folderName) &&
        IsThisInstallation(keyPath, command, record)) {
        return record;
    }
    // Under another name: the setup file's Folder no longer is the one installed.
    RegKey list;
    if (!list.Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ)) {
        return record;
    }
    char name[kRecordKeySize];
    for (DWORD index = 0; RegEnumKeyA(list.Get(), index, name, sizeof name) == ERROR_SUCCESS;
         ++index) {
        if (FormatText(keyPath, sizeof keyPath, "%s%s", kUninstallKey, name) &&
            IsThisInstallation(keyPath, command, record)) {
            record.check = RecordCheck::kChanged;
            return record;
        }
    }
    return record;
}
