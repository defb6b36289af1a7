// Firefox's bookmarks as they are now, from its database, without disturbing Firefox: the
// database (places.sqlite) and its WAL are copied, read with every share mode as any browser
// file is, into a private folder of the temporary folder; SQLite reads the copy, never the live
// files (its locks would get in Firefox's way); and the copy goes again. A copy taken while
// Firefox moves its WAL into the database may be torn: it is taken again, a few times.
#pragma once

#include <windows.h>

#include "favorites/Bookmarks.h"

#include <functional>
#include <string>

// Opens a browser's file for reading so that the browser may go on writing, replacing and
// deleting it meanwhile: every share mode there is (the Windows 95 family knows no
// FILE_SHARE_DELETE).
HANDLE OpenShared(const char* path);

enum class DatabaseRead {
    kRead,
    kNotRead, // why says why, for the log or a message
    kStopped, // keepGoing said stop
};

// Reads the Firefox database at path (a places.sqlite) into tree, whose texts point into texts.
// keepGoing is asked while the copy is made and read. Texts in the ANSI code page.
DatabaseRead ReadFirefoxDatabase(const char* path, BookmarkTree& tree, std::string& texts,
                                 std::string& why, const std::function<bool()>& keepGoing);
