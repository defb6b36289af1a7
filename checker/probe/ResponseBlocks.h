// What one response adds to the new copy, block by block as the probe receives it, and what its
// whole head says beyond the first block (where it moved to, whether it comes in chunks). Pure
// text work, no windows.h.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "probe/Chunks.h"
#include "probe/ResponseHead.h"

// The most of a head that is kept to be read (a Location of 8 KB fits); a longer head is still
// followed to its end, but what lies beyond this is not read.
constexpr size_t kHeadLimit = 16384;

class ResponseBlocks {
public:
    // The first block's head goes into head (the process-wide probeHead).
    explicit ResponseBlocks(ResponseHead& head) : head_(head) {}

    // Takes one received block of length bytes, zero-terminated after them, and returns its
    // page bytes, pageLength of them (zero bytes among them): whatever follows the head, in
    // whichever block the head ends; all of every block when the first held no status line;
    // and, for a body in chunks, the page bytes without the framing.
    const char* Take(const char* block, size_t length, size_t& pageLength);

    // contentLength of the head, for the progress text; 0 without a status line.
    unsigned KnownLength() const { return knownLength_; }
    // The first block held a status line.
    bool HeadFound() const { return headFound_; }
    // The blank line after the status line has come: the head is whole.
    bool HeadEnded() const { return headEnded_; }
    // The head has gone on past kHeadLimit without ending.
    bool HeadGivenUp() const { return !headEnded_ && headBytes_ > kHeadLimit; }
    // The Location header's value (blanks around it removed), empty when there was none.
    const std::string& Location() const { return location_; }
    // The head said Transfer-Encoding: chunked.
    bool Chunked() const { return chunked_; }
    // The first Content-Type header's value (blanks around it removed), empty when there was
    // none: what kind of page the body is, and its charset.
    const std::string& ContentType() const { return contentType_; }

    // False when the response had a status line and came to an end before its page did: its
    // head never ended in a blank line (everything after the first block was head, not page),
    // fewer bytes followed the head than its Content-Length gives, or its chunks stopped before
    // the last or broke their framing (the connection ended in the middle of the page: Wine
    // reports a reset by the server as an orderly close).
    bool PageComplete() const;

    // The page has come to its end before the connection has: its last chunk has come (or its
    // chunks broke their framing), or, where byLength, as many bytes as its Content-Length
    // gives. (An HTTP/1.1 server may keep the connection open after the page.)
    bool PageEnded(bool byLength) const;

private:
    void TakeHeadByte(char c);
    void TakeHeadLine();

    ResponseHead& head_;
    bool firstTaken_ = false;
    bool headFound_ = false;
    bool statusLineSeen_ = false; // the head's own lines come after it
    bool headEnded_ = false;
    bool chunked_ = false;
    unsigned knownLength_ = 0;
    unsigned long long expectedBody_ = 0; // a Content-Length above 0
    unsigned long long bodyBytes_ = 0;    // bytes after the blank line that ends the head
    std::string line_;                    // the head line being received, up to kHeadLimit
    size_t lineLength_ = 0;               // its length, whatever was kept of it
    size_t headBytes_ = 0;
    std::string location_;
    std::string contentType_;
    bool contentTypeSeen_ = false;
    ChunkDecoder chunks_;
    std::vector<char> decoded_;
};
