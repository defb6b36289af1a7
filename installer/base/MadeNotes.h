// How the folder and shortcut code tell what they make for an installation: the copy hands them
// the keeper of the installation's record (its journal) through this interface, so that they
// never reach up to it.
#pragma once

enum class MadeKind {
    kFolder, // a folder, by its full path with its trailing backslash
    kLink,   // a shortcut file, by its full path
};

class MadeNotes {
public:
    // path did not exist, and this run has made it (a folder) or is about to write it (a link,
    // recorded first so that a record cut short still names it).
    virtual void Made(MadeKind kind, const char* path) = 0;

protected:
    ~MadeNotes() = default;
};
