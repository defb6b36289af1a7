// Measures how a browser's Bookmarks file becomes the run's list: a file of BOOKMARKS bookmarks
// in FOLDERS folders as Chromium writes it (about 20 MB for 50,000), read into the list READS
// times; prints the time of each and the process's peak memory against the file's size. With
// --source, a source made elsewhere is read instead: a Firefox profile whose database make bench
// writes.
//   checker_bookmarks_bench [bookmarks] [folders] [reads]
//   checker_bookmarks_bench --source PATH FILE [reads]   (FILE: the one whose size is shown)
#include <windows.h>

#include <psapi.h>

#include "favorites/FavoritesList.h"
#include "favorites/Sources.h"
#include "framework/RunFlags.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// One node as Chromium writes it: keys in order, three blanks a level, UTF-8 names.
void Node(std::string& out, int depth, int id, const std::string& name, const char* url) {
    const std::string pad(3 * depth, ' ');
    char guid[40];
    std::snprintf(guid, sizeof guid, "%08x-5eed-4000-8000-%012x", id * 2654435761u, id);
    out += pad + "{\n";
    if (!url) {
        out += pad + "   \"children\": [ ";
        return;
    }
    // A browser adds meta_info to some.
    const std::string meta =
        id % 4 ? "" : pad + "   \"meta_info\": {\n" + pad + "      \"power_bookmark_meta\": \"\"\n" +
                          pad + "   },\n";
    char text[1024];
    std::snprintf(text, sizeof text,
                  "%s   \"date_added\": \"1334%013d\",\n%s   \"date_last_used\": \"0\",\n"
                  "%s   \"guid\": \"%s\",\n%s   \"id\": \"%d\",\n%s%s   \"name\": \"%s\",\n"
                  "%s   \"type\": \"url\",\n%s   \"url\": \"%s\"\n%s}",
                  pad.c_str(), id, pad.c_str(), pad.c_str(), guid, pad.c_str(), id, meta.c_str(),
                  pad.c_str(), name.c_str(), pad.c_str(), pad.c_str(), url, pad.c_str());
    out += text;
}

// Written a folder at a time, so that making the file leaves no peak of its own.
size_t MakeFile(FILE* file, int bookmarks, int folders) {
    size_t size = 0;
    std::string out = "{\n   \"checksum\": \"0f3c5a0b6d3e2f1a9c8b7a6d5e4f3a2b\",\n   \"roots\": {\n"
                      "      \"bookmark_bar\": {\n         \"children\": [ ";
    const int perFolder = bookmarks / folders;
    int id = 10;
    for (int f = 0; f < folders; ++f) {
        Node(out, 3, ++id, "", nullptr);
        for (int b = 0; b < perFolder; ++b) {
            char url[160];
            std::snprintf(url, sizeof url,
                          "https://site%d.example.jp/%s/article/%06d.html?ref=bookmark&amp;id=%d",
                          f, f % 2 ? "news" : "blog", b, id);
            Node(out, 5, ++id, u8"ニュースの記事 " + std::to_string(b) + u8" ｜ サイト", url);
            out += b + 1 < perFolder ? ", " : "";
        }
        char tail[512];
        std::snprintf(tail, sizeof tail,
                      " ],\n            \"date_added\": \"13340000000000000\",\n"
                      "            \"guid\": \"f0%06d-0000-4000-8000-000000000000\",\n"
                      "            \"id\": \"%d\",\n            \"name\": \"%s%d\",\n"
                      "            \"type\": \"folder\"\n         }%s",
                      f, id, f % 3 ? "Folder " : u8"フォルダ ", f, f + 1 < folders ? ", " : "");
        out += tail;
        size += std::fwrite(out.data(), 1, out.size(), file);
        out.clear();
    }
    out += " ],\n         \"name\": \"" + std::string(u8"お気に入りバー") +
           "\",\n         \"type\": \"folder\"\n      },\n      \"other\": {\n         "
           "\"children\": [  ],\n         \"name\": \"\",\n         \"type\": \"folder\"\n      }\n"
           "   },\n   \"sync_metadata\": \"" +
           std::string(4000, 'Q') + "\",\n   \"version\": 1\n}\n";
    return size + std::fwrite(out.data(), 1, out.size(), file);
}

} // namespace

// The size of a file; 0 when it cannot be had.
size_t SizeOf(const char* path) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    FindClose(search);
    return entry.nFileSizeLow;
}

int main(int argc, char** argv) {
    const bool given = argc > 3 && std::string(argv[1]) == "--source";
    const int bookmarks = !given && argc > 1 ? std::atoi(argv[1]) : 50000;
    const int folders = !given && argc > 2 ? std::atoi(argv[2]) : 2000;
    const int reads = given ? (argc > 4 ? std::atoi(argv[4]) : 5) : argc > 3 ? std::atoi(argv[3]) : 5;

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string path = given ? argv[2] : std::string(temp) + "vexilo-bench-Bookmarks";
    const std::string listPath = std::string(temp) + "vexilo-bench-bookmarks.tmp";
    size_t fileSize = given ? SizeOf(argv[3]) : 0;
    if (!given) {
        FILE* file = std::fopen(path.c_str(), "wb");
        fileSize = file ? MakeFile(file, bookmarks, folders) : 0;
        if (!file || std::fclose(file) != 0) {
            fileSize = 0;
        }
    }
    if (fileSize == 0) {
        std::printf("cannot write or find %s\n", given ? argv[3] : path.c_str());
        return 1;
    }
    // What the process holds before any reading: the reading's own peak is measured above it.
    const PROCESS_MEMORY_COUNTERS before = Memory();
    if (given) {
        std::printf("%s: %.1f MB; process before reading: %.1f MB private\n", argv[3],
                    fileSize / 1048576.0, before.PagefileUsage / 1048576.0);
    } else {
        std::printf("bookmarks file: %d bookmarks in %d folders, %.1f MB; process before "
                    "reading: %.1f MB private\n",
                    bookmarks, folders, fileSize / 1048576.0, before.PagefileUsage / 1048576.0);
    }

    std::vector<double> times;
    runFlag = 1;
    for (int r = 0; r < reads; ++r) {
        FILE* list = CreateListFile(listPath.c_str());
        FilledList filled;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        const bool read = FillFavoritesList(path.c_str(), list, filled);
        std::fclose(list);
        QueryPerformanceCounter(&end);
        times.push_back(Seconds(start, end));
        std::printf("read %d: %d bookmarks into the list in %.3f s%s\n", r + 1, filled.count,
                    times.back(), read ? "" : " (failed)");
    }
    runFlag = 0;
    std::sort(times.begin(), times.end());
    const PROCESS_MEMORY_COUNTERS after = Memory();
    // Both peaks, as the system counts them (Wine 8.0 keeps the private bytes of its heap out
    // of PagefileUsage: there the working set tells).
    std::printf("bookmarks into the list: median %.3f s over %d reads; peak working set %.1f MB "
                "(%.2f x the file), peak private memory %.1f MB\n",
                times[times.size() / 2], reads, after.PeakWorkingSetSize / 1048576.0,
                static_cast<double>(after.PeakWorkingSetSize) / fileSize,
                after.PeakPagefileUsage / 1048576.0);
    if (!given) {
        DeleteFileA(path.c_str());
    }
    DeleteFileA(listPath.c_str());
    return 0;
}
