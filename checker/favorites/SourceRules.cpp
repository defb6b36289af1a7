// Recognising bookmark files and reading Firefox's profile list and backup names.
#include "favorites/SourceRules.h"

#include <cstring>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether the text (length bytes) holds word, in any case of its ASCII letters.
bool HoldsNoCase(const char* text, size_t length, const char* word) {
    const size_t n = std::strlen(word);
    for (size_t i = 0; i + n <= length; ++i) {
        size_t k = 0;
        while (k < n && Lower(text[i + k]) == Lower(word[k])) {
            ++k;
        }
        if (k == n) {
            return true;
        }
    }
    return false;
}

bool Holds(const char* text, size_t length, const char* word) {
    const size_t n = std::strlen(word);
    for (size_t i = 0; i + n <= length; ++i) {
        if (std::memcmp(text + i, word, n) == 0) {
            return true;
        }
    }
    return false;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trimmed(const char* begin, const char* end) {
    while (begin < end && IsBlank(*begin)) {
        ++begin;
    }
    while (end > begin && IsBlank(end[-1])) {
        --end;
    }
    return std::string(begin, end);
}

bool SameNoCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

BookmarkFileKind SniffBookmarkFile(const char* head, size_t length) {
    static const char kMozLz4[] = "mozLz40";
    if (length >= sizeof kMozLz4 && std::memcmp(head, kMozLz4, sizeof kMozLz4) == 0) {
        return BookmarkFileKind::kMozLz4;
    }
    static const char kSqlite[] = "SQLite format 3";
    if (length >= sizeof kSqlite && std::memcmp(head, kSqlite, sizeof kSqlite) == 0) {
        return BookmarkFileKind::kDatabase;
    }
    size_t i = 0;
    if (length >= 3 && std::memcmp(head, "\xEF\xBB\xBF", 3) == 0) {
        i = 3; // a UTF-8 byte-order mark
    }
    while (i < length && IsBlank(head[i])) {
        ++i;
    }
    if (i == length) {
        return BookmarkFileKind::kUnknown;
    }
    const char* text = head + i;
    const size_t rest = length - i;
    if (*text == '{') {
        // Firefox's root folder and its types have names of their own; Chromium's file holds
        // "roots" near its start.
        if (Holds(text, rest, "\"root________\"") || Holds(text, rest, "text/x-moz-place")) {
            return BookmarkFileKind::kFirefoxJson;
        }
        return Holds(text, rest, "\"roots\"") ? BookmarkFileKind::kChromium
                                              : BookmarkFileKind::kUnknown;
    }
    if (*text == '<' && (HoldsNoCase(text, rest, "NETSCAPE-Bookmark-file") ||
                         (HoldsNoCase(text, rest, "<DL") && HoldsNoCase(text, rest, "HREF")))) {
        return BookmarkFileKind::kHtml;
    }
    return BookmarkFileKind::kUnknown;
}

std::vector<FirefoxProfile> ReadProfilesIni(const char* text, size_t length) {
    std::vector<FirefoxProfile> profiles;
    bool inProfile = false;
    const char* end = text + length;
    for (const char* line = text; line < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', end - line));
        if (!lineEnd) {
            lineEnd = end;
        }
        const std::string content = Trimmed(line, lineEnd);
        line = lineEnd + (lineEnd < end ? 1 : 0);
        if (content.empty() || content[0] == ';' || content[0] == '#') {
            continue;
        }
        if (content[0] == '[') {
            // [Profile0], [Profile1], ...; [General] and [Install...] hold no profile.
            inProfile = content.size() > 8 && SameNoCase(content.substr(0, 8), "[profile");
            if (inProfile) {
                profiles.emplace_back();
            }
            continue;
        }
        const size_t equals = content.find('=');
        if (!inProfile || equals == std::string::npos) {
            continue;
        }
        const std::string key = Trimmed(content.data(), content.data() + equals);
        const std::string value =
            Trimmed(content.data() + equals + 1, content.data() + content.size());
        FirefoxProfile& profile = profiles.back();
        if (SameNoCase(key, "Name")) {
            profile.name = value;
        } else if (SameNoCase(key, "Path")) {
            profile.path = value;
        } else if (SameNoCase(key, "IsRelative")) {
            profile.relative = value != "0";
        }
    }
    // A section without a folder names no profile.
    std::vector<FirefoxProfile> named;
    for (FirefoxProfile& profile : profiles) {
        if (!profile.path.empty()) {
            named.push_back(std::move(profile));
        }
    }
    return named;
}

bool ProfilePathStaysInside(const std::string& path) {
    if (path.empty() || path[0] == '/' || path[0] == '\\' ||
        path.find(':') != std::string::npos) {
        return false;
    }
    size_t start = 0;
    for (;;) {
        const size_t separator = path.find_first_of("/\\", start);
        const std::string part =
            path.substr(start, separator == std::string::npos ? std::string::npos
                                                              : separator - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        if (separator == std::string::npos) {
            return true;
        }
        start = separator + 1;
    }
}

bool BackupDate(const char* fileName, char* date) {
    static const char kPrefix[] = "bookmarks-";
    const size_t prefixLength = sizeof kPrefix - 1;
    const size_t length = std::strlen(fileName);
    if (length < prefixLength + 10 || std::strncmp(fileName, kPrefix, prefixLength) != 0) {
        return false;
    }
    const char* d = fileName + prefixLength;
    for (int i = 0; i < 10; ++i) {
        if ((i == 4 || i == 7) ? d[i] != '-' : !IsDigit(d[i])) {
            return false;
        }
    }
    const char* rest = d + 10;
    const char* dot = std::strrchr(rest, '.');
    if (!dot || (std::strcmp(dot, ".jsonlz4") != 0 && std::strcmp(dot, ".json") != 0) ||
        (rest != dot && *rest != '_')) {
        return false;
    }
    std::memcpy(date, d, 10);
    date[10] = '\0';
    return true;
}
