// The proxy setting as the registry may hold it: a ProxyServer value, a ProxyOverride list and a
// host. Whatever the bytes, nothing is read or written past its area; a proxy it takes has a
// host that fits, without blanks or ";", and a port from 1 to 65535, and its label reads back as
// the same proxy; every host goes direct past a lone "*", and a pattern always matches itself.
#include "probe/NetworkRules.h"

#include "FuzzCheck.h"

namespace {

void CheckServer(const ProxyServer& server) {
    if (!server.Named()) {
        return;
    }
    const std::string host = server.host;
    FUZZ_CHECK(host.size() < kProxyHostSize);
    FUZZ_CHECK(host.find_first_of("; \t\r\n/") == std::string::npos);
    FUZZ_CHECK(server.port >= 1 && server.port <= 65535);
    ProxyServer again;
    FUZZ_CHECK(ParseProxyAddress(ProxyLabel(server), again));
    FUZZ_CHECK(host == again.host && server.port == again.port);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const std::string value = input.Text();
    const ProxyServers servers = ParseProxyServer(value.c_str());
    CheckServer(servers.http);
    CheckServer(servers.https);

    const std::string patterns = input.Text();
    const std::string host = input.Text(1024);
    const int port = input.Byte() * 256 + input.Byte();
    ProxyBypass bypass;
    bypass.Parse(patterns.c_str());
    const bool direct = bypass.Matches(host.c_str(), port);
    if (patterns == "*") {
        FUZZ_CHECK(direct);
    }
    FUZZ_CHECK(WildcardMatch(host.c_str(), host.c_str()));
    FUZZ_CHECK(WildcardMatch("*", host.c_str()));
    IsIntranetName(host.c_str());
    return 0;
}
