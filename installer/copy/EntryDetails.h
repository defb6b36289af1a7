// What Windows' list of programs, and the tools that deploy software, read of the product's
// uninstall entry besides its name and commands: version, publisher, icon, folder, date, size,
// and that there is no Change or Repair. Also the version of the product installed, which the
// next installation compares with its own.
#pragma once

#include <windows.h>

#include "base/RunLog.h"
#include "copy/VersionInfo.h"

struct EntryDetails {
    const char* program = nullptr;     // the installed main program (DisplayIcon), if any
    const char* versionFrom = nullptr; // the file whose version resource names the product
    unsigned long kilobytes = 0;       // the installation's size (EstimatedSize)
};

// A REG_SZ value stored with its terminator.
void SetTextValue(HKEY key, const char* name, const char* text);

// Writes the details into the open uninstall entry: DisplayVersion (ProductVersion, else
// FileVersion of the version resource) and Publisher (CompanyName) when the main program has
// them, DisplayIcon, InstallLocation, InstallDate (YYYYMMDD), EstimatedSize, NoModify and
// NoRepair. A value this installation has no word for is taken away, so that an upgrade never
// shows what an earlier version wrote.
void WriteEntryDetails(HKEY entry, const EntryDetails& details, RunLog& log);

// The kilobytes of the files below folder (ending in a backslash), those below skip excepted,
// rounded up.
unsigned long InstalledKilobytes(const char* folder, const char* skip);

// The product offered beside the installer (its main program, entry 1) against the one of the
// earlier installation that the uninstall entry of the same folder name registered: the verdict,
// and both versions as text ("2.3.1.0") for a question.
ProductVerdict CheckInstalledVersion(char* installed, char* offered, size_t size);
