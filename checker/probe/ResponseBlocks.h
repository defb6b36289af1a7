// What one response adds to the new copy, block by block as the probe receives it. Pure text
// work, no windows.h.
#pragma once

#include <cstddef>

#include "probe/ResponseHead.h"

class ResponseBlocks {
public:
    // The first block's head goes into head (the process-wide probeHead).
    explicit ResponseBlocks(ResponseHead& head) : head_(head) {}

    // Takes one received block of length bytes, zero-terminated after them, and returns its
    // page text: in the first block from where the head parser says (all of it when it holds
    // no status line), every later block whole.
    const char* Take(const char* block, size_t length);

    // contentLength of the head, for the progress text; 0 without a status line.
    unsigned KnownLength() const { return knownLength_; }

    // False when the response had a status line and came to an end before its page did: its
    // head never ended in a blank line (everything after the first block was head, not page),
    // or fewer bytes followed the head than its Content-Length gives (the connection ended in
    // the middle of the page: Wine reports a reset by the server as an orderly close).
    bool PageComplete() const { return !headFound_ || (headEnded_ && bodyBytes_ >= expectedBody_); }

private:
    ResponseHead& head_;
    bool firstTaken_ = false;
    bool headFound_ = false;
    bool headEnded_ = false;
    int lineEnd_ = 0; // 1 just after a line feed, 2 after a line feed and a carriage return
    unsigned knownLength_ = 0;
    unsigned long long expectedBody_ = 0; // a Content-Length above 0
    unsigned long long bodyBytes_ = 0;    // bytes after the blank line that ends the head
};
