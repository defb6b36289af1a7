// Folder links and drive letters for tests that need a folder cycle or a drive root. On Windows
// they are a junction and DefineDosDevice; Wine 8.0 can make neither (FSCTL_SET_REPARSE_POINT
// answers ERROR_NOT_SUPPORTED, DefineDosDevice succeeds without effect), so there they are Unix
// symbolic links made by the host's ln, which Wine shows to Windows programs. Each is removed
// again the way it was made.
#pragma once

#include <functional>
#include <string>

namespace driver {

// Starts a program of the host (Wine runs Unix programs given by their Z: path) and waits until
// cond holds: the handle of such a process tells nothing about its end.
bool RunOnHost(std::string command, const std::function<bool()>& cond);

// The Unix path of a Windows path under Wine; empty elsewhere.
std::string UnixPath(const std::string& path);

// A link from link (a new name) to the folder target.
class FolderLink {
public:
    FolderLink(const std::string& link, const std::string& target);
    ~FolderLink();
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;

    // "junction" or "unix symbolic link"; empty when the link could not be made.
    const std::string& How() const { return how_; }

private:
    bool MakeJunction(const std::string& target);
    bool Exists() const;

    std::string link_;
    std::string unixLink_;
    std::string how_;
};

// A free drive letter whose root is folder.
class DriveLetter {
public:
    explicit DriveLetter(const std::string& folder);
    ~DriveLetter();
    DriveLetter(const DriveLetter&) = delete;
    DriveLetter& operator=(const DriveLetter&) = delete;

    // The drive's root, such as Q:\ ; empty when no drive could be made.
    const std::string& Root() const { return root_; }

private:
    std::string root_;
    std::string unixLink_;
    bool defined_ = false;
};

} // namespace driver
