// The registry keys an uninstallation removes, for real below a test key of the current user
// (and of the local machine and the classes root where an entry names them), removed again.
#include "base/SetupContext.h"
#include "base/RunLog.h"
#include "uninstall/Registry.h"

#include <windows.h>

#include <sddl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OwnMessageBoxes.h"
#include "ScratchFolder.h"
#include "WinDriver.h"

using driver::KeyExists;
using driver::ScratchFolder;

namespace {

const char kTestKey[] = "Software\\TovaRegTest";

// Every key a case here makes must be there.
void MakeKey(HKEY root, const std::string& path) {
    ASSERT_TRUE(driver::MakeKey(root, path)) << path;
}

// Sets a key's access list from its text form.
bool SetKeyAccess(const std::string& path, const char* access, REGSAM open) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(access, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return false;
    }
    HKEY key;
    bool set = false;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, open, &key) == ERROR_SUCCESS) {
        set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return set;
}

class RegistryCleanupTest : public testing::Test {
protected:
    void SetUp() override {
        ResetSetupContext();
        Clean();
    }
    void TearDown() override { Clean(); }

    static void Clean() {
        SHDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
        SHDeleteKeyA(HKEY_CLASSES_ROOT, "TovaRegTest.Class");
    }

    static std::string Key(const std::string& below) {
        return std::string(kTestKey) + "\\" + below;
    }

    // The [Reg] section of a setup file in the scratch folder, removed as the uninstaller does;
    // the number of entries passed over (the uninstallation shows one message for each).
    int RemoveSection(const std::string& lines) {
        const std::string setup = "[Install]\r\nTitle=T\r\nFolder=F\r\n[Reg]\r\n" + lines;
        driver::WriteFileBytes(scratch_ / "SETUP.INF", setup);
        CopyText(SetupContext.setupFilePath, kPathSize, (scratch_ / "SETUP.INF").c_str());
        RunLog closed;
        return RemoveRegSection(closed);
    }

    ScratchFolder scratch_;
};

TEST(ParseRegEntry, RootsAndKeyPaths) {
    const struct {
        const char* entry;
        RegRoot root;
        const char* keyPath;
    } cases[] = {
        {"HKEY_CURRENT_USER\\Software\\A", RegRoot::kCurrentUser, "Software\\A"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B", RegRoot::kLocalMachine, "SOFTWARE\\A\\B"},
        {"HKEY_CLASSES_ROOT\\.viewer", RegRoot::kClassesRoot, ".viewer"},
        // The character after the root name is passed over whatever it is.
        {"HKEY_CURRENT_USER/Software", RegRoot::kCurrentUser, "Software"},
        // A double-byte character is no separator: its trail byte (a backslash in ソ, the letter
        // A in ア) would start a key path that names some other key.
        {"HKEY_CURRENT_USERソSoftware\\A", RegRoot::kNone, nullptr},
        {"HKEY_CURRENT_USERアSoftware", RegRoot::kNone, nullptr},
        // Root names are compared byte for byte.
        {"hkey_current_user\\Software\\A", RegRoot::kNone, nullptr},
        {"HKEY_Current_User\\Software\\A", RegRoot::kNone, nullptr},
        {"HKEY_USERS\\.DEFAULT\\Software", RegRoot::kNone, nullptr},
        {"HKCU\\Software\\A", RegRoot::kNone, nullptr},
        {"Software\\A", RegRoot::kNone, nullptr},
        // Nothing that would name a root itself.
        {"HKEY_CURRENT_USER", RegRoot::kNone, nullptr},
        {"HKEY_LOCAL_MACHINE\\", RegRoot::kNone, nullptr},
        {"HKEY_CLASSES_ROOT\\\\", RegRoot::kNone, nullptr},
        {"HKEY_CURRENT_USER\\\\Software", RegRoot::kNone, nullptr},
    };
    for (const auto& c : cases) {
        const char* keyPath = nullptr;
        EXPECT_EQ(c.root, ParseRegEntry(c.entry, &keyPath)) << c.entry;
        if (c.keyPath) {
            EXPECT_STREQ(c.keyPath, keyPath) << c.entry;
        }
    }
}

TEST_F(RegistryCleanupTest, RemovesATreeSeveralLevelsDeep) {
    for (const char* below :
         {"Deep\\L1\\L2\\L3\\L4", "Deep\\L1\\Side\\S2", "Deep\\Other", "Keep\\Child"}) {
        MakeKey(HKEY_CURRENT_USER, Key(below));
    }
    // 200 characters of 表 are 400 bytes, far more than 256: the walk must not end there.
    std::string wide;
    for (int i = 0; i < 200; ++i) {
        wide += "表";
    }
    MakeKey(HKEY_CURRENT_USER, Key("Deep\\" + wide + "\\Under"));
    MakeKey(HKEY_CURRENT_USER, Key("Deep\\ZZ"));

    RemoveRegistryTree(HKEY_CURRENT_USER, Key("Deep").c_str());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key("Deep")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key("Keep\\Child")));

    // A path that names no key below the parent removes nothing.
    for (const char* path : {"", "\\", "\\Keep"}) {
        RemoveRegistryTree(HKEY_CURRENT_USER, path);
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key("Keep\\Child"))) << path;
    }
    // A key that is not there is no failure.
    RemoveRegistryTree(HKEY_CURRENT_USER, Key("Missing").c_str());
}

// Locked refuses to be opened for removal, and it keeps its subkey; the subkeys after it are
// removed all the same, and Tree stays because Locked does. Nothing is reported.
TEST_F(RegistryCleanupTest, PassesOverASubkeyThatCannotBeRemoved) {
    for (const char* below : {"Tree\\A\\x", "Tree\\Locked\\Inner", "Tree\\M", "Tree\\Z\\y"}) {
        MakeKey(HKEY_CURRENT_USER, Key(below));
    }
    ASSERT_TRUE(SetKeyAccess(Key("Tree\\Locked"), "D:(D;;SD;;;WD)(A;;KA;;;WD)", KEY_ALL_ACCESS));

    OwnMessageBoxes boxes(IDOK);
    RemoveRegistryTree(HKEY_CURRENT_USER, Key("Tree").c_str());
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key("Tree\\Locked\\Inner")));
    for (const char* below : {"Tree\\A", "Tree\\M", "Tree\\Z"}) {
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(below))) << below;
    }

    ASSERT_TRUE(SetKeyAccess(Key("Tree\\Locked"), "D:(A;;KA;;;WD)", WRITE_DAC));
}

TEST_F(RegistryCleanupTest, RemovesTheListedKeysAndReportsMalformedEntries) {
    for (const char* below : {"Upper\\Sub", "Lower", "Sentinel", "Slashed"}) {
        MakeKey(HKEY_CURRENT_USER, Key(below));
    }
    MakeKey(HKEY_LOCAL_MACHINE, Key("Machine\\Sub"));
    MakeKey(HKEY_CLASSES_ROOT, "TovaRegTest.Class\\shell\\open");
    // Longer than an entry may be (264 characters): cut to 259 it would end just after the
    // backslash that follows the K's, and name that key with everything below it.
    const std::string cut = Key(std::string(219, 'K'));
    MakeKey(HKEY_CURRENT_USER, cut + "\\Child");
    MakeKey(HKEY_CURRENT_USER, cut + "\\Sibling");
    const std::string tooLong = "HKEY_CURRENT_USER\\" + cut + "\\Child";
    ASSERT_EQ(264u, tooLong.size());

    const std::string lines = "1=HKEY_CURRENT_USER\\Software\\TovaRegTest\\Upper\r\n"
                              "2=hkey_current_user\\Software\\TovaRegTest\\Lower\r\n"
                              "3=HKEY_CURRENT_USER\r\n"
                              "4=HKEY_CURRENT_USER\\\r\n"
                              "5=HKEY_LOCAL_MACHINE\\Software\\TovaRegTest\\Machine\r\n"
                              "6=HKEY_CLASSES_ROOT\\TovaRegTest.Class\r\n"
                              "8=HKEY_CURRENT_USER\\Software\\TovaRegTest\\Slashed\\\r\n";
    EXPECT_EQ(4, RemoveSection(lines + "7=" + tooLong)) << "entries 2, 3, 4 and 7";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key("Upper")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key("Lower")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key("Sentinel"))) << "a root-only entry removed it";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Key("Machine")));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TovaRegTest.Class"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, cut + "\\Sibling"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key("Slashed")));
}

TEST_F(RegistryCleanupTest, ListEndsAtTheFirstGap) {
    for (const char* below : {"One", "Three"}) {
        MakeKey(HKEY_CURRENT_USER, Key(below));
    }
    EXPECT_EQ(0, RemoveSection("1=HKEY_CURRENT_USER\\Software\\TovaRegTest\\One\r\n"
                               "3=HKEY_CURRENT_USER\\Software\\TovaRegTest\\Three\r\n"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key("One")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key("Three")));
}

} // namespace
