// What the folder setting may name besides a Favorites folder, told from the content: the kinds
// of bookmark file, Firefox's list of profiles and the names of its daily backups. Pure: no
// windows.h, since every one of these is outside input.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class BookmarkFileKind {
    kUnknown,
    kChromium,    // a Chromium browser's Bookmarks (JSON with "roots")
    kFirefoxJson, // a Firefox backup's JSON, as older versions wrote it
    kMozLz4,      // a Firefox backup (.jsonlz4)
    kHtml,        // an exported bookmarks file
    kDatabase,    // an SQLite database: Firefox's places.sqlite
};

// The kind of a file from its first bytes (a few KB are enough).
BookmarkFileKind SniffBookmarkFile(const char* head, size_t length);

// A profile of Firefox's profiles.ini: its name (UTF-8) and its folder as written (UTF-8, "/"
// or "\" between the parts), relative to the folder of profiles.ini or not.
struct FirefoxProfile {
    std::string name;
    std::string path;
    bool relative = true;
};
std::vector<FirefoxProfile> ReadProfilesIni(const char* text, size_t length);

// True when a relative profile path stays inside the folder it is relative to: no "..", no
// drive, no leading separator, nothing empty. (Firefox itself only ever writes Profiles/x.)
bool ProfilePathStaysInside(const std::string& path);

// The date of a Firefox bookmarks backup from its file name
// (bookmarks-YYYY-MM-DD_<count>_<hash>.jsonlz4, or .json from older versions) as YYYY-MM-DD
// into date (11 bytes); false for any other name.
bool BackupDate(const char* fileName, char* date);
