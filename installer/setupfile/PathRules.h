// Which names and relative paths of a setup file may become files, folders and links: each must
// stay inside the folder it is joined to. No windows.h: pure logic.
#pragma once

#include <cstddef>

// One file or folder name that Windows takes as written and that names nothing but itself: not
// empty, none of \ / : * ? " < > | or a control character (trail bytes of double-byte
// characters aside), not ending in a dot or a blank (Windows drops those, so "..", "... " and
// "a." would name something else), and not a device name such as NUL or COM1.
bool IsPlainName(const char* name);

// A path below a folder: plain names joined by single backslashes, with no drive, no leading or
// trailing backslash and no "..": joined to any folder it stays inside it.
bool IsConfinedPath(const char* path);

// A numbered [Install] entry whose source and destination (the part after its first single-byte
// comma, or the source itself) are both confined paths.
bool IsConfinedFileEntry(const char* entry);

// True when folder (a full path, with or without its trailing backslash) is path itself or one of
// the folders above it. Letters compare without regard to case; a double-byte character only as
// a whole, so that its trail byte is never taken for a backslash.
bool IsSameOrAbove(const char* folder, const char* path);
