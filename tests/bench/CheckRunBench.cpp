// Whole check runs of N favorites against the local web server, in one Vexilo process: wall
// time per favorite and the CPU time of Vexilo's user-interface thread, which waits and paints
// while the probes run. Started by tests/bench/check-run-bench inside a Wine session with a
// server on 127.0.0.1:80.
//
//   check_run_bench.exe VEXILO_EXE N RUNS window|minimised [URL]
//
// The first run fetches every page for the first time (each is new and goes into the store);
// then RUNS runs find every page unchanged, and their median, minimum and maximum are printed.
// URL, when given, is the one address of every favorite, numbered where it holds "%d"; or
// @FILE, a list of "URL KIND" lines (tests/peers/rotten-web): the favorites, and what each
// should be answered (the first run's log is checked against it), with the peak of Vexilo's
// threads and memory during the first run.
// VEXILO_PROBES in the environment sets how many are probed at once; VEXILO_PROXY (host:port)
// names a proxy in the user's Internet Settings for the runs, removed again at the end.
#include "ScratchFolder.h"
#include "ThreadTimes.h"
#include "VexiloDriver.h"

#include <psapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
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

// log, when given, receives the run's log.
bool TimeRun(Vexilo& vexilo, HANDLE uiThread, Run& run,
             std::vector<std::string>* log = nullptr) {
    const double cpuBefore = ThreadCpuSeconds(uiThread);
    const DWORD start = GetTickCount();
    if (!vexilo.RunCheck(600000)) {
        return false;
    }
    run.wall = (GetTickCount() - start) / 1000.0;
    run.cpu = ThreadCpuSeconds(uiThread) - cpuBefore;
    if (log) {
        *log = vexilo.LogLines();
    }
    SendMessageA(GetDlgItem(vexilo.Window(), kLogList), LB_RESETCONTENT, 0, 0);
    return true;
}

// What the log of a favorite of each kind holds (rotten-web's kinds).
const std::map<std::string, std::vector<std::string>> kAnswers = {
    {"live", {"200 OK"}},
    {"404", {"404 "}},
    {"moved", {"301 ", "移転先: ", "200 OK"}},
    {"403", {"403 "}},
    {"500", {"500 "}},
    {"503", {"503 "}},
    {"nxdomain", {"というホストを検出できません。"}},
    {"refused", {"接続できませんでした。"}},
    {"hole", {"への接続が時間切れになりました。"}},
    {"silent", {"からの応答が時間切れになりました。"}},
};

// How many favorites the log answers as their kinds want; the first few others are printed.
int AnsweredAsExpected(const std::vector<std::string>& log,
                       const std::vector<std::pair<std::string, std::string>>& favorites) {
    std::map<std::string, std::string> byUrl; // the lines after each URL, one text
    std::string* lines = nullptr;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i] == "          -----------" && i + 1 < log.size()) {
            lines = &byUrl[log[++i]];
        } else if (lines) {
            *lines += log[i] + "\n";
        }
    }
    int right = 0;
    int wrongShown = 0;
    for (const auto& favorite : favorites) {
        const std::string& got = byUrl[favorite.first];
        bool ok = kAnswers.count(favorite.second) != 0;
        size_t at = 0;
        for (const std::string& part : ok ? kAnswers.at(favorite.second) : std::vector<std::string>{}) {
            at = got.find(part, at);
            ok = ok && at != std::string::npos;
        }
        right += ok ? 1 : 0;
        if (!ok && wrongShown++ < 10) {
            std::printf("  not as expected (%s): %s: %s\n", favorite.second.c_str(),
                        favorite.first.c_str(), got.c_str());
        }
    }
    return right;
}

// The most threads Vexilo had, sampled while it runs.
class ThreadPeak {
public:
    explicit ThreadPeak(DWORD process)
        : sampler_([this, process] {
              while (!stop_) {
                  peak_ = std::max(peak_.load(), driver::ThreadCount(process));
                  Sleep(50);
              }
          }) {}
    ~ThreadPeak() { Stop(); }
    int Stop() {
        stop_ = true;
        if (sampler_.joinable()) {
            sampler_.join();
        }
        return peak_;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> peak_{0};
    std::thread sampler_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: check_run_bench VEXILO_EXE N RUNS window|minimised [URL, %%d numbered]\n");
        return 2;
    }
    int count = std::atoi(argv[2]);
    // Favorites from a list, with the answer each should get.
    std::vector<std::pair<std::string, std::string>> listed;
    if (argc == 6 && argv[5][0] == '@') {
        std::ifstream in(argv[5] + 1);
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            std::string url, kind;
            if (fields >> url >> kind) {
                listed.emplace_back(url, kind);
            }
        }
        count = std::min(count, static_cast<int>(listed.size()));
    }
    const int runs = std::atoi(argv[3]);
    const bool minimised = std::strcmp(argv[4], "minimised") == 0;
    driver::ScratchFolder scratch;
    const std::string exe = scratch / "app\\Vexilo.exe";
    scratch.MakeFolder("app");
    CopyFileA(driver::WindowsPath(argv[1]).c_str(), exe.c_str(), FALSE);
    for (int i = 0; i < count; ++i) {
        // A URL given is the same for every favorite, or numbered where it holds "%d".
        std::string url = !listed.empty() ? listed[static_cast<size_t>(i)].first
                          : argc == 6     ? std::string(argv[5])
                                          : "http://127.0.0.1/bench/page%d.html";
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

    const char* settings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    const char* proxy = std::getenv("VEXILO_PROXY");
    if (proxy) {
        const DWORD on = 1;
        SHSetValueA(HKEY_CURRENT_USER, settings, "ProxyEnable", REG_DWORD, &on, sizeof on);
        SHSetValueA(HKEY_CURRENT_USER, settings, "ProxyServer", REG_SZ, proxy,
                    static_cast<DWORD>(std::strlen(proxy) + 1));
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
    std::vector<std::string> firstLog;
    ThreadPeak threads(vexilo.Process().Id());
    bool ended = TimeRun(vexilo, uiThread, first, &firstLog);
    const int peakThreads = threads.Stop();
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(vexilo.Process().Handle(), &memory, sizeof memory);
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
    if (!listed.empty()) {
        listed.resize(static_cast<size_t>(count));
        std::printf("Vexilo, first run: %d of %d favorites answered as their kind should be; "
                    "peak %d threads, working set %.1f MB, private bytes %.1f MB\n",
                    AnsweredAsExpected(firstLog, listed), count, peakThreads,
                    memory.PeakWorkingSetSize / 1048576.0, memory.PeakPagefileUsage / 1048576.0);
    }
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
    if (proxy) {
        SHDeleteValueA(HKEY_CURRENT_USER, settings, "ProxyEnable");
        SHDeleteValueA(HKEY_CURRENT_USER, settings, "ProxyServer");
    }
    return 0;
}
