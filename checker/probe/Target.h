// The probe's target split into host and path, and the request text sent for it. Pure text
// work, no windows.h.
#pragma once

#include <cstddef>

constexpr int kTargetPartSize = 1024;

// Splits a target into host (up to the first '/') and path (from it; "/" when empty), each cut
// to kTargetPartSize - 1 bytes on a character boundary.
void SplitTarget(const char* target, char* host, char* path);

// Room for the request of the longest host and path: it is never cut, since a cut request would
// ask for another page.
constexpr size_t kRequestSize = 64 + 2 * kTargetPartSize + 12 + 16;

// The HTTP/1.0 request for path on host:port into request (kRequestSize bytes). False, with the
// request emptied, when it does not fit.
bool FormatRequest(const char* host, const char* path, int port, char* request, size_t size);
