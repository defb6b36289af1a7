// Measures the favorites walk on a generated tree: wall time per walk, and the process's memory
// and handle count after each, which must stay flat however many favorites there are.
//   checker_walk_bench [folders] [shortcuts per folder] [walks]
#include <windows.h>

#include <psapi.h>

#include "favorites/FavoritesList.h"
#include "favorites/FavoritesWalk.h"
#include "framework/RunFlags.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Wine 8.0 answers GetProcessHandleCount with 0, so handles are not counted here.
struct Usage {
    SIZE_T privateBytes;
    SIZE_T workingSet;
};

Usage CurrentUsage() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return Usage{counters.PagefileUsage, counters.WorkingSetSize};
}

bool MakeTree(const std::string& root, int folders, int perFolder) {
    CreateDirectoryA(root.c_str(), nullptr);
    for (int f = 0; f < folders; ++f) {
        // Every third folder with a Japanese name, as real Favorites have.
        char folder[MAX_PATH];
        std::snprintf(folder, sizeof folder, "%s\\%s%03d", root.c_str(),
                      f % 3 == 0 ? "表示" : "Folder", f);
        CreateDirectoryA(folder, nullptr);
        for (int s = 0; s < perFolder; ++s) {
            char path[MAX_PATH];
            std::snprintf(path, sizeof path, "%s\\Site %04d.url", folder, s);
            FILE* file = std::fopen(path, "w");
            if (!file) {
                return false;
            }
            std::fprintf(file,
                         "[DEFAULT]\nBASEURL=http://site%d-%d.example.jp/\n[InternetShortcut]\n"
                         "URL=http://site%d-%d.example.jp/index.html\nModified=0\n",
                         f, s, f, s);
            std::fclose(file);
        }
    }
    return true;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

} // namespace

int main(int argc, char** argv) {
    const int folders = argc > 1 ? std::atoi(argv[1]) : 100;
    const int perFolder = argc > 2 ? std::atoi(argv[2]) : 50;
    const int walks = argc > 3 ? std::atoi(argv[3]) : 5;

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string root = std::string(temp) + "vexilo-bench";
    const std::string listPath = std::string(temp) + "vexilo-bench.tmp";
    std::printf("tree: %d folders x %d shortcuts in %s\n", folders, perFolder, root.c_str());
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!MakeTree(root, folders, perFolder)) {
        std::printf("cannot make the tree\n");
        return 1;
    }
    QueryPerformanceCounter(&end);
    std::printf("made in %.2f s\n", Seconds(start, end));

    const Usage before = CurrentUsage();
    std::printf("before: private %lu KiB, working set %lu KiB\n",
                static_cast<unsigned long>(before.privateBytes / 1024),
                static_cast<unsigned long>(before.workingSet / 1024));
    for (int w = 0; w < walks; ++w) {
        FILE* list = CreateListFile(listPath.c_str());
        runFlag = 1;
        QueryPerformanceCounter(&start);
        const int count = EnumerateFavorites(root.c_str(), list);
        QueryPerformanceCounter(&end);
        runFlag = 0;
        std::fclose(list);
        const Usage after = CurrentUsage();
        std::printf("walk %d: %d favorites in %.3f s (%.1f us each); private %lu KiB, "
                    "working set %lu KiB\n",
                    w + 1, count, Seconds(start, end), 1e6 * Seconds(start, end) / count,
                    static_cast<unsigned long>(after.privateBytes / 1024),
                    static_cast<unsigned long>(after.workingSet / 1024));
    }
    DeleteFileA(listPath.c_str());
    // The tree is removed unless "keep" is given.
    if (argc <= 4 || std::string(argv[4]) != "keep") {
        char command[MAX_PATH + 32];
        std::snprintf(command, sizeof command, "cmd /c rmdir /s /q \"%s\"", root.c_str());
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            WaitForSingleObject(process.hProcess, INFINITE);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    return 0;
}
