// Character references of HTML (&amp; &copy; &#12354; &#x3042;) as browsers read them: the
// named ones of the HTML standard's table, numbers with the standard's corrections. Shared by
// the readers of bookmark files and of pages. Pure: no windows.h.
#pragma once

#include <cstddef>

// The longest name of a named reference there is (without "&").
constexpr size_t kLongestReferenceName = 32;

struct NamedReference {
    const char* name; // without "&"; with ";" unless it is one of the old names taken without it
    char32_t first;
    char32_t second; // 0 for a reference of one character
};

// The longest named reference whose name begins text (length bytes, without "&"), as browsers
// take it: "notit;" gives "not" (¬) and leaves "it;". nullptr when none does.
const NamedReference* LongestNamedReference(const char* text, size_t length);

// The character a numeric reference's value stands for: 0, surrogates and values beyond U+10FFFF
// give the replacement character, 128 to 159 what windows-1252 has there (pages written in it
// put those numbers). value may be any number of digits' worth, held at 0x110000 once beyond.
char32_t NumericReferenceCharacter(unsigned long value);

// The reference at text[0] == '&' (length bytes, the rest of the text): its characters into
// characters (room for 2), their count, and the bytes it takes, "&" included. A number needs no
// ";"; a name is taken as LongestNamedReference says, but in an attribute value a name without
// its ";" followed by "=" or a letter or digit is none (?a=1&copy=2 stays as it is). False when
// no reference begins there.
bool DecodeReference(const char* text, size_t length, bool inAttribute, char32_t* characters,
                     size_t* count, size_t* used);
