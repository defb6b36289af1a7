// Kinds, charsets and the decoders of page copies.
#include "favorites/PageCharset.h"

#include "favorites/BookmarksHtml.h"
#include "text/Utf8.h"

#include <cstring>

namespace {

constexpr unsigned kUtf8 = 65001;
constexpr unsigned kShiftJis = 932;

bool StartsWith(const std::string& text, const char* start) {
    return text.compare(0, std::strlen(start), start) == 0;
}

bool EndsWith(const std::string& text, const char* end) {
    const size_t length = std::strlen(end);
    return text.size() >= length && text.compare(text.size() - length, length, end) == 0;
}

// The media type of a Content-Type, lower case, without blanks and parameters.
std::string MediaType(const char* contentType) {
    std::string type;
    for (const char* p = contentType; *p && *p != ';'; ++p) {
        if (*p != ' ' && *p != '\t') {
            type += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p | 0x20 : *p);
        }
    }
    return type;
}

size_t ByteOrderMark(const unsigned char* p, size_t length, PageEncoding* encoding) {
    if (length >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        *encoding = PageEncoding::kAsIs;
        return 3;
    }
    if (length >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        *encoding = p[0] == 0xFF ? PageEncoding::kUtf16Le : PageEncoding::kUtf16Be;
        return 2;
    }
    return 0;
}

// The first bytes of an HTML page, as the standard's sniffing rules list them: "<" and a tag
// name (or "!--") followed by a blank or ">".
bool LooksLikeHtml(const unsigned char* p, size_t length) {
    static const char* const kStarts[] = {
        "!doctype html", "html",  "head", "script", "iframe", "h1", "div", "font", "table", "a",
        "style",         "title", "b",    "body",   "br",     "p",  "!--"};
    size_t at = 0;
    while (at < length &&
           (p[at] == ' ' || p[at] == '\t' || p[at] == '\n' || p[at] == '\r' || p[at] == '\f')) {
        ++at;
    }
    if (at >= length || p[at] != '<') {
        return false;
    }
    ++at;
    for (const char* start : kStarts) {
        const size_t n = std::strlen(start);
        size_t i = 0;
        while (i < n && at + i < length && (p[at + i] | (start[i] >= 'a' ? 0x20 : 0)) == start[i]) {
            ++i;
        }
        if (i == n && at + n < length && (p[at + n] == ' ' || p[at + n] == '>')) {
            return true;
        }
    }
    return false;
}

// Bytes that no text holds (the standard's "binary data bytes").
bool HoldsBinaryBytes(const unsigned char* p, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = p[i];
        if (c <= 0x08 || c == 0x0B || (c >= 0x0E && c <= 0x1A) || (c >= 0x1C && c <= 0x1F)) {
            return true;
        }
    }
    return false;
}

PageCharset ForCodePage(unsigned codePage) {
    PageCharset charset;
    switch (codePage) {
    case 20932:
        charset.encoding = PageEncoding::kEucJp;
        charset.codePage = kShiftJis;
        break;
    case 50220:
        charset.encoding = PageEncoding::kIso2022Jp;
        charset.codePage = kShiftJis;
        break;
    default:
        charset.codePage = codePage;
        break;
    }
    return charset;
}

// Valid UTF-8 with at least one character beyond ASCII; a character cut by the end counts.
bool LooksLikeUtf8(const char* p, size_t length) {
    bool beyondAscii = false;
    for (size_t at = 0; at < length;) {
        size_t used;
        const char32_t c = DecodeUtf8(p + at, length - at, &used);
        if (c == kReplacementCharacter && !(at + used == length && used < 4)) {
            return false;
        }
        beyondAscii = beyondAscii || c >= 0x80;
        at += used;
    }
    return beyondAscii;
}

// Every byte beyond ASCII in EUC-JP's pairs (8E with a half-width kana, 8F with two bytes, two
// of A1 to FE), at least one of them.
bool LooksLikeEucJp(const unsigned char* p, size_t length) {
    bool pair = false;
    for (size_t at = 0; at < length;) {
        const unsigned char c = p[at];
        if (c < 0x80) {
            ++at;
            continue;
        }
        const size_t size = c == 0x8F ? 3 : 2;
        const bool lead = c == 0x8E || c == 0x8F || (c >= 0xA1 && c <= 0xFE);
        for (size_t i = 1; lead && i < size && at + i < length; ++i) {
            if (p[at + i] < 0xA1 || p[at + i] > 0xFE) {
                return false;
            }
        }
        if (!lead) {
            return false;
        }
        pair = true;
        at += size;
    }
    return pair;
}

PageCharset SniffedCharset(const unsigned char* p, size_t length) {
    for (size_t i = 0; i + 2 < length; ++i) {
        if (p[i] == 0x1B && p[i + 1] == '$' && (p[i + 2] == 'B' || p[i + 2] == '@')) {
            return ForCodePage(50220);
        }
    }
    if (LooksLikeUtf8(reinterpret_cast<const char*>(p), length)) {
        return ForCodePage(kUtf8);
    }
    bool ascii = true;
    for (size_t i = 0; i < length && ascii; ++i) {
        ascii = p[i] < 0x80;
    }
    if (ascii) {
        return ForCodePage(kUtf8);
    }
    return ForCodePage(LooksLikeEucJp(p, length) ? 20932 : kShiftJis);
}

// JIS X 0208's row and cell (0x21 to 0x7E each) as Shift_JIS.
void JisToShiftJis(unsigned char j1, unsigned char j2, std::string& out) {
    const unsigned char s1 = static_cast<unsigned char>((j1 + (j1 <= 0x5E ? 0xE1 : 0x161)) >> 1);
    unsigned s2 = j2 + ((j1 & 1) ? 0x1F : 0x7E);
    if ((j1 & 1) && s2 >= 0x7F) {
        ++s2;
    }
    out += static_cast<char>(s1);
    out += static_cast<char>(s2);
}

bool InJisRange(unsigned char c) {
    return c >= 0x21 && c <= 0x7E;
}

} // namespace

PageKind KindOfPage(const char* contentType, const char* head, size_t length) {
    const std::string type = MediaType(contentType ? contentType : "");
    if (type.find('/') != std::string::npos) {
        if (type == "text/html" || type == "application/xhtml+xml") {
            return PageKind::kHtml;
        }
        const bool text = StartsWith(type, "text/") || type == "application/json" ||
                          type == "application/xml" || type == "application/javascript" ||
                          type == "application/ecmascript" || EndsWith(type, "+xml") ||
                          EndsWith(type, "+json");
        return text ? PageKind::kText : PageKind::kBinary;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(head);
    PageEncoding encoding;
    const size_t bom = ByteOrderMark(p, length, &encoding);
    if (bom > 0 && encoding != PageEncoding::kAsIs) {
        return PageKind::kText; // UTF-16: its zero bytes say nothing
    }
    if (LooksLikeHtml(p + bom, length - bom)) {
        return PageKind::kHtml;
    }
    return HoldsBinaryBytes(p, length) ? PageKind::kBinary : PageKind::kText;
}

PageCharset ChoosePageCharset(const char* contentType, bool html, const char* head, size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(head);
    PageEncoding encoding;
    if (const size_t bom = ByteOrderMark(p, length, &encoding)) {
        PageCharset charset;
        charset.encoding = encoding;
        charset.bomLength = bom;
        return charset;
    }
    const std::string type = contentType ? contentType : "";
    unsigned codePage = CodePageForCharset(CharsetOfContentType({type.data(), type.size()}));
    if (codePage == 0 && html) {
        codePage = CodePageForCharset(DeclaredCharset(head, length));
    }
    return codePage ? ForCodePage(codePage) : SniffedCharset(p, length);
}

void PageDecoder::Feed(const char* bytes, size_t length, std::string& out) {
    size_t at = 0;
    while (skipped_ < charset_.bomLength && at < length) {
        ++skipped_;
        ++at;
    }
    switch (charset_.encoding) {
    case PageEncoding::kAsIs:
        out.append(bytes + at, length - at);
        return;
    case PageEncoding::kEucJp:
        for (; at < length; ++at) {
            FeedEucJp(static_cast<unsigned char>(bytes[at]), out);
        }
        return;
    case PageEncoding::kIso2022Jp:
        for (; at < length; ++at) {
            FeedIso2022Jp(static_cast<unsigned char>(bytes[at]), out);
        }
        return;
    default:
        for (; at < length; ++at) {
            FeedUtf16(static_cast<unsigned char>(bytes[at]), out);
        }
        return;
    }
}

void PageDecoder::Finish(std::string& out) {
    if (heldCount_ > 0 || highSurrogate_) {
        out += '?'; // a character cut off by the end of the page
    }
    heldCount_ = 0;
    highSurrogate_ = 0;
}

void PageDecoder::FeedEucJp(unsigned char c, std::string& out) {
    if (heldCount_ == 0) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c == 0x8E || c == 0x8F || (c >= 0xA1 && c <= 0xFE)) {
            held_[heldCount_++] = c;
        } else {
            out += '?';
        }
        return;
    }
    if (c < 0xA1 || c > 0xFE) {
        heldCount_ = 0;
        out += '?';
        FeedEucJp(c, out); // the byte begins something of its own
        return;
    }
    held_[heldCount_++] = c;
    const unsigned char lead = held_[0];
    if (lead == 0x8F && heldCount_ < 3) {
        return;
    }
    heldCount_ = 0;
    if (lead == 0x8E) {
        out += static_cast<char>(c <= 0xDF ? c : '?'); // a half-width kana is one byte in Shift_JIS
    } else if (lead == 0x8F) {
        out += '?'; // JIS X 0212: Shift_JIS has none of it
    } else {
        JisToShiftJis(static_cast<unsigned char>(lead - 0x80), static_cast<unsigned char>(c - 0x80),
                      out);
    }
}

// ESC ( B and ESC ( J: ASCII; ESC $ @ and ESC $ B: JIS X 0208 in pairs; ESC ( I: half-width kana;
// ESC $ ( D: JIS X 0212. An escape that is none of these is passed over.
void PageDecoder::FeedIso2022Jp(unsigned char c, std::string& out) {
    if (heldCount_ > 0 && held_[0] == 0x1B) {
        held_[heldCount_++] = c;
        const bool more = heldCount_ == 2 || (heldCount_ == 3 && held_[1] == '$' && c == '(');
        if (more) {
            return;
        }
        const unsigned char intro = held_[1];
        const unsigned char final = c;
        heldCount_ = 0;
        if (intro == '(' && (final == 'B' || final == 'J')) {
            jisMode_ = 0;
        } else if (intro == '$' && (final == '@' || final == 'B')) {
            jisMode_ = 1;
        } else if (intro == '(' && final == 'I') {
            jisMode_ = 2;
        } else if (intro == '$' && final == 'D') {
            jisMode_ = 3;
        }
        return;
    }
    if (c == 0x1B || jisMode_ == 0 || !InJisRange(c)) {
        if (heldCount_ > 0) {
            out += '?'; // half a pair
        }
        heldCount_ = 0;
        if (c == 0x1B) {
            held_[heldCount_++] = c;
        } else {
            out += static_cast<char>(c < 0x80 ? c : '?');
        }
        return;
    }
    if (jisMode_ == 2) {
        out += static_cast<char>(c <= 0x5F ? c + 0x80 : '?');
        return;
    }
    if (heldCount_ == 0) {
        held_[heldCount_++] = c;
        return;
    }
    heldCount_ = 0;
    if (jisMode_ == 1) {
        JisToShiftJis(held_[0], c, out);
    } else {
        out += '?';
    }
}

void PageDecoder::FeedUtf16(unsigned char c, std::string& out) {
    if (heldCount_ == 0) {
        held_[heldCount_++] = c;
        return;
    }
    heldCount_ = 0;
    const char16_t unit = charset_.encoding == PageEncoding::kUtf16Le
                              ? static_cast<char16_t>(held_[0] | c << 8)
                              : static_cast<char16_t>(held_[0] << 8 | c);
    char bytes[4];
    if (highSurrogate_) {
        const char16_t high = highSurrogate_;
        highSurrogate_ = 0;
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            out.append(bytes,
                       EncodeUtf8(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), bytes));
            return;
        }
        out.append(bytes, EncodeUtf8(kReplacementCharacter, bytes));
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        highSurrogate_ = unit;
        return;
    }
    out.append(bytes, EncodeUtf8(unit, bytes)); // a lone low surrogate is the replacement
}

size_t CharacterLength(unsigned codePage, const unsigned char* p, size_t available) {
    const unsigned char c = *p;
    if (codePage == kUtf8) {
        const size_t length = c >= 0xF0 && c <= 0xF4   ? 4
                              : c >= 0xE0 && c <= 0xEF ? 3
                              : c >= 0xC2 && c <= 0xDF ? 2
                                                       : 1;
        // An ill-formed sequence ends before the first byte that continues nothing.
        for (size_t i = 1; i < length && i < available; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                return i;
            }
        }
        return length;
    }
    // Chinese and Korean code pages lead with 81 to FE; the others are one byte a character. A
    // lead byte followed by a byte no trail byte is (a line end, a "<") stands alone.
    const bool doubleByte =
        codePage == 936 || codePage == 949 || codePage == 950 || codePage == 54936;
    const bool lead = codePage == kShiftJis ? (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)
                                            : doubleByte && c >= 0x81 && c <= 0xFE;
    return lead && (available < 2 || p[1] >= 0x40) ? 2 : 1;
}
