// A folder of its own below the temporary folder for one test, removed with everything in it
// when the test ends (retried for up to 2 s while a program that just ended still holds it). Links
// inside it are removed as links: what they point at is left alone.
#pragma once

#include <string>

namespace driver {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, without a trailing separator.
    const std::string& Path() const { return path_; }
    // Path() joined with a relative name (which may hold separators).
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

    // Both also below MAX_PATH's reach, which the ANSI calls refuse to create.
    // Creates a folder (and its parents) below Path(); true when it exists afterwards.
    bool MakeFolder(const std::string& relative) const;
    // Writes bytes to a file below Path(), creating its folders; true when written whole.
    bool WriteFile(const std::string& relative, const std::string& bytes) const;

private:
    std::string path_;
};

// Removes a folder tree, also below MAX_PATH's reach; a folder that is a reparse point (a link)
// is removed without entering it, where the system can remove it (Wine 8.0 cannot remove a
// Unix symbolic link: the test that made one removes it).
void RemoveTree(const std::string& path);

} // namespace driver
