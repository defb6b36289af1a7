// What a setup file may name: paths that stay inside their folder, registry keys a product can
// own, and installation folders whose removal takes nothing else; and the setup file's lists read
// whole as the profile reader reads them.
#include "base/SetupContext.h"
#include "setupfile/Folders.h"
#include "setupfile/PathRules.h"
#include "setupfile/SetupFile.h"
#include "uninstall/RegEntry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ScratchFolder.h"
#include "WinDriver.h"

namespace {

TEST(PathRules, FileEntries) {
    const struct {
        const char* entry;
        bool confined;
    } cases[] = {
        {"viewer.exe", true},
        {"data\\help.hlp,help\\viewer.hlp", true},
        {"表示.exe,bin\\表示.exe", true}, // 表 ends in the byte of a backslash
        {"Read me.txt", true},
        {"a.txt,..\\..\\Common Files\\keep.txt", false},
        {"..\\..\\secret.txt", false},
        {"viewer.exe,..\\..\\windows\\regedit.exe", false},
        {"a.txt,sub\\..\\..\\x", false},
        {"a.txt,C:\\x.txt", false},
        {"C:\\setup\\a.txt,a.txt", false},
        {"a.txt,\\x.txt", false},
        {"a.txt,\\\\server\\share\\x.txt", false},
        {"a.txt,sub\\\\x.txt", false},
        {"a.txt,sub\\", false},
        {"a.txt,a:stream", false},
        {"a.txt,../x.txt", false},
        {"a.txt,... \\x.txt", false},
        {"a.txt,x.txt.", false},
        {"a.txt,dir\\NUL.txt", false},
        {"a.txt,com1", false},
        {"a.txt,a?.txt", false},
        {"a.txt,", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.confined, IsConfinedFileEntry(c.entry)) << c.entry;
    }
    for (const char* name : {"サンプル表", "Sample Viewer", "Viewer 2.0", "console"}) {
        EXPECT_TRUE(IsPlainName(name)) << name;
    }
    for (const char* name : {"", "..", ".", "a\\b", "..\\..\\windows", "C:", "a\"b", "x.", "AUX"}) {
        EXPECT_FALSE(IsPlainName(name)) << name;
    }
}

TEST(RegistryRules, KeysAProductCanOwn) {
    const struct {
        const char* entry;
        bool owned;
    } cases[] = {
        {"HKEY_CURRENT_USER\\Software\\Oskaveld\\Vexilo", true},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Maker", true},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Maker\\Product\\", true},
        {"HKEY_CLASSES_ROOT\\Maker.Document", true},
        {"HKEY_CLASSES_ROOT\\Maker.Document.1\\shell\\open", true},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE", false},
        {"HKEY_CURRENT_USER\\Software\\", false},
        {"HKEY_CURRENT_USER\\Software\\Microsoft", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows", false},
        {"HKEY_LOCAL_MACHINE\\software\\classes\\Maker.Document", false},
        {"HKEY_CURRENT_USER\\Software\\Classes\\.txt", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Maker", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Maker", false},
        {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet", false},
        {"HKEY_CURRENT_USER\\Control Panel\\Desktop", false},
        {"HKEY_CURRENT_USER\\Software\\\\Microsoft", false},
        {"HKEY_CLASSES_ROOT\\.txt", false},
        {"HKEY_CLASSES_ROOT\\txtfile", false},
        {"HKEY_CLASSES_ROOT\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}", false},
        {"HKEY_CLASSES_ROOT\\Shell.Application", false},
        {"HKEY_CLASSES_ROOT\\Maker.", false},
    };
    for (const auto& c : cases) {
        const char* keyPath = nullptr;
        EXPECT_EQ(c.owned, ParseOwnedRegEntry(c.entry, &keyPath) != RegRoot::kNone) << c.entry;
    }
}

// A folder the product may have for its own, against those whose removal would take others'.
TEST(InstallFolders, RefusedInAnySpelling) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    const std::string drive(windows, 2);
    const struct {
        std::string folder;
        FolderRefusal refusal;
    } cases[] = {
        {drive, FolderRefusal::kDriveRoot},
        {drive + "\\", FolderRefusal::kDriveRoot},
        {drive + "\\.\\", FolderRefusal::kDriveRoot},
        {std::string(windows) + "\\..\\", FolderRefusal::kDriveRoot},
        {"\\\\server\\share\\", FolderRefusal::kDriveRoot},
        {std::string(windows) + "\\", FolderRefusal::kSystemFolder},
        {std::string(system) + "\\", FolderRefusal::kSystemFolder},
        {drive + "\\PROGRAM FILES\\", FolderRefusal::kSystemFolder},
        {drive + "\\users\\", FolderRefusal::kSystemFolder},
        {drive + "\\Program Files\\Sample\\", FolderRefusal::kNone},
        {std::string(windows) + "\\Sample\\", FolderRefusal::kNone},
        {drive + "\\Programs\\", FolderRefusal::kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.refusal, CheckInstallFolder(c.folder.c_str())) << c.folder;
    }
}

// The lists come from one reading of their sections, with the profile reader's own rules: the
// first of two equal keys counts, blanks and enclosing quotes go, keys differ only by case.
TEST(SetupLists, ReadAsTheProfileReaderReadsThem) {
    ResetSetupContext();
    driver::ScratchFolder scratch;
    driver::WriteFileBytes(scratch / "SETUP.INF",
                           "[Install]\r\nTitle=T\r\nFolder=F\r\n1=  a.txt  \r\n2=\"b c.txt\"\r\n"
                           "2=other.txt\r\n3='q.txt\r\n04=skipped\r\n5=after.txt\r\n"
                           "[Group]\r\n1=Name,a.txt\r\n[install]\r\n4=second section\r\n");
    CopyText(SetupContext.setupFilePath, kPathSize, (scratch / "SETUP.INF").c_str());
    ASSERT_TRUE(ReadSettings());
    char value[kPathSize];
    for (int n = 1; n <= 5; ++n) {
        char key[4] = {static_cast<char>('0' + n), '\0'};
        char byKey[kPathSize];
        GetPrivateProfileStringA("Install", key, "", byKey, sizeof byKey,
                                 SetupContext.setupFilePath);
        ReadListValue(EntryList::kInstall, n, value, sizeof value);
        EXPECT_STREQ(n <= 3 ? byKey : "", value) << n;
    }
    EXPECT_EQ(3, SetupContext.fileCount);
    EXPECT_EQ(1, SetupContext.groupCount);
}

} // namespace
