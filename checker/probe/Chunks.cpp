// Chunked transfer coding, decoded as a stream: each state looks at one byte, so a chunk size,
// a line end or a chunk may be split anywhere between two blocks.
#include "probe/Chunks.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

size_t ChunkDecoder::Take(const char* in, size_t length, char* out) {
    size_t written = 0;
    size_t i = 0;
    while (i < length && state_ != State::kDone && state_ != State::kFailed) {
        const char c = in[i];
        switch (state_) {
        case State::kData: {
            size_t take = length - i;
            if (take > remaining_) {
                take = remaining_;
            }
            for (size_t k = 0; k < take; ++k) {
                out[written++] = in[i + k];
            }
            i += take;
            remaining_ -= static_cast<unsigned long>(take);
            if (remaining_ == 0) {
                state_ = State::kDataEnd;
            }
            continue;
        }
        case State::kSize: {
            const int digit = HexValue(c);
            if (digit >= 0) {
                if (remaining_ > (kMaxChunkSize - static_cast<unsigned long>(digit)) / 16) {
                    state_ = State::kFailed;
                    break;
                }
                remaining_ = remaining_ * 16 + static_cast<unsigned long>(digit);
                sizeHasDigit_ = true;
            } else if (!sizeHasDigit_) {
                state_ = State::kFailed;
            } else if (c == ';' || c == ' ' || c == '\t') {
                state_ = State::kExtension;
            } else if (c == '\r') {
                state_ = State::kSizeLineFeed;
            } else if (c == '\n') {
                sizeHasDigit_ = false;
                state_ = remaining_ == 0 ? State::kTrailer : State::kData;
            } else {
                state_ = State::kFailed;
            }
            break;
        }
        case State::kExtension:
            if (c == '\n') {
                sizeHasDigit_ = false;
                state_ = remaining_ == 0 ? State::kTrailer : State::kData;
            }
            break;
        case State::kSizeLineFeed:
            sizeHasDigit_ = false;
            state_ = c != '\n' ? State::kFailed : remaining_ == 0 ? State::kTrailer : State::kData;
            break;
        case State::kDataEnd:
            state_ = c == '\r' ? State::kDataLineFeed : c == '\n' ? State::kSize : State::kFailed;
            break;
        case State::kDataLineFeed:
            state_ = c == '\n' ? State::kSize : State::kFailed;
            break;
        case State::kTrailer:
            if (c == '\n') {
                if (trailerLength_ == 0) {
                    state_ = State::kDone;
                }
                trailerLength_ = 0;
            } else if (c != '\r') {
                ++trailerLength_;
            }
            break;
        case State::kDone:
        case State::kFailed:
            break;
        }
        ++i;
    }
    return written;
}
