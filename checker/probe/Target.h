// The address a probe goes to: a favorite's URL or a redirect's Location split into scheme, host,
// port and path, and the request text sent for it. Pure text work, no windows.h.
#pragma once

#include <cstddef>

constexpr int kTargetPartSize = 1024;

enum class UrlScheme { kHttp, kHttps };

struct UrlParts {
    UrlScheme scheme;
    char host[kTargetPartSize]; // without user, password and port
    int port;                   // the URL's own, else the scheme's
    char path[kTargetPartSize]; // from its "/", query and fragment included; "/" when empty
};

// Why an address cannot be asked for.
enum class UrlCheck {
    kOk,
    kOtherScheme, // not http or https (mailto:, ftp:, file:, javascript:, or no scheme at all)
    kIpv6,        // a bracketed address: WinSock 1.1 knows IPv4 only
    kBadPort,     // a port that is not a number from 1 to 65535
    kNoHost,      // nothing where the host belongs, or no "//" after http: or https:
    kTooLong,     // a host or path beyond kTargetPartSize - 1 bytes
};

int DefaultPort(UrlScheme scheme);

// An absolute URL: a scheme in any case, "//", an optional user and password up to an "@", the
// host, an optional ":port", and the path. The host ends at the first "/", "?" or "#"; a path
// that begins with "?" or "#" gets a "/" before it. A host too long is cut on a character
// boundary (it cannot be found then), a path too long is kTooLong (a cut path names another page).
UrlCheck SplitUrl(const char* url, UrlParts& parts);

// The part of a URL after "scheme://", as above, with the scheme given and the port to use when
// the text names none.
UrlCheck SplitAfterScheme(const char* text, UrlScheme scheme, int defaultPort, UrlParts& parts);

// Where a Location header sends a request for base: an absolute http or https URL, "//host...",
// an absolute path, or a path relative to base's (with "." and ".." segments resolved).
// Surrounding blanks are ignored.
UrlCheck ResolveLocation(const UrlParts& base, const char* location, UrlParts& result);

// "scheme://host[:port]path", the port only where it is not the scheme's own. False, with text
// cut, when it does not fit in size.
bool FormatUrl(const UrlParts& parts, char* text, size_t size);

// Room for the request of the longest host and path, twice the host where a proxy is asked
// (the absolute form): it is never cut, since a cut request would ask for another page.
constexpr size_t kRequestSize = 128 + 5 * kTargetPartSize + 64;

// The GET request for path on host:port into request (kRequestSize bytes): HTTP/1.0 as always,
// or HTTP/1.1 with "Connection: close" for a server that refuses 1.0. Blanks and control bytes
// in the path are sent as %XX, so that the request line stays one line of three parts. To a
// proxy (viaProxy) the request names the whole address, "http://host[:port]path", and a host
// that holds a blank or a control byte cannot be sent. False, with the request emptied, when it
// does not fit or cannot be sent.
bool FormatRequest(const char* host, const char* path, int port, bool http11, char* request,
                   size_t size, bool viaProxy = false);
