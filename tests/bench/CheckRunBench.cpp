// Whole check runs of N favorites against the local web server: wall time per favorite and the
// CPU time of Vexilo's user-interface thread, which waits and paints while the probes run. Started
// by tests/bench/check-run-bench inside a Wine session with nginx on 127.0.0.1:80.
//
//   check_run_bench.exe VEXILO_EXE N [URL]   (URL: the one address of every favorite)
#include "ScratchFolder.h"
#include "ThreadTimes.h"
#include "VexiloDriver.h"

#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: check_run_bench VEXILO_EXE N [URL]\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    driver::ScratchFolder scratch;
    const std::string exe = scratch / "app\\Vexilo.exe";
    scratch.MakeFolder("app");
    CopyFileA(driver::WindowsPath(argv[1]).c_str(), exe.c_str(), FALSE);
    for (int i = 0; i < count; ++i) {
        const std::string url = argc == 4
                                    ? std::string(argv[3])
                                    : "http://127.0.0.1/bench/page" + std::to_string(i) + ".html";
        scratch.WriteFile("Favorites\\folder" + std::to_string(i % 10) + "\\page" +
                              std::to_string(i) + ".url",
                          "[InternetShortcut]\r\nURL=" + url + "\r\n");
    }
    const std::string favorites = scratch / "Favorites";
    const char* key = "SOFTWARE\\Oskaveld\\Vexilo";
    SHDeleteKeyA(HKEY_CURRENT_USER, key);
    SHSetValueA(HKEY_CURRENT_USER, key, "sFavorite", REG_SZ, favorites.c_str(),
                static_cast<DWORD>(favorites.size() + 1));
    DWORD vanished = 0x40; // nothing: no dialogs, no report of vanished pages
    DWORD update = 0x00;   // compare copies, no report either
    SHSetValueA(HKEY_CURRENT_USER, key, "wD_Chk", REG_DWORD, &vanished, sizeof vanished);
    SHSetValueA(HKEY_CURRENT_USER, key, "wN_Chk", REG_DWORD, &update, sizeof update);

    Vexilo vexilo;
    if (!vexilo.Start(exe)) {
        std::fprintf(stderr, "bench: Vexilo did not start\n");
        return 1;
    }
    HANDLE uiThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, vexilo.Process().MainThreadId());
    // Runs 1 and 2 with the window on screen; run 3 minimised, which leaves out the painting of
    // the log and the status line and shows what the checking itself costs.
    const char* const kRuns[] = {"", "every page new", "every page unchanged",
                                 "unchanged, window minimised"};
    for (int run = 1; run <= 3; ++run) {
        if (run == 3) {
            ShowWindow(vexilo.Window(), SW_MINIMIZE);
        }
        const double cpuBefore = ThreadCpuSeconds(uiThread);
        const DWORD start = GetTickCount();
        if (!vexilo.RunCheck(600000)) {
            std::fprintf(stderr, "bench: the run did not end\n");
            return 1;
        }
        const double wall = (GetTickCount() - start) / 1000.0;
        const double cpu = ThreadCpuSeconds(uiThread) - cpuBefore;
        std::printf("check run %d (%s): %d favorites in %.2f s, %.1f ms per favorite; "
                    "user-interface thread CPU %.2f s (%.1f%% of the run)\n",
                    run, kRuns[run], count, wall, 1000.0 * wall / count, cpu, 100.0 * cpu / wall);
        SendMessageA(GetDlgItem(vexilo.Window(), kLogList), LB_RESETCONTENT, 0, 0);
    }
    CloseHandle(uiThread);
    vexilo.Exit();
    SHDeleteKeyA(HKEY_CURRENT_USER, key);
    return 0;
}
