// The run's favorites list (flist.tmp: one entry of five lines per favorite) and the page-copy
// store (beside the program, or in the user's application data): the two process-wide paths, the line reader, the copy comparison
// and the creation of a stored copy's folders. No windows.h here.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Size of a list line, of checkListPath and userPrefix, and of the URL buffer.
constexpr size_t kListLineSize = 1024;
// Size of a path handed to the file system: at most 259 bytes.
constexpr size_t kPathSize = 260;

// The favorites list in the temporary folder; built once at start-up.
extern char checkListPath[kListLineSize];
// The root of this user's page-copy store: the program's folder followed by the user name.
extern char userPrefix[kListLineSize];

// True when path names a folder that is there.
bool IsFolder(const char* path);

// True when path ends in a real separator (a trail byte 0x5C of a double-byte character is none).
bool EndsInSeparator(const char* path);

// folder, a separator unless folder already ends in one, and name. False, with dest emptied,
// when the result does not fit in size: a cut path would name another file.
bool JoinPath(char* dest, size_t size, const char* folder, const char* name);

// checkListPath for the temporary folder as the system reports it.
bool BuildCheckListPath(const char* tempFolder, char* result, size_t size);

// userPrefix for the program file's full path and the user name; userName is nullptr when the
// system could not say, which leaves the prefix ending in the program's folder.
bool BuildUserPrefix(const char* modulePath, const char* userName, char* result, size_t size);

// userPrefix in the per-user application data folder appData, for when the program's own
// folder cannot be written: appData\Oskaveld\Vexilo\ followed by the user name (kept, since
// the Windows 95 family without user profiles gives every user the same folder).
bool BuildDataPrefix(const char* appData, const char* userName, char* result, size_t size);

// The root of the page-copy store for this program path and user: beside the program as ever
// where a file can be made there (an earlier store included), else in the user's local
// application data folder. Asks the file system, so the same place gives the same root.
bool ChooseUserPrefix(const char* modulePath, const char* userName, char* result, size_t size);

// The user's application data folder: the local one (local true) or the roaming one, made when
// create is true and it is missing. False, folder empty, when the system cannot say.
bool UserDataFolder(bool local, bool create, char* folder, size_t size);

// Fills checkListPath and userPrefix from the system. False when one of them could not be built.
bool InitCheckerPaths();

// Reads one line of at most size - 1 bytes (a longer line comes back in pieces) without its line
// end. False at the end of the file when nothing was read.
bool ReadListLine(FILE* file, char* buffer, int size);

// One favorite of the run's list, whatever its source: a shortcut file of the Favorites folder
// or a bookmark of a browser. The run knows of it only what it says here.
struct ListEntry {
    // The shortcut file, which may go to the recycle bin; empty for a bookmark, since a
    // browser's files are never touched.
    char file[kListLineSize];
    // What the reports call it: its path below the Favorites folder (News\Daily.url), or the
    // bookmark's folders in the browser and its title.
    char name[kListLineSize];
    // Its page copy below userPrefix, from a separator on, the same at every run; empty when it
    // cannot have one.
    char storeName[kListLineSize];
    char url[kListLineSize];
    // The URL was longer than the list holds: url is its beginning, and it is never asked for
    // (a cut URL names another page).
    bool urlCut;
};

// Creates (empties) the list file for writing its entries. Lines end in CR LF as in any text
// file, but are written as bytes through a large buffer: a C runtime's text mode may hand
// every line end to the system on its own, which made 50,000 bookmarks cost seconds.
FILE* CreateListFile(const char* path);

// An entry as five lines of the list (none may hold a line end: false, nothing written).
bool WriteListEntry(FILE* list, const ListEntry& entry);
// The next entry of the list; false at its end or when what is there is no whole entry.
bool ReadListEntry(FILE* list, ListEntry& entry);

// True when both files can be opened and hold the same bytes.
bool SameFileText(const char* firstPath, const char* secondPath);

// A whole new copy against its stored copy, as a reader sees the page (SamePage, PageCompare.h;
// contentType is what the server sent with it). Unchanged: the new copy shows the same page and
// is deleted. Changed: the stored copy is to be replaced (the page differs, or the stored copy is
// missing or cannot be read), and note, when given, says what changed in a line of the report.
// Not compared: there is no stored copy's name, or the deletion failed.
enum class CopyCompared { kNotCompared, kUnchanged, kChanged };
CopyCompared CompareNewCopy(const char* newCopy, const char* contentType = "",
                            std::string* note = nullptr);

// Puts a new copy in the stored copy's place, in one step where the system can (MoveFileEx). The
// Windows 95 family has no MoveFileEx: there the stored copy is deleted first and the new copy
// then takes its name. True when the new copy now bears the stored copy's name. The ...With form
// takes the one-step move, so that both ways can be tried on any Windows.
bool ReplaceStoredCopy(const char* newCopy, const char* storedCopy);
using MoveReplacing = int (*)(const char* from, const char* to);
bool ReplaceStoredCopyWith(const char* newCopy, const char* storedCopy, MoveReplacing move);

// Creates every missing level of a folder path of the form X:\folder\...\ . True when the whole
// chain exists afterwards; false (and nothing created) for a path of any other form.
bool CreateFolderChain(const char* folderPath);
