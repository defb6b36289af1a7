// The Favorites folder as a source of the run's list: the walk of its tree, the URL out of one
// shortcut file, and the target text the probe is given.
#pragma once

#include <cstddef>
#include <cstdio>

// What the walk does with one directory entry.
enum class EntryKind {
    kSkip,
    kFolder,   // walked
    kShortcut, // read for its URL
};

// Decides by the entry's name and attributes (the find data's dwFileAttributes): temporary
// entries, folders beginning with ".", reparse points (junctions and links, which may lead back
// up the tree) and files other than *.url (in any case) are skipped.
EntryKind ClassifyEntry(const char* name, unsigned long attributes);

// Writes an entry (ListEntry) for every shortcut below folder into list, named by its path
// below folder, and returns how many it wrote. Dispatches one window message of the calling thread per directory entry, and
// stops at the next entry once runFlag is no longer 1.
int EnumerateFavorites(const char* folder, FILE* list);

// How many shortcuts with a URL lie below folder, for the choice of a source: the same walk,
// without a list, messages or runFlag.
int CountFavorites(const char* folder);

// Serves one window message of the calling thread, if one waits: how the listing of a run keeps
// the window alive, so that a click on the stop button is served without the listing falling
// behind.
void DispatchOneMessage();

// The URL of a shortcut file into url (kListLineSize bytes): the value of its first line that
// begins with "URL". False, with url empty, when there is none or it is empty.
bool ReadShortcutUrl(const char* path, char* url);
// The same from a shortcut file already open for reading in text mode.
bool ReadShortcutUrlFrom(FILE* file, char* url);

// Removes everything up to and including the first "//" in place; returns the port to probe.
int StripScheme(char* text);
