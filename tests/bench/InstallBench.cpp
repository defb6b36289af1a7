// Installs and removes a product of many tiny files through the real program, as a user would:
// the time until the wizard's first page shows, the copy, and the removal. Each of the last two
// also gives the CPU time of the thread that does the work: on a shared machine the wall time
// of the same copy scatters by a factor of three or more, its CPU time far less.
//   installer_bench [files] [program (a host path; the shipped Tovamere.exe by default)]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "InstallerRun.h"
#include "ScratchFolder.h"
#include "ThreadTimes.h"
#include "WinDriver.h"
#include "resource.h"

namespace {

double Since(const LARGE_INTEGER& from) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - from.QuadPart) / frequency.QuadPart;
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

int Fail(const char* what) {
    std::fprintf(stderr, "installer_bench: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    const char* program = argc > 2 ? argv[2] : TOVAMERE_EXE;
    driver::ScratchFolder source;
    driver::ScratchFolder scratch;
    // A hundred files a sub-folder, as a product with many parts has them.
    std::string setup = "[Install]\r\nTitle=Bench\r\nFolder=TovaInstallBench\r\n";
    for (int n = 1; n <= files; ++n) {
        char name[32];
        char entry[96];
        std::snprintf(name, sizeof name, "f%05d.txt", n);
        std::snprintf(entry, sizeof entry, "%d=%s,d%03d\\%s\r\n", n, name, n / 100, name);
        driver::WriteFileBytes(source / name, "x");
        setup += entry;
    }
    // The floor: the same program with a setup file of one entry, to its first page and back.
    double floor = 0;
    {
        driver::ScratchFolder small;
        driver::WriteFileBytes(small / "f00001.txt", "x");
        InstallerRun one(small, program);
        one.WriteSetupFile(
            "[Install]\r\nTitle=Bench\r\nFolder=TovaInstallBench\r\n1=f00001.txt\r\n");
        const LARGE_INTEGER started = Now();
        if (!one.Start() || !one.WaitForWizard(60000) || !one.WaitForPage(kFolderPage, 60000)) {
            return Fail("no wizard");
        }
        floor = Since(started);
        one.Cancel();
    }
    InstallerRun installer(source, program);
    installer.WriteSetupFile(setup);
    const std::string folder = scratch / "Bench\\";

    const LARGE_INTEGER started = Now();
    if (!installer.Start() || !installer.WaitForWizard(60000) ||
        !installer.WaitForPage(kFolderPage, 60000)) {
        return Fail("no wizard");
    }
    const double wizard = Since(started);
    installer.TypeFolder(folder);
    installer.PressNext();
    if (!installer.WaitForPage(kShortcutPage)) {
        return Fail("no shortcut page");
    }
    installer.SetChecked(IDC_START_MENU, false);
    // The steps run on the wizard's thread.
    HANDLE wizardThread =
        OpenThread(THREAD_QUERY_INFORMATION, FALSE, installer.Process().MainThreadId());
    const double copyCpuBefore = ThreadCpuSeconds(wizardThread);
    const LARGE_INTEGER copyStarted = Now();
    installer.PressNext();
    if (!installer.WaitForFinish(3600000)) {
        return Fail("the copy did not finish");
    }
    const double copy = Since(copyStarted);
    const double copyCpu = ThreadCpuSeconds(wizardThread) - copyCpuBefore;
    CloseHandle(wizardThread);
    installer.Finish();

    // The removal as the copy in the system folder runs it, from a folder of the bench's own.
    const std::string runner = scratch / "SETUP.EXE";
    CopyFileA(driver::WindowsPath(program).c_str(), runner.c_str(), FALSE);
    driver::Process removal;
    const LARGE_INTEGER removalStarted = Now();
    if (!removal.Start("\"" + runner + "\" x " + folder + "SETUP.EXE")) {
        return Fail("the removal did not start");
    }
    HWND dialog = driver::WaitForWindow(removal.Id(), "#32770", "Benchの削除", 60000);
    if (!dialog ||
        !driver::WaitUntil([&] { return driver::IsEnabled(dialog, IDCANCEL); }, 3600000)) {
        return Fail("the removal did not finish");
    }
    const double removed = Since(removalStarted);
    HANDLE removalThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, removal.MainThreadId());
    const double removalCpu = ThreadCpuSeconds(removalThread);
    CloseHandle(removalThread);
    const std::string outcome = driver::ItemText(dialog, IDC_UNINSTALL_STATUS);
    driver::Click(dialog, IDCANCEL);
    removal.Wait(10000, nullptr);

    std::printf("installer: %d files; wizard's first page after %.2f s (%.2f s with one file); "
                "copy %.1f s (CPU %.1f s); removal %.1f s (CPU %.1f s; %s)\n",
                files, wizard, floor, copy, copyCpu, removed, removalCpu,
                outcome == "Benchは正常に削除されました。" ? "all removed" : "files left");
    return driver::FileExists(folder) ? 1 : 0;
}
