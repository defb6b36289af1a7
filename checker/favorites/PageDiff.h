// Where two texts first differ, read side by side piece by piece, and what the change is: text
// added (or changed), or text that only went away, with the words around it. Past the first
// difference, a window of each text is searched for where the two agree again (the nearest
// place where kSyncBytes bytes are the same), so that an insertion, a removal and a change of a
// word are told apart. Memory is bounded by the pieces, the window and the words kept before
// the difference, whatever the texts' size. Pure: no windows.h.
#pragma once

#include <cstddef>
#include <string>

// A text read piece by piece.
class TextSource {
public:
    // Appends the next piece of the text to out (perhaps nothing); false once it has ended.
    virtual bool Next(std::string& out) = 0;

protected:
    ~TextSource() = default;
};

enum class ChangeKind : unsigned char { kSame, kAdded, kRemoved };

enum class QuoteStyle : unsigned char {
    kNone,  // equal or not, nothing more
    kWords, // about kQuoteCharacters characters: a few words before the change and what follows
    kLine,  // the line the change lies in
};

struct TextChange {
    ChangeKind kind = ChangeKind::kSame;
    // In the texts' encoding (codePage), on its characters; white space at its ends removed.
    std::string quote;
    bool cutBefore = false; // its text or line goes on before the quote
    bool cutAfter = false;  // and after it
};

constexpr size_t kQuoteCharacters = 80;
constexpr size_t kSyncBytes = 16;
constexpr size_t kSyncWindow = 8192;

// Compares the texts before and after (each in codePage: 65001, 932 or another Windows code
// page, whose characters the quote is cut on).
TextChange CompareTexts(TextSource& before, TextSource& after, unsigned codePage, QuoteStyle style);

// text (code page 932) made safe to show in a page of code page 932: controls become blanks, a
// lead byte without its trail byte and bytes no character begins with become "?".
void ShowableCp932(std::string& text);
