// The rules of the network a run goes through: the proxy setting as Windows writes it, which
// hosts go around the proxy, which names and addresses are the intranet's, and what a proxy
// answers to CONNECT. Pure text work, no windows.h.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kProxyHostSize = 256;

struct ProxyServer {
    char host[kProxyHostSize] = ""; // empty: none
    int port = 0;
    bool Named() const { return host[0] != '\0'; }
};

// A ProxyServer value, read.
struct ProxyServers {
    ProxyServer http;
    ProxyServer https;
    bool socks = false;      // a SOCKS proxy was named: not used
    bool unreadable = false; // an entry without a host, with a port that cannot be, or too long
};

// Reads a ProxyServer value: "host:port" for every scheme, or "scheme=host:port" entries
// separated by ";" (or blanks), an "http://" before a host and a missing port (80), as real
// systems write them. An entry without "=" counts for http and https alike unless one is named
// for itself; a "socks=" entry is noted, others (ftp=) are passed over.
ProxyServers ParseProxyServer(const char* text);

// "host[:port]", with "scheme://" before it or a "/" after it allowed; false when there is no
// host, the port is not 1 to 65535, or the host does not fit.
bool ParseProxyAddress(const std::string& text, ProxyServer& server);

// "host:port" of a proxy, for the log and the boxes.
std::string ProxyLabel(const ProxyServer& server);

// Case-blind (ASCII) match of text against a pattern with "*" (any run) and "?" (one byte).
bool WildcardMatch(const char* pattern, const char* text);

// The hosts that go around the proxy: ProxyOverride's patterns, separated by ";" (or blanks),
// each with "*" and "?", against the host or host:port, "<local>" for a name without a dot;
// and, as on every Windows, "localhost" and the loopback addresses.
class ProxyBypass {
public:
    void Parse(const char* text);
    bool Matches(const char* host, int port) const;

private:
    std::vector<std::string> patterns_;
    bool local_ = false;
};

// A name only the local network can know: one without a dot, "localhost", or one under a suffix
// kept for local networks (.local, .lan, .internal, .intranet, .corp, .home, .home.arpa,
// .localdomain, .localhost).
bool IsIntranetName(const char* host);

// An address that names no host of the web: private (10/8, 172.16/12, 192.168/16, 100.64/10,
// fc00::/7), link-local (169.254/16, fe80::/10) or unspecified. bytes holds 4 or 16 bytes in
// network order. (Loopback is left out: test webs and local servers answer there.)
bool IsPrivateAddress(const unsigned char* bytes, size_t length);

// Whether a run can see the web by its names: of the distinct web names it looked up, some were
// found and no more were missing than found. Where most are missing while the intranet answers,
// a name that "does not exist" may only not exist for the local network.
inline bool WebNamesVisible(int found, int notFound) {
    return found > 0 && notFound <= found;
}

// What a proxy answered to CONNECT, read as it arrives.
enum class TunnelAnswer {
    kIncomplete, // the head has not ended yet
    kOpen,       // 2xx: the bytes after headLength are the server's
    kRefused,    // another status (407: the proxy asks for credentials)
    kNotHttp,    // no status line, or a head past kTunnelHeadLimit
};
constexpr size_t kTunnelHeadLimit = 16384;
struct TunnelReply {
    int statusCode = 0;
    char reason[80] = "";
    size_t headLength = 0;
};
TunnelAnswer ReadTunnelAnswer(const char* bytes, size_t length, TunnelReply& reply);

// "CONNECT host:port HTTP/1.1" with its Host line; false, with request emptied, when it does not
// fit in size.
bool FormatConnectRequest(const char* host, int port, char* request, size_t size);
