// Two copies of a page compared as a reader sees them, and the line of the report that says
// what changed. The copies are the bytes the server sent; nothing here writes them.
#pragma once

#include <string>

// True when the stored copy and the fresh one show the same page: for HTML the same readable
// text (PageText.h), for any other kind the same bytes. contentType is the Content-Type the
// server sent with the fresh copy (empty when none): it names the kind, and the charset of both.
// A stored copy that is missing or cannot be read is no same page.
//
// note, when given, receives for a page that is not the same one line in code page 932, not yet
// escaped for HTML: "追加: " or "削除: " and about 80 characters around the first change (the
// changed line of a text file), "内容が変わりました。" for a page that is not text, or, for a page
// without a stored copy, "タイトル: " and its title.
bool SamePage(const char* storedPath, const char* freshPath, const char* contentType,
              std::string* note);
