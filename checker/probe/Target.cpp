// Target splitting and the request text of one probe.
#include "probe/Target.h"

#include "text/TextRoutines.h"

#include <cstring>

namespace {

constexpr const char kAgent[] = "Vexilo User's";
constexpr const char kRequestFormat[] = "GET %s HTTP/1.0\r\nHost: %s:%d\r\nUser-Agent: %s\r\n\r\n";
static_assert(kRequestSize >= sizeof kRequestFormat + 2 * kTargetPartSize + 12 + sizeof kAgent,
              "the request buffer holds the longest host and path");

} // namespace

void SplitTarget(const char* target, char* host, char* path) {
    std::memset(host, 0, kTargetPartSize);
    std::memset(path, 0, kTargetPartSize);
    // A plain byte scan: in code page 932 no trail byte is a '/'.
    const char* slash = std::strchr(target, '/');
    const size_t hostLength = slash ? static_cast<size_t>(slash - target) : std::strlen(target);
    CopyTextPart(host, kTargetPartSize, target, hostLength);
    CopyText(path, kTargetPartSize, slash ? slash : "/");
}

bool FormatRequest(const char* host, const char* path, int port, char* request, size_t size) {
    if (!FormatText(request, size, kRequestFormat, path, host, port, kAgent)) {
        if (size) {
            request[0] = '\0';
        }
        return false;
    }
    return true;
}
