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

private:
    bool existed_ = false;
    std::string value_;
};
