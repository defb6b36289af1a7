// The system's list of deletions and renames pending for the next start (where the NT family,
// and Wine, record a delete-at-restart request), put back as it was when the guard ends.
#pragma once

#include <string>

class PendingRenames {
public:
    PendingRenames();
    ~PendingRenames();
    PendingRenames(const PendingRenames&) = delete;
    PendingRenames& operator=(const PendingRenames&) = delete;

    // True when the list holds a deletion of path ("\??\" + path, then an empty new name).
    static bool HoldsDeletion(const std::string& path);
    // True when it holds from taking the place of to ("\??\" + from, then "!\??\" + to: the
    // "!" replaces an existing file).
    static bool HoldsReplacement(const std::string& from, const std::string& to);

private:
    // The list holds pair (both names, each with its NUL) as a whole entry.
    static bool Holds(const std::string& pair);

    bool existed_ = false;
    std::string value_;
};
