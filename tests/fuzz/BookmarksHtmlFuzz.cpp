// The bookmarks HTML reader on any bytes. Every name and URL must lie inside the buffer it was
// given; every node's folder must be one still open at the node before it (the order the list's
// writer relies on); a title must read as a browser shows it (no controls, no blank at either
// end or twice); and a bookmarks file must have as many links as HTML's tokenizer, stated here
// on its own, finds <a> tags with an href outside comments. The charset of the head must be a
// part of the head.
#include "favorites/BookmarksHtml.h"

#include "FuzzCheck.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The start tags named "a" with an attribute named "href", by the states of HTML's tokenizer; a
// tag the end of the input cuts off is none.
size_t CountLinkTags(const std::string& s) {
    enum State { kData, kTagName, kBetween, kName, kBeforeValue, kQuoted, kUnquoted };
    State state = kData;
    size_t count = 0;
    bool endTag = false;
    bool named = false; // an attribute's name just ended: a '=' gives its value
    bool href = false;
    char quote = '\0';
    std::string tagName;
    std::string name;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const char next = i + 1 < s.size() ? s[i + 1] : '\0';
        const char after = i + 2 < s.size() ? s[i + 2] : '\0';
        if (state == kData) {
            if (c != '<' || i + 1 == s.size()) {
                continue;
            }
            if (s.compare(i, 4, "<!--") == 0) {
                const size_t close = s.find("-->", i + 2);
                i = close == std::string::npos ? s.size() : close + 2;
            } else if (next == '!' || next == '?' ||
                       (next == '/' && i + 2 < s.size() && !IsLetter(after))) {
                i = std::min(s.find('>', i + 1), s.size());
            } else if (IsLetter(next) || (next == '/' && IsLetter(after))) {
                endTag = next == '/';
                i += endTag ? 1 : 0;
                tagName.clear();
                href = false;
                state = kTagName;
            }
            continue;
        }
        if (c == '>' && state != kName && state != kQuoted) {
            count += !endTag && tagName == "a" && href;
            state = kData;
            continue;
        }
        switch (state) {
        case kTagName:
            if (IsBlank(c) || c == '/') {
                state = kBetween;
                named = false;
            } else {
                tagName += Lower(c);
            }
            break;
        case kBetween:
            if (c == '=' && named) {
                state = kBeforeValue;
            } else if (c == '/') {
                named = false;
            } else if (!IsBlank(c)) {
                name.assign(1, Lower(c)); // a '=' here begins a name
                state = kName;
            }
            break;
        case kName:
            if (c == '=' || IsBlank(c) || c == '/' || c == '>') {
                href = href || name == "href";
                state = c == '=' ? kBeforeValue : kBetween;
                named = true;
                i -= c == '=' ? 0 : 1; // looked at again there
            } else {
                name += Lower(c);
            }
            break;
        case kBeforeValue:
            if (c == '"' || c == '\'') {
                quote = c;
                state = kQuoted;
            } else if (!IsBlank(c)) {
                state = kUnquoted;
            }
            break;
        case kQuoted:
        case kUnquoted:
            if (state == kQuoted ? c == quote : IsBlank(c)) {
                state = kBetween;
                named = false;
            }
            break;
        case kData:
            break;
        }
    }
    return count;
}

bool Inside(TextSpan span, const char* begin, size_t size) {
    return span.data >= begin && span.length <= size && span.data + span.length <= begin + size;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';

    const TextSpan charset = DeclaredCharset(text.get(), size);
    FUZZ_CHECK(charset.length == 0 || Inside(charset, text.get(), size < 4096 ? size : 4096));
    CodePageForCharset(charset);

    BookmarkTree tree;
    const HtmlReadResult result = ReadBookmarksHtml(text.get(), size, tree);
    FUZZ_CHECK(result.bookmarksFile || tree.nodes.empty());

    std::vector<int> open; // the folders around the node before
    size_t links = 0;
    for (size_t i = 0; i < tree.nodes.size(); ++i) {
        const BookmarkNode& node = tree.nodes[i];
        FUZZ_CHECK(Inside(node.name, text.get(), size));
        FUZZ_CHECK(node.url.length == 0 || Inside(node.url, text.get(), size));
        FUZZ_CHECK(node.key.length == 0);
        FUZZ_CHECK(node.parent < static_cast<int>(i));
        while (!open.empty() && open.back() != node.parent) {
            open.pop_back();
        }
        FUZZ_CHECK(node.parent == -1 || !open.empty());
        if (node.kind == BookmarkKind::kFolder) {
            open.push_back(static_cast<int>(i));
        } else {
            FUZZ_CHECK(node.kind == BookmarkKind::kLink);
            ++links;
        }
        const std::string title(node.name.data, node.name.length);
        for (char c : title) {
            FUZZ_CHECK(static_cast<unsigned char>(c) > 0x1F && c != 0x7F);
        }
        FUZZ_CHECK(title.find("  ") == std::string::npos);
        FUZZ_CHECK(title.empty() || (title.front() != ' ' && title.back() != ' '));
    }
    if (result.bookmarksFile) {
        FUZZ_CHECK(links == CountLinkTags(input));
    }
    return 0;
}
