// Firefox's bookmarks from its database (places.sqlite), read by SQLite through the read-only
// VFS into the table the other readers fill: the top folders under the names Firefox shows,
// every folder and bookmark below them in Firefox's order, each bookmark keyed by its guid as in
// a backup (by its row where the schema has no guids). Separators, place: queries and all below
// the tags root are no bookmarks and are left out. Pure: no windows.h.
#pragma once

#include "favorites/Bookmarks.h"
#include "favorites/PlacesVfs.h"

#include <functional>
#include <string>

enum class PlacesProblem {
    kNone,
    kNotDatabase, // no SQLite database at all
    kDamaged,     // SQLite found it damaged, or could not read it
    kNotFirefox,  // a database, but without Firefox's bookmarks as it keeps them
    kTooLarge,    // more rows, text or memory than a reader of bookmarks takes
    kInterrupted, // keepGoing said stop
};

struct PlacesRead {
    PlacesProblem problem = PlacesProblem::kNone;
    int schema = 0;     // PRAGMA user_version, once read
    std::string detail; // SQLite's own words where it gave them
};

// Reads the database at path (and its WAL, path with "-wal") through files into tree, whose
// texts point into texts. keepGoing is asked every few thousand steps of SQLite's; false
// interrupts. On a problem tree is empty.
PlacesRead ReadPlaces(ReadOnlyFiles& files, const char* path, BookmarkTree& tree,
                      std::string& texts, const std::function<bool()>& keepGoing);
