// Favorites walk on real folders: which entries are listed, the list's exact lines, the URL
// line of a shortcut, a stop through runFlag while the walk dispatches messages, folder cycles
// and paths too long for the walk.
#include <windows.h>

#include "favorites/FavoritesList.h"
#include "favorites/FavoritesWalk.h"
#include "favorites/StoreNames.h"
#include "run/RunFlags.h"

#include "ScratchFolder.h"
#include "WinDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using driver::ScratchFolder;
using Favorite = std::pair<std::string, std::string>; // shortcut path, URL

// Runs the walk as the check run does: list written in text mode, runFlag 1 while it walks.
int Walk(const std::string& folder, const std::string& listPath) {
    FILE* list = std::fopen(listPath.c_str(), "w");
    if (!list) {
        return -1;
    }
    runFlag = 1;
    const int count = EnumerateFavorites(folder.c_str(), list);
    runFlag = 0;
    std::fclose(list);
    return count;
}

// The list's pairs, in file order. Every line must end in CR LF, with no other line feed.
std::vector<Favorite> ListedPairs(const std::string& listPath) {
    const std::string bytes = driver::ReadFileBytes(listPath);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
        EXPECT_EQ(std::string::npos, lines.back().find('\n')) << lines.back();
    }
    EXPECT_EQ(bytes.size(), start) << "the list does not end in CR LF";
    EXPECT_EQ(0u, lines.size() % 2);
    std::vector<Favorite> pairs;
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        pairs.emplace_back(lines[i], lines[i + 1]);
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

    // The favorites list can be read back pair by pair with the line reader.
    FILE* list = std::fopen(listPath.c_str(), "r");
    ASSERT_NE(nullptr, list);
    char line[kListLineSize];
    for (const Favorite& favorite : listed) {
        ASSERT_TRUE(ReadListLine(list, line, sizeof line));
        EXPECT_EQ(favorite.first, line);
        ASSERT_TRUE(ReadListLine(list, line, sizeof line));
        EXPECT_EQ(favorite.second, line);
    }
    EXPECT_FALSE(ReadListLine(list, line, sizeof line));
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

// Starts a program of the host (Wine runs Unix programs given by their Z: path) and waits until
// cond holds: the handle of such a process tells nothing about its end.
bool RunOnHost(std::string command, const std::function<bool()>& cond) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return driver::WaitUntil(cond, 5000);
}

// The Unix path of a Windows path under Wine; empty elsewhere.
std::string UnixPath(const std::string& path) {
    typedef char*(CDECL * UnixName)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    if (!unixName || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) {
        return "";
    }
    char* name = unixName(wide);
    const std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// A folder link from link to target: a junction (Windows), or, where the system cannot make
// junctions (Wine 8.0 answers FSCTL_SET_REPARSE_POINT with ERROR_NOT_SUPPORTED), a Unix symbolic
// link made by the host's ln. Removed again the way it was made.
class FolderLink {
public:
    FolderLink(const std::string& link, const std::string& target) : link_(link) {
        if (MakeJunction(target)) {
            how_ = "junction";
            return;
        }
        unixLink_ = UnixPath(link);
        const std::string unixTarget = UnixPath(target);
        if (!unixLink_.empty() && !unixTarget.empty() &&
            RunOnHost("Z:\\bin\\ln -s " + unixTarget + " " + unixLink_, [&] { return Exists(); })) {
            how_ = "unix symbolic link";
        }
    }
    ~FolderLink() {
        if (how_ == "junction") {
            RemoveDirectoryA(link_.c_str());
        } else if (!how_.empty()) {
            RunOnHost("Z:\\bin\\rm " + unixLink_, [&] { return !Exists(); });
        }
    }
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;

    // How the link was made; empty when it could not be made.
    const std::string& How() const { return how_; }

private:
    bool Exists() const { return GetFileAttributesA(link_.c_str()) != INVALID_FILE_ATTRIBUTES; }

    bool MakeJunction(const std::string& target) {
        if (!CreateDirectoryA(link_.c_str(), nullptr)) {
            return false;
        }
        HANDLE handle =
            CreateFileA(link_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        BOOL made = FALSE;
        if (handle != INVALID_HANDLE_VALUE) {
            wchar_t wideTarget[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wideTarget, MAX_PATH);
            const std::wstring substitute = L"\\??\\" + std::wstring(wideTarget);
            const std::wstring print = wideTarget;
            // REPARSE_DATA_BUFFER of a mount point: tag, sizes, then both names with their NULs.
            std::vector<BYTE> data(16 + (substitute.size() + print.size() + 2) * 2);
            auto word = [&](size_t at, size_t value) {
                data[at] = static_cast<BYTE>(value);
                data[at + 1] = static_cast<BYTE>(value >> 8);
            };
            const DWORD tag = 0xA0000003; // IO_REPARSE_TAG_MOUNT_POINT
            std::memcpy(data.data(), &tag, 4);
            word(4, data.size() - 8);
            word(8, 0);
            word(10, substitute.size() * 2);
            word(12, substitute.size() * 2 + 2);
            word(14, print.size() * 2);
            std::memcpy(&data[16], substitute.c_str(), (substitute.size() + 1) * 2);
            std::memcpy(&data[16 + (substitute.size() + 1) * 2], print.c_str(),
                        (print.size() + 1) * 2);
            DWORD returned = 0;
            made = DeviceIoControl(handle, 0x000900A4 /* FSCTL_SET_REPARSE_POINT */, data.data(),
                                   static_cast<DWORD>(data.size()), nullptr, 0, &returned, nullptr);
            if (!made) {
                std::printf("[   NOTE   ] FSCTL_SET_REPARSE_POINT failed with error %lu\n",
                            GetLastError());
            }
            CloseHandle(handle);
        }
        if (!made) {
            RemoveDirectoryA(link_.c_str());
        }
        return made != FALSE;
    }

    std::string link_;
    std::string unixLink_;
    std::string how_;
};

// A free drive letter whose root is folder: DefineDosDevice on Windows; under Wine 8.0, where
// DefineDosDevice succeeds without effect, a link in the prefix's dosdevices folder.
class DriveLetter {
public:
    explicit DriveLetter(const std::string& folder) {
        for (char letter = 'Q'; letter <= 'Y' && root_.empty(); ++letter) {
            const std::string root = std::string(1, letter) + ":\\";
            if (GetDriveTypeA(root.c_str()) != DRIVE_NO_ROOT_DIR) {
                continue;
            }
            const std::string device = root.substr(0, 2);
            if (DefineDosDeviceA(0, device.c_str(), folder.c_str()) && Works(root)) {
                root_ = root;
                defined_ = true;
                break;
            }
            DefineDosDeviceA(DDD_REMOVE_DEFINITION, device.c_str(), nullptr);
            const std::string drives = UnixPath("C:\\");
            const std::string target = UnixPath(folder);
            if (drives.size() < 4 || target.empty()) {
                return;
            }
            // ".../dosdevices/c:/" becomes ".../dosdevices/q:"
            link_ = drives.substr(0, drives.size() - 3) + static_cast<char>(letter + 0x20) + ":";
            if (RunOnHost("Z:\\bin\\ln -s " + target + " " + link_, [&] { return Works(root); })) {
                root_ = root;
            }
            break;
        }
    }
    ~DriveLetter() {
        if (defined_) {
            DefineDosDeviceA(DDD_REMOVE_DEFINITION, root_.substr(0, 2).c_str(), nullptr);
        } else if (!root_.empty()) {
            const std::string root = root_;
            RunOnHost("Z:\\bin\\rm " + link_, [&] { return !Works(root); });
        }
    }
    DriveLetter(const DriveLetter&) = delete;
    DriveLetter& operator=(const DriveLetter&) = delete;

    // The drive's root, such as Q:\ ; empty when no drive could be made.
    const std::string& Root() const { return root_; }

private:
    // The drive shows the folder when the test's a.url is seen through it.
    static bool Works(const std::string& root) {
        return GetFileAttributesA((root + "a.url").c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::string root_;
    std::string link_;
    bool defined_ = false;
};

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
    StoreNames names;
    ASSERT_TRUE(BuildStoreNames(root.c_str(), listed[1].first.c_str(), "C:\\Tools\\taro", names));
    EXPECT_STREQ("\\表\\b.htm", names.storeName);
    EXPECT_STREQ("表\\b.url", names.relativeName);
    EXPECT_STREQ("C:\\Tools\\taro\\表\\b.htm_", names.newCopyPath);
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

// Creates a folder whose path may pass MAX_PATH (the ANSI calls refuse those).
bool MakeLongFolder(const std::string& path) {
    wchar_t wide[1024];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 1024);
    return CreateDirectoryW((std::wstring(L"\\\\?\\") + wide).c_str(), nullptr) ||
           GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteLongFile(const std::string& path, const std::string& bytes) {
    wchar_t wide[1024];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 1024);
    HANDLE file = CreateFileW((std::wstring(L"\\\\?\\") + wide).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return written == bytes.size();
}

TEST(EnumerateFavorites, SkipsPathsLongerThan259Bytes) {
    ScratchFolder scratch;
    const std::string root = scratch / "Favorites";
    ASSERT_TRUE(scratch.MakeFolder("Favorites"));
    // Folders of 30 bytes down to a path of more than 300 bytes, a shortcut at every level.
    std::string folder = root;
    std::vector<Favorite> expected;
    while (folder.size() < 300) {
        folder += "\\" + std::string(29, 'd');
        ASSERT_TRUE(MakeLongFolder(folder)) << folder.size();
        const std::string shortcut = folder + "\\s.url";
        ASSERT_TRUE(WriteLongFile(shortcut, Shortcut("http://deep.example/")));
        if (shortcut.size() <= 259) {
            expected.push_back({shortcut, "http://deep.example/"});
        }
    }
    const std::string listPath = scratch / "flist.tmp";
    EXPECT_EQ(static_cast<int>(expected.size()), Walk(root, listPath));
    EXPECT_EQ(Sorted(expected), Sorted(ListedPairs(listPath)));
}

} // namespace
