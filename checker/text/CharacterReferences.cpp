// Character references: a binary search over the standard's table of names, sorted by bytes.
#include "text/CharacterReferences.h"

#include "text/Utf8.h"

#include <cstring>

namespace {

constexpr NamedReference kNamedReferences[] = {
#include "text/NamedReferences.inc"
};
constexpr size_t kReferenceCount = sizeof kNamedReferences / sizeof kNamedReferences[0];

// What &#128; to &#159; stand for: the characters of windows-1252 there; 0 where it has none
// (the number then stands for itself).
constexpr char16_t kC1Characters[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Orders the name against the text of length bytes as the table is sorted: negative when the
// name comes first, 0 when they are the same.
int CompareName(const char* name, const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const unsigned char n = static_cast<unsigned char>(name[i]);
        const unsigned char t = static_cast<unsigned char>(text[i]);
        if (n != t) {
            return n < t ? -1 : 1; // a name that ends first (n == 0) comes first too
        }
    }
    return name[length] == '\0' ? 0 : 1;
}

// The first name not before the text of length bytes.
size_t LowerBound(const char* text, size_t length) {
    size_t low = 0;
    size_t high = kReferenceCount;
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (CompareName(kNamedReferences[middle].name, text, length) < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

const NamedReference* Exactly(const char* text, size_t length) {
    const size_t at = LowerBound(text, length);
    return at < kReferenceCount && CompareName(kNamedReferences[at].name, text, length) == 0
               ? &kNamedReferences[at]
               : nullptr;
}

bool IsAlphanumeric(unsigned char c) {
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

int DigitValue(unsigned char c, bool hex) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
        return (c | 0x20) - 'a' + 10;
    }
    return -1;
}

} // namespace

const NamedReference* LongestNamedReference(const char* text, size_t length) {
    if (length > kLongestReferenceName) {
        length = kLongestReferenceName;
    }
    // Names are letters and digits, the last perhaps ";": only starts of that run can match.
    size_t run = 0;
    while (run < length && IsAlphanumeric(static_cast<unsigned char>(text[run]))) {
        ++run;
    }
    if (run < length && text[run] == ';') {
        ++run;
    }
    for (size_t n = run; n > 0; --n) {
        if (const NamedReference* found = Exactly(text, n)) {
            return found;
        }
    }
    return nullptr;
}

char32_t NumericReferenceCharacter(unsigned long value) {
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kReplacementCharacter;
    }
    if (value >= 0x80 && value <= 0x9F && kC1Characters[value - 0x80]) {
        return kC1Characters[value - 0x80];
    }
    return static_cast<char32_t>(value);
}

bool DecodeReference(const char* text, size_t length, bool inAttribute, char32_t* characters,
                     size_t* count, size_t* used) {
    size_t p = 1;
    if (p < length && text[p] == '#') {
        ++p;
        const bool hex = p < length && (text[p] | 0x20) == 'x';
        p += hex ? 1 : 0;
        const size_t digits = p;
        unsigned long value = 0;
        for (int digit; p < length && (digit = DigitValue(text[p], hex)) >= 0; ++p) {
            value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + digit;
        }
        if (p == digits) {
            return false;
        }
        p += p < length && text[p] == ';' ? 1 : 0;
        characters[0] = NumericReferenceCharacter(value);
        *count = 1;
        *used = p;
        return true;
    }
    const NamedReference* found = LongestNamedReference(text + 1, length - 1);
    if (!found) {
        return false;
    }
    const size_t nameLength = std::strlen(found->name);
    const size_t after = 1 + nameLength;
    if (inAttribute && found->name[nameLength - 1] != ';' && after < length &&
        (text[after] == '=' || IsAlphanumeric(static_cast<unsigned char>(text[after])))) {
        return false;
    }
    characters[0] = found->first;
    characters[1] = found->second;
    *count = found->second ? 2 : 1;
    *used = after;
    return true;
}
