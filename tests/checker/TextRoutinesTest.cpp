// Text and path routines: double-byte characters whose trail byte looks like '\\' or '.', cut
// texts, and the path examples the routines are built around.
#include "text/TextRoutines.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct SplitCase {
    const char* path;
    const char* drive;
    const char* directory;
    const char* baseName;
    const char* extension;
};

// 表 is 0x95 0x5C and ソ is 0x83 0x5C: their trail byte is a backslash.
const SplitCase kSplitCases[] = {
    {"D:\\dir\\sub\\name.ext", "D:", "\\dir\\sub\\", "name", ".ext"},
    {"a.b.url", "", "", "a.b", ".url"},
    {"D:\\dir\\", "D:", "\\dir\\", "", ""},
    {"\\\\server\\share\\x", "", "\\\\server\\share\\", "x", ""},
    {"", "", "", "", ""},
    {"C:\\表\\ソフト.url", "C:", "\\表\\", "ソフト", ".url"},
    {"C:\\Fav\\表", "C:", "\\Fav\\", "表", ""},
    {"C:\\Fav\\a\x95..url", "C:", "\\Fav\\", "a\x95.", ".url"},           // trail byte '.'
    {"C:\\Fav\\x\x95.\x95..url", "C:", "\\Fav\\", "x\x95.\x95.", ".url"}, // two of them
    {"C:\\Fav\\a\x95.url", "C:", "\\Fav\\", "a\x95.url", ""},             // no real dot
    {"C:\\dir\\name\x95", "C:", "\\dir\\", "name\x95", ""}, // lone lead byte at the end
    {"noext", "", "", "noext", ""},
};

TEST(SplitPath, SplitsAtRealSeparatorsOnly) {
    for (const SplitCase& c : kSplitCases) {
        PathParts parts;
        SplitPath(c.path, parts);
        EXPECT_STREQ(c.drive, parts.drive) << c.path;
        EXPECT_STREQ(c.directory, parts.directory) << c.path;
        EXPECT_STREQ(c.baseName, parts.baseName) << c.path;
        EXPECT_STREQ(c.extension, parts.extension) << c.path;
    }
}

TEST(SplitPath, DirectoryAndExtensionHelpers) {
    char result[1024];
    PathDirectory("D:\\Apps\\Checker\\checker.exe", result, sizeof result);
    EXPECT_STREQ("D:\\Apps\\Checker\\", result);
    PathDirectory("D:\\表示\\ソ\\checker.exe", result, sizeof result);
    EXPECT_STREQ("D:\\表示\\ソ\\", result);
    PathDirectory("checker.exe", result, sizeof result);
    EXPECT_STREQ("", result);
    // Cut to a small area it is still the start of the folder: the drive loses its last whole
    // character, and the directory does not run on behind it (D:ab\ names another folder).
    char small[6];
    PathDirectory("D:ab表\\dir\\x.url", small, sizeof small);
    EXPECT_STREQ("D:ab", small);
    PathExtension("C:\\Fav\\News.URL", result, sizeof result);
    EXPECT_STREQ(".URL", result);
    PathExtension("C:\\Fav\\page.url.bak", result, sizeof result);
    EXPECT_STREQ(".bak", result);
    PathExtension("C:\\Fav.d\\page", result, sizeof result);
    EXPECT_STREQ("", result);
}

TEST(ChangeCase, LeavesDoubleByteCharactersWhole) {
    // Trail bytes in the letter range: ア is 0x83 0x41, ゴ is 0x83 0x53, ａ is 0x82 0x81.
    char text[] = "HTTP/1.0 アゴａ 200 OK";
    ChangeCase(text, 1);
    EXPECT_STREQ("http/1.0 アゴａ 200 ok", text);
    ChangeCase(text, 0);
    EXPECT_STREQ("HTTP/1.0 アゴａ 200 OK", text);

    char ext[] = ".url";
    ChangeCase(ext, 0);
    EXPECT_STREQ(".URL", ext);

    // A lone lead byte at the end is one byte: nothing past the zero is read or written.
    char tail[] = {'A', '\x83', '\0', 'Z', '\0'};
    ChangeCase(tail, 1);
    EXPECT_EQ('a', tail[0]);
    EXPECT_EQ('\x83', tail[1]);
    EXPECT_EQ('Z', tail[3]);
}

TEST(BoundedText, CutsOnCharacterBoundaries) {
    char buffer[6];
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "abcde"));
    EXPECT_STREQ("abcde", buffer);
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "abcdef"));
    EXPECT_STREQ("abcde", buffer);
    // "ab" and two double-byte characters need 6 bytes; the second one does not fit whole.
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "abアイ"));
    EXPECT_STREQ("abア", buffer);
    EXPECT_FALSE(FormatText(buffer, sizeof buffer, "[%s]", "アイウ"));
    EXPECT_STREQ("[アイ", buffer);
    EXPECT_FALSE(FormatText(buffer, sizeof buffer, "%s", "aアイウ"));
    EXPECT_STREQ("aアイ", buffer);

    char joined[8] = "ab";
    EXPECT_TRUE(AppendText(joined, sizeof joined, "cd"));
    EXPECT_FALSE(AppendText(joined, sizeof joined, "表示"));
    EXPECT_STREQ("abcd表", joined);
}

} // namespace
