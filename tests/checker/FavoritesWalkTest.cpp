// Favorites walk on real folders: which entries are listed, the list's exact lines, the URL
// line of a shortcut, a stop through runFlag while the walk dispatches messages, folder cycles
// and paths too long for the walk.
#include <windows.h>

#include "favorites/FavoritesList.h"
#include "favorites/FavoritesWalk.h"
#include "framework/RunFlags.h"

#include "HostLinks.h"
#include "ScratchFolder.h"
#include "WinDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using driver::DriveLetter;
using driver::FolderLink;
using driver::ScratchFolder;
using Favorite = std::pair<std::string, std::string>; // shortcut path, URL

// Runs the walk as the check run does: list written in text mode, runFlag 1 while it walks.
int Walk(const std::string& folder, const std::string& listPath) {
    FILE* list = CreateListFile(listPath.c_str());
    if (!list) {
        return -1;
    }
    runFlag = 1;
    const int count = EnumerateFavorites(folder.c_str(), list);
    runFlag = 0;
    std::fclose(list);
    return count;
}

// The list's shortcuts and their URLs, in file order. Every line must end in CR LF, with no
// other line feed; every entry is a shortcut's (flag F, its file, name, store name, URL).
std::vector<Favorite> ListedPairs(const std::string& listPath) {
    const std::string bytes = driver::ReadFileBytes(listPath);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
        EXPECT_EQ(std::string::npos, lines.back().find('\n')) << lines.back();
    }
    EXPECT_EQ(bytes.size(), start) << "the list does not end in CR LF";
    EXPECT_EQ(0u, lines.size() % 5);
    std::vector<Favorite> pairs;
    for (size_t i = 0; i + 4 < lines.size(); i += 5) {
        EXPECT_EQ("F", lines[i]);
        pairs.emplace_back(lines[i + 1], lines[i + 4]);
    }
    return pairs;
}

std::vector<Favorite> Sorted(std::vector<Favorite> pairs) {
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

std::string Shortcut(const std::string& url) {
    return "[InternetShortcut]\r\nURL=" + url + "\r\n";
}

struct ShortcutCase {
    const char* name;
    std::string content;
    std::string url; // empty: not a favorite
};

TEST(ReadShortcutUrl, TakesTheFirstUrlLine) {
    const ShortcutCase cases[] = {
        {"as browsers write it",
         "[DEFAULT]\r\nBASEURL=http://base.example/\r\n[InternetShortcut]\r\n"
         "URL=http://real.example/page\r\nIDList=\r\nHotKey=0\r\n",
         "http://real.example/page"},
        {"blanks around =", "[InternetShortcut]\r\nURL =  http://spaced.example/\r\n",
         "http://spaced.example/"},
        {"any fourth character", "URLX=y\r\n", "y"},
        // The fourth character is a whole one: the URL never begins with its trail byte.
        {"a double-byte fourth character", "URLソhttp://dbcs.example/\r\n", "http://dbcs.example/"},
        {"lower case is no URL line", "[InternetShortcut]\r\nurl=http://lower.example/\r\n", ""},
        {"empty value", "[InternetShortcut]\r\nURL=\r\n", ""},
        {"the first URL line wins, even empty", "URL=\r\nURL=http://second.example/\r\n", ""},
        {"an earlier section wins",
         "[DEFAULT]\r\nURL=http://earlier.example/\r\n[InternetShortcut]\r\nURL=http://later/\r\n",
         "http://earlier.example/"},
        {"no line end", "URL=http://end.example/", "http://end.example/"},
        {"three characters", "URL\r\n", ""},
        {"Shift-JIS in the URL", "URL=http://example.jp/表示/ソフト\r\n",
         "http://example.jp/表示/ソフト"},
        {"cut to the first piece", "URL=" + std::string(1100, 'a') + "\r\n",
         std::string(1019, 'a')},
        // The piece ends in the lead byte of 表: the half character is dropped.
        {"cut between the bytes of a character", "URL=" + std::string(1018, 'a') + "表表\r\n",
         std::string(1018, 'a')},
    };
    ScratchFolder scratch;
    for (const ShortcutCase& c : cases) {
        ASSERT_TRUE(scratch.WriteFile("s.url", c.content));
        char url[kListLineSize];
        std::memset(url, 'x', sizeof url);
        EXPECT_EQ(!c.url.empty(), ReadShortcutUrl((scratch / "s.url").c_str(), url)) << c.name;
        EXPECT_EQ(c.url, url) << c.name;
    }
    char url[kListLineSize] = "old";
    EXPECT_FALSE(ReadShortcutUrl((scratch / "missing.url").c_str(), url));
    EXPECT_STREQ("", url);
}

TEST(StripScheme, KeepsHostAndPath) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://www.example.jp/index.html", "www.example.jp/index.html"},
        {"http://host/q?u=http://other/", "host/q?u=http://other/"}, // only the first "//"
        {"https://host:8443/", "host:8443/"},
        {"host/path", "host/path"},
        {"", ""},
    };
    for (const auto& c : cases) {
        char text[kListLineSize];
        std::strcpy(text, c.first);
        EXPECT_EQ(80, StripScheme(text));
        EXPECT_STREQ(c.second, text);
    }
}

TEST(ClassifyEntry, ByNameAndAttributes) {
    const DWORD file = FILE_ATTRIBUTE_ARCHIVE;
    const DWORD folder = FILE_ATTRIBUTE_DIRECTORY;
    const struct {
        const char* name;
        DWORD attributes;
        EntryKind kind;
    } cases[] = {
        {"News.url", file, EntryKind::kShortcut},
        {"NEWS.URL", file | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, EntryKind::kShortcut},
        {"表.url", file, EntryKind::kShortcut},
        {"a.url.bak", file, EntryKind::kSkip},
        {"a\x95.url", file, EntryKind::kSkip}, // the dot is a trail byte
        {"url", file, EntryKind::kSkip},
        {"News.url", file | FILE_ATTRIBUTE_TEMPORARY, EntryKind::kSkip},
        {"News", folder, EntryKind::kFolder},
        {"ソ", folder | FILE_ATTRIBUTE_HIDDEN, EntryKind::kFolder},
        {"x.url", folder, EntryKind::kFolder},
        {".", folder, EntryKind::kSkip},
        {"..", folder, EntryKind::kSkip},
        {".cache", folder, EntryKind::kSkip},
        {"News", folder | FILE_ATTRIBUTE_TEMPORARY, EntryKind::kSkip},
        {"Link", folder | FILE_ATTRIBUTE_REPARSE_POINT, EntryKind::kSkip},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int>(c.kind), static_cast<int>(ClassifyEntry(c.name, c.attributes)))
            << c.name;
    }
}

TEST(EnumerateFavorites, ListsEveryShortcutOfTheTree) {
    ScratchFolder scratch;
    const std::string root = scratch / "Favorites";
    const std::string longUrl(1019, 'l');
    ASSERT_TRUE(scratch.WriteFile("Favorites\\A.URL", Shortcut("http://capital.example/")));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\page.url.bak", Shortcut("http://bak.example/")));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\notes.txt", Shortcut("http://txt.example/")));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\.dot\\in.url", Shortcut("http://dot.example/")));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\Hidden\\h.url", Shortcut("http://hidden.example/")));
    ASSERT_TRUE(SetFileAttributesA((root + "\\Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\表\\ソ\\real.url",
                                  "[DEFAULT]\r\nBASEURL=http://base.example/\r\n"
                                  "[InternetShortcut]\r\nURL=http://real.example/\r\n"));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\表\\spaced.url",
                                  "[InternetShortcut]\r\nURL =  http://spaced.example/\r\n"));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\urlx.url", "URLX=y\r\n"));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\lower.url", "url=http://lower.example/\r\n"));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\empty.url", "[InternetShortcut]\r\nURL=\r\n"));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\long.url", "URL=" + longUrl + "tail\r\n"));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\dir.url\\inner.url", Shortcut("http://inner/")));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\temp.url", Shortcut("http://temp.example/")));
    ASSERT_TRUE(scratch.WriteFile("Favorites\\TempDir\\t.url", Shortcut("http://tempdir/")));
    ASSERT_TRUE(SetFileAttributesA((root + "\\temp.url").c_str(), FILE_ATTRIBUTE_TEMPORARY));
    ASSERT_TRUE(SetFileAttributesA((root + "\\TempDir").c_str(),
                                   FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY));

    std::vector<Favorite> expected = {
        {root + "\\A.URL", "http://capital.example/"},
        {root + "\\Hidden\\h.url", "http://hidden.example/"},
        {root + "\\表\\ソ\\real.url", "http://real.example/"},
        {root + "\\表\\spaced.url", "http://spaced.example/"},
        {root + "\\urlx.url", "y"},
        {root + "\\long.url", longUrl},
        {root + "\\dir.url\\inner.url", "http://inner/"},
    };
    // Windows keeps the temporary attribute and the walk skips such entries. Wine 8.0 accepts
    // it but does not keep it (only hidden and system are stored), so the walk sees ordinary
    // entries there; ClassifyEntry shows the skip itself.
    const bool keepsTemporary =
        (GetFileAttributesA((root + "\\temp.url").c_str()) & FILE_ATTRIBUTE_TEMPORARY) != 0;
    if (!keepsTemporary) {
        std::printf("[   NOTE   ] the system did not keep FILE_ATTRIBUTE_TEMPORARY\n");
        expected.push_back({root + "\\temp.url", "http://temp.example/"});
        expected.push_back({root + "\\TempDir\\t.url", "http://tempdir/"});
    }

    const std::string listPath = scratch / "flist.tmp";
    EXPECT_EQ(static_cast<int>(expected.size()), Walk(root, listPath));
    const std::vector<Favorite> listed = ListedPairs(listPath);
    EXPECT_EQ(Sorted(expected), Sorted(listed));

    // Depth first: the two shortcuts below 表 come together, in no folder's middle.
    const auto first = std::find_if(listed.begin(), listed.end(), [](const Favorite& f) {
        return f.first.find("\\表\\") != std::string::npos;
    });
    ASSERT_NE(listed.end(), first);
    ASSERT_NE(listed.end(), first + 1);
    EXPECT_NE(std::string::npos, (first + 1)->first.find("\\表\\"));

    // The favorites list can be read back entry by entry, each named below the root.
    FILE* list = std::fopen(listPath.c_str(), "r");
    ASSERT_NE(nullptr, list);
    ListEntry entry;
    for (const Favorite& favorite : listed) {
        ASSERT_TRUE(ReadListEntry(list, entry));
        EXPECT_EQ(favorite.first, entry.file);
        EXPECT_EQ(favorite.second, entry.url);
        EXPECT_EQ(favorite.first.substr(root.size() + 1), entry.name);
        EXPECT_FALSE(entry.urlCut);
    }
    EXPECT_FALSE(ReadListEntry(list, entry));
    std::fclose(list);

    // No folder, or one that cannot be searched, gives no favorites.
    EXPECT_EQ(0, Walk("", listPath));
    EXPECT_EQ(0, Walk(root + "\\missing", listPath));
}

// A window of the test thread: counts the messages the walk dispatches to it, and clears
// runFlag at the stopAt-th one, as the stop question of the dialog does.
struct StopWindow {
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) {
            if (++seen == stopAt) {
                runFlag = 0;
            }
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    StopWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VexiloWalkTest";
        RegisterClassA(&windowClass);
        window = CreateWindowA("VexiloWalkTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
        seen = 0;
    }
    ~StopWindow() {
        MSG message;
        while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        }
        DestroyWindow(window);
    }
    int Waiting() const {
        int count = 0;
        MSG message;
        while (PeekMessageA(&message, window, WM_APP, WM_APP, PM_REMOVE)) {
            ++count;
        }
        return count;
    }
    HWND window = nullptr;
    static int seen;
    static int stopAt;
};
int StopWindow::seen = 0;
int StopWindow::stopAt = 0;

TEST(EnumerateFavorites, StopsAtTheNextEntryOnceRunFlagIsCleared) {
    ScratchFolder scratch;
    for (int i = 0; i < 20; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Favorites\\Sub\\s%02d.url", i);
        ASSERT_TRUE(scratch.WriteFile(name, Shortcut("http://stop.example/" + std::to_string(i))));
    }
    for (const int stopAt : {1, 5, 10}) {
        StopWindow stopper;
        StopWindow::stopAt = stopAt;
        for (int i = 0; i < 100; ++i) {
            PostMessageA(stopper.window, WM_APP, 0, 0);
        }
        const std::string listPath = scratch / "flist.tmp";
        const int count = Walk(scratch / "Favorites", listPath);
        // One message per entry; after the stop only the levels that are left dispatch one more
        // each (here the root, for its entry Sub).
        EXPECT_GE(StopWindow::seen, stopAt);
        EXPECT_LE(StopWindow::seen, stopAt + 1);
        EXPECT_EQ(100 - StopWindow::seen, stopper.Waiting());
        EXPECT_LT(count, stopAt);
        // What was written before the stop stays listed and counted.
        EXPECT_EQ(static_cast<size_t>(count), ListedPairs(listPath).size());
    }
}

TEST(EnumerateFavorites, DriveRootAsTheFavoritesFolder) {
    ScratchFolder scratch;
    ASSERT_TRUE(scratch.WriteFile("Drive\\a.url", Shortcut("http://a.example/")));
    ASSERT_TRUE(scratch.WriteFile("Drive\\表\\b.url", Shortcut("http://b.example/")));
    const DriveLetter drive(scratch / "Drive");
    if (drive.Root().empty()) {
        GTEST_SKIP() << "no free drive letter could be made";
    }
    const std::string& root = drive.Root();
    const std::string listPath = scratch / "flist.tmp";
    ASSERT_EQ(2, Walk(root, listPath));
    const std::vector<Favorite> expected = {{root + "a.url", "http://a.example/"},
                                            {root + "表\\b.url", "http://b.example/"}};
    const std::vector<Favorite> listed = Sorted(ListedPairs(listPath));
    ASSERT_EQ(expected, listed);

    // Names in the store and the reports keep one separator, as for any other folder.
    FILE* list = std::fopen(listPath.c_str(), "r");
    ASSERT_NE(nullptr, list);
    ListEntry entry;
    while (ReadListEntry(list, entry) && listed[1].first != entry.file) {
    }
    std::fclose(list);
    EXPECT_STREQ("\\表\\b.htm", entry.storeName);
    EXPECT_STREQ("表\\b.url", entry.name);
}

TEST(EnumerateFavorites, DoesNotFollowAFolderLinkBackUp) {
    ScratchFolder scratch;
    const std::string root = scratch / "Favorites";
    ASSERT_TRUE(scratch.WriteFile("Favorites\\a\\x.url", Shortcut("http://cycle.example/")));
    const std::string link = root + "\\a\\loop";
    const FolderLink folderLink(link, root);
    if (folderLink.How().empty()) {
        GTEST_SKIP() << "no way to make a folder link here";
    }
    // A real cycle: the link leads back to the root.
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((link + "\\a\\loop\\a\\x.url").c_str()));

    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(link.c_str(), &entry);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    FindClose(search);
    std::printf("[   NOTE   ] %s: the search reports attributes 0x%lx\n", folderLink.How().c_str(),
                entry.dwFileAttributes);
    EXPECT_TRUE(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);

    const std::string listPath = scratch / "flist.tmp";
    EXPECT_EQ(1, Walk(root, listPath));
    const std::vector<Favorite> expected = {{root + "\\a\\x.url", "http://cycle.example/"}};
    EXPECT_EQ(expected, ListedPairs(listPath));
}

TEST(EnumerateFavorites, SkipsPathsLongerThan259Bytes) {
    ScratchFolder scratch;
    const std::string root = scratch / "Favorites";
    // Folders of 30 bytes down to a path of more than 300 bytes, a shortcut at every level.
    std::vector<Favorite> expected;
    std::string relative = "Favorites";
    while (relative.size() < 300) {
        relative += "\\" + std::string(29, 'd');
        ASSERT_TRUE(scratch.WriteFile(relative + "\\s.url", Shortcut("http://deep.example/")));
        const std::string shortcut = scratch / (relative + "\\s.url");
        if (shortcut.size() <= 259) {
            expected.push_back({shortcut, "http://deep.example/"});
        }
    }
    const std::string listPath = scratch / "flist.tmp";
    EXPECT_EQ(static_cast<int>(expected.size()), Walk(root, listPath));
    EXPECT_EQ(Sorted(expected), Sorted(ListedPairs(listPath)));
}

} // namespace
