// Whole check runs of the real Vexilo.exe, driven through its window, against a real web server
// (nginx on 127.0.0.1:80, started around this test program with a scratch copy of its pages) and
// Wine's own shell, recycle bin and registry. What the program opens with the shell is recorded
// instead of shown.
#include "HostLinks.h"
#include "RunFixture.h"
#include "VexiloDriver.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <winsock2.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kRunTimeout = 60000;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

const std::string kHost = "http://127.0.0.1";
const Lines kNotFoundLines = {
    "[no-such-host.invalid]というホストを検出できません。", "またはネットワーク環境が不正です。"};

class CheckRun : public RunFixture {
protected:
    void SetUp() override {
        if (Env("VEXILO_TEST_HTTP_PORT") != "80" || Env("VEXILO_EXE").empty()) {
            GTEST_SKIP() << "needs the web server on port 80 and VEXILO_EXE (see CMakeLists.txt)";
        }
        www_ = driver::WindowsPath(Env("VEXILO_TEST_WWW"));
        Prepare(Env("VEXILO_EXE"));
    }

    void Options(DWORD vanished, DWORD update) {
        WriteDword("wD_Chk", vanished);
        WriteDword("wN_Chk", update);
    }

    void Shortcut(const std::string& name, const std::string& url) {
        Favorite(name, "[DEFAULT]\r\nBASEURL=" + url + "\r\n[InternetShortcut]\r\nURL=" + url +
                           "\r\n");
    }

    void WritePage(const std::string& name, const std::string& text) {
        ASSERT_TRUE(driver::WriteFileBytes(www_ + "\\" + name, text));
    }

    std::string www_;
};

TEST_F(CheckRun, FirstRunThenOnlyTheChangedPage) {
    Shortcut("ok.url", kHost + "/ok.html");
    Shortcut("moved.url", kHost + "/moved");
    Shortcut("private.url", kHost + "/private/");
    Shortcut("gone.url", kHost + "/gone.html");
    Shortcut("unknown.url", "http://no-such-host.invalid/");
    Shortcut("ニュース\\今日.url", kHost + "/news.html");
    Options(0x10, 0x01); // list vanished pages; list new or updated pages

    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));

    auto byUrl = ByUrl(Blocks(vexilo.LogLines()));
    EXPECT_EQ(6u, byUrl.size());
    EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl[kHost + "/ok.html"]);
    EXPECT_EQ((Lines{"302 Moved Temporarily", kNewText}), byUrl[kHost + "/moved"]);
    EXPECT_EQ((Lines{"401 Unauthorized", kNewText}), byUrl[kHost + "/private/"]);
    EXPECT_EQ((Lines{"404 Not Found"}), byUrl[kHost + "/gone.html"]);
    EXPECT_EQ(kNotFoundLines, byUrl["http://no-such-host.invalid/"]);
    EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl[kHost + "/news.html"]);

    // Each new page with its title below it.
    const std::string updated = Report("flist.htm");
    for (const char* entry :
         {"<A HREF=\"http://127.0.0.1/ok.html\">ok.url</A><BR>\r\n"
          "<FONT SIZE=\"2\">タイトル: ok</FONT><BR><BR>\r\n",
          "<A HREF=\"http://127.0.0.1/moved\">moved.url</A><BR>\r\n",
          "<A HREF=\"http://127.0.0.1/private/\">private.url</A><BR>\r\n",
          "<A HREF=\"http://127.0.0.1/news.html\">ニュース\\今日.url</A><BR>\r\n"
          "<FONT SIZE=\"2\">タイトル: news</FONT><BR><BR>\r\n"}) {
        EXPECT_NE(std::string::npos, updated.find(entry)) << entry;
    }
    EXPECT_EQ(std::string::npos, updated.find("gone"));
    const std::string vanished = Report("flistdel.htm");
    EXPECT_NE(std::string::npos, vanished.find("<TITLE>削除されたホームページ</TITLE>"));
    EXPECT_NE(std::string::npos,
              vanished.find("<A HREF=\"http://127.0.0.1/gone.html\">gone.url</A><BR><BR>"));
    EXPECT_NE(std::string::npos,
              vanished.find("<A HREF=\"http://no-such-host.invalid/\">unknown.url</A><BR><BR>"));
    EXPECT_EQ(std::string::npos, vanished.find("ok.url"));

    // Both pages opened with the shell at the end, the vanished pages first.
    ASSERT_TRUE(recorder_->WaitForOpened(2, 10000));
    const auto opened = recorder_->Opened();
    ASSERT_EQ(2u, opened.size());
    EXPECT_EQ(TempFolder() + "flistdel.htm", opened[0]);
    EXPECT_EQ(TempFolder() + "flist.htm", opened[1]);

    // The store holds each reachable page as sent, and no half-made copy.
    EXPECT_EQ(driver::ReadFileBytes(www_ + "\\ok.html"), driver::ReadFileBytes(store_ + "\\ok.htm"));
    EXPECT_EQ(driver::ReadFileBytes(www_ + "\\news.html"),
              driver::ReadFileBytes(store_ + "\\ニュース\\今日.htm"));
    EXPECT_TRUE(driver::FileExists(store_ + "\\private.htm"));
    EXPECT_FALSE(driver::FileExists(store_ + "\\gone.htm"));
    EXPECT_FALSE(driver::FileExists(store_ + "\\ok.htm_"));
    EXPECT_FALSE(driver::FileExists(TempFolder() + "flist.tmp"));

    // Second run: only the page that changed is reported.
    WritePage("news.html", "<html><body>News of the second day.</body></html>\n");
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    auto second = Blocks(vexilo.LogLines());
    ASSERT_EQ(12u, second.size());
    byUrl = ByUrl(std::vector<LogBlock>(second.begin() + 6, second.end()));
    EXPECT_EQ((Lines{"200 OK"}), byUrl[kHost + "/ok.html"]);
    EXPECT_EQ((Lines{"302 Moved Temporarily"}), byUrl[kHost + "/moved"]);
    EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl[kHost + "/news.html"]);
    const std::string updatedAgain = Report("flist.htm");
    EXPECT_NE(std::string::npos, updatedAgain.find("news.html"));
    EXPECT_EQ(std::string::npos, updatedAgain.find("ok.html"));
    EXPECT_NE(std::string::npos, updatedAgain.find("追加: News of the second day."));
    EXPECT_EQ("<html><body>News of the second day.</body></html>\n",
              driver::ReadFileBytes(store_ + "\\ニュース\\今日.htm"));

    DWORD code = 99;
    ASSERT_TRUE(vexilo.Exit(&code));
    EXPECT_EQ(0u, code);
}

TEST_F(CheckRun, VanishedPagesLookedAtAndRecycled) {
    Shortcut("ok.url", kHost + "/ok.html");
    Shortcut("gone.url", kHost + "/gone.html");
    Shortcut("unknown.url", "http://no-such-host.invalid/x");
    Options(0x01, 0x10); // look at the page and ask; no update check
    ForgetTrashed({"gone.url", "unknown.url"});

    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    std::map<std::string, std::string> captions;
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout, [&](HWND box, const std::string& text) {
        const bool gone = text.find("gone.url") != std::string::npos;
        captions[gone ? "gone" : "unknown"] = driver::WindowText(box);
        EXPECT_NE(std::string::npos, text.find("\nこのファイルをごみ箱に移動してよろしいですか？"));
        driver::Click(box, gone ? IDYES : IDNO);
    }));
    EXPECT_EQ("Not Found", captions["gone"]);
    EXPECT_EQ("[no-such-host.invalid]というホストを検出できません。", captions["unknown"]);

    // Yes: the shortcut is in the recycle bin; No: it stays.
    EXPECT_FALSE(driver::FileExists(favorites_ + "\\gone.url"));
    EXPECT_TRUE(driver::FileExists(Trashed("gone.url")));
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\unknown.url"));
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\ok.url"));
    // Each vanished page was shown before its question; no report pages without the list choice.
    EXPECT_TRUE(recorder_->WaitForOpened(2, 10000));
    const auto opened = recorder_->Opened();
    EXPECT_EQ(2u, opened.size());
    for (const std::string& url :
         {kHost + "/gone.html", std::string("http://no-such-host.invalid/x")}) {
        EXPECT_NE(opened.end(), std::find(opened.begin(), opened.end(), url)) << url;
    }
    // No copies are kept without the update check.
    EXPECT_FALSE(driver::FileExists(store_ + "\\ok.htm"));
    ForgetTrashed({"gone.url"});
}

TEST_F(CheckRun, RecycleWithoutAskingOrDoNothing) {
    Shortcut("gone.url", kHost + "/gone.html");
    Shortcut("unknown.url", "http://no-such-host.invalid/");
    Shortcut("ok.url", kHost + "/ok.html");
    Options(0x40, 0x10); // nothing
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\gone.url"));
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\unknown.url"));
    EXPECT_TRUE(recorder_->Opened().empty());
    EXPECT_EQ(3u, Blocks(vexilo.LogLines()).size());
    ASSERT_TRUE(vexilo.Exit());

    // Recycle without asking: a missing name is no sure sign while the run has found no name
    // at all (the network may be down); it is listed instead, and the list is made for it.
    ForgetTrashed({"gone.url", "unknown.url"});
    Options(0x04, 0x10);
    Vexilo again;
    ASSERT_TRUE(again.Start(exe_)) << again.Problem();
    ASSERT_TRUE(again.RunCheck(kRunTimeout));
    EXPECT_FALSE(driver::FileExists(favorites_ + "\\gone.url"));
    EXPECT_TRUE(driver::FileExists(Trashed("gone.url")));
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\unknown.url"));
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\ok.url"));
    ASSERT_TRUE(recorder_->WaitForOpened(1, 10000));
    EXPECT_EQ(TempFolder() + "flistdel.htm", recorder_->Opened()[0]);
    EXPECT_NE(std::string::npos,
              Report("flistdel.htm")
                  .find("<A HREF=\"http://no-such-host.invalid/\">unknown.url</A> （確実ではない"
                        "ため、ごみ箱へ移動していません: [no-such-host.invalid]というホストを検出"
                        "できません。）<BR><BR>"));
    ASSERT_TRUE(again.Exit());

    // Once a name of the web is found (not only an intranet's, as localhost is), the missing
    // one is sure to be gone.
    if (!gethostbyname("www.vexilo-test.example")) {
        GTEST_SKIP() << "needs the check runs' host names (tests/peers/with-hosts, as root)";
    }
    Shortcut("named.url", "http://www.vexilo-test.example/ok.html");
    Vexilo third;
    ASSERT_TRUE(third.Start(exe_)) << third.Problem();
    ASSERT_TRUE(third.RunCheck(kRunTimeout));
    EXPECT_FALSE(driver::FileExists(favorites_ + "\\unknown.url"));
    EXPECT_TRUE(driver::FileExists(Trashed("unknown.url")));
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\named.url"));
    ForgetTrashed({"gone.url", "unknown.url"});
}

// With the network down every name fails: nothing is recycled, and the user is told why.
TEST_F(CheckRun, RunThatReachesNoServerRecyclesNothing) {
    Shortcut("a.url", "http://no-such-host.invalid/");
    Shortcut("b.url", "http://other.no-such-host.invalid:8080/x");
    Options(0x04, 0x10);
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    std::vector<std::string> boxes;
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout, [&](HWND box, const std::string& text) {
        boxes.push_back(driver::WindowText(box) + ": " + text);
        driver::Click(box, IDOK);
    }));
    EXPECT_EQ((std::vector<std::string>{"注意: どのサーバーにも接続できなかったため、ごみ箱へは"
                                        "何も移動していません。\nネットワークの接続を確認して"
                                        "ください。"}),
              boxes);
    EXPECT_EQ("どのサーバーにも接続できませんでした。ネットワークの接続を確認してください。",
              vexilo.LogLines().back());
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\a.url"));
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\b.url"));
    ASSERT_TRUE(vexilo.Exit());
}

// Favorites as people keep them today, under each choice for vanished pages: another port, an
// address without a name, a name, pages that moved for good (to a page, to a missing page, in
// a circle, to https), other schemes, a busy server, pages gone for good, a missing name, a
// port that cannot be and one where nothing listens. Every choice sees the same verdicts; only
// a sure one recycles without asking.
TEST_F(CheckRun, VerdictsOfTodaysFavoritesUnderEachChoice) {
    if (!gethostbyname("www.vexilo-test.example")) {
        GTEST_SKIP() << "needs the check runs' host names and CA (tests/peers/with-hosts, as root)";
    }
    enum Kind { kThere, kSure, kUnsure, kNotChecked };
    const std::string kSecure = "https://www.vexilo-test.example";
    const std::string k8080 = "http://127.0.0.1:8080";
    const struct {
        const char* name;
        std::string url;
        Kind kind;
        Lines lines;
    } favorites[] = {
        {"port.url", k8080 + "/ok.html", kThere, {"200 OK"}},
        {"nameless.url", "http://127.0.0.9/ok.html", kThere, {"200 OK"}},
        {"named.url", "http://www.vexilo-test.example/ok.html", kThere, {"200 OK"}},
        {"old.url", kHost + "/old", kThere,
         {"301 Moved Permanently", "移転先: http://127.0.0.1/ok.html", "200 OK"}},
        {"elsewhere.url", "http://www.vexilo-test.example:8080/to-other-host", kThere,
         {"301 Moved Permanently", "移転先: http://moved.vexilo-test.example/ok.html", "200 OK"}},
        {"oldgone.url", k8080 + "/old-gone", kSure,
         {"301 Moved Permanently", "移転先: " + k8080 + "/gone.html", "404 Not Found"}},
        {"loop.url", kHost + "/loop", kUnsure,
         {"301 Moved Permanently", "移転先: http://127.0.0.1/loop", "移転先が循環しています。"}},
        {"tohttps.url", kHost + "/to-https", kThere,
         {"301 Moved Permanently", "移転先: " + kSecure + "/ok.html", "200 OK"}},
        {"https.url", kSecure + "/ok.html", kThere, {"200 OK"}},
        {"httpsgone.url", kSecure + "/gone.html", kSure, {"404 Not Found"}},
        {"wrongname.url", "https://wrong.vexilo-test.example/ok.html", kUnsure,
         {"[wrong.vexilo-test.example]の証明書は別のホストのものです。"}},
        {"expired.url", "https://expired.vexilo-test.example/ok.html", kUnsure,
         {"[expired.vexilo-test.example]の証明書は有効期限が切れています。"}},
        {"stranger.url", "https://stranger.vexilo-test.example/ok.html", kUnsure,
         {"[stranger.vexilo-test.example]の証明書は信頼できる発行元のものではありません。"}},
        {"plainon443.url", "https://127.0.0.1:80/ok.html", kUnsure,
         {"[127.0.0.1]と暗号化通信ができませんでした。"}},
        {"mail.url", "mailto:someone@example.com", kNotChecked,
         {"httpとhttps以外のURLは確認しません。"}},
        {"file.url", "file:///C:/page.htm", kNotChecked, {"httpとhttps以外のURLは確認しません。"}},
        {"ipv6.url", "http://[::1]/", kNotChecked,
         {"IPv6のアドレスには対応していないため確認しません。"}},
        {"busy.url", kHost + "/busy", kUnsure, {"503 Service Temporarily Unavailable"}},
        {"gone410.url", kHost + "/gone410", kSure, {"410 Gone"}},
        {"gone.url", kHost + "/gone.html", kSure, {"404 Not Found"}},
        {"unknown.url", "http://no-such-host.invalid/", kSure, kNotFoundLines},
        {"badport.url", "http://127.0.0.1:99999/", kUnsure, {"URLのポート番号が正しくありません。"}},
        {"refused.url", "http://127.0.0.1:1/", kUnsure, {"接続できませんでした。"}},
    };
    const struct {
        DWORD option;
        const char* choice;
    } choices[] = {{0x01, "ask"}, {0x10, "list"}, {0x04, "recycle"}};
    for (const auto& choice : choices) {
        SCOPED_TRACE(choice.choice);
        std::vector<const char*> names;
        for (const auto& favorite : favorites) {
            Shortcut(favorite.name, favorite.url);
            names.push_back(favorite.name);
        }
        for (const char* name : names) {
            ForgetTrashed({name});
        }
        DeleteFileA((TempFolder() + "flistdel.htm").c_str());
        Options(choice.option, 0x10);
        Vexilo vexilo;
        ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
        std::vector<std::string> asked;
        ASSERT_TRUE(vexilo.RunCheck(kRunTimeout, [&](HWND box, const std::string& text) {
            asked.push_back(text.substr(0, text.find('\n')));
            driver::Click(box, IDNO);
        }));
        auto byUrl = ByUrl(Blocks(vexilo.LogLines()));
        const std::string report = Report("flistdel.htm");
        for (const auto& favorite : favorites) {
            SCOPED_TRACE(favorite.name);
            EXPECT_EQ(favorite.lines, byUrl[favorite.url]);
            const bool vanished = favorite.kind == kSure || favorite.kind == kUnsure;
            const std::string path = favorites_ + "\\" + favorite.name;
            EXPECT_EQ(choice.option == 0x01 && vanished,
                      std::find(asked.begin(), asked.end(), path) != asked.end());
            const size_t entry = report.find(std::string(">") + favorite.name + "</A>");
            const bool recycled = choice.option == 0x04 && favorite.kind == kSure;
            EXPECT_EQ(recycled, !driver::FileExists(path));
            const bool listed =
                vanished && (choice.option == 0x10 || (choice.option == 0x04 && !recycled));
            EXPECT_EQ(listed, entry != std::string::npos);
            if (entry != std::string::npos) {
                const std::string line = report.substr(entry, report.find('\n', entry) - entry);
                EXPECT_EQ(choice.option == 0x04,
                          line.find("（確実ではないため、ごみ箱へ移動していません: ") !=
                              std::string::npos)
                    << line;
            }
        }
        if (choice.option == 0x10) {
            EXPECT_NE(std::string::npos,
                      report.find(">oldgone.url</A> （移転先: " + k8080 + "/gone.html）<BR>"))
                << "the new address of a favorite that moved, where it is listed";
        } else if (choice.option == 0x04) {
            EXPECT_NE(std::string::npos,
                      report.find(">loop.url</A> （移転先: http://127.0.0.1/loop）（確実ではない"
                                  "ため、ごみ箱へ移動していません: 移転先が循環しています。）"));
        }
        ASSERT_TRUE(vexilo.Exit());
        for (const char* name : names) {
            ForgetTrashed({name});
        }
    }
}

// Favorites whose page moved: left alone with the choice off; with it on, updated only where the
// move is sure, their URL lines alone changed and their old bytes kept in the store, every move
// listed; the next run finds the new address answering at once.
TEST_F(CheckRun, MovedFavoritesUpdatedWhenSure) {
    if (!gethostbyname("www.vexilo-test.example")) {
        GTEST_SKIP() << "needs the check runs' host names and CA (tests/peers/with-hosts, as root)";
    }
    WritePage("same-path.html", "here now");
    WritePage("index.html", "top");
    WritePage("notice.html", "we moved everything");
    const std::string kOk = kHost + "/ok.html";
    const std::string kFull = "[DEFAULT]\r\nBASEURL=" + kHost +
                              "/old\r\n[InternetShortcut]\r\n"
                              "URL=" +
                              kHost +
                              "/old\r\nWorkingDirectory=C:\\\r\nHotKey=0\r\n"
                              "IconFile=C:\\icons\\site.ico\r\nIconIndex=2\r\n"
                              "Modified=20A8F1B2C3D4E501AB\r\nShowCommand=7\r\n"
                              "[InternetShortcut.W]\r\nURL=" +
                              kHost +
                              "/old\r\n"
                              "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,11\r\n";
    const char* kShared = "移転先に更新しません（多くのお気に入りが同じページに移転しています）。";
    const struct {
        const char* name;
        std::string url;
        std::string newUrl; // empty: left as it was
        std::string told;   // what the log says at the favorite
    } favorites[] = {
        {"https.url", "http://www.vexilo-test.example/same-path.html",
         "https://www.vexilo-test.example/same-path.html", ""},
        {"other.url", kHost + "/perm308", "http://moved.vexilo-test.example/news.html", ""},
        {"chain.url", kHost + "/chain1", kOk, ""},
        {"top.url", kHost + "/deep/removed", "",
         "移転先に更新しません（移転先がサイトのトップページです）。"},
        {"many1.url", kHost + "/many1", "", kShared},
        {"many2.url", kHost + "/many2", "", kShared},
        {"many3.url", kHost + "/many3", "", kShared},
        {"many4.url", kHost + "/many4", "", kShared},
        {"many5.url", kHost + "/many5", "", kShared},
        {"temporary.url", kHost + "/moved", "", ""},
        {"readonly.url", "http://127.0.0.1:8080/old", "",
         "お気に入りを更新できませんでした（読み取り専用のファイルです）。"},
        {"full.url", kHost + "/old", kOk, ""},
    };
    std::map<std::string, std::string> bytes;
    for (const auto& favorite : favorites) {
        bytes[favorite.name] = favorite.url == kHost + "/old"
                                   ? kFull
                                   : "[InternetShortcut]\r\nURL=" + favorite.url + "\r\n";
        Favorite(favorite.name, bytes[favorite.name]);
    }
    const std::string readOnly = favorites_ + "\\readonly.url";
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string movedReport = TempFolder() + "flistmov.htm";
    DeleteFileA(movedReport.c_str());
    Options(0x10, 0x10);
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        if (run == 1) {
            WriteDword("wMoved", 1);
        }
        Vexilo vexilo;
        ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
        ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
        auto byUrl = ByUrl(Blocks(vexilo.LogLines()));
        const std::string report = Report("flistmov.htm");
        for (const auto& favorite : favorites) {
            SCOPED_TRACE(favorite.name);
            const std::string now = driver::ReadFileBytes(favorites_ + "\\" + favorite.name);
            if (run == 0 || favorite.newUrl.empty()) {
                EXPECT_EQ(bytes[favorite.name], now);
            } else {
                std::string expected = bytes[favorite.name];
                // Both URL lines, never BASEURL.
                for (size_t at = 0; (at = expected.find("\nURL=" + favorite.url + "\r\n", at)) !=
                                    std::string::npos;) {
                    expected.replace(at + 5, favorite.url.size(), favorite.newUrl);
                }
                EXPECT_EQ(expected, now);
                // The old bytes, for the user to put back.
                EXPECT_EQ(bytes[favorite.name],
                          driver::ReadFileBytes(store_ + "\\" + favorite.name));
            }
            const Lines& lines =
                byUrl[run == 2 && !favorite.newUrl.empty() ? favorite.newUrl : favorite.url];
            if (run == 1 && !favorite.newUrl.empty()) {
                ASSERT_FALSE(lines.empty());
                EXPECT_EQ("お気に入りを移転先に更新しました: " + favorite.newUrl, lines.back());
                EXPECT_NE(std::string::npos,
                          report.find("<A HREF=\"" + favorite.newUrl + "\">" + favorite.name +
                                      "</A> （元のアドレス: " + favorite.url + "）"));
            } else if (run == 1 && !favorite.told.empty()) {
                ASSERT_FALSE(lines.empty());
                EXPECT_EQ(favorite.told, lines.back());
                EXPECT_NE(std::string::npos,
                          report.find(">" + std::string(favorite.name) + "</A>"));
            } else if (run == 2 && !favorite.newUrl.empty()) {
                EXPECT_EQ((Lines{"200 OK"}), lines);
            }
        }
        EXPECT_EQ(run != 0, driver::FileExists(movedReport)) << "made only when something moved";
        EXPECT_EQ(std::string::npos, report.find("temporary.url"));
        ASSERT_TRUE(vexilo.Exit());
        EXPECT_EQ(run == 0 ? 0u : 1u, ReadDword("wMoved"));
        DeleteFileA(movedReport.c_str());
    }
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// https pages are kept decrypted and compared as http pages are: a page of 1 MB whole, an
// unchanged page not reported again, a changed one reported.
TEST_F(CheckRun, HttpsPagesKeptAndCompared) {
    if (!gethostbyname("www.vexilo-test.example")) {
        GTEST_SKIP() << "needs the check runs' host names and CA (tests/peers/with-hosts, as root)";
    }
    std::string big = "<html>\n";
    for (int i = 0; big.size() < 1024 * 1024; ++i) {
        big += "<p>line " + std::to_string(i) + " of a page of a megabyte</p>\n";
    }
    WritePage("big.html", big + "</html>\n");
    Shortcut("news.url", "https://www.vexilo-test.example/news.html");
    Shortcut("big.url", "https://secure.vexilo-test.example/big.html");
    Options(0x04, 0x01); // recycle without asking; list new or updated pages

    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    WritePage("news.html", "<html><body>News of the second day, over TLS.</body></html>\n");
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    const auto blocks = Blocks(vexilo.LogLines());
    ASSERT_EQ(4u, blocks.size());
    auto first = ByUrl(std::vector<LogBlock>(blocks.begin(), blocks.begin() + 2));
    auto second = ByUrl(std::vector<LogBlock>(blocks.begin() + 2, blocks.end()));
    EXPECT_EQ((Lines{"200 OK", kNewText}), first["https://secure.vexilo-test.example/big.html"]);
    EXPECT_EQ((Lines{"200 OK"}), second["https://secure.vexilo-test.example/big.html"]);
    EXPECT_EQ((Lines{"200 OK", kNewText}), second["https://www.vexilo-test.example/news.html"]);
    EXPECT_TRUE(driver::ReadFileBytes(www_ + "\\big.html") ==
                driver::ReadFileBytes(store_ + "\\big.htm"));
    EXPECT_EQ(driver::ReadFileBytes(www_ + "\\news.html"),
              driver::ReadFileBytes(store_ + "\\news.htm"));
    ASSERT_TRUE(vexilo.Exit());
}

// Pages as today's sites send them (tests/data/checkrun/make-pages), on three days. The first
// run lists each as new with its title; the second only those whose text a reader sees changed,
// each with a quote of the change, the Japanese ones in Shift_JIS and EUC-JP among them, and
// not those that changed only nonces, tokens, ids, ad slots, comments, indentation and line
// ends, nor an image that stayed the same; the third, where no reader would see a change, none.
TEST_F(CheckRun, OnlyWhatAReaderSeesIsReportedWithWhatChanged) {
    if (!gethostbyname("news.vexilo-test.example") || Env("PAGE_FIXTURES").empty()) {
        GTEST_SKIP() << "needs the check runs' host names (tests/peers/with-hosts, as root) and "
                        "PAGE_FIXTURES";
    }
    const std::string fixtures = driver::WindowsPath(Env("PAGE_FIXTURES"));
    const std::string kNews = "http://news.vexilo-test.example/reader/";
    const std::string kJp = "http://jp.vexilo-test.example/reader/";
    const struct {
        const char* name;
        std::string url;
        const char* first;  // the line below it in the first run's report
        const char* second; // in the second run's; nullptr: not listed
    } pages[] = {
        {"news", kNews + "news.html", "タイトル: Harbour notes", nullptr},
        {"events", kNews + "events.html", "タイトル: Events in town", nullptr},
        {"sentence", kNews + "sentence.html", "タイトル: Meetings",
         "追加: …committee will meet on Wednesday the fourth at the town hall."},
        {"paragraph", kNews + "paragraph.html", "タイトル: Walks",
         "A new paragraph tells of the lantern walk"},
        {"title", kNews + "title.html", "タイトル: Harbour notes for the first week",
         "追加: Harbour notes for the second week"},
        {"removed", kNews + "removed.html", "タイトル: Ferries",
         "削除: …from the north pier and the old boat house…"},
        {"number", kNews + "number.html", "タイトル: Tickets", "A ticket costs 1,500 yen"},
        {"sjis", kJp + "sjis.html", "タイトル: 市立図書館のお知らせ", "参加者は十五名でした。"},
        {"eucjp", kJp + "eucjp.html", "タイトル: 市立図書館のお知らせ", "参加者は十五名でした。"},
        {"notes", kNews + "notes.txt", "新規（text/plain）", "追加: Line added on the second day."},
        {"logo", kNews + "logo.png", "新規（image/png）", nullptr},
    };
    for (const auto& page : pages) {
        Shortcut(std::string(page.name) + ".url", page.url);
    }
    Options(0x10, 0x01);
    ASSERT_TRUE(CreateDirectoryA((www_ + "\\reader").c_str(), nullptr));
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    for (int day = 1; day <= 3; ++day) {
        SCOPED_TRACE("day " + std::to_string(day));
        for (const char* file : {"news.html", "events.html", "sentence.html", "paragraph.html",
                                 "title.html", "removed.html", "number.html", "sjis.html",
                                 "eucjp.html", "notes.txt", "logo.png"}) {
            const std::string from = fixtures + "\\" + std::to_string(day) + "\\" + file;
            ASSERT_TRUE(CopyFileA(from.c_str(), (www_ + "\\reader\\" + file).c_str(), FALSE));
        }
        ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
        auto byUrl = ByUrl(vexilo.LogLines(), (day - 1) * std::size(pages));
        const std::string report = Report("flist.htm");
        for (const auto& page : pages) {
            SCOPED_TRACE(page.name);
            const char* expected = day == 1 ? page.first : day == 2 ? page.second : nullptr;
            EXPECT_EQ(expected ? Lines({"200 OK", kNewText}) : Lines({"200 OK"}),
                      byUrl[page.url]);
            const size_t entry = report.find(">" + std::string(page.name) + ".url</A><BR>\r\n");
            ASSERT_EQ(expected != nullptr, entry != std::string::npos);
            if (expected) {
                const std::string line = report.substr(entry, report.find("<BR><BR>", entry) - entry);
                EXPECT_NE(std::string::npos, line.find(expected)) << line;
            }
        }
    }
    // The copies are what the server sent, the image whole.
    EXPECT_TRUE(driver::ReadFileBytes(fixtures + "\\3\\logo.png") ==
                driver::ReadFileBytes(store_ + "\\logo.htm"));
    EXPECT_TRUE(NoNewCopyLeft());
    ASSERT_TRUE(vexilo.Exit());
}

TEST_F(CheckRun, StopConfirmedWhileASlowPageArrives) {
    // Every page is slow (about five seconds), so the stop lands in the first probe.
    for (const char* name : {"slow1.url", "slow2.url", "slow3.url"}) {
        Shortcut(name, kHost + "/slow/page.html");
    }
    Options(0x10, 0x01);
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    vexilo.BeginCheck();
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return vexilo.Status().find("から受信しています(") != std::string::npos; }, 20000));
    driver::Click(vexilo.Window(), kCheckButton);
    driver::MessageBoxSeen question;
    ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDYES, 10000, &question));
    EXPECT_EQ("チェック途中ですが、本当に終了しますか？", question.text);
    EXPECT_EQ("質問", question.caption);
    EXPECT_EQ("強制終了", vexilo.CheckCaption());
    // The page in hand still arrives whole and counts; no further page is asked for.
    EXPECT_FALSE(driver::IsEnabled(vexilo.Window(), kSaveLogButton));
    ASSERT_TRUE(vexilo.WaitCheckEnd(kRunTimeout));
    const auto blocks = Blocks(vexilo.LogLines());
    ASSERT_EQ(1u, blocks.size());
    EXPECT_EQ((std::vector<std::string>{"200 OK", kNewText}), blocks[0].lines);
    // The favorites probed ahead leave nothing behind.
    for (const char* name : {"slow2", "slow3"}) {
        EXPECT_FALSE(driver::FileExists(store_ + "\\" + name + ".htm_")) << name;
        EXPECT_FALSE(driver::FileExists(store_ + "\\" + name + ".htm")) << name;
    }
    EXPECT_EQ(kStartCaption, vexilo.CheckCaption());
    ASSERT_TRUE(recorder_->WaitForOpened(2, 10000));
    EXPECT_NE(std::string::npos, Report("flist.htm").find(">slow"));
}

// A forced end reaches the probes that wait for a page that never comes, the one at hand and
// one ahead: the run ends within two seconds, the favorite is left as it was, nothing probed
// ahead is kept, and the run's report is still written and opened.
TEST_F(CheckRun, ForcedTerminationEndsAWaitingProbeAtOnce) {
    // The page never comes: nginx hands the request to a peer that never accepts.
    SOCKET sink = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(18999);
    ASSERT_EQ(0, bind(sink, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(sink, 5));

    Shortcut("hang.url", kHost + "/hang");
    Shortcut("hang2.url", kHost + "/hang?2");
    Shortcut("ok.url", kHost + "/ok.html");
    Options(0x01, 0x01); // ask about vanished pages: a forced end asks nothing
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    vexilo.BeginCheck();
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return vexilo.Status() == "[127.0.0.1]から受信しています..."; }, 20000));
    driver::Click(vexilo.Window(), kCheckButton);
    ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDYES, 10000));
    driver::Click(vexilo.Window(), kCheckButton);
    driver::MessageBoxSeen warning;
    ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDOK, 10000, &warning));
    EXPECT_EQ("強制終了処理をします。\n処理があまりにも時間がかかる場合には、"
              "終了ボタンを押してソフトを終了してください。",
              warning.text);
    EXPECT_EQ("注意", warning.caption);
    const DWORD forced = GetTickCount();
    ASSERT_TRUE(vexilo.WaitCheckEnd(kRunTimeout));
    EXPECT_LT(GetTickCount() - forced, 2000u);
    const auto blocks = Blocks(vexilo.LogLines());
    ASSERT_EQ(1u, blocks.size());
    EXPECT_EQ((Lines{"強制終了のため確認を中止しました。"}), blocks[0].lines);
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\hang.url"));
    EXPECT_FALSE(driver::FileExists(store_ + "\\ok.htm_"));
    EXPECT_FALSE(driver::FileExists(store_ + "\\ok.htm"));
    ASSERT_TRUE(recorder_->WaitForOpened(1, 10000));
    EXPECT_EQ(TempFolder() + "flist.htm", recorder_->Opened()[0]);
    DWORD code = 99;
    ASSERT_TRUE(vexilo.Exit(&code));
    EXPECT_EQ(0u, code);
    closesocket(sink);
}

TEST_F(CheckRun, SecondCopyIsRefusedAndSettingsSurviveARestart) {
    Options(0x10, 0x11);
    Vexilo first;
    ASSERT_TRUE(first.Start(exe_)) << first.Problem();

    driver::Process second;
    ASSERT_TRUE(second.Start("\"" + exe_ + "\"")) << second.Problem();
    driver::MessageBoxSeen refusal;
    ASSERT_TRUE(driver::AnswerMessageBox(second.Id(), IDOK, 20000, &refusal));
    EXPECT_EQ("すでに起動されています。\n重複起動は出来ません。", refusal.text);
    EXPECT_EQ("情報", refusal.caption);
    DWORD code = 99;
    ASSERT_TRUE(second.Wait(10000, &code));
    EXPECT_TRUE(first.Process().Running());

    // Defaults shown, then changed as a user would and the window moved.
    EXPECT_TRUE(driver::IsChecked(first.Window(), kVanishedList));
    EXPECT_TRUE(driver::IsChecked(first.Window(), kNoUpdateCheck));
    EXPECT_EQ(favorites_, driver::ItemText(first.Window(), kFolderField));
    driver::Click(first.Window(), kVanishedRecycle);
    SendMessageA(GetDlgItem(first.Window(), kVanishedRecycle), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetDlgItem(first.Window(), kVanishedList), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(GetDlgItem(first.Window(), kNoUpdateCheck), BM_SETCHECK, BST_UNCHECKED, 0);
    driver::Click(first.Window(), kNoUpdateCheck);
    SendMessageA(GetDlgItem(first.Window(), kNoUpdateCheck), BM_SETCHECK, BST_UNCHECKED, 0);
    SetWindowPos(first.Window(), nullptr, -120, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT before;
    GetWindowRect(first.Window(), &before);
    ASSERT_TRUE(first.Exit(&code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(0x04u, ReadDword("wD_Chk"));
    EXPECT_EQ(0x01u, ReadDword("wN_Chk"));

    Vexilo restarted;
    ASSERT_TRUE(restarted.Start(exe_)) << restarted.Problem();
    RECT after;
    GetWindowRect(restarted.Window(), &after);
    EXPECT_EQ(-120, after.left);
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ(before.right - before.left, after.right - after.left);
    EXPECT_TRUE(driver::IsChecked(restarted.Window(), kVanishedRecycle));
    EXPECT_FALSE(driver::IsChecked(restarted.Window(), kNoUpdateCheck));
    EXPECT_TRUE(driver::IsEnabled(restarted.Window(), kUpdatedList));
    EXPECT_EQ(favorites_, driver::ItemText(restarted.Window(), kFolderField));
    ASSERT_TRUE(restarted.Exit());
}

// The system menu's version command opens the version dialog, during a run as well (Wine does
// not show another process's menus, so the entry's text is checked on the template instead).
TEST_F(CheckRun, VersionDialogFromTheSystemMenu) {
    Shortcut("slow.url", kHost + "/slow/page.html");
    Options(0x40, 0x00); // the copy is kept, so the whole slow page is read: about five seconds
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    vexilo.BeginCheck();
    ASSERT_TRUE(
        driver::WaitUntil([&] { return !driver::IsEnabled(vexilo.Window(), kExitButton); }, 10000));
    PostMessageA(vexilo.Window(), WM_SYSCOMMAND, 0x0010, 0);
    HWND about =
        driver::WaitForWindow(vexilo.Process().Id(), "#32770", "Vexiloのﾊﾞｰｼﾞｮﾝ情報", 10000);
    ASSERT_NE(nullptr, about);
    driver::Click(about, IDOK);
    EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(about); }, 5000));
    ASSERT_TRUE(vexilo.WaitCheckEnd(kRunTimeout));
    ASSERT_TRUE(vexilo.Exit());
}

// No stored folder: the start-up takes the shell's Favorites folder of the user; ">>" opens the
// shell's chooser on the folder shown, and "自動参照" goes back to the shell's folder.
TEST_F(CheckRun, FavoritesFolderDetectedAndChosen) {
    SHDeleteValueA(HKEY_CURRENT_USER, kSettingsKey, "sFavorite");
    char shellFolder[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, shellFolder, CSIDL_FAVORITES, FALSE));
    Options(0x10, 0x11);

    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    EXPECT_EQ(shellFolder, driver::ItemText(vexilo.Window(), kFolderField));

    // Chosen folders come from the chooser only; here the test's favorites, opened on and kept.
    SetDlgItemTextA(vexilo.Window(), kFolderField, favorites_.c_str());
    driver::Click(vexilo.Window(), kVanishedNothing);
    SendMessageA(GetDlgItem(vexilo.Window(), kVanishedNothing), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetDlgItem(vexilo.Window(), kVanishedList), BM_SETCHECK, BST_UNCHECKED, 0);
    driver::Click(vexilo.Window(), kBrowseButton);
    HWND chooser = driver::WaitForDialogWithItem(vexilo.Process().Id(), 0x3741, 10000);
    ASSERT_NE(nullptr, chooser) << "the folder chooser (its tree is control 0x3741)";
    EXPECT_EQ("お気に入りのフォルダー、またはブックマークのファイルを選択して下さい。",
              driver::ItemText(chooser, 0x3742));
    driver::Click(chooser, IDOK);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(chooser); }, 10000));
    EXPECT_EQ(favorites_, driver::ItemText(vexilo.Window(), kFolderField));
    // The option buttons keep the states they had before the button was pressed.
    EXPECT_TRUE(driver::IsChecked(vexilo.Window(), kVanishedNothing));
    EXPECT_FALSE(driver::IsChecked(vexilo.Window(), kVanishedList));

    driver::Click(vexilo.Window(), kBrowseButton);
    chooser = driver::WaitForDialogWithItem(vexilo.Process().Id(), 0x3741, 10000);
    ASSERT_NE(nullptr, chooser);
    driver::Click(chooser, IDCANCEL);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(chooser); }, 10000));
    EXPECT_EQ(favorites_, driver::ItemText(vexilo.Window(), kFolderField));

    driver::Click(vexilo.Window(), kDetectButton);
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return driver::ItemText(vexilo.Window(), kFolderField) == shellFolder; }, 5000));
    ASSERT_TRUE(vexilo.Exit());
    char stored[MAX_PATH] = "";
    DWORD size = sizeof stored;
    SHGetValueA(HKEY_CURRENT_USER, kSettingsKey, "sFavorite", nullptr, stored, &size);
    EXPECT_STREQ(shellFolder, stored);
    EXPECT_EQ(0x40u, ReadDword("wD_Chk"));
}

// The window as the user sees it after a check: saved as a picture for the eye (the project's
// screenshots come from here), and checked for text drawn in its Japanese captions.
TEST_F(CheckRun, MainWindowRendersItsTexts) {
    Shortcut("ok.url", kHost + "/ok.html");
    Shortcut("gone.url", kHost + "/gone.html");
    Shortcut("ニュース\\今日.url", kHost + "/news.html");
    Options(0x10, 0x01);
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    SetWindowPos(vexilo.Window(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    ASSERT_TRUE(recorder_->WaitForOpened(2, 10000));
    Sleep(300); // the last repaints

    // Dark pixels inside a caption: its text was drawn, not left blank for want of a font.
    HDC screen = GetDC(nullptr);
    auto darkPixels = [&](int id) {
        RECT r;
        GetWindowRect(GetDlgItem(vexilo.Window(), id), &r);
        int dark = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = GetPixel(screen, x, y);
                dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
            }
        }
        return dark;
    };
    EXPECT_GT(darkPixels(kCheckButton), 40) << "チェック開始(&G)";
    EXPECT_GT(darkPixels(kVanishedAsk), 40) << "ページを確認後ごみ箱へ";
    EXPECT_GT(darkPixels(kNoUpdateCheck), 40) << "更新のチェックをしない";
    EXPECT_GT(darkPixels(kLogList), 200) << "the log's lines";
    ReleaseDC(nullptr, screen);

    EXPECT_TRUE(SaveScreen("vexilo-main.png"));
    ASSERT_TRUE(vexilo.Exit());
}

} // namespace
