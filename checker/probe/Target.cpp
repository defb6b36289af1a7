// Splitting and resolving the addresses a probe asks for, and its request text.
#include "probe/Target.h"

#include "text/TextRoutines.h"

#include <cstring>
#include <string>

namespace {

constexpr const char kAgent[] = "Vexilo User's";
constexpr const char kRequest10[] = "GET %s HTTP/1.0\r\nHost: %s:%d\r\nUser-Agent: %s\r\n\r\n";
constexpr const char kRequest11[] =
    "GET %s HTTP/1.1\r\nHost: %s:%d\r\nUser-Agent: %s\r\nConnection: close\r\n\r\n";
// A path sent with every byte as %XX, the longest host, the longest port and the agent.
static_assert(kRequestSize >= sizeof kRequest11 + (kTargetPartSize + 16 + 3 * kTargetPartSize) +
                                  kTargetPartSize + 12 + sizeof kAgent,
              "the request buffer holds the longest host and path");

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The end of a scheme name ("letter *( letter / digit / + / - / . )") when text begins with one
// followed by a colon; nullptr otherwise.
const char* SchemeColon(const char* text) {
    if (!IsAsciiLetter(*text)) {
        return nullptr;
    }
    const char* p = text + 1;
    while (IsAsciiLetter(*p) || IsDigit(*p) || *p == '+' || *p == '-' || *p == '.') {
        ++p;
    }
    return *p == ':' ? p : nullptr;
}

bool SameNoCase(const char* text, size_t length, const char* lower) {
    char scheme[8];
    if (length >= sizeof scheme) {
        return false;
    }
    CopyTextPart(scheme, sizeof scheme, text, length);
    ChangeCase(scheme, 1);
    return std::strcmp(scheme, lower) == 0;
}

// The path with its "." and ".." segments resolved, as a browser does before asking.
std::string WithoutDotSegments(const std::string& path) {
    std::string in = path;
    std::string out;
    auto dropLastSegment = [&out] {
        const size_t slash = out.rfind('/');
        out.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!in.empty()) {
        if (in.compare(0, 3, "../") == 0) {
            in.erase(0, 3);
        } else if (in.compare(0, 2, "./") == 0) {
            in.erase(0, 2);
        } else if (in.compare(0, 3, "/./") == 0) {
            in.erase(0, 2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.compare(0, 4, "/../") == 0) {
            in.erase(0, 3);
            dropLastSegment();
        } else if (in == "/..") {
            in = "/";
            dropLastSegment();
        } else if (in == "." || in == "..") {
            in.clear();
        } else {
            const size_t next = in.find('/', in[0] == '/' ? 1 : 0);
            out.append(in, 0, next);
            in.erase(0, next);
        }
    }
    return out;
}

// Where the query or fragment of a path begins (its end when it has neither).
size_t PathPartEnd(const std::string& path) {
    const size_t end = path.find_first_of("?#");
    return end == std::string::npos ? path.size() : end;
}

} // namespace

int DefaultPort(UrlScheme scheme) {
    return scheme == UrlScheme::kHttps ? 443 : 80;
}

UrlCheck SplitAfterScheme(const char* text, UrlScheme scheme, int defaultPort, UrlParts& parts) {
    parts.scheme = scheme;
    parts.host[0] = '\0';
    parts.port = defaultPort;
    CopyText(parts.path, sizeof parts.path, "/");

    // "/", "?", "#" and ":" are never the trail byte of a double-byte character, "@" may be.
    const char* end = text + std::strcspn(text, "/?#");
    const char* host = text;
    for (const char* p = text; p < end; p += CharLength(p)) {
        if (*p == '@') {
            host = p + 1; // user and password are not the host
        }
    }
    if (*host == '[') {
        return UrlCheck::kIpv6;
    }
    const char* colon = nullptr;
    for (const char* p = host; p < end; ++p) {
        if (*p == ':') {
            colon = p;
        }
    }
    const char* hostEnd = colon ? colon : end;
    if (hostEnd == host) {
        return UrlCheck::kNoHost;
    }
    if (colon && colon + 1 < end) {
        long port = 0;
        for (const char* p = colon + 1; p < end; ++p) {
            if (!IsDigit(*p)) {
                return UrlCheck::kBadPort;
            }
            port = port * 10 + (*p - '0');
            if (port > 65535) {
                return UrlCheck::kBadPort;
            }
        }
        if (port == 0) {
            return UrlCheck::kBadPort;
        }
        parts.port = static_cast<int>(port);
    }
    CopyTextPart(parts.host, sizeof parts.host, host, static_cast<size_t>(hostEnd - host));
    if (*end) {
        const bool ok = *end == '/' ? CopyText(parts.path, sizeof parts.path, end)
                                    : AppendText(parts.path, sizeof parts.path, end);
        if (!ok) {
            return UrlCheck::kTooLong;
        }
    }
    return UrlCheck::kOk;
}

UrlCheck SplitUrl(const char* url, UrlParts& parts) {
    const char* colon = SchemeColon(url);
    if (!colon) {
        return UrlCheck::kOtherScheme;
    }
    const size_t length = static_cast<size_t>(colon - url);
    UrlScheme scheme;
    if (SameNoCase(url, length, "http")) {
        scheme = UrlScheme::kHttp;
    } else if (SameNoCase(url, length, "https")) {
        scheme = UrlScheme::kHttps;
    } else {
        return UrlCheck::kOtherScheme;
    }
    if (colon[1] != '/' || colon[2] != '/') {
        return UrlCheck::kNoHost;
    }
    return SplitAfterScheme(colon + 3, scheme, DefaultPort(scheme), parts);
}

UrlCheck ResolveLocation(const UrlParts& base, const char* location, UrlParts& result) {
    while (IsBlank(*location)) {
        ++location;
    }
    size_t length = std::strlen(location);
    while (length > 0 && IsBlank(location[length - 1])) {
        --length;
    }
    // Longer than any path or URL a probe can ask for, whatever it resolves to.
    if (length >= 2 * kTargetPartSize) {
        return UrlCheck::kTooLong;
    }
    const std::string target(location, length);
    if (target.empty()) {
        return UrlCheck::kNoHost;
    }
    if (const char* colon = SchemeColon(target.c_str())) {
        // A colon after a "/", "?" or "#" belongs to a relative path, not to a scheme.
        if (static_cast<size_t>(colon - target.c_str()) < target.find_first_of("/?#")) {
            return SplitUrl(target.c_str(), result);
        }
    }
    if (target.compare(0, 2, "//") == 0) {
        return SplitAfterScheme(target.c_str() + 2, base.scheme, DefaultPort(base.scheme), result);
    }

    const std::string basePath = base.path;
    std::string path;
    if (target[0] == '/') {
        path = target;
    } else if (target[0] == '?') {
        path = basePath.substr(0, PathPartEnd(basePath)) + target;
    } else if (target[0] == '#') {
        path = basePath.substr(0, basePath.find('#')) + target;
    } else {
        const size_t slash = basePath.rfind('/', PathPartEnd(basePath));
        path = basePath.substr(0, slash == std::string::npos ? 0 : slash + 1) + target;
    }
    const size_t partEnd = PathPartEnd(path);
    path = WithoutDotSegments(path.substr(0, partEnd)) + path.substr(partEnd);
    if (path.empty() || path[0] != '/') {
        path.insert(0, "/");
    }
    result.scheme = base.scheme;
    result.port = base.port;
    CopyText(result.host, sizeof result.host, base.host);
    if (!CopyText(result.path, sizeof result.path, path.c_str())) {
        return UrlCheck::kTooLong;
    }
    return UrlCheck::kOk;
}

bool FormatUrl(const UrlParts& parts, char* text, size_t size) {
    const char* scheme = parts.scheme == UrlScheme::kHttps ? "https" : "http";
    if (parts.port == DefaultPort(parts.scheme)) {
        return FormatText(text, size, "%s://%s%s", scheme, parts.host, parts.path);
    }
    return FormatText(text, size, "%s://%s:%d%s", scheme, parts.host, parts.port, parts.path);
}

bool FormatRequest(const char* host, const char* path, int port, bool http11, char* request,
                   size_t size, bool viaProxy) {
    // The absolute form's "http://", host and ":port" before the path.
    char sent[kTargetPartSize + 16 + 3 * kTargetPartSize];
    size_t used = 0;
    bool usable = true;
    if (viaProxy) {
        for (const char* p = host; *p; ++p) {
            usable = usable && static_cast<unsigned char>(*p) > 0x20 && *p != 0x7F;
        }
        char prefix[kTargetPartSize + 16];
        usable = usable && (port == 80 ? FormatText(prefix, sizeof prefix, "http://%s", host)
                                       : FormatText(prefix, sizeof prefix, "http://%s:%d", host,
                                                    port));
        if (usable) {
            used = std::strlen(prefix);
            std::memcpy(sent, prefix, used);
        }
    }
    for (const char* p = path; usable && *p && used + 4 <= sizeof sent; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c <= 0x20 || c == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            sent[used++] = '%';
            sent[used++] = kHex[c >> 4];
            sent[used++] = kHex[c & 15];
        } else {
            sent[used++] = *p;
        }
    }
    sent[used] = '\0';
    if (!usable ||
        !FormatText(request, size, http11 ? kRequest11 : kRequest10, sent, host, port, kAgent)) {
        if (size) {
            request[0] = '\0';
        }
        return false;
    }
    return true;
}
