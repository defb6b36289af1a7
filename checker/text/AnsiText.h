// Texts of other charsets in the program's own: the ANSI code page (Shift-JIS) that its windows,
// files and reports use. The system converts from UTF-16; UTF-8 is read by our own routines
// (text/Utf8.h), since Windows 95 has no UTF-8 code page.
#pragma once

#include <cstddef>
#include <string>

// UTF-8 into the ANSI code page, terminated within size bytes and cut on a character boundary;
// a character the code page lacks is the system's replacement ("?"). False when it was cut.
bool Utf8ToAnsi(const char* utf8, size_t length, char* out, size_t size);

// Text of the Windows code page codePage as UTF-8 (for a bookmarks file in another charset);
// false when the system cannot convert it (a code page it does not know).
bool CodePageToUtf8(unsigned codePage, const char* text, size_t length, std::string& utf8);

// The character in codePage (room for 8 bytes in out), for a reference in a page of that code
// page; "?" where the code page lacks it or the system does not know the code page. UTF-8 for
// 65001. Returns its length.
size_t CharacterInCodePage(char32_t character, char* out, unsigned codePage);

// Text of codePage (65001, 932, or another Windows code page) in code page 932, whatever the
// system's own: a character 932 lacks, or one the system cannot read, becomes "?".
std::string TextInCp932(const std::string& text, unsigned codePage);

// Text of the system's two kinds: UTF-16 into the ANSI code page (a character it lacks becomes
// the system's replacement), and the ANSI code page into UTF-16. Empty where the system cannot
// convert it.
std::string WideToAnsi(const wchar_t* text);
std::wstring AnsiToWide(const char* text);
