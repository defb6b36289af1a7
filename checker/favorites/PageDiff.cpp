// The first difference of two texts, the place they agree again, and the quote of the change.
#include "favorites/PageDiff.h"

#include "favorites/PageCharset.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// Of the text both share, the end kept for the words before a change: kKeep bytes, trimmed when
// twice that.
constexpr size_t kKeep = 1024;
constexpr size_t kContextCharacters = 24;
// Past the end of the change, the quote goes on to the end of its word, at most so far.
constexpr size_t kWordEndCharacters = 20;

// One text as it is read: its pieces, the place reached in them, whether it has ended.
class Side {
public:
    explicit Side(TextSource& source) : source_(source) {}

    // Bytes available from the place reached; 0 only at the end of the text.
    size_t Available() {
        while (at_ == text_.size() && !ended_) {
            text_.clear();
            at_ = 0;
            ended_ = !source_.Next(text_);
        }
        return text_.size() - at_;
    }
    const char* Here() const { return text_.data() + at_; }
    void Skip(size_t n) { at_ += n; }

    // Up to limit bytes from the place reached, reading on; whole says whether they are all
    // that is left of the text.
    std::string Take(size_t limit, bool* whole) {
        std::string taken;
        while (taken.size() < limit && Available() > 0) {
            const size_t n = std::min(limit - taken.size(), text_.size() - at_);
            taken.append(Here(), n);
            at_ += n;
        }
        *whole = Available() == 0;
        return taken;
    }

private:
    TextSource& source_;
    std::string text_;
    size_t at_ = 0;
    bool ended_ = false;
};

// The length of the character at text[at] within the text, at least 1.
size_t CharAt(unsigned codePage, const std::string& text, size_t at) {
    const size_t available = text.size() - at;
    const size_t length =
        CharacterLength(codePage, reinterpret_cast<const unsigned char*>(&text[at]), available);
    return std::min(length, available);
}

// Where each character of text begins, its end last.
std::vector<size_t> Starts(unsigned codePage, const std::string& text) {
    std::vector<size_t> starts;
    for (size_t at = 0; at < text.size(); at += CharAt(codePage, text, at)) {
        starts.push_back(at);
    }
    starts.push_back(text.size());
    return starts;
}

// The end of the last whole character of text, which begins on one.
size_t WholeEnd(unsigned codePage, const std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t length = CharacterLength(
            codePage, reinterpret_cast<const unsigned char*>(&text[at]), text.size() - at);
        if (at + length > text.size()) {
            break;
        }
        at += length;
    }
    return at;
}

struct Sync {
    bool found = false;
    size_t before = 0; // bytes of the text before, up to where they agree again
    size_t after = 0;
};

// The nearest place (least bytes in all) where the two windows agree again for kSyncBytes bytes,
// or where what is left of both, when both windows hold all of it, is the same.
Sync FindSync(const std::string& before, const std::string& after, bool beforeWhole,
              bool afterWhole) {
    Sync best;
    if (beforeWhole && afterWhole) {
        size_t same = 0;
        while (same < before.size() && same < after.size() &&
               before[before.size() - 1 - same] == after[after.size() - 1 - same]) {
            ++same;
        }
        best = {true, before.size() - same, after.size() - same};
    }
    if (before.size() < kSyncBytes || after.size() < kSyncBytes) {
        return best;
    }
    // Where each run of kSyncBytes first stands in the text before.
    std::unordered_map<std::string_view, size_t> first;
    const std::string_view a(before);
    const std::string_view b(after);
    for (size_t i = 0; i + kSyncBytes <= a.size(); ++i) {
        first.emplace(a.substr(i, kSyncBytes), i);
    }
    for (size_t j = 0; j + kSyncBytes <= b.size(); ++j) {
        if (best.found && j >= best.before + best.after) {
            break;
        }
        const auto found = first.find(b.substr(j, kSyncBytes));
        if (found != first.end() && (!best.found || found->second + j < best.before + best.after)) {
            best = {true, found->second, j};
        }
    }
    return best;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The words before the change, from the end of what both share: for a line, from the line's
// start; before added text, from a word's start among its last kContextCharacters characters;
// before removed text, only the start of the word the change begins in.
std::string Context(unsigned codePage, const std::string& shared, bool trimmed, QuoteStyle style,
                    bool removed, bool* cut) {
    const std::vector<size_t> starts = Starts(codePage, shared);
    const size_t characters = starts.size() - 1;
    if (style == QuoteStyle::kLine) {
        const size_t lineFeed = shared.rfind('\n');
        const size_t from = lineFeed == std::string::npos ? 0 : lineFeed + 1;
        const size_t half = kQuoteCharacters / 2;
        const size_t limit = starts[characters > half ? characters - half : 0];
        *cut = from < limit || (lineFeed == std::string::npos && trimmed);
        return shared.substr(std::max(from, limit));
    }
    const size_t keep = std::min(characters, removed ? kContextCharacters / 3 : kContextCharacters);
    size_t from = starts[characters - keep];
    const size_t blank = removed ? shared.rfind(' ') : shared.find(' ', from);
    *cut = from > 0 || trimmed;
    if (removed && blank != std::string::npos && blank + 1 >= from) {
        from = blank + 1;
        *cut = true;
    } else if (!removed && *cut && blank != std::string::npos && blank + 1 < shared.size()) {
        from = blank + 1; // begins with a word, not inside one
    } else if (!removed && *cut) {
        // Japanese has no blanks between words: a sentence's start after "。" will do.
        const char* stop = codePage == 932 ? "\x81\x42" : codePage == 65001 ? "\xE3\x80\x82" : "";
        for (size_t i = characters - keep; *stop && i < characters; ++i) {
            if (shared.compare(starts[i], std::strlen(stop), stop) == 0 &&
                starts[i + 1] < shared.size()) {
                from = starts[i + 1];
                break;
            }
        }
    }
    return shared.substr(from);
}

// The change and what follows it in its window (changed bytes of it are the change), on
// characters, within room: added text goes on to fill the room, ending after a word where one
// ends near it; removed text ends with the word it ends in; a line ends with the line.
std::string Following(unsigned codePage, const std::string& window, size_t changed, bool whole,
                      QuoteStyle style, bool removed, size_t room, bool* cut) {
    size_t end = 0;
    size_t characters = 0;
    size_t past = 0; // characters past the change
    size_t lastBlank = std::string::npos;
    while (end < window.size() && characters < room) {
        const char c = window[end];
        const bool wordEnds = c == ' ' || (end > 0 && window[end - 1] == ' ');
        if (style == QuoteStyle::kLine
                ? c == '\n'
                : removed && end >= changed && (wordEnds || past >= kWordEndCharacters)) {
            break;
        }
        if (c == ' ' && end >= changed) {
            lastBlank = end;
        }
        past += end >= changed ? 1 : 0;
        end += CharAt(codePage, window, end);
        ++characters;
    }
    end = WholeEnd(codePage, window.substr(0, end));
    const bool full = end < window.size() && characters >= room;
    if (full && style == QuoteStyle::kWords && lastBlank != std::string::npos) {
        // Ends after a word rather than inside one, when one ends near the limit.
        size_t tail = 0;
        for (size_t at = lastBlank; at < end; at += CharAt(codePage, window, at)) {
            ++tail;
        }
        if (tail <= kWordEndCharacters) {
            end = lastBlank;
        }
    }
    *cut = end < window.size() ? (style != QuoteStyle::kLine || window[end] != '\n') : !whole;
    return window.substr(0, end);
}

void TrimBlanks(std::string& text, bool* cutBefore, bool* cutAfter) {
    size_t begin = 0;
    while (begin < text.size() && (IsBlank(text[begin]) || text[begin] == '\n')) {
        ++begin;
    }
    size_t end = text.size();
    while (end > begin && (IsBlank(text[end - 1]) || text[end - 1] == '\n')) {
        --end;
    }
    if (begin == end) {
        *cutBefore = *cutAfter = false;
    }
    text = text.substr(begin, end - begin);
}

} // namespace

TextChange CompareTexts(TextSource& before, TextSource& after, unsigned codePage,
                        QuoteStyle style) {
    Side a(before);
    Side b(after);
    std::string shared; // the end of what both share; begins on a character
    bool trimmed = false;
    TextChange change;
    for (;;) {
        const size_t n = std::min(a.Available(), b.Available());
        if (n == 0 && a.Available() == 0 && b.Available() == 0) {
            return change; // the same
        }
        const size_t same =
            static_cast<size_t>(std::mismatch(a.Here(), a.Here() + n, b.Here()).first - a.Here());
        if (style != QuoteStyle::kNone) {
            shared.append(a.Here(), same);
            if (shared.size() > 2 * kKeep) {
                const std::vector<size_t> starts = Starts(codePage, shared);
                const size_t cut =
                    *std::lower_bound(starts.begin(), starts.end(), shared.size() - kKeep);
                shared.erase(0, cut);
                trimmed = true;
            }
        }
        a.Skip(same);
        b.Skip(same);
        if (same < n || n == 0) {
            break;
        }
    }
    change.kind = ChangeKind::kAdded;
    if (style == QuoteStyle::kNone) {
        return change;
    }
    // A character both began and that differs in a later byte is part of the change.
    const size_t whole = WholeEnd(codePage, shared);
    const std::string partial = shared.substr(whole);
    shared.resize(whole);
    bool beforeWhole = false;
    bool afterWhole = false;
    const std::string wa = partial + a.Take(kSyncWindow, &beforeWhole);
    const std::string wb = partial + b.Take(kSyncWindow, &afterWhole);
    const Sync sync = FindSync(wa, wb, beforeWhole, afterWhole);
    const bool added = sync.found ? sync.after > 0 : !wb.empty();
    change.kind = added ? ChangeKind::kAdded : ChangeKind::kRemoved;
    const std::string context =
        Context(codePage, shared, trimmed, style, !added, &change.cutBefore);
    const size_t contextCharacters = Starts(codePage, context).size() - 1;
    const size_t room =
        kQuoteCharacters > contextCharacters ? kQuoteCharacters - contextCharacters : 1;
    const size_t changed =
        added ? (sync.found ? sync.after : wb.size()) : (sync.found ? sync.before : wa.size());
    change.quote =
        context + Following(codePage, added ? wb : wa, changed, added ? afterWhole : beforeWhole,
                            style, !added, room, &change.cutAfter);
    TrimBlanks(change.quote, &change.cutBefore, &change.cutAfter);
    return change;
}

void ShowableCp932(std::string& text) {
    std::string shown;
    for (size_t at = 0; at < text.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        if (lead) {
            const unsigned char trail = at + 1 < text.size() ? text[at + 1] : 0;
            if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)) {
                shown += text.substr(at++, 2);
            } else {
                shown += '?';
            }
        } else if (c < 0x20 || c == 0x7F) {
            shown += ' ';
        } else if (c == 0x80 || c == 0xA0 || c >= 0xFD) {
            shown += '?';
        } else {
            shown += static_cast<char>(c);
        }
    }
    text.swap(shown);
}
