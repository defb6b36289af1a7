// The proxy setting as real systems write it, the hosts that go around the proxy, the names and
// addresses of the intranet, and what a proxy answers to CONNECT: one row a case.
#include "probe/NetworkRules.h"
#include "probe/Target.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Shown(const ProxyServer& server) {
    return server.Named() ? ProxyLabel(server) : "-";
}

TEST(ProxyServerValue, AsRealSystemsWriteIt) {
    const std::string longHost(300, 'p');
    const struct {
        std::string value;
        const char* http;
        const char* https;
        bool socks;
        bool unreadable;
    } cases[] = {
        {"proxy.example:8080", "proxy.example:8080", "proxy.example:8080", false, false},
        {"  proxy.example:8080  ", "proxy.example:8080", "proxy.example:8080", false, false},
        {"http://proxy.example:3128/", "proxy.example:3128", "proxy.example:3128", false, false},
        {"proxy.example", "proxy.example:80", "proxy.example:80", false, false},
        {"http=a.example:1;https=b.example:2", "a.example:1", "b.example:2", false, false},
        {"HTTPS=b.example:2; http=a.example:1;ftp=f.example:21", "a.example:1", "b.example:2",
         false, false},
        {"http=a.example:1", "a.example:1", "-", false, false},
        {"all.example:8;https=b.example:2", "all.example:8", "b.example:2", false, false},
        {"[::1]:3128", "[::1]:3128", "[::1]:3128", false, false},
        {"", "-", "-", false, false},
        {"=", "-", "-", false, true},
        {"https=", "-", "-", false, true},
        {"proxy.example:0", "-", "-", false, true},
        {"proxy.example:99999", "-", "-", false, true},
        {"proxy.example:8o", "-", "-", false, true},
        {longHost + ":80", "-", "-", false, true},
        {"socks=s.example:1080", "-", "-", true, false},
        {"socks=s.example:1080;https=b.example:2", "-", "b.example:2", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.substr(0, 60));
        const ProxyServers servers = ParseProxyServer(c.value.c_str());
        EXPECT_EQ(c.http, Shown(servers.http));
        EXPECT_EQ(c.https, Shown(servers.https));
        EXPECT_EQ(c.socks, servers.socks);
        EXPECT_EQ(c.unreadable, servers.unreadable);
    }
}

TEST(ProxyOverride, HostsThatGoDirect) {
    std::string many;
    for (int i = 0; i < 400; ++i) {
        many += "host" + std::to_string(i) + ".example;";
    }
    const struct {
        std::string patterns;
        const char* host;
        int port;
        bool direct;
    } cases[] = {
        {"", "www.example", 80, false},
        {"", "localhost", 80, true},
        {"", "127.0.0.1", 8080, true},
        {"", "intranet", 80, false},
        {"<local>", "intranet", 80, true},
        {"<LOCAL>", "www.example", 80, false},
        {"*.corp.example", "wiki.corp.example", 80, true},
        {"*.corp.example", "WIKI.Corp.Example", 80, true},
        {"*.corp.example", "corp.example", 80, false},
        {"192.168.*", "192.168.1.20", 80, true},
        {"192.168.*", "10.0.0.1", 80, false},
        {"10.0.0.?", "10.0.0.7", 80, true},
        {"10.0.0.?", "10.0.0.17", 80, false},
        {"www.example:8080", "www.example", 8080, true},
        {"www.example:8080", "www.example", 80, false},
        {"http://www.example", "www.example", 80, true},
        {" a.example ; ; b.example ", "b.example", 80, true},
        {"*", "anything.example", 443, true},
        {many, "host399.example", 80, true},
        {many, "host400.example", 80, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.patterns.substr(0, 40) + " / " + c.host);
        ProxyBypass bypass;
        bypass.Parse(c.patterns.c_str());
        EXPECT_EQ(c.direct, bypass.Matches(c.host, c.port));
    }
}

TEST(IntranetRules, NamesAndAddresses) {
    for (const char* name : {"intranet", "localhost", "wiki.local", "nas.lan", "Wiki.Corp",
                             "router.home.arpa", "files.internal", "wiki.local."}) {
        EXPECT_TRUE(IsIntranetName(name)) << name;
    }
    for (const char* name : {"www.example", "news.example.co.jp", "corp.example.com", "local.com"}) {
        EXPECT_FALSE(IsIntranetName(name)) << name;
    }
    const struct {
        std::vector<unsigned char> bytes;
        bool intranet;
    } addresses[] = {
        {{10, 1, 2, 3}, true},      {{172, 16, 0, 1}, true},  {{172, 31, 255, 1}, true},
        {{172, 32, 0, 1}, false},   {{192, 168, 0, 1}, true}, {{169, 254, 1, 1}, true},
        {{100, 64, 0, 1}, true},    {{100, 128, 0, 1}, false}, {{0, 0, 0, 0}, true},
        {{127, 0, 0, 1}, false},    {{93, 184, 216, 34}, false},
        {{0xFD, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, true},
        {{0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, true},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 192, 168, 1, 1}, true},
        {{0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, false},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, false},
    };
    for (const auto& a : addresses) {
        EXPECT_EQ(a.intranet, IsPrivateAddress(a.bytes.data(), a.bytes.size()))
            << static_cast<int>(a.bytes[0]) << "." << static_cast<int>(a.bytes[1]);
    }
    EXPECT_FALSE(WebNamesVisible(0, 0));
    EXPECT_FALSE(WebNamesVisible(0, 7));
    EXPECT_FALSE(WebNamesVisible(3, 7));
    EXPECT_TRUE(WebNamesVisible(1, 1));
    EXPECT_TRUE(WebNamesVisible(9, 1));
}

TEST(TunnelAnswer, WhatProxiesSay) {
    const std::string errorPage = "<html>" + std::string(20000, 'x') + "</html>";
    const struct {
        std::string bytes;
        TunnelAnswer answer;
        int status;
        size_t headLength;
    } cases[] = {
        {"HTTP/1.1 200 Connection established\r\n\r\n", TunnelAnswer::kOpen, 200, 39},
        {"HTTP/1.0 200 OK\n\n", TunnelAnswer::kOpen, 200, 17},
        {"HTTP/1.1 200 OK\r\nProxy-Agent: x\r\n\r\nextra", TunnelAnswer::kOpen, 200, 35},
        {"HTTP/1.1 200 Connection established\r\n", TunnelAnswer::kIncomplete, 0, 0},
        {"HTT", TunnelAnswer::kIncomplete, 0, 0},
        {"", TunnelAnswer::kIncomplete, 0, 0},
        {"HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n",
         TunnelAnswer::kRefused, 407, 73},
        {"HTTP/1.1 302 Found\r\nLocation: http://login.example/\r\n\r\n", TunnelAnswer::kRefused,
         302, 55},
        {"HTTP/1.1 503 Service Unavailable\r\nContent-Length: 20007\r\n\r\n" + errorPage,
         TunnelAnswer::kRefused, 503, 59},
        {"garbage from a proxy of old\r\n\r\n", TunnelAnswer::kNotHttp, 0, 0},
        {"\x16\x03\x01\x00\x05hello", TunnelAnswer::kNotHttp, 0, 0},
        {"HTTP/1.1 abc\r\n\r\n", TunnelAnswer::kNotHttp, 0, 0},
        {"HTTP/1.1 200 OK\r\n" + std::string(kTunnelHeadLimit, 'h'), TunnelAnswer::kNotHttp, 0,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 40));
        TunnelReply reply;
        EXPECT_EQ(c.answer, ReadTunnelAnswer(c.bytes.data(), c.bytes.size(), reply));
        if (c.answer == TunnelAnswer::kOpen || c.answer == TunnelAnswer::kRefused) {
            EXPECT_EQ(c.status, reply.statusCode);
            EXPECT_EQ(c.headLength, reply.headLength);
        }
    }
}

TEST(ProxyRequests, AbsoluteFormAndConnect) {
    char request[kRequestSize];
    ASSERT_TRUE(FormatRequest("www.example", "/a b", 80, false, request, sizeof request, true));
    EXPECT_STREQ("GET http://www.example/a%20b HTTP/1.0\r\nHost: www.example:80\r\n"
                 "User-Agent: Vexilo User's\r\n\r\n",
                 request);
    ASSERT_TRUE(FormatRequest("www.example", "/", 8080, true, request, sizeof request, true));
    EXPECT_EQ(0, std::string(request).find("GET http://www.example:8080/ HTTP/1.1\r\n"));
    EXPECT_FALSE(FormatRequest("bad host", "/", 80, false, request, sizeof request, true));
    EXPECT_STREQ("", request);
    const std::string longest(kTargetPartSize - 1, 'h');
    const std::string path = "/" + std::string(kTargetPartSize - 2, ' ');
    EXPECT_TRUE(FormatRequest(longest.c_str(), path.c_str(), 65535, true, request, sizeof request,
                              true));

    ASSERT_TRUE(FormatConnectRequest("www.example", 443, request, sizeof request));
    EXPECT_STREQ("CONNECT www.example:443 HTTP/1.1\r\nHost: www.example:443\r\n"
                 "User-Agent: Vexilo User's\r\n\r\n",
                 request);
    EXPECT_FALSE(FormatConnectRequest("a\r\nX-Injected: 1", 443, request, sizeof request));
    EXPECT_FALSE(FormatConnectRequest("", 443, request, sizeof request));
}

} // namespace
