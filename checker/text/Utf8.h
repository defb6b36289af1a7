// UTF-8, as the browsers' bookmark files hold their texts: read into UTF-16 for the system's
// conversion to the ANSI code page, and written from code points (entities, other charsets).
// Ours, since MultiByteToWideChar knows no UTF-8 on Windows 95. No windows.h.
#pragma once

#include <cstddef>

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The character that the UTF-8 at text (length bytes, at least 1) begins with, and in used the
// bytes it takes (at least 1). What is not well-formed UTF-8 (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, beyond U+10FFFF) is the replacement
// character, one for each maximal ill-formed part, as browsers read it.
char32_t DecodeUtf8(const char* text, size_t length, size_t* used);

// The UTF-8 of a code point into out (4 bytes); returns its length. Surrogates and code points
// beyond U+10FFFF are written as the replacement character.
size_t EncodeUtf8(char32_t codePoint, char* out);

// UTF-8 into UTF-16, the ill-formed as replacement characters. At most size units are written
// and never half a surrogate pair; the result is not terminated. Returns the units written, and
// in whole whether every character fitted.
size_t Utf8ToUtf16(const char* text, size_t length, char16_t* out, size_t size, bool* whole);

// UTF-16 (from another charset's conversion) into UTF-8, a lone surrogate as the replacement
// character, within size bytes and on a character boundary. Returns the bytes written.
size_t Utf16ToUtf8(const char16_t* text, size_t length, char* out, size_t size);
