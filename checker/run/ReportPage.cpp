// Report pages: head, one link per favorite, foot, then the shell opens the page.
#include <windows.h>

#include <shellapi.h>

#include "run/ReportPage.h"

#include "text/TextRoutines.h"

#include <cstring>

namespace {

constexpr char kVanishedHead[] =
    "<HTML>\n<HEAD>\n<TITLE>削除されたホームページ</TITLE>\n</HEAD>\n"
    "<BODY BGCOLOR=\"#AACCCC\">\n"
    "<CENTER><FONT SIZE=\"5\">削除されたホームページ</FONT></CENTER><BR>\n";
constexpr char kUpdatedHead[] =
    "<HTML>\n<HEAD>\n<TITLE>新規、又は更新されたホームページ</TITLE>\n</HEAD>\n"
    "<BODY BGCOLOR=\"#AACCCC\">\n"
    "<CENTER><FONT SIZE=\"5\">新規、又は更新されたホームページ</FONT></CENTER><BR>\n";
constexpr char kMovedHead[] = "<HTML>\n<HEAD>\n<TITLE>移転したお気に入り</TITLE>\n</HEAD>\n"
                              "<BODY BGCOLOR=\"#AACCCC\">\n"
                              "<CENTER><FONT SIZE=\"5\">移転したお気に入り</FONT></CENTER><BR>\n";
constexpr char kFoot[] = "\n</BODY>\n</HTML>";

constexpr char kListEnd[] = ".tmp";
constexpr size_t kListEndLength = sizeof kListEnd - 1;

// Every character may become "&quot;": room for a whole list line escaped.
constexpr size_t kEscapedSize = 6 * kListLineSize;

const char* Entity(char c) {
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    default:
        return nullptr;
    }
}

} // namespace

bool ReportPagePath(ReportKind kind, const char* listPath, char* result, size_t size) {
    if (size == 0) {
        return false;
    }
    result[0] = '\0';
    const size_t length = std::strlen(listPath);
    if (length < kListEndLength || std::strcmp(listPath + length - kListEndLength, kListEnd) != 0 ||
        length >= size) {
        return false;
    }
    // flist.tmp gives flistdel.htm, flist.htm and flistmov.htm.
    std::memcpy(result, listPath, length - kListEndLength);
    result[length - kListEndLength] = '\0';
    if (!AppendText(result, size,
                    kind == ReportKind::kVanished ? "del.htm"
                    : kind == ReportKind::kMoved  ? "mov.htm"
                                                  : ".htm")) {
        result[0] = '\0';
        return false;
    }
    return true;
}

bool EscapeHtml(const char* text, char* result, size_t size) {
    if (size == 0) {
        return false;
    }
    size_t used = 0;
    for (const char* p = text; *p; p += CharLength(p)) {
        const size_t step = CharLength(p);
        if (step == 1 && IsLeadByte(p)) {
            break; // a lead byte without its trail byte, last in the text
        }
        const char* entity = Entity(*p);
        const char* piece = entity ? entity : p;
        const size_t pieceLength = entity ? std::strlen(entity) : step;
        if (used + pieceLength >= size) {
            result[used] = '\0';
            return false;
        }
        std::memcpy(result + used, piece, pieceLength);
        used += pieceLength;
    }
    result[used] = '\0';
    return true;
}

ReportPage::~ReportPage() {
    if (file_) {
        std::fprintf(file_, "%s\n", kFoot);
        Close();
    }
}

bool ReportPage::Create(ReportKind kind, const char* path) {
    if (file_ || !CopyText(path_, sizeof path_, path)) {
        return false;
    }
    failed_ = false;
    file_ = std::fopen(path_, "w");
    if (!file_) {
        return false;
    }
    const char* head = kind == ReportKind::kVanished ? kVanishedHead
                       : kind == ReportKind::kMoved  ? kMovedHead
                                                     : kUpdatedHead;
    if (std::fprintf(file_, "%s\n", head) < 0) {
        failed_ = true;
    }
    return !failed_;
}

bool ReportPage::WriteEntry(const char* url, const char* relativeName, const char* note,
                            const char* change) {
    if (!file_) {
        return false;
    }
    char escapedUrl[kEscapedSize];
    char escapedName[kEscapedSize];
    char escapedNote[kEscapedSize] = "";
    EscapeHtml(url, escapedUrl, sizeof escapedUrl);
    EscapeHtml(relativeName, escapedName, sizeof escapedName);
    if (note && *note) {
        escapedNote[0] = ' ';
        EscapeHtml(note, escapedNote + 1, sizeof escapedNote - 1);
    }
    int written;
    if (change && *change) {
        // A line of the page's own text: within a list line, escaped like the rest.
        char escapedChange[kEscapedSize];
        EscapeHtml(change, escapedChange, sizeof escapedChange);
        written = std::fprintf(file_, "<A HREF=\"%s\">%s</A>%s<BR>\n<FONT SIZE=\"2\">%s</FONT><BR><BR>\n",
                               escapedUrl, escapedName, escapedNote, escapedChange);
    } else {
        written = std::fprintf(file_, "<A HREF=\"%s\">%s</A>%s<BR><BR>\n", escapedUrl,
                               escapedName, escapedNote);
    }
    if (written < 0) {
        failed_ = true;
    }
    return !failed_;
}

bool ReportPage::Finish() {
    if (!file_) {
        return false;
    }
    if (std::fprintf(file_, "%s\n", kFoot) < 0) {
        failed_ = true;
    }
    const bool whole = Close();
    // Opened even when incomplete: the user sees what the run found.
    ShellExecuteA(nullptr, nullptr, path_, nullptr, nullptr, SW_SHOWNORMAL);
    return whole;
}

bool ReportPage::Close() {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return closed && !failed_;
}
