// Text and path routines on zero-terminated code page 932 text. They step over double-byte
// characters so that a trail byte equal to '\\', '.' or a letter is never taken for one.
// No allocation, no failure, no windows.h: they test and fuzz natively as well.
#pragma once

#include <cstdarg>
#include <cstddef>

// Sizes of the result areas of SplitPath.
constexpr size_t kDriveSize = 256;
constexpr size_t kDirectorySize = 260;
constexpr size_t kNameSize = 256;

struct PathParts {
    char drive[kDriveSize];
    char directory[kDirectorySize];
    char baseName[kNameSize];
    char extension[kNameSize];
};

// True when the byte at p starts a double-byte character (lead bytes 0x81-0x9F, 0xE0-0xFC).
bool IsLeadByte(const char* p);

// Length in bytes of the character at p: 2 for a lead byte followed by a trail byte, else 1.
// A lead byte right before the terminating zero counts as one byte.
size_t CharLength(const char* p);

// Drive, directory, base name and extension of a path. Each part is cut (on a character
// boundary) to its area; the paths handed in never exceed 259 bytes.
void SplitPath(const char* path, PathParts& parts);

// Drive and directory of a path, joined; ends in a backslash whenever the path holds one.
void PathDirectory(const char* path, char* result, size_t size);

// Extension of a path, dot included; empty when the name has no dot.
void PathExtension(const char* path, char* result, size_t size);

// In place: non-zero lowers A-Z, zero raises a-z; double-byte characters are left whole.
void ChangeCase(char* text, int toLower);

// Bounded copy of at most size - 1 bytes, always terminated. A double-byte character that would
// be split at the limit is left out whole. Returns false when the text had to be cut.
bool CopyText(char* dest, size_t size, const char* src);

// Copies the first length bytes of src (fewer if it ends sooner), bounded like CopyText.
bool CopyTextPart(char* dest, size_t size, const char* src, size_t length);

// Bounded formatting into dest (always terminated, cut like CopyText). Returns false when cut.
bool FormatText(char* dest, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
bool FormatTextV(char* dest, size_t size, const char* format, va_list args);

// Appends src to the text in dest, within size; cut like CopyText. Returns false when cut.
bool AppendText(char* dest, size_t size, const char* src);
