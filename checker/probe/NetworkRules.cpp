// The network's rules (NetworkRules.h): the proxy setting read as Windows writes it, the hosts
// that go around the proxy, the intranet's names and addresses, and a proxy's CONNECT answer.
#include "probe/NetworkRules.h"

#include "probe/ResponseHead.h"
#include "text/TextRoutines.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr const char kAgent[] = "Vexilo User's";

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerText(std::string text) {
    ChangeCase(&text[0], 1);
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The entries of a list separated by ";" or blanks, none empty.
std::vector<std::string> Entries(const char* text) {
    std::vector<std::string> entries;
    std::string entry;
    for (const char* p = text ? text : "";; ++p) {
        if (*p == '\0' || *p == ';' || IsBlank(*p)) {
            if (!entry.empty()) {
                entries.push_back(entry);
            }
            entry.clear();
            if (*p == '\0') {
                return entries;
            }
        } else {
            entry += *p;
        }
    }
}

bool AllDigits(const std::string& text) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

bool EndsWith(const std::string& text, const char* suffix) {
    const size_t length = std::strlen(suffix);
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

bool IsLoopback(const std::string& host) {
    return host == "localhost" || host == "::1" || host == "[::1]" ||
           (host.compare(0, 4, "127.") == 0 &&
            host.find_first_not_of("0123456789.") == std::string::npos);
}

} // namespace

bool ParseProxyAddress(const std::string& text, ProxyServer& server) {
    std::string rest = text;
    const size_t scheme = rest.find("://");
    if (scheme != std::string::npos) {
        rest = rest.substr(scheme + 3);
    }
    rest = rest.substr(0, rest.find('/'));
    std::string host = rest;
    std::string port;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos) {
            return false;
        }
        host = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') {
                return false;
            }
            port = rest.substr(close + 2);
        }
    } else if (rest.find(':') != std::string::npos && rest.find(':') == rest.rfind(':')) {
        host = rest.substr(0, rest.find(':'));
        port = rest.substr(rest.find(':') + 1);
    }
    // Brackets belong around an IPv6 address, and an address is all that may hold colons.
    if (host.find_first_of("[]") != std::string::npos ||
        (host.find(':') != std::string::npos &&
         host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos)) {
        return false;
    }
    int number = 80;
    if (!port.empty()) {
        if (!AllDigits(port)) {
            return false;
        }
        number = std::atoi(port.c_str());
    }
    if (host.empty() || number < 1 || number > 65535 || host.size() >= kProxyHostSize) {
        return false;
    }
    CopyText(server.host, sizeof server.host, host.c_str());
    server.port = number;
    return true;
}

ProxyServers ParseProxyServer(const char* text) {
    ProxyServers servers;
    ProxyServer all;
    ProxyServer http;
    ProxyServer https;
    for (const std::string& entry : Entries(text)) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            if (!all.Named() && !ParseProxyAddress(entry, all)) {
                servers.unreadable = true;
            }
            continue;
        }
        const std::string scheme = LowerText(entry.substr(0, equals));
        ProxyServer* named = scheme == "http" ? &http : scheme == "https" ? &https : nullptr;
        if (scheme == "socks") {
            servers.socks = true;
        } else if (scheme.empty() || (named && !named->Named() &&
                                      !ParseProxyAddress(entry.substr(equals + 1), *named))) {
            servers.unreadable = true;
        }
    }
    servers.http = http.Named() ? http : all;
    servers.https = https.Named() ? https : all;
    return servers;
}

std::string ProxyLabel(const ProxyServer& server) {
    const std::string host = server.host;
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(server.port);
}

bool WildcardMatch(const char* pattern, const char* text) {
    const char* star = nullptr; // the last "*" met, and where its run began in text
    const char* resume = nullptr;
    while (*text) {
        if (*pattern == '*') {
            star = pattern++;
            resume = text;
        } else if (*pattern && (*pattern == '?' || Lower(*pattern) == Lower(*text))) {
            ++pattern;
            ++text;
        } else if (star) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == '\0';
}

void ProxyBypass::Parse(const char* text) {
    patterns_.clear();
    local_ = false;
    for (std::string entry : Entries(text)) {
        entry = LowerText(entry);
        if (entry == "<local>") {
            local_ = true;
            continue;
        }
        const size_t scheme = entry.find("://");
        if (scheme != std::string::npos) {
            entry = entry.substr(scheme + 3);
        }
        if (!entry.empty()) {
            patterns_.push_back(entry);
        }
    }
}

bool ProxyBypass::Matches(const char* host, int port) const {
    const std::string name = LowerText(host ? host : "");
    if (IsLoopback(name) || (local_ && name.find_first_of(".:") == std::string::npos)) {
        return true;
    }
    const std::string withPort = name + ":" + std::to_string(port);
    for (const std::string& pattern : patterns_) {
        if (WildcardMatch(pattern.c_str(), name.c_str()) ||
            WildcardMatch(pattern.c_str(), withPort.c_str())) {
            return true;
        }
    }
    return false;
}

bool IsIntranetName(const char* host) {
    std::string name = LowerText(host ? host : "");
    while (!name.empty() && name.back() == '.') {
        name.pop_back();
    }
    if (name.find('.') == std::string::npos || name == "localhost") {
        return true;
    }
    for (const char* suffix : {".local", ".lan", ".internal", ".intranet", ".corp", ".home",
                               ".home.arpa", ".localdomain", ".localhost"}) {
        if (EndsWith(name, suffix)) {
            return true;
        }
    }
    return false;
}

bool IsPrivateAddress(const unsigned char* b, size_t length) {
    if (length == 16) {
        static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        if (std::memcmp(b, kMapped, sizeof kMapped) == 0) {
            return IsPrivateAddress(b + 12, 4);
        }
        bool unspecified = true;
        for (size_t i = 0; i < 16; ++i) {
            unspecified = unspecified && b[i] == 0;
        }
        return unspecified || (b[0] & 0xFE) == 0xFC || (b[0] == 0xFE && (b[1] & 0xC0) == 0x80);
    }
    if (length != 4) {
        return false;
    }
    return b[0] == 0 || b[0] == 10 || (b[0] == 172 && (b[1] & 0xF0) == 16) ||
           (b[0] == 192 && b[1] == 168) || (b[0] == 169 && b[1] == 254) ||
           (b[0] == 100 && (b[1] & 0xC0) == 64);
}

TunnelAnswer ReadTunnelAnswer(const char* bytes, size_t length, TunnelReply& reply) {
    static const char kStart[] = "http/";
    for (size_t i = 0; i < length && i < 5; ++i) {
        if (Lower(bytes[i]) != kStart[i]) {
            return TunnelAnswer::kNotHttp;
        }
    }
    size_t end = 0; // just past the blank line that ends the head
    for (size_t i = 0; i + 1 < length && end == 0; ++i) {
        if (bytes[i] == '\n' && bytes[i + 1] == '\n') {
            end = i + 2;
        } else if (bytes[i] == '\n' && bytes[i + 1] == '\r' && i + 2 < length &&
                   bytes[i + 2] == '\n') {
            end = i + 3;
        }
    }
    if (end == 0) {
        return length > kTunnelHeadLimit ? TunnelAnswer::kNotHttp : TunnelAnswer::kIncomplete;
    }
    if (end > kTunnelHeadLimit) {
        return TunnelAnswer::kNotHttp;
    }
    // The head's own text, zero bytes in it ending it as they end any text read here.
    const std::string head(bytes, end);
    ResponseHead parsed{};
    if (!ParseResponseHead(head.c_str(), parsed) || parsed.statusCode < 100 ||
        parsed.statusCode > 599) {
        return TunnelAnswer::kNotHttp;
    }
    reply.statusCode = parsed.statusCode;
    CopyText(reply.reason, sizeof reply.reason, parsed.reason);
    reply.headLength = end;
    return parsed.statusCode >= 200 && parsed.statusCode <= 299 ? TunnelAnswer::kOpen
                                                                : TunnelAnswer::kRefused;
}

bool FormatConnectRequest(const char* host, int port, char* request, size_t size) {
    bool usable = host && *host;
    for (const char* p = host; usable && *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        usable = c > 0x20 && c != 0x7F;
    }
    if (!usable || !FormatText(request, size,
                               "CONNECT %s:%d HTTP/1.1\r\nHost: %s:%d\r\nUser-Agent: %s\r\n\r\n",
                               host, port, host, port, kAgent)) {
        if (size) {
            request[0] = '\0';
        }
        return false;
    }
    return true;
}
