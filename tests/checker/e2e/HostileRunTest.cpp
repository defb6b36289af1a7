// Whole check runs of the real Vexilo.exe against what the world may hand it: servers that
// answer garbage, a head that never ends, a page that never ends, a reset in the middle of a
// page, silence; and a Favorites tree of 10,000 files with overlong lines, files that are not
// text, names at the path limit and a shortcut that cannot be read. Whatever comes, the run ends
// (or the user can end it), the stored copy of a page is never replaced by anything but the
// whole page, and each favorite ends as any other does. The http peer (HostilePeer) listens on
// 127.0.0.1:80 itself, where check runs go; the https one is tests/peers/with-tls-peer.
#include "BlackHole.h"
#include "HostilePeer.h"
#include "RunFixture.h"
#include "VexiloDriver.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kRunTimeout = 120000;
const std::string kHost = "http://127.0.0.1";

class HostileRun : public RunFixture {
protected:
    void SetUp() override {
        const char* exe = std::getenv("VEXILO_EXE");
        if (!exe) {
            GTEST_SKIP() << "needs VEXILO_EXE (see CMakeLists.txt)";
        }
        ASSERT_TRUE(peer_.Listening()) << "port 80 is taken";
        Prepare(exe);
        // List vanished pages; list new or updated pages.
        WriteDword("wD_Chk", 0x10);
        WriteDword("wN_Chk", 0x01);
    }

    // Uses another Favorites folder below the scratch folder.
    void UseFavorites(const std::string& name) {
        favorites_ = scratch_ / name;
        ASSERT_TRUE(scratch_.MakeFolder(name));
        SHSetValueA(HKEY_CURRENT_USER, kSettingsKey, "sFavorite", REG_SZ, favorites_.c_str(),
                    static_cast<DWORD>(favorites_.size() + 1));
    }

    void Shortcut(const std::string& name, const std::string& url) {
        Favorite(name, "[InternetShortcut]\r\nURL=" + url + "\r\n");
    }

    // The stored copy of a page, shown short when it is not the one expected (a head of 1 MB
    // would flood the log).
    void ExpectStored(const std::string& name, const std::string& expected) const {
        const std::string stored = driver::ReadFileBytes(store_ + "\\" + name);
        EXPECT_TRUE(stored == expected)
            << name << " holds " << stored.size() << " bytes: " << stored.substr(0, 200);
    }

    // Runs a first check in which every path answers with its good page, so that each
    // favorite has a stored copy before the hostile run.
    void FirstRunStoresTheGoodPages(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) {
            peer_.Set(path, Answer::kPage, "<html>" + path + ", as it was</html>");
        }
        Vexilo vexilo;
        ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
        ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
        for (const auto& entry : ByUrl(vexilo.LogLines())) {
            EXPECT_EQ((Lines{"200 OK", kNewText}), entry.second) << entry.first;
        }
        ASSERT_TRUE(vexilo.Exit());
    }

    HostilePeer peer_;
};

TEST_F(HostileRun, BrokenAnswersNeverReplaceTheStoredCopy) {
    Shortcut("ok.url", kHost + "/ok");
    Shortcut("garbage.url", kHost + "/garbage");
    Shortcut("head.url", kHost + "/head");
    Shortcut("reset.url", kHost + "/reset");
    FirstRunStoresTheGoodPages({"/ok", "/garbage", "/head", "/reset"});

    peer_.Set("/ok", Answer::kPage, "<html>/ok, changed</html>");
    peer_.Set("/garbage", Answer::kGarbage);
    peer_.Set("/head", Answer::kEndlessHead);
    peer_.Set("/reset", Answer::kReset, "<html>" + std::string(4000, 'r') + "</html>");
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));

    auto byUrl = ByUrl(vexilo.LogLines());
    EXPECT_EQ(4u, byUrl.size());
    EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl[kHost + "/ok"]);
    // No status line: no status, so the page counts as vanished.
    EXPECT_EQ((Lines{"0 "}), byUrl[kHost + "/garbage"]);
    // A head that never ended, and a page cut off by a reset: the page is there, but what came
    // is not it.
    EXPECT_EQ((Lines{"200 OK"}), byUrl[kHost + "/head"]);
    EXPECT_EQ((Lines{"200 OK"}), byUrl[kHost + "/reset"]);

    ExpectStored("ok.htm", "<html>/ok, changed</html>");
    ExpectStored("garbage.htm", "<html>/garbage, as it was</html>");
    ExpectStored("head.htm", "<html>/head, as it was</html>");
    ExpectStored("reset.htm", "<html>/reset, as it was</html>");
    EXPECT_TRUE(NoNewCopyLeft());

    ASSERT_TRUE(recorder_->WaitForOpened(2, 10000));
    const std::string vanished = Report("flistdel.htm");
    EXPECT_NE(std::string::npos, vanished.find(">garbage.url</A>"));
    EXPECT_EQ(std::string::npos, vanished.find(">head.url</A>"));
    const std::string updated = Report("flist.htm");
    EXPECT_NE(std::string::npos, updated.find(">ok.url</A>"));
    EXPECT_EQ(std::string::npos, updated.find(">reset.url</A>"));
    EXPECT_EQ(std::string::npos, updated.find(">head.url</A>"));
    for (const char* path : {"/ok", "/garbage", "/head", "/reset"}) {
        EXPECT_EQ(2, peer_.Requests(path)) << path;
    }
    DWORD code = 99;
    ASSERT_TRUE(vexilo.Exit(&code));
    EXPECT_EQ(0u, code);
}

// A page that never ends: the probe reads on until the user stops the run and forces its end;
// then the run ends as usual, with the stored copy as it was.
TEST_F(HostileRun, EndlessPageEndsWhenTheUserForcesTheEnd) {
    Shortcut("endless.url", kHost + "/endless");
    FirstRunStoresTheGoodPages({"/endless"});

    peer_.Set("/endless", Answer::kEndlessBody);
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    vexilo.BeginCheck();
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return vexilo.Status().find("から受信しています( 2") != std::string::npos; }, 30000))
        << vexilo.Status();
    driver::Click(vexilo.Window(), kCheckButton);
    ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDYES, 10000));
    EXPECT_EQ("強制終了", vexilo.CheckCaption());
    // A confirmed stop lets the probe run on: the page still does not end.
    Sleep(500);
    EXPECT_FALSE(vexilo.Idle());
    driver::Click(vexilo.Window(), kCheckButton);
    ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDOK, 10000));
    ASSERT_TRUE(vexilo.WaitCheckEnd(kRunTimeout));

    const auto byUrl = ByUrl(vexilo.LogLines());
    ASSERT_EQ(1u, byUrl.size());
    EXPECT_EQ((Lines{"200 OK"}), byUrl.begin()->second);
    ExpectStored("endless.htm", "<html>/endless, as it was</html>");
    EXPECT_TRUE(NoNewCopyLeft());
    EXPECT_TRUE(vexilo.Idle());
    DWORD code = 99;
    ASSERT_TRUE(vexilo.Exit(&code));
    EXPECT_EQ(0u, code);
}

// A server that takes the connection and never answers: the probe gives up after its silence
// of about 30 s with a text that says so, and a forced end reaches a probe that waits at once;
// either way the run ends as usual, its report opened, the stored copy as it was.
TEST_F(HostileRun, SilentServerIsGivenUpOrLeftAtOnce) {
    Shortcut("silent.url", kHost + "/silent");
    FirstRunStoresTheGoodPages({"/silent"});
    peer_.Set("/silent", Answer::kSilent);
    WriteDword("wD_Chk", 0x04); // recycle without asking: silence is no sure answer

    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    const DWORD start = GetTickCount();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 29000u);
    EXPECT_LT(took, 40000u);
    auto byUrl = ByUrl(vexilo.LogLines());
    EXPECT_EQ((Lines{"[127.0.0.1]からの応答が時間切れになりました。"}), byUrl[kHost + "/silent"]);
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\silent.url"));
    ASSERT_TRUE(recorder_->WaitForOpened(1, 10000));
    EXPECT_NE(std::string::npos,
              Report("flistdel.htm")
                  .find(">silent.url</A> （確実ではないため、ごみ箱へ移動していません: "
                        "[127.0.0.1]からの応答が時間切れになりました。）<BR><BR>"));

    vexilo.BeginCheck();
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return vexilo.Status() == "[127.0.0.1]から受信しています..."; }, 30000));
    driver::Click(vexilo.Window(), kCheckButton);
    ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDYES, 10000));
    driver::Click(vexilo.Window(), kCheckButton);
    ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDOK, 10000));
    const DWORD forced = GetTickCount();
    ASSERT_TRUE(vexilo.WaitCheckEnd(kRunTimeout));
    EXPECT_LT(GetTickCount() - forced, 2500u);
    byUrl = ByUrl(vexilo.LogLines(), 1);
    EXPECT_EQ((Lines{"強制終了のため確認を中止しました。"}), byUrl[kHost + "/silent"]);
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\silent.url"));
    ExpectStored("silent.htm", "<html>/silent, as it was</html>");
    EXPECT_TRUE(NoNewCopyLeft());
    DWORD code = 99;
    ASSERT_TRUE(vexilo.Exit(&code));
    EXPECT_EQ(0u, code);
}

// An https favorite whose server takes the connection and never answers the TLS handshake: the
// handshake is given up within the same silence as any wait, and the favorite is no sure loss.
TEST_F(HostileRun, StalledTlsHandshakeIsGivenUp) {
    Shortcut("stalled.url", "https://127.0.0.1:80/stalled");
    WriteDword("wD_Chk", 0x04); // recycle without asking
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    const DWORD start = GetTickCount();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    EXPECT_GE(GetTickCount() - start, 29000u);
    EXPECT_EQ((Lines{"[127.0.0.1]との暗号化通信の開始が時間切れになりました。"}),
              ByUrl(vexilo.LogLines())["https://127.0.0.1:80/stalled"]);
    EXPECT_TRUE(driver::FileExists(favorites_ + "\\stalled.url"));
    ASSERT_TRUE(vexilo.Exit());
}

// https servers that bend TLS (tests/peers/with-tls-peer), against pages stored from nginx in a
// first run. Records split anywhere or many to a block, the page in the block that ends the
// handshake, or a close without close_notify after the whole page: the changed page, taken as
// nginx gives it. A page cut short, a renegotiation request, a server that speaks no TLS or
// leaves in the handshake: within the time-outs, no sure loss, the stored copy as it was.
TEST_F(HostileRun, HostileTlsPeers) {
    if (!gethostbyname("split.peer.vexilo-test.example")) {
        GTEST_SKIP() << "needs the https peer and its names (tests/peers/with-tls-peer, as root)";
    }
    const Lines changed = {"200 OK", kNewText};
    const std::string failed = ".peer.vexilo-test.example]と暗号化通信ができませんでした。";
    const struct {
        std::string name;
        Lines lines;
    } peers[] = {
        {"nginx", changed},
        {"split", changed},
        {"packed", changed},
        {"eager", changed},
        {"noclose", changed},
        {"cut", {"200 OK"}},
        {"renegotiate", {"[renegotiate" + failed}},
        {"http", {"[http" + failed}},
        {"garbage", {"[garbage" + failed}},
        {"oversize", {"[oversize" + failed}},
        {"hangup", {"[hangup" + failed}},
    };
    const auto url = [](const std::string& name, int run) {
        return run == 0 || name == "nginx"
                   ? "https://www.vexilo-test.example/page.html?" + name
                   : "https://" + name + ".peer.vexilo-test.example/page.html";
    };
    const std::string www = driver::WindowsPath(std::getenv("VEXILO_TEST_WWW")) + "\\page.html";
    std::string pages[2];
    for (int run = 0; run < 2; ++run) {
        pages[run] = "<html>\n";
        for (int i = 0; pages[run].size() < 6000; ++i) {
            pages[run] +=
                "<p>line " + std::to_string(i) + " of run " + std::to_string(run) + "</p>\n";
        }
        pages[run] += "</html>\n";
    }
    WriteDword("wD_Chk", 0x04); // recycle without asking: none of these is a sure loss
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(driver::WriteFileBytes(www, pages[run]));
        for (const auto& peer : peers) {
            Shortcut(peer.name + ".url", url(peer.name, run));
        }
        const DWORD start = GetTickCount();
        ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
        EXPECT_LT(GetTickCount() - start, 29000u) << "a probe waited for the silence of 30 s";
        auto byUrl = ByUrl(vexilo.LogLines(), run * std::size(peers));
        for (const auto& peer : peers) {
            SCOPED_TRACE(peer.name + " in run " + std::to_string(run));
            EXPECT_EQ(run == 0 ? changed : peer.lines, byUrl[url(peer.name, run)]);
            EXPECT_TRUE(driver::FileExists(favorites_ + "\\" + peer.name + ".url"));
            const bool taken = run == 0 || peer.lines == changed;
            EXPECT_TRUE(pages[taken ? run : 0] ==
                        driver::ReadTextFile(store_ + "\\" + peer.name + ".htm"));
        }
    }
    EXPECT_TRUE(NoNewCopyLeft());
    ASSERT_TRUE(vexilo.Exit());
}

// A server that refuses HTTP/1.0 and sends its page in chunks to HTTP/1.1, and one whose head
// lines end in CR CR LF: both pages are kept as they are, and found unchanged the next time.
TEST_F(HostileRun, PagesOfHttp11OnlyAndCrCrLfServersAreKept) {
    Shortcut("upgrade.url", kHost + "/upgrade");
    Shortcut("crcrlf.url", kHost + "/crcrlf");
    const std::string page = "<html>\n<p>chunked or not, the same page</p>\n</html>\n";
    peer_.Set("/upgrade", Answer::kHttp11Only, page);
    peer_.Set("/crcrlf", Answer::kCrCrLf, page);
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
        const auto byUrl = ByUrl(vexilo.LogLines(), 2 * run);
        const Lines expected = run == 0 ? Lines{"200 OK", kNewText} : Lines{"200 OK"};
        EXPECT_EQ(expected, byUrl.at(kHost + "/upgrade")) << run;
        EXPECT_EQ(expected, byUrl.at(kHost + "/crcrlf")) << run;
    }
    ExpectStored("upgrade.htm", page);
    ExpectStored("crcrlf.htm", page);
    EXPECT_EQ(4, peer_.Requests("/upgrade")); // 1.0, then 1.1, in each run
    ASSERT_TRUE(vexilo.Exit());
}

// A Favorites tree as it may come: 10,000 files, a line of 100 KB, files that are not text, a
// name at the 259-byte limit of a path and one past it, a shortcut that another program holds
// open. The walk reads what it can, passes over the rest, and the run ends as usual.
TEST_F(HostileRun, HostileFavoritesTree) {
    // A short folder name, so that the store's place for a path of 259 bytes is longer than a
    // path may be.
    UseFavorites("F");
    // 10,000 shortcut files without a URL line, in 100 folders: all read, none listed.
    const DWORD writing = GetTickCount();
    for (int folder = 0; folder < 100; ++folder) {
        for (int file = 0; file < 100; ++file) {
            Favorite("many\\" + std::to_string(folder) + "\\" + std::to_string(file) + ".url",
                     "[InternetShortcut]\r\nIconIndex=0\r\n");
        }
    }
    std::printf("10,000 files written in %lu ms\n", GetTickCount() - writing);

    // A line of 100 KB before the URL line, and a URL line of 100 KB (its URL is cut to what
    // the first piece of the line holds).
    Favorite("long-line.url", "[InternetShortcut]\r\nX=" + std::string(100 * 1024, 'a') +
                                  "\r\nURL=" + kHost + "/after-long-line\r\n");
    const std::string longUrl = kHost + "/long-url?" + std::string(100 * 1024, 'q');
    Favorite("long-url.url", "URL=" + longUrl + "\r\n");
    // Not text: every byte value (a zero byte and Ctrl-Z among them) before the URL line, which
    // is never reached; and after it, which does not matter.
    std::string bytes;
    for (int i = 0; i < 1024; ++i) {
        bytes += static_cast<char>(i % 256);
    }
    Favorite("binary.url", bytes + "\r\nURL=" + kHost + "/hidden\r\n");
    Favorite("binary-after.url", "URL=" + kHost + "/binary-after\r\n" + bytes);
    // Full paths of 259 bytes (listed) and 260 (passed over: no path of the walk is longer
    // than 259 bytes).
    const std::string prefix = favorites_ + "\\limit-";
    const std::string at259 = prefix + std::string(259 - prefix.size() - 4, 'n') + ".url";
    const std::string at260 = prefix + std::string(260 - prefix.size() - 4, 'n') + ".url";
    ASSERT_EQ(259u, at259.size());
    Favorite(at259.substr(favorites_.size() + 1), "URL=" + kHost + "/limit\r\n");
    Favorite(at260.substr(favorites_.size() + 1), "URL=" + kHost + "/past-limit\r\n");
    // Held open by another program without sharing: it cannot be read.
    Shortcut("unreadable.url", kHost + "/unreadable");
    HANDLE held = CreateFileA((favorites_ + "\\unreadable.url").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);

    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    const DWORD start = GetTickCount();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    std::printf("check run of the tree: %lu ms\n", GetTickCount() - start);
    CloseHandle(held);

    const Lines log = vexilo.LogLines();
    auto byUrl = ByUrl(log);
    EXPECT_EQ(4u, Blocks(log).size());
    EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl[kHost + "/after-long-line"]);
    EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl[kHost + "/binary-after"]);
    // The URL as far as the first 1023 bytes of its line hold it, "URL=" taken off.
    EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl[longUrl.substr(0, 1019)]);
    // Probed, but its place in the store would be longer than a path: nothing is kept, and
    // nothing reported.
    EXPECT_EQ((Lines{"200 OK"}), byUrl[kHost + "/limit"]);
    EXPECT_FALSE(driver::FileExists(
        store_ + at259.substr(favorites_.size(), 259 - favorites_.size() - 4) + ".htm"));
    for (const char* path : {"/hidden", "/past-limit", "/unreadable"}) {
        EXPECT_EQ(0, peer_.Requests(path)) << path;
    }
    EXPECT_TRUE(NoNewCopyLeft());
    EXPECT_FALSE(driver::FileExists(TempFolder() + "flist.tmp"));
    ASSERT_TRUE(recorder_->WaitForOpened(2, 10000));
    EXPECT_NE(std::string::npos, Report("flist.htm").find(">long-line.url</A>"));
    DWORD code = 99;
    ASSERT_TRUE(vexilo.Exit(&code));
    EXPECT_EQ(0u, code);
}

} // namespace

// Favorites whose servers answer after different delays: probing as many at once as the default
// (64) logs, lists and keeps exactly what probing one at a time does, and asks no host for more
// than 4 at once.
TEST_F(HostileRun, ProbesAtOnceChangeOnlyTheWait) {
    for (int i = 0; i < 30; ++i) {
        const std::string path = "/at-once/" + std::to_string(i);
        peer_.Set(path, i % 7 == 3 ? Answer::kGone : Answer::kPage, "<html>" + path + "</html>",
                  i * 137 % 300);
        Shortcut("f" + std::to_string(100 + i) + ".url",
                 (i % 3 != 0 ? "http://127.0.0.1" : "http://localhost") + path);
    }
    struct Outcome {
        Lines log;
        std::string vanished, updated;
    };
    auto run = [&](DWORD atOnce) {
        WriteDword("wProbes", atOnce);
        driver::RemoveTree(store_); // each run starts as the first
        Outcome outcome;
        Vexilo vexilo;
        EXPECT_TRUE(vexilo.Start(exe_));
        EXPECT_TRUE(vexilo.RunCheck(kRunTimeout));
        outcome.log = vexilo.LogLines();
        EXPECT_TRUE(vexilo.Exit());
        outcome.vanished = Report("flistdel.htm");
        outcome.updated = Report("flist.htm");
        return outcome;
    };
    const Outcome one = run(1);
    EXPECT_EQ(1, peer_.MostAtOnce("127.0.0.1:80"));
    const Outcome many = run(0);
    EXPECT_EQ(30u, Blocks(many.log).size());
    EXPECT_EQ(one.log, many.log);
    EXPECT_EQ(one.vanished, many.vanished);
    EXPECT_EQ(one.updated, many.updated);
    EXPECT_NE(std::string::npos, many.vanished.find("at-once/3\""));
    EXPECT_EQ(4, peer_.MostAtOnce("127.0.0.1:80"));
    EXPECT_GE(peer_.MostAtOnce("localhost:80"), 2);
}

// A host's next probe starts as soon as the one before it has connected, not when some probe
// ends: four slow pages of one host are asked for together.
TEST_F(HostileRun, OneHostGetsFourAtOnceWhilePagesAreSlow) {
    for (int i = 0; i < 8; ++i) {
        const std::string path = "/slow-host/" + std::to_string(i);
        peer_.Set(path, Answer::kPage, "<html>" + path + "</html>", 600);
        Shortcut("s" + std::to_string(i) + ".url", kHost + path);
    }
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    EXPECT_TRUE(vexilo.RunCheck(kRunTimeout));
    EXPECT_EQ(8u, ByUrl(vexilo.LogLines()).size());
    EXPECT_TRUE(vexilo.Exit());
    EXPECT_EQ(4, peer_.MostAtOnce("127.0.0.1:80"));
}

// Servers that never accept a connection: one is given up after 15 s, and once the run knows it,
// its other favorites, by its name or by its address and port, get the same unsure answer at
// once, each saying so. A stop while 64 probes wait on such servers ends when the favorite at
// hand does, a forced end at once, and no probe's thread is left behind.
TEST_F(HostileRun, ServersThatNeverAcceptAreWaitedForOnce) {
    const BlackHole hole; // on every loopback address
    ASSERT_TRUE(hole.Ready());
    const std::string port = ":" + std::to_string(hole.Port());
    const std::string timedOut = "]への接続が時間切れになりました。";
    const std::string notAgain =
        "この確認の中で先に接続を受け付けなかったサーバーのため、再び待たずに同じ結果としました。";
    const std::string urls[] = {"http://localhost" + port + "/1", "http://localhost" + port + "/2",
                                "http://127.0.0.1" + port + "/3"};
    for (int i = 0; i < 3; ++i) {
        Shortcut("dead" + std::to_string(i) + ".url", urls[i]);
    }
    peer_.Set("/ok", Answer::kPage, "<html>ok</html>");
    Shortcut("ok.url", kHost + "/ok");
    WriteDword("wD_Chk", 0x04); // recycle without asking: no time-out is a sure loss
    WriteDword("wProbes", 1);   // one at a time: a second wait would add its 15 s
    Vexilo vexilo;
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    const int threadsBefore = driver::ThreadCount(vexilo.Process().Id());
    DWORD start = GetTickCount();
    ASSERT_TRUE(vexilo.RunCheck(kRunTimeout));
    EXPECT_GE(GetTickCount() - start, 14500u);
    EXPECT_LT(GetTickCount() - start, 20000u);
    auto byUrl = ByUrl(vexilo.LogLines());
    EXPECT_EQ((Lines{"200 OK", kNewText}), byUrl[kHost + "/ok"]);
    int waited = 0;
    for (int i = 0; i < 3; ++i) {
        const std::string host = i < 2 ? "[localhost" : "[127.0.0.1";
        const Lines& lines = byUrl[urls[i]];
        waited += lines == Lines{host + timedOut} ? 1 : 0;
        EXPECT_TRUE(lines == Lines{host + timedOut} || lines == (Lines{host + timedOut, notAgain}))
            << urls[i] << ": " << (lines.empty() ? "" : lines.back());
        EXPECT_TRUE(driver::FileExists(favorites_ + "\\dead" + std::to_string(i) + ".url"));
    }
    EXPECT_EQ(1, waited);

    // 64 favorites on 64 addresses of the server, all waiting at once. (The settings
    // are written once the program, which stores its own as it ends, has ended.)
    ASSERT_TRUE(vexilo.Exit());
    UseFavorites("many");
    for (int i = 0; i < 64; ++i) {
        Shortcut("many\\" + std::to_string(i) + ".url",
                 "http://127.0.0." + std::to_string(2 + i) + port + "/" + std::to_string(i));
    }
    WriteDword("wProbes", 0);
    WriteDword("wD_Chk", 0x10); // listed: no question at the end of a run that reached no server
    ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
    for (const bool force : {false, true}) {
        SCOPED_TRACE(force ? "forced end" : "stop");
        start = GetTickCount();
        vexilo.BeginCheck();
        ASSERT_TRUE(driver::WaitUntil(
            [&] { return vexilo.Status().find("に接続しています...") != std::string::npos; }, 10000));
        Sleep(1000); // for all of them to be under way
        driver::Click(vexilo.Window(), kCheckButton);
        ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDYES, 10000));
        DWORD asked = GetTickCount();
        if (force) {
            driver::Click(vexilo.Window(), kCheckButton);
            ASSERT_TRUE(driver::AnswerMessageBox(vexilo.Process().Id(), IDOK, 10000));
            asked = GetTickCount();
        }
        ASSERT_TRUE(vexilo.WaitCheckEnd(kRunTimeout));
        // A stop lets the favorite at hand wait out its 15 s; the others are dropped at once.
        EXPECT_LT(GetTickCount() - (force ? asked : start), force ? 2000u : 17000u);
        // Only the favorite at hand is logged (with the run's note that no server answered).
        const std::vector<LogBlock> blocks = Blocks(vexilo.LogLines());
        ASSERT_EQ(force ? 2u : 1u, blocks.size());
        const Lines& lines = blocks.back().lines;
        ASSERT_FALSE(lines.empty());
        if (force) {
            EXPECT_EQ("強制終了のため確認を中止しました。", lines[0]);
        } else {
            EXPECT_NE(std::string::npos, lines[0].find(timedOut)) << lines[0];
        }
    }
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return driver::ThreadCount(vexilo.Process().Id()) <= threadsBefore; }, 10000))
        << driver::ThreadCount(vexilo.Process().Id()) << " threads, " << threadsBefore << " before the runs";
    ASSERT_TRUE(vexilo.Exit());
}
