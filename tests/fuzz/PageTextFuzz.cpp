// A page's readable text, from any bytes. Read whole and read in pieces cut anywhere, it is the
// same. Set beside what Gumbo (Debian's libgumbo, an HTML5 parser that builds the whole tree)
// finds in the same page, white space and the replacement of bad bytes aside, it holds the same
// characters in the same order, for every page but those where building the tree moves or drops
// text (tables, <select>, <frameset>, drawings and formulas, <noscript>, which Gumbo reads as a
// browser without scripts would). Two pages compared: the same exactly when their texts are, and
// otherwise a quote of bounded size that stands in the text it quotes.
#include "favorites/PageDiff.h"
#include "favorites/PageText.h"
#include "text/Utf8.h"

#include "FuzzCheck.h"
#include "PageTextInPieces.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// The page as valid UTF-8, as both readers are to see it: a bad sequence becomes "?".
std::string ValidUtf8(const std::string& page) {
    std::string valid;
    for (size_t at = 0; at < page.size();) {
        size_t used;
        const char32_t c = DecodeUtf8(page.data() + at, page.size() - at, &used);
        if (c == kReplacementCharacter &&
            !(used == 3 && page.compare(at, 3, "\xEF\xBF\xBD") == 0)) {
            valid += '?';
        } else {
            valid.append(page, at, used);
        }
        at += used;
    }
    return valid;
}

// The characters of a UTF-8 text without white space (a no-break space among it), which the two
// readers place differently by design, and without controls, noncharacters and replacement
// characters: Gumbo makes every control and noncharacter a replacement character, browsers and
// ours keep them.
std::u32string Letters(const std::string& text) {
    std::u32string letters;
    for (size_t at = 0; at < text.size();) {
        size_t used;
        const char32_t c = DecodeUtf8(text.data() + at, text.size() - at, &used);
        at += used;
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        const bool noncharacter = (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
        if (c != ' ' && c != 0xA0 && !control && !noncharacter && c != kReplacementCharacter) {
            letters += c;
        }
    }
    return letters;
}

bool Hidden(const GumboNode* node) {
    if (node->type == GUMBO_NODE_TEMPLATE) {
        return true;
    }
    if (node->type != GUMBO_NODE_ELEMENT) {
        return false;
    }
    const GumboElement& element = node->v.element;
    switch (element.tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
        return true;
    default:
        return element.tag_namespace != GUMBO_NAMESPACE_HTML;
    }
}

// The text of Gumbo's tree, in document order, without what nobody sees; walked with a stack
// of its own, since a page may nest deep.
std::string TreeText(const std::string& page) {
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
    std::string text;
    std::vector<const GumboNode*> stack{output->document};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE) {
            text += node->v.text.text;
            continue;
        }
        if (Hidden(node)) {
            continue;
        }
        const GumboVector* children = node->type == GUMBO_NODE_DOCUMENT ? &node->v.document.children
                                      : node->type == GUMBO_NODE_ELEMENT ? &node->v.element.children
                                                                         : nullptr;
        for (size_t i = children ? children->length : 0; i > 0; --i) {
            stack.push_back(static_cast<const GumboNode*>(children->data[i - 1]));
        }
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return text;
}

// Whether the page holds a numeric reference of more digits than any character has: Gumbo
// 0.10 lets such a number overflow (&#xD8001141; gives "A"), browsers and ours give U+FFFD.
bool HugeNumber(const std::string& page) {
    for (size_t at = page.find("&#"); at != std::string::npos; at = page.find("&#", at + 1)) {
        size_t p = at + 2;
        const bool hex = p < page.size() && (page[p] | 0x20) == 'x';
        p += hex ? 1 : 0;
        while (p < page.size() && page[p] == '0') {
            ++p;
        }
        size_t digits = 0;
        while (p < page.size() && (hex ? std::isxdigit(static_cast<unsigned char>(page[p]))
                                       : std::isdigit(static_cast<unsigned char>(page[p])))) {
            ++p;
            ++digits;
        }
        if (digits > (hex ? 6u : 7u)) {
            return true;
        }
    }
    return false;
}

// Whether building the tree may move or drop text in this page.
bool TreeMovesText(const std::string& page) {
    static const char* const kTags[] = {
        "<table", "<caption", "<col", "<tbody", "<thead",    "<tfoot",    "<tr",    "<td",
        "<th",    "<select",  "<svg", "<math",  "<noscript", "<frameset", "<frame", "<isindex"};
    std::string lower = page;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    for (const char* tag : kTags) {
        if (lower.find(tag) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class StringSource final : public TextSource {
public:
    StringSource(const std::string& text, size_t step) : text_(text), step_(step) {}
    bool Next(std::string& out) override {
        if (at_ >= text_.size()) {
            return false;
        }
        out.append(text_, at_, step_);
        at_ += step_;
        return true;
    }

private:
    const std::string& text_;
    size_t step_;
    size_t at_ = 0;
};

void CheckComparison(const std::string& before, const std::string& after, size_t step,
                     QuoteStyle style) {
    StringSource a(before, step);
    StringSource b(after, step + 1);
    const TextChange change = CompareTexts(a, b, 65001, style);
    FUZZ_CHECK((change.kind == ChangeKind::kSame) == (before == after));
    if (change.kind == ChangeKind::kSame || style == QuoteStyle::kNone) {
        FUZZ_CHECK(change.quote.empty());
        return;
    }
    FUZZ_CHECK(change.quote.size() <= 4 * kQuoteCharacters);
    const std::string& quoted = change.kind == ChangeKind::kAdded ? after : before;
    FUZZ_CHECK(quoted.find(change.quote) != std::string::npos);
    if (style == QuoteStyle::kLine) {
        FUZZ_CHECK(change.quote.find('\n') == std::string::npos);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const size_t step = 1 + input.Byte() % 64;
    const std::string page = input.Rest();

    std::string title;
    std::string pieceTitle;
    const std::string whole = ReadableInPieces(page, page.size() + 1, &title);
    FUZZ_CHECK(ReadableInPieces(page, step, &pieceTitle) == whole);
    FUZZ_CHECK(pieceTitle == title);
    FUZZ_CHECK(title.size() <= PageText::kTitleLimit);
    FUZZ_CHECK(whole.find("  ") == std::string::npos);
    FUZZ_CHECK(whole.empty() || (whole.front() != ' ' && whole.back() != ' '));

    const std::string valid = ValidUtf8(page);
    if (!TreeMovesText(valid) && !HugeNumber(valid)) {
        FUZZ_CHECK(Letters(ReadableInPieces(valid, valid.size() + 1)) == Letters(TreeText(valid)));
    }

    // The page against itself cut at a place, and against the same with a byte changed.
    const size_t cut = page.empty() ? 0 : step % page.size();
    const std::string shorter = page.substr(0, cut) + page.substr(std::min(cut + 1, page.size()));
    const std::string other = ReadableInPieces(shorter, step);
    CheckComparison(whole, other, step, QuoteStyle::kWords);
    CheckComparison(other, whole, step, QuoteStyle::kLine);
    CheckComparison(page, page.substr(cut), step, QuoteStyle::kLine);
    CheckComparison(whole, whole, step, QuoteStyle::kWords);
    return 0;
}
