// The probe's view of a response as it arrives: head parsed from the first block, page text of
// every block, and whether the head ever ended.
#include "probe/ResponseBlocks.h"

const char* ResponseBlocks::Take(const char* block, size_t length) {
    const char* page = block;
    if (!firstTaken_) {
        firstTaken_ = true;
        if (const char* text = ParseResponseHead(block, head_)) {
            page = text;
            headFound_ = true;
            knownLength_ = static_cast<unsigned>(head_.contentLength);
            if (head_.contentLength > 0) {
                expectedBody_ = static_cast<unsigned long long>(head_.contentLength);
            }
        }
    }
    // A blank line (LF LF or LF CR LF) may be split between two blocks.
    for (size_t i = 0; i < length; ++i) {
        if (headEnded_) {
            bodyBytes_ += length - i;
            break;
        }
        const char c = block[i];
        if (c == '\n') {
            headEnded_ = lineEnd_ != 0;
            lineEnd_ = 1;
        } else if (c == '\r' && lineEnd_ == 1) {
            lineEnd_ = 2;
        } else {
            lineEnd_ = 0;
        }
    }
    return page;
}
