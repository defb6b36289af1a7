// Whole check runs of N favorites against the local web server, in one Vexilo process: wall
// time per favorite and the CPU time of Vexilo's user-interface thread, which waits and paints
// while the probes run. Started by tests/bench/check-run-bench inside a Wine session with a
// server on 127.0.0.1:80.
//
//   check_run_bench.exe VEXILO_EXE N RUNS window|minimised [URL]
//
// The first run fetches every page for the first time (each is new and goes into the store);
// then RUNS runs find every page unchanged, and their median, minimum and maximum are printed.
// URL, when given, is the one address of every favorite, numbered where it holds "%d".
// VEXILO_PROBES in the environment sets how many are probed at once.
#include "ScratchFolder.h"
#include "ThreadTimes.h"
#include "VexiloDriver.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Run {
    double wall = 0;
    double cpu = 0;
};

bool TimeRun(Vexilo& vexilo, HANDLE uiThread, Run& run) {
    const double cpuBefore = ThreadCpuSeconds(uiThread);
    const DWORD start = GetTickCount();
    if (!vexilo.RunCheck(600000)) {
        return false;
    }
    run.wall = (GetTickCount() - start) / 1000.0;
    run.cpu = ThreadCpuSeconds(uiThread) - cpuBefore;
    SendMessageA(GetDlgItem(vexilo.Window(), kLogList), LB_RESETCONTENT, 0, 0);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: check_run_bench VEXILO_EXE N RUNS window|minimised [URL, %%d numbered]\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    const int runs = std::atoi(argv[3]);
    const bool minimised = std::strcmp(argv[4], "minimised") == 0;
    driver::ScratchFolder scratch;
    const std::string exe = scratch / "app\\Vexilo.exe";
    scratch.MakeFolder("app");
    CopyFileA(driver::WindowsPath(argv[1]).c_str(), exe.c_str(), FALSE);
    for (int i = 0; i < count; ++i) {
        // A URL given is the same for every favorite, or numbered where it holds "%d".
        std::string url = argc == 6 ? std::string(argv[5]) : "http://127.0.0.1/bench/page%d.html";
        const size_t number = url.find("%d");
        if (number != std::string::npos) {
            url.replace(number, 2, std::to_string(i));
        }
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
    // VEXILO_PROBES, when set, is how many favorites are probed at once (else the default).
    if (const char* probes = std::getenv("VEXILO_PROBES")) {
        const DWORD atOnce = static_cast<DWORD>(std::atoi(probes));
        SHSetValueA(HKEY_CURRENT_USER, key, "wProbes", REG_DWORD, &atOnce, sizeof atOnce);
    }

    Vexilo vexilo;
    if (!vexilo.Start(exe)) {
        std::fprintf(stderr, "bench: Vexilo did not start\n");
        return 1;
    }
    if (minimised) {
        ShowWindow(vexilo.Window(), SW_MINIMIZE);
    }
    HANDLE uiThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, vexilo.Process().MainThreadId());
    const char* how = minimised ? "window minimised" : "window on screen";
    Run first;
    std::vector<Run> timed(static_cast<size_t>(runs));
    bool ended = TimeRun(vexilo, uiThread, first);
    for (Run& run : timed) {
        ended = ended && TimeRun(vexilo, uiThread, run);
    }
    if (!ended) {
        std::fprintf(stderr, "bench: a run did not end\n");
        return 1;
    }
    std::printf("Vexilo, %s, first run (every page new): %d favorites in %.2f s, %.1f ms each; "
                "user-interface thread CPU %.2f s\n",
                how, count, first.wall, 1000.0 * first.wall / count, first.cpu);
    if (runs > 0) {
        std::sort(timed.begin(), timed.end(),
                  [](const Run& a, const Run& b) { return a.wall < b.wall; });
        const Run& median = timed[timed.size() / 2];
        std::printf("Vexilo, %s, %d runs (pages unchanged): median %.2f s (%.2f to %.2f), "
                    "%.1f ms per favorite; user-interface thread CPU %.2f s\n",
                    how, runs, median.wall, timed.front().wall, timed.back().wall,
                    1000.0 * median.wall / count, median.cpu);
    }
    CloseHandle(uiThread);
    vexilo.Exit();
    SHDeleteKeyA(HKEY_CURRENT_USER, key);
    return 0;
}
