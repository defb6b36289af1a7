// The probe's view of a response as it arrives: head parsed from the first block, the head's
// lines followed to their end across blocks, and the page text of every block.
#include "probe/ResponseBlocks.h"

#include "text/TextRoutines.h"

#include <cstring>

namespace {

// The text with A to Z lowered, double-byte characters left whole.
std::string Lowered(const std::string& text) {
    std::string lower = text;
    ChangeCase(&lower[0], 1);
    return lower;
}

// True when line begins with name (lower case, colon included) in any case; value then points
// after the colon and its blanks.
bool HeaderNamed(const std::string& line, const char* name, const char** value) {
    const size_t length = std::strlen(name);
    if (Lowered(line.substr(0, length)) != name) {
        return false;
    }
    const char* v = line.c_str() + length;
    while (*v == ' ' || *v == '\t') {
        ++v;
    }
    *value = v;
    return true;
}

// value without the blanks at its end.
std::string Trimmed(const char* value) {
    std::string text = value;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    return text;
}

} // namespace

// A head line ends at its LF. As for the head parser, a CR right before the LF or two places
// before it ends the line there, so a line of nothing, of a CR, or of a CR and one byte more is
// the blank line that ends the head (CR LF, LF, and CR CR LF alike).
void ResponseBlocks::TakeHeadByte(char c) {
    ++headBytes_;
    if (c != '\n') {
        if (line_.size() < kHeadLimit) {
            line_ += c;
        }
        ++lineLength_;
        return;
    }
    TakeHeadLine();
    line_.clear();
    lineLength_ = 0;
}

void ResponseBlocks::TakeHeadLine() {
    const bool whole = line_.size() == lineLength_; // else longer than kHeadLimit
    if (whole) {
        if (line_.size() >= 2 && line_[line_.size() - 2] == '\r') {
            line_.resize(line_.size() - 2);
        } else if (!line_.empty() && line_.back() == '\r') {
            line_.pop_back();
        }
    }
    if (!statusLineSeen_) {
        // Lines before the status line are passed over, as the head parser does.
        statusLineSeen_ = Lowered(line_.substr(0, 5)) == "http/";
        return;
    }
    if (!whole) {
        return; // a line longer than kHeadLimit says nothing that is read
    }
    if (line_.empty()) {
        headEnded_ = true;
        return;
    }
    const char* value = nullptr;
    if (HeaderNamed(line_, "location:", &value)) {
        if (location_.empty()) {
            location_ = Trimmed(value);
        }
    } else if (HeaderNamed(line_, "content-type:", &value)) {
        if (!contentTypeSeen_) {
            contentTypeSeen_ = true;
            contentType_ = Trimmed(value);
        }
    } else if (HeaderNamed(line_, "transfer-encoding:", &value)) {
        chunked_ = chunked_ || Lowered(value).find("chunked") != std::string::npos;
    }
}

const char* ResponseBlocks::Take(const char* block, size_t length, size_t& pageLength) {
    if (!firstTaken_) {
        firstTaken_ = true;
        if (ParseResponseHead(block, head_) != nullptr) {
            headFound_ = true;
            knownLength_ = static_cast<unsigned>(head_.contentLength);
            if (head_.contentLength > 0) {
                expectedBody_ = static_cast<unsigned long long>(head_.contentLength);
            }
        }
    }
    if (!headFound_) {
        pageLength = length; // no status line: all of it is page
        return block;
    }
    // Where this block's body begins: after the head, which may end in any block. The page is
    // the whole body, whatever its kind: a text file or an image has no "<" to begin with.
    size_t bodyStart = 0;
    if (!headEnded_) {
        size_t i = 0;
        for (; i < length && !headEnded_; ++i) {
            TakeHeadByte(block[i]);
        }
        bodyStart = headEnded_ ? i : length;
    }
    const size_t bodyLength = length - bodyStart;
    bodyBytes_ += bodyLength;
    const char* body = block + bodyStart;
    if (chunked_) {
        decoded_.resize(bodyLength + 1);
        pageLength = chunks_.Take(body, bodyLength, decoded_.data());
        decoded_[pageLength] = '\0';
        return decoded_.data();
    }
    pageLength = bodyLength;
    return body;
}

bool ResponseBlocks::PageComplete() const {
    if (!headFound_) {
        return true;
    }
    if (!headEnded_) {
        return false;
    }
    if (chunked_) {
        return chunks_.Done();
    }
    return bodyBytes_ >= expectedBody_;
}

bool ResponseBlocks::PageEnded(bool byLength) const {
    if (!headEnded_) {
        return false;
    }
    if (chunked_) {
        return chunks_.Done() || chunks_.Failed();
    }
    return byLength && expectedBody_ > 0 && bodyBytes_ >= expectedBody_;
}
