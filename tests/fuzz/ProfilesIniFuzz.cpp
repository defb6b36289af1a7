// Firefox's profiles.ini of any content, and the other names a source is told by: every profile
// read has a folder; written out again in the plainest form and read back, the same profiles
// come back (nothing of one section leaks into another); a path that "stays inside" has no part
// that could climb out; a backup's date is ten characters of digits and dashes.
#include "favorites/SourceRules.h"

#include "FuzzCheck.h"

namespace {

bool Climbs(const std::string& path) {
    if (path.empty() || path[0] == '/' || path[0] == '\\' || path.find(':') != std::string::npos) {
        return true;
    }
    std::string part;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/' || path[i] == '\\') {
            if (part.empty() || part == "." || part == "..") {
                return true;
            }
            part.clear();
        } else {
            part += path[i];
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzz::Area area(size);
    std::memcpy(area.get(), data, size);
    const std::vector<FirefoxProfile> profiles = ReadProfilesIni(area.get(), size);

    std::string again;
    for (const FirefoxProfile& profile : profiles) {
        FUZZ_CHECK(!profile.path.empty());
        FUZZ_CHECK(ProfilePathStaysInside(profile.path) == !Climbs(profile.path));
        again += "[Profile]\nName=" + profile.name + "\nIsRelative=" + (profile.relative ? "1" : "0") +
                 "\nPath=" + profile.path + "\n";
    }
    const std::vector<FirefoxProfile> reread = ReadProfilesIni(again.data(), again.size());
    FUZZ_CHECK(reread.size() == profiles.size());
    for (size_t i = 0; i < reread.size(); ++i) {
        FUZZ_CHECK(reread[i].name == profiles[i].name && reread[i].path == profiles[i].path &&
                   reread[i].relative == profiles[i].relative);
    }

    fuzz::Area name = fuzz::Copy(text.substr(0, text.find('\0')));
    char date[11];
    if (BackupDate(name.get(), date)) {
        FUZZ_CHECK(std::strlen(date) == 10 && date[4] == '-' && date[7] == '-');
        FUZZ_CHECK(std::strncmp(name.get() + 10, date, 10) == 0);
    }
    SniffBookmarkFile(area.get(), size);
    return 0;
}
