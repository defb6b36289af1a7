// A listed URL split into what a connection needs, and the request sent for it. Whatever the
// URL, the split never reads or writes past its areas; a URL it takes has a host without "/",
// a port from 1 to 65535 and a path that begins with "/", each within its area, and it says the
// same again when written back out; the request is never cut and its first line is one line of
// three parts, whatever bytes the path holds.
#include "favorites/FavoritesWalk.h"
#include "probe/Target.h"

#include "FuzzCheck.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const bool http11 = input.Byte() & 1;
    const std::string url = input.Text();

    // The driver's heap copy of the URL, scheme removed in place.
    fuzz::Area target = fuzz::Copy(url);
    FUZZ_CHECK(StripScheme(target.get()) == 80);
    const size_t slashes = url.find("//");
    FUZZ_CHECK(target.TextIn() == (slashes == std::string::npos ? url : url.substr(slashes + 2)));

    fuzz::Area copy = fuzz::Copy(url);
    UrlParts parts;
    const UrlCheck check = SplitUrl(copy.get(), parts);
    if (check != UrlCheck::kOk) {
        return 0;
    }
    const std::string host = parts.host;
    const std::string path = parts.path;
    FUZZ_CHECK(!host.empty() && host.size() < kTargetPartSize && host.find('/') == std::string::npos);
    FUZZ_CHECK(path.size() < kTargetPartSize && path[0] == '/');
    FUZZ_CHECK(parts.port >= 1 && parts.port <= 65535);
    FUZZ_CHECK(url.find(path.substr(1)) != std::string::npos);

    // Written out and split again, the same address (where the host holds nothing that would
    // read as a user or a port, and was not cut).
    fuzz::Area written(2 * kTargetPartSize + 32);
    FUZZ_CHECK(FormatUrl(parts, written.get(), written.size()));
    if (host.find_first_of("@:") == std::string::npos) {
        UrlParts again;
        FUZZ_CHECK(SplitUrl(written.get(), again) == UrlCheck::kOk);
        FUZZ_CHECK(host == again.host && parts.port == again.port && path == again.path);
    }

    fuzz::Area request(kRequestSize);
    FUZZ_CHECK(FormatRequest(parts.host, parts.path, parts.port, http11, request.get(),
                             request.size()));
    const std::string sent = request.TextIn();
    const size_t lineEnd = sent.find("\r\n");
    FUZZ_CHECK(lineEnd != std::string::npos);
    const std::string line = sent.substr(0, lineEnd);
    FUZZ_CHECK(line.find_first_of(std::string("\r\n\t\0", 4)) == std::string::npos);
    FUZZ_CHECK(std::count(line.begin(), line.end(), ' ') == 2);
    FUZZ_CHECK(fuzz::StartsWith(line, "GET /"));
    FUZZ_CHECK(sent.find("\r\nHost: " + host + ":" + std::to_string(parts.port) + "\r\n") ==
               lineEnd);
    return 0;
}
