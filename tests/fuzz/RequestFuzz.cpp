// A listed URL made into the probe's target, host and path, and the request sent for it. The
// host must be the target up to its first '/', the path the rest ("/" when there is none), each
// cut to its 1024-byte area on a character boundary, and the request must carry exactly them
// whatever the port: a cut request would ask for another page.
#include "favorites/FavoritesWalk.h"
#include "probe/Target.h"

#include "FuzzCheck.h"

namespace {

std::string Expected(const std::string& path, const std::string& host, int port) {
    return "GET " + path + " HTTP/1.0\r\nHost: " + host + ":" + std::to_string(port) +
           "\r\nUser-Agent: Vexilo User's\r\n\r\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    int32_t port = 0;
    for (int i = 0; i < 4; ++i) {
        port = static_cast<int32_t>(static_cast<uint32_t>(port) << 8 | input.Byte());
    }
    const std::string url = input.Text();

    // The driver's heap copy of the URL, scheme removed in place.
    fuzz::Area target = fuzz::Copy(url);
    FUZZ_CHECK(StripScheme(target.get()) == 80);
    const size_t slashes = url.find("//");
    const std::string stripped = slashes == std::string::npos ? url : url.substr(slashes + 2);
    FUZZ_CHECK(target.TextIn() == stripped);

    fuzz::Area host(kTargetPartSize);
    fuzz::Area path(kTargetPartSize);
    SplitTarget(target.get(), host.get(), path.get());
    const size_t slash = stripped.find('/');
    const std::string hostPart = stripped.substr(0, slash);
    const std::string pathPart = slash == std::string::npos ? "/" : stripped.substr(slash);
    FUZZ_CHECK(host.TextIn() == fuzz::Fitted(hostPart, kTargetPartSize));
    FUZZ_CHECK(path.TextIn() == fuzz::Fitted(pathPart, kTargetPartSize));
    FUZZ_CHECK(path.TextIn()[0] == '/');

    for (int tried : {80, static_cast<int>(port)}) {
        fuzz::Area request(kRequestSize);
        FUZZ_CHECK(FormatRequest(host.get(), path.get(), tried, request.get(), request.size()));
        FUZZ_CHECK(request.TextIn() == Expected(path.TextIn(), host.TextIn(), tried));
    }
    // A buffer too small for the request gets none, never the start of one.
    const size_t small = 1 + input.Byte();
    fuzz::Area tooSmall(small);
    if (!FormatRequest(host.get(), path.get(), 80, tooSmall.get(), small)) {
        FUZZ_CHECK(tooSmall.TextIn().empty());
    } else {
        FUZZ_CHECK(tooSmall.TextIn() == Expected(path.TextIn(), host.TextIn(), 80));
    }
    return 0;
}
