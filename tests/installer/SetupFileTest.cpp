// The setup file read through the real profile reader, and an earlier installation's folder
// read back from a real uninstall entry.
#include "base/SetupContext.h"
#include "setupfile/SetupFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ScratchFolder.h"
#include "WinDriver.h"

using driver::ScratchFolder;

namespace {

// The example product; texts in code page 932 as the setup file holds them.
const char kExample[] = "[Install]\r\n"
                        "Title=Sample Viewer\r\n"
                        "Folder=SampleViewer\r\n"
                        "TSR=0\r\n"
                        "Open=readme.txt\r\n"
                        "1=viewer.exe\r\n"
                        "2=readme.txt\r\n"
                        "3=data\\help.hlp,help\\viewer.hlp\r\n"
                        "[Group]\r\n"
                        "1=Sample Viewer,viewer.exe\r\n"
                        "2=Viewer in safe mode,viewer.exe,/safe\r\n"
                        "[Reg]\r\n"
                        "1=HKEY_CURRENT_USER\\Software\\SampleViewer\r\n";

class SetupFileTest : public testing::Test {
protected:
    void SetUp() override { ResetSetupContext(); }

    // Writes the setup file as SETUP.INF beside a program SETUP.EXE in the scratch folder.
    bool Read(const std::string& contents) {
        driver::WriteFileBytes(scratch_ / "SETUP.INF", contents);
        CopyText(SetupContext.exeName, kPathSize, "SETUP.EXE");
        CopyText(SetupContext.setupFileName, kPathSize, "SETUP.INF");
        CopyText(SetupContext.setupFilePath, kPathSize, (scratch_ / "SETUP.INF").c_str());
        return ReadSettings();
    }

    ScratchFolder scratch_;
};

std::string DefaultFolder(const char* folderName) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows, 2) + "\\Program Files\\" + folderName + "\\";
}

TEST_F(SetupFileTest, ReadsTheExampleProduct) {
    ASSERT_TRUE(Read(kExample));
    EXPECT_STREQ("Sample Viewer", SetupContext.title);
    EXPECT_STREQ("SampleViewer", SetupContext.folderName);
    EXPECT_FALSE(SetupContext.resident);
    EXPECT_EQ(DefaultFolder("SampleViewer"), SetupContext.installFolder);
    EXPECT_EQ(3, SetupContext.fileCount);
    EXPECT_EQ(2, SetupContext.groupCount);

    const std::string folder = SetupContext.installFolder;
    struct {
        int n;
        const char* name;
        const char* relative;
    } const files[] = {
        {-1, "SETUP.EXE", "SETUP.EXE"},
        {0, "SETUP.INF", "SETUP.INF"},
        {1, "viewer.exe", "viewer.exe"},
        {3, "data\\help.hlp", "help\\viewer.hlp"},
        {4, "", ""},
    };
    for (const auto& f : files) {
        LoadFileEntry(f.n);
        EXPECT_STREQ(f.name, SetupContext.entryName) << f.n;
        EXPECT_EQ(folder + f.relative, SetupContext.entryTarget) << f.n;
        EXPECT_EQ(folder.size(), SetupContext.entryRelative) << f.n;
    }

    LoadGroupEntry(1);
    EXPECT_STREQ("Sample Viewer", SetupContext.entryName);
    EXPECT_EQ(folder + "viewer.exe", SetupContext.entryTarget);
    SetupContext.entryRelative = 7;
    LoadGroupEntry(2);
    EXPECT_STREQ("Viewer in safe mode", SetupContext.entryName);
    EXPECT_EQ(folder + "viewer.exe,/safe", SetupContext.entryTarget);
    EXPECT_EQ(7u, SetupContext.entryRelative); // group entries leave it alone
}

TEST_F(SetupFileTest, ListsEndAtTheFirstGap) {
    ASSERT_TRUE(Read("[Install]\r\nTitle=T\r\nFolder=F\r\n1=a.exe\r\n2=b.txt\r\n4=d.txt\r\n"
                     "[Group]\r\n1=A,a.exe\r\n2=no comma\r\n3=C,c.exe\r\n"));
    EXPECT_EQ(2, SetupContext.fileCount);
    EXPECT_EQ(1, SetupContext.groupCount);

    // An entry without its source part, or a group entry without a name, ends its list too.
    ASSERT_TRUE(Read("[Install]\r\nTitle=T\r\nFolder=F\r\n1=a.exe\r\n2=,b.txt\r\n3=c.txt\r\n"
                     "[Group]\r\n1=,a.exe\r\n"));
    EXPECT_EQ(1, SetupContext.fileCount);
    EXPECT_EQ(0, SetupContext.groupCount);
}

TEST_F(SetupFileTest, GroupEntryWithoutCommaKeepsTheOldTarget) {
    ASSERT_TRUE(Read("[Install]\r\nTitle=T\r\nFolder=F\r\n[Group]\r\n1=A,a.exe\r\n2=no comma\r\n"));
    LoadGroupEntry(1);
    const std::string target = SetupContext.entryTarget;
    LoadGroupEntry(2);
    EXPECT_STREQ("", SetupContext.entryName);
    EXPECT_EQ(target, SetupContext.entryTarget);
}

TEST_F(SetupFileTest, ResidentWhenTsrBeginsWithOne) {
    const struct {
        const char* line;
        bool resident;
    } cases[] = {
        {"TSR=1\r\n", true},    {"TSR=10\r\n", true}, {"TSR=1x\r\n", true}, {"TSR=0\r\n", false},
        {"TSR=yes\r\n", false}, {"TSR=\r\n", false},  {"", false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Read(std::string("[Install]\r\nTitle=T\r\nFolder=F\r\n") + c.line));
        EXPECT_EQ(c.resident, SetupContext.resident) << c.line;
    }
}

TEST_F(SetupFileTest, TitleAndFolderAreRequired) {
    EXPECT_FALSE(Read("[Install]\r\nTitle=Sample Viewer\r\n1=viewer.exe\r\n"));
    EXPECT_FALSE(Read("[Install]\r\nFolder=SampleViewer\r\n1=viewer.exe\r\n"));
    EXPECT_FALSE(Read("[Install]\r\nTitle=\r\nFolder=SampleViewer\r\n"));
    CopyText(SetupContext.setupFilePath, kPathSize, (scratch_ / "MISSING.INF").c_str());
    EXPECT_FALSE(ReadSettings());
}

// 表 (0x95 0x5C) and ソ (0x83 0x5C): the profile reader keeps them, the split sees no separator.
TEST_F(SetupFileTest, ShiftJisNamesWithBackslashTrailBytes) {
    ASSERT_TRUE(Read("[Install]\r\nTitle=表示ソフト\r\nFolder=表示ソフト\r\n"
                     "1=表示.exe,bin\\表示.exe\r\n2=ソ\\表.txt\r\n"));
    EXPECT_STREQ("表示ソフト", SetupContext.title);
    EXPECT_EQ(DefaultFolder("表示ソフト"), SetupContext.installFolder);
    EXPECT_EQ(2, SetupContext.fileCount);
    const std::string folder = SetupContext.installFolder;
    LoadFileEntry(1);
    EXPECT_STREQ("表示.exe", SetupContext.entryName);
    EXPECT_EQ(folder + "bin\\表示.exe", SetupContext.entryTarget);
    LoadFileEntry(2);
    EXPECT_STREQ("ソ\\表.txt", SetupContext.entryName);
    EXPECT_EQ(folder + "ソ\\表.txt", SetupContext.entryTarget);
}

// A target that would not fit into a path is left empty rather than cut to another file's name.
TEST_F(SetupFileTest, TargetTooLongForAPathIsLeftEmpty) {
    const std::string longName(200, 'n');
    ASSERT_TRUE(Read("[Install]\r\nTitle=T\r\nFolder=" + std::string(90, 'f') +
                     "\r\n1=" + longName + ".exe\r\n2=short.txt\r\n"));
    EXPECT_EQ(2, SetupContext.fileCount);
    LoadFileEntry(1);
    EXPECT_EQ(longName + ".exe", SetupContext.entryName);
    EXPECT_STREQ("", SetupContext.entryTarget);
    EXPECT_EQ(0u, SetupContext.entryRelative);
    LoadFileEntry(2);
    EXPECT_EQ(std::string(SetupContext.installFolder) + "short.txt", SetupContext.entryTarget);
}

// A product folder name of its own under the real Uninstall key, removed again at the end.
class EarlierInstallTest : public SetupFileTest {
protected:
    void SetUp() override {
        SetupFileTest::SetUp();
        char name[64];
        std::snprintf(name, sizeof name, "TovamereTest%lu", GetCurrentProcessId());
        folderName_ = name;
        keyPath_ = std::string(kUninstallKey) + folderName_;
    }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath_.c_str()); }

    void Register(DWORD type, const std::string& value) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath_.c_str(), 0, nullptr,
                                                 0, KEY_WRITE, nullptr, &key, nullptr));
        RegSetValueExA(key, "UninstallString", 0, type,
                       reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
    }

    std::string OfferedFolder() {
        EXPECT_TRUE(Read("[Install]\r\nTitle=T\r\nFolder=" + folderName_ + "\r\n1=a.exe\r\n"));
        return SetupContext.installFolder;
    }

    std::string folderName_;
    std::string keyPath_;
};

TEST_F(EarlierInstallTest, OffersTheRegisteredFolderAgain) {
    const std::string standard = DefaultFolder(folderName_.c_str());
    const struct {
        std::string value;
        std::string folder;
    } cases[] = {
        {"\"C:\\Apps\\Viewer\\SETUP.EXE\" /r", "C:\\Apps\\Viewer\\"},
        {"\"D:\\Tools\\Viewer\\SETUP.EXE\" /r", "D:\\Tools\\Viewer\\"},
        {"C:\\Old\\SETUP.EXE /r", "C:\\Old\\"},
        {"\"C:\\Program Files\\表示\\SETUP.EXE\" /r", "C:\\Program Files\\表示\\"},
        // A blank ends an unquoted path, even one inside a folder name.
        {"C:\\Program Files\\Viewer\\SETUP.EXE /r", "C:\\"},
        // Without arguments the whole value is the program's path.
        {"C:\\Old\\SETUP.EXE", "C:\\Old\\"},
        {"\"C:\\Old\\SETUP.EXE", "C:\\Old\\"},
        // No folder in it: the default stays.
        {"SETUP.EXE /r", standard},
        {"\"SETUP.EXE\" /r", standard},
        {"", standard},
        {"C:\\" + std::string(270, 'a') + "\\SETUP.EXE /r", standard},
    };
    for (const auto& c : cases) {
        Register(REG_SZ, c.value);
        EXPECT_EQ(c.folder, OfferedFolder()) << c.value;
    }
    Register(REG_BINARY, "\"C:\\Apps\\Viewer\\SETUP.EXE\" /r");
    EXPECT_EQ(standard, OfferedFolder());
}

TEST_F(EarlierInstallTest, NoEntryLeavesTheDefault) {
    EXPECT_EQ(DefaultFolder(folderName_.c_str()), OfferedFolder());
}

} // namespace
