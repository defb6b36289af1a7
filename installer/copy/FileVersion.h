// The version resources of files, read through the system's version library (VERSION.DLL,
// looked up when first needed), and their texts in the ANSI code page.
#pragma once

#include <cstddef>

#include "copy/VersionInfo.h"

// The version resource of the file at path; false when it has none (or no file is there).
bool ReadFileVersion(const char* path, VersionResource* resource);

// The file version of path's fixed part; false when there is none.
bool FileVersionOf(const char* path, VersionNumber* version);

// A text of a version resource in the ANSI code page, cut at size (a character the code page
// lacks becomes "?"); empty for an empty or blank text.
void VersionTextToAnsi(const VersionText& text, char* out, size_t size);
