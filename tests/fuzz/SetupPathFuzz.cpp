// A setup-file entry becomes a file below the installation folder, and a title or group name a
// folder or link name: whatever the entry says, what the rules accept must stay inside the folder
// it is joined to, once Windows has resolved "." and "..", dropped the dots and blanks that end a
// name, and taken "/" for "\". A folder is checked against the folders it is in or above.
#include "base/Text.h"
#include "setupfile/EntryText.h"
#include "setupfile/PathRules.h"

#include "FuzzCheck.h"

namespace {

// The names of a path below a folder as Windows would resolve them; false when one of them
// leaves the folder, names a drive or a stream, or is a device.
bool StaysInside(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::vector<std::string> names;
    std::string name;
    for (size_t at = 0; at <= path.size(); at += at < path.size() ? fuzz::CharAt(path, at) : 1) {
        const bool end = at == path.size();
        const size_t length = end ? 1 : fuzz::CharAt(path, at);
        if (end || (length == 1 && (path[at] == '\\' || path[at] == '/'))) {
            // Windows drops the dots and blanks that end a name.
            while (!name.empty() && (name.back() == '.' || name.back() == ' ') &&
                   fuzz::OnBoundary(name, name.size() - 1)) {
                name.pop_back();
            }
            if (name.empty()) {
                return false; // a leading, doubled or trailing separator, ".", ".." or "..."
            }
            names.push_back(name);
            name.clear();
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(path[at]);
        if (length == 1 && (c < 0x20 || std::strchr(":*?\"<>|", c))) {
            return false;
        }
        name.append(path, at, length);
    }
    for (const std::string& each : names) {
        std::string stem = each.substr(0, each.find('.'));
        for (char& c : stem) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" ||
            (stem.size() == 4 &&
             (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
             stem[3] <= '9')) {
            return false;
        }
    }
    return true;
}

// path, compared without regard to the case of letters, character by character: equal to
// prefix through its end, never ending inside a character of path.
bool BeginsWith(const std::string& path, const std::string& prefix) {
    if (path.size() < prefix.size() || !fuzz::OnBoundary(path, prefix.size())) {
        return false;
    }
    for (size_t at = 0; at < prefix.size(); at += fuzz::CharAt(prefix, at)) {
        if (fuzz::CharAt(prefix, at) == 2) {
            if (path.compare(at, 2, prefix, at, 2) != 0) {
                return false;
            }
        } else if (std::toupper(static_cast<unsigned char>(prefix[at])) !=
                   std::toupper(static_cast<unsigned char>(path[at]))) {
            return false;
        }
    }
    return true;
}

// A folder ending in a backslash is above everything that begins with it, and is the folder
// named without that backslash; any other folder is the path itself, or above a path that goes
// on with a backslash after it.
bool SameOrAbove(const std::string& folder, const std::string& path) {
    if (folder.empty()) {
        return false;
    }
    if (folder.back() == '\\' && fuzz::OnBoundary(folder, folder.size() - 1)) {
        const std::string bare = folder.substr(0, folder.size() - 1);
        return BeginsWith(path, folder) ||
               (!bare.empty() && path.size() == bare.size() && BeginsWith(path, bare));
    }
    return BeginsWith(path, folder) &&
           (path.size() == folder.size() || path[folder.size()] == '\\');
}

void CheckEntry(const std::string& value, const std::string& folder) {
    fuzz::Area text = fuzz::Copy(value);
    if (!IsConfinedFileEntry(text.get())) {
        return;
    }
    const size_t comma = fuzz::FindChar(value, ',');
    const std::string source = value.substr(0, comma);
    const std::string destination = comma == std::string::npos ? value : value.substr(comma + 1);
    FUZZ_CHECK(StaysInside(source));
    FUZZ_CHECK(StaysInside(destination));
    // Joined as the installer joins it: the installation folder, then exactly the destination.
    fuzz::Area name(kPathSize);
    std::memcpy(name.get(), value.c_str(), std::min(value.size() + 1, kPathSize));
    name.get()[kPathSize - 1] = '\0';
    if (value.size() >= kPathSize) {
        return;
    }
    fuzz::Area target(kPathSize);
    size_t relative = 0;
    SplitFileEntry(name.get(), folder.c_str(), target.get(), relative);
    const std::string joined = target.TextIn();
    FUZZ_CHECK(joined.empty() ||
               (fuzz::StartsWith(joined, folder) && StaysInside(joined.substr(folder.size()))));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const std::string folder = input.Text(200);
    const std::string value = input.Text(400);

    fuzz::Area name = fuzz::Copy(value);
    if (IsPlainName(name.get())) {
        FUZZ_CHECK(fuzz::FindChar(value, '\\') == std::string::npos);
        FUZZ_CHECK(StaysInside(value));
    }
    fuzz::Area path = fuzz::Copy(value);
    if (IsConfinedPath(path.get())) {
        FUZZ_CHECK(StaysInside(value));
    }
    CheckEntry(value, folder);

    fuzz::Area above = fuzz::Copy(folder);
    fuzz::Area below = fuzz::Copy(value);
    FUZZ_CHECK(IsSameOrAbove(above.get(), below.get()) == SameOrAbove(folder, value));
    return 0;
}
