// What kind of page a copy holds (HTML, other text, or not text), its charset, and the reading
// of its bytes into the encoding its text is compared and quoted in: UTF-8 (for UTF-8 and
// UTF-16), Shift_JIS (for Shift_JIS, EUC-JP and ISO-2022-JP, whose JIS X 0208 characters map to
// Shift_JIS by arithmetic) or the page's own Windows code page. All read piece by piece, so a
// page of any size costs a pass and a few bytes of state. Pure: no windows.h.
#pragma once

#include <cstddef>
#include <string>

enum class PageKind : unsigned char { kHtml, kText, kBinary };

enum class PageEncoding : unsigned char {
    kAsIs,      // UTF-8, Shift_JIS, or a Windows code page that keeps ASCII as ASCII
    kEucJp,     // into Shift_JIS
    kIso2022Jp, // into Shift_JIS
    kUtf16Le,   // into UTF-8
    kUtf16Be,   // into UTF-8
};

struct PageCharset {
    PageEncoding encoding = PageEncoding::kAsIs;
    unsigned codePage = 65001; // of the text once read: 65001, 932, or the page's own
    size_t bomLength = 0;      // a byte order mark at the start, passed over
};

// The part of a copy looked at for its kind and charset, as browsers look at it.
constexpr size_t kPageHeadSize = 4096;

// The kind a Content-Type names (its media type, in any case): text/html and XHTML are HTML,
// other text/*, JSON, XML and scripts are text, the rest (images, PDF, archives) is not text.
// Where it names none, the first bytes of the page (head, length bytes) decide: markup that
// begins an HTML page, bytes that no text holds, or text.
PageKind KindOfPage(const char* contentType, const char* head, size_t length);

// The charset of a copy: its byte order mark, else the Content-Type's charset, else (for HTML) a
// <meta> charset among the first bytes, else what those bytes look like: ISO-2022-JP's escapes,
// valid UTF-8, EUC-JP's pairs, else Shift_JIS, the charset of Japanese pages that name none. A
// name this program does not know counts as none.
PageCharset ChoosePageCharset(const char* contentType, bool html, const char* head, size_t length);

// Reads a copy's bytes in its charset into the encoding of its text, piece by piece. What cannot
// be read (a byte EUC-JP never holds, a JIS X 0212 character Shift_JIS lacks) becomes "?".
class PageDecoder {
public:
    explicit PageDecoder(const PageCharset& charset) : charset_(charset) {}
    void Feed(const char* bytes, size_t length, std::string& out);
    void Finish(std::string& out);

private:
    void FeedEucJp(unsigned char c, std::string& out);
    void FeedIso2022Jp(unsigned char c, std::string& out);
    void FeedUtf16(unsigned char c, std::string& out);

    PageCharset charset_;
    size_t skipped_ = 0;         // of the byte order mark
    unsigned char held_[4] = {}; // a character or an escape under way
    size_t heldCount_ = 0;
    unsigned jisMode_ = 0;       // ISO-2022-JP: 0 ASCII, 1 JIS X 0208, 2 half-width kana, 3 X 0212
    char16_t highSurrogate_ = 0; // UTF-16: the first half of a pair
};

// The length in bytes of the character at p, with available bytes there (at least 1), in a
// text of codePage (UTF-8, or double-byte code pages by their lead bytes). A character that
// goes on past what is available has its whole length; an ill-formed one ends before a byte
// that cannot continue it, so a line end or an ASCII byte always begins a character.
size_t CharacterLength(unsigned codePage, const unsigned char* p, size_t available);
