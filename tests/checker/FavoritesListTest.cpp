// Favorites list and page-copy store: the line reader on the line ends text mode leaves, the
// copy comparison, folder chains with Shift-JIS names, the two process-wide paths and the names
// of one favorite in the store.
#include <windows.h>
#include <shlobj.h>

#include "favorites/FavoritesList.h"
#include "favorites/StoreNames.h"

#include "ScratchFolder.h"
#include "WinDriver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using driver::ScratchFolder;

std::vector<std::string> ReadAllLines(const std::string& path, int size) {
    std::vector<std::string> lines;
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file) {
        return lines;
    }
    std::vector<char> buffer(static_cast<size_t>(size) + 1, 'x');
    while (lines.size() < 100 && ReadListLine(file, buffer.data(), size)) {
        lines.emplace_back(buffer.data());
    }
    std::fclose(file);
    return lines;
}

struct LineCase {
    std::string bytes; // on disk
    int size;
    std::vector<std::string> lines;
};

TEST(ReadListLine, LineEndsAndPieces) {
    const std::string longLine(1100, 'a');
    const std::string fullLine(1023, 'b');
    const LineCase cases[] = {
        {"C:\\Fav\\a.url\r\nhttp://a/\r\n", 1024, {"C:\\Fav\\a.url", "http://a/"}},
        {"one\ntwo", 1024, {"one", "two"}},     // lone LF, no end at the last line
        {"\r\n\r\nx\r\n", 1024, {"", "", "x"}}, // empty lines
        {"a\rb\r\n", 1024, {"a\rb"}},           // a stray CR inside stays
        {"last\r", 1024, {"last"}},             // a stray CR at the end goes
        {"ab\rc", 1024, {"ab\rc"}},             // CR as next-to-last: c is kept
        {"", 1024, {}},
        {longLine + "\r\nz\r\n", 1024, {std::string(1023, 'a'), std::string(77, 'a'), "z"}},
        {fullLine + "\r\n", 1024, {fullLine, ""}}, // the line end comes as a piece
        {"abcdef\n", 4, {"abc", "def", ""}},
        {"abc\n", 1, {}}, // no room: no endless empty lines
    };
    ScratchFolder scratch;
    for (const LineCase& c : cases) {
        ASSERT_TRUE(scratch.WriteFile("list.tmp", c.bytes));
        EXPECT_EQ(c.lines, ReadAllLines(scratch / "list.tmp", c.size)) << c.bytes.substr(0, 20);
    }
}

struct CompareCase {
    const char* name;
    std::string first;
    std::string second;
    bool same;
};

TEST(SameFileText, ComparesWholeContents) {
    const std::string big(10000, 'p');
    const CompareCase cases[] = {
        {"equal", "<html>\r\nページ\r\n", "<html>\r\nページ\r\n", true},
        {"different", "<html>a", "<html>b", false},
        {"first shorter", "<html>", "<html>more", false},
        {"second shorter", "<html>more", "<html>", false},
        {"both empty", "", "", true},
        {"one empty", "", "x", false},
        {"change after a zero byte", std::string("ab\0cd", 5), std::string("ab\0ce", 5), false},
        {"change after Ctrl-Z", std::string("a\x1A") + "old", std::string("a\x1A") + "new", false},
        {"change in a later block", big + "1", big + "2", false},
        {"long and equal", big, big, true},
    };
    ScratchFolder scratch;
    for (const CompareCase& c : cases) {
        ASSERT_TRUE(scratch.WriteFile("first.htm", c.first));
        ASSERT_TRUE(scratch.WriteFile("second.htm", c.second));
        EXPECT_EQ(c.same,
                  SameFileText((scratch / "first.htm").c_str(), (scratch / "second.htm").c_str()))
            << c.name;
    }
    const std::string missing = scratch / "missing.htm";
    EXPECT_FALSE(SameFileText(missing.c_str(), (scratch / "first.htm").c_str()));
    EXPECT_FALSE(SameFileText((scratch / "first.htm").c_str(), missing.c_str()));
    EXPECT_FALSE(SameFileText(missing.c_str(), missing.c_str()));
}

// The probe's own comparison: an unchanged copy goes at once, any other stays for the run.
TEST(CompareNewCopy, DropsOnlyAnUnchangedCopy) {
    struct Case {
        const char* copy;   // the new copy's name
        const char* stored; // nullptr: none yet
        CopyCompared compared;
    } const cases[] = {
        {"Daily.htm_", "<html>same</html>", CopyCompared::kUnchanged},
        {"Daily.htm_", "<html>old</html>", CopyCompared::kChanged},
        {"Daily.htm_", nullptr, CopyCompared::kChanged},
        // No new copy's name, so no stored copy to compare with: left to the run.
        {"Daily.htm", "<html>same</html>", CopyCompared::kNotCompared},
    };
    for (const Case& c : cases) {
        ScratchFolder scratch;
        ASSERT_TRUE(scratch.WriteFile(c.copy, "<html>same</html>"));
        if (c.stored) {
            ASSERT_TRUE(scratch.WriteFile("Daily.htm", c.stored));
        }
        EXPECT_EQ(c.compared, CompareNewCopy((scratch / c.copy).c_str())) << c.copy;
        EXPECT_EQ(c.compared != CopyCompared::kUnchanged, driver::FileExists(scratch / c.copy));
        EXPECT_EQ(c.stored ? c.stored : "", driver::ReadFileBytes(scratch / "Daily.htm"));
    }
}

// A fresh copy takes the stored copy's place, also on a Windows without MoveFileEx (the Windows
// 95 family, where it fails with ERROR_CALL_NOT_IMPLEMENTED), and with no stored copy yet.
TEST(ReplaceStoredCopy, OnEveryWindows) {
    const MoveReplacing noMoveFileEx = [](const char*, const char*) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    };
    for (const MoveReplacing move : {static_cast<MoveReplacing>(nullptr), noMoveFileEx}) {
        ScratchFolder scratch;
        const std::string fresh = scratch / "Daily.htm_";
        const std::string stored = scratch / "Daily.htm";
        const auto replace = [&] {
            return move ? ReplaceStoredCopyWith(fresh.c_str(), stored.c_str(), move)
                        : ReplaceStoredCopy(fresh.c_str(), stored.c_str());
        };
        ASSERT_TRUE(scratch.WriteFile("Daily.htm_", "first"));
        EXPECT_TRUE(replace()) << "no stored copy yet";
        ASSERT_TRUE(scratch.WriteFile("Daily.htm_", "second"));
        EXPECT_TRUE(replace());
        EXPECT_EQ("second", driver::ReadFileBytes(stored));
        EXPECT_FALSE(driver::FileExists(fresh));
        EXPECT_FALSE(replace()) << "no new copy";
        EXPECT_EQ("second", driver::ReadFileBytes(stored));
    }
    // Any other failure of the one-step move keeps both copies as they are.
    ScratchFolder scratch;
    ASSERT_TRUE(scratch.WriteFile("a.htm_", "new"));
    ASSERT_TRUE(scratch.WriteFile("a.htm", "old"));
    const MoveReplacing denied = [](const char*, const char*) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    };
    EXPECT_FALSE(ReplaceStoredCopyWith((scratch / "a.htm_").c_str(), (scratch / "a.htm").c_str(),
                                       denied));
    EXPECT_EQ("old", driver::ReadFileBytes(scratch / "a.htm"));
    EXPECT_EQ("new", driver::ReadFileBytes(scratch / "a.htm_"));
}

// The names directly inside a folder, "." and ".." left out.
std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

TEST(CreateFolderChain, CreatesEveryLevelOnce) {
    ScratchFolder scratch;
    // 表 and ソ end in the byte 0x5C: each is one folder, not cut there.
    const std::string chain = scratch / "表\\ソ\\News\\";
    ASSERT_TRUE(CreateFolderChain(chain.c_str()));
    EXPECT_EQ(std::vector<std::string>{"表"}, FolderEntries(scratch.Path()));
    EXPECT_EQ(std::vector<std::string>{"ソ"}, FolderEntries(scratch / "表"));
    EXPECT_EQ(std::vector<std::string>{"News"}, FolderEntries(scratch / "表\\ソ"));
    // Existing levels are fine.
    EXPECT_TRUE(CreateFolderChain(chain.c_str()));

    // A level that cannot be a folder, because a file holds its name, is a failure.
    ASSERT_TRUE(scratch.WriteFile("taken", "x"));
    EXPECT_FALSE(CreateFolderChain((scratch / "taken\\sub\\").c_str()));
}

TEST(CreateFolderChain, RefusesOtherForms) {
    ScratchFolder scratch;
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
    const char* const paths[] = {
        "", "C", "C:", "C:dir\\", "rel\\dir\\", "\\\\server\\share\\dir\\", "\\dir\\", "1:\\dir\\"};
    for (const char* path : paths) {
        EXPECT_FALSE(CreateFolderChain(path)) << path;
    }
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(FolderEntries(scratch.Path()).empty());
}

TEST(CheckerPaths, ListPathAndUserPrefix) {
    struct {
        const char* temp;
        const char* list;
    } const lists[] = {
        {"C:\\TEMP\\", "C:\\TEMP\\flist.tmp"},
        {"C:\\TEMP", "C:\\TEMP\\flist.tmp"},
        {"C:\\表", "C:\\表\\flist.tmp"}, // ends in the byte 0x5C, but not in a separator
        {"C:\\", "C:\\flist.tmp"},
    };
    char result[kListLineSize];
    for (const auto& c : lists) {
        EXPECT_TRUE(BuildCheckListPath(c.temp, result, sizeof result));
        EXPECT_STREQ(c.list, result) << c.temp;
    }
    char small[16];
    EXPECT_FALSE(BuildCheckListPath("C:\\TEMP\\", small, sizeof small));
    EXPECT_STREQ("", small);

    struct {
        const char* module;
        const char* user;
        const char* prefix;
    } const prefixes[] = {
        {"D:\\Apps\\Checker\\checker.exe", "taro", "D:\\Apps\\Checker\\taro"},
        {"D:\\表\\ソ\\checker.exe", "花子", "D:\\表\\ソ\\花子"},
        {"D:\\Tools\\checker.exe", nullptr, "D:\\Tools\\"}, // the user name query failed
    };
    for (const auto& c : prefixes) {
        EXPECT_TRUE(BuildUserPrefix(c.module, c.user, result, sizeof result));
        EXPECT_STREQ(c.prefix, result) << c.module;
    }
}

TEST(CheckerPaths, BuiltFromTheSystem) {
    ASSERT_TRUE(InitCheckerPaths());
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    EXPECT_EQ(std::string(temp) + "flist.tmp", checkListPath);
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    char user[256];
    DWORD userSize = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &userSize));
    std::string folder = module;
    folder.erase(folder.find_last_of('\\') + 1);
    EXPECT_EQ(folder + user, userPrefix);
}

// The store beside the program where a file can be made there (an earlier store included), else
// in the user's local application data; the next start in the same place finds its copies again.
// Z:\\proc\\ is the host's /proc, which takes no file even from root.
TEST(CheckerPaths, StoreFallsBackWhereTheProgramsFolderTakesNoFile) {
    ScratchFolder scratch;
    ASSERT_TRUE(scratch.MakeFolder("Earlier\\taro"));
    char appData[MAX_PATH];
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, appData));
    const std::string dataStore = std::string(appData) + "\\Oskaveld\\Vexilo\\taro";
    struct {
        std::string module;
        std::string prefix;
    } const cases[] = {
        {scratch / "Vexilo.exe", scratch / "taro"},
        {scratch / "Earlier\\Vexilo.exe", scratch / "Earlier\\taro"},
        {"Z:\\proc\\Vexilo.exe", dataStore},
    };
    char prefix[kListLineSize];
    for (const auto& c : cases) {
        EXPECT_TRUE(ChooseUserPrefix(c.module.c_str(), "taro", prefix, sizeof prefix));
        EXPECT_EQ(c.prefix, prefix) << c.module;
    }
    EXPECT_TRUE(FolderEntries(scratch.Path()) == std::vector<std::string>{"Earlier"})
        << "the trial leaves no file behind";

    StoreNames names{};
    ASSERT_TRUE(BuildStoreNames("C:\\Fav", "C:\\Fav\\News\\Daily.url", prefix, names));
    ASSERT_TRUE(CreateFolderChain(names.copyFolder));
    FILE* copy = std::fopen(names.newCopyPath, "wb");
    ASSERT_TRUE(copy);
    std::fputs("<html>", copy);
    std::fclose(copy);
    const std::string stored = dataStore + "\\News\\Daily.htm";
    ASSERT_TRUE(ReplaceStoredCopy(names.newCopyPath, stored.c_str()));

    char later[kListLineSize];
    EXPECT_TRUE(ChooseUserPrefix("Z:\\proc\\Vexilo.exe", "taro", later, sizeof later));
    EXPECT_STREQ(prefix, later);
    StoreNames again{};
    ASSERT_TRUE(BuildStoreNames("C:\\Fav", "C:\\Fav\\News\\Daily.url", later, again));
    FILE* same = std::fopen(again.newCopyPath, "wb");
    ASSERT_TRUE(same);
    std::fputs("<html>", same);
    std::fclose(same);
    EXPECT_TRUE(SameFileText(again.newCopyPath, stored.c_str())) << "the first run's copy is found";
    DeleteFileA(again.newCopyPath);
    driver::RemoveTree(std::string(appData) + "\\Oskaveld");
}

struct NamesCase {
    const char* root;
    const char* shortcut;
    const char* storeName;
    const char* relativeName;
    const char* newCopy;
    const char* copyFolder;
};

TEST(StoreNames, OneSeparatorAfterThePrefix) {
    const char* prefix = "D:\\Tools\\taro";
    const NamesCase cases[] = {
        {"D:\\Fav", "D:\\Fav\\Daily.url", "\\Daily.htm", "Daily.url", "D:\\Tools\\taro\\Daily.htm_",
         "D:\\Tools\\taro\\"},
        {"D:\\Fav", "D:\\Fav\\News\\Daily.url", "\\News\\Daily.htm", "News\\Daily.url",
         "D:\\Tools\\taro\\News\\Daily.htm_", "D:\\Tools\\taro\\News\\"},
        {"D:\\Fav", "D:\\Fav\\表\\ソ.URL", "\\表\\ソ.htm", "表\\ソ.URL",
         "D:\\Tools\\taro\\表\\ソ.htm_", "D:\\Tools\\taro\\表\\"},
        {"D:\\表", "D:\\表\\News\\a.url", "\\News\\a.htm", "News\\a.url",
         "D:\\Tools\\taro\\News\\a.htm_", "D:\\Tools\\taro\\News\\"},
        {"D:\\", "D:\\News\\Daily.url", "\\News\\Daily.htm", "News\\Daily.url",
         "D:\\Tools\\taro\\News\\Daily.htm_", "D:\\Tools\\taro\\News\\"},
        {"D:\\", "D:\\Daily.url", "\\Daily.htm", "Daily.url", "D:\\Tools\\taro\\Daily.htm_",
         "D:\\Tools\\taro\\"},
    };
    for (const NamesCase& c : cases) {
        StoreNames names;
        ASSERT_TRUE(BuildStoreNames(c.root, c.shortcut, prefix, names)) << c.shortcut;
        EXPECT_STREQ(c.storeName, names.storeName) << c.shortcut;
        EXPECT_STREQ(c.relativeName, names.relativeName) << c.shortcut;
        EXPECT_STREQ(c.newCopy, names.newCopyPath) << c.shortcut;
        EXPECT_STREQ(c.copyFolder, names.copyFolder) << c.shortcut;
        char stored[kPathSize];
        ASSERT_TRUE(StoredCopyPath(names.newCopyPath, stored, sizeof stored));
        EXPECT_EQ(std::string(c.newCopy).substr(0, std::strlen(c.newCopy) - 1), stored);
    }
}

TEST(StoreNames, RefusesWhatHasNoPlaceInTheStore) {
    const std::string deep = "D:\\Fav\\" + std::string(250, 'n') + ".url";
    const char* const shortcuts[] = {
        "D:\\Other\\a.url", // not below the root
        "D:\\Favorites\\a.url",
        "D:\\Fav\\a.txt",     // not a shortcut
        "D:\\Fav\\a\x95.url", // the dot is the trail byte of 0x95: no extension
        deep.c_str(),         // the copy's path would pass 259 bytes
    };
    for (const char* shortcut : shortcuts) {
        StoreNames names;
        EXPECT_FALSE(BuildStoreNames("D:\\Fav", shortcut, "D:\\Tools\\taro", names)) << shortcut;
        EXPECT_STREQ("", names.newCopyPath);
    }
    char stored[kPathSize];
    EXPECT_FALSE(StoredCopyPath("D:\\x.htm", stored, sizeof stored));
}

} // namespace
