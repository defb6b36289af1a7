// The bookmarks HTML file every browser exports and imports: <DT><H3>folder</H3> followed by its
// <DL><p> list, <DT><A HREF="...">title</A> for a link, closing tags mostly left out. Read in
// one pass, without recursion, with the entities decoded in place: a file of any shape or size
// costs one scan and one row of the table per bookmark. Pure: no windows.h.
#pragma once

#include "favorites/Bookmarks.h"

#include <cstddef>

struct HtmlReadResult {
    // The file has the doctype of a bookmarks file, or links in a <DL> list. When it has
    // neither, it is some other file and the tree is left empty.
    bool bookmarksFile = false;
};

// Reads the folders and links of the UTF-8 text (length bytes, then a zero byte; a byte order
// mark may lead) into tree, in the order of the file. The text is changed in place: the tree's
// names and URLs point into it, their entities decoded; a title is what a browser shows, its
// blanks, line ends and control characters one blank between words.
HtmlReadResult ReadBookmarksHtml(char* text, size_t length, BookmarkTree& tree);

// The charset the file's head declares in a <meta> tag (charset=..., or the Content-Type in
// http-equiv's content), a part of text; empty when the head names none. Only the head is
// scanned, as browsers do, so that a large file costs nothing here.
TextSpan DeclaredCharset(const char* text, size_t length);

// The charset a Content-Type names ("text/html; charset=Shift_JIS"), a part of content; empty
// when it names none.
TextSpan CharsetOfContentType(TextSpan content);

// The Windows code page of a charset name (any case), for converting the file into UTF-8
// before it is read; 0 for a name not known here.
unsigned CodePageForCharset(TextSpan name);
