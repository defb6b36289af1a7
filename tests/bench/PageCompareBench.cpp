// The cost of comparing two copies of a page as a reader sees it (what the probe does for every
// page it keeps): a page of 1 MB as today's sites write it, found unchanged (only nonces, ids and
// comments differ) and changed in a sentence, beside a comparison of bytes alone; and a page of
// 50 MB, with the process's peak memory, which must not grow with the page.
//
//   page_compare_bench.exe [RUNS]
#include <windows.h>

#include <psapi.h>

#include "favorites/FavoritesList.h"
#include "favorites/PageCompare.h"

#include "WinDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A page of about size bytes: scripts with ids, comments, ad slots and paragraphs of text;
// noise varies what nobody sees, change one sentence in its middle.
std::string Page(size_t size, int noise, bool change) {
    std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Harbour notes"
                       "</title><script nonce=\"n" +
                       std::to_string(noise) + "\">var id=\"r" + std::to_string(noise * 7919) +
                       "\";</script></head><body>\n";
    // As many paragraphs whatever the noise: only what nobody sees differs.
    const int paragraphs = static_cast<int>(size / 240);
    for (int i = 0; i < paragraphs; ++i) {
        page += "<!-- slot " + std::to_string(i * noise) +
                " --><div class=\"ad\"><script>slots.push("
                "{id: \"s-" +
                std::to_string(i + noise) +
                "\", html: \"<div></div>\"});</script>"
                "</div>\n<p>The harbour committee met on day " +
                std::to_string(i) + (change && i == 3000 ? " and changed its mind" : "") +
                " to discuss the spring timetable &amp; the tide tables &mdash; again.</p>\n";
    }
    return page + "</body></html>\n";
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// The median time of runs comparisons, in ms.
template <typename Compare> double Median(int runs, Compare compare) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        compare();
        QueryPerformanceCounter(&end);
        times.push_back(Milliseconds(start, end));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

size_t PeakMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 21;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string stored = std::string(temp) + "page-compare-bench.htm";
    const std::string fresh = stored + "_";
    const std::string changed = stored + "2_";
    if (!driver::WriteFileBytes(stored, Page(1 << 20, 1, false)) ||
        !driver::WriteFileBytes(fresh, Page(1 << 20, 2, false)) ||
        !driver::WriteFileBytes(changed, Page(1 << 20, 2, true))) {
        std::printf("page_compare_bench: cannot write its pages in %s\n", temp);
        return 1;
    }
    std::string note;
    bool same = false;
    const double unchanged =
        Median(runs, [&] { same = SamePage(stored.c_str(), fresh.c_str(), "text/html", nullptr); });
    const double differs =
        Median(runs, [&] { SamePage(stored.c_str(), changed.c_str(), "text/html", &note); });
    const double bytes = Median(runs, [&] { SameFileText(stored.c_str(), fresh.c_str()); });
    std::printf("comparing two copies of a 1 MB page as a reader sees it: unchanged %.1f ms%s, "
                "changed in a sentence %.1f ms (with its quote); bytes alone %.1f ms\n",
                unchanged, same ? "" : " (WRONG: found changed)", differs, bytes);

    // 50 MB: the page is written in pieces, so that only the comparison's memory counts.
    for (const std::string* path : {&stored, &fresh}) {
        FILE* file = std::fopen(path->c_str(), "wb");
        const std::string piece = Page(1 << 20, path == &stored ? 1 : 2, false);
        for (int i = 0; file && i < 50; ++i) {
            std::fwrite(piece.data(), 1, piece.size(), file);
        }
        if (file) {
            std::fclose(file);
        }
    }
    const size_t written = PeakMemory();
    const double large =
        Median(1, [&] { same = SamePage(stored.c_str(), fresh.c_str(), "text/html", nullptr); });
    std::printf("a page of 50 MB: %.2f s%s; peak memory %.1f MB before, %.1f MB after\n",
                large / 1000, same ? "" : " (WRONG: found changed)", written / 1048576.0,
                PeakMemory() / 1048576.0);
    DeleteFileA(stored.c_str());
    DeleteFileA(fresh.c_str());
    DeleteFileA(changed.c_str());
    return 0;
}
