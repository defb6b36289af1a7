// Deletion and replacement at the next start: the request as Wine records it, and WININIT.INI in
// a scratch Windows folder, reached through a request that is refused as the Windows 95 family
// refuses it.
#include "base/RestartRenames.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "PendingRenames.h"
#include "ScratchFolder.h"
#include "WinDriver.h"

using driver::ScratchFolder;

namespace {

bool Refuse(const char*, const char*) {
    return false;
}

// count lines NUL=C:\TEMP\Fnnnnn.TMP (22 bytes), each followed by end.
std::string NulLines(int count, const std::string& end) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "NUL=C:\\TEMP\\F%05d.TMP", i);
        lines += line + end;
    }
    return lines;
}

TEST(ComposeRenameSection, CarriesTheLinesOverUpToTheLimit) {
    static char text[kRenameTextSize];
    const std::string list = std::string("NUL=C:\\X.TMP") + '\0' + "NUL=C:\\Y.TMP" + '\0' +
                             "C:\\NEW.TXT=C:\\OLD.TXT" + '\0' + "odd line" + '\0' + '\0';
    ASSERT_TRUE(ComposeRenameSection(list.c_str(), "NUL", "C:\\WINDOWS\\SYSTEM\\SETUP.EXE", text,
                                     sizeof text));
    EXPECT_STREQ("[Rename]\r\nNUL=C:\\X.TMP\r\nNUL=C:\\Y.TMP\r\nC:\\NEW.TXT=C:\\OLD.TXT\r\n"
                 "odd line\r\nNUL=C:\\WINDOWS\\SYSTEM\\SETUP.EXE\r\n",
                 text);
    ASSERT_TRUE(ComposeRenameSection("\0", "NUL", "C:\\A.EXE", text, sizeof text));
    EXPECT_STREQ("[Rename]\r\nNUL=C:\\A.EXE\r\n", text);

    // The header (10 bytes) and 1249 lines of 24 bytes in the text are 29986 bytes; a last
    // line of 14 makes exactly 30000, the most that is carried over.
    const std::string nul(1, '\0');
    const std::string most = NulLines(1249, nul) + "NUL=C:\\A.TMP" + nul + nul;
    const std::string over = NulLines(1249, nul) + "NUL=C:\\AB.TMP" + nul + nul;
    ASSERT_TRUE(ComposeRenameSection(most.c_str(), "NUL", "C:\\A.EXE", text, sizeof text));
    EXPECT_EQ(30000u + 14, strlen(text));
    EXPECT_FALSE(ComposeRenameSection(over.c_str(), "NUL", "C:\\A.EXE", text, sizeof text));
}

// Wine takes the request and records it where Windows NT does.
TEST(RemoveAtRestart, RecordsTheRequest) {
    PendingRenames pending;
    ScratchFolder scratch;
    const std::string file = scratch / "uninstall copy.exe";
    driver::WriteFileBytes(file, "MZ");
    RemoveAtRestart(file.c_str());
    EXPECT_TRUE(PendingRenames::HoldsDeletion(file));
}

TEST(RemoveAtRestart, WritesWininitWhenTheRequestIsRefused) {
    const struct {
        const char* name;
        const char* before; // nullptr: no WININIT.INI
        std::string after;  // "<short>" stands for the short path
    } cases[] = {
        // Made if there is none: on the Windows 95 family it is there only while deletions wait.
        {"no file", nullptr, "[Rename]\r\nNUL=<short>\r\n"},
        {"section alone", "[Rename]\r\nNUL=C:\\X.TMP\r\n",
         "[Rename]\r\nNUL=C:\\X.TMP\r\nNUL=<short>\r\n"},
        {"section between others, lines of the same key",
         "[boot]\r\nshell=Explorer.exe\r\n[Rename]\r\nNUL=C:\\X.TMP\r\nNUL=C:\\Y.TMP\r\n"
         "C:\\NEW.TXT=C:\\OLD.TXT\r\n[386Enh]\r\nA=1\r\n",
         "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nA=1\r\n[Rename]\r\nNUL=C:\\X.TMP\r\n"
         "NUL=C:\\Y.TMP\r\nC:\\NEW.TXT=C:\\OLD.TXT\r\nNUL=<short>\r\n"},
        {"end-of-file mark", "[boot]\r\nA=1\r\n\x1a",
         "[boot]\r\nA=1\r\n[Rename]\r\nNUL=<short>\r\n"},
        {"end-of-file mark after a line without its end", "[boot]\r\nA=1\x1a",
         "[boot]\r\nA=1\r\n[Rename]\r\nNUL=<short>\r\n"},
        {"no line end at all", "[boot]\r\nA=1", "[boot]\r\nA=1\r\n[Rename]\r\nNUL=<short>\r\n"},
        // Wine's profile writer, rewriting the file without the section, drops the mark itself.
        {"end-of-file mark after the section", "[Rename]\r\nNUL=C:\\X.TMP\r\n[boot]\r\nA=1\r\n\x1a",
         "[boot]\r\nA=1\r\n[Rename]\r\nNUL=C:\\X.TMP\r\nNUL=<short>\r\n"},
    };
    for (const auto& c : cases) {
        ScratchFolder windows;
        const std::string file = windows / "uninstall copy.exe";
        driver::WriteFileBytes(file, "MZ");
        char shortPath[MAX_PATH];
        ASSERT_NE(0u, GetShortPathNameA(file.c_str(), shortPath, sizeof shortPath));
        const std::string wininit = windows / "WININIT.INI";
        if (c.before) {
            driver::WriteFileBytes(wininit, c.before);
        }
        MoveAtRestartWith(file.c_str(), nullptr, Refuse, windows.Path().c_str(), true);
        std::string expected = c.after;
        expected.replace(expected.find("<short>"), 7, shortPath);
        EXPECT_EQ(expected, driver::ReadFileBytes(wininit)) << c.name;
    }
}

// On the NT family, which never reads WININIT.INI, none is made when the request is refused, and
// a replacement is reported as not recorded (as without the rights to record it).
TEST(RemoveAtRestart, MakesNoWininitForTheNtFamily) {
    ScratchFolder windows;
    const std::string file = windows / "copy.exe";
    driver::WriteFileBytes(file, "MZ");
    MoveAtRestartWith(file.c_str(), nullptr, Refuse, windows.Path().c_str(), false);
    EXPECT_FALSE(driver::FileExists(windows / "WININIT.INI"));
    EXPECT_FALSE(
        MoveAtRestartWith(file.c_str(), file.c_str(), Refuse, windows.Path().c_str(), false));
}

// A replacement: taken by Wine as the NT family's request; in WININIT.INI the target's short
// path, "=", and the new file's.
TEST(ReplaceAtRestart, RecordsTheRequestOrTheLine) {
    PendingRenames pending;
    ScratchFolder windows;
    const std::string target = windows / "in use.exe";
    const std::string staged = windows / "new1.tmp";
    driver::WriteFileBytes(target, "old");
    driver::WriteFileBytes(staged, "new");
    EXPECT_TRUE(ReplaceAtRestart(staged.c_str(), target.c_str()));
    EXPECT_TRUE(PendingRenames::HoldsReplacement(staged, target));
    EXPECT_TRUE(
        MoveAtRestartWith(staged.c_str(), target.c_str(), Refuse, windows.Path().c_str(), true));
    char shortTarget[MAX_PATH];
    char shortStaged[MAX_PATH];
    GetShortPathNameA(target.c_str(), shortTarget, sizeof shortTarget);
    GetShortPathNameA(staged.c_str(), shortStaged, sizeof shortStaged);
    EXPECT_EQ(std::string("[Rename]\r\n") + shortTarget + "=" + shortStaged + "\r\n",
              driver::ReadFileBytes(windows / "WININIT.INI"));
}

// More than 30000 bytes of lines: the file stays as it was, the file is not scheduled.
TEST(RemoveAtRestart, LeavesAnOverlongSectionAlone) {
    for (int count : {1250, 1400}) {
        ScratchFolder windows;
        const std::string file = windows / "copy.exe";
        driver::WriteFileBytes(file, "MZ");
        const std::string before = "[boot]\r\nA=1\r\n[Rename]\r\n" + NulLines(count, "\r\n");
        driver::WriteFileBytes(windows / "WININIT.INI", before);
        MoveAtRestartWith(file.c_str(), nullptr, Refuse, windows.Path().c_str(), true);
        EXPECT_EQ(before, driver::ReadFileBytes(windows / "WININIT.INI")) << count;
    }
}

} // namespace
