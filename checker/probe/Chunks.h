// The body of a response sent in chunks (Transfer-Encoding: chunked), as a server answering
// HTTP/1.1 may send it: decoded block by block as it arrives, so that the page copy holds the
// page and never the chunk framing. Pure text work, no windows.h.
#pragma once

#include <cstddef>

class ChunkDecoder {
public:
    // Takes length bytes of the body and writes the page bytes among them to out (room for
    // length bytes); returns how many it wrote. Bytes after the last chunk are passed over.
    size_t Take(const char* in, size_t length, char* out);

    // The last chunk (size 0) and the blank line after its trailers have been read.
    bool Done() const { return state_ == State::kDone; }
    // The framing broke its rules: a size that is missing, not hexadecimal or beyond
    // kMaxChunkSize, or a chunk not followed by its line end. Nothing is taken after that.
    bool Failed() const { return state_ == State::kFailed; }

    static constexpr unsigned long kMaxChunkSize = 0x7FFFFFFFul;

private:
    enum class State { kSize, kExtension, kSizeLineFeed, kData, kDataEnd, kDataLineFeed, kTrailer,
                       kDone, kFailed };
    State state_ = State::kSize;
    bool sizeHasDigit_ = false;
    unsigned long remaining_ = 0;
    size_t trailerLength_ = 0;
};
