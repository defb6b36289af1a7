// The two report pages of a check run: vanished favorites (flistdel.htm) and new or updated
// pages (flist.htm), in the temporary folder. Each is created with its head at the start of the
// run, gets one line per reported favorite, and is finished and opened in the browser at its end.
#pragma once

#include <cstddef>
#include <cstdio>

#include "favorites/FavoritesList.h"

enum class ReportKind {
    kVanished, // flistdel.htm
    kUpdated,  // flist.htm
    kMoved,    // flistmov.htm: favorites updated to a new address, and moves not applied
};

// The page's path, derived from the favorites list's path (…\flist.tmp). False, with result
// empty, when listPath has no ".tmp" end or the path does not fit.
bool ReportPagePath(ReportKind kind, const char* listPath, char* result, size_t size);

// text with &, <, > and " written as entities, so that a shortcut's URL or name can neither
// end the attribute nor start markup. An entity is never cut; a cut text stops before it. A lead
// byte left without its trail byte at the end is dropped. False when cut.
bool EscapeHtml(const char* text, char* result, size_t size);

class ReportPage {
public:
    ReportPage() = default;
    // A page still open here was not finished: its foot is written so that the file is whole,
    // but it is not opened.
    ~ReportPage();
    ReportPage(const ReportPage&) = delete;
    ReportPage& operator=(const ReportPage&) = delete;

    // Creates (overwrites) the page at path and writes its head. False when it cannot be written.
    bool Create(ReportKind kind, const char* path);
    bool IsOpen() const { return file_ != nullptr; }
    // One line: a link to url, with the shortcut's name below the Favorites folder as its text,
    // and the note after it when there is one (where the page moved, why it is not certain);
    // then, when there is one, a short line below it on what changed in the page.
    bool WriteEntry(const char* url, const char* relativeName, const char* note = nullptr,
                    const char* change = nullptr);
    // Writes the foot, closes the page and opens it with the shell. False when the page could not
    // be written whole; the shell's answer is not examined.
    bool Finish();

private:
    bool Close();

    FILE* file_ = nullptr;
    bool failed_ = false;
    char path_[kListLineSize] = "";
};
