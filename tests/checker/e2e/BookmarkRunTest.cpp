// Whole check runs over the bookmarks of today's browsers: an Edge profile, two Chrome profiles
// and Firefox profiles (databases of a current and an older Firefox, one damaged, and daily
// backups) at their real places in the test prefix, and an exported bookmarks file, as
// tests/data/bookmarks/make-fixtures writes them, against the check runs' web (nginx, host
// names of their own). A browser's files are never written, nothing is recycled, and every
// bookmark is checked and reported as a favorite would be.
#include "HostLinks.h"
#include "RunFixture.h"
#include "VexiloDriver.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kRunTimeout = 60000;
constexpr int kSourceList = 1100; // the list of the choice after "自動参照"
const std::string kWww = "http://www.vexilo-test.example";
const std::string kMissing = "http://no-such-host.invalid/";
const char kOtherScheme[] = "httpとhttps以外のURLは確認しません。";
const char kDatabaseCaption[] = "Firefoxのブックマーク（今の時点のデータベース）";
const char kDatabaseNote[] =
    "Firefoxのブックマークを places.sqlite から読みました（今の時点のブックマークです）。";
const char kKeptLine[] = "ブックマークはブラウザのファイルを書き換えないため、ごみ箱へは移動せず、"
                         "消えたページの一覧に載せます。不要なブックマークはブラウザで削除してください。";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string UserFolder(int csidl) {
    char folder[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, folder);
    return folder;
}

// Copies a folder tree; true when every file was copied.
bool CopyTree(const std::string& from, const std::string& to) {
    SHCreateDirectoryExA(nullptr, to.c_str(), nullptr);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool copied = true;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        copied = ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                      ? CopyTree(from + "\\" + name, to + "\\" + name)
                      : CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(),
                                  FALSE) != FALSE) &&
                 copied;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return copied;
}

// Every file below a folder with its bytes.
void Snapshot(const std::string& folder, std::map<std::string, std::string>& files) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string path = folder + "\\" + entry.cFileName;
        if (entry.cFileName[0] == '.') {
            continue;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Snapshot(path, files);
        } else {
            files[path] = driver::ReadFileBytes(path);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

size_t Count(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

class BookmarkRun : public RunFixture {
protected:
    void SetUp() override {
        if (Env("VEXILO_TEST_HTTP_PORT") != "80" || Env("VEXILO_EXE").empty() ||
            Env("BOOKMARK_FIXTURES").empty()) {
            GTEST_SKIP() << "needs the web server on port 80, VEXILO_EXE and BOOKMARK_FIXTURES";
        }
        Prepare(Env("VEXILO_EXE"));
        const std::string fixtures = driver::WindowsPath(Env("BOOKMARK_FIXTURES"));
        local_ = UserFolder(CSIDL_LOCAL_APPDATA);
        roaming_ = UserFolder(CSIDL_APPDATA);
        edge_ = local_ + "\\Microsoft\\Edge\\User Data";
        chrome_ = local_ + "\\Google\\Chrome\\User Data";
        firefox_ = roaming_ + "\\Mozilla\\Firefox";
        ASSERT_TRUE(CopyTree(fixtures + "\\Edge", edge_));
        ASSERT_TRUE(CopyTree(fixtures + "\\Chrome", chrome_));
        ASSERT_TRUE(CopyTree(fixtures + "\\Firefox", firefox_));
        html_ = scratch_ / "bookmarks.html";
        ASSERT_TRUE(CopyFileA((fixtures + "\\Export\\bookmarks_2026_12_09.html").c_str(),
                              html_.c_str(), FALSE));
        profile_ = firefox_ + "\\Profiles\\k3x9.default-release";
        for (const std::string& folder : {edge_, chrome_, firefox_}) {
            Snapshot(folder, browserFiles_);
        }
        browserFiles_[html_] = driver::ReadFileBytes(html_);
        Snapshot(TrashFolder(), trash_);
    }

    void TearDown() override {
        for (const std::string& folder : {local_ + "\\Microsoft", local_ + "\\Google",
                                          roaming_ + "\\Mozilla"}) {
            if (folder.size() > 16) {
                driver::RemoveTree(folder);
            }
        }
        RunFixture::TearDown();
    }

    static std::string Places() {
        return driver::WindowsPath(Env("BOOKMARK_FIXTURES")) + "\\Places\\";
    }

    static std::string TrashFolder() {
        return driver::WindowsPath(Env("XDG_DATA_HOME")) + "\\Trash";
    }

    void Choose(const std::string& setting, DWORD vanished, DWORD update) {
        SHSetValueA(HKEY_CURRENT_USER, kSettingsKey, "sFavorite", REG_SZ, setting.c_str(),
                    static_cast<DWORD>(setting.size() + 1));
        WriteDword("wD_Chk", vanished);
        WriteDword("wN_Chk", update);
    }

    // Not a byte of a browser's file changed, and nothing went to the recycle bin.
    void ExpectUntouched() const {
        std::map<std::string, std::string> now;
        for (const std::string& folder : {edge_, chrome_, firefox_}) {
            Snapshot(folder, now);
        }
        now[html_] = driver::ReadFileBytes(html_);
        EXPECT_TRUE(now == browserFiles_) << "a browser's file changed";
        std::map<std::string, std::string> trash;
        Snapshot(TrashFolder(), trash);
        EXPECT_TRUE(trash == trash_) << "something went to the recycle bin";
    }

    std::string local_, roaming_, edge_, chrome_, firefox_, profile_, html_;
    std::map<std::string, std::string> browserFiles_, trash_;
};

// Each source under each vanished choice that would recycle or list: the verdicts of a favorite,
// the names of the browser, no file touched; and a second run finds nothing new.
TEST_F(BookmarkRun, EachSourceIsCheckedAndNeverTouched) {
    struct Source {
        std::string setting;
        const char* caption;
        const char* top; // the top folder as the browser shows it
        const char* firstNote;
    };
    const Source sources[] = {
        {edge_ + "\\Default\\Bookmarks", "Microsoft Edge のブックマーク（個人）", "お気に入りバー",
         nullptr},
        {chrome_ + "\\Profile 1", "Google Chrome のブックマーク（仕事）", "ブックマーク バー", nullptr},
        // Its database, with the page added today that only the WAL holds; no backups of the
        // older one.
        {profile_, kDatabaseCaption, "ブックマークツールバー", kDatabaseNote},
        {firefox_ + "\\Profiles\\w7f2.default", kDatabaseCaption, "ブックマークツールバー",
         kDatabaseNote},
        {html_, "ブックマークのHTMLファイル", "ブックマーク バー", nullptr},
    };
    for (const Source& source : sources) {
        SCOPED_TRACE(source.setting);
        const bool work = source.setting == sources[1].setting;
        Choose(source.setting, 0x10, 0x01); // list vanished pages; list new or updated pages
        Vexilo vexilo;
        ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
        EXPECT_EQ(source.caption, driver::ItemText(vexilo.Window(), 1019));

        // First run, listing: the verdicts, the two reports by the browser's names.
        ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
        const Lines log = vexilo.LogLines();
        if (source.firstNote) {
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(source.firstNote, log[0]);
        }
        const std::vector<LogBlock> blocks = Blocks(log);
        std::map<std::string, Lines> byUrl = ByUrl(blocks);
        const std::string updated = Report("flist.htm");
        const std::string vanished = Report("flistdel.htm");
        const std::string top = source.top;
        EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl[kWww + "/news.html"]);
        EXPECT_EQ((Lines{"404 Not Found"}), byUrl[kWww + "/gone.html"]);
        EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl["https://secure.vexilo-test.example/ok.html"]);
        const bool today = source.setting == profile_;
        EXPECT_EQ((today ? Lines{"200 OK", kNewText} : Lines{}), byUrl[kWww + "/ok.html?today"]);
        EXPECT_EQ(today, updated.find(">" + top + "\\今日のページ</A>") != std::string::npos);
        EXPECT_NE(std::string::npos, vanished.find("<A HREF=\"" + kWww + "/gone.html\">" + top +
                                                   "\\ニュース\\消えた記事</A><BR><BR>"));
        EXPECT_NE(std::string::npos,
                  updated.find(">" + top + "\\ニュース\\地方\\暗号化のページ</A>"));
        if (work) {
            EXPECT_EQ((Lines{"401 Unauthorized", kNewText}), byUrl[kWww + "/private/index.html"]);
            EXPECT_NE(std::string::npos, updated.find(">" + top + "\\仕事\\社内の掲示板</A>"));
        } else {
            // Two bookmarks of one page: each its own verdict and copy; the rest as a favorite.
            size_t okBlocks = 0;
            for (const LogBlock& block : blocks) {
                okBlocks += block.url == kWww + "/ok.html" &&
                            block.lines == Lines({"200 OK", kNewText});
            }
            EXPECT_EQ(2u, okBlocks);
            EXPECT_NE(std::string::npos, updated.find(">" + top + "\\ようこそ ?</A>")); // an emoji
            EXPECT_NE(std::string::npos, updated.find(">" + top + "\\同じページ（二つ目）</A>"));
            EXPECT_NE(std::string::npos, vanished.find(">" + top + "\\ない名前</A>"));
            EXPECT_EQ(2u, byUrl[kMissing].size()); // name not found, and the network hint
            EXPECT_EQ((Lines{kOtherScheme}),
                      byUrl["javascript:(function(){alert(document.title)})()"]);
            EXPECT_EQ((Lines{kOtherScheme}), byUrl["edge://settings/"]);
            size_t dataBlocks = 0;
            for (const LogBlock& block : blocks) {
                dataBlocks += block.url.compare(0, 5, "data:") == 0 &&
                              block.lines == Lines({kOtherScheme});
            }
            EXPECT_EQ(1u, dataBlocks);
        }

        // Then recycling, and asking first: a bookmark is listed instead, said once, and
        // nothing is asked; the pages are as they were, so nothing is new.
        size_t seen = log.size();
        for (const int choice : {kVanishedRecycle, kVanishedAsk}) {
            SendMessageA(GetDlgItem(vexilo.Window(), kVanishedList), BM_SETCHECK, BST_UNCHECKED,
                         0);
            SendMessageA(GetDlgItem(vexilo.Window(), choice), BM_SETCHECK, BST_CHECKED, 0);
            ASSERT_TRUE(vexilo.RunCheck(kRunTimeout, [&](HWND box, const std::string& text) {
                ADD_FAILURE() << "asked: " << text;
                driver::Click(box, IDNO);
            }));
            const Lines again = vexilo.LogLines();
            const Lines lines(again.begin() + static_cast<long>(seen), again.end());
            seen = again.size();
            size_t said = 0;
            for (const std::string& line : lines) {
                said += line == kKeptLine;
                EXPECT_NE(kNewText, line);
            }
            EXPECT_EQ(1u, said);
            EXPECT_EQ(work ? 1u : 2u, Count(Report("flistdel.htm"), "<A HREF="));
            SendMessageA(GetDlgItem(vexilo.Window(), choice), BM_SETCHECK, BST_UNCHECKED, 0);
            SendMessageA(GetDlgItem(vexilo.Window(), kVanishedList), BM_SETCHECK, BST_CHECKED, 0);
        }
        EXPECT_EQ(0u, Count(Report("flist.htm"), "<A HREF="));
        ASSERT_TRUE(vexilo.Exit());
        ExpectUntouched();
    }
}

// "自動参照" offers every source with its browser, profile and count; one that cannot be read
// says why when chosen; the one chosen is shown with whose bookmarks it holds.
TEST_F(BookmarkRun, DetectOffersEverySource) {
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    driver::Click(vexilo.Window(), kDetectButton);
    HWND dialog = driver::WaitForDialogWithItem(vexilo.Process().Id(), kSourceList, 20000);
    ASSERT_NE(nullptr, dialog);
    const Lines lines = driver::ListBoxLines(GetDlgItem(dialog, kSourceList));
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ(0u, lines[0].find("Internet Explorer\tお気に入り\t"));
    // Firefox's databases counted (the damaged one's backup, of its day), queries and tags not.
    EXPECT_EQ((Lines{"Microsoft Edge\t個人\t9 件", "Google Chrome\t太郎\t9 件",
                     "Google Chrome\t仕事\t4 件", "Mozilla Firefox\tdefault-release\t10 件",
                     "Mozilla Firefox\t古いプロファイル\t読み込めません",
                     "Mozilla Firefox\t外\t読み込めません", "Mozilla Firefox\t2013年\t9 件",
                     "Mozilla Firefox\t壊れた\t10 件（2026-12-05）"}),
              Lines(lines.begin() + 1, lines.end()));
    EXPECT_TRUE(SaveScreen("vexilo-sources.png"));

    const std::pair<int, const char*> unreadable[] = {
        {5, "が見つかりません。"}, {6, "がFirefoxのフォルダの外を指しているため、読み込みません。"}};
    for (const auto& row : unreadable) {
        SendDlgItemMessageA(dialog, kSourceList, LB_SETCURSEL, row.first, 0);
        driver::Click(dialog, IDOK);
        driver::MessageBoxSeen seen;
        ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDOK, 10000, &seen));
        EXPECT_NE(std::string::npos, seen.text.find(row.second)) << seen.text;
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
    SendDlgItemMessageA(dialog, kSourceList, LB_SETCURSEL, 1, 0);
    driver::Click(dialog, IDOK);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
    EXPECT_EQ(edge_ + "\\Default\\Bookmarks", driver::ItemText(vexilo.Window(), kFolderField));
    EXPECT_EQ("Microsoft Edge のブックマーク（個人）", driver::ItemText(vexilo.Window(), 1019));
    ASSERT_TRUE(vexilo.Exit());
    ExpectUntouched();
}

// Whatever a bookmarks file holds, the run says what is wrong in a box and opens nothing, or
// checks what it can read; it never writes, recycles or hangs, and the window is as after any
// run.
TEST_F(BookmarkRun, BadInputsSayWhatIsWrong) {
    const std::string edge = driver::ReadFileBytes(edge_ + "\\Default\\Bookmarks");
    const std::string backup = driver::ReadFileBytes(
        profile_ + "\\bookmarkbackups\\bookmarks-2026-12-08_9_Yh3nVQe0Zk1T7wX4mPa8bQ==.jsonlz4");
    const std::string damaged = driver::ReadFileBytes(Places() + "truncated.sqlite");
    const std::string ok = kWww + "/ok.html";
    // The files hold UTF-8 (u8""); what the run shows is in the program's code page.
    auto chromium = [&](const std::string& children, const std::string& more) {
        return "{\"checksum\":\"0\",\"roots\":{\"bookmark_bar\":{\"children\":[" + children +
               u8"],\"name\":\"バー\",\"type\":\"folder\"}}" + more + ",\"version\":1}";
    };
    auto link = [&](const std::string& name, const std::string& url) {
        return "{\"name\":\"" + name + "\",\"type\":\"url\",\"url\":" + url + "}";
    };
    auto withSize = [&](uint32_t size) {
        std::string bytes = backup;
        for (int i = 0; i < 4; ++i) {
            bytes[8 + i] = static_cast<char>(size >> (8 * i));
        }
        return bytes;
    };
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>(i * 7);
    }
    std::string deep;
    for (int i = 0; i < 20000; ++i) {
        deep += u8"{\"name\":\"深い\",\"type\":\"folder\",\"children\":[";
    }
    deep += link(u8"底", "\"" + ok + "\"");
    for (int i = 0; i < 20000; ++i) {
        deep += "]}";
    }
    const std::string html = u8"<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><H3>フォルダ\n"
                             "<DL><p>\n<DT><A HREF=\"" + ok + u8"\">題 &foo; &#xZZ;";
    struct Case {
        const char* name;
        std::string bytes; // the file, or (folder cases) nothing
        const char* box;   // the message's part, or nullptr when the run checks what it reads
        const char* seen;  // then: a line of the log, or a part of the vanished report's names
    };
    const Case cases[] = {
        {"truncated", edge.substr(0, edge.size() / 2), "はブックマークのファイルとして読めません（", nullptr},
        {"binary", binary, "はお気に入りのフォルダでも、ブックマークのファイルでもありません。", nullptr},
        {"no-roots.json", "{\"version\":1,\"checksum\":\"0\"}", "でもありません。", nullptr},
        {"text.txt", "お気に入りではないテキスト\r\n", "でもありません。", nullptr},
        {"wrong-magic.jsonlz4", "mozLz41" + backup.substr(7), "でもありません。", nullptr},
        {"size-off.jsonlz4", withSize(static_cast<uint32_t>(backup.size() * 4)), "圧縮が壊れています", nullptr},
        {"4gb.jsonlz4", withSize(0xFFFFFFFFu), "は大きすぎるため読み込めません", nullptr},
        {"before-start.jsonlz4", backup.substr(0, 12) + std::string("\x04\x05\x00\x00\x00", 5),
         "圧縮が壊れています", nullptr},
        {"nowhere", "", "が見つかりません。", nullptr},
        {"profile-without-backup", "", "HTMLファイルに書き出し", nullptr},
        {"damaged.sqlite", damaged,
         "damaged.sqlite は壊れています（database disk image is malformed）", nullptr},
        {"big.json", chromium(link(u8"大きい", "\"" + ok + "\""),
                              ",\"sync_metadata\":\"" + std::string(50u << 20, 'A') + "\""),
         nullptr, "バー\\大きい"},
        {"deep.json", chromium(deep, ""), nullptr, "…"},
        {"odd-texts.json", chromium(link("a\xff\xfe" "b\\ud800c", "\"" + ok + "?odd\"") + "," +
                                    link(u8"数", "5"), ""),
         nullptr, "URLが読めないブックマークが 1 件あるため、確認しません。"},
        {"open-tags.html", html, nullptr, "フォルダ\\題 &amp;foo; &amp;#xZZ;"},
        {"one-line.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><p><DT><A HREF=\"" + ok +
                              "?line\">" + std::string(1u << 20, 'x') + "</A></DL>",
         nullptr, "xxx…"},
    };
    WriteDword("wD_Chk", 0x10);
    WriteDword("wN_Chk", 0x01); // both reports: a run that reads opens them, one that cannot none
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = scratch_ / (std::string("bad\\") + c.name);
        if (std::string(c.name) == "profile-without-backup") {
            ASSERT_TRUE(scratch_.WriteFile(std::string("bad\\") + c.name + "\\places.sqlite", ""));
        } else if (!c.bytes.empty()) {
            ASSERT_TRUE(scratch_.WriteFile(std::string("bad\\") + c.name, c.bytes));
        }
        const std::string before = driver::ReadFileBytes(path);
        DeleteFileA((TempFolder() + "flistdel.htm").c_str());
        const size_t opened = recorder_->Opened().size();
        const size_t logged = vexilo.LogLines().size();
        SetDlgItemTextA(vexilo.Window(), kFolderField, path.c_str());
        std::vector<std::string> boxes;
        ASSERT_TRUE(vexilo.RunCheck(kRunTimeout, [&](HWND box, const std::string& text) {
            boxes.push_back(text);
            driver::Click(box, IDOK);
        }));
        EXPECT_TRUE(vexilo.Idle());
        EXPECT_EQ(before, driver::ReadFileBytes(path));
        const Lines all = vexilo.LogLines();
        const Lines log(all.begin() + static_cast<long>(logged), all.end());
        if (c.box) {
            ASSERT_EQ(1u, boxes.size());
            EXPECT_NE(std::string::npos, boxes[0].find(c.box)) << boxes[0];
            EXPECT_TRUE(log.empty());
            Sleep(200);
            EXPECT_EQ(opened, recorder_->Opened().size()) << "a report was opened";
            continue;
        }
        EXPECT_TRUE(boxes.empty());
        ASSERT_TRUE(recorder_->WaitForOpened(opened + 2, 10000));
        bool seen = Report("flist.htm").find(c.seen) != std::string::npos;
        for (const std::string& line : log) {
            seen = seen || line == c.seen;
        }
        EXPECT_TRUE(seen) << c.seen;
    }
    ASSERT_TRUE(vexilo.Exit());
    ExpectUntouched();
}

// Firefox's database as it is now: a damaged one gives way to its backup and the log says why;
// once it reads again its bookmarks keep the page copies the backup's run made (their guids),
// so only the page added since is new; and a database another program holds open, as Firefox
// does, is read through the copy, which goes again.
TEST_F(BookmarkRun, FirefoxDatabaseAsItIsNow) {
    const std::string damaged = firefox_ + "\\Profiles\\d4m9.default";
    Choose(damaged, 0x10, 0x01);
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    Lines log = vexilo.LogLines();
    ASSERT_LE(2u, log.size());
    EXPECT_EQ("Firefoxのブックマークを 2026-12-05 のバックアップから読みました"
              "（その日の時点のブックマークです）。",
              log[0]);
    EXPECT_EQ("今の時点のデータベースは読めませんでした: places.sqlite は壊れています"
              "（database disk image is malformed）。",
              log[1]);
    EXPECT_EQ((Lines{"404 Not Found"}), ByUrl(Blocks(log))[kWww + "/gone.html"]);

    for (const char* suffix : {"", "-wal"}) {
        ASSERT_TRUE(CopyFileA((Places() + "current.sqlite" + suffix).c_str(),
                              (damaged + "\\places.sqlite" + suffix).c_str(), FALSE));
    }
    Snapshot(firefox_, browserFiles_);
    size_t seen = log.size();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    log = vexilo.LogLines();
    ASSERT_LT(seen, log.size());
    EXPECT_EQ(kDatabaseNote, log[seen]);
    const std::string updated = Report("flist.htm");
    EXPECT_EQ(1u, Count(updated, "<A HREF=")) << updated;
    EXPECT_NE(std::string::npos, updated.find(">ブックマークツールバー\\今日のページ</A>"));

    // Held as Firefox holds it: open for reading and writing, shared, its lock bytes taken.
    std::vector<HANDLE> held;
    for (const char* name : {"\\places.sqlite", "\\places.sqlite-wal"}) {
        held.push_back(CreateFileA((profile_ + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
        ASSERT_NE(INVALID_HANDLE_VALUE, held.back());
    }
    EXPECT_TRUE(LockFile(held[0], 0x40000000, 0, 512, 0));
    SetDlgItemTextA(vexilo.Window(), kFolderField, profile_.c_str());
    seen = log.size();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    log = vexilo.LogLines();
    ASSERT_LT(seen, log.size());
    EXPECT_EQ(kDatabaseNote, log[seen]);
    EXPECT_EQ((Lines{"200 OK", kNewText}),
              ByUrl(Blocks(Lines(log.begin() + static_cast<long>(seen),
                                 log.end())))[kWww + "/ok.html?today"]);
    for (HANDLE file : held) {
        CloseHandle(file);
    }
    ASSERT_TRUE(vexilo.Exit());
    ExpectUntouched();
    WIN32_FIND_DATAA entry;
    HANDLE copies = FindFirstFileA((TempFolder() + "Vexilo-places-*").c_str(), &entry);
    EXPECT_EQ(INVALID_HANDLE_VALUE, copies) << "a copy stayed: " << entry.cFileName;
    if (copies != INVALID_HANDLE_VALUE) {
        FindClose(copies);
    }
}

} // namespace
