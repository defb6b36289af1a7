// The real installer under Wine, started with a setup file beside it and driven through its
// wizard: modes, the folder checks with their messages, the shortcut page, the free-space
// question (through a test build whose drive reports what the test asks for).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "InstallerRun.h"
#include "Files.h"
#include "ScratchFolder.h"
#include "Shortcuts.h"
#include "WinDriver.h"
#include "resource.h"

using driver::ScratchFolder;

namespace {

const char kSetup[] = "[Install]\r\nTitle=サンプル\r\nFolder=Sample\r\nTSR=0\r\n1=viewer.exe\r\n";
const char kFrameCaption[] = "サンプルのインストール";
const char kDamaged[] = "設定ファイルが破損している、または見つかりません。";
const char kBadTarget[] = "アンインストールの対象が正しくありません。";

class WizardTest : public testing::Test {
protected:
    // A wizard on its folder page, from the shipped program or the test build.
    void StartWizard(const std::string& setup = kSetup, const char* program = TOVAMERE_EXE) {
        run_.reset(new InstallerRun(scratch_, program));
        run_->WriteSetupFile(setup);
        driver::WriteFileBytes(scratch_ / "viewer.exe", "MZ");
        ASSERT_TRUE(run_->Start()) << run_->Problem();
        ASSERT_TRUE(run_->WaitForWizard()) << "no wizard";
        ASSERT_TRUE(run_->WaitForPage(kFolderPage));
    }

    void TearDown() override {
        if (run_ && run_->Frame()) {
            EXPECT_EQ(1u, run_->Cancel());
        }
        run_.reset();
        SetEnvironmentVariableA("TOVAMERE_TEST_DISK", nullptr);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample");
    }

    // Types the folder, presses Next and answers the one message box that must follow.
    driver::MessageBoxSeen NextWithMessage(const std::string& folder, int answer = IDOK) {
        run_->TypeFolder(folder);
        run_->PressNext();
        driver::MessageBoxSeen seen;
        EXPECT_TRUE(driver::AnswerMessageBox(run_->Pid(), answer, 5000, &seen)) << folder;
        return seen;
    }

    // The frame keeps the product's caption on every page.
    bool ShowsFrameCaption() const {
        return driver::WaitUntil([&] { return driver::WindowText(run_->Frame()) == kFrameCaption; },
                                 2000);
    }

    ScratchFolder scratch_;
    // A wizard that reaches the copy page installs for real: its shortcuts go to places of the
    // test's own, its registration is taken away again in TearDown.
    TestPlaces places_;
    std::unique_ptr<InstallerRun> run_;
};

TEST_F(WizardTest, FolderPageAsShown) {
    StartWizard();
    EXPECT_TRUE(ShowsFrameCaption());
    EXPECT_EQ("サンプルのインストール先フォルダを指定してください",
              driver::ItemText(run_->Page(), IDC_FOLDER_PROMPT));
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    EXPECT_EQ(std::string(windows, 2) + "\\Program Files\\Sample\\", run_->Folder());
    EXPECT_TRUE(driver::IsEnabled(run_->Frame(), 0x3024)) << "Next";
    EXPECT_FALSE(driver::IsEnabled(run_->Frame(), 0x3023)) << "Back";
}

const char kNoPlainName[] =
    "フォルダ名に使えない名前が含まれています。別のフォルダ名を指定してください。";

// Each refused folder: its message, the error icon's default caption, and the page stays with
// the field as typed.
TEST_F(WizardTest, RefusedFolders) {
    driver::WriteFileBytes(scratch_ / "readme.txt", "read me");
    const struct {
        std::string typed;
        std::string message;
    } cases[] = {
        {"", "ルートフォルダにはインストールできません。"},
        {"Apps\\Viewer",
         "「C:\\Oskaveld」のように、ドライブ名も含めたフルパス名を指定してください。"},
        {"\\\\server\\share\\Viewer",
         "「C:\\Oskaveld」のように、ドライブ名も含めたフルパス名を指定してください。"},
        {scratch_ / "readme.txt\\Viewer",
         scratch_ / "readme.txt - 同じ名前のファイルが既に存在するのでフォルダが作成できません。"},
        {scratch_ / "a*b\\", kNoPlainName},
        {scratch_ / "x\\..\\Viewer", kNoPlainName},
        {"C:\\" + std::string(256, 'L'),
         "フォルダ名が長すぎます。短いフォルダ名を指定してください。"},
    };
    StartWizard();
    for (const auto& c : cases) {
        const driver::MessageBoxSeen seen = NextWithMessage(c.typed);
        EXPECT_EQ(c.message, seen.text) << c.typed;
        EXPECT_EQ(kDefaultCaption, seen.caption) << c.typed;
        EXPECT_EQ(kFolderPage, run_->PageId()) << c.typed;
        EXPECT_EQ(c.typed, run_->Folder()) << c.typed;
    }
    EXPECT_FALSE(IsFolder(scratch_ / "a*b"));
}

// A folder whose removal would take a whole drive, Windows or a user's files is refused in any
// spelling, and the page stays.
TEST_F(WizardTest, RefusesFoldersThatAreNotTheProducts) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    char profile[MAX_PATH];
    ASSERT_TRUE(GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile));
    char programs[MAX_PATH];
    const std::string windowsDrive(windows, 2);
    const std::string root = "ルートフォルダにはインストールできません。";
    const std::string own = "Windowsのフォルダ、Program Filesのフォルダそのもの、ユーザーのフォルダ"
                            "にはインストールできません。製品用のフォルダを指定してください。";
    std::vector<std::pair<std::string, std::string>> cases = {
        {"C:", root},
        {"C:\\", root},
        {"c:\\windows\\..", kNoPlainName},
        {windows, own},
        {std::string(windows) + "\\", own},
        {system, own},
        {windowsDrive + "\\Program Files", own},
        {profile, own},
        {std::string(profile) + "\\..", kNoPlainName},
    };
    if (GetShortPathNameA((windowsDrive + "\\Program Files").c_str(), programs, sizeof programs)) {
        cases.push_back({programs, own});
    }
    StartWizard();
    for (const auto& c : cases) {
        const driver::MessageBoxSeen seen = NextWithMessage(c.first);
        EXPECT_EQ(c.second, seen.text) << c.first;
        EXPECT_EQ(kFolderPage, run_->PageId()) << c.first;
    }
}

// Accepted folders lead to the shortcut page without a word, the free-space question included:
// the test machine's drive has ample space. The folders made to see that they can be are taken
// away again, so that a wizard cancelled later leaves nothing.
TEST_F(WizardTest, AcceptedFolders) {
    CreateDirectoryA((scratch_ / "existing").c_str(), nullptr);
    const struct {
        std::string typed;
        std::string made;    // folder that stays
        std::string removed; // folder made and taken away again
    } cases[] = {
        {scratch_ / "new1\\new2", "", scratch_ / "new1"},
        {scratch_ / "ソフト表\\表", "", scratch_ / "ソフト表"},
        // A folder that was there before stays, empty as it is.
        {scratch_ / "existing\\", scratch_ / "existing", ""},
    };
    for (const auto& c : cases) {
        StartWizard();
        run_->TypeFolder(c.typed);
        run_->PressNext();
        EXPECT_TRUE(run_->WaitForPage(kShortcutPage)) << c.typed;
        EXPECT_EQ(nullptr, driver::FindMessageBox(run_->Pid())) << c.typed;
        if (!c.made.empty()) {
            EXPECT_TRUE(IsFolder(c.made)) << c.typed;
        }
        if (!c.removed.empty()) {
            EXPECT_FALSE(IsFolder(c.removed)) << c.typed;
        }
        EXPECT_EQ(1u, run_->Cancel());
    }
}

TEST_F(WizardTest, ResidentProductSkipsTheShortcutPage) {
    StartWizard("[Install]\r\nTitle=サンプル\r\nFolder=Sample\r\nTSR=1\r\n1=viewer.exe\r\n");
    run_->TypeFolder(scratch_ / "resident");
    run_->PressNext();
    EXPECT_TRUE(run_->WaitForPage(kCopyPage));
    EXPECT_TRUE(ShowsFrameCaption());
}

TEST_F(WizardTest, ShortcutPageChoices) {
    StartWizard();
    run_->TypeFolder(scratch_ / "app");
    run_->PressNext();
    ASSERT_TRUE(run_->WaitForPage(kShortcutPage));
    EXPECT_TRUE(ShowsFrameCaption());
    EXPECT_TRUE(driver::IsChecked(run_->Page(), IDC_START_MENU));
    EXPECT_FALSE(driver::IsChecked(run_->Page(), IDC_DESKTOP));
    EXPECT_TRUE(driver::IsEnabled(run_->Page(), IDC_DESKTOP));
    EXPECT_FALSE(driver::IsEnabled(run_->Frame(), 0x3023)) << "Back";
    run_->PressNext();
    EXPECT_TRUE(run_->WaitForPage(kCopyPage));
    EXPECT_TRUE(ShowsFrameCaption());
}

TEST_F(WizardTest, DesktopShortcutOnlyOnTheNewShell) {
    const struct {
        const char* version;
        bool desktop;
    } cases[] = {{"win31", false}, {"win95", true}, {"nt40", true}};
    for (const auto& c : cases) {
        ReportedVersion version("OLDSHELL.EXE", c.version);
        run_.reset(new InstallerRun(scratch_, TOVAMERE_EXE, "OLDSHELL"));
        run_->WriteSetupFile(kSetup);
        ASSERT_TRUE(run_->Start()) << run_->Problem();
        ASSERT_TRUE(run_->WaitForWizard()) << c.version;
        run_->TypeFolder(scratch_ / "app");
        run_->PressNext();
        EXPECT_TRUE(run_->WaitForPage(kShortcutPage)) << c.version;
        EXPECT_EQ(c.desktop, driver::IsEnabled(run_->Page(), IDC_DESKTOP)) << c.version;
        EXPECT_TRUE(driver::IsChecked(run_->Page(), IDC_START_MENU)) << c.version;
        EXPECT_EQ(1u, run_->Cancel());
    }
}

// The test build reports a drive of 50 MB free: the question comes with the figure and the
// product's title as caption; No stays, Yes goes on.
TEST_F(WizardTest, LowFreeSpaceQuestion) {
    SetEnvironmentVariableA("TOVAMERE_TEST_DISK", "8 512 12800");
    StartWizard(kSetup, TOVAMERE_LOW_DISK_EXE);
    const driver::MessageBoxSeen no = NextWithMessage(scratch_ / "app", IDNO);
    EXPECT_EQ("指定されたドライブの残り容量が 50メガバイトしかありません。"
              "とりあえずインストールしてみますか？",
              no.text);
    EXPECT_EQ("サンプル", no.caption);
    EXPECT_EQ(kFolderPage, run_->PageId());

    const driver::MessageBoxSeen yes = NextWithMessage(scratch_ / "app", IDYES);
    EXPECT_EQ(no.text, yes.text);
    EXPECT_TRUE(run_->WaitForPage(kShortcutPage));
}

// 40 GB free: counted in 32 bits the figure would wrap to 0 and the question would come.
TEST_F(WizardTest, LargeDriveIsNotAskedAbout) {
    SetEnvironmentVariableA("TOVAMERE_TEST_DISK", "8 512 10485760");
    StartWizard(kSetup, TOVAMERE_LOW_DISK_EXE);
    run_->TypeFolder(scratch_ / "app");
    run_->PressNext();
    EXPECT_TRUE(run_->WaitForPage(kShortcutPage));
    EXPECT_EQ(nullptr, driver::FindMessageBox(run_->Pid()));
}

// The browse dialog is found by its folder list. Wine titles an old-style file dialog that is
// given no title "名前を付けて保存" (Save As) over the template's caption "参照".
HWND WaitForBrowseDialog(DWORD pid) {
    HWND found = nullptr;
    driver::WaitUntil(
        [&] {
            found = driver::WaitForWindow(pid, "#32770", nullptr, 100);
            return found && GetDlgItem(found, 1121);
        },
        5000);
    return found && GetDlgItem(found, 1121) ? found : nullptr;
}

TEST_F(WizardTest, BrowseDialog) {
    StartWizard();
    run_->TypeFolder("C:\\typed\\");
    driver::Click(run_->Page(), IDC_BROWSE);
    HWND browse = WaitForBrowseDialog(run_->Pid());
    ASSERT_TRUE(browse);
    EXPECT_EQ("名前を付けて保存", driver::WindowText(browse));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(browse, 1152))) << "file name field";
    PostMessageA(browse, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(browse); }, 5000));
    EXPECT_EQ("C:\\typed\\", run_->Folder());

    driver::Click(run_->Page(), IDC_BROWSE);
    browse = WaitForBrowseDialog(run_->Pid());
    ASSERT_TRUE(browse);
    PostMessageA(browse, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(browse); }, 5000));
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    EXPECT_EQ(std::string(windows, 3), run_->Folder()) << "the root of the Windows drive";
}

// Start-up refused before any mode runs: the program ends with exit code 1 and only the
// expected message. The uninstall modes themselves are driven in UninstallTest.cpp.
TEST(InstallerModes, EndWithoutWizard) {
    ScratchFolder scratch;
    CreateDirectoryA((scratch / "withoutSetup").c_str(), nullptr);
    InstallerRun installed(scratch, TOVAMERE_EXE);
    installed.WriteSetupFile(kSetup);
    ScratchFolder bare;
    InstallerRun unconfigured(bare, TOVAMERE_EXE);

    const struct {
        InstallerRun* run;
        std::string arguments;
        const char* message;
    } cases[] = {
        {&installed, "x", kBadTarget},
        {&installed, "/x", kBadTarget},
        {&installed, "x SETUP.EXE", kBadTarget},
        // The setup file is looked for beside the path given, not beside the program.
        {&installed, "/x " + (scratch / "withoutSetup\\SETUP.EXE"), kDamaged},
        {&unconfigured, "", kDamaged},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.run->Start(c.arguments)) << c.arguments;
        driver::MessageBoxSeen seen;
        EXPECT_TRUE(driver::AnswerMessageBox(c.run->Pid(), IDOK, 10000, &seen)) << c.arguments;
        EXPECT_EQ(c.message, seen.text) << c.arguments;
        EXPECT_EQ(kDefaultCaption, seen.caption) << c.arguments;
        DWORD exitCode = 0;
        EXPECT_TRUE(c.run->Process().Wait(10000, &exitCode)) << c.arguments;
        EXPECT_EQ(1u, exitCode) << c.arguments;
    }
}

// A setup file whose entry would lead out of its folder installs nothing: the message names the
// entry, and no wizard follows.
TEST(InstallerModes, EntriesLeavingTheirFolderInstallNothing) {
    const std::string head = "[Install]\r\nTitle=サンプル\r\nFolder=Sample\r\n1=viewer.exe\r\n";
    const struct {
        std::string setup;
        const char* entry;
    } cases[] = {
        {head + "2=a.txt,..\\..\\Common Files\\keep.txt\r\n",
         "[Install] 2=a.txt,..\\..\\Common Files\\keep.txt"},
        {head + "2=..\\..\\secret.txt\r\n", "[Install] 2=..\\..\\secret.txt"},
        {head + "[Group]\r\n1=..\\..\\Startup\\x,viewer.exe\r\n",
         "[Group] 1=..\\..\\Startup\\x,viewer.exe"},
        {"[Install]\r\nTitle=..\\..\\windows\r\nFolder=Sample\r\n1=viewer.exe\r\n",
         "[Install] Title=..\\..\\windows"},
        {"[Install]\r\nTitle=T\r\nFolder=C:\\Windows\r\n1=viewer.exe\r\n",
         "[Install] Folder=C:\\Windows"},
    };
    for (const auto& c : cases) {
        ScratchFolder scratch;
        InstallerRun run(scratch, TOVAMERE_EXE);
        run.WriteSetupFile(c.setup);
        ASSERT_TRUE(run.Start()) << run.Problem();
        driver::MessageBoxSeen seen;
        EXPECT_TRUE(driver::AnswerMessageBox(run.Pid(), IDOK, 10000, &seen)) << c.entry;
        EXPECT_EQ(std::string("設定ファイルの次の項目が異常です。\n") + c.entry, seen.text);
        DWORD exitCode = 0;
        EXPECT_TRUE(run.Process().Wait(10000, &exitCode)) << c.entry;
        EXPECT_EQ(1u, exitCode) << c.entry;
    }
}

std::string Split(const char* arguments) {
    const std::string line = arguments;
    return line.substr(0, line.find(' '));
}

// A switch it does not know is refused with a box that names it, never taken for a mode.
TEST(InstallerModes, UnknownSwitchesAreRefused) {
    for (const char* arguments : {"-r", "X", "/X D:\\App\\SETUP.EXE", "/register", "/install"}) {
        ScratchFolder scratch;
        InstallerRun run(scratch, TOVAMERE_EXE);
        run.WriteSetupFile(kSetup);
        ASSERT_TRUE(run.Start(arguments)) << run.Problem();
        driver::MessageBoxSeen seen;
        EXPECT_TRUE(driver::AnswerMessageBox(run.Pid(), IDOK, 10000, &seen)) << arguments;
        const std::string named = std::string("「") + Split(arguments) + "」";
        EXPECT_NE(std::string::npos, seen.text.find(named)) << seen.text;
        DWORD exitCode = 0;
        EXPECT_TRUE(run.Process().Wait(10000, &exitCode)) << arguments;
        EXPECT_EQ(2u, exitCode) << arguments;
    }
}

} // namespace
