// The uninstall entry's details for Windows' list of programs, and the installed product's
// version.
#include "copy/EntryDetails.h"

#include <cstdint>
#include <cstring>

#include "base/Handles.h"
#include "base/SetupContext.h"
#include "copy/FileVersion.h"
#include "setupfile/SetupFile.h"

namespace {

void SetNumberValue(HKEY key, const char* name, DWORD number) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// The value, or none at all when text is empty.
void SetOrDeleteText(HKEY key, const char* name, const char* text) {
    if (text[0] != '\0') {
        SetTextValue(key, name, text);
    } else {
        RegDeleteValueA(key, name);
    }
}

uint64_t BytesBelow(const char* folder, const char* skip) {
    if (lstrcmpiA(folder, skip) == 0) {
        return 0;
    }
    char pattern[kPathSize];
    if (!FormatText(pattern, sizeof pattern, "%s*", folder)) {
        return 0;
    }
    uint64_t bytes = 0;
    WIN32_FIND_DATAA found;
    FindHandle search;
    for (bool more = search.First(pattern, &found); more; more = search.Next(&found)) {
        const char* name = found.cFileName;
        char below[kPathSize];
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            bytes += static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
        } else if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 &&
                   (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
                   FormatText(below, sizeof below, "%s%s\\", folder, name)) {
            bytes += BytesBelow(below, skip);
        }
    }
    return bytes;
}

} // namespace

void SetTextValue(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

void WriteEntryDetails(HKEY entry, const EntryDetails& details, RunLog& log) {
    char version[kPathSize] = "";
    char publisher[kPathSize] = "";
    VersionResource resource;
    if (details.versionFrom && ReadFileVersion(details.versionFrom, &resource)) {
        VersionTextToAnsi(resource.productVersionText, version, sizeof version);
        if (version[0] == '\0') {
            VersionTextToAnsi(resource.fileVersionText, version, sizeof version);
        }
        VersionTextToAnsi(resource.companyName, publisher, sizeof publisher);
    }
    SetOrDeleteText(entry, "DisplayVersion", version);
    SetOrDeleteText(entry, "Publisher", publisher);
    SetOrDeleteText(entry, "DisplayIcon", details.program ? details.program : "");
    SetTextValue(entry, "InstallLocation", SetupContext.installFolder);
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    FormatText(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    SetTextValue(entry, "InstallDate", date);
    SetNumberValue(entry, "EstimatedSize", details.kilobytes);
    // No Change and no Repair buttons: this installer offers neither.
    SetNumberValue(entry, "NoModify", 1);
    SetNumberValue(entry, "NoRepair", 1);
    log.Note("DisplayVersion=%s Publisher=%s InstallDate=%s EstimatedSize=%lu", version, publisher,
             date, details.kilobytes);
}

unsigned long InstalledKilobytes(const char* folder, const char* skip) {
    const uint64_t kilobytes = (BytesBelow(folder, skip) + 1023) / 1024;
    return kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<unsigned long>(kilobytes);
}

ProductVerdict CheckInstalledVersion(char* installed, char* offered, size_t size) {
    installed[0] = '\0';
    offered[0] = '\0';
    char folder[kPathSize];
    if (SetupContext.fileCount < 1 || !EarlierInstallFolder(folder, sizeof folder)) {
        return ProductVerdict::kFresh;
    }
    LoadFileEntry(1);
    char installedPath[kPathSize];
    char offeredPath[kPathSize];
    if (SetupContext.entryTarget[0] == '\0' ||
        !FormatText(installedPath, sizeof installedPath, "%s%s", folder,
                    SetupContext.entryTarget + SetupContext.entryRelative) ||
        !FormatText(offeredPath, sizeof offeredPath, "%s%s", SetupContext.programFolder,
                    SetupContext.entryName)) {
        return ProductVerdict::kFresh;
    }
    VersionNumber installedVersion = 0;
    VersionNumber offeredVersion = 0;
    const bool hasInstalled = FileVersionOf(installedPath, &installedVersion);
    const bool hasOffered = FileVersionOf(offeredPath, &offeredVersion);
    FormatVersionNumber(installedVersion, installed, size);
    FormatVersionNumber(offeredVersion, offered, size);
    return CompareProduct(hasInstalled ? &installedVersion : nullptr,
                          hasOffered ? &offeredVersion : nullptr);
}
