// Reading the setup file through the profile reader, and the earlier installation's folder
// through its uninstall entry.
#include "setupfile/SetupFile.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/SetupContext.h"
#include "base/Window.h"
#include "setupfile/PathRules.h"

namespace {

// "TSR" is read into 10 bytes; only its first character counts.
constexpr size_t kResidentSize = 10;

// Room for the message naming an entry: the section, the key and a value of a path's length.
constexpr size_t kEntryMessageSize = kPathSize + 120;

// A section beyond this size is read entry by entry, as the profile reader gives it.
constexpr size_t kMostSectionBytes = 64 * 1024 * 1024;

const char* const kListSections[] = {"Install", "Group", "Reg"};

// One list's entries, from 1 to the first missing or empty one. byKey when the profile reader
// could not give the whole section at once (the Windows 95 family gives at most 32 KB): the
// entries beyond those read are then asked for one by one.
struct ListEntries {
    std::vector<std::string> values;
    bool byKey = false;
    std::string from; // the setup file it was read from; empty before the first reading
};
ListEntries lists[3];

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Key n of a numbered list: decimal, no leading zero; 0 for any other key.
int NumberOfKey(const char* key, size_t length) {
    if (length == 0 || length > 9 || key[0] == '0') {
        return 0;
    }
    int n = 0;
    for (size_t i = 0; i < length; ++i) {
        if (key[i] < '0' || key[i] > '9') {
            return 0;
        }
        n = n * 10 + (key[i] - '0');
    }
    return n;
}

// A value as the profile reader hands out one key's: without blanks around it, and without the
// quotes when it begins and ends with the same one.
std::string ValueOf(const char* begin, const char* end) {
    while (begin < end && IsBlank(*begin)) {
        ++begin;
    }
    while (end > begin && IsBlank(end[-1])) {
        --end;
    }
    if (end - begin >= 2 && (*begin == '"' || *begin == '\'') && end[-1] == *begin) {
        ++begin;
        --end;
    }
    return std::string(begin, end);
}

// The whole section as the profile reader gives it ("key=value" lines, each ended by a NUL);
// false when it would not come whole.
bool ReadSection(const char* section, std::vector<char>& text) {
    for (size_t size = 64 * 1024; size <= kMostSectionBytes; size *= 2) {
        text.assign(size, '\0');
        const DWORD got = GetPrivateProfileSectionA(section, text.data(), static_cast<DWORD>(size),
                                                    SetupContext.setupFilePath);
        if (got + 2 < size) {
            text.resize(got + 1);
            return true;
        }
    }
    return false;
}

} // namespace

void ReadEntryList(EntryList which) {
    ListEntries& list = lists[static_cast<int>(which)];
    const char* section = kListSections[static_cast<int>(which)];
    list = ListEntries();
    list.from = SetupContext.setupFilePath;
    std::vector<char> text;
    if (!ReadSection(section, text)) {
        list.byKey = true;
        return;
    }
    std::vector<const char*> lines;
    for (size_t at = 0; at < text.size() && text[at] != '\0'; at += std::strlen(&text[at]) + 1) {
        lines.push_back(&text[at]);
    }
    std::vector<std::string> values(lines.size());
    std::vector<bool> seen(lines.size(), false);
    for (const char* line : lines) {
        const char* equals = std::strchr(line, '=');
        const char* keyEnd = equals ? equals : line + std::strlen(line);
        const char* key = line;
        while (key < keyEnd && IsBlank(*key)) {
            ++key;
        }
        while (keyEnd > key && IsBlank(keyEnd[-1])) {
            --keyEnd;
        }
        const int n = NumberOfKey(key, static_cast<size_t>(keyEnd - key));
        // A list is never longer than its section's lines.
        if (n < 1 || static_cast<size_t>(n) > lines.size() || seen[n - 1]) {
            continue;
        }
        seen[n - 1] = true;
        if (equals) {
            values[n - 1] = ValueOf(equals + 1, equals + std::strlen(equals));
        }
    }
    for (size_t i = 0; i < values.size() && seen[i] && !values[i].empty(); ++i) {
        list.values.push_back(values[i]);
    }
    // The reader may have given less than the whole section without saying so.
    char next[4];
    ReadSetupValue(section, NumberKey(static_cast<int>(list.values.size()) + 1), next, sizeof next);
    list.byKey = next[0] != '\0';
    if (list.byKey && !list.values.empty()) {
        list.values.pop_back(); // the section may have been cut inside its last value
    }
}

namespace {

bool ShowEntryError(const char* section, const char* key, const char* value) {
    char message[kEntryMessageSize];
    FormatText(message, sizeof message, "設定ファイルの次の項目が異常です。\n[%s] %s=%s", section,
               key, value);
    ShowError(nullptr, message);
    return false;
}

// installFolder for a product never installed before: Program Files on the Windows drive.
void SetDefaultInstallFolder() {
    char windows[kPathSize];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length > 0 && length < sizeof windows && windows[1] == ':') {
        CopyTextPart(SetupContext.installFolder, kPathSize, windows, 2);
        AppendText(SetupContext.installFolder, kPathSize, "\\Program Files\\");
    } else {
        CopyText(SetupContext.installFolder, kPathSize, "c:\\");
    }
    AppendText(SetupContext.installFolder, kPathSize, SetupContext.folderName);
    AppendText(SetupContext.installFolder, kPathSize, "\\");
}

// Offers the folder of an earlier installation again.
void ReadEarlierInstallFolder() {
    char folder[kPathSize];
    if (EarlierInstallFolder(folder, sizeof folder)) {
        CopyText(SetupContext.installFolder, kPathSize, folder);
    }
}

int CountEntries(void (*load)(int)) {
    int count = 0;
    for (int n = 1;; ++n) {
        load(n);
        if (SetupContext.entryName[0] == '\0') {
            return count;
        }
        ++count;
    }
}

} // namespace

bool EarlierInstallFolder(char* folder, size_t size) {
    char keyPath[sizeof kUninstallKey + kSettingSize];
    CopyText(keyPath, sizeof keyPath, kUninstallKey);
    AppendText(keyPath, sizeof keyPath, SetupContext.folderName);
    RegKey key;
    char value[kPathSize];
    return key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ) &&
           key.ReadText("UninstallString", value, sizeof value) &&
           FolderOfUninstallString(value, folder, size);
}

void ReadSetupValue(const char* section, const char* key, char* value, size_t size) {
    GetPrivateProfileStringA(section, key, "", value, static_cast<DWORD>(size),
                             SetupContext.setupFilePath);
}

void ReadListValue(EntryList which, int n, char* value, size_t size) {
    const ListEntries& list = lists[static_cast<int>(which)];
    if (list.from.empty() || list.from != SetupContext.setupFilePath) {
        ReadEntryList(which);
    }
    if (n >= 1 && static_cast<size_t>(n) <= list.values.size()) {
        CopyText(value, size, list.values[n - 1].c_str());
    } else if (list.byKey && n >= 1) {
        ReadSetupValue(kListSections[static_cast<int>(which)], NumberKey(n), value, size);
    } else if (size > 0) {
        value[0] = '\0';
    }
}

bool ReadSettings() {
    ReadEntryList(EntryList::kInstall);
    ReadEntryList(EntryList::kGroup);
    ReadSetupValue("Install", "Title", SetupContext.title, kSettingSize);
    ReadSetupValue("Install", "Folder", SetupContext.folderName, kSettingSize);
    if (SetupContext.title[0] == '\0' || SetupContext.folderName[0] == '\0') {
        return false;
    }
    char resident[kResidentSize];
    ReadSetupValue("Install", "TSR", resident, sizeof resident);
    SetupContext.resident = resident[0] == '1';

    SetDefaultInstallFolder();
    ReadEarlierInstallFolder();

    SetupContext.fileCount = CountEntries(LoadFileEntry);
    SetupContext.groupCount = CountEntries(LoadGroupEntry);
    return true;
}

bool LoadSettings() {
    if (!ReadSettings()) {
        ShowError(nullptr, "設定ファイルが破損している、または見つかりません。");
        return false;
    }
    // Both name a folder, links and registry keys: a path in either would lead out of them.
    if (!IsPlainName(SetupContext.title)) {
        return ShowEntryError("Install", "Title", SetupContext.title);
    }
    if (!IsPlainName(SetupContext.folderName)) {
        return ShowEntryError("Install", "Folder", SetupContext.folderName);
    }
    return true;
}

bool CheckSetupEntries() {
    char value[kPathSize];
    for (int n = 1; n <= SetupContext.fileCount; ++n) {
        ReadListValue(EntryList::kInstall, n, value, sizeof value);
        if (!IsConfinedFileEntry(value)) {
            return ShowEntryError("Install", NumberKey(n), value);
        }
    }
    for (int n = 1; n <= SetupContext.groupCount; ++n) {
        ReadListValue(EntryList::kGroup, n, value, sizeof value);
        char name[kPathSize];
        const char* comma = FindCharDbcs(value, ',');
        if (!comma || !CopyTextPart(name, sizeof name, value, static_cast<size_t>(comma - value)) ||
            !IsPlainName(name)) {
            return ShowEntryError("Group", NumberKey(n), value);
        }
    }
    return true;
}

void LoadFileEntry(int n) {
    if (n == -1) {
        CopyText(SetupContext.entryName, kPathSize, SetupContext.exeName);
    } else if (n == 0) {
        CopyText(SetupContext.entryName, kPathSize, SetupContext.setupFileName);
    } else {
        ReadListValue(EntryList::kInstall, n, SetupContext.entryName, kPathSize);
    }
    // A missing entry keeps its old reading: it ends the list and names no file.
    const bool confined =
        n < 1 || SetupContext.entryName[0] == '\0' || IsConfinedFileEntry(SetupContext.entryName);
    SplitFileEntry(SetupContext.entryName, SetupContext.installFolder, SetupContext.entryTarget,
                   SetupContext.entryRelative);
    if (!confined) {
        SetupContext.entryTarget[0] = '\0';
        SetupContext.entryRelative = 0;
    }
}

void LoadGroupEntry(int n) {
    ReadListValue(EntryList::kGroup, n, SetupContext.entryName, kPathSize);
    // entryRelative belongs to the file entries and stays.
    if (SplitGroupEntry(SetupContext.entryName, SetupContext.installFolder,
                        SetupContext.entryTarget) &&
        !IsPlainName(SetupContext.entryName)) {
        SetupContext.entryTarget[0] = '\0'; // a link of that name would land elsewhere
    }
}

bool LoadFirstShortcut(bool grouped) {
    if (grouped) {
        LoadGroupEntry(1);
        return true;
    }
    if (SetupContext.fileCount < 1) {
        return false;
    }
    LoadFileEntry(1);
    CopyText(SetupContext.entryName, kPathSize, SetupContext.title);
    return true;
}
