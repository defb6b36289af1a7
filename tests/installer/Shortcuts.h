// Shortcut files and shell folders as the tests see them: a link read back through the shell's
// own link object, and the folders the shell records for the current user, pointed elsewhere
// for the length of a test.
#pragma once

#include <string>
#include <vector>

#include "ScratchFolder.h"

struct LinkSeen {
    std::string path;
    std::string arguments;
    std::string folder;
    std::string description;
};

// Reads a ".lnk" file; false when it is missing or not a link.
bool ReadLink(const std::string& file, LinkSeen* link);

using Names = std::vector<std::string>;

// The names of the entries of a folder (not "." and ".."), sorted; empty when it is missing.
Names FolderEntries(const std::string& folder);

// The value of "Shell Folders" under the current user, with a trailing backslash; empty when
// the shell records none.
std::string ShellFolder(const char* name);

// Points shell folders at other folders, or takes them away, and puts every value back as it was
// on destruction. Both the recorded folders ("Shell Folders") and the user's settings they are
// made from ("User Shell Folders") change: the shell writes the first anew from the second
// whenever it looks a folder up.
class ShellFolderOverride {
public:
    ShellFolderOverride() = default;
    ~ShellFolderOverride();
    ShellFolderOverride(const ShellFolderOverride&) = delete;
    ShellFolderOverride& operator=(const ShellFolderOverride&) = delete;

    void Set(const char* name, const std::string& folder);
    void Remove(const char* name);

private:
    void Remember(const char* name);

    struct Saved {
        const char* key;
        std::string name;
        bool existed;
        std::string value;
        unsigned long type;
    };
    std::vector<Saved> saved_;
};

// Programs, Desktop and Startup pointed at folders of the test's own while this lives. The
// desktop's is one fixed folder, emptied but never removed: Wine's desktop process keeps open
// the folder it was shown, so it could not be removed before the session ends.
class TestPlaces {
public:
    TestPlaces();
    ~TestPlaces();
    TestPlaces(const TestPlaces&) = delete;
    TestPlaces& operator=(const TestPlaces&) = delete;

    // The place's folder, with a trailing backslash: "Programs", "Desktop" or "Startup".
    std::string operator()(const std::string& name) const;
    // Takes the place away from the shell folders.
    void Remove(const char* name) { folders_.Remove(name); }
    // Empties a place's folder.
    void Clear(const std::string& name) const;

private:
    driver::ScratchFolder scratch_;
    std::string desktop_;
    ShellFolderOverride folders_;
};

// Closes the explorer windows that Program Manager's server opens for a group, once they show.
void CloseGroupWindows(const std::string& group, unsigned long waitMs);
