// Where a run's favorites come from: the folder setting names a Favorites folder of .url
// shortcuts, a Chromium browser's Bookmarks file (or its profile folder), a Firefox profile
// folder (its database as it is now, else its newest bookmarks backup), database or backup file,
// or an exported bookmarks HTML file; the kind is told from the content. Each source only fills
// the run's list. A browser's files are read whole (Firefox's database through a copy), shared
// with every writer the system allows, and closed at once: never written, never held.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// What filling the list gave.
struct FilledList {
    int count = 0;
    std::vector<std::string> notes; // for the log before the first favorite (what was read)
    std::string problem;            // why nothing can be checked, for a message box
};

// Fills list from what setting names. A Favorites folder is walked while runFlag is 1,
// dispatching the window's messages. False, with problem, when the setting names nothing that
// can be read: nothing is written to the list then.
bool FillFavoritesList(const char* setting, FILE* list, FilledList& filled);

// The caption above the folder field for what setting names: the Favorites folder, or whose
// bookmarks they are.
void SourceCaption(const char* setting, char* caption, size_t size);

// A source of the current user's, offered by "自動参照". Texts in the ANSI code page.
struct FoundSource {
    std::string browser; // "Microsoft Edge", or the Favorites folder's own caption
    std::string profile; // the profile's name as its browser shows it
    std::string setting; // what the folder setting becomes when it is chosen
    int count = 0;       // bookmarks (or shortcuts) in it
    std::string date;    // the day of a Firefox backup read for want of its database
    std::string problem; // why it cannot be checked (neither database nor backup, a profile
                         // path that leads out of Firefox's folder or does not exist); empty
                         // when it can
};

// The Favorites folder given (the shell's, counted; none when empty), then each profile of the
// Chromium browsers with a Bookmarks file and each profile of Firefox.
std::vector<FoundSource> FindSources(const char* favoritesFolder);
