// Shortcuts made and removed for real: shell links written through the shell's link object and
// read back through it, in shell folders pointed at scratch folders; and program groups made by
// Wine's own Program Manager server over DDE.
#include "base/Handles.h"
#include "base/SetupContext.h"
#include "setupfile/SetupFile.h"
#include "shortcuts/Progman.h"
#include "shortcuts/Shortcuts.h"

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Files.h"
#include "ScratchFolder.h"
#include "Shortcuts.h"
#include "WinDriver.h"

using driver::ScratchFolder;

namespace {

// "表" ends in the byte 0x5C: the title's folder and link names must not be split there.
const char kTitle[] = "ビューア表";

const char kGrouped[] = "[Install]\r\nTitle=ビューア表\r\nFolder=TovaShortcutTest\r\n"
                        "1=viewer.exe\r\n2=readme.txt\r\n"
                        "[Group]\r\n1=ビューア,viewer.exe\r\n2=安全モード,viewer.exe,/safe\r\n";
const char kUngrouped[] = "[Install]\r\nTitle=ビューア表\r\nFolder=TovaShortcutTest\r\n"
                          "1=viewer.exe\r\n2=readme.txt\r\n";

// SetupContext as start-up leaves it for a product installed into installFolder (with its
// trailing backslash), its setup file written into scratch.
void LoadProduct(const ScratchFolder& scratch, const std::string& setup,
                 const std::string& installFolder, bool newShell) {
    ResetSetupContext();
    SetupContext.newShell = newShell;
    driver::WriteFileBytes(scratch / "SETUP.INF", setup);
    CopyText(SetupContext.exeName, kPathSize, "SETUP.EXE");
    CopyText(SetupContext.setupFileName, kPathSize, "SETUP.INF");
    CopyText(SetupContext.setupFilePath, kPathSize, (scratch / "SETUP.INF").c_str());
    ASSERT_TRUE(ReadSettings());
    CopyText(SetupContext.installFolder, kPathSize, installFolder.c_str());
}

// The installed files that shortcuts point at.
void MakeInstalledFiles(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    driver::WriteFileBytes(folder + "viewer.exe", "MZ");
    driver::WriteFileBytes(folder + "SETUP.EXE", "MZ");
}

std::string WithoutBackslash(const std::string& folder) {
    return folder.substr(0, folder.size() - 1);
}

void ExpectLink(const std::string& file, const LinkSeen& expected) {
    LinkSeen seen;
    ASSERT_TRUE(ReadLink(file, &seen)) << file;
    EXPECT_EQ(expected.path, seen.path) << file;
    EXPECT_EQ(expected.arguments, seen.arguments) << file;
    EXPECT_EQ(expected.folder, seen.folder) << file;
    EXPECT_EQ(expected.description, seen.description) << file;
}

// Shell links in places of the test's own.
class ShellLinkTest : public testing::Test {
protected:
    void SetUp() override {
        installFolder_ = scratch_ / "App Folder\\";
        MakeInstalledFiles(installFolder_);
    }

    std::string Place(const char* name) const { return places_(name); }

    ScratchFolder scratch_;
    TestPlaces places_;
    std::string installFolder_;
};

TEST_F(ShellLinkTest, LinksOfEachPlace) {
    const std::string viewer = installFolder_ + "viewer.exe";
    const std::string working = WithoutBackslash(installFolder_);
    const struct {
        const char* setup;
        ShortcutPlace place;
        const char* folder;
        Names files; // what the place's folder holds afterwards
        std::vector<std::pair<std::string, LinkSeen>> links;
    } cases[] = {
        {kGrouped,
         ShortcutPlace::kPrograms,
         "Programs",
         {kTitle},
         {{std::string(kTitle) + "\\ビューア.lnk", {viewer, "", working, "ビューア"}},
          {std::string(kTitle) + "\\安全モード.lnk", {viewer, "/safe", working, "安全モード"}}}},
        {kUngrouped,
         ShortcutPlace::kPrograms,
         "Programs",
         {std::string(kTitle) + ".lnk"},
         {{std::string(kTitle) + ".lnk", {viewer, "", working, kTitle}}}},
        // The desktop and start-up links always start the main program, group or not.
        {kGrouped,
         ShortcutPlace::kDesktop,
         "Desktop",
         {std::string(kTitle) + ".lnk"},
         {{std::string(kTitle) + ".lnk", {viewer, "", working, kTitle}}}},
        {kGrouped,
         ShortcutPlace::kStartup,
         "Startup",
         {std::string(kTitle) + ".lnk"},
         {{std::string(kTitle) + ".lnk", {viewer, "", working, kTitle}}}},
    };
    for (const auto& c : cases) {
        LoadProduct(scratch_, c.setup, installFolder_, true);
        UpdateShortcuts(c.place, ShortcutUpdate::kCreate);
        EXPECT_EQ(c.files, FolderEntries(Place(c.folder))) << c.folder;
        if (c.setup == kGrouped && c.place == ShortcutPlace::kPrograms) {
            EXPECT_EQ(Names({"ビューア.lnk", "安全モード.lnk"}),
                      FolderEntries(Place(c.folder) + kTitle));
        }
        for (const auto& link : c.links) {
            ExpectLink(Place(c.folder) + link.first, link.second);
        }
        places_.Clear(c.folder);
    }
}

// A program at a drive root works in the root itself, "C:\", not in "C:".
TEST_F(ShellLinkTest, TargetAtADriveRoot) {
    LoadProduct(scratch_, kUngrouped, "C:\\", true);
    UpdateShortcuts(ShortcutPlace::kDesktop, ShortcutUpdate::kCreate);
    ExpectLink(Place("Desktop") + kTitle + ".lnk", {"C:\\viewer.exe", "", "C:\\", kTitle});
}

// A comma in the folder the user chose is part of the path, not the start of arguments.
TEST_F(ShellLinkTest, InstallationFolderWithAComma) {
    const std::string folder = scratch_ / "Tools, old\\";
    MakeInstalledFiles(folder);
    LoadProduct(scratch_, kGrouped, folder, true);
    UpdateShortcuts(ShortcutPlace::kPrograms, ShortcutUpdate::kCreate);
    const std::string group = Place("Programs") + kTitle + "\\";
    ExpectLink(group + "ビューア.lnk",
               {folder + "viewer.exe", "", WithoutBackslash(folder), "ビューア"});
    ExpectLink(group + "安全モード.lnk",
               {folder + "viewer.exe", "/safe", WithoutBackslash(folder), "安全モード"});
}

// Removal takes the product's links and its whole group folder, files the user put there
// included, and leaves everything else in the places.
TEST_F(ShellLinkTest, Removal) {
    driver::WriteFileBytes(Place("Desktop") + "other.lnk", "not ours");
    for (const char* setup : {kGrouped, kUngrouped}) {
        LoadProduct(scratch_, setup, installFolder_, true);
        for (ShortcutPlace place :
             {ShortcutPlace::kPrograms, ShortcutPlace::kDesktop, ShortcutPlace::kStartup}) {
            UpdateShortcuts(place, ShortcutUpdate::kCreate);
        }
        if (setup == kGrouped) {
            driver::WriteFileBytes(Place("Programs") + kTitle + "\\memo.txt", "the user's own");
        }
        for (ShortcutPlace place :
             {ShortcutPlace::kPrograms, ShortcutPlace::kDesktop, ShortcutPlace::kStartup}) {
            UpdateShortcuts(place, ShortcutUpdate::kRemove);
        }
        EXPECT_EQ(Names(), FolderEntries(Place("Programs")));
        EXPECT_EQ(Names({"other.lnk"}), FolderEntries(Place("Desktop")));
        EXPECT_EQ(Names(), FolderEntries(Place("Startup")));
    }
    // Nothing there to remove: silent.
    UpdateShortcuts(ShortcutPlace::kPrograms, ShortcutUpdate::kRemove);
}

// A place the shell records no folder for is skipped, the others are served.
TEST_F(ShellLinkTest, PlaceWithoutAShellFolder) {
    places_.Remove("Desktop");
    LoadProduct(scratch_, kUngrouped, installFolder_, true);
    UpdateShortcuts(ShortcutPlace::kDesktop, ShortcutUpdate::kCreate);
    UpdateShortcuts(ShortcutPlace::kPrograms, ShortcutUpdate::kCreate);
    EXPECT_EQ(Names(), FolderEntries(Place("Desktop")));
    EXPECT_EQ(Names({std::string(kTitle) + ".lnk"}), FolderEntries(Place("Programs")));
    UpdateShortcuts(ShortcutPlace::kDesktop, ShortcutUpdate::kRemove);
}

TEST(WorkingFolder, OfAProgramPath) {
    const struct {
        const char* path;
        const char* folder; // nullptr: none
    } cases[] = {
        {"C:\\Apps\\Viewer\\viewer.exe", "C:\\Apps\\Viewer"},
        {"D:\\viewer.exe", "D:\\"},
        {"\\\\server\\share\\viewer.exe", "\\\\server\\share"},
        // The last byte of 表 is 0x5C: the folder ends at the real backslash before it.
        {"C:\\Apps\\表", "C:\\Apps"},
        {"C:\\表\\viewer.exe", "C:\\表"},
        {"viewer.exe", nullptr},
    };
    for (const auto& c : cases) {
        char folder[kPathSize];
        const bool found = WorkingFolderOf(c.path, folder, sizeof folder);
        EXPECT_EQ(c.folder != nullptr, found) << c.path;
        if (c.folder && found) {
            EXPECT_STREQ(c.folder, folder) << c.path;
        }
    }
}

TEST(ShortCommandLine, ShortPathAndArguments) {
    ScratchFolder scratch;
    const std::string folder = scratch / "Long Folder, Name\\";
    MakeInstalledFiles(folder);
    char shortViewer[MAX_PATH];
    ASSERT_GT(GetShortPathNameA((folder + "viewer.exe").c_str(), shortViewer, MAX_PATH), 0u);
    ASSERT_EQ(std::string::npos, std::string(shortViewer).find(' '));

    const struct {
        std::string target;
        std::string line;
    } cases[] = {
        {folder + "viewer.exe,/safe", std::string(shortViewer) + " /safe"},
        {folder + "viewer.exe,/a,/b c", std::string(shortViewer) + " /a,/b c"},
        {folder + "viewer.exe", shortViewer},
        // No short form for a file that is not there: the long path stays.
        {folder + "missing.exe,/safe", folder + "missing.exe /safe"},
    };
    ResetSetupContext();
    CopyText(SetupContext.installFolder, kPathSize, folder.c_str());
    for (const auto& c : cases) {
        CopyText(SetupContext.entryTarget, kPathSize, c.target.c_str());
        ShortCommandLine();
        EXPECT_EQ(c.line, SetupContext.entryTarget) << c.target;
    }
}

// Wine's own Program Manager server, reached over DDE as on a shell with major version 3. It
// keeps a group as a folder below the Programs folder and an item as a link in it.
class ProgmanTest : public testing::Test {
protected:
    void SetUp() override {
        // The server lives in the desktop process, which starts with the first window.
        GetDesktopWindow();
        DWORD instance = 0;
        ASSERT_TRUE(driver::WaitUntil(
            [&instance] {
                DdeClient progman;
                const bool open = progman.Start() && progman.Open("PROGMAN", "PROGMAN");
                instance = progman.Instance();
                return open;
            },
            10000))
            << "no Program Manager server";
        // The instance goes with its client: a forgotten one holds its windows until the end.
        EXPECT_EQ(nullptr, DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI));
        char programs[MAX_PATH];
        ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs));
        programs_ = std::string(programs) + "\\";
        installFolder_ = scratch_ / "Old App\\";
        MakeInstalledFiles(installFolder_);
    }

    void TearDown() override {
        CloseGroupWindows(kTitle, 0);
        driver::RemoveTree(programs_ + kTitle);
        driver::RemoveTree(programs_ + kStartupGroup);
    }

    // The group's items, once the server has made them; it answers before its explorer window
    // for the group shows, so that is closed here.
    Names GroupItems(const std::string& group) {
        CloseGroupWindows(group, 3000);
        return FolderEntries(programs_ + group);
    }

    static constexpr const char* kStartupGroup = "スタートアップ";
    ScratchFolder scratch_;
    std::string programs_;
    std::string installFolder_;
};

// Wine's server takes an AddItem command line whole as the program's path, so an item with
// arguments ("安全モード" starts viewer.exe /safe) is refused; the others are made. DeleteGroup
// takes the group folder with whatever is in it.
TEST_F(ProgmanTest, GroupOfTheSetupFile) {
    LoadProduct(scratch_, kGrouped, installFolder_, false);
    UpdateShortcuts(ShortcutPlace::kPrograms, ShortcutUpdate::kCreate);
    EXPECT_EQ(Names({"ビューア.lnk"}), GroupItems(kTitle));
    driver::WriteFileBytes(programs_ + kTitle + "\\memo.txt", "the user's own");
    UpdateShortcuts(ShortcutPlace::kPrograms, ShortcutUpdate::kRemove);
    EXPECT_FALSE(IsFolder(programs_ + kTitle));
}

// The start-up item goes into the group "スタートアップ", Program Manager's name for it on a
// Japanese system. Wine's server has no such group (its start-up folder is "StartUp"), so
// nothing is made until the group exists; then the item comes and goes with the commands.
TEST_F(ProgmanTest, StartupItem) {
    LoadProduct(scratch_, kUngrouped, installFolder_, false);
    UpdateShortcuts(ShortcutPlace::kStartup, ShortcutUpdate::kCreate);
    EXPECT_FALSE(IsFolder(programs_ + kStartupGroup));

    CreateDirectoryA((programs_ + kStartupGroup).c_str(), nullptr);
    UpdateShortcuts(ShortcutPlace::kStartup, ShortcutUpdate::kCreate);
    EXPECT_EQ(Names({std::string(kTitle) + ".lnk"}), GroupItems(kStartupGroup));
    UpdateShortcuts(ShortcutPlace::kStartup, ShortcutUpdate::kRemove);
    EXPECT_EQ(Names(), GroupItems(kStartupGroup));
}

} // namespace
