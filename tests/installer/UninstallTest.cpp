// Whole uninstallations of the real program under Wine, driven from this process as a user
// drives them: the request that the uninstall entry starts, the copy that it starts in the
// system folder with "x", the questions and messages of the removal, the dialog's outcome, and
// what is left afterwards. The shell folders point at scratch folders for the length of a test.
#include <windows.h>

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "HostLinks.h"
#include "InstallerRun.h"
#include "PendingRenames.h"
#include "ScratchFolder.h"
#include "Shortcuts.h"
#include "WinDriver.h"
#include "resource.h"

using driver::KeyExists;
using driver::MakeKey;
using driver::ScratchFolder;

namespace {

const char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TovaUninstallTest";
// The product's own settings, under the current user and the local machine.
const char kProductKey[] = "Software\\TovaUninstallTest";
// The installed program's name; its copy in the system folder bears it too.
const char kExeName[] = "TOVAUN";

const char kDialogCaption[] = "サンプル表の削除";
const char kRemoved[] = "サンプル表は正常に削除されました。";
const char kStartFailed[] = "アンインストールの起動に失敗しました。手動で削除してください。";

const char kSetup[] = "[Install]\r\n"
                      "Title=サンプル表\r\n"
                      "Folder=TovaUninstallTest\r\n"
                      "1=viewer.exe\r\n"
                      "2=readme.txt\r\n"
                      "3=data\\help.hlp,help\\viewer.hlp\r\n"
                      "[Reg]\r\n"
                      "1=HKEY_CURRENT_USER\\Software\\TovaUninstallTest\r\n"
                      "2=HKEY_LOCAL_MACHINE\\Software\\TovaUninstallTest\r\n";

std::string SystemFolder() {
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, sizeof folder);
    return folder;
}

std::string SystemCopy() {
    return SystemFolder() + "\\" + kExeName + ".EXE";
}

std::string ReadUninstallString() {
    return driver::ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").bytes.c_str();
}

std::string WithoutBackslash(const std::string& folder) {
    return folder.substr(0, folder.size() - 1);
}

std::string Question(const std::string& path) {
    return path + " - このファイルを削除してもよろしいですか？";
}

std::string FolderFailed(const std::string& folder) {
    return WithoutBackslash(folder) + " - フォルダの削除に失敗しました";
}

std::string NotRemoved(const std::string& folder) {
    return folder + " を削除できませんでした。ファイルが残っている可能性があります。";
}

// The uninstall dialog of the copy that runs the removal: a process that the test did not
// start, found by its window.
class UninstallDialog {
public:
    ~UninstallDialog() {
        if (process_) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_, 99);
                WaitForSingleObject(process_, 5000);
            }
            CloseHandle(process_);
        }
    }

    bool WaitFor(DWORD timeoutMs = 15000) {
        window_ = driver::WaitForWindow(0, "#32770", kDialogCaption, timeoutMs);
        if (!window_) {
            return false;
        }
        GetWindowThreadProcessId(window_, &pid_);
        process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid_);
        return process_ != nullptr;
    }

    HWND Window() const { return window_; }
    DWORD Pid() const { return pid_; }

    // Waits until the removal has finished: the button is enabled then.
    bool WaitForOutcome(DWORD timeoutMs = 15000) const {
        return driver::WaitUntil([&] { return driver::IsEnabled(window_, IDCANCEL); }, timeoutMs);
    }
    std::string Text() const { return driver::ItemText(window_, IDC_UNINSTALL_STATUS); }

    // Presses "終了" and waits for the program's end; its exit code, 0 when it did not end.
    DWORD Close() {
        driver::Click(window_, IDCANCEL);
        DWORD exitCode = 0;
        if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) {
            return 0;
        }
        GetExitCodeProcess(process_, &exitCode);
        return exitCode;
    }

private:
    HWND window_ = nullptr;
    DWORD pid_ = 0;
    HANDLE process_ = nullptr;
};

// One message box expected from the removal, and the button that answers it.
struct Box {
    std::string text;
    std::string caption;
    int button;
};

class UninstallTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = scratch_ / "Program Files\\Sample\\";
        startedLog_ = scratch_ / "started.log";
        SetEnvironmentVariableA("TOVAMERE_STARTED_LOG", startedLog_.c_str());
        Clean();
    }

    void TearDown() override {
        dialog_.reset();
        Clean();
        SetEnvironmentVariableA("TOVAMERE_STARTED_LOG", nullptr);
    }

    void Clean() {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        SHDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
        // The copy in the system folder may still be ending.
        SetFileAttributesA(SystemCopy().c_str(), FILE_ATTRIBUTE_NORMAL);
        driver::WaitUntil(
            [] { return DeleteFileA(SystemCopy().c_str()) || !driver::FileExists(SystemCopy()); },
            5000);
    }

    std::string Place(const char* name) const { return places_(name); }

    void MakeProductKeys() {
        MakeKey(HKEY_CURRENT_USER, std::string(kProductKey) + "\\Settings\\Window\\Deep");
        MakeKey(HKEY_CURRENT_USER, std::string(kProductKey) + "\\Recent");
        MakeKey(HKEY_LOCAL_MACHINE, std::string(kProductKey) + "\\Shared");
    }

    // The installation as the installer leaves it, made without the wizard: the program and its
    // setup file, the product's files, its settings, its uninstall entry and a desktop link.
    void Install(const std::string& setup = kSetup) {
        CreateDirectoryA((scratch_ / "Program Files").c_str(), nullptr);
        CreateDirectoryA(folder_.c_str(), nullptr);
        CreateDirectoryA((folder_ + "help").c_str(), nullptr);
        CopyFileA(driver::WindowsPath(TOVAMERE_EXE).c_str(), InstalledProgram().c_str(), FALSE);
        driver::WriteFileBytes(folder_ + kExeName + ".INF", setup);
        CopyFileA(driver::WindowsPath(PRODUCT_PEER_EXE).c_str(), (folder_ + "viewer.exe").c_str(),
                  FALSE);
        driver::WriteFileBytes(folder_ + "readme.txt", "read me");
        driver::WriteFileBytes(folder_ + "help\\viewer.hlp", "help");
        MakeProductKeys();
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &key, nullptr));
        const std::string command = "\"" + InstalledProgram() + "\" /r";
        RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(kTitle),
                       sizeof kTitle);
        RegSetValueExA(key, "UninstallString", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(key);
        driver::WriteFileBytes(Place("Desktop") + kTitle + ".lnk", "a link");
    }

    // Installs the product from source through the real wizard into folder_, with the desktop
    // link if asked, and lets Finish start it.
    void InstallWithWizard(const ScratchFolder& source, const std::string& setup, bool desktop) {
        InstallerRun installer(source, TOVAMERE_EXE, kExeName);
        installer.WriteSetupFile(setup);
        CopyFileA(driver::WindowsPath(PRODUCT_PEER_EXE).c_str(), (source / "viewer.exe").c_str(),
                  FALSE);
        driver::WriteFileBytes(source / "readme.txt", "read me");
        CreateDirectoryA((source / "data").c_str(), nullptr);
        driver::WriteFileBytes(source / "data\\help.hlp", "help");
        MakeProductKeys();
        ASSERT_TRUE(installer.Start()) << installer.Problem();
        ASSERT_TRUE(installer.WaitForWizard());
        ASSERT_TRUE(installer.WaitForPage(kFolderPage));
        installer.TypeFolder(folder_);
        installer.PressNext();
        ASSERT_TRUE(installer.WaitForPage(kShortcutPage));
        installer.SetChecked(IDC_DESKTOP, desktop);
        installer.PressNext();
        ASSERT_TRUE(installer.WaitForFinish());
        EXPECT_EQ(1u, installer.Finish());
        ASSERT_TRUE(driver::WaitUntil([&] { return driver::FileExists(startedLog_); }, 5000));
    }

    std::string InstalledProgram() const { return folder_ + kExeName + ".EXE"; }

    // Starts the removal as the copy in the system folder runs it, from a copy of the program
    // in a folder of the test's own, and waits for its dialog.
    void StartRemoval() {
        const std::string runner = scratch_ / "system";
        CreateDirectoryA(runner.c_str(), nullptr);
        const std::string copy = runner + "\\" + kExeName + ".EXE";
        ASSERT_TRUE(CopyFileA(driver::WindowsPath(TOVAMERE_EXE).c_str(), copy.c_str(), FALSE));
        ASSERT_TRUE(run_.Start("\"" + copy + "\" x " + InstalledProgram())) << run_.Problem();
        dialog_.reset(new UninstallDialog);
        ASSERT_TRUE(dialog_->WaitFor()) << "no uninstall dialog";
    }

    // Answers the removal's message boxes, each of which must be the one expected, and returns
    // the dialog's outcome text once it shows; no other box may come.
    std::string Answer(const std::vector<Box>& boxes) {
        for (const Box& box : boxes) {
            driver::MessageBoxSeen seen;
            EXPECT_TRUE(driver::AnswerMessageBox(dialog_->Pid(), box.button, 10000, &seen))
                << box.text;
            EXPECT_EQ(box.text, seen.text);
            EXPECT_EQ(box.caption, seen.caption) << box.text;
        }
        EXPECT_TRUE(dialog_->WaitForOutcome());
        EXPECT_EQ(nullptr, driver::FindMessageBox(dialog_->Pid()));
        return dialog_->Text();
    }

    // Nothing of the installation is left.
    void ExpectAllRemoved() {
        EXPECT_FALSE(driver::FileExists(folder_));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
        for (const char* place : {"Programs", "Desktop", "Startup"}) {
            EXPECT_EQ(Names(), FolderEntries(Place(place))) << place;
        }
    }

    ScratchFolder scratch_;
    TestPlaces places_;
    PendingRenames pending_;
    std::string folder_;
    std::string startedLog_;
    driver::Process run_;
    std::unique_ptr<UninstallDialog> dialog_;
};

// Installed through the wizard, removed through the uninstall entry as the system's list of
// programs starts it: the confirmation, the copy in the system folder started with its own path
// in quotes and "x", the outcome, nothing left, and the copy due for deletion at restart.
TEST_F(UninstallTest, RoundTrip) {
    ScratchFolder source;
    InstallWithWizard(source,
                      std::string(kSetup) +
                          "[Group]\r\n1=ビューア,viewer.exe\r\n2=安全モード,viewer.exe,/safe\r\n",
                      true);
    EXPECT_EQ(Names({kTitle}), FolderEntries(Place("Programs")));
    EXPECT_EQ(Names({std::string(kTitle) + ".lnk"}), FolderEntries(Place("Desktop")));
    // What the help system writes beside a help file goes without a question.
    driver::WriteFileBytes(folder_ + "help\\VIEWER.GID", "index");

    const std::string command = ReadUninstallString();
    ASSERT_EQ("\"" + InstalledProgram() + "\" /r", command);
    driver::Process request;
    ASSERT_TRUE(request.Start(command)) << request.Problem();
    driver::MessageBoxSeen confirmation;
    ASSERT_TRUE(driver::AnswerMessageBox(request.Id(), IDOK, 10000, &confirmation));
    EXPECT_EQ("サンプル表を削除します。", confirmation.text);
    EXPECT_EQ(kTitle, confirmation.caption);
    DWORD exitCode = 0;
    ASSERT_TRUE(request.Wait(10000, &exitCode));
    EXPECT_EQ(1u, exitCode);

    dialog_.reset(new UninstallDialog);
    ASSERT_TRUE(dialog_->WaitFor()) << "no uninstall dialog";
    EXPECT_NE(request.Id(), dialog_->Pid());
    EXPECT_EQ("\"" + SystemCopy() + "\" x " + InstalledProgram(),
              driver::ProcessCommandLine(dialog_->Pid()));
    RECT rect;
    GetWindowRect(dialog_->Window(), &rect);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2, rect.top);

    EXPECT_EQ(kRemoved, Answer({}));
    EXPECT_EQ(1u, dialog_->Close());
    ExpectAllRemoved();
    EXPECT_TRUE(IsFolder(scratch_ / "Program Files")) << "only the installation folder goes";
    EXPECT_TRUE(PendingRenames::HoldsDeletion(SystemCopy()));
}

// A file that the user added is asked about; kept, it keeps its folder without a word: keeping
// it is the user's choice, no failure. The uninstall entry and the shortcuts go all the same.
TEST_F(UninstallTest, KeepsAFileAnsweredNo) {
    Install();
    driver::WriteFileBytes(folder_ + "memo.txt", "the user's own");
    StartRemoval();
    EXPECT_EQ(kRemoved, Answer({{Question(folder_ + "memo.txt"), kTitle, IDNO}}));
    EXPECT_EQ(1u, dialog_->Close());
    EXPECT_EQ(Names({"memo.txt"}), FolderEntries(folder_));
    EXPECT_EQ("the user's own", driver::ReadFileBytes(folder_ + "memo.txt"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(Names(), FolderEntries(Place("Desktop")));
}

// Cancel at the first question, in whichever sub-folder it comes: nothing else of the folder
// tree is touched, and the tree walk asks nothing more.
TEST_F(UninstallTest, CancelLeavesTheRestOfTheTree) {
    Install();
    for (const char* folder : {"sub", "other", "other\\deeper"}) {
        CreateDirectoryA((folder_ + folder).c_str(), nullptr);
    }
    for (const char* file : {"sub\\a.txt", "sub\\b.txt", "other\\deeper\\c.txt"}) {
        driver::WriteFileBytes(folder_ + file, file);
    }
    StartRemoval();
    driver::MessageBoxSeen seen;
    ASSERT_TRUE(driver::AnswerMessageBox(dialog_->Pid(), IDCANCEL, 10000, &seen));
    const bool inSub = seen.text == Question(folder_ + "sub\\a.txt") ||
                       seen.text == Question(folder_ + "sub\\b.txt");
    EXPECT_TRUE(inSub || seen.text == Question(folder_ + "other\\deeper\\c.txt")) << seen.text;
    EXPECT_EQ(NotRemoved(folder_), Answer({}));
    EXPECT_EQ(1u, dialog_->Close());
    // The emptied help folder may have gone before the question, or stayed.
    EXPECT_TRUE(IsFolder(folder_ + "other"));
    EXPECT_EQ(Names({"a.txt", "b.txt"}), FolderEntries(folder_ + "sub"));
    EXPECT_EQ(Names({"c.txt"}), FolderEntries(folder_ + "other\\deeper"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(Names(), FolderEntries(Place("Desktop")));
}

// help.gid and VIEWER.GID go without a question; in a.b.gid only the text after the first dot
// counts, so it is asked about.
TEST_F(UninstallTest, HelpIndexesGoWithoutAQuestion) {
    Install();
    for (const char* file : {"help.gid", "help\\VIEWER.GID", "a.b.gid"}) {
        driver::WriteFileBytes(folder_ + file, "index");
    }
    StartRemoval();
    EXPECT_EQ(kRemoved, Answer({{Question(folder_ + "a.b.gid"), kTitle, IDYES}}));
    EXPECT_EQ(1u, dialog_->Close());
    ExpectAllRemoved();
}

// The main program still runs: its file cannot go, the removal stops there with both messages,
// and everything that lets the user uninstall again stays. Once it has ended, it works.
TEST_F(UninstallTest, MainProgramStillRunning) {
    Install();
    driver::Process product;
    ASSERT_TRUE(product.Start("\"" + folder_ + "viewer.exe\" /stay")) << product.Problem();
    StartRemoval();
    const std::string viewer = folder_ + "viewer.exe";
    EXPECT_EQ(NotRemoved(folder_),
              Answer({{viewer + "の削除に失敗しました。このファイルを無視して処理を続行します。",
                       kDefaultCaption, IDOK},
                      {viewer + " の削除に失敗しました。サンプル表を終了して、もう一度アンインスト"
                                "ールをやり直してください。",
                       kDefaultCaption, IDOK}}));
    EXPECT_EQ(1u, dialog_->Close());
    // Entries 3 and 2 were removed before entry 1; the program and its setup file were not.
    EXPECT_EQ(Names({"TOVAUN.EXE", "TOVAUN.INF", "help", "viewer.exe"}), FolderEntries(folder_));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(Names({std::string(kTitle) + ".lnk"}), FolderEntries(Place("Desktop")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey)) << "the [Reg] keys go first";

    product.Kill();
    StartRemoval();
    EXPECT_EQ(kRemoved, Answer({}));
    EXPECT_EQ(1u, dialog_->Close());
    ExpectAllRemoved();
}

// A linked folder inside the installation is not entered: what it leads to is not the
// installation's. Windows removes the link itself; Wine cannot remove a Unix symbolic link,
// which is then reported like a folder that stays.
TEST_F(UninstallTest, DoesNotEnterALinkedFolder) {
    folder_ = scratch_ / "Linked\\"; // the host's ln is handed paths without quotes
    Install();
    const std::string outside = scratch_ / "outside";
    CreateDirectoryA(outside.c_str(), nullptr);
    driver::WriteFileBytes(outside + "\\keep.txt", "not the product's");
    driver::WriteFileBytes(outside + "\\keep.gid", "not the product's");
    const driver::FolderLink link(folder_ + "linked", outside);
    if (link.How().empty()) {
        GTEST_SKIP() << "no way to make a folder link here";
    }
    StartRemoval();
    std::vector<Box> boxes;
    if (link.How() == "unix symbolic link") {
        boxes = {{FolderFailed(folder_ + "linked\\"), kDefaultCaption, IDOK}};
    }
    const std::string outcome = Answer(boxes);
    EXPECT_EQ(boxes.empty() ? std::string(kRemoved) : NotRemoved(folder_), outcome);
    EXPECT_EQ(1u, dialog_->Close());
    EXPECT_EQ(Names({"keep.gid", "keep.txt"}), FolderEntries(outside));
}

// On a shell with major version 3 (Wine's version setting for the program's name) the group
// that the installation made through Program Manager is taken away by the removal's DDE commands.
// Without [Group] the new shell's removal would look for a single link and leave the group.
TEST_F(UninstallTest, RemovesTheProgramGroupOnTheOldShell) {
    ReportedVersion version(std::string(kExeName) + ".EXE", "win31");
    ScratchFolder source;
    InstallWithWizard(source, kSetup, false);
    CloseGroupWindows(kTitle, 3000);
    ASSERT_EQ(Names({kTitle}), FolderEntries(Place("Programs")));

    StartRemoval();
    EXPECT_EQ(kRemoved, Answer({}));
    EXPECT_EQ(1u, dialog_->Close());
    CloseGroupWindows("スタートアップ", 0);
    ExpectAllRemoved();
}

// The confirmation: Cancel ends the request, and nothing is copied, started or removed.
TEST_F(UninstallTest, RequestAsksFirst) {
    const struct {
        const char* tsr;
        const char* arguments;
        std::string text;
    } cases[] = {
        {"0", "/r", "サンプル表を削除します。"},
        {"1", "R",
         "サンプル表を削除します。まだ常駐している場合は、今すぐ終了させてからOKボタンを押してく"
         "ださい。"},
    };
    for (const auto& c : cases) {
        std::string setup = kSetup;
        setup.insert(setup.find("1=viewer.exe"), std::string("TSR=") + c.tsr + "\r\n");
        Install(setup);
        driver::Process request;
        ASSERT_TRUE(request.Start("\"" + InstalledProgram() + "\" " + c.arguments)) << request.Problem();
        driver::MessageBoxSeen seen;
        ASSERT_TRUE(driver::AnswerMessageBox(request.Id(), IDCANCEL, 10000, &seen)) << c.arguments;
        EXPECT_EQ(c.text, seen.text);
        EXPECT_EQ(kTitle, seen.caption);
        DWORD exitCode = 0;
        ASSERT_TRUE(request.Wait(10000, &exitCode));
        EXPECT_EQ(1u, exitCode);
        EXPECT_FALSE(driver::FileExists(SystemCopy())) << c.arguments;
        EXPECT_EQ(nullptr, driver::WaitForWindow(0, "#32770", kDialogCaption, 500));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_TRUE(driver::FileExists(folder_ + "viewer.exe"));
    }
}

// A file of the program's name in the system folder that cannot be replaced is never started in
// the copy's place: it could be any other program of that name. Here it is held open by this
// process, so that it can be started but not written.
TEST_F(UninstallTest, NeverStartsAnOlderFileInTheSystemFolder) {
    Install();
    ASSERT_TRUE(
        CopyFileA(driver::WindowsPath(PRODUCT_PEER_EXE).c_str(), SystemCopy().c_str(), FALSE));
    TestHandle held(CreateFileA(SystemCopy().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                    CloseHandle);
    ASSERT_NE(INVALID_HANDLE_VALUE, held.Get());
    driver::Process request;
    ASSERT_TRUE(request.Start("\"" + InstalledProgram() + "\" /r")) << request.Problem();
    ASSERT_TRUE(driver::AnswerMessageBox(request.Id(), IDOK, 10000));
    driver::MessageBoxSeen seen;
    ASSERT_TRUE(driver::AnswerMessageBox(request.Id(), IDOK, 10000, &seen));
    EXPECT_EQ(kStartFailed, seen.text);
    EXPECT_EQ(kDefaultCaption, seen.caption);
    DWORD exitCode = 0;
    ASSERT_TRUE(request.Wait(10000, &exitCode));
    EXPECT_EQ(1u, exitCode);
    Sleep(500);
    held.Close();
    EXPECT_FALSE(driver::FileExists(startedLog_)) << "the older file was started";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(driver::FileExists(folder_ + "viewer.exe"));
}

// An installation made before its setup file was recorded: entries that would lead out of the
// folder are not followed, and keys no product can own are refused as malformed entries are.
TEST_F(UninstallTest, NeverFollowsEntriesOutOfItsPlace) {
    const std::string outside = WithoutBackslash(scratch_ / "Program Files\\") + "\\keep.txt";
    std::string setup = kSetup;
    setup.insert(setup.find("[Reg]"), "4=..\\keep.txt\r\n5=viewer.exe,..\\keep.txt\r\n");
    setup += "3=HKEY_CURRENT_USER\\Software\\Microsoft\\TovaUninstallTest\r\n"
             "4=HKEY_CURRENT_USER\\Software\\TovaUninstallTest\\Gone\r\n";
    MakeKey(HKEY_CURRENT_USER, "Software\\Microsoft\\TovaUninstallTest");
    Install(setup);
    driver::WriteFileBytes(outside, "not the product's");
    StartRemoval();
    EXPECT_EQ(kRemoved, Answer({{"Regセクションが異常です。", kDefaultCaption, IDOK}}));
    EXPECT_EQ(1u, dialog_->Close());
    ExpectAllRemoved();
    EXPECT_EQ("not the product's", driver::ReadFileBytes(outside));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Microsoft\\TovaUninstallTest"));
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\TovaUninstallTest");
}

// A setup file changed after the installation is not believed: the user is told, the program,
// the setup file, the uninstall entry and the recorded title's links go, every other file is
// asked about, and no [Reg] key is removed, the product's own included.
TEST_F(UninstallTest, ChangedSetupFileIsNotBelieved) {
    ScratchFolder source;
    InstallWithWizard(source, kSetup, true);
    const std::string other = "Software\\TovaUninstallTestOther";
    MakeKey(HKEY_CURRENT_USER, other);
    driver::WriteFileBytes(folder_ + kExeName + ".INF",
                           "[Install]\r\nTitle=Other\r\nFolder=Other\r\n1=viewer.exe\r\n[Reg]\r\n"
                           "1=HKEY_CURRENT_USER\\" +
                               other + "\r\n");
    StartRemoval();
    driver::MessageBoxSeen seen;
    ASSERT_TRUE(driver::AnswerMessageBox(dialog_->Pid(), IDOK, 10000, &seen));
    EXPECT_EQ("設定ファイルがインストール後に書き換えられています。"
              "インストール時に記録したものだけを削除します。",
              seen.text);
    EXPECT_EQ(kTitle, seen.caption);
    // The files the installation logged go without a question all the same: the log names
    // nothing outside the installation folder.
    EXPECT_EQ(kRemoved, Answer({}));
    EXPECT_EQ(1u, dialog_->Close());
    EXPECT_FALSE(driver::FileExists(folder_));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(Names(), FolderEntries(Place("Desktop")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, other.c_str()));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kProductKey));
    SHDeleteKeyA(HKEY_CURRENT_USER, other.c_str());
}

// Only the places where the installation made links are cleared: a desktop link of the
// product's name that it did not make is the user's.
TEST_F(UninstallTest, KeepsLinksItDidNotMake) {
    ScratchFolder source;
    InstallWithWizard(source, kSetup, false);
    const std::string own = Place("Desktop") + kTitle + ".lnk";
    driver::WriteFileBytes(own, "the user's own");
    StartRemoval();
    EXPECT_EQ(kRemoved, Answer({}));
    EXPECT_EQ(1u, dialog_->Close());
    EXPECT_EQ("the user's own", driver::ReadFileBytes(own));
    EXPECT_EQ(Names(), FolderEntries(Place("Programs")));
}

// Installed into the Windows folder (as an earlier version let it): the listed files go, nothing
// else of the folder is visited or asked about.
TEST_F(UninstallTest, SystemFolderKeepsAllButTheListedFiles) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    folder_ = std::string(windows) + "\\";
    const bool hadHelp = IsFolder(folder_ + "help");
    driver::WriteFileBytes(folder_ + "tova-keep.txt", "not the product's");
    Install();
    StartRemoval();
    EXPECT_EQ(kRemoved, Answer({}));
    EXPECT_EQ(1u, dialog_->Close());
    for (const char* file : {"TOVAUN.EXE", "TOVAUN.INF", "viewer.exe", "readme.txt"}) {
        EXPECT_FALSE(driver::FileExists(folder_ + file)) << file;
    }
    EXPECT_TRUE(driver::FileExists(folder_ + "tova-keep.txt"));
    EXPECT_TRUE(IsFolder(folder_ + "system32"));
    DeleteFileA((folder_ + "tova-keep.txt").c_str());
    if (!hadHelp) {
        RemoveDirectoryA((folder_ + "help").c_str());
    }
}

} // namespace
