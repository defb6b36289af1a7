// The URL of a shortcut file replaced, the rest kept byte for byte. Anything the reader might
// have read otherwise than the system does leaves the file alone.
#include "favorites/ShortcutRewrite.h"

#include "favorites/FavoritesList.h"
#include "text/TextRoutines.h"

#include <cstring>
#include <vector>

namespace {

// A line of the file: where it begins, how long its text is, and how long its line end is
// (LF, CR LF, or nothing at the end of the file).
struct Line {
    size_t start;
    size_t length;
    size_t endLength;
};

// The reader takes a line of at most this many bytes (its LF included) in one piece.
constexpr size_t kMostLineText = kListLineSize - 2;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool SameNoCase(const std::string& text, const char* lower) {
    if (text.size() != std::strlen(lower)) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != lower[i]) {
            return false;
        }
    }
    return true;
}

std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    for (size_t at = 0; at < bytes.size();) {
        const size_t feed = bytes.find('\n', at);
        Line line{at, (feed == std::string::npos ? bytes.size() : feed) - at, 0};
        if (feed != std::string::npos) {
            line.endLength = 1;
            if (line.length > 0 && bytes[feed - 1] == '\r') {
                --line.length;
                ++line.endLength;
            }
        }
        lines.push_back(line);
        at = line.start + line.length + line.endLength;
    }
    return lines;
}

// The section a line opens ("[name]", blanks around allowed), or nothing.
bool SectionName(const std::string& text, std::string& name) {
    const std::string trimmed = Trimmed(text);
    if (trimmed.empty() || trimmed[0] != '[') {
        return false;
    }
    const size_t close = trimmed.find(']');
    name = Trimmed(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// True when the line is a URL key of a profile section ("URL = value" in any case).
bool IsUrlKey(const std::string& text) {
    const size_t equals = text.find('=');
    return equals != std::string::npos && SameNoCase(Trimmed(text.substr(0, equals)), "url");
}

// Where the value of a key line begins and ends, blanks around it left out.
void ValueSpan(const std::string& text, size_t& begin, size_t& end) {
    begin = text.find('=') + 1;
    end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
}

bool PlainAscii(const std::string& text) {
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E || c == '+') {
            return false;
        }
    }
    return true;
}

} // namespace

ShortcutRewrite RewriteShortcutUrl(const std::string& bytes, const std::string& oldUrl,
                                   const std::string& newUrl, std::string& result) {
    result.clear();
    // A zero byte is the sign of UTF-16; Ctrl+Z ends a file the C runtime reads as text.
    if (bytes.find('\0') != std::string::npos || bytes.find('\x1A') != std::string::npos) {
        return ShortcutRewrite::kNotText;
    }
    // The reader passes over blanks and "=" before a value, and the system drops blanks after.
    if (newUrl.empty() || newUrl.size() > kMostShortcutUrl || IsBlank(newUrl[0]) ||
        newUrl[0] == '=' || IsBlank(newUrl.back())) {
        return ShortcutRewrite::kBadNewUrl;
    }
    for (const char c : newUrl) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return ShortcutRewrite::kBadNewUrl;
        }
    }
    // A lead byte last, without its trail byte, is dropped by the reader.
    for (const char* p = newUrl.c_str(); *p; p += CharLength(p)) {
        if (CharLength(p) == 1 && IsLeadByte(p)) {
            return ShortcutRewrite::kBadNewUrl;
        }
    }
    const std::vector<Line> lines = SplitLines(bytes);
    for (const Line& line : lines) {
        if (line.length > kMostLineText) {
            return ShortcutRewrite::kLongLine;
        }
    }

    // Each line's text and the section it lies in; the URL line is the first one that begins
    // with "URL", as the reader takes it.
    std::vector<std::string> texts;
    std::vector<std::string> sections;
    std::string section;
    size_t urlLine = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        texts.push_back(bytes.substr(lines[i].start, lines[i].length));
        std::string name;
        if (SectionName(texts[i], name)) {
            section = name;
        }
        sections.push_back(section);
        if (urlLine == lines.size() && texts[i].compare(0, 3, "URL") == 0) {
            urlLine = i;
        }
    }
    if (urlLine == lines.size()) {
        return ShortcutRewrite::kOtherUrl;
    }
    if (!SameNoCase(sections[urlLine], "internetshortcut")) {
        return ShortcutRewrite::kNoSection;
    }
    // The value as the reader found it: after "URL", the character that follows, and any
    // blanks and "=". It must be a key line "URL =" holding exactly the address checked.
    const std::string& text = texts[urlLine];
    size_t value = 3;
    if (value < text.size()) {
        value += CharLength(text.c_str() + value);
    }
    while (value < text.size() && (IsBlank(text[value]) || text[value] == '=')) {
        ++value;
    }
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals >= value ||
        !Trimmed(text.substr(3, equals - 3)).empty() ||
        text.compare(value, std::string::npos, oldUrl) != 0) {
        return ShortcutRewrite::kOtherUrl;
    }

    const bool plainNew = PlainAscii(newUrl);
    std::string out;
    out.reserve(bytes.size() + newUrl.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const std::string end = bytes.substr(line.start + line.length, line.endLength);
        if (i == urlLine) {
            out.append(text, 0, value).append(newUrl).append(end);
            continue;
        }
        if (SameNoCase(sections[i], "internetshortcut") && IsUrlKey(texts[i])) {
            return ShortcutRewrite::kManyUrls;
        }
        if (SameNoCase(sections[i], "internetshortcut.w") && IsUrlKey(texts[i])) {
            // The system's Unicode copy of the address: given the new one where it is the same
            // in UTF-7, else left out, so that it never sends the user to the old address.
            size_t begin = 0;
            size_t stop = 0;
            ValueSpan(texts[i], begin, stop);
            if (plainNew && texts[i].compare(begin, stop - begin, oldUrl) == 0) {
                out.append(texts[i], 0, begin)
                    .append(newUrl)
                    .append(texts[i], stop, std::string::npos);
                out.append(end);
            }
            continue;
        }
        out.append(bytes, line.start, line.length + line.endLength);
    }
    result.swap(out);
    return ShortcutRewrite::kDone;
}

const char* ShortcutRewriteText(ShortcutRewrite outcome) {
    switch (outcome) {
    case ShortcutRewrite::kDone:
        return "";
    case ShortcutRewrite::kNotText:
        return "テキスト形式のファイルではありません";
    case ShortcutRewrite::kLongLine:
        return "長すぎる行があります";
    case ShortcutRewrite::kNoSection:
        return "URLが[InternetShortcut]セクションにありません";
    case ShortcutRewrite::kOtherUrl:
        return "ファイルのURLがチェックしたものと違います";
    case ShortcutRewrite::kManyUrls:
        return "URLの行が複数あります";
    case ShortcutRewrite::kBadNewUrl:
        return "移転先のURLを書き込めません";
    }
    return "";
}
