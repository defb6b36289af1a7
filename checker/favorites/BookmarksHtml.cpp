// The bookmarks HTML reader: markup is tokenized as browsers tokenize it (comments, quoted and
// bare attribute values, a tag cut off by the end of the file dropped), and each piece is
// scanned once: nothing looks ahead for a closing tag, which a file without any would make
// quadratic. The nesting lives in a stack of open lists, never in the call stack.
#include "favorites/BookmarksHtml.h"

#include "text/CharacterReferences.h"
#include "text/Utf8.h"

#include <cstring>
#include <vector>

namespace {

// The part of a file that names its charset: browsers look no further either.
constexpr size_t kCharsetHead = 4096;
constexpr char kBom[] = "\xEF\xBB\xBF";

bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsLetter(unsigned char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

unsigned char Lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c | 0x20) : c;
}

// word is lower case.
bool SameWord(const char* text, size_t length, const char* word) {
    for (size_t i = 0; i < length; ++i) {
        if (word[i] == '\0' || Lower(static_cast<unsigned char>(text[i])) != word[i]) {
            return false;
        }
    }
    return word[length] == '\0';
}

// Where word (lower case) first stands in text, in any case; length when nowhere.
size_t FindWord(const char* text, size_t length, const char* word) {
    const size_t wordLength = std::strlen(word);
    for (size_t at = 0; at + wordLength <= length; ++at) {
        if (SameWord(text + at, wordLength, word)) {
            return at;
        }
    }
    return length;
}

size_t SkipBom(const char* text, size_t length) {
    return length >= 3 && std::memcmp(text, kBom, 3) == 0 ? 3 : 0;
}

// Where the next markup may begin: the next '<' from at, or length.
size_t NextMarkup(const char* text, size_t length, size_t at) {
    const void* next = std::memchr(text + at, '<', length - at);
    return next ? static_cast<size_t>(static_cast<const char*>(next) - text) : length;
}

enum class MarkupKind : unsigned char {
    kText,        // a '<' that begins no markup
    kSkipped,     // a comment, "</>", a processing instruction
    kDeclaration, // <!DOCTYPE ...>: name holds what stands inside
    kStartTag,
    kEndTag,
    kCutOff, // the file ends inside it: nothing of it counts
};

struct Markup {
    MarkupKind kind = MarkupKind::kText;
    size_t name = 0; // offset of the tag's name (or the declaration's text)
    size_t nameLength = 0;
    size_t end = 0; // offset after it
    bool Is(const char* word, const char* text) const {
        return SameWord(text + name, nameLength, word);
    }
};

struct Attribute {
    TextSpan name;
    TextSpan value; // without its quotes; empty where the attribute has none
};

size_t SkipBlanks(const char* text, size_t length, size_t at) {
    while (at < length && IsBlank(static_cast<unsigned char>(text[at]))) {
        ++at;
    }
    return at;
}

// To the next '>' and past it, or to the end of the file.
Markup UpToClose(const char* text, size_t length, size_t at, MarkupKind kind) {
    const void* close = std::memchr(text + at, '>', length - at);
    Markup markup;
    markup.kind = kind;
    markup.name = at;
    markup.nameLength = close ? static_cast<const char*>(close) - (text + at) : length - at;
    markup.end = at + markup.nameLength + (close ? 1 : 0);
    return markup;
}

// The attribute that begins at text[p] into attribute, and where it ends; cutOff when the text
// ends before its value does.
size_t ReadAttribute(const char* text, size_t length, size_t p, Attribute& attribute,
                     bool& cutOff) {
    const size_t nameBegin = p++; // a first '=' belongs to the name
    while (p < length && !IsBlank(static_cast<unsigned char>(text[p])) && text[p] != '/' &&
           text[p] != '>' && text[p] != '=') {
        ++p;
    }
    attribute.name = {text + nameBegin, p - nameBegin};
    attribute.value = {text + p, 0};
    p = SkipBlanks(text, length, p);
    if (p >= length || text[p] != '=') {
        return p;
    }
    p = SkipBlanks(text, length, p + 1);
    if (p >= length) {
        cutOff = true;
        return p;
    }
    const char quote = text[p];
    if (quote == '"' || quote == '\'') {
        const void* close = std::memchr(text + p + 1, quote, length - p - 1);
        if (!close) {
            cutOff = true;
            return p;
        }
        const size_t end = static_cast<const char*>(close) - text;
        attribute.value = {text + p + 1, end - p - 1};
        return end + 1;
    }
    const size_t begin = p;
    while (p < length && !IsBlank(static_cast<unsigned char>(text[p])) && text[p] != '>') {
        ++p;
    }
    attribute.value = {text + begin, p - begin};
    return p;
}

// The markup at text[at] == '<'; each attribute of a tag goes to onAttribute.
template <typename OnAttribute>
Markup ScanMarkup(const char* text, size_t length, size_t at, OnAttribute&& onAttribute) {
    Markup markup;
    markup.end = at + 1;
    size_t p = at + 1;
    if (p >= length) {
        return markup;
    }
    const unsigned char first = static_cast<unsigned char>(text[p]);
    if (first == '!') {
        if (p + 2 < length && text[p + 1] == '-' && text[p + 2] == '-') {
            // The end may share the opener's dashes: "<!-->" is a whole comment.
            const size_t close = p + 1 + FindWord(text + p + 1, length - p - 1, "-->");
            markup.kind = MarkupKind::kSkipped;
            markup.end = close < length ? close + 3 : length;
            return markup;
        }
        return UpToClose(text, length, p + 1, MarkupKind::kDeclaration);
    }
    if (first == '?') {
        return UpToClose(text, length, p, MarkupKind::kSkipped);
    }
    markup.kind = MarkupKind::kStartTag;
    if (first == '/') {
        if (p + 1 >= length) {
            markup.kind = MarkupKind::kText;
            return markup;
        }
        if (text[p + 1] == '>') {
            markup.kind = MarkupKind::kSkipped;
            markup.end = p + 2;
            return markup;
        }
        if (!IsLetter(static_cast<unsigned char>(text[p + 1]))) {
            return UpToClose(text, length, p, MarkupKind::kSkipped);
        }
        markup.kind = MarkupKind::kEndTag;
        ++p;
    } else if (!IsLetter(first)) {
        markup.kind = MarkupKind::kText;
        return markup;
    }

    markup.name = p;
    while (p < length && !IsBlank(static_cast<unsigned char>(text[p])) && text[p] != '/' &&
           text[p] != '>') {
        ++p;
    }
    markup.nameLength = p - markup.name;
    for (;;) {
        while (p < length && (IsBlank(static_cast<unsigned char>(text[p])) || text[p] == '/')) {
            ++p;
        }
        if (p >= length) {
            break;
        }
        if (text[p] == '>') {
            markup.end = p + 1;
            return markup;
        }
        Attribute attribute;
        bool cutOff = false;
        p = ReadAttribute(text, length, p, attribute, cutOff);
        if (cutOff) {
            break;
        }
        onAttribute(attribute);
    }
    markup.kind = MarkupKind::kCutOff;
    markup.end = length;
    return markup;
}

// The reference at text[at] == '&' as UTF-8 into out (room for 8 bytes), for text decoded over
// itself: one whose UTF-8 is longer than the reference (&nGt;, &nLt;) would overtake what is
// still to be read, and stays as it is written. False when none is decoded.
bool DecodeReferenceInto(const char* text, size_t length, size_t at, bool inAttribute, char* out,
                         size_t* outLength, size_t* used) {
    char32_t characters[2];
    size_t count;
    if (!DecodeReference(text + at, length - at, inAttribute, characters, &count, used)) {
        return false;
    }
    size_t bytes = EncodeUtf8(characters[0], out);
    if (count > 1) {
        bytes += EncodeUtf8(characters[1], out + bytes);
    }
    *outLength = bytes;
    return bytes <= *used;
}

// A title as browsers show it, written over the text it is read from: every run of blanks,
// line ends, controls and no-break spaces one blank, none at either end.
class TitleWriter {
public:
    explicit TitleWriter(char* out) : out_(out) {}

    void Blank() { blank_ = length_ > 0; }
    void Byte(char c) {
        if (blank_) {
            out_[length_++] = ' ';
            blank_ = false;
        }
        out_[length_++] = c;
    }
    // The UTF-8 of a reference's characters: a blank, a line end, a control or a no-break space
    // is a blank.
    void Characters(const char* utf8, size_t length) {
        size_t used;
        const char32_t c = DecodeUtf8(utf8, length, &used);
        if (c <= 0x20 || (c >= 0x7F && c <= 0xA0)) {
            Blank();
            return;
        }
        for (size_t i = 0; i < length; ++i) {
            Byte(utf8[i]);
        }
    }
    TextSpan Text() const { return {out_, length_}; }

private:
    char* out_;
    size_t length_ = 0;
    bool blank_ = false;
};

// The tags of the list itself: one of them ends a title whose closing tag is missing. Other
// tags in a title (<b>, <span>) are dropped from it.
bool IsListTag(const Markup& markup, const char* text) {
    static const char* const kListTags[] = {"a", "dl", "dt", "dd", "h3", "hr", "p"};
    for (const char* tag : kListTags) {
        if (markup.Is(tag, text)) {
            return true;
        }
    }
    return false;
}

// Reads the title that begins at text[at] into the same place: to the closing tag (passed over)
// or to a tag of the list (left for the caller, as is a tag the end of the file cuts off).
// Returns where reading goes on. Each byte is read before anything is written over it.
size_t ReadTitle(char* text, size_t length, size_t at, const char* closing, TextSpan* title) {
    TitleWriter writer(text + at);
    size_t p = at;
    while (p < length) {
        const unsigned char c = static_cast<unsigned char>(text[p]);
        if (c == '<') {
            const Markup markup = ScanMarkup(text, length, p, [](const Attribute&) {});
            if (markup.kind == MarkupKind::kText) {
                writer.Byte('<');
                ++p;
                continue;
            }
            if (markup.kind == MarkupKind::kCutOff) {
                break;
            }
            if (markup.kind == MarkupKind::kEndTag && markup.Is(closing, text)) {
                p = markup.end;
                break;
            }
            if ((markup.kind == MarkupKind::kStartTag || markup.kind == MarkupKind::kEndTag) &&
                IsListTag(markup, text)) {
                break;
            }
            p = markup.end;
            continue;
        }
        char utf8[8];
        size_t bytes;
        size_t used;
        if (c == '&' && DecodeReferenceInto(text, length, p, false, utf8, &bytes, &used)) {
            writer.Characters(utf8, bytes);
            p += used;
        } else if (c <= 0x20 || c == 0x7F) {
            writer.Blank();
            ++p;
        } else if (c == 0xC2 && p + 1 < length && static_cast<unsigned char>(text[p + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[p + 1]) <= 0xA0) {
            writer.Blank(); // a C1 control or a no-break space, as UTF-8
            p += 2;
        } else {
            writer.Byte(static_cast<char>(c));
            ++p;
        }
    }
    *title = writer.Text();
    return p;
}

// An attribute's value with its references decoded, in place.
TextSpan DecodeValue(char* text, TextSpan value) {
    char* begin = text + (value.data - text);
    const size_t end = static_cast<size_t>(begin - text) + value.length;
    size_t written = 0;
    for (size_t p = static_cast<size_t>(begin - text); p < end;) {
        char utf8[8];
        size_t count;
        size_t used;
        if (text[p] == '&' && DecodeReferenceInto(text, end, p, true, utf8, &count, &used)) {
            std::memcpy(begin + written, utf8, count);
            written += count;
            p += used;
        } else {
            begin[written++] = text[p++];
        }
    }
    return {begin, written};
}

TextSpan Trimmed(TextSpan text) {
    while (text.length && IsBlank(static_cast<unsigned char>(text.data[0]))) {
        ++text.data;
        --text.length;
    }
    while (text.length && IsBlank(static_cast<unsigned char>(text.data[text.length - 1]))) {
        --text.length;
    }
    return text;
}

struct CharsetName {
    const char* name;
    unsigned codePage;
};

constexpr CharsetName kCharsets[] = {
    {"utf-8", 65001},
    {"utf8", 65001},
    {"unicode-1-1-utf-8", 65001},
    // A head that could be read for its <meta> is no UTF-16: browsers take such a file as UTF-8.
    {"utf-16", 65001},
    {"utf-16le", 65001},
    {"utf-16be", 65001},
    {"shift_jis", 932},
    {"shift-jis", 932},
    {"sjis", 932},
    {"x-sjis", 932},
    {"windows-31j", 932},
    {"cp932", 932},
    {"ms932", 932},
    {"ms_kanji", 932},
    {"csshiftjis", 932},
    {"x-ms-cp932", 932},
    {"euc-jp", 20932},
    {"x-euc-jp", 20932},
    {"eucjp", 20932},
    {"cseucpkdfmtjapanese", 20932},
    {"iso-2022-jp", 50220},
    {"csiso2022jp", 50220},
    // Browsers read all of these as windows-1252, which holds them.
    {"windows-1252", 1252},
    {"cp1252", 1252},
    {"x-cp1252", 1252},
    {"iso-8859-1", 1252},
    {"iso8859-1", 1252},
    {"iso_8859-1", 1252},
    {"latin1", 1252},
    {"l1", 1252},
    {"us-ascii", 1252},
    {"ascii", 1252},
    {"ansi_x3.4-1968", 1252},
    {"windows-1250", 1250},
    {"windows-1251", 1251},
    {"windows-1253", 1253},
    {"windows-1254", 1254},
    {"windows-1255", 1255},
    {"windows-1256", 1256},
    {"windows-1257", 1257},
    {"windows-1258", 1258},
    {"windows-874", 874},
    {"tis-620", 874},
    {"iso-8859-2", 28592},
    {"iso-8859-5", 28595},
    {"iso-8859-7", 28597},
    {"iso-8859-15", 28605},
    {"koi8-r", 20866},
    {"koi8-u", 21866},
    {"gbk", 936},
    {"gb2312", 936},
    {"x-gbk", 936},
    {"gb18030", 54936},
    {"big5", 950},
    {"euc-kr", 949},
    {"ks_c_5601-1987", 949},
};

} // namespace

TextSpan CharsetOfContentType(TextSpan content) {
    size_t p = 0;
    for (;;) {
        const size_t found = FindWord(content.data + p, content.length - p, "charset");
        if (found == content.length - p) {
            return {};
        }
        p = SkipBlanks(content.data, content.length, p + found + 7);
        if (p < content.length && content.data[p] == '=') {
            break;
        }
    }
    p = SkipBlanks(content.data, content.length, p + 1);
    char quote = '\0';
    if (p < content.length && (content.data[p] == '"' || content.data[p] == '\'')) {
        quote = content.data[p++];
    }
    const size_t begin = p;
    while (p < content.length && content.data[p] != quote && content.data[p] != ';' &&
           !IsBlank(static_cast<unsigned char>(content.data[p]))) {
        ++p;
    }
    return {content.data + begin, p - begin};
}

HtmlReadResult ReadBookmarksHtml(char* text, size_t length, BookmarkTree& tree) {
    tree.nodes.clear();
    HtmlReadResult result;
    bool linkInList = false;
    std::vector<int> lists; // the folder each open <DL> holds the contents of; -1 the top
    int heading = -1;       // the folder just named, whose <DL> may come next
    size_t p = SkipBom(text, length);
    while ((p = NextMarkup(text, length, p)) < length) {
        TextSpan href{};
        bool hasHref = false;
        const Markup markup = ScanMarkup(text, length, p, [&](const Attribute& attribute) {
            if (!hasHref && SameWord(attribute.name.data, attribute.name.length, "href")) {
                hasHref = true; // the first one counts, as in browsers
                href = attribute.value;
            }
        });
        p = markup.end;
        const int parent = lists.empty() ? -1 : lists.back();
        if (markup.kind == MarkupKind::kDeclaration) {
            result.bookmarksFile |= FindWord(text + markup.name, markup.nameLength,
                                             "netscape-bookmark-file") < markup.nameLength;
        } else if (markup.kind == MarkupKind::kEndTag && markup.Is("dl", text)) {
            if (!lists.empty()) { // one too many at the top closes nothing
                lists.pop_back();
            }
            heading = -1;
        } else if (markup.kind != MarkupKind::kStartTag) {
            continue;
        } else if (markup.Is("dl", text)) {
            // A list without a heading of its own holds more of the folder it stands in.
            lists.push_back(heading >= 0 ? heading : parent);
            heading = -1;
        } else if (markup.Is("h3", text)) {
            BookmarkNode folder;
            folder.parent = parent;
            folder.kind = BookmarkKind::kFolder;
            p = ReadTitle(text, length, p, "h3", &folder.name);
            heading = static_cast<int>(tree.nodes.size());
            tree.nodes.push_back(folder);
        } else if (markup.Is("a", text) && hasHref) {
            BookmarkNode link;
            link.parent = parent;
            link.kind = BookmarkKind::kLink;
            link.url = DecodeValue(text, href);
            p = ReadTitle(text, length, p, "a", &link.name);
            tree.nodes.push_back(link);
            heading = -1;
            linkInList |= !lists.empty();
        }
    }
    result.bookmarksFile |= linkInList;
    if (!result.bookmarksFile) {
        tree.nodes.clear();
    }
    return result;
}

TextSpan DeclaredCharset(const char* text, size_t length) {
    const size_t head = length < kCharsetHead ? length : kCharsetHead;
    size_t p = SkipBom(text, head);
    while ((p = NextMarkup(text, head, p)) < head) {
        TextSpan charset{};
        TextSpan content{};
        bool contentType = false;
        const Markup markup = ScanMarkup(text, head, p, [&](const Attribute& attribute) {
            const TextSpan name = attribute.name;
            if (SameWord(name.data, name.length, "charset") && !charset.data) {
                charset = attribute.value;
            } else if (SameWord(name.data, name.length, "content") && !content.data) {
                content = attribute.value;
            } else if (SameWord(name.data, name.length, "http-equiv")) {
                contentType =
                    SameWord(attribute.value.data, attribute.value.length, "content-type");
            }
        });
        p = markup.end;
        if (markup.kind != MarkupKind::kStartTag || !markup.Is("meta", text)) {
            continue;
        }
        TextSpan found = Trimmed(charset);
        if (!found.length && contentType && content.data) {
            found = CharsetOfContentType(content);
        }
        if (found.length) {
            return found;
        }
    }
    return {};
}

unsigned CodePageForCharset(TextSpan name) {
    name = Trimmed(name);
    for (const CharsetName& charset : kCharsets) {
        if (SameWord(name.data, name.length, charset.name)) {
            return charset.codePage;
        }
    }
    return 0;
}
