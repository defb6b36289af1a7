// Whole installations through the real wizard under Wine, driven from this process: the files in
// place, the uninstall entry, the shortcuts, and what Finish starts and opens (both recorded,
// nothing really shown). The shell folders point at scratch folders for the length of a test.
#include "base/SetupContext.h"
#include "main/StartUp.h"
#include "setupfile/SetupFile.h"
#include "shortcuts/Shortcuts.h"

#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "InstallerRun.h"
#include "Files.h"
#include "ScratchFolder.h"
#include "ShellRecorder.h"
#include "Shortcuts.h"
#include "WinDriver.h"
#include "resource.h"

using driver::KeyExists;
using driver::ScratchFolder;

namespace {

const char kFolderName[] = "TovaInstallTest";
const char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TovaInstallTest";
const char kFinished[] = "インストールが完了しました。「完了」を押すと起動します。";

const char kProduct[] = "[Install]\r\n"
                        "Title=サンプル表\r\n"
                        "Folder=TovaInstallTest\r\n"
                        "Open=readme.htm\r\n"
                        "1=viewer.exe\r\n"
                        "2=readme.htm\r\n"
                        "3=data\\help.hlp,help\\viewer.hlp\r\n"
                        "[Group]\r\n"
                        "1=ビューア,viewer.exe\r\n"
                        "2=安全モード,viewer.exe,/safe\r\n";

driver::RegValue ReadUninstallValue(const char* name, const char* keyPath = kUninstallKey) {
    return driver::ReadRegValue(HKEY_LOCAL_MACHINE, keyPath, name);
}

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = line.find(separator, start)) != std::string::npos; start = end + 1) {
        parts.push_back(line.substr(start, end - start));
    }
    parts.push_back(line.substr(start));
    return parts;
}

class InstallTest : public testing::Test {
protected:
    void SetUp() override {
        startedLog_ = source_ / "started.log";
        SetEnvironmentVariableA("TOVAMERE_STARTED_LOG", startedLog_.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    }

    void TearDown() override {
        if (run_ && run_->Frame()) {
            EXPECT_EQ(1u, run_->Cancel());
        }
        run_.reset();
        CloseGroupWindows(kTitle, 0);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        SetEnvironmentVariableA("TOVAMERE_STARTED_LOG", nullptr);
    }

    // The product's files beside the installer: its main program is the recording peer.
    void WriteProduct(const std::string& setup, const char* name = "SETUP") {
        CopyFileA(driver::WindowsPath(PRODUCT_PEER_EXE).c_str(), (source_ / "viewer.exe").c_str(),
                  FALSE);
        driver::WriteFileBytes(source_ / "readme.htm", "<p>read me</p>");
        SetFileAttributesA((source_ / "readme.htm").c_str(),
                           FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        CreateDirectoryA((source_ / "data").c_str(), nullptr);
        driver::WriteFileBytes(source_ / "data\\help.hlp", "help");
        driver::WriteFileBytes(source_ / "other.txt", "other");
        run_.reset(new InstallerRun(source_, TOVAMERE_EXE, name));
        run_->WriteSetupFile(setup);
    }

    // Starts the wizard and takes it to the copy page for folder; desktop ticks the box.
    void InstallInto(const std::string& folder, bool shortcutPage = true, bool desktop = false) {
        ASSERT_TRUE(run_->Start()) << run_->Problem();
        ASSERT_TRUE(run_->WaitForWizard());
        ASSERT_TRUE(run_->WaitForPage(kFolderPage));
        run_->TypeFolder(folder);
        run_->PressNext();
        if (shortcutPage) {
            ASSERT_TRUE(run_->WaitForPage(kShortcutPage));
            run_->SetChecked(IDC_DESKTOP, desktop);
            run_->PressNext();
        }
        ASSERT_TRUE(run_->WaitForPage(kCopyPage));
    }

    std::string Place(const char* name) const { return places_(name); }

    std::vector<std::string> StartedLines() const {
        std::vector<std::string> lines = Split(driver::ReadFileBytes(startedLog_), '\n');
        lines.pop_back(); // after the last line's end
        return lines;
    }

    ScratchFolder source_;
    ScratchFolder target_;
    TestPlaces places_;
    std::string startedLog_;
    std::unique_ptr<InstallerRun> run_;
};

TEST_F(InstallTest, WholeInstallation) {
    driver::ShellRecorder recorder(source_ / "opened.log");
    ASSERT_TRUE(recorder.RecordPages());
    WriteProduct(kProduct);
    const std::string folder = target_ / "Program Files\\Sample\\";
    // At the path's first blank: an unquoted start of the main program would run this instead.
    CopyFileA(driver::WindowsPath(PRODUCT_PEER_EXE).c_str(), (target_ / "Program.exe").c_str(),
              FALSE);
    InstallInto(folder, true, true);
    ASSERT_TRUE(run_->WaitForFinish());
    EXPECT_EQ(nullptr, driver::FindMessageBox(run_->Pid()));

    HWND page = run_->Page();
    EXPECT_EQ(kFinished, driver::ItemText(page, IDC_COPY_STATUS));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, IDC_REMOVAL_HINT)));
    HWND bar = GetDlgItem(page, IDC_COPY_PROGRESS);
    EXPECT_FALSE(IsWindowVisible(bar));
    // Three entries: seven steps on a range of 0 to 6, ending full.
    EXPECT_EQ(0, SendMessageA(bar, PBM_GETRANGE, TRUE, 0));
    EXPECT_EQ(6, SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
    EXPECT_EQ(6, SendMessageA(bar, PBM_GETPOS, 0, 0));
    EXPECT_FALSE(driver::IsEnabled(run_->Frame(), 0x3023)) << "Back";

    // The files, each as its source, with plain attributes; help\ made on the way.
    EXPECT_EQ(Names({"SETUP.EXE", "SETUP.INF", "SETUP.LOG", "help", "readme.htm", "viewer.exe"}),
              FolderEntries(folder));
    const struct {
        const char* installed;
        const char* source;
    } files[] = {
        {"SETUP.EXE", "SETUP.EXE"},
        {"SETUP.INF", "SETUP.INF"},
        {"viewer.exe", "viewer.exe"},
        {"readme.htm", "readme.htm"},
        {"help\\viewer.hlp", "data\\help.hlp"},
    };
    for (const auto& f : files) {
        EXPECT_EQ(driver::ReadFileBytes(source_ / f.source),
                  driver::ReadFileBytes(folder + f.installed))
            << f.installed;
        EXPECT_TRUE(IsPlainFile(folder + f.installed)) << f.installed;
    }

    // The uninstall entry: two strings, stored with their terminators.
    const driver::RegValue name = ReadUninstallValue("DisplayName");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), name.type);
    EXPECT_EQ(std::string(kTitle) + '\0', name.bytes);
    const driver::RegValue command = ReadUninstallValue("UninstallString");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), command.type);
    EXPECT_EQ("\"" + folder + "SETUP.EXE\" /r" + '\0', command.bytes);

    // The group's links below Programs, the main program's on the desktop, none at start-up.
    const std::string viewer = folder + "viewer.exe";
    const std::string working = folder.substr(0, folder.size() - 1);
    EXPECT_EQ(Names({kTitle}), FolderEntries(Place("Programs")));
    EXPECT_EQ(Names({"ビューア.lnk", "安全モード.lnk"}),
              FolderEntries(Place("Programs") + kTitle + "\\"));
    EXPECT_EQ(Names({std::string(kTitle) + ".lnk"}), FolderEntries(Place("Desktop")));
    EXPECT_EQ(Names(), FolderEntries(Place("Startup")));
    const struct {
        std::string file;
        LinkSeen link;
    } links[] = {
        {Place("Programs") + kTitle + "\\ビューア.lnk", {viewer, "", working, "ビューア"}},
        {Place("Programs") + kTitle + "\\安全モード.lnk", {viewer, "/safe", working, "安全モード"}},
        {Place("Desktop") + kTitle + ".lnk", {viewer, "", working, kTitle}},
    };
    for (const auto& l : links) {
        LinkSeen seen;
        ASSERT_TRUE(ReadLink(l.file, &seen)) << l.file;
        EXPECT_EQ(l.link.path, seen.path) << l.file;
        EXPECT_EQ(l.link.arguments, seen.arguments) << l.file;
        EXPECT_EQ(l.link.folder, seen.folder) << l.file;
        EXPECT_EQ(l.link.description, seen.description) << l.file;
    }

    // Finish starts the installed program, quoted, in its folder, and opens "Open".
    EXPECT_EQ(1u, run_->Finish());
    ASSERT_TRUE(driver::WaitUntil([&] { return !StartedLines().empty(); }, 5000));
    const std::vector<std::string> started = Split(StartedLines()[0], '\t');
    ASSERT_EQ(3u, started.size());
    EXPECT_EQ(viewer, started[0]) << "not the program at the first blank";
    EXPECT_EQ("\"" + viewer + "\"", started[1]);
    EXPECT_EQ(working + "\r", started[2]);
    ASSERT_TRUE(recorder.WaitForOpened(1, 5000));
    EXPECT_EQ(Names({folder + "readme.htm"}), recorder.Opened());

    // The next installation of the product is offered the same folder.
    WriteProduct(kProduct);
    ASSERT_TRUE(run_->Start()) << run_->Problem();
    ASSERT_TRUE(run_->WaitForWizard());
    ASSERT_TRUE(run_->WaitForPage(kFolderPage));
    EXPECT_EQ(folder, run_->Folder());
}

// A resident product skips the shortcut page and gets its start-up link only.
TEST_F(InstallTest, ResidentProduct) {
    WriteProduct("[Install]\r\nTitle=サンプル表\r\nFolder=TovaInstallTest\r\nTSR=1\r\n"
                 "1=viewer.exe\r\n");
    const std::string folder = target_ / "resident\\";
    InstallInto(folder, false);
    ASSERT_TRUE(run_->WaitForFinish());
    EXPECT_EQ(Names({std::string(kTitle) + ".lnk"}), FolderEntries(Place("Startup")));
    EXPECT_EQ(Names(), FolderEntries(Place("Programs")));
    EXPECT_EQ(Names(), FolderEntries(Place("Desktop")));
    LinkSeen seen;
    ASSERT_TRUE(ReadLink(Place("Startup") + kTitle + ".lnk", &seen));
    EXPECT_EQ(folder + "viewer.exe", seen.path);
}

// On a shell with major version 3 (Wine's version setting for the program file) the group is
// made by Wine's Program Manager server, in the Programs folder it knows: the test's own. The
// server takes an AddItem command line whole as the program's path, so the uninstall item
// (SETUP.EXE /r) is refused and only the main program's item is made. The removal that the
// uninstallation runs takes the group away again.
TEST_F(InstallTest, ProgramGroupOnTheOldShell) {
    ReportedVersion version("OLDSHELL.EXE", "win31");

    WriteProduct("[Install]\r\nTitle=サンプル表\r\nFolder=TovaInstallTest\r\n1=viewer.exe\r\n",
                 "OLDSHELL");
    const std::string folder = target_ / "old\\";
    InstallInto(folder);
    ASSERT_TRUE(run_->WaitForFinish());
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(run_->Page(), IDC_REMOVAL_HINT)))
        << "no Add/Remove Programs on this shell";
    CloseGroupWindows(kTitle, 3000);
    EXPECT_EQ(Names({kTitle}), FolderEntries(Place("Programs")));
    EXPECT_EQ(Names({std::string(kTitle) + ".lnk"}),
              FolderEntries(Place("Programs") + kTitle + "\\"));
    LinkSeen item;
    ASSERT_TRUE(ReadLink(Place("Programs") + kTitle + "\\" + kTitle + ".lnk", &item));
    char shortViewer[MAX_PATH];
    GetShortPathNameA((folder + "viewer.exe").c_str(), shortViewer, MAX_PATH);
    EXPECT_EQ(shortViewer, item.path);
    EXPECT_EQ(1u, run_->Cancel());

    // The removal as the uninstallation does it, from the installed copy's start-up.
    ResetSetupContext();
    ASSERT_EQ(StartMode::kUninstallRun, ResolveStart(("x " + folder + "OLDSHELL.EXE").c_str()));
    ASSERT_TRUE(LoadSettings());
    CopyText(SetupContext.installFolder, kPathSize, SetupContext.programFolder);
    SetupContext.newShell = false;
    for (ShortcutPlace place :
         {ShortcutPlace::kPrograms, ShortcutPlace::kDesktop, ShortcutPlace::kStartup}) {
        UpdateShortcuts(place, ShortcutUpdate::kRemove);
    }
    EXPECT_EQ(Names(), FolderEntries(Place("Programs")));
}

// The shipped folder (make dist): the installer, its setup file as built and Vexilo. Installed,
// Vexilo is in place with its start-menu link and its uninstall entry, and Finish starts it.
TEST_F(InstallTest, ShippedFolderInstallsVexilo) {
    // Vexilo stores its settings when it closes: whatever it adds is taken away again.
    const char* const makerKey = "SOFTWARE\\Oskaveld";
    const char* const vexiloKey = "SOFTWARE\\Oskaveld\\Vexilo";
    const char* const entryKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vexilo";
    const bool hadMaker = KeyExists(HKEY_CURRENT_USER, makerKey);
    const bool hadSettings = KeyExists(HKEY_CURRENT_USER, vexiloKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, entryKey);

    run_.reset(new InstallerRun(source_, TOVAMERE_EXE, "Tovamere"));
    run_->WriteSetupFile(driver::ReadFileBytes(driver::WindowsPath(TOVAMERE_INF)));
    CopyFileA(driver::WindowsPath(VEXILO_EXE).c_str(), (source_ / "Vexilo.exe").c_str(), FALSE);
    const std::string folder = target_ / "Vexilo\\";
    InstallInto(folder);
    ASSERT_TRUE(run_->WaitForFinish());
    EXPECT_EQ(nullptr, driver::FindMessageBox(run_->Pid()));
    EXPECT_EQ(Names({"Tovamere.EXE", "Tovamere.INF", "Tovamere.LOG", "Vexilo.exe"}), FolderEntries(folder));
    EXPECT_EQ("Vexilo" + std::string(1, '\0'), ReadUninstallValue("DisplayName", entryKey).bytes);
    EXPECT_EQ("\"" + folder + "Tovamere.EXE\" /r" + '\0',
              ReadUninstallValue("UninstallString", entryKey).bytes);
    EXPECT_EQ(Names({"Vexilo.lnk"}), FolderEntries(Place("Programs")));
    LinkSeen link;
    ASSERT_TRUE(ReadLink(Place("Programs") + "Vexilo.lnk", &link));
    EXPECT_EQ(folder + "Vexilo.exe", link.path);

    EXPECT_EQ(1u, run_->Finish());
    HWND vexilo = driver::WaitForWindow(0, "#32770", "Vexilo", 10000);
    ASSERT_NE(nullptr, vexilo) << "Vexilo's main window";
    DWORD pid = 0;
    GetWindowThreadProcessId(vexilo, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(vexilo, WM_CLOSE, 0, 0);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process, 10000));
    CloseHandle(process);

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, entryKey);
    if (!hadSettings) {
        SHDeleteKeyA(HKEY_CURRENT_USER, vexiloKey);
    }
    if (!hadMaker) {
        RegDeleteKeyA(HKEY_CURRENT_USER, makerKey);
    }
}

// Under TEST_WINDOWS_VERSION (the version runs of the end-to-end suites) every program a test
// starts is told that version, so that those runs really take the version's paths.
TEST(ReportedWindowsVersion, ReachesEveryProgramStarted) {
    const char* name = std::getenv("TEST_WINDOWS_VERSION");
    if (!name) {
        GTEST_SKIP() << "runs in the Windows version runs only";
    }
    const struct {
        const char* name;
        DWORD major, minor;
        bool windows95;
    } versions[] = {{"win95", 4, 0, true},
                    {"win98", 4, 10, true},
                    {"nt40", 4, 0, false},
                    {"winxp", 5, 1, false},
                    {"win7", 6, 1, false},
                    // Windows 10 tells 6.2 to a program whose manifest does not name it.
                    {"win10", 6, 2, false}};
    const auto* version =
        std::find_if(std::begin(versions), std::end(versions),
                     [&](const auto& v) { return std::strcmp(v.name, name) == 0; });
    ASSERT_NE(std::end(versions), version) << name;

    ScratchFolder folder;
    const std::string program = folder / "VERSIONPROBE.EXE";
    ASSERT_TRUE(CopyFileA(driver::WindowsPath(PRODUCT_PEER_EXE).c_str(), program.c_str(), FALSE));
    driver::Process probe;
    ASSERT_TRUE(probe.Start("\"" + program + "\" /version")) << probe.Problem();
    DWORD packed = 0;
    ASSERT_TRUE(probe.Wait(10000, &packed));
    EXPECT_EQ(version->major, packed & 0xFF) << name;
    EXPECT_EQ(version->minor, packed >> 8 & 0xFF) << name;
    EXPECT_EQ(version->windows95, (packed & 0x80000000) != 0) << name;
}

} // namespace
