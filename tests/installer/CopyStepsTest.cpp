// Copying one entry for real in scratch folders, the uninstall command that the next
// installation reads its folder back from, and the progress bar's figures.
#include "base/SetupContext.h"
#include "copy/CopySteps.h"
#include "copy/InstallRecord.h"
#include "setupfile/SetupFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Files.h"
#include "ScratchFolder.h"
#include "Shortcuts.h"
#include "WinDriver.h"

using driver::ScratchFolder;

namespace {

TEST(Progress, RangeAndPosition) {
    const struct {
        int lastStep;
        int stepsDone;
        int upper;
        int position;
    } cases[] = {
        // Three entries: steps 0 to 6; the bar is full after the sixth and stays so.
        {6, 0, 6, 0},
        {6, 1, 6, 1},
        {6, 6, 6, 6},
        {6, 7, 6, 6},
        {65535, 65535, 65535, 65535},
        // Beyond the 16-bit range the position is scaled and still ends full.
        {65536, 32768, 65535, 32767},
        {65536, 65536, 65535, 65535},
        {65536, 65537, 65535, 65535},
        {200003, 100000, 65535, 32767},
        {200003, 200004, 65535, 65535},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.upper, ProgressUpper(c.lastStep)) << c.lastStep;
        EXPECT_EQ(c.position, ProgressPosition(c.stepsDone, c.lastStep))
            << c.lastStep << " after " << c.stepsDone;
    }
}

// What the installation registers, the next one reads back as its folder.
TEST(UninstallString, ReadBackAsTheFolder) {
    const struct {
        const char* folder;
        const char* exeName;
        const char* command;
    } cases[] = {
        {"C:\\Program Files\\SampleViewer\\", "SETUP.EXE",
         "\"C:\\Program Files\\SampleViewer\\SETUP.EXE\" /r"},
        // 表 ends in the byte 0x5C.
        {"D:\\ソフト\\表\\", "表.EXE", "\"D:\\ソフト\\表\\表.EXE\" /r"},
        {"E:\\", "INSTALL.EXE", "\"E:\\INSTALL.EXE\" /r"},
    };
    for (const auto& c : cases) {
        char command[2 * kPathSize];
        ASSERT_TRUE(ComposeUninstallString(command, sizeof command, c.folder, c.exeName));
        EXPECT_STREQ(c.command, command);
        char folder[kPathSize];
        ASSERT_TRUE(FolderOfUninstallString(command, folder, sizeof folder)) << c.command;
        EXPECT_STREQ(c.folder, folder);
    }
}

// Entries copied from a source folder (the current folder, as during installation) into an
// installation folder.
class CopyEntryTest : public testing::Test {
protected:
    void SetUp() override {
        ResetSetupContext();
        char current[MAX_PATH];
        GetCurrentDirectoryA(sizeof current, current);
        oldCurrent_ = current;
        CreateDirectoryA((scratch_ / "source").c_str(), nullptr);
        CreateDirectoryA((scratch_ / "source\\data").c_str(), nullptr);
        SetCurrentDirectoryA((scratch_ / "source").c_str());
        installFolder_ = scratch_ / "inst\\";
        CreateDirectoryA(installFolder_.c_str(), nullptr);
        driver::WriteFileBytes(scratch_ / "SETUP.INF", setup_);
        CopyText(SetupContext.setupFilePath, kPathSize, (scratch_ / "SETUP.INF").c_str());
        CopyText(SetupContext.installFolder, kPathSize, installFolder_.c_str());
    }
    void TearDown() override { SetCurrentDirectoryA(oldCurrent_.c_str()); }

    ScratchFolder scratch_;
    std::string oldCurrent_;
    std::string installFolder_;
    std::string setup_ = "[Install]\r\n"
                         "1=viewer.exe\r\n"
                         "2=data\\help.hlp,help\\sub\\viewer.hlp\r\n"
                         "3=表示.txt,表示\\表.txt\r\n"
                         "4=data\\notes.txt\r\n";
};

TEST_F(CopyEntryTest, FilesAndTheirFolders) {
    const struct {
        int entry;
        const char* source;   // below the source folder
        const char* relative; // below the installation folder
        const char* lastFolder;
    } cases[] = {
        {1, "viewer.exe", "viewer.exe", ""},
        {2, "data\\help.hlp", "help\\sub\\viewer.hlp", "help\\sub\\"},
        // The folder 表示 ends in no backslash of its own: 表 is 0x95 0x5C.
        {3, "表示.txt", "表示\\表.txt", "表示\\"},
        // Without a destination the source's own sub-folders are made.
        {4, "data\\notes.txt", "data\\notes.txt", "data\\"},
    };
    for (const auto& c : cases) {
        const std::string bytes = std::string("contents of ") + c.source;
        driver::WriteFileBytes(scratch_ / "source\\" + c.source, bytes);
        // A read-only, hidden source must not give an installed file that resists an update.
        SetFileAttributesA((scratch_ / "source\\" + c.source).c_str(),
                           FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        LoadFileEntry(c.entry);
        ErrorText error;
        EXPECT_EQ(StepOutcome::kDone, CopyEntryFile(error)) << c.source << error.text;
        const std::string target = installFolder_ + c.relative;
        EXPECT_EQ(bytes, driver::ReadFileBytes(target)) << c.source;
        EXPECT_TRUE(IsPlainFile(target)) << c.source;
        EXPECT_EQ(installFolder_.size() + strlen(c.lastFolder), SetupContext.entryRelative)
            << c.source;
    }
    // No folder cut at the trail byte of 表.
    EXPECT_EQ(std::vector<std::string>({"data", "help", "viewer.exe", "表示"}),
              FolderEntries(installFolder_));
}

// Installing into the folder the installer runs from leaves its files as they are.
TEST_F(CopyEntryTest, FileOntoItself) {
    driver::WriteFileBytes(scratch_ / "source\\viewer.exe", "the program");
    CopyText(SetupContext.installFolder, kPathSize, (scratch_ / "source\\").c_str());
    LoadFileEntry(1);
    ErrorText error;
    EXPECT_EQ(StepOutcome::kDone, CopyEntryFile(error)) << error.text;
    EXPECT_EQ("the program", driver::ReadFileBytes(scratch_ / "source\\viewer.exe"));
}

} // namespace
