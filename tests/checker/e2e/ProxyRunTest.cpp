// Whole check runs behind an office proxy: a real proxy (squid on 127.0.0.5, which alone knows
// the web's names) named in the user's Internet Settings, an intranet reached directly (by
// ProxyOverride, by "<local>", over IPv6 only), and nginx behind both. Whatever the proxy does,
// the verdicts are the sites' own, and nothing is recycled on an answer the run cannot be sure
// of: not with the proxy switched off, down, or asking for credentials.
#include "RunFixture.h"
#include "VexiloDriver.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <winsock2.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kRunTimeout = 90000;
constexpr char kInternetSettings[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::string kWeb = "http://www.vexilo-test.example";
const std::string kSecure = "https://www.vexilo-test.example";
const char kOverride[] = "<local>;*.corp.vexilo-test.example";

enum Kind { kThere, kSure, kUnsure, kNoAnswer };
struct Case {
    const char* name;
    std::string url;
    Kind kind;
    Lines lines; // the log's lines of the favorite
};

// The web, through the proxy, and the intranet, around it.
const std::vector<Case> kWebCases = {
    {"web-ok.url", kWeb + "/ok.html", kThere, {"200 OK"}},
    {"web-gone.url", kWeb + "/gone.html", kSure, {"404 Not Found"}},
    {"web-port.url", "http://www.vexilo-test.example:8080/ok.html", kThere, {"200 OK"}},
    {"web-to-https.url", kWeb + "/to-https", kThere,
     {"301 Moved Permanently", "移転先: " + kSecure + "/ok.html", "200 OK"}},
    {"web-https.url", kSecure + "/ok.html", kThere, {"200 OK"}},
    {"web-wrong.url", "https://wrong.vexilo-test.example/ok.html", kUnsure,
     {"[wrong.vexilo-test.example]の証明書は別のホストのものです。"}},
    {"web-nowhere.url", "http://nowhere.vexilo-test.example/", kUnsure, {"502 Bad Gateway"}},
};
const std::vector<Case> kIntranetCases = {
    {"intranet-ok.url", "http://intranet/ok.html", kThere, {"200 OK"}},
    {"intranet-gone.url", "http://intranet/gone.html", kSure, {"404 Not Found"}},
    {"wiki.url", "http://wiki.corp.vexilo-test.example/news.html", kThere, {"200 OK"}},
    {"v6only.url", "http://v6only.corp.vexilo-test.example/ok.html", kThere, {"200 OK"}},
};

class ProxyRun : public RunFixture {
protected:
    void SetUp() override {
        if (Env("VEXILO_EXE").empty() || Env("VEXILO_TEST_PROXY_LOG").empty() ||
            Env("VEXILO_TEST_HTTP_PORT") != "80" || !gethostbyname("intranet")) {
            GTEST_SKIP() << "needs nginx on port 80, the proxy and the intranet's names (see "
                            "CMakeLists.txt)";
        }
        Prepare(Env("VEXILO_EXE"));
        ProxyLog(); // what earlier tests asked the proxy is theirs
        ClearProxy();
        WriteDword("wD_Chk", 0x04); // recycle without asking: only sure answers go
        WriteDword("wN_Chk", 0x10);
    }
    void TearDown() override {
        ClearProxy();
        RunFixture::TearDown();
    }

    static std::string Env(const char* name) {
        const char* value = std::getenv(name);
        return value ? value : "";
    }
    static void ClearProxy() {
        for (const char* value : {"ProxyEnable", "ProxyServer", "ProxyOverride", "AutoConfigURL"}) {
            SHDeleteValueA(HKEY_CURRENT_USER, kInternetSettings, value);
        }
    }
    static void SetText(const char* name, const std::string& text) {
        SHSetValueA(HKEY_CURRENT_USER, kInternetSettings, name, REG_SZ, text.c_str(),
                    static_cast<DWORD>(text.size() + 1));
    }
    static void SetProxy(DWORD enable, const std::string& server, const std::string& bypass) {
        SHSetValueA(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", REG_DWORD, &enable,
                    sizeof enable);
        SetText("ProxyServer", server);
        SetText("ProxyOverride", bypass);
    }
    // The proxy's log since the last call: "PORT METHOD URL STATUS" a line. The proxy writes a
    // tunnel's line when it closes, and its log in its own time: read once it stays still.
    Lines ProxyLog() {
        const std::string path = driver::WindowsPath(Env("VEXILO_TEST_PROXY_LOG"));
        std::string bytes = driver::ReadFileBytes(path);
        for (int i = 0; i < 20; ++i) {
            Sleep(250);
            const std::string again = driver::ReadFileBytes(path);
            if (again == bytes && i >= 1) {
                break;
            }
            bytes = again;
        }
        Lines lines;
        for (size_t at = seen_; at < bytes.size();) {
            const size_t end = bytes.find('\n', at);
            lines.push_back(bytes.substr(at, end - at));
            at = end == std::string::npos ? bytes.size() : end + 1;
        }
        seen_ = bytes.size();
        return lines;
    }
    static bool Logged(const Lines& log, const std::string& part) {
        for (const std::string& line : log) {
            if (line.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    // One run over cases: the log's lines of each, which were recycled and listed, every box;
    // tail, the lines the run ends with after its last favorite.
    void Run(const std::vector<Case>& cases, std::vector<std::string>* boxes = nullptr,
             Lines* log = nullptr, const Lines& tail = Lines()) {
        for (const Case& c : cases) {
            ForgetTrashed({c.name});
            Favorite(c.name, "[InternetShortcut]\r\nURL=" + c.url + "\r\n");
        }
        DeleteFileA((TempFolder() + "flistdel.htm").c_str());
        Vexilo vexilo;
        ASSERT_TRUE(vexilo.Start(exe_)) << vexilo.Problem();
        std::vector<std::string> shown;
        ASSERT_TRUE(vexilo.RunCheck(kRunTimeout, [&](HWND box, const std::string& text) {
            shown.push_back(text);
            driver::Click(box, IDOK);
        }));
        const Lines lines = vexilo.LogLines();
        const std::vector<LogBlock> blocks = Blocks(lines);
        auto byUrl = ByUrl(blocks);
        const std::string report = Report("flistdel.htm");
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Lines expected = c.lines;
            if (!blocks.empty() && blocks.back().url == c.url) {
                expected.insert(expected.end(), tail.begin(), tail.end());
            }
            EXPECT_EQ(expected, byUrl[c.url]);
            EXPECT_EQ(c.kind == kSure, !driver::FileExists(favorites_ + "\\" + c.name));
            const size_t entry = report.find(std::string(">") + c.name + "</A>");
            EXPECT_EQ(c.kind == kUnsure, entry != std::string::npos);
            Favorite(c.name, "[InternetShortcut]\r\nURL=" + c.url + "\r\n");
            ForgetTrashed({c.name});
        }
        ASSERT_TRUE(vexilo.Exit());
        if (boxes) {
            *boxes = shown;
        } else {
            EXPECT_TRUE(shown.empty()) << shown.front();
        }
        if (log) {
            *log = lines;
        }
    }

    size_t seen_ = 0;
};

std::vector<Case> Both() {
    std::vector<Case> cases = kWebCases;
    cases.insert(cases.end(), kIntranetCases.begin(), kIntranetCases.end());
    return cases;
}

// Every web favorite through the proxy (https through its tunnel, the certificate checked
// against the site), every intranet one around it; a name the local network cannot find is
// no sure answer once a proxy is in use.
TEST_F(ProxyRun, ThroughTheProxyAsBrowsersGo) {
    SetProxy(1, "127.0.0.5:3128", kOverride);
    std::vector<Case> cases = Both();
    cases.push_back({"ghost.url", "http://ghost.corp.vexilo-test.example/", kUnsure,
                     {"[ghost.corp.vexilo-test.example]というホストを検出できません。",
                      "またはネットワーク環境が不正です。"}});
    std::vector<std::string> boxes;
    Lines log;
    const std::string unsure = "プロキシを使うネットワークでは、この端末で名前が見つからなくても"
                               "確実とはいえないため、名前の見つからないお気に入りはごみ箱へ移動"
                               "していません。";
    Run(cases, &boxes, &log, {unsure});
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("プロキシ: 127.0.0.5:3128（直接接続: <local>;*.corp.vexilo-test.example）", log[0]);
    EXPECT_EQ((std::vector<std::string>{unsure + "\nネットワークの接続とプロキシの設定を確認して"
                                                 "ください。"}),
              boxes);
    const Lines proxied = ProxyLog();
    for (const char* asked :
         {"3128 GET http://www.vexilo-test.example/ok.html 200",
          "3128 GET http://www.vexilo-test.example/gone.html 404",
          "3128 GET http://www.vexilo-test.example:8080/ok.html 200",
          "3128 CONNECT www.vexilo-test.example:443 200",
          "3128 CONNECT wrong.vexilo-test.example:443 200",
          "3128 GET http://nowhere.vexilo-test.example/ 502"}) {
        EXPECT_TRUE(Logged(proxied, asked)) << asked;
    }
    for (const char* direct : {"intranet", "corp.vexilo-test.example"}) {
        EXPECT_FALSE(Logged(proxied, direct)) << direct;
    }
}

// A proxy for each scheme, and the intranet's proxy script evaluated by the system.
TEST_F(ProxyRun, ProxyPerSchemeAndByScript) {
    const std::vector<Case> cases = {kWebCases[0], kWebCases[4], kIntranetCases[0],
                                     kIntranetCases[2]};
    SetProxy(1, "http=127.0.0.5:3128;https=127.0.0.5:3129", kOverride);
    Lines log;
    Run(cases, nullptr, &log);
    EXPECT_EQ("プロキシ: http=127.0.0.5:3128、https=127.0.0.5:3129（直接接続: <local>;*.corp."
              "vexilo-test.example）",
              log[0]);
    Lines proxied = ProxyLog();
    EXPECT_TRUE(Logged(proxied, "3128 GET http://www.vexilo-test.example/ok.html 200"));
    EXPECT_TRUE(Logged(proxied, "3129 CONNECT www.vexilo-test.example:443 200"));
    EXPECT_EQ(2u, proxied.size());

    ClearProxy();
    SetText("AutoConfigURL", "http://intranet/proxy.pac");
    Run(cases, nullptr, &log);
    EXPECT_EQ("プロキシ: 自動構成スクリプト（http://intranet/proxy.pac）", log[0]);
    proxied = ProxyLog();
    EXPECT_TRUE(Logged(proxied, "3128 GET http://www.vexilo-test.example/ok.html 200"));
    EXPECT_TRUE(Logged(proxied, "3128 CONNECT www.vexilo-test.example:443 200"));
    EXPECT_EQ(2u, proxied.size());
}

// Without a working proxy the web cannot be seen: its favorites are never recycled, and the
// run says why once; the intranet's sure answers still count.
TEST_F(ProxyRun, WithoutAWorkingProxyNothingOfTheWebIsRecycled) {
    const Lines notFound = {"[www.vexilo-test.example]というホストを検出できません。",
                            "またはネットワーク環境が不正です。"};
    std::vector<Case> cases = {
        {"web-ok.url", kWeb + "/ok.html", kUnsure, notFound},
        {"web-gone.url", kWeb + "/gone.html", kUnsure, notFound},
        {"web-other.url", "http://news.vexilo-test.example/", kUnsure,
         {"[news.vexilo-test.example]というホストを検出できません。",
          "またはネットワーク環境が不正です。"}},
        kIntranetCases[0], kIntranetCases[1], kIntranetCases[2]};
    // Switched off: the names are looked up here, where only the intranet's are known. (The
    // test's intranet answers on loopback, which counts as the web's: one web name found.)
    SetProxy(0, "127.0.0.5:3128", kOverride);
    std::vector<std::string> boxes;
    Lines log;
    const std::string blind = "この確認ではWebのホスト名の多くが見つかりませんでした。このネット"
                              "ワークからはWebの名前を確かめられないため、名前の見つからないお気"
                              "に入りはごみ箱へ移動していません。";
    Run(cases, &boxes, &log, {blind + "（見つからない名前 2、見つかった名前 1）"});
    EXPECT_EQ("プロキシ: なし（直接接続）", log[0]);
    EXPECT_EQ((std::vector<std::string>{blind + "\nネットワークの接続とプロキシの設定を確認して"
                                                "ください。"}),
              boxes);
    EXPECT_TRUE(ProxyLog().empty());

    // Down, or asking for credentials: said once, in a box, and its favorites left alone.
    const struct {
        const char* server;
        const char* line;
        const char* box;
    } troubles[] = {
        {"127.0.0.5:3999", "プロキシサーバー[127.0.0.5:3999]に接続できませんでした。",
         "プロキシサーバー[127.0.0.5:3999]に接続できませんでした。\n"},
        {"127.0.0.5:3130", "プロキシサーバー[127.0.0.5:3130]が認証を求めています（407）。",
         "プロキシサーバー[127.0.0.5:3130]が認証を求めています。"},
    };
    for (const auto& trouble : troubles) {
        SCOPED_TRACE(trouble.server);
        for (size_t i = 0; i < 3; ++i) {
            cases[i].kind = kNoAnswer;
            cases[i].lines = {trouble.line};
        }
        SetProxy(1, trouble.server, kOverride);
        Run(cases, &boxes);
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(0u, boxes[0].find(trouble.box)) << boxes[0];
    }
}

} // namespace
