// Scratch folders and files for the installer's tests, removed again with everything in them.
#pragma once

#include <string>

// A new empty folder below the temporary folder; the path ends in a backslash.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    // path_ + name.
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Writes bytes as the whole file; false when it cannot be written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// Removes a folder (with or without its trailing backslash) and everything below it.
void RemoveTree(const std::string& folder);

bool IsFolder(const std::string& path);

// A file with none of the read-only, hidden and system attributes. Wine reports every file as
// FILE_ATTRIBUTE_ARCHIVE, even after it was set to FILE_ATTRIBUTE_NORMAL alone.
bool IsPlainFile(const std::string& path);

// True when the path's last character is a backslash, not the trail byte of a double-byte one.
bool EndsInBackslash(const std::string& path);
