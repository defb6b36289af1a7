// Page copies read as files, piece by piece, through their charset and, for HTML, the page's
// readable text; compared side by side; the change said in code page 932.
#include <windows.h>

#include "favorites/PageCompare.h"

#include "favorites/PageCharset.h"
#include "favorites/PageDiff.h"
#include "favorites/PageText.h"
#include "framework/Handles.h"
#include "text/AnsiText.h"

#include <cstdio>
#include <vector>

namespace {

// Read at once: a page of any size costs this much, twice, and the comparison's window.
constexpr size_t kPieceSize = 16384;
// The most of a media type the report shows.
constexpr size_t kTypeShown = 40;

// A copy opened for reading, with its first bytes (read, then the file rewound).
struct Copy {
    explicit Copy(const char* path) : file(path, "rb") {
        if (file.Get()) {
            head.resize(kPageHeadSize);
            head.resize(std::fread(&head[0], 1, head.size(), file.Get()));
            opened = !std::ferror(file.Get()) && std::fseek(file.Get(), 0, SEEK_SET) == 0;
        }
    }
    StdFile file;
    std::string head;
    bool opened = false;
};

// What a reader sees of a copy, or its bytes, in the encoding of its text.
class CopyReader final : public TextSource {
public:
    CopyReader(FILE* file, PageKind kind, const PageCharset& charset)
        : file_(file), html_(kind == PageKind::kHtml), decoder_(charset),
          text_(charset.codePage, CharacterInCodePage), buffer_(kPieceSize) {}

    bool Next(std::string& out) override {
        if (ended_) {
            return false;
        }
        const size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        decoded_.clear();
        decoder_.Feed(buffer_.data(), got, decoded_);
        if (got < buffer_.size()) {
            ended_ = true;
            failed_ = std::ferror(file_) != 0;
            decoder_.Finish(decoded_);
        }
        if (!html_) {
            out += decoded_;
            return true;
        }
        text_.Feed(decoded_.data(), decoded_.size(), out);
        if (ended_) {
            text_.Finish(out);
        }
        return true;
    }

    bool Failed() const { return failed_; }
    const PageText& Html() const { return text_; }

private:
    FILE* file_;
    bool html_;
    PageDecoder decoder_;
    PageText text_;
    std::vector<char> buffer_;
    std::string decoded_;
    bool ended_ = false;
    bool failed_ = false;
};

PageCharset CharsetOf(const Copy& copy, const char* contentType, PageKind kind) {
    if (kind == PageKind::kBinary) {
        PageCharset bytes;
        bytes.codePage = 1252; // one byte a character: nothing is quoted anyway
        return bytes;
    }
    return ChoosePageCharset(contentType, kind == PageKind::kHtml, copy.head.data(),
                             copy.head.size());
}

// The media type as the report may show it: printable ASCII, within kTypeShown bytes.
std::string ShownType(const char* contentType) {
    std::string type;
    for (const char* p = contentType; *p && *p != ';' && type.size() < kTypeShown; ++p) {
        if (*p > ' ' && *p < 0x7F) {
            type += *p;
        }
    }
    return type;
}

// text (in codePage, beginning on a character) cut to kQuoteCharacters characters, in 932.
std::string Shown(const std::string& text, unsigned codePage, bool cutBefore, bool cutAfter) {
    size_t end = 0;
    for (size_t n = 0; end < text.size() && n < kQuoteCharacters; ++n) {
        end += CharacterLength(codePage, reinterpret_cast<const unsigned char*>(&text[end]),
                               text.size() - end);
    }
    cutAfter = cutAfter || end < text.size();
    std::string shown =
        TextInCp932(text.substr(0, end < text.size() ? end : text.size()), codePage);
    ShowableCp932(shown);
    return (cutBefore ? "…" : "") + shown + (cutAfter ? "…" : "");
}

// The note of a page seen for the first time: its title, read from the fresh copy up to the
// title's end (or the page's).
std::string NewPageNote(Copy& fresh, PageKind kind, const char* contentType) {
    if (kind != PageKind::kHtml) {
        const std::string type = ShownType(contentType);
        return type.empty() ? "新規" : "新規（" + type + "）";
    }
    const PageCharset charset = CharsetOf(fresh, contentType, kind);
    CopyReader text(fresh.file.Get(), kind, charset);
    std::string readable;
    while (!text.Html().TitleEnded() && text.Next(readable)) {
        readable.clear(); // only the title is wanted
    }
    const std::string& title = text.Html().Title();
    if (title.empty()) {
        return "タイトル: （なし）";
    }
    return "タイトル: " +
           Shown(title, charset.codePage, false, title.size() >= PageText::kTitleLimit);
}

std::string ChangeNote(const TextChange& change, PageKind kind, unsigned codePage,
                       const char* contentType) {
    if (kind == PageKind::kBinary || change.quote.empty()) {
        const std::string type = kind == PageKind::kBinary ? ShownType(contentType) : "";
        return type.empty() ? "内容が変わりました。" : "内容が変わりました（" + type + "）。";
    }
    return (change.kind == ChangeKind::kRemoved ? "削除: " : "追加: ") +
           Shown(change.quote, codePage, change.cutBefore, change.cutAfter);
}

} // namespace

bool SamePage(const char* storedPath, const char* freshPath, const char* contentType,
              std::string* note) {
    if (note) {
        note->clear();
    }
    contentType = contentType ? contentType : "";
    Copy fresh(freshPath);
    if (!fresh.opened) {
        return false;
    }
    const PageKind kind = KindOfPage(contentType, fresh.head.data(), fresh.head.size());
    Copy stored(storedPath);
    if (!stored.opened) {
        if (note) {
            *note = NewPageNote(fresh, kind, contentType);
        }
        return false;
    }
    const PageCharset freshCharset = CharsetOf(fresh, contentType, kind);
    CopyReader before(stored.file.Get(), kind, CharsetOf(stored, contentType, kind));
    CopyReader after(fresh.file.Get(), kind, freshCharset);
    const QuoteStyle style = !note || kind == PageKind::kBinary ? QuoteStyle::kNone
                             : kind == PageKind::kHtml          ? QuoteStyle::kWords
                                                                : QuoteStyle::kLine;
    const TextChange change = CompareTexts(before, after, freshCharset.codePage, style);
    if (change.kind == ChangeKind::kSame && !before.Failed() && !after.Failed()) {
        return true;
    }
    if (note) {
        *note = ChangeNote(change, kind, freshCharset.codePage, contentType);
    }
    return false;
}
