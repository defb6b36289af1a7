// The parsed head of an HTTP response: the status line, Content-Type and Content-Length of the
// first received block. Pure text work, no windows.h.
#pragma once

#include <cstdint>

constexpr int kHeadTextSize = 80;
constexpr int kHeadLineSize = 1024;

struct ResponseHead {
    char version[kHeadTextSize];     // the status line up to its first space
    char reason[kHeadTextSize];      // the status line after the code
    char contentType[kHeadTextSize]; // first Content-Type value, or empty
    int32_t statusCode;
    int32_t contentLength;
};

// Copies the LF-terminated line at pos into line (kHeadLineSize bytes) without its line end and
// returns the position after the LF; nullptr when no LF comes before the terminating zero.
const char* ReadHeadLine(const char* pos, char* line);

// Fills head from a zero-terminated block (each field only where the block says something about
// it; longer texts are cut to 79 bytes) and returns where the page text begins. Returns nullptr,
// leaving head untouched, when the block holds no line beginning with "http/" in any case.
const char* ParseResponseHead(const char* block, ResponseHead& head);
