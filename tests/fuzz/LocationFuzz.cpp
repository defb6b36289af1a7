// A Location header resolved against the address that sent it, as the probe does for a page
// that moved for good: whatever the bytes, it never reads or writes past its areas, and a new
// address it gives is an http or https address with a host, a port from 1 to 65535 and a path
// that begins with "/" and holds no "." or ".." segment, within its area.
#include "probe/Target.h"

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const std::string baseUrl = input.Text();
    const std::string location = input.Text();
    UrlParts base;
    fuzz::Area baseText = fuzz::Copy(baseUrl);
    if (SplitUrl(baseText.get(), base) != UrlCheck::kOk) {
        SplitUrl("http://base.example:81/dir/page?q=1", base);
    }
    fuzz::Area locationText = fuzz::Copy(location);
    UrlParts next;
    if (ResolveLocation(base, locationText.get(), next) != UrlCheck::kOk) {
        return 0;
    }
    const std::string host = next.host;
    const std::string path = next.path;
    FUZZ_CHECK(!host.empty() && host.size() < kTargetPartSize);
    FUZZ_CHECK(next.port >= 1 && next.port <= 65535);
    FUZZ_CHECK(path.size() < kTargetPartSize && path[0] == '/');
    // Dot segments are gone from a relative or absolute path of the same host.
    const bool sameHost = location.find("//") == std::string::npos &&
                          location.find(':') == std::string::npos;
    if (sameHost) {
        FUZZ_CHECK(host == base.host && next.port == base.port && next.scheme == base.scheme);
        const std::string part = path.substr(0, path.find_first_of("?#"));
        for (size_t at = 0; at != std::string::npos;) {
            const size_t slash = part.find('/', at + 1);
            const std::string segment = part.substr(at + 1, slash == std::string::npos
                                                                  ? std::string::npos
                                                                  : slash - at - 1);
            FUZZ_CHECK(segment != "." && segment != "..");
            at = slash;
        }
    }
    fuzz::Area written(2 * kTargetPartSize + 32);
    FUZZ_CHECK(FormatUrl(next, written.get(), written.size()));
    return 0;
}
