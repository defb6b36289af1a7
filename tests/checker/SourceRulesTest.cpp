// How a source is told from its content, and Firefox's list of profiles and backup names.
#include "favorites/SourceRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SourceRules, FilesAreToldByTheirContent) {
    const struct {
        std::string head;
        BookmarkFileKind kind;
    } cases[] = {
        {"{\n   \"checksum\": \"1f\",\n   \"roots\": {", BookmarkFileKind::kChromium},
        {"\xEF\xBB\xBF {\"roots\":{}}", BookmarkFileKind::kChromium},
        {"{\"guid\":\"root________\",\"title\":\"\"", BookmarkFileKind::kFirefoxJson},
        {std::string("mozLz40\0\x10\0\0\0", 12), BookmarkFileKind::kMozLz4},
        {"mozLz41", BookmarkFileKind::kUnknown},
        {std::string("SQLite format 3\0\x80\0", 18), BookmarkFileKind::kDatabase},
        {"SQLite format 3", BookmarkFileKind::kUnknown},
        {"<!DOCTYPE netscape-bookmark-file-1>", BookmarkFileKind::kHtml},
        {"<html><dl><dt><a href=\"x\">", BookmarkFileKind::kHtml},
        {"<html><body>a page</body></html>", BookmarkFileKind::kUnknown},
        {"{\"version\": 1}", BookmarkFileKind::kUnknown},
        {"[InternetShortcut]\r\nURL=http://a/\r\n", BookmarkFileKind::kUnknown},
        {"  \r\n", BookmarkFileKind::kUnknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.kind, SniffBookmarkFile(c.head.data(), c.head.size())) << c.head;
    }
}

TEST(SourceRules, ProfilesAndBackups) {
    const std::string ini = "[Install308046B0AF4A39CB]\r\nDefault=Profiles/a.default\r\n\r\n"
                            "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\n"
                            "Path=Profiles/a.default\r\n[Profile1]\r\nName=none\r\n"
                            "[profile2]\r\n name = far \r\nIsRelative=0\r\nPath=D:\\ff\\b\r\n"
                            "[General]\r\nPath=not/a/profile\r\n";
    const std::vector<FirefoxProfile> profiles = ReadProfilesIni(ini.data(), ini.size());
    ASSERT_EQ(2u, profiles.size());
    EXPECT_EQ("default-release", profiles[0].name);
    EXPECT_EQ("Profiles/a.default", profiles[0].path);
    EXPECT_TRUE(profiles[0].relative);
    EXPECT_EQ("far", profiles[1].name);
    EXPECT_FALSE(profiles[1].relative);

    for (const char* inside : {"Profiles/a.default", "x", "Profiles\\b"}) {
        EXPECT_TRUE(ProfilePathStaysInside(inside)) << inside;
    }
    for (const char* out : {"../x", "Profiles/../../x", "/etc", "C:\\x", "\\\\host\\x", "a//b",
                            "./a", ""}) {
        EXPECT_FALSE(ProfilePathStaysInside(out)) << out;
    }

    char date[11];
    EXPECT_TRUE(BackupDate("bookmarks-2026-12-08_9_Yh3n==.jsonlz4", date));
    EXPECT_STREQ("2026-12-08", date);
    EXPECT_TRUE(BackupDate("bookmarks-2019-01-31.json", date));
    for (const char* other : {"bookmarks-2026-12-8_9_x.jsonlz4", "bookmarks-2026-12-08_9_x.lz4",
                              "bookmarks-2026-12-08x.json", "places.sqlite", "bookmarks-"}) {
        EXPECT_FALSE(BackupDate(other, date)) << other;
    }
}

} // namespace
