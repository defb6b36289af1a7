// The probe on its thread against a scripted peer on loopback: the exact request, the
// page copy, every failure code and the status texts in the order the user sees them, served
// while the waiting thread pumps its messages.
#include "probe/Probe.h"
#include "probe/ProbeWorker.h"
#include "probe/ProxySetting.h"
#include "probe/TlsSession.h"
#include "probe/WinSockGuard.h"

#include "framework/JobThreads.h"
#include "framework/PaintHold.h"

#include "ScriptedServer.h"
#include "ThreadTimes.h"
#include "WinDriver.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Status texts as the status line received them.
std::vector<std::string> statusTexts;
WNDPROC staticProc = nullptr;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT && lParam) {
        statusTexts.emplace_back(reinterpret_cast<const char*>(lParam));
    }
    return CallWindowProcA(staticProc, window, message, wParam, lParam);
}

std::string ReadText(const std::string& path) {
    return driver::ReadTextFile(path);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Many probes opening and closing TLS sessions at the same moment each get a session of their
// own: Wine's SChannel hands out its handles without a lock. A socket that is not connected
// fails each session once its first flight is made, so every handle is taken and given back.
TEST(TlsSessions, ManyAtOnceEachEndCleanly) {
    const WinSockGuard winsock;
    ASSERT_TRUE(TlsAvailable());
    std::atomic<int> cleanEnds{0};
    std::vector<std::thread> probes;
    for (int i = 0; i < 16; ++i) {
        probes.emplace_back([&cleanEnds] {
            for (int round = 0; round < 400; ++round) {
                const SOCKET unconnected = socket(AF_INET, SOCK_STREAM, 0);
                {
                    TlsSession tls(unconnected);
                    DWORD since = GetTickCount();
                    cleanEnds += tls.Start("localhost", since) == TlsResult::kFailed;
                }
                closesocket(unconnected);
            }
        });
    }
    for (std::thread& probe : probes) {
        probe.join();
    }
    EXPECT_EQ(16 * 400, cleanEnds.load());
}

class ProbeConversation : public testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder_ = std::string(temp) + "probe-test-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        copyPath_ = folder_ + "\\page.htm_";
        DeleteFileA(copyPath_.c_str());

        statusLine_ =
            CreateWindowA("STATIC", "", 0, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
        staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            statusLine_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
        statusTexts.clear();

        std::strcpy(probe_.head.reason, "earlier");
        probe_.head.statusCode = 777;
        busyFlag = 1;
        probe_.saveCopy = true;
        probe_.copyPath = copyPath_;
        probe_.status.ShowIn(statusLine_);
    }

    void TearDown() override {
        DestroyWindow(statusLine_);
        DeleteFileA(copyPath_.c_str());
        RemoveDirectoryA(folder_.c_str());
        busyFlag = 0;
    }

    // Runs one probe on its thread while this thread waits and serves the status line,
    // as the check run does.
    int Probe(const std::string& target, int port, PaintHold* painting = nullptr) {
        probe_.target = target;
        probe_.port = port;
        const bool started = StartProbe(probe_);
        EXPECT_TRUE(started);
        if (!started) {
            return -1;
        }
        const DWORD code = WaitForProbe(probe_, painting);
        EXPECT_EQ(code, probe_.code) << "still readable after the end";
        return static_cast<int>(code);
    }

    std::string folder_;
    std::string copyPath_;
    ProbeRecord probe_;
    HWND statusLine_ = nullptr;
};

std::string Body(size_t lines) {
    std::string body = "<html>\n";
    for (size_t i = 0; i < lines; ++i) {
        body += "line " + std::to_string(i) + " of a page that spans several blocks\n";
    }
    return body + "</html>\n";
}

// Splits text into blocks of at most size bytes, each sent after a pause.
std::vector<ServerStep> InBlocks(const std::string& text, size_t size) {
    std::vector<ServerStep> steps;
    for (size_t at = 0; at < text.size(); at += size) {
        steps.push_back({steps.empty() ? 0u : 40u, text.substr(at, size)});
    }
    return steps;
}

TEST_F(ProbeConversation, PageOfSeveralBlocksIsCopiedAsText) {
    const std::string body = Body(100);
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\n\r\n";
    ScriptedServer server(InBlocks(head + body, 1000));
    const std::string length = std::to_string(body.size());

    EXPECT_EQ(kProbeCompleted, Probe("localhost/index.html", server.Port()));
    EXPECT_STREQ("", probe_.message);
    EXPECT_EQ(200, probe_.head.statusCode);
    EXPECT_STREQ("OK", probe_.head.reason);
    EXPECT_STREQ("text/html", probe_.head.contentType);
    EXPECT_EQ(ReadText(copyPath_), body);

    ASSERT_GE(statusTexts.size(), 7u);
    EXPECT_EQ("[localhost]を解決しています...", statusTexts[0]);
    EXPECT_EQ("[localhost]に接続しています...", statusTexts[1]);
    EXPECT_EQ("[localhost]にリクエストを送信しています...", statusTexts[2]);
    EXPECT_EQ("[localhost]から受信しています...", statusTexts[3]);
    // The count lags one block behind: the first block shows 0, the empty last one the total.
    EXPECT_EQ("[localhost]から受信しています( 0 / " + length + " )", statusTexts[4]);
    EXPECT_EQ("[localhost]から受信しています( " + length + " / " + length + " )",
              statusTexts[statusTexts.size() - 2]);
    EXPECT_EQ("[localhost]に送受信終了を通知しています...", statusTexts.back());
}

TEST_F(ProbeConversation, UnknownLengthAndVanishedPage) {
    ScriptedServer server({{0, "HTTP/1.0 404 Not Found\r\nServer: test\r\n\r\n<html>nf</html>\n"}});
    EXPECT_EQ(kProbeCompleted, Probe("localhost/gone", server.Port()));
    EXPECT_EQ(404, probe_.head.statusCode);
    EXPECT_STREQ("Not Found", probe_.head.reason);
    EXPECT_EQ("<html>nf</html>\n", ReadText(copyPath_));
    ASSERT_GE(statusTexts.size(), 5u);
    EXPECT_EQ("[localhost]から受信しています( 0 / ??? )", statusTexts[4]);
}

// The copy is the whole body from the end of the head, byte for byte, whatever it holds: a text
// file with no "<" in its first block, an image with zero bytes and line ends of its own, a head
// that ends in a later block; and the record keeps the Content-Type that names its kind.
TEST_F(ProbeConversation, CopyIsTheWholeBodyAsSent) {
    const std::string image("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\n\r\n\xFF", 21);
    const struct {
        const char* name;
        std::vector<ServerStep> steps;
        std::string copy;
        const char* type;
    } cases[] = {
        {"text file",
         {{0, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nplain text, first block"},
          {150, "\r\nsecond line\n"}},
         "plain text, first block\r\nsecond line\n",
         "text/plain"},
        {"image", {{0, "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n\r\n" + image}}, image,
         "image/png"},
        {"head over two blocks",
         {{0, "HTTP/1.0 200 OK\r\nContent-Ty"},
          {150, "pe:  text/html; charset=Shift_JIS \r\n\r\n  <p>x</p>"}},
         "  <p>x</p>",
         "text/html; charset=Shift_JIS"},
    };
    for (const auto& c : cases) {
        ScriptedServer server(c.steps);
        EXPECT_EQ(kProbeCompleted, Probe("localhost/", server.Port())) << c.name;
        EXPECT_EQ(c.copy, driver::ReadFileBytes(copyPath_)) << c.name;
        EXPECT_EQ(c.type, probe_.pageType) << c.name;
        DeleteFileA(copyPath_.c_str());
    }
}

TEST_F(ProbeConversation, EmptyResponseLeavesHeadAndEmptyCopy) {
    ScriptedServer server({});
    EXPECT_EQ(kProbeCompleted, Probe("localhost/", server.Port()));
    EXPECT_EQ(777, probe_.head.statusCode);
    EXPECT_STREQ("earlier", probe_.head.reason);
    EXPECT_TRUE(Exists(copyPath_));
    EXPECT_EQ("", ReadText(copyPath_));
}

TEST_F(ProbeConversation, ResponseWithoutStatusLineIsAllPageText) {
    ScriptedServer server({{0, "no status here\n<p>x</p>\n"}});
    EXPECT_EQ(kProbeCompleted, Probe("localhost/", server.Port()));
    EXPECT_EQ(777, probe_.head.statusCode);
    EXPECT_EQ("no status here\n<p>x</p>\n", ReadText(copyPath_));
}

// The connection ends in the middle of the page, by a reset or an orderly close: the probe ends
// as usual with the head it got, but the part of the page it received is no copy of the page
// and is not left behind. (Wine reports a reset as an orderly close, so what tells the part
// from the page here is its Content-Length.)
TEST_F(ProbeConversation, PageCutShortLeavesNoCopy) {
    for (ScriptedServer::End end : {ScriptedServer::End::Reset, ScriptedServer::End::Close}) {
        ScriptedServer server({{0, "HTTP/1.0 200 OK\r\nContent-Length: 2000\r\n\r\n<html>first"},
                               {100, std::string(700, 'h')}},
                              end);
        EXPECT_EQ(kProbeCompleted, Probe("localhost/", server.Port()));
        EXPECT_EQ(200, probe_.head.statusCode);
        EXPECT_FALSE(Exists(copyPath_));
        EXPECT_EQ("[localhost]に送受信終了を通知しています...", statusTexts.back());
    }
    // As long as it says, or longer, it is the page.
    ScriptedServer whole(
        {{0, "HTTP/1.0 200 OK\r\nContent-Length: 12\r\n\r\n<html>"}, {50, "</html>\n"}});
    EXPECT_EQ(kProbeCompleted, Probe("localhost/", whole.Port()));
    EXPECT_EQ("<html></html>\n", ReadText(copyPath_));
}

// A head that never ends (no blank line before the server closes): what came after the first
// block is more head, not a page, and is not kept as one.
TEST_F(ProbeConversation, HeadWithoutEndLeavesNoCopy) {
    std::vector<ServerStep> steps{{0, "HTTP/1.0 200 OK\r\n"}};
    for (int i = 0; i < 20; ++i) {
        steps.push_back(
            {0, "X-Padding-" + std::to_string(i) + ": " + std::string(200, 'x') + "\r\n"});
    }
    ScriptedServer server(steps);
    EXPECT_EQ(kProbeCompleted, Probe("localhost/", server.Port()));
    EXPECT_EQ(200, probe_.head.statusCode);
    EXPECT_FALSE(Exists(copyPath_));
}

TEST_F(ProbeConversation, WithoutCopyOnlyTheFirstBlockIsRead) {
    // The server never closes: the probe must still end, after its one receive.
    ScriptedServer server({{0, "HTTP/1.0 200 OK\r\n\r\n<html>"}, {100, std::string(5000, 'x')}},
                          ScriptedServer::End::WaitForClient);
    probe_.saveCopy = false;
    EXPECT_EQ(kProbeCompleted, Probe("localhost/", server.Port()));
    EXPECT_EQ(200, probe_.head.statusCode);
    EXPECT_FALSE(Exists(copyPath_));
    ASSERT_EQ(5u, statusTexts.size());
    EXPECT_EQ("[localhost]に送受信終了を通知しています...", statusTexts[4]);
}

TEST_F(ProbeConversation, StoppedRunAsksForNothing) {
    ScriptedServer server({{0, "HTTP/1.0 200 OK\r\n\r\n<html>"}});
    busyFlag = 0;
    EXPECT_EQ(kProbeStopped, Probe("localhost/", server.Port()));
    EXPECT_STREQ("強制終了のため確認を中止しました。", probe_.message);
    EXPECT_EQ(777, probe_.head.statusCode);
    EXPECT_FALSE(Exists(copyPath_));
}

// Forced termination, as the user-interface thread does it while the probe receives: the probe
// ends after the block in hand, with code 0, although the server never ends the page.
int progressTextsBeforeStop = 0;
LRESULT CALLBACK StoppingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT && lParam &&
        std::strstr(reinterpret_cast<const char*>(lParam), "( ") &&
        --progressTextsBeforeStop == 0) {
        busyFlag = 0;
    }
    return RecordingProc(window, message, wParam, lParam);
}

TEST_F(ProbeConversation, ForcedTerminationEndsAfterTheCurrentBlock) {
    std::vector<ServerStep> steps{{0, "HTTP/1.0 200 OK\r\n\r\n<html>"}};
    for (int i = 0; i < 200; ++i) {
        steps.push_back({50, std::string(1000, 'a' + i % 26)});
    }
    ScriptedServer server(steps, ScriptedServer::End::WaitForClient);
    progressTextsBeforeStop = 3;
    SetWindowLongPtrA(statusLine_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StoppingProc));
    const DWORD start = GetTickCount();
    EXPECT_EQ(kProbeCompleted, Probe("localhost/big", server.Port()));
    EXPECT_LT(GetTickCount() - start, 5000u);
    const std::string copy = ReadText(copyPath_);
    EXPECT_EQ(0u, copy.find("<html>"));
    EXPECT_LT(copy.size(), 10000u);
    EXPECT_EQ("[localhost]に送受信終了を通知しています...", statusTexts.back());
}

// Painting held during a probe, as the check run holds it: the status line takes every text at
// once and in order; while texts come quickly it is painted far less often than it changes,
// yet never more than a little after a change; and a wait for a silent server sleeps instead
// of spinning.
struct PaintEvent {
    DWORD at;
    bool paint; // else a text
};
std::vector<PaintEvent> paintEvents;
LRESULT CALLBACK TimingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT || message == WM_SETTEXT) {
        paintEvents.push_back({GetTickCount(), message == WM_PAINT});
    }
    return RecordingProc(window, message, wParam, lParam);
}

TEST_F(ProbeConversation, HeldPaintingFollowsEveryTextWithinItsDelay) {
    SetWindowPos(statusLine_, HWND_TOP, 0, 0, 400, 20, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    UpdateWindow(statusLine_);
    SetWindowLongPtrA(statusLine_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TimingProc));
    PaintHold painting;
    painting.Add(statusLine_);

    // A second of silence, then 40 blocks 5 ms apart: a progress text for each.
    std::vector<ServerStep> steps{{1000, "HTTP/1.0 200 OK\r\n\r\n<html>"}};
    for (int i = 0; i < 40; ++i) {
        steps.push_back({5, std::string(1000, 'b')});
    }
    ScriptedServer server(steps);
    paintEvents.clear();
    const double cpuBefore = ThreadCpuSeconds(GetCurrentThread());
    EXPECT_EQ(kProbeCompleted, Probe("localhost/", server.Port(), &painting));
    const double cpuSeconds = ThreadCpuSeconds(GetCurrentThread()) - cpuBefore;
    painting.Release();
    EXPECT_EQ(0u, GetQueueStatus(QS_PAINT) & QS_PAINT) << "painted at release, not later";

    EXPECT_EQ("[localhost]に送受信終了を通知しています...", statusTexts.back());
    int texts = 0;
    int paints = 0;
    for (size_t i = 0; i < paintEvents.size(); ++i) {
        if (paintEvents[i].paint) {
            ++paints;
            continue;
        }
        ++texts;
        size_t next = i + 1;
        while (next < paintEvents.size() && !paintEvents[next].paint) {
            ++next;
        }
        ASSERT_LT(next, paintEvents.size()) << "text " << texts << " never painted";
        // Generous for a loaded machine; a hold that is never let go misses it by far.
        EXPECT_LE(paintEvents[next].at - paintEvents[i].at, PaintHold::kDelayMs + 300)
            << "text " << texts;
    }
    EXPECT_GE(texts, 24);
    EXPECT_LE(paints * 2, texts);
    // A spinning wait would burn most of the 1.8 s.
    EXPECT_LT(cpuSeconds, 0.4);
}

TEST_F(ProbeConversation, CopyThatCannotBeCreatedIsNotThere) {
    ScriptedServer server({{0, "HTTP/1.0 200 OK\r\n\r\n<html>"}, {50, "more"}});
    std::string missing = folder_ + "\\no such folder\\page.htm_";
    probe_.copyPath = missing;
    EXPECT_EQ(kProbeCompleted, Probe("localhost/", server.Port()));
    EXPECT_EQ(200, probe_.head.statusCode);
    EXPECT_FALSE(Exists(missing));
}

TEST_F(ProbeConversation, RequestBytes) {
    {
        ScriptedServer server({{0, "HTTP/1.0 200 OK\r\n\r\n"}});
        Probe("localhost/dir/page.html?a=1#x", server.Port());
        EXPECT_EQ("GET /dir/page.html?a=1#x HTTP/1.0\r\nHost: localhost:" +
                      std::to_string(server.Port()) + "\r\nUser-Agent: Vexilo User's\r\n\r\n",
                  server.Request());
    }
    {
        ScriptedServer server({{0, "HTTP/1.0 200 OK\r\n\r\n"}});
        Probe("localhost", server.Port());
        EXPECT_EQ(0u, server.Request().find("GET / HTTP/1.0\r\n"));
    }
    {
        // The longest path a favorites line can hold is sent whole, never cut.
        const std::string path = "/" + std::string(1012, 'p');
        ScriptedServer server({{0, "HTTP/1.0 200 OK\r\n\r\n"}});
        Probe("localhost" + path, server.Port());
        EXPECT_EQ(0u, server.Request().find("GET " + path + " HTTP/1.0\r\nHost: localhost:"));
    }
}

TEST_F(ProbeConversation, DottedAddressIsConnectedToAsItIs) {
    // 127.0.0.9 has no name: a reverse lookup would fail where the server answers.
    constexpr unsigned long kNameless = 0x7F000009;
    ScriptedServer server({{{0, "HTTP/1.0 401 Unauthorized\r\n\r\n"}}}, ScriptedServer::End::Close,
                          kNameless);
    EXPECT_EQ(kProbeCompleted, Probe("127.0.0.9/private", server.Port()));
    EXPECT_EQ(401, probe_.head.statusCode);
    EXPECT_TRUE(probe_.facts.serverReached);
    EXPECT_FALSE(probe_.facts.nameResolved);
}

TEST_F(ProbeConversation, Failures) {
    EXPECT_EQ(kProbeConnectFailed, Probe("localhost/", UnusedPort()));
    EXPECT_STREQ("接続できませんでした。", probe_.message);
    // The last progress text stays standing.
    EXPECT_EQ("[localhost]に接続しています...", statusTexts.back());

    EXPECT_EQ(kProbeHostNotFound, Probe("no-such-host.invalid/page", 80));
    EXPECT_STREQ("[no-such-host.invalid]というホストを検出できません。\n"
                 "またはネットワーク環境が不正です。",
                 probe_.message);

    EXPECT_FALSE(probe_.facts.serverReached);

    // The URL's own port is taken, and the Host line carries it; one that cannot be is refused.
    ScriptedServer server({{0, "HTTP/1.0 200 OK\r\n\r\n"}});
    EXPECT_EQ(kProbeCompleted, Probe("localhost:" + std::to_string(server.Port()) + "/x", 80));
    EXPECT_EQ(0u, server.Request().find("GET /x HTTP/1.0\r\nHost: localhost:" +
                                        std::to_string(server.Port()) + "\r\n"));
    for (const char* target :
         {"localhost:0/x", "localhost:65536/", "localhost:99999999999/", "localhost:8o/"}) {
        EXPECT_EQ(kProbeBadUrl, Probe(target, 80)) << target;
        EXPECT_STREQ("URLのポート番号が正しくありません。", probe_.message);
    }
    EXPECT_EQ(kProbeBadUrl, Probe(":80/", 80));
    EXPECT_EQ(kProbeNotChecked, Probe("[::1]/", 80));

    // A host too long for the message is cut on a character boundary, within the buffer.
    const std::string longHost(1000, 'h');
    EXPECT_EQ(kProbeHostNotFound, Probe(longHost + "/x", 80));
    EXPECT_EQ(static_cast<size_t>(kProbeMessageSize - 1), std::strlen(probe_.message));
    EXPECT_EQ(0, std::strncmp(probe_.message, ("[" + longHost.substr(0, 100)).c_str(), 101));
    EXPECT_EQ(511u, statusTexts.back().size());
}

// Moves for good are followed across hosts and ports, each with its own connection; a Location
// relative to the page, with "." and ".." in it, is resolved as a browser would.
TEST_F(ProbeConversation, MovesAreFollowedToTheFinalAnswer) {
    const std::string page = "<html>moved here</html>\n";
    ScriptedServer final({{0, "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(page.size()) +
                                  "\r\n\r\n" + page}});
    const std::string finalUrl = "http://127.0.0.1:" + std::to_string(final.Port()) + "/final";
    ScriptedServer first(
        {{{0, "HTTP/1.0 301 Moved Permanently\r\nLocation: ../b/./x?q=1\r\n\r\n<html>m</html>"}},
         {{0, "HTTP/1.1 308 Permanent Redirect\r\nLocation:  " + finalUrl + " \r\n\r\n"}}},
        ScriptedServer::End::Close);
    const std::string start = "localhost:" + std::to_string(first.Port());

    EXPECT_EQ(kProbeCompleted, Probe(start + "/a/old", 80));
    EXPECT_EQ(200, probe_.head.statusCode);
    EXPECT_EQ(page, ReadText(copyPath_));
    ASSERT_EQ(2u, probe_.hops.size());
    EXPECT_EQ(301, probe_.hops[0].statusCode);
    EXPECT_STREQ("Moved Permanently", probe_.hops[0].reason);
    EXPECT_EQ("http://" + start + "/b/x?q=1", std::string(probe_.hops[0].location));
    EXPECT_EQ(308, probe_.hops[1].statusCode);
    EXPECT_EQ(finalUrl, probe_.hops[1].location);
    const auto asked = first.Requests();
    ASSERT_EQ(2u, asked.size());
    EXPECT_EQ(0u, asked[0].find("GET /a/old HTTP/1.0\r\n"));
    EXPECT_EQ(0u, asked[1].find("GET /b/x?q=1 HTTP/1.0\r\n"));
    EXPECT_EQ(0u, final.Request().find("GET /final HTTP/1.0\r\n"));
}

// Moves that cannot be followed end the probe with a text that says why; no move is followed
// outside http and https.
TEST_F(ProbeConversation, MovesThatCannotBeFollowed) {
    const auto moved = [](const std::string& location) {
        return std::vector<ServerStep>{
            {0, "HTTP/1.0 301 Moved\r\n" + location + "\r\nContent-Length: 0\r\n\r\n"}};
    };
    struct {
        std::string location;
        int code;
        const char* message;
    } cases[] = {
        {"Location: /same", kProbeMoveFailed, "移転先が循環しています。"},
        {"X-No-Location: here", kProbeMoveFailed, "移転先が示されていません。"},
        {"Location: file:///C:/boot.ini", kProbeMoveFailed,
         "移転先を確認できません。httpとhttps以外のURLは確認しません。"},
        {"Location: javascript:alert(1)", kProbeMoveFailed,
         "移転先を確認できません。httpとhttps以外のURLは確認しません。"},
        {"Location: http://[::1]/", kProbeMoveFailed,
         "移転先を確認できません。IPv6のアドレスには対応していないため確認しません。"},
        {"Location: /" + std::string(8192, 'L'), kProbeMoveFailed,
         "移転先を確認できません。URLが長すぎます。"},
    };
    for (const auto& c : cases) {
        ScriptedServer server({moved(c.location)}, ScriptedServer::End::Close);
        EXPECT_EQ(c.code, Probe("localhost:" + std::to_string(server.Port()) + "/same", 80))
            << c.location.substr(0, 40);
        EXPECT_STREQ(c.message, probe_.message);
        EXPECT_EQ(1u, probe_.hops.size());
        EXPECT_FALSE(Exists(copyPath_));
    }

    // Ten moves are followed; the eleventh is one too many.
    std::vector<std::vector<ServerStep>> chain;
    for (int i = 0; i <= kMaxHops; ++i) {
        chain.push_back(moved("Location: /" + std::to_string(i + 1)));
    }
    ScriptedServer server(chain, ScriptedServer::End::Close);
    EXPECT_EQ(kProbeMoveFailed, Probe("localhost:" + std::to_string(server.Port()) + "/0", 80));
    EXPECT_STREQ("移転が10回を超えたため中止しました。", probe_.message);
    EXPECT_EQ(11u, probe_.hops.size());
}

// A server that will not speak HTTP/1.0 is asked once more in HTTP/1.1; its chunks are
// decoded into the copy. Its head may end its lines in CR CR LF, as a head of any answer may.
TEST_F(ProbeConversation, RefusedHttp10IsAskedAgainInHttp11) {
    ScriptedServer server(
        {{{0, "HTTP/1.1 426 Upgrade Required\r\nUpgrade: HTTP/1.1\r\n\r\n"}},
         {{0, "HTTP/1.1 200 OK\r\r\nTransfer-Encoding: chunked\r\r\n\r\r\n7;ext=1\r\n<html>a\r"},
          {60, "\n0000000c\r\n</html>\nend\n\r\n0\r\nTrailer: x\r\n\r\n"}}},
        ScriptedServer::End::WaitForClient);
    EXPECT_EQ(kProbeCompleted, Probe("localhost/up", server.Port()));
    EXPECT_EQ(200, probe_.head.statusCode);
    EXPECT_EQ("<html>a</html>\nend\n", ReadText(copyPath_));
    const auto asked = server.Requests();
    ASSERT_EQ(2u, asked.size());
    EXPECT_EQ(0u, asked[0].find("GET /up HTTP/1.0\r\n"));
    EXPECT_EQ("GET /up HTTP/1.1\r\nHost: localhost:" + std::to_string(server.Port()) +
                  "\r\nUser-Agent: Vexilo User's\r\nConnection: close\r\n\r\n",
              asked[1]);

    // Chunks that break off, or break their framing, leave no copy; the answer still counts.
    for (const char* body : {"5\r\n<html", "zz\r\n<html>\r\n0\r\n\r\n", "-5\r\n<html>\r\n",
                             "FFFFFFFFFFFFFFFFF\r\n<html>"}) {
        ScriptedServer broken(
            {{0, std::string("HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n") + body}});
        EXPECT_EQ(kProbeCompleted, Probe("localhost/", broken.Port())) << body;
        EXPECT_EQ(200, probe_.head.statusCode);
        EXPECT_FALSE(Exists(copyPath_)) << body;
    }
}

// A proxy's refusal with an error page of 10 MB, sent in parts as a server does.
std::vector<ServerStep> TenMegabyteErrorPage() {
    std::vector<ServerStep> steps = {{0, "HTTP/1.1 502 Bad Gateway\r\n\r\n"}};
    steps.resize(1 + 160, {0, std::string(64 << 10, 'x')});
    return steps;
}

// The settings of a proxy on this machine's loopback, for every scheme.
ProxySetting LoopbackProxy(int port) {
    ProxySetting setting;
    setting.manual = true;
    setting.servers = ParseProxyServer(("127.0.0.1:" + std::to_string(port)).c_str());
    return setting;
}

// A proxy between the probe and the site: http asked for in the absolute form, https through a
// tunnel. What the proxy says of itself (credentials, refusals, garbage, silence, a proxy that
// is not there) is never taken for the site's answer, and no refusal is read past its head.
// (A tunnel that opens is taken into TLS: the proxy runs show that with real sites.)
TEST_F(ProbeConversation, ThroughAProxy) {
    {
        ScriptedServer proxy({{0, "HTTP/1.0 200 OK\r\n\r\n<html>via</html>"}});
        ProxyRouter router(LoopbackProxy(proxy.Port()));
        probe_.router = &router;
        EXPECT_EQ(kProbeCompleted, Probe("www.vexilo-test.invalid/a?b", 80));
        EXPECT_TRUE(probe_.facts.viaProxy);
        EXPECT_EQ(0u, proxy.Request().find("GET http://www.vexilo-test.invalid/a?b HTTP/1.0\r\n"
                                           "Host: www.vexilo-test.invalid:80\r\n"));
        EXPECT_EQ("<html>via</html>", ReadText(copyPath_));
        EXPECT_TRUE(probe_.lookups.empty()); // the site's name is the proxy's to look up
    }
    const std::string label = "プロキシサーバー[127.0.0.1:";
    const struct {
        UrlScheme scheme;
        std::vector<ServerStep> steps;
        int code;
        std::string message; // after the proxy's port, where it begins with label
    } cases[] = {
        {UrlScheme::kHttp, {{0, "HTTP/1.1 407 Proxy Authentication Required\r\n\r\n"}},
         kProbeProxyFailed, "]が認証を求めています（407）。"},
        {UrlScheme::kHttps, {{0, "HTTP/1.1 407 Proxy Authentication Required\r\n\r\n"}},
         kProbeProxyFailed, "]が認証を求めています（407）。"},
        {UrlScheme::kHttps, {{0, "HTTP/1.1 302 Found\r\nLocation: http://login/\r\n\r\n"}},
         kProbeConnectFailed, "プロキシがサイトへの接続を中継しませんでした（302 Found）。"},
        {UrlScheme::kHttps, TenMegabyteErrorPage(),
         kProbeConnectFailed, "プロキシがサイトへの接続を中継しませんでした（502 Bad Gateway）。"},
        {UrlScheme::kHttps, {{0, "<html>a proxy of old</html>\r\n\r\n"}}, kProbeConnectFailed,
         "プロキシがサイトへの接続を中継しませんでした。"},
        {UrlScheme::kHttps, {{0, "HTTP/1.1 200 Connection established\r\n"}},
         kProbeConnectFailed, "プロキシがサイトへの接続を中継しませんでした。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        DeleteFileA(copyPath_.c_str());
        ScriptedServer proxy(c.steps);
        ProxyRouter router(LoopbackProxy(proxy.Port()));
        probe_.router = &router;
        probe_.scheme = c.scheme;
        const DWORD start = GetTickCount();
        EXPECT_EQ(c.code, Probe("www.vexilo-test.invalid/", DefaultPort(c.scheme)));
        EXPECT_LT(GetTickCount() - start, 5000u);
        const std::string said = probe_.message;
        EXPECT_EQ(c.message[0] == ']' ? label + std::to_string(proxy.Port()) + c.message
                                      : c.message,
                  said);
        EXPECT_FALSE(Exists(copyPath_));
        if (c.scheme == UrlScheme::kHttps) {
            EXPECT_EQ(0u, proxy.Request().find("CONNECT www.vexilo-test.invalid:443 HTTP/1.1\r\n"
                                               "Host: www.vexilo-test.invalid:443\r\n"));
        }
    }
    probe_.scheme = UrlScheme::kHttps;
    probeSilenceMs = 800;
    {
        ScriptedServer silent(std::vector<ServerStep>{}, ScriptedServer::End::WaitForClient);
        ProxyRouter router(LoopbackProxy(silent.Port()));
        probe_.router = &router;
        EXPECT_EQ(kProbeTimedOut, Probe("www.vexilo-test.invalid/", 443));
        EXPECT_EQ(label + std::to_string(silent.Port()) + "]からの応答が時間切れになりました。",
                  std::string(probe_.message));
    }
    probeSilenceMs = kProbeSilenceMs;
    const int nobody = UnusedPort();
    ProxyRouter router(LoopbackProxy(nobody));
    probe_.router = &router;
    EXPECT_EQ(kProbeProxyFailed, Probe("www.vexilo-test.invalid/", 443));
    EXPECT_EQ(label + std::to_string(nobody) + "]に接続できませんでした。",
              std::string(probe_.message));
    EXPECT_EQ(ProxyTrouble::kUnreachable, probe_.facts.proxyTrouble);
    EXPECT_FALSE(probe_.facts.nameMissing);
    probe_.scheme = UrlScheme::kHttp;
    probe_.router = nullptr;
}

// Internet Settings as users, tools and policies leave them, and the line each run begins with.
TEST(ProxySetting, ReadAsWindowsKeepsIt) {
    constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    const auto clear = [&] {
        for (const char* value : {"ProxyEnable", "ProxyServer", "ProxyOverride", "AutoConfigURL"}) {
            SHDeleteValueA(HKEY_CURRENT_USER, kKey, value);
        }
        SHDeleteKeyA(HKEY_CURRENT_USER, (std::string(kKey) + "\\Connections").c_str());
    };
    const auto text = [&](const char* name, const std::string& value) {
        SHSetValueA(HKEY_CURRENT_USER, kKey, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
    };
    const DWORD on = 1;
    const std::string many(5000, 'b');
    const struct {
        const char* enable; // a DWORD 1, a text, or none
        std::string server;
        std::string bypass;
        const char* script;
        std::string heading;
    } cases[] = {
        {nullptr, "", "", nullptr, "プロキシ: なし（直接接続）"},
        {"dword", "p.example:8080", "", nullptr, "プロキシ: p.example:8080"},
        {"1", "p.example:8080", "<local>", nullptr, "プロキシ: p.example:8080（直接接続: <local>）"},
        {"0", "p.example:8080", "", nullptr, "プロキシ: なし（直接接続）"},
        {"dword", "", "", nullptr, "プロキシ: なし（直接接続）"},
        {"dword", "=", "", nullptr, "プロキシ: 設定（ProxyServer）を読めないため、直接接続します。"},
        {"dword", "p.example:99999", "", nullptr,
         "プロキシ: 設定（ProxyServer）を読めないため、直接接続します。"},
        {"dword", std::string(300, 'p'), "", nullptr,
         "プロキシ: 設定（ProxyServer）を読めないため、直接接続します。"},
        {"dword", "socks=s.example:1080", "", nullptr,
         "プロキシ: SOCKSのプロキシには対応していないため、直接接続します。"},
        {"dword", "http=h.example:1", "", nullptr, "プロキシ: http=h.example:1、httpsは直接接続"},
        {"dword", "p.example:8080", many, nullptr,
         "プロキシ: p.example:8080（直接接続: " + many.substr(0, 159) + "…）"},
        {nullptr, "", "", "http://wpad.example/proxy.pac",
         "プロキシ: 自動構成スクリプト（http://wpad.example/proxy.pac）"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heading);
        clear();
        if (c.enable && std::string(c.enable) == "dword") {
            SHSetValueA(HKEY_CURRENT_USER, kKey, "ProxyEnable", REG_DWORD, &on, sizeof on);
        } else if (c.enable) {
            text("ProxyEnable", c.enable);
        }
        text("ProxyServer", c.server);
        text("ProxyOverride", c.bypass);
        if (c.script) {
            text("AutoConfigURL", c.script);
        }
        EXPECT_EQ(c.heading, ProxyRouter(ReadProxySetting()).Heading());
    }
    // The flags of the connection settings: detection on, the script's box unticked.
    clear();
    text("AutoConfigURL", "http://wpad.example/proxy.pac");
    unsigned char flags[16] = {0x46, 0, 0, 0, 2, 0, 0, 0, 0x09};
    SHSetValueA(HKEY_CURRENT_USER, (std::string(kKey) + "\\Connections").c_str(),
                "DefaultConnectionSettings", REG_BINARY, flags, sizeof flags);
    const ProxySetting setting = ReadProxySetting();
    EXPECT_TRUE(setting.autoDetect);
    EXPECT_TRUE(setting.scriptUrl.empty());
    EXPECT_EQ("プロキシ: 設定の自動検出", ProxyRouter(setting).Heading());
    clear();
}

// A Windows without TLS (Windows 95 as it came) does not check https favorites: it says so.
TEST_F(ProbeConversation, HttpsWithoutTlsIsNotChecked) {
    tlsModules[0] = "no-tls-here.dll";
    tlsModules[1] = "nor-here.dll";
    ScriptedServer server({});
    probe_.scheme = UrlScheme::kHttps;
    EXPECT_EQ(kProbeNotChecked, Probe("localhost/", server.Port()));
    probe_.scheme = UrlScheme::kHttp;
    EXPECT_STREQ("このWindowsの暗号化通信ではhttpsのURLを確認できません。", probe_.message);
    EXPECT_FALSE(TlsAvailable());
    EXPECT_FALSE(Exists(copyPath_));
}

// A server that says nothing is given up after the silence allowed, and a forced end reaches a
// probe that waits; neither keeps a copy of a page that never came.
TEST_F(ProbeConversation, SilenceEndsInTimeAndAForcedEndAtOnce) {
    probeSilenceMs = 800;
    {
        ScriptedServer silent(std::vector<ServerStep>{}, ScriptedServer::End::WaitForClient);
        const DWORD start = GetTickCount();
        EXPECT_EQ(kProbeTimedOut, Probe("localhost/", silent.Port()));
        EXPECT_GE(GetTickCount() - start, 700u);
        EXPECT_LT(GetTickCount() - start, 3000u);
        EXPECT_STREQ("[localhost]からの応答が時間切れになりました。", probe_.message);
        EXPECT_FALSE(Exists(copyPath_));
    }
    {
        // A head, then nothing: the answer counts, the page does not.
        ScriptedServer stalled({{0, "HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\n<html>"}},
                               ScriptedServer::End::WaitForClient);
        EXPECT_EQ(kProbeCompleted, Probe("localhost/", stalled.Port()));
        EXPECT_EQ(200, probe_.head.statusCode);
        EXPECT_FALSE(Exists(copyPath_));
    }
    probeSilenceMs = kProbeSilenceMs;
    ScriptedServer silent(std::vector<ServerStep>{}, ScriptedServer::End::WaitForClient);
    std::thread stopper([] {
        Sleep(500);
        busyFlag = 0;
    });
    const DWORD start = GetTickCount();
    EXPECT_EQ(kProbeStopped, Probe("localhost/", silent.Port()));
    EXPECT_LT(GetTickCount() - start, 2000u);
    stopper.join();
    EXPECT_FALSE(Exists(copyPath_));
}

// A lookup that never ends (the system's has no time limit of its own).
HANDLE endLookups = CreateEventA(nullptr, TRUE, FALSE, nullptr);
std::atomic<int> lookupsUnderWay{0};
int NeverEndingLookup(const char*, HostAddresses&) {
    ++lookupsUnderWay;
    WaitForSingleObject(endLookups, INFINITE);
    --lookupsUnderWay;
    return WSAHOST_NOT_FOUND;
}

// A lookup that does not end is given up after the silence allowed, or at once when the run is
// forced to end, while its thread still waits; when it does end, the record it left is not
// touched again, even while the record serves another probe.
TEST_F(ProbeConversation, LookupThatNeverEndsIsGivenUp) {
    lookUpHost = NeverEndingLookup;
    probeSilenceMs = 800;
    DWORD start = GetTickCount();
    EXPECT_EQ(kProbeTimedOut, Probe("never.example/", 80));
    EXPECT_GE(GetTickCount() - start, 700u);
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_STREQ("[never.example]の名前解決が時間切れになりました。", probe_.message);
    probeSilenceMs = kProbeSilenceMs;
    std::thread stopper([] {
        Sleep(300);
        busyFlag = 0;
    });
    start = GetTickCount();
    EXPECT_EQ(kProbeStopped, Probe("never.example/", 80));
    EXPECT_LT(GetTickCount() - start, 2000u);
    stopper.join();
    EXPECT_EQ(2, lookupsUnderWay.load());
    SetEvent(endLookups);
    EXPECT_TRUE(driver::WaitUntil([] { return lookupsUnderWay == 0; }, 5000));
    lookUpHost = SystemLookUpHost;
    Sleep(100); // for the two threads to come out of their probes
    EXPECT_EQ(kProbeStopped, static_cast<int>(probe_.code));
    EXPECT_STREQ(kStoppedText, probe_.message);
    EXPECT_FALSE(Exists(copyPath_));
}

// Addresses split into what a connection needs, and the new address a Location gives.
TEST(Url, SplitAndResolved) {
    struct {
        const char* url;
        UrlCheck check;
        const char* host;
        int port;
        const char* path;
    } splits[] = {
        {"http://host", UrlCheck::kOk, "host", 80, "/"},
        {"HTTP://host/dir/page.html?a=1#x", UrlCheck::kOk, "host", 80, "/dir/page.html?a=1#x"},
        {"http://host:8080/x", UrlCheck::kOk, "host", 8080, "/x"},
        {"https://user:pw@host:8443?q=1", UrlCheck::kOk, "host", 8443, "/?q=1"},
        {"https://host/a//b", UrlCheck::kOk, "host", 443, "/a//b"},
        {"http://host:/x", UrlCheck::kOk, "host", 80, "/x"},
        {"http://127.0.0.9/", UrlCheck::kOk, "127.0.0.9", 80, "/"},
        {"mailto:someone@example.com", UrlCheck::kOtherScheme, "", 0, ""},
        {"ftp://host/", UrlCheck::kOtherScheme, "", 0, ""},
        {"file:///C:/x.htm", UrlCheck::kOtherScheme, "", 0, ""},
        {"javascript:void(0)", UrlCheck::kOtherScheme, "", 0, ""},
        {"www.example.com/", UrlCheck::kOtherScheme, "", 0, ""},
        {"http://[::1]/", UrlCheck::kIpv6, "", 0, ""},
        {"http://:80/", UrlCheck::kNoHost, "", 0, ""},
        {"http:///x", UrlCheck::kNoHost, "", 0, ""},
        {"http:host/x", UrlCheck::kNoHost, "", 0, ""},
        {"http://host:0/", UrlCheck::kBadPort, "", 0, ""},
        {"http://host:65536/", UrlCheck::kBadPort, "", 0, ""},
        {"http://host:99999999999/", UrlCheck::kBadPort, "", 0, ""},
        {"http://host:-1/", UrlCheck::kBadPort, "", 0, ""},
    };
    for (const auto& c : splits) {
        UrlParts parts;
        ASSERT_EQ(c.check, SplitUrl(c.url, parts)) << c.url;
        if (c.check == UrlCheck::kOk) {
            EXPECT_STREQ(c.host, parts.host) << c.url;
            EXPECT_EQ(c.port, parts.port) << c.url;
            EXPECT_STREQ(c.path, parts.path) << c.url;
        }
    }

    struct {
        const char* location;
        UrlCheck check;
        const char* url;
    } moves[] = {
        {"http://other/x", UrlCheck::kOk, "http://other/x"},
        {"  HTTPS://other:444/x  ", UrlCheck::kOk, "https://other:444/x"},
        {"//other/x", UrlCheck::kOk, "http://other/x"},
        {"/x/../y/./z", UrlCheck::kOk, "http://base:81/y/z"},
        {"sub/page", UrlCheck::kOk, "http://base:81/dir/sub/page"},
        {"../../../up", UrlCheck::kOk, "http://base:81/up"},
        {"?p=2", UrlCheck::kOk, "http://base:81/dir/page?p=2"},
        {"a:b/c", UrlCheck::kOtherScheme, ""},
        {"./a:b", UrlCheck::kOk, "http://base:81/dir/a:b"},
        {"file:///etc/passwd", UrlCheck::kOtherScheme, ""},
        {"", UrlCheck::kNoHost, ""},
    };
    UrlParts base;
    ASSERT_EQ(UrlCheck::kOk, SplitUrl("http://base:81/dir/page?q=1", base));
    for (const auto& c : moves) {
        UrlParts next;
        ASSERT_EQ(c.check, ResolveLocation(base, c.location, next)) << c.location;
        if (c.check == UrlCheck::kOk) {
            char text[kTargetPartSize * 2];
            EXPECT_TRUE(FormatUrl(next, text, sizeof text));
            EXPECT_STREQ(c.url, text) << c.location;
        }
    }
    // A path that outgrows its area is refused, never cut to ask for another page.
    UrlParts next;
    EXPECT_EQ(UrlCheck::kTooLong,
              ResolveLocation(base, ("/" + std::string(kTargetPartSize, 'p')).c_str(), next));

    // A host longer than its area loses its last whole character, never half of one: a lone
    // lead byte would swallow the "]" after the host in every status and failure text.
    std::string longHost = "http://ab";
    for (int i = 0; i < 600; ++i) {
        longHost += "\x83\x5c"; // ソ, whose trail byte is a backslash
    }
    UrlParts parts;
    ASSERT_EQ(UrlCheck::kOk, SplitUrl((longHost + "/x").c_str(), parts));
    EXPECT_EQ(1022u, std::strlen(parts.host)); // "ab" and 510 characters; one more needs 1024
    EXPECT_STREQ("/x", parts.path);

    // Blanks and control bytes in a path are sent escaped: the request line stays one line.
    char request[kRequestSize];
    ASSERT_TRUE(FormatRequest("h", "/a b\t\x7f", 80, false, request, sizeof request));
    EXPECT_EQ(0, std::strncmp(request, "GET /a%20b%09%7F HTTP/1.0\r\n", 27)) << request;
}

// Against a real web server (nginx, started by the test's CTest wrapper): a static page is
// fetched into a copy whose text equals the file.
TEST_F(ProbeConversation, RealServerStaticPage) {
    const char* port = std::getenv("VEXILO_TEST_HTTP_PORT");
    const char* root = std::getenv("VEXILO_TEST_WWW");
    if (!port || !root) {
        GTEST_SKIP() << "no web server given (VEXILO_TEST_HTTP_PORT, VEXILO_TEST_WWW)";
    }
    std::string file = std::string("Z:") + root + "/static.html";
    for (char& c : file) {
        if (c == '/') {
            c = '\\';
        }
    }
    EXPECT_EQ(kProbeCompleted, Probe("127.0.0.1/static.html", std::atoi(port)));
    EXPECT_EQ(200, probe_.head.statusCode);
    EXPECT_STREQ("OK", probe_.head.reason);
    const std::string expected = ReadText(file);
    ASSERT_GT(expected.size(), 3000u);
    EXPECT_EQ(expected, ReadText(copyPath_));
}

} // namespace

// Jobs that wait for jobs of their own (a job may start another and wait for it), many at a time
// and again once threads are idle: every inner job gets a thread, none waits behind a busy one.
TEST(JobThreads, JobsThatWaitForJobsAllRun) {
    struct Nested {
        HANDLE innerDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE outerDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        bool innerInTime = false;
        ~Nested() {
            CloseHandle(innerDone);
            CloseHandle(outerDone);
        }
    };
    for (int round = 0; round < 5; ++round) {
        std::vector<std::unique_ptr<Nested>> jobs;
        for (int i = 0; i < 16; ++i) {
            jobs.emplace_back(new Nested);
            ASSERT_TRUE(JobThreads::Run(
                [](void* param) {
                    Nested& nested = *static_cast<Nested*>(param);
                    JobThreads::Run([](void* event) { SetEvent(static_cast<HANDLE>(event)); },
                                    nested.innerDone);
                    nested.innerInTime = WaitForSingleObject(nested.innerDone, 5000) == 0;
                    SetEvent(nested.outerDone);
                },
                jobs.back().get()));
        }
        for (const std::unique_ptr<Nested>& nested : jobs) {
            ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(nested->outerDone, 20000));
            EXPECT_TRUE(nested->innerInTime) << "round " << round;
        }
    }
}
