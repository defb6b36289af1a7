// A browser's bookmarks as one table, whatever file they came from: each format's reader fills
// it (Chromium's Bookmarks, Firefox's backups, a bookmarks HTML file), and one writer turns it
// into entries of the run's list. Texts stay UTF-8 in the reader's buffer until the writer
// converts them. Pure: no windows.h.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <vector>

// A text in a reader's buffer: UTF-8, not terminated.
struct TextSpan {
    const char* data = nullptr;
    size_t length = 0;
};

enum class BookmarkKind : unsigned char {
    kOther, // a separator, a node of unknown type: not listed
    kFolder,
    kLink,
};

struct BookmarkNode {
    int parent = -1; // the folder it lies in; -1 for a top folder
    BookmarkKind kind = BookmarkKind::kOther;
    TextSpan name; // a folder's name or a link's title
    TextSpan url;
    TextSpan key; // what names it from one run to the next (its guid); may be empty
    bool urlNotText = false; // the file gave something other than a text for its URL
};

// Every node in the order of the file: a folder comes before what it holds.
struct BookmarkTree {
    std::vector<BookmarkNode> nodes;
};

// UTF-8 into the ANSI code page, terminated within size bytes, on a character boundary; a
// character the code page lacks becomes a replacement. False when it was cut.
using AnsiConverter = bool (*)(const char* utf8, size_t length, char* out, size_t size);

// What the writer did.
struct BookmarksWritten {
    int links = 0;   // entries written
    int broken = 0;  // links without a URL that can be read: not listed
    bool failed = false; // the list could not be written, or keepGoing said stop
};

// The tag that keeps the page copies of one source apart from another's: 8 hex digits of the
// source's path, the same whatever the case of its letters.
void BookmarkSourceTag(const char* sourcePath, char* tag, size_t size);

// Writes every link of the tree into list as a bookmark entry: named by its folders and title
// (converted, each part's control characters as blanks, the whole cut with "…" where it passes
// the list's line), its URL made plain ASCII as a browser sends it (tab and line ends dropped,
// other bytes outside ASCII's printable ones as %XX), and stored under
// \#bookmarks\TAG\XX\YYYYYYYYYYYYYY.htm, hex of its key (or of its name and URL where it has
// none), so that the same bookmark finds its copy at the next run and two bookmarks never share
// one. keepGoing is asked every few hundred nodes; false stops the writing.
BookmarksWritten WriteBookmarks(const BookmarkTree& tree, const char* sourceTag,
                                AnsiConverter convert, FILE* list,
                                const std::function<bool()>& keepGoing);
