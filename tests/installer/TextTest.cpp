// The installer's text routines on Shift-JIS text: a trail byte that looks like a separator is
// never taken for one, and cut texts never end in half a character.
#include "base/Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// 表 is 0x95 0x5C and ソ is 0x83 0x5C: their trail byte is a backslash.
struct FindCase {
    const char* text;
    char c;
    int position; // -1: not found
};

const FindCase kFindCases[] = {
    {"viewer.exe,bin\\viewer.exe", ',', 10},
    {"viewer.exe", ',', -1},
    {"表示.exe,表\\a", ',', 8},
    {"C:\\表", '\\', 2},
    {"表ソ", '\\', -1}, // only trail bytes equal the backslash
    {"ソフト\\x", '\\', 6},
    {"\"C:\\A B\\x.exe\" /r", '"', 0},
    {"a\x95", '\\', -1}, // a lone lead byte at the end ends the walk
    {"", ',', -1},
};

TEST(FindCharDbcs, ComparesOnlyWholeCharacters) {
    for (const FindCase& c : kFindCases) {
        const char* found = FindCharDbcs(c.text, c.c);
        EXPECT_EQ(c.position, found ? static_cast<int>(found - c.text) : -1) << c.text;
    }
}

TEST(FindLastCharDbcs, StopsBeforeEndAndSkipsTrailBytes) {
    const char* path = "C:\\表\\ソ.EXE";
    EXPECT_EQ(path + 5, FindLastCharDbcs(path, '\\'));
    EXPECT_EQ(path + 2, FindLastCharDbcs(path, '\\', path + 5));
    EXPECT_EQ(nullptr, FindLastCharDbcs("表ソ.EXE", '\\'));
}

TEST(IsMidCharacter, TrailBytesOnly) {
    const char* text = "a表b";
    EXPECT_FALSE(IsMidCharacter(text, 0));
    EXPECT_FALSE(IsMidCharacter(text, 1));
    EXPECT_TRUE(IsMidCharacter(text, 2));
    EXPECT_FALSE(IsMidCharacter(text, 3));
}

struct BackslashCase {
    const char* path;
    const char* result;  // with AddTrailingBackslash
    const char* without; // with RemoveTrailingBackslash
};

const BackslashCase kBackslashCases[] = {
    {"C:\\Apps", "C:\\Apps\\", "C:\\Apps"},
    {"C:\\Apps\\", "C:\\Apps\\", "C:\\Apps"},
    {"", "\\", ""},
    {"C:", "C:\\", "C:"},
    {"C:\\", "C:\\", "C:"},
    {"C:\\表", "C:\\表\\", "C:\\表"}, // its last byte is a trail byte, not a separator
    {"C:\\表\\", "C:\\表\\", "C:\\表"},
};

TEST(AddTrailingBackslash, AddsOnlyWhenMissing) {
    for (const BackslashCase& c : kBackslashCases) {
        char path[kPathSize];
        CopyText(path, sizeof path, c.path);
        EXPECT_TRUE(AddTrailingBackslash(path, sizeof path)) << c.path;
        EXPECT_STREQ(c.result, path) << c.path;
    }
}

TEST(RemoveTrailingBackslash, RemovesOnlyARealOne) {
    for (const BackslashCase& c : kBackslashCases) {
        char path[kPathSize];
        CopyText(path, sizeof path, c.path);
        RemoveTrailingBackslash(path);
        EXPECT_STREQ(c.without, path) << c.path;
    }
}

TEST(AddTrailingBackslash, RefusesWhenTheBufferIsFull) {
    char path[kPathSize];
    std::string full(kPathSize - 1, 'a');
    CopyText(path, sizeof path, full.c_str());
    EXPECT_FALSE(AddTrailingBackslash(path, sizeof path));
    EXPECT_EQ(full, path);
    full.pop_back();
    CopyText(path, sizeof path, full.c_str());
    EXPECT_TRUE(AddTrailingBackslash(path, sizeof path));
    EXPECT_EQ(full + "\\", path);
}

TEST(CopyText, CutsOnCharacterBoundaries) {
    char small[4];
    EXPECT_FALSE(CopyText(small, sizeof small, "ab表"));
    EXPECT_STREQ("ab", small);
    EXPECT_TRUE(CopyText(small, sizeof small, "a表"));
    EXPECT_STREQ("a表", small);
    EXPECT_FALSE(AppendText(small, sizeof small, "x"));
    EXPECT_STREQ("a表", small);
    char part[8];
    EXPECT_TRUE(CopyTextPart(part, sizeof part, "C:\\App\\x", 7));
    EXPECT_STREQ("C:\\App\\", part);
}

} // namespace
