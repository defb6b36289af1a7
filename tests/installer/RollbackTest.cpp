// An installation finishes whole or leaves nothing: cancelled, failed or killed half-way, an
// upgrade and its removal, and the unattended modes, through the real program under Wine. The
// machine is compared before and after: the folders' files and bytes, the links, the entry.
#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "Files.h"
#include "InstallerRun.h"
#include "PendingRenames.h"
#include "ScratchFolder.h"
#include "Shortcuts.h"
#include "WinDriver.h"
#include "resource.h"

using driver::ScratchFolder;

namespace {

const char kEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TovaRollbackTest";
const char kHead[] = "[Install]\r\nTitle=サンプル表\r\nFolder=TovaRollbackTest\r\n";
const char kFinished[] = "インストールが完了しました。「完了」を押すと起動します。";
const char kFailed[] = "インストールに失敗しました。インストール前の状態に戻しました。";
const char kRemoved[] = "サンプル表は正常に削除されました。";

// Every file below folder with its bytes, and every folder (as "name\").
using Tree = std::map<std::string, std::string>;
void AddTree(const std::string& folder, const std::string& below, Tree& tree) {
    WIN32_FIND_DATAA found;
    TestHandle search(FindFirstFileA((folder + below + "*").c_str(), &found), FindClose);
    if (!search.IsOpen()) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[below + name + "\\"] = "";
            AddTree(folder, below + name + "\\", tree);
        } else {
            tree[below + name] = driver::ReadFileBytes(folder + below + name);
        }
    } while (FindNextFileA(search.Get(), &found));
}

class RollbackTest : public testing::Test {
protected:
    void SetUp() override {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kEntryKey);
        folder_ = target_ / "Program Files\\Sample\\";
    }
    void TearDown() override {
        if (run_ && run_->Frame()) {
            run_->Cancel();
        }
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kEntryKey);
    }

    // The product: count small files (f0.txt ...), the installer and its setup file.
    void WriteProduct(int count, const std::string& extra = "") {
        std::string setup = kHead;
        for (int i = 0; i < count; ++i) {
            const std::string name = "f" + std::to_string(i) + ".txt";
            driver::WriteFileBytes(source_ / name, "new " + name);
            setup += std::to_string(i + 1) + "=" + name + "\r\n";
        }
        setup += extra;
        run_.reset(new InstallerRun(source_, TOVAMERE_EXE));
        run_->WriteSetupFile(setup);
    }

    // What an installation may change: the target's files, the links, the uninstall entry.
    Tree Machine() const {
        Tree tree;
        AddTree(target_ / "", "", tree);
        for (const char* place : {"Programs", "Desktop"}) {
            AddTree(places_(place), std::string(place) + ":", tree);
        }
        for (const char* value : {"DisplayName", "UninstallString", "QuietUninstallString",
                                  "DisplayVersion", "InstallDate", "EstimatedSize"}) {
            tree[std::string("entry:") + value] =
                driver::ReadRegValue(HKEY_LOCAL_MACHINE, kEntryKey, value).bytes;
        }
        return tree;
    }

    // A product whose main program and library carry version resources (peers built with them).
    void WriteVersioned(const std::string& viewer, const std::string& library) {
        for (const auto& file :
             {std::make_pair(viewer, "viewer.exe"), std::make_pair(library, "common.dll")}) {
            const std::string peer = std::string(PEER_FOLDER) + "/" + file.first + ".exe";
            CopyFileA(driver::WindowsPath(peer).c_str(), (source_ / file.second).c_str(), FALSE);
        }
        driver::WriteFileBytes(source_ / "readme.txt", "read me, " + viewer);
        run_.reset(new InstallerRun(source_, TOVAMERE_EXE));
        run_->WriteSetupFile(std::string(kHead) +
                             "1=viewer.exe\r\n2=common.dll\r\n3=readme.txt\r\n");
    }

    // Through the wizard to the copy page, into folder_.
    void StartCopy() {
        ASSERT_TRUE(run_->Start()) << run_->Problem();
        ASSERT_TRUE(run_->WaitForWizard());
        ASSERT_TRUE(run_->WaitForPage(kFolderPage));
        run_->TypeFolder(folder_);
        run_->PressNext();
        ASSERT_TRUE(run_->WaitForPage(kShortcutPage));
        run_->PressNext();
        ASSERT_TRUE(run_->WaitForPage(kCopyPage));
    }

    // Waits until the copy page's bar has passed position.
    bool WaitForProgress(int position) const {
        return driver::WaitUntil(
            [&] {
                HWND bar = GetDlgItem(run_->Page(), IDC_COPY_PROGRESS);
                return SendMessageA(bar, PBM_GETPOS, 0, 0) >= position;
            },
            30000);
    }

    // An unattended run of the installed or given program; its exit code.
    DWORD Quiet(const std::string& program, const std::string& arguments) {
        driver::Process process;
        EXPECT_TRUE(process.Start("\"" + program + "\" " + arguments)) << process.Problem();
        DWORD code = 0xFFFF;
        EXPECT_TRUE(process.Wait(60000, &code)) << arguments;
        EXPECT_EQ(nullptr, driver::FindMessageBox(process.Id())) << arguments;
        return code;
    }

    // The unattended removal's last act, once the request that ran the program has ended.
    bool ProgramGoes() const {
        return driver::WaitUntil([&] { return !driver::FileExists(folder_ + "SETUP.EXE"); }, 10000);
    }

    ScratchFolder source_;
    ScratchFolder target_;
    TestPlaces places_;
    std::string folder_;
    std::unique_ptr<InstallerRun> run_;
};

// Cancel on each page and during the copy, of a new installation and of an upgrade over an
// earlier one: the machine is as it was, an earlier entry and overwritten files included.
TEST_F(RollbackTest, CancelLeavesTheMachineAsBefore) {
    for (const bool upgrade : {false, true}) {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kEntryKey);
        if (upgrade) {
            WriteProduct(3);
            ASSERT_EQ(0u, Quiet(run_->ExePath(), "/s /d=" + folder_));
            driver::WriteFileBytes(folder_ + "f1.txt", "changed by the user");
        }
        WriteProduct(600);
        const Tree before = Machine();
        for (const int page : {kFolderPage, kShortcutPage}) {
            ASSERT_TRUE(run_->Start()) << run_->Problem();
            ASSERT_TRUE(run_->WaitForWizard());
            if (page == kShortcutPage) {
                run_->TypeFolder(target_ / "new\\deeper\\Sample");
                run_->PressNext();
                ASSERT_TRUE(run_->WaitForPage(kShortcutPage));
            }
            EXPECT_EQ(1u, run_->Cancel()) << page;
            EXPECT_EQ(before, Machine()) << "cancelled on page " << page;
        }
        // During the copy: one question, and No goes on; Yes undoes.
        StartCopy();
        ASSERT_TRUE(WaitForProgress(200));
        for (const int answer : {IDNO, IDYES}) {
            PostMessageA(run_->Frame(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            driver::MessageBoxSeen seen;
            ASSERT_TRUE(driver::AnswerMessageBox(run_->Pid(), answer, 10000, &seen));
            EXPECT_EQ(0u, seen.text.find("インストールを中止しますか？")) << seen.text;
        }
        DWORD code = 0;
        ASSERT_TRUE(run_->Process().Wait(30000, &code));
        EXPECT_EQ(1u, code);
        EXPECT_EQ(before, Machine()) << (upgrade ? "upgrade" : "new installation");
    }
}

// A step that fails names what is in the way, and the installation ends failed and undone,
// without starting anything; a file in use is offered another try, which then succeeds.
TEST_F(RollbackTest, FailedStepsAreUndone) {
    WriteProduct(20, "21=missing.txt\r\n");
    const Tree before = Machine();
    StartCopy();
    driver::MessageBoxSeen seen;
    ASSERT_TRUE(driver::AnswerMessageBox(run_->Pid(), IDOK, 30000, &seen));
    EXPECT_EQ("missing.txt のコピーに失敗しました。", seen.text);
    ASSERT_TRUE(run_->WaitForFinish());
    EXPECT_EQ(kFailed, driver::ItemText(run_->Page(), IDC_COPY_STATUS));
    EXPECT_EQ(seen.text, driver::ItemText(run_->Page(), IDC_REMOVAL_HINT));
    EXPECT_EQ(before, Machine());
    EXPECT_EQ(1u, run_->Finish());
    EXPECT_FALSE(driver::FileExists(folder_)) << "Finish started or made something";

    // A folder where a file goes: the message names the destination.
    WriteProduct(20);
    CreateDirectoryA((target_ / "Program Files").c_str(), nullptr);
    CreateDirectoryA(folder_.c_str(), nullptr);
    CreateDirectoryA((folder_ + "f7.txt").c_str(), nullptr);
    const Tree inTheWay = Machine();
    StartCopy();
    ASSERT_TRUE(driver::AnswerMessageBox(run_->Pid(), IDOK, 30000, &seen));
    EXPECT_EQ(folder_ + "f7.txt - 同じ名前のフォルダが既に存在するのでファイルがコピーできません。",
              seen.text);
    ASSERT_TRUE(run_->WaitForFinish());
    EXPECT_EQ(kFailed, driver::ItemText(run_->Page(), IDC_COPY_STATUS));
    EXPECT_EQ(inTheWay, Machine());
    EXPECT_EQ(1u, run_->Finish());
    RemoveDirectoryA((folder_ + "f7.txt").c_str());

    // A file held open: Retry while it is held asks again; Cancel undoes, the old bytes back.
    // Then the same with the file let go before Retry: the installation completes.
    for (const bool letGo : {false, true}) {
        WriteProduct(20);
        driver::WriteFileBytes(folder_ + "f9.txt", "the old one");
        const Tree heldBefore = Machine();
        TestHandle held(CreateFileA((folder_ + "f9.txt").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                        CloseHandle);
        ASSERT_NE(INVALID_HANDLE_VALUE, held.Get());
        StartCopy();
        ASSERT_TRUE(driver::AnswerMessageBox(run_->Pid(), IDRETRY, 30000, &seen));
        EXPECT_EQ(0u,
                  seen.text.find(folder_ + "f9.txt は他のプロセスが使用中のため上書きできません。"))
            << seen.text;
        if (letGo) {
            held.Close();
        }
        ASSERT_TRUE(driver::AnswerMessageBox(run_->Pid(), letGo ? IDRETRY : IDABORT, 30000, &seen));
        ASSERT_TRUE(run_->WaitForFinish());
        if (!letGo) {
            held.Close();
            EXPECT_EQ(kFailed, driver::ItemText(run_->Page(), IDC_COPY_STATUS));
            EXPECT_EQ(heldBefore, Machine());
            EXPECT_EQ("the old one", driver::ReadFileBytes(folder_ + "f9.txt"));
        } else {
            EXPECT_EQ(kFinished, driver::ItemText(run_->Page(), IDC_COPY_STATUS));
            EXPECT_EQ("new f9.txt", driver::ReadFileBytes(folder_ + "f9.txt"));
            EXPECT_FALSE(IsFolder(folder_ + "SETUP.OLD")) << "the copies of old files stay";
        }
        EXPECT_EQ(1u, run_->Finish());
    }
}

// Version 2 over version 1, then the removal through the entry: nothing of either version is
// left, the user's own file is asked about once and kept, and keeping it is no failure. Lines
// added to the log that lead elsewhere are not followed, and said so.
TEST_F(RollbackTest, UpgradeThenUninstall) {
    driver::WriteFileBytes(target_ / "outside.txt", "not the product's");
    driver::WriteFileBytes(target_ / "elsewhere.lnk", "not the product's");
    const Tree before = Machine();
    WriteProduct(3, "[Group]\r\n1=ビューア,f0.txt\r\n");
    ASSERT_EQ(0u, Quiet(run_->ExePath(), "/s /d=" + folder_));
    WriteProduct(2, "3=v2.txt\r\n[Group]\r\n1=別名,f0.txt\r\n");
    driver::WriteFileBytes(source_ / "v2.txt", "v2");
    ASSERT_EQ(0u, Quiet(run_->ExePath(), "/s")); // into the folder of the earlier installation
    EXPECT_EQ("v2", driver::ReadFileBytes(folder_ + "v2.txt"));
    EXPECT_TRUE(driver::FileExists(folder_ + "f2.txt")) << "version 1's file stays installed";
    driver::WriteFileBytes(folder_ + "memo.txt", "the user's own");
    const std::string log = driver::ReadFileBytes(folder_ + "SETUP.LOG");
    driver::WriteFileBytes(folder_ + "SETUP.LOG", log + "F\t..\\..\\outside.txt\r\nL\t" +
                                                      target_ / "elsewhere.lnk" + "\r\nF\tcut");

    const std::string command =
        driver::ReadRegValue(HKEY_LOCAL_MACHINE, kEntryKey, "UninstallString").bytes.c_str();
    driver::Process request;
    ASSERT_TRUE(request.Start(command)) << request.Problem();
    ASSERT_TRUE(driver::AnswerMessageBox(request.Id(), IDOK, 10000));
    ASSERT_TRUE(request.Wait(10000));
    HWND dialog = driver::WaitForDialogWithItem(0, IDC_UNINSTALL_STATUS, 10000);
    ASSERT_NE(nullptr, dialog);
    DWORD pid = 0;
    GetWindowThreadProcessId(dialog, &pid);
    driver::MessageBoxSeen seen;
    ASSERT_TRUE(driver::AnswerMessageBox(pid, IDOK, 10000, &seen));
    EXPECT_EQ("インストールの記録 " + folder_ +
                  "SETUP.LOG のうち 2 行は、製品のフォルダの外を指し"
                  "ているか読み取れないため、従いませんでした。",
              seen.text);
    ASSERT_TRUE(driver::AnswerMessageBox(pid, IDNO, 10000, &seen));
    EXPECT_EQ(folder_ + "memo.txt - このファイルを削除してもよろしいですか？", seen.text);
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return driver::ItemText(dialog, IDC_UNINSTALL_STATUS) == kRemoved; }, 20000))
        << driver::ItemText(dialog, IDC_UNINSTALL_STATUS);
    EXPECT_EQ(nullptr, driver::FindMessageBox(pid));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    Tree after = Machine();
    EXPECT_EQ("the user's own", after["Program Files\\Sample\\memo.txt"]);
    after.erase("Program Files\\Sample\\memo.txt");
    after.erase("Program Files\\Sample\\");
    after.erase("Program Files\\");
    EXPECT_EQ(before, after);
}

// /s installs without a window and the entry's quiet command removes without one, keeping what
// the installations did not make; each failure has its exit code and undoes what it did.
TEST_F(RollbackTest, UnattendedModes) {
    WriteProduct(5);
    const std::string readOnly = target_ / "read-only.log";
    driver::WriteFileBytes(readOnly, "kept");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const Tree before = Machine();
    const struct {
        std::string arguments;
        DWORD code;
    } refused[] = {
        {"/s /d=C:\\", 4},
        {"/s /d=" + std::string(getenv("WINDIR") ? getenv("WINDIR") : "C:\\windows"), 4},
        {"/s /d=Apps\\Sample", 4},
        {"/s /d=C:\\" + std::string(300, 'a'), 2},
        {"/s /d=" + target_ / "a\\..\\Sample", 4},
        {"/s /unknown", 2},
        {"/s /LOG=", 2},
        {"/s /LOG /LOG", 2},
        {"/s /LOG=C:\\" + std::string(300, 'a'), 2},
        {"/s /LOG=\"" + target_ / "missing\\install.log" + "\"", 11},
        {"/s /LOG=" + readOnly, 11},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(c.code, Quiet(run_->ExePath(), c.arguments)) << c.arguments;
        EXPECT_EQ(before, Machine()) << c.arguments;
    }
    WriteProduct(5, "6=missing.txt\r\n");
    EXPECT_EQ(5u, Quiet(run_->ExePath(), "/s /d=" + folder_));
    EXPECT_EQ(before, Machine());

    WriteProduct(5);
    // /LOG alone: a new file in the temporary folder, named after the program and the day.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const auto logs = [&] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        TestHandle search(
            FindFirstFileA((std::string(temp) + "SETUP *-*-* #*.log").c_str(), &found), FindClose);
        for (bool more = search.IsOpen(); more; more = FindNextFileA(search.Get(), &found)) {
            names.push_back(std::string(temp) + found.cFileName);
        }
        return names;
    };
    const std::vector<std::string> logsBefore = logs();
    ASSERT_EQ(0u, Quiet(run_->ExePath(), "/s /LOG /d=\"" + folder_ + "\""));
    const std::vector<std::string> logsAfter = logs();
    EXPECT_EQ(logsBefore.size() + 1, logsAfter.size());
    DeleteFileA(logsAfter.back().c_str());
    EXPECT_EQ(Names({std::string(kTitle) + ".lnk"}), FolderEntries(places_("Programs")));
    const std::string quiet =
        driver::ReadRegValue(HKEY_LOCAL_MACHINE, kEntryKey, "QuietUninstallString").bytes.c_str();
    EXPECT_EQ("\"" + folder_ + "SETUP.EXE\" /r /s", quiet);
    // A main program without a version resource names no version and no publisher.
    for (const char* value : {"DisplayVersion", "Publisher"}) {
        EXPECT_EQ(0u, driver::ReadRegValue(HKEY_LOCAL_MACHINE, kEntryKey, value).type) << value;
    }
    driver::WriteFileBytes(folder_ + "memo.txt", "the user's own");
    driver::Process removal;
    ASSERT_TRUE(removal.Start(quiet)) << removal.Problem();
    DWORD code = 0xFFFF;
    ASSERT_TRUE(removal.Wait(60000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(ProgramGoes());
    EXPECT_EQ(Names({"memo.txt"}), FolderEntries(folder_));
    EXPECT_FALSE(driver::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
    EXPECT_EQ(Names(), FolderEntries(places_("Programs")));
}

// What an administrator deploying the product sees: the entry's details after the wizard; an
// unattended repair with a diagnostic log, where a newer library stays; an older version refused
// unattended and declined in the wizard, nothing changed; the removal in the same log.
TEST_F(RollbackTest, DeployedWithVersions) {
    WriteVersioned("viewer_2_3_1", "library_5_0_0");
    StartCopy();
    ASSERT_TRUE(run_->WaitForFinish());
    EXPECT_EQ(1u, run_->Finish());
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    std::snprintf(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    size_t bytes = 0;
    Tree installed;
    AddTree(folder_, "", installed);
    for (const auto& file : installed) {
        bytes += file.second.size();
    }
    const DWORD kilobytes = static_cast<DWORD>((bytes + 1023) / 1024);
    const std::string dword = std::string(reinterpret_cast<const char*>(&kilobytes), 4);
    const std::string one("\1\0\0\0", 4);
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;
    } values[] = {
        {"DisplayVersion", REG_SZ, std::string("2.3.1") + '\0'},
        {"Publisher", REG_SZ, std::string("サンプル工房") + '\0'},
        {"DisplayIcon", REG_SZ, folder_ + "viewer.exe" + '\0'},
        {"InstallLocation", REG_SZ, folder_ + '\0'},
        {"InstallDate", REG_SZ, std::string(date) + '\0'},
        {"EstimatedSize", REG_DWORD, dword},
        {"NoModify", REG_DWORD, one},
        {"NoRepair", REG_DWORD, one},
    };
    for (const auto& v : values) {
        const driver::RegValue value = driver::ReadRegValue(HKEY_LOCAL_MACHINE, kEntryKey, v.name);
        EXPECT_EQ(v.type, value.type) << v.name;
        EXPECT_EQ(v.bytes, value.bytes) << v.name;
    }

    WriteVersioned("viewer_2_3_1", "library_4_0_0");
    CreateDirectoryA((target_ / "logs").c_str(), nullptr);
    const std::string log = target_ / "logs\\install log.txt";
    ASSERT_EQ(0u, Quiet(run_->ExePath(), "/s /NORESTART /LOG=\"" + log + "\""));
    EXPECT_EQ(installed["common.dll"], driver::ReadFileBytes(folder_ + "common.dll"));
    std::istringstream lines(driver::ReadFileBytes(log));
    std::string text;
    const std::regex stamped("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} .*\r");
    for (std::string line; std::getline(lines, line); text += line) {
        EXPECT_TRUE(std::regex_match(line, stamped)) << line;
    }
    for (const char* file : {"SETUP.EXE", "SETUP.INF", "viewer.exe", "readme.txt"}) {
        EXPECT_NE(std::string::npos, text.find(" -> " + folder_ + file + "\r")) << file;
    }
    EXPECT_NE(std::string::npos,
              text.find("新しいバージョンを残しました: " + folder_ + "common.dll"));

    WriteVersioned("viewer_2_0_0", "library_4_0_0");
    const Tree before = Machine();
    EXPECT_EQ(10u, Quiet(run_->ExePath(), "/s"));
    EXPECT_EQ(before, Machine());
    ASSERT_TRUE(run_->Start()) << run_->Problem();
    driver::MessageBoxSeen seen;
    ASSERT_TRUE(driver::AnswerMessageBox(run_->Pid(), IDNO, 10000, &seen));
    EXPECT_EQ(0u, seen.text.find("サンプル表のより新しいバージョン (2.3.1.0) がインストールされて"
                                 "います。\n\n古いバージョン (2.0.0.0) をインストールしますか？"))
        << seen.text;
    DWORD code = 0;
    ASSERT_TRUE(run_->Process().Wait(10000, &code));
    EXPECT_EQ(1u, code);
    EXPECT_EQ(before, Machine());

    EXPECT_EQ(0u, Quiet(folder_ + "SETUP.EXE", "/r /s /LOG=\"" + log + "\""));
    EXPECT_TRUE(ProgramGoes());
    EXPECT_FALSE(driver::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
    EXPECT_NE(std::string::npos,
              driver::ReadFileBytes(log).find("削除: " + folder_ + "common.dll"));
}

// A file held by a running program: the unattended installation installs everything else, has
// the held file replaced when Windows next starts (recorded where the system keeps such renames,
// and in the installation log), and ends with 3010; the wizard does the same when asked, and
// says a restart is needed. The installer's own setup file held stops the installation, undone.
TEST_F(RollbackTest, FilesInUseReplacedAtRestart) {
    PendingRenames pending;
    WriteVersioned("viewer_2_3_1", "library_5_0_0");
    ASSERT_EQ(0u, Quiet(run_->ExePath(), "/s /d=\"" + folder_ + "\""));
    driver::Process running;
    ASSERT_TRUE(running.Start("\"" + folder_ + "viewer.exe\" /stay")) << running.Problem();
    driver::WriteFileBytes(source_ / "readme.txt", "read me, second");
    EXPECT_EQ(3010u, Quiet(run_->ExePath(), "/s"));
    EXPECT_EQ("read me, second", driver::ReadFileBytes(folder_ + "readme.txt"));
    WIN32_FIND_DATAA found;
    TestHandle search(FindFirstFileA((folder_ + "new*.tmp").c_str(), &found), FindClose);
    ASSERT_TRUE(search.IsOpen()) << "the new file waits beside the old one";
    const std::string staged = folder_ + found.cFileName;
    EXPECT_TRUE(PendingRenames::HoldsReplacement(staged, folder_ + "viewer.exe"));
    EXPECT_NE(
        std::string::npos,
        driver::ReadFileBytes(folder_ + "SETUP.LOG").find(std::string("F\t") + found.cFileName));

    // Given up in the wizard while the program runs: undone, the held file never touched.
    StartCopy();
    driver::MessageBoxSeen seen;
    ASSERT_TRUE(driver::AnswerMessageBox(run_->Pid(), IDABORT, 30000, &seen));
    ASSERT_TRUE(run_->WaitForFinish());
    EXPECT_EQ(kFailed, driver::ItemText(run_->Page(), IDC_COPY_STATUS));
    EXPECT_EQ(1u, run_->Finish());
    StartCopy();
    ASSERT_TRUE(driver::AnswerMessageBox(run_->Pid(), IDIGNORE, 30000, &seen));
    EXPECT_EQ(0u,
              seen.text.find(folder_ + "viewer.exe は他のプロセスが使用中のため上書きできません。"))
        << seen.text;
    ASSERT_TRUE(run_->WaitForFinish());
    EXPECT_EQ("インストールが完了しました。再起動が必要です。",
              driver::ItemText(run_->Page(), IDC_COPY_STATUS));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(run_->Page(), IDC_RESTART_NOTE)));
    EXPECT_EQ(1u, run_->Finish());
    running.Kill();

    TestHandle held(CreateFileA((folder_ + "SETUP.INF").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                    CloseHandle);
    const Tree before = Machine();
    EXPECT_EQ(6u, Quiet(run_->ExePath(), "/s"));
    EXPECT_EQ(before, Machine());
}

// Killed at three points of a 2,000-file copy, the installation leaves what its own removal
// takes away whole.
TEST_F(RollbackTest, KilledInstallationIsRemovedWhole) {
    WriteProduct(2000);
    // As on a machine: only the installation's own folder is the removal's.
    CreateDirectoryA((target_ / "Program Files").c_str(), nullptr);
    const Tree before = Machine();
    for (const int position : {300, 1000, 1800}) {
        StartCopy();
        ASSERT_TRUE(WaitForProgress(position));
        run_->Process().Kill();
        run_->Process().Wait(10000);
        ASSERT_TRUE(driver::FileExists(folder_ + "SETUP.LOG"));
        EXPECT_EQ(0u, Quiet(folder_ + "SETUP.EXE", "/r /s")) << position;
        EXPECT_TRUE(driver::WaitUntil([&] { return !driver::FileExists(folder_); }, 10000));
        EXPECT_EQ(before, Machine()) << "killed at " << position;
        run_.reset(new InstallerRun(source_, TOVAMERE_EXE));
    }
}

} // namespace
