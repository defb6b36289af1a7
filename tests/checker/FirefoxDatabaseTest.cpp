// Firefox's database read through a private copy: the databases of a current and of older
// Firefoxes as tests/data/bookmarks/make-fixtures writes them with Python's sqlite3, and the
// damaged, hostile and foreign ones it makes of them. Each is read whole or refused with the
// reason; the files read never change and the copy never stays. A copy the database changes
// under is taken again.
#include "favorites/FirefoxDatabase.h"

#include "ScratchFolder.h"
#include "WinDriver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Fixtures() {
    const char* folder = std::getenv("BOOKMARK_FIXTURES");
    return folder ? driver::WindowsPath(folder) + "\\Places\\" : std::string();
}

// The table as lines: kind, parent, name, URL (a data: URL's start) and key (UTF-8).
std::vector<std::string> Lines(const BookmarkTree& tree) {
    std::vector<std::string> lines;
    for (const BookmarkNode& node : tree.nodes) {
        const std::string url(node.url.data, node.url.length);
        lines.push_back((node.kind == BookmarkKind::kFolder ? "F" : "L") +
                        std::to_string(node.parent) + " " +
                        std::string(node.name.data, node.name.length) + "|" +
                        url.substr(0, url.compare(0, 5, "data:") == 0 ? 22 : url.size()) + "|" +
                        std::string(node.key.data, node.key.length));
    }
    return lines;
}

// What every Firefox of the fixtures holds below its toolbar, each with its key.
std::vector<std::string> Toolbar(const std::vector<std::string>& keys) {
    const char* rows[] = {
        u8"F1 ニュース||",
        u8"L2 サンプル新聞|http://www.vexilo-test.example/news.html|",
        u8"L2 消えた記事|http://www.vexilo-test.example/gone.html|",
        u8"F2 地方||",
        u8"L5 暗号化のページ|https://secure.vexilo-test.example/ok.html|",
        u8"L1 ようこそ 🎉|http://www.vexilo-test.example/ok.html|",
        u8"L1 同じページ（二つ目）|http://www.vexilo-test.example/ok.html|",
        u8"L1 ない名前|http://no-such-host.invalid/|",
        u8"L1 ページ内検索|javascript:(function(){alert(document.title)})()|",
        u8"L1 設定|edge://settings/|",
        u8"L1 画像|data:image/png;base64,|",
    };
    std::vector<std::string> lines;
    for (size_t i = 0; i < keys.size(); ++i) {
        lines.push_back(rows[i] + keys[i]);
    }
    return lines;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The folders this process made in the temporary folder for its copies.
int CopyFolders() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((std::string(temp) + "Vexilo-places-*").c_str(), &entry);
    int count = 0;
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry)) {
        ++count;
    }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    return count;
}

TEST(FirefoxDatabase, ReadsEachSchemaAndSaysWhyNot) {
    if (Fixtures().empty()) {
        GTEST_SKIP() << "needs BOOKMARK_FIXTURES";
    }
    std::vector<std::string> guids;
    for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}) {
        char guid[16];
        std::snprintf(guid, sizeof guid, "%s%010d", n == 2 || n == 5 ? "fo" : "pl", n);
        guids.push_back(guid);
    }
    const std::string menu = u8"F-1 ブックマークメニュー||",
                      toolbar = u8"F-1 ブックマークツールバー||",
                      unfiled = u8"F-1 他のブックマーク||";
    const struct {
        const char* file;
        std::vector<std::string> lines; // the table read, or
        const char* why;                // the reason it was not
    } cases[] = {
        // The WAL's page is read; the query and separator of the menu and the tags are not.
        {"current.sqlite",
         Join(Join({menu + "menu________", toolbar + "toolbar_____"}, Toolbar(guids)),
              {u8"L1 今日のページ|http://www.vexilo-test.example/ok.html?today|pl_today__1",
               unfiled + "unfiled_____", u8"F-1 モバイルブックマーク||mobile______"}),
         nullptr},
        {"schema26.sqlite",
         Join(Join({menu + "menu__R00t_x", toolbar + "toolbaR00t_x"}, Toolbar(guids)),
              {unfiled + "unfileR00t_x", "F-1 mobile||mobile______"}),
         nullptr},
        {"schema6.sqlite",
         Join(Join({menu + "#2", toolbar + "#5"}, Toolbar({"#6", "#7", "#8", "#9", "#10", "#11",
                                                           "#12", "#13", "#14", "#15", "#16"})),
              {unfiled + "#20", "F-1 mobile||#21"}),
         nullptr},
        {"missing.sqlite", {}, "missing.sqlite がありません"},
        {"empty.sqlite",
         {},
         "empty.sqlite はFirefoxのブックマークのデータベースではありません（スキーマ 0: no schema "
         "version）"},
        {"unknown.sqlite",
         {},
         "unknown.sqlite はFirefoxのブックマークのデータベースではありません（スキーマ 0: no "
         "schema version）"},
        {"no-roots.sqlite",
         {},
         "no-roots.sqlite はFirefoxのブックマークのデータベースではありません（スキーマ 77: no "
         "root folder）"},
        {"text.sqlite",
         {},
         "text.sqlite はSQLiteのデータベースではありません（file is not a database）"},
        {"page-size.sqlite",
         {},
         "page-size.sqlite はSQLiteのデータベースではありません（file is not a database）"},
        {"truncated.sqlite",
         {},
         "truncated.sqlite は壊れています（database disk image is malformed）"},
        {"4gb.sqlite", {}, "4gb.sqlite は壊れています（database disk image is malformed）"},
        {"zeroed.sqlite",
         {},
         "zeroed.sqlite は壊れています（Tree 9 page 9: btreeInitPage() returns error code 11）"},
        {"loop.sqlite",
         {},
         "loop.sqlite は壊れています（Tree 9 page 9 right child: Bad ptr map entry key=9 "
         "expected=(5,9) got=(1,0)）"},
        {"foreign-wal.sqlite",
         {},
         "foreign-wal.sqlite は壊れています（database disk image is malformed）"},
    };
    for (const auto& c : cases) {
        const std::string path = Fixtures() + c.file;
        const std::string before = driver::ReadFileBytes(path);
        const std::string walBefore = driver::ReadFileBytes(path + "-wal");
        BookmarkTree tree;
        std::string texts, why;
        const DatabaseRead read =
            ReadFirefoxDatabase(path.c_str(), tree, texts, why, [] { return true; });
        EXPECT_EQ(c.why ? DatabaseRead::kNotRead : DatabaseRead::kRead, read) << c.file;
        EXPECT_EQ(c.lines, Lines(tree)) << c.file;
        EXPECT_EQ(c.why ? c.why : "", why) << c.file;
        EXPECT_EQ(before, driver::ReadFileBytes(path)) << c.file;
        EXPECT_EQ(walBefore, driver::ReadFileBytes(path + "-wal")) << c.file;
        EXPECT_EQ(0, CopyFolders()) << c.file;
    }
}

// A database that changes while it is copied (Firefox moving its WAL into it) is copied again,
// and given up with the reason when it never holds still; a stop while copying is no reason.
TEST(FirefoxDatabase, TornCopiesAreTakenAgain) {
    if (Fixtures().empty()) {
        GTEST_SKIP() << "needs BOOKMARK_FIXTURES";
    }
    driver::ScratchFolder scratch;
    const std::string path = scratch / "places.sqlite";
    ASSERT_TRUE(CopyFileA((Fixtures() + "current.sqlite").c_str(), path.c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA((Fixtures() + "current.sqlite-wal").c_str(), (path + "-wal").c_str(), FALSE));
    const struct {
        const char* what;
        int writes; // how many of the first questions write to the database
        int stopAt; // the question that says stop, or 0
        DatabaseRead read;
        const char* why;
    } cases[] = {
        {"written during the first copy", 1, 0, DatabaseRead::kRead, ""},
        {"written all the time", 1000000, 0, DatabaseRead::kNotRead,
         "Firefoxが書き込み続けているため、places.sqlite をそろった形でコピーできませんでした"},
        {"stopped", 0, 2, DatabaseRead::kStopped, ""},
    };
    for (const auto& c : cases) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        int asked = 0;
        FILETIME written{0x10000000u, 0x01D00000u};
        BookmarkTree tree;
        std::string texts, why;
        const DatabaseRead read = ReadFirefoxDatabase(path.c_str(), tree, texts, why, [&] {
            ++asked;
            if (asked <= c.writes) {
                ++written.dwLowDateTime; // as a write does
                SetFileTime(file, nullptr, nullptr, &written);
            }
            return asked != c.stopAt;
        });
        CloseHandle(file);
        EXPECT_EQ(c.read, read) << c.what;
        EXPECT_EQ(c.why, why) << c.what;
        EXPECT_EQ(c.read == DatabaseRead::kRead ? 16u : 0u, tree.nodes.size()) << c.what;
        EXPECT_EQ(0, CopyFolders()) << c.what;
    }
}

} // namespace
