// Text routines shared by the installer and the uninstaller, on zero-terminated code page 932
// text. Forward searches step over double-byte characters, so that a trail byte equal to a
// backslash, comma, blank or quote is never taken for one. No windows.h: pure logic.
#pragma once

#include <cstdarg>
#include <cstddef>

// Size of every path buffer of the installer: at most 259 characters and the terminator.
constexpr size_t kPathSize = 260;

// A failure in the words the user is shown: a helper fills it and returns, and the page or
// dialog that called it shows it, so that no helper needs a window.
struct ErrorText {
    char text[kPathSize + 200] = "";
    unsigned long code = 0; // the system's error code, where a system call failed
};

// True when the byte at p starts a double-byte character (lead bytes 0x81-0x9F, 0xE0-0xFC).
bool IsLeadByte(const char* p);

// Bytes of the character at p: 2 for a lead byte with a trail byte after it, else 1. A lead
// byte right before the terminator counts as one byte, so no walk ever steps past the end.
size_t CharLength(const char* p);

// Decimal text of n for numbered setup-file keys ("1", "2", ...). One shared buffer: the text
// stays valid until the next call.
const char* NumberKey(int n);

// First occurrence of the single-byte character c, trail bytes never compared; nullptr if none.
const char* FindCharDbcs(const char* text, char c);
char* FindCharDbcs(char* text, char c);

// Last occurrence of c before end (or before the terminator), trail bytes never compared.
const char* FindLastCharDbcs(const char* text, char c, const char* end = nullptr);
char* FindLastCharDbcs(char* text, char c, char* end = nullptr);

// True when the byte at offset is the trail byte of a double-byte character.
bool IsMidCharacter(const char* text, size_t offset);

// Appends a backslash unless the path already ends in a real one; an empty path becomes "\".
// False, with the path unchanged, when the buffer of size bytes has no room for it.
bool AddTrailingBackslash(char* path, size_t size);

// Takes away the path's last character when it is a backslash, not the trail byte of a
// double-byte character. A caller that keeps a drive root whole ("D:" names the drive's current
// folder, not its root) looks at the length first.
void RemoveTrailingBackslash(char* path);

// True when the length bytes at text are word, single-byte letters compared without regard to
// case (a switch, a registry root's name).
bool IsWordIgnoringCase(const char* text, size_t length, const char* word);

// Bounded copy of at most size - 1 bytes, always terminated. A double-byte character that would
// be split at the limit is left out whole. False when the text had to be cut.
bool CopyText(char* dest, size_t size, const char* src);

// Copies the first length bytes of src (fewer if it ends sooner), bounded like CopyText.
bool CopyTextPart(char* dest, size_t size, const char* src, size_t length);

// Appends src to the text in dest within size, cut like CopyText. False when cut.
bool AppendText(char* dest, size_t size, const char* src);

// Bounded formatting into dest (always terminated, cut like CopyText). False when cut.
bool FormatText(char* dest, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
bool FormatTextV(char* dest, size_t size, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));
