// The readable text of a page, by the HTML tokenizer's states: data, RCDATA (<title>,
// <textarea>), raw text (<style>, <xmp>, ...), script data with its "<!--" escapes, comments and
// their abrupt ends, the document type, CDATA sections inside <svg> and <math>, tags with quoted
// and bare attribute values, and character references. Which elements switch the states, hide
// their text or begin a block is the only part of tree building kept.
#include "favorites/PageText.h"

#include "text/CharacterReferences.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cstring>

// clang-format off
enum class PageText::State : unsigned char {
    kData, kRcdata, kRawtext, kScript, kPlaintext,
    kTagOpen, kEndTagOpen, kTagName,
    kBeforeAttribute, kAttributeName, kAfterAttributeName, kBeforeValue, kValueDouble,
    kValueSingle, kValueBare, kAfterValue, kSelfClosing,
    kMarkupOpen, kBogusComment, kCommentStart, kCommentStartDash, kComment, kCommentEndDash,
    kCommentEnd, kCommentEndBang, kDoctype, kCdata, kCdataBracket, kCdataEnd,
    kRawLessThan, kRawEndTagOpen, kRawEndTagName,
    kScriptLessThan, kEscapeStart, kEscapeStartDash, kEscaped, kEscapedDash, kEscapedDashDash,
    kEscapedLessThan, kDoubleEscapeStart, kDoubleEscaped, kDoubleEscapedDash,
    kDoubleEscapedDashDash, kDoubleEscapedLessThan, kDoubleEscapeEnd,
    kReference,
};

// clang-format on

enum class PageText::Reference : unsigned char {
    kStart,
    kNamed,
    kNumber,
    kHexStart,
    kDecimal,
    kHex
};

namespace {

constexpr size_t kNameLimit = 16;

// What an element does to the text.
enum TagFlags : unsigned {
    kBlock = 1,    // begins a new block: a blank between the texts around it
    kBreakout = 2, // an HTML element that ends <svg> or <math> around it
    kForeign = 4,  // <svg>, <math>
    kTemplate = 8,
    kScriptTag = 16,  // script data
    kHiddenRaw = 32,  // raw text nobody sees
    kShownRaw = 64,   // raw text a reader sees (<xmp>)
    kTitle = 128,     // RCDATA
    kTextarea = 256,  // RCDATA
    kPlaintext = 512, // all the rest is text
};

struct TagKind {
    const char* name;
    unsigned flags;
};

// Sorted by name. <noscript> is raw text, as in a browser that runs scripts.
// clang-format off
constexpr TagKind kTags[] = {
    {"address", kBlock}, {"article", kBlock}, {"aside", kBlock}, {"b", kBreakout},
    {"big", kBreakout}, {"blockquote", kBlock | kBreakout}, {"body", kBlock | kBreakout},
    {"br", kBlock | kBreakout}, {"caption", kBlock}, {"center", kBlock | kBreakout},
    {"code", kBreakout}, {"dd", kBlock | kBreakout}, {"details", kBlock}, {"dialog", kBlock},
    {"dir", kBlock}, {"div", kBlock | kBreakout}, {"dl", kBlock | kBreakout},
    {"dt", kBlock | kBreakout}, {"em", kBreakout}, {"embed", kBreakout}, {"fieldset", kBlock},
    {"figcaption", kBlock}, {"figure", kBlock}, {"footer", kBlock}, {"form", kBlock},
    {"h1", kBlock | kBreakout}, {"h2", kBlock | kBreakout}, {"h3", kBlock | kBreakout},
    {"h4", kBlock | kBreakout}, {"h5", kBlock | kBreakout}, {"h6", kBlock | kBreakout},
    {"head", kBlock | kBreakout}, {"header", kBlock}, {"hgroup", kBlock},
    {"hr", kBlock | kBreakout}, {"html", kBlock}, {"i", kBreakout}, {"iframe", kHiddenRaw},
    {"img", kBreakout}, {"legend", kBlock}, {"li", kBlock | kBreakout},
    {"listing", kBlock | kBreakout}, {"main", kBlock}, {"math", kForeign},
    {"menu", kBlock | kBreakout}, {"meta", kBreakout}, {"nav", kBlock}, {"nobr", kBreakout},
    {"noembed", kHiddenRaw}, {"noframes", kHiddenRaw}, {"noscript", kHiddenRaw},
    {"ol", kBlock | kBreakout}, {"optgroup", kBlock}, {"option", kBlock},
    {"p", kBlock | kBreakout}, {"plaintext", kBlock | kPlaintext}, {"pre", kBlock | kBreakout},
    {"ruby", kBreakout}, {"s", kBreakout}, {"script", kScriptTag}, {"section", kBlock},
    {"select", kBlock}, {"small", kBreakout}, {"span", kBreakout}, {"strike", kBreakout},
    {"strong", kBreakout}, {"style", kHiddenRaw}, {"sub", kBreakout}, {"summary", kBlock},
    {"sup", kBreakout}, {"svg", kForeign}, {"table", kBlock | kBreakout}, {"tbody", kBlock},
    {"td", kBlock}, {"template", kTemplate}, {"textarea", kBlock | kTextarea},
    {"tfoot", kBlock}, {"th", kBlock}, {"thead", kBlock}, {"title", kBlock | kTitle},
    {"tr", kBlock}, {"tt", kBreakout}, {"u", kBreakout}, {"ul", kBlock | kBreakout},
    {"var", kBreakout}, {"xmp", kBlock | kShownRaw},
};
// clang-format on

constexpr TagKind kOtherTag = {"", 0};

const TagKind& KindOf(const std::string& name) {
    const TagKind* end = kTags + sizeof kTags / sizeof kTags[0];
    const TagKind* found = std::lower_bound(
        kTags, end, name, [](const TagKind& t, const std::string& n) { return n > t.name; });
    return found != end && name == found->name ? *found : kOtherTag;
}

bool IsWhite(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f';
}

bool IsAlpha(unsigned char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

bool IsAlphanumeric(unsigned char c) {
    return IsAlpha(c) || (c >= '0' && c <= '9');
}

char Lower(unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
}

int DigitValue(unsigned char c, bool hex) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
}

// "--", "doctype" in any case, "[CDATA[": whether what follows "<!" may still become one of
// them (1), is one (2), or is none (0).
int MatchMarkup(const std::string& text) {
    static const char* const kWords[] = {"--", "doctype", "[CDATA["};
    int result = 0;
    for (const char* word : kWords) {
        const size_t length = std::strlen(word);
        if (text.size() > length) {
            continue;
        }
        bool prefix = true;
        for (size_t i = 0; i < text.size() && prefix; ++i) {
            prefix = (word[0] == 'd' ? Lower(text[i]) : text[i]) == word[i];
        }
        if (prefix) {
            result = std::max(result, text.size() == length ? 2 : 1);
        }
    }
    return result;
}

} // namespace

size_t WriteUtf8Character(char32_t character, char* out, unsigned) {
    return EncodeUtf8(character, out);
}

PageText::PageText(unsigned codePage, ReferenceWriter writer)
    : writer_(writer), codePage_(codePage), utf8_(codePage == 65001), state_(State::kData),
      returnState_(State::kData), reference_(Reference::kStart) {}

void PageText::Feed(const char* bytes, size_t length, std::string& out) {
    out_ = &out;
    for (size_t i = 0; i < length; ++i) {
        if (const size_t run = Run(bytes + i, length - i)) {
            lastCr_ = bytes[i + run - 1] == '\r';
            i += run - 1;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') {
            lastCr_ = true;
            Take('\n');
            continue;
        }
        if (c == '\n' && lastCr_) {
            lastCr_ = false;
            continue;
        }
        lastCr_ = false;
        Take(c);
    }
}

// The bytes from text on that the state takes as they come, as many as can be taken at once:
// text up to a "<" or "&", a script, a comment, a quoted value up to what may end it. Line ends
// are white space wherever they are taken so. 0 when the first byte needs the states' handling.
size_t PageText::Run(const char* text, size_t length) {
    const char* stop = "";
    switch (state_) {
    case State::kData:
    case State::kRcdata:
        stop = "<&";
        break;
    case State::kRawtext:
    case State::kScript:
        stop = "<";
        break;
    case State::kComment:
        stop = "-";
        break;
    case State::kValueDouble:
        stop = "\"";
        break;
    case State::kValueSingle:
        stop = "'";
        break;
    case State::kBogusComment:
    case State::kDoctype:
        stop = ">";
        break;
    default:
        return 0;
    }
    size_t n = 0;
    if (stop[1] == '\0') {
        const void* found = std::memchr(text, stop[0], length);
        n = found ? static_cast<size_t>(static_cast<const char*>(found) - text) : length;
    } else {
        while (n < length && text[n] != stop[0] && text[n] != stop[1]) {
            ++n;
        }
    }
    if (n == 0 || (lastCr_ && text[0] == '\n') || !Shown()) {
        return lastCr_ && text[0] == '\n' ? 0 : n;
    }
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f') {
            if (heldC2_ || inTitle_) {
                Blank();
            } else {
                blank_ = written_;
            }
        } else if (c == 0 || c == 0xC2 || heldC2_ || inTitle_) {
            Out(c); // the rarer cases, one by one
        } else {
            if (blank_) {
                *out_ += ' ';
                blank_ = false;
            }
            *out_ += static_cast<char>(c);
            written_ = true;
        }
    }
    return n;
}

// Each family of states has its handler; the states of a family follow one another in State.
bool PageText::Step(unsigned char c) {
    if (state_ <= State::kPlaintext) {
        return StepText(c);
    }
    if (state_ <= State::kTagName) {
        return StepTag(c);
    }
    if (state_ <= State::kSelfClosing) {
        return StepAttribute(c);
    }
    if (state_ >= State::kCommentStart && state_ <= State::kCommentEndBang) {
        return StepComment(c);
    }
    if (state_ <= State::kCdataEnd) {
        return StepMarkup(c); // "<!", bogus comments, the document type, CDATA
    }
    if (state_ <= State::kRawEndTagName) {
        return StepRawEnd(c);
    }
    if (state_ <= State::kEscapedLessThan) {
        return StepScript(c);
    }
    if (state_ <= State::kDoubleEscapeEnd) {
        return StepDoubleEscape(c);
    }
    return StepReference(c);
}

void PageText::Take(unsigned char c) {
    // A handler that returns false has changed the state for c to be taken again.
    while (!Step(c)) {
    }
}

bool PageText::StepText(unsigned char c) {
    switch (state_) {
    case State::kData:
    case State::kRcdata:
        if (c == '&') {
            returnState_ = state_;
            state_ = State::kReference;
            reference_ = Reference::kStart;
            referenceText_.clear();
        } else if (c == '<' && state_ == State::kData) {
            state_ = State::kTagOpen;
        } else if (c == '<') {
            returnState_ = State::kRcdata;
            state_ = State::kRawLessThan;
        } else {
            Out(c);
        }
        return true;
    case State::kRawtext:
        if (c == '<') {
            returnState_ = State::kRawtext;
            state_ = State::kRawLessThan;
        } else {
            Out(c);
        }
        return true;
    case State::kScript:
        if (c == '<') {
            state_ = State::kScriptLessThan;
        }
        return true;
    default: // kPlaintext
        Out(c);
        return true;
    }
}

bool PageText::StepTag(unsigned char c) {
    switch (state_) {
    case State::kTagOpen:
        if (c == '!') {
            state_ = State::kMarkupOpen;
            markup_.clear();
            return true;
        }
        if (c == '/') {
            state_ = State::kEndTagOpen;
            return true;
        }
        if (IsAlpha(c)) {
            name_.clear();
            endTag_ = selfClosing_ = endsRaw_ = false;
            state_ = State::kTagName;
            return false;
        }
        if (c == '?') {
            state_ = State::kBogusComment;
            return false;
        }
        state_ = State::kData;
        Out('<');
        return false;
    case State::kEndTagOpen:
        if (IsAlpha(c)) {
            name_.clear();
            endTag_ = true;
            selfClosing_ = endsRaw_ = false;
            state_ = State::kTagName;
            return false;
        }
        state_ = c == '>' ? State::kData : State::kBogusComment;
        return c == '>';
    default: // kTagName
        if (IsWhite(c)) {
            state_ = State::kBeforeAttribute;
        } else if (c == '/') {
            state_ = State::kSelfClosing;
        } else if (c == '>') {
            EmitTag();
        } else if (name_.size() <= kNameLimit) {
            name_ += Lower(c);
        }
        return true;
    }
}

// Attributes are read only to find where the tag ends: a ">" inside quotes does not end it.
bool PageText::StepAttribute(unsigned char c) {
    switch (state_) {
    case State::kBeforeAttribute:
        if (IsWhite(c)) {
            return true;
        }
        if (c == '/' || c == '>') {
            state_ = State::kAfterAttributeName;
            return false;
        }
        state_ = State::kAttributeName;
        return c == '='; // "=" begins a name here
    case State::kAttributeName:
        if (IsWhite(c) || c == '/' || c == '>') {
            state_ = State::kAfterAttributeName;
            return false;
        }
        if (c == '=') {
            state_ = State::kBeforeValue;
        }
        return true;
    case State::kAfterAttributeName:
        if (c == '/') {
            state_ = State::kSelfClosing;
        } else if (c == '=') {
            state_ = State::kBeforeValue;
        } else if (c == '>') {
            EmitTag();
        } else if (!IsWhite(c)) {
            state_ = State::kAttributeName;
            return false;
        }
        return true;
    case State::kBeforeValue:
        if (c == '"' || c == '\'') {
            state_ = c == '"' ? State::kValueDouble : State::kValueSingle;
        } else if (c == '>') {
            EmitTag();
        } else if (!IsWhite(c)) {
            state_ = State::kValueBare;
            return false;
        }
        return true;
    case State::kValueDouble:
    case State::kValueSingle:
        if (c == (state_ == State::kValueDouble ? '"' : '\'')) {
            state_ = State::kAfterValue;
        }
        return true;
    case State::kValueBare:
        if (IsWhite(c)) {
            state_ = State::kBeforeAttribute;
        } else if (c == '>') {
            EmitTag();
        }
        return true;
    case State::kAfterValue:
        if (c == '>') {
            EmitTag();
            return true;
        }
        state_ = c == '/' ? State::kSelfClosing : State::kBeforeAttribute;
        return IsWhite(c) || c == '/';
    default: // kSelfClosing
        if (c == '>') {
            selfClosing_ = true;
            EmitTag();
            return true;
        }
        state_ = State::kBeforeAttribute;
        return false;
    }
}

bool PageText::StepMarkup(unsigned char c) {
    switch (state_) {
    case State::kMarkupOpen: {
        markup_ += static_cast<char>(c);
        const int match = MatchMarkup(markup_);
        if (match == 1) {
            return true;
        }
        if (match == 2 && markup_ == "--") {
            state_ = State::kCommentStart;
        } else if (match == 2 && markup_[0] != '[') {
            state_ = State::kDoctype;
        } else if (match == 2 && foreignDepth_ > 0) {
            state_ = State::kCdata;
        } else {
            // Only the last byte can be a ">": the ones before began one of the words.
            state_ = c == '>' ? State::kData : State::kBogusComment;
        }
        return true;
    }
    case State::kBogusComment:
    case State::kDoctype:
        if (c == '>') {
            state_ = State::kData;
        }
        return true;
    case State::kCdata:
        if (c == ']') {
            state_ = State::kCdataBracket;
        }
        return true;
    case State::kCdataBracket:
        state_ = c == ']' ? State::kCdataEnd : State::kCdata;
        return c == ']';
    default: // kCdataEnd
        if (c == '>') {
            state_ = State::kData;
        } else if (c != ']') {
            state_ = State::kCdata;
            return false;
        }
        return true;
    }
}

// A comment ends at "-->" or "--!>"; "<!-->" and "<!--->" are whole comments.
bool PageText::StepComment(unsigned char c) {
    switch (state_) {
    case State::kCommentStart:
    case State::kCommentStartDash:
        if (c == '>') {
            state_ = State::kData;
            return true;
        }
        if (c == '-') {
            state_ = state_ == State::kCommentStart ? State::kCommentStartDash : State::kCommentEnd;
            return true;
        }
        state_ = State::kComment;
        return false;
    case State::kComment:
        if (c == '-') {
            state_ = State::kCommentEndDash;
        }
        return true;
    case State::kCommentEndDash:
        state_ = c == '-' ? State::kCommentEnd : State::kComment;
        return c == '-';
    case State::kCommentEnd:
        if (c == '>') {
            state_ = State::kData;
        } else if (c == '!') {
            state_ = State::kCommentEndBang;
        } else if (c != '-') {
            state_ = State::kComment;
            return false;
        }
        return true;
    default: // kCommentEndBang
        if (c == '>') {
            state_ = State::kData;
            return true;
        }
        state_ = c == '-' ? State::kCommentEndDash : State::kComment;
        return c == '-';
    }
}

// "</" in RCDATA, raw text or script data: the element's own end tag ends it, anything else is
// text of it.
bool PageText::StepRawEnd(unsigned char c) {
    switch (state_) {
    case State::kRawLessThan:
        if (c == '/') {
            endName_.clear();
            state_ = State::kRawEndTagOpen;
            return true;
        }
        state_ = returnState_;
        Out('<');
        return false;
    case State::kRawEndTagOpen:
        state_ = IsAlpha(c) ? State::kRawEndTagName : returnState_;
        if (state_ == returnState_) {
            OutText("</", 2);
        }
        return false;
    default: { // kRawEndTagName
        const size_t length = std::strlen(rawName_);
        bool appropriate = endName_.size() == length;
        for (size_t i = 0; i < endName_.size() && appropriate; ++i) {
            appropriate = Lower(endName_[i]) == rawName_[i];
        }
        if (appropriate && (IsWhite(c) || c == '/' || c == '>')) {
            name_ = rawName_;
            endTag_ = endsRaw_ = true;
            selfClosing_ = false;
            state_ = c == '/' ? State::kSelfClosing : State::kBeforeAttribute;
            if (c == '>') {
                EmitTag();
            }
            return true;
        }
        if (IsAlpha(c) && endName_.size() < length) {
            endName_ += static_cast<char>(c);
            return true;
        }
        state_ = returnState_;
        OutText("</", 2);
        OutText(endName_.data(), endName_.size());
        return false;
    }
    }
}

// Script data: "<!--" begins an escape in which "<script" begins a double escape, where even the
// script's own end tag ends nothing until "-->" or "</script" closes it again.
bool PageText::StepScript(unsigned char c) {
    switch (state_) {
    case State::kScriptLessThan:
        if (c == '/') {
            endName_.clear();
            returnState_ = State::kScript;
            state_ = State::kRawEndTagOpen;
            return true;
        }
        state_ = c == '!' ? State::kEscapeStart : State::kScript;
        return c == '!';
    case State::kEscapeStart:
    case State::kEscapeStartDash:
        if (c == '-') {
            state_ =
                state_ == State::kEscapeStart ? State::kEscapeStartDash : State::kEscapedDashDash;
            return true;
        }
        state_ = State::kScript;
        return false;
    case State::kEscaped:
    case State::kEscapedDash:
    case State::kEscapedDashDash:
        if (c == '<') {
            state_ = State::kEscapedLessThan;
        } else if (c == '-') {
            state_ = state_ == State::kEscaped ? State::kEscapedDash : State::kEscapedDashDash;
        } else {
            state_ =
                c == '>' && state_ == State::kEscapedDashDash ? State::kScript : State::kEscaped;
        }
        return true;
    default: // kEscapedLessThan
        if (c == '/') {
            endName_.clear();
            returnState_ = State::kEscaped;
            state_ = State::kRawEndTagOpen;
            return true;
        }
        escapeName_.clear();
        state_ = IsAlpha(c) ? State::kDoubleEscapeStart : State::kEscaped;
        return false;
    }
}

bool PageText::StepDoubleEscape(unsigned char c) {
    switch (state_) {
    case State::kDoubleEscapeStart:
    case State::kDoubleEscapeEnd: {
        const bool start = state_ == State::kDoubleEscapeStart;
        if (IsWhite(c) || c == '/' || c == '>') {
            state_ = (escapeName_ == "script") == start ? State::kDoubleEscaped : State::kEscaped;
            return true;
        }
        if (IsAlpha(c)) {
            if (escapeName_.size() < 7) {
                escapeName_ += Lower(c);
            }
            return true;
        }
        state_ = start ? State::kEscaped : State::kDoubleEscaped;
        return false;
    }
    case State::kDoubleEscaped:
    case State::kDoubleEscapedDash:
    case State::kDoubleEscapedDashDash:
        if (c == '<') {
            state_ = State::kDoubleEscapedLessThan;
        } else if (c == '-') {
            state_ = state_ == State::kDoubleEscaped ? State::kDoubleEscapedDash
                                                     : State::kDoubleEscapedDashDash;
        } else {
            state_ = c == '>' && state_ == State::kDoubleEscapedDashDash ? State::kScript
                                                                         : State::kDoubleEscaped;
        }
        return true;
    default: // kDoubleEscapedLessThan
        if (c == '/') {
            escapeName_.clear();
            state_ = State::kDoubleEscapeEnd;
            return true;
        }
        state_ = State::kDoubleEscaped;
        return false;
    }
}

bool PageText::StepReference(unsigned char c) {
    switch (reference_) {
    case Reference::kStart:
        if (c == '#') {
            reference_ = Reference::kNumber;
            referenceText_ += '#';
            return true;
        }
        if (IsAlphanumeric(c)) {
            reference_ = Reference::kNamed;
            referenceText_ += static_cast<char>(c);
            return true;
        }
        break;
    case Reference::kNamed:
        if (IsAlphanumeric(c) || c == ';') {
            // The longest name that begins what was read counts (LongestNamedReference).
            referenceText_ += static_cast<char>(c);
            if (c == ';' || referenceText_.size() >= kLongestReferenceName) {
                EndReference();
            }
            return true;
        }
        break;
    case Reference::kNumber:
        if ((c | 0x20) == 'x') {
            reference_ = Reference::kHexStart;
            referenceText_ += static_cast<char>(c);
            return true;
        }
        [[fallthrough]]; // a decimal digit, or no number
    case Reference::kHexStart:
    case Reference::kDecimal:
    case Reference::kHex: {
        const bool hex = reference_ == Reference::kHexStart || reference_ == Reference::kHex;
        const int digit = DigitValue(c, hex);
        if (digit >= 0) {
            reference_ = hex ? Reference::kHex : Reference::kDecimal;
            if (referenceValue_ <= 0x10FFFF) {
                referenceValue_ = referenceValue_ * (hex ? 16 : 10) + digit;
            }
            return true;
        }
        if (c == ';' && (reference_ == Reference::kDecimal || reference_ == Reference::kHex)) {
            EndReference();
            return true;
        }
        break;
    }
    }
    EndReference();
    return false;
}

// The reference read so far is settled: its characters, or its bytes as text when it is none.
void PageText::EndReference() {
    state_ = returnState_;
    const Reference reference = reference_;
    const unsigned long value = referenceValue_;
    reference_ = Reference::kStart;
    referenceValue_ = 0;
    if (reference == Reference::kDecimal || reference == Reference::kHex) {
        Character(NumericReferenceCharacter(value));
        return;
    }
    const char* text = referenceText_.data();
    const size_t length = referenceText_.size();
    const NamedReference* named =
        reference == Reference::kNamed ? LongestNamedReference(text, length) : nullptr;
    if (!named) {
        Out('&');
        OutText(text, length);
        return;
    }
    Character(named->first);
    if (named->second) {
        Character(named->second);
    }
    const size_t used = std::strlen(named->name);
    OutText(text + used, length - used);
}

void PageText::EmitTag() {
    state_ = State::kData;
    if (endsRaw_) {
        endsRaw_ = false;
        rawName_ = "";
        rawShown_ = false;
        if (inTitle_) {
            inTitle_ = false;
            titleEnded_ = true;
        }
        if (rawBlock_) {
            Blank();
        }
        return;
    }
    const TagKind& kind = name_.size() > kNameLimit ? kOtherTag : KindOf(name_);
    if (endTag_) {
        EndTag(kind.flags);
    } else {
        StartTag(kind.name, kind.flags);
    }
}

void PageText::StartTag(const char* name, unsigned flags) {
    if (foreignDepth_ > 0) {
        if (!(flags & kBreakout)) {
            foreignDepth_ += (flags & kForeign) && !selfClosing_ ? 1 : 0;
            return;
        }
        foreignDepth_ = 0; // an HTML element ends the drawing or formula around it
    }
    if (flags & kForeign) {
        foreignDepth_ = selfClosing_ ? 0 : 1;
        return;
    }
    if (flags & kTemplate) {
        ++templateDepth_;
    }
    if (flags & kBlock) {
        Blank();
    }
    rawBlock_ = (flags & kBlock) != 0;
    if (flags & kScriptTag) {
        EnterRaw(State::kScript, name, false);
    } else if (flags & (kHiddenRaw | kShownRaw)) {
        EnterRaw(State::kRawtext, name, (flags & kShownRaw) != 0);
    } else if (flags & (kTitle | kTextarea)) {
        EnterRaw(State::kRcdata, name, true);
        if (flags & kTitle) {
            inTitle_ = !titleSeen_ && Shown();
            titleSeen_ = titleSeen_ || inTitle_;
        }
    } else if (flags & kPlaintext) {
        state_ = State::kPlaintext;
    }
}

void PageText::EndTag(unsigned flags) {
    if (foreignDepth_ > 0) {
        foreignDepth_ -= (flags & kForeign) ? 1 : 0;
        return;
    }
    if ((flags & kTemplate) && templateDepth_ > 0) {
        --templateDepth_;
    }
    if (flags & kBlock) {
        Blank();
    }
}

void PageText::EnterRaw(State state, const char* name, bool shown) {
    state_ = state;
    rawName_ = name;
    rawShown_ = shown;
}

bool PageText::Shown() const {
    if (templateDepth_ > 0 || foreignDepth_ > 0) {
        return false;
    }
    switch (state_) {
    case State::kData:
    case State::kPlaintext:
        return true;
    case State::kRcdata:
    case State::kRawtext:
        return rawShown_;
    default:
        return false;
    }
}

void PageText::Out(unsigned char c) {
    if (!Shown() || c == 0) {
        return;
    }
    if (heldC2_) {
        heldC2_ = false;
        if (c == 0xA0) {
            Blank();
            return;
        }
        Write(0xC2);
    }
    if (IsWhite(c)) {
        Blank();
    } else if (c == 0xC2 && utf8_) {
        heldC2_ = true;
    } else {
        Write(c);
    }
}

void PageText::OutText(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        Out(static_cast<unsigned char>(text[i]));
    }
}

void PageText::Write(unsigned char c) {
    if (blank_) {
        *out_ += ' ';
        blank_ = false;
    }
    *out_ += static_cast<char>(c);
    written_ = true;
    if (inTitle_ && title_.size() + (titleBlank_ ? 2 : 1) <= kTitleLimit) {
        if (titleBlank_) {
            title_ += ' ';
            titleBlank_ = false;
        }
        title_ += static_cast<char>(c);
    }
}

void PageText::Blank() {
    if (heldC2_) {
        heldC2_ = false;
        Write(0xC2);
    }
    blank_ = written_;
    titleBlank_ = inTitle_ && !title_.empty();
}

void PageText::Character(char32_t c) {
    if (!Shown()) {
        return;
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == 0xA0) {
        Blank();
        return;
    }
    if (heldC2_) {
        heldC2_ = false;
        Write(0xC2);
    }
    char bytes[8];
    const size_t length = writer_(c, bytes, codePage_);
    for (size_t i = 0; i < length; ++i) {
        Write(static_cast<unsigned char>(bytes[i]));
    }
}

void PageText::Finish(std::string& out) {
    out_ = &out;
    switch (state_) {
    case State::kTagOpen:
        state_ = State::kData;
        Out('<');
        break;
    case State::kEndTagOpen:
        state_ = State::kData;
        OutText("</", 2);
        break;
    case State::kReference:
        EndReference();
        break;
    case State::kRawLessThan:
    case State::kRawEndTagOpen:
    case State::kRawEndTagName: {
        const bool slash = state_ != State::kRawLessThan;
        state_ = returnState_;
        OutText("</", slash ? 2 : 1);
        OutText(endName_.data(), slash ? endName_.size() : 0);
        break;
    }
    default:
        break;
    }
    if (heldC2_) {
        heldC2_ = false;
        Write(0xC2);
    }
    state_ = State::kData;
}
