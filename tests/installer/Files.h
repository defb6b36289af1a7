// Files and folders as the installer's tests look at them.
#pragma once

#include <string>

bool IsFolder(const std::string& path);

// A file with none of the read-only, hidden and system attributes. Wine reports every file as
// FILE_ATTRIBUTE_ARCHIVE, even after it was set to FILE_ATTRIBUTE_NORMAL alone.
bool IsPlainFile(const std::string& path);

// True when the path's last character is a backslash, not the trail byte of a double-byte one.
bool EndsInBackslash(const std::string& path);
