// The response-head parser as the probe feeds it: a response cut into blocks of at most 1024
// bytes at places the input chooses, the first block parsed into a head that holds an earlier
// probe's values. Each field must be what the head's lines say, cut to its 80 bytes on a
// character boundary, and a field the block says nothing about must keep its earlier value. The
// blocks then go through the probe's block reader: the page text of each (never a byte of the
// head), the known length, and whether the page came whole (the head ended, by the parser's own
// line rules, wherever its blank line was cut, and as many bytes followed it as the head's
// Content-Length gives).
#include "probe/ResponseBlocks.h"
#include "probe/ResponseHead.h"

#include "FuzzCheck.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr size_t kBlockSize = 1024;

// The block's complete lines, each without its line end (LF; a CR before it or two places
// before it cuts the line there too).
std::vector<std::string> Lines(const std::string& block) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t lf; (lf = block.find('\n', at)) != std::string::npos; at = lf + 1) {
        std::string line = block.substr(at, lf - at);
        if (line.size() >= 2 && line[line.size() - 2] == '\r') {
            line.resize(line.size() - 2);
        } else if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

bool StartsNoCase(const std::string& line, const char* lowerName) {
    const size_t length = std::strlen(lowerName);
    if (line.size() < length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(line[i])) != lowerName[i]) {
            return false;
        }
    }
    return true;
}

// What "%d" reads from text when it is a number of at most 9 digits: true with the value. False
// when text holds no number; unknown (neither checked) for a longer one.
enum class Number { kNone, kValue, kLong };
Number ReadNumber(const std::string& text, int32_t& value) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    size_t digits = 0;
    long long number = 0;
    while (at + digits < text.size() &&
           std::isdigit(static_cast<unsigned char>(text[at + digits]))) {
        number = number * 10 + (text[at + digits] - '0');
        if (++digits > 9) {
            return Number::kLong;
        }
    }
    if (digits == 0) {
        return Number::kNone;
    }
    value = static_cast<int32_t>(negative ? -number : number);
    return Number::kValue;
}

// A header's value: after the first run of blanks, or empty without a blank.
std::string HeaderValue(const std::string& line) {
    size_t blank = line.find(' ');
    if (blank == std::string::npos) {
        return "";
    }
    while (blank < line.size() && line[blank] == ' ') {
        ++blank;
    }
    return line.substr(blank);
}

enum class Found { kValue, kPageLine, kNone };
Found FindHeader(const std::vector<std::string>& lines, const char* name, std::string& value) {
    for (const std::string& line : lines) {
        if (StartsNoCase(line, name)) {
            value = HeaderValue(line);
            return Found::kValue;
        }
        if (!line.empty() && line[0] == '<') {
            return Found::kPageLine;
        }
    }
    return Found::kNone;
}

ResponseHead EarlierHead() {
    ResponseHead head;
    std::memset(&head, 0, sizeof head);
    std::strcpy(head.version, "earlier version");
    std::strcpy(head.reason, "earlier reason");
    std::strcpy(head.contentType, "earlier type");
    head.statusCode = 777;
    head.contentLength = 555;
    return head;
}

std::string Field(const char (&field)[kHeadTextSize]) {
    FUZZ_CHECK(std::memchr(field, 0, kHeadTextSize) != nullptr);
    return field;
}

void CheckFirstBlock(const std::string& received) {
    fuzz::Area block = fuzz::Copy(received);
    const std::string text = fuzz::AsCText(received);
    ResponseHead head = EarlierHead();
    const ResponseHead earlier = head;
    const char* page = ParseResponseHead(block.get(), head);

    const std::vector<std::string> lines = Lines(text);
    const std::string* status = nullptr;
    for (const std::string& line : lines) {
        if (StartsNoCase(line, "http/")) {
            status = &line;
            break;
        }
    }
    if (!status) {
        FUZZ_CHECK(page == nullptr);
        FUZZ_CHECK(std::memcmp(&head, &earlier, sizeof head) == 0);
        return;
    }
    FUZZ_CHECK(page != nullptr);
    const size_t less = text.find('<');
    FUZZ_CHECK(page == block.get() + (less == std::string::npos ? text.size() : less));

    const size_t first = status->find(' ');
    std::string version = *status;
    std::string reason;
    int32_t code = earlier.statusCode;
    bool codeKnown = true;
    if (first != std::string::npos) {
        version = status->substr(0, first);
        const size_t second = status->find(' ', first + 1);
        const std::string codeText = status->substr(
            first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
        codeKnown = ReadNumber(codeText, code) != Number::kLong;
        if (second != std::string::npos) {
            reason = status->substr(second + 1);
        }
    }
    FUZZ_CHECK(Field(head.version) == fuzz::Fitted(version, kHeadTextSize));
    FUZZ_CHECK(Field(head.reason) == fuzz::Fitted(reason, kHeadTextSize));
    FUZZ_CHECK(!codeKnown || head.statusCode == code);

    std::string value;
    switch (FindHeader(lines, "content-type:", value)) {
    case Found::kValue:
        FUZZ_CHECK(Field(head.contentType) == fuzz::Fitted(value, kHeadTextSize));
        break;
    case Found::kPageLine:
        FUZZ_CHECK(Field(head.contentType).empty());
        break;
    case Found::kNone:
        FUZZ_CHECK(Field(head.contentType) == earlier.contentType);
        break;
    }
    switch (FindHeader(lines, "content-length:", value)) {
    case Found::kValue: {
        int32_t length = earlier.contentLength;
        if (ReadNumber(value, length) != Number::kLong) {
            FUZZ_CHECK(head.contentLength == length);
        }
        break;
    }
    case Found::kPageLine:
        FUZZ_CHECK(head.contentLength == 0);
        break;
    case Found::kNone:
        FUZZ_CHECK(head.contentLength == earlier.contentLength);
        break;
    }
}

// Every line of any text comes back bounded, and the walk moves on past its line feed.
void CheckLineWalk(const std::string& received) {
    fuzz::Area text = fuzz::Copy(received);
    const std::string cText = fuzz::AsCText(received);
    fuzz::Area line(kHeadLineSize);
    const char* pos = text.get();
    while (const char* next = ReadHeadLine(pos, line.get())) {
        const size_t lf = cText.find('\n', static_cast<size_t>(pos - text.get()));
        FUZZ_CHECK(lf != std::string::npos);
        FUZZ_CHECK(next == text.get() + lf + 1);
        FUZZ_CHECK(line.TextIn().size() < kHeadLineSize);
        pos = next;
    }
}

// Where the head of a response with a status line ends: after the first line past the status
// line that is blank by the parser's own line rules (nothing, a CR, or a CR and one byte more
// before its LF); npos when none comes.
size_t HeadEnd(const std::string& stream) {
    bool statusSeen = false;
    for (size_t at = 0;;) {
        const size_t lf = stream.find('\n', at);
        if (lf == std::string::npos) {
            return lf;
        }
        std::string line = stream.substr(at, lf - at);
        if (line.size() >= 2 && line[line.size() - 2] == '\r') {
            line.resize(line.size() - 2);
        } else if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!statusSeen) {
            std::string start = line.substr(0, 5);
            std::transform(start.begin(), start.end(), start.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            statusSeen = start == "http/";
        } else if (line.empty()) {
            return lf + 1;
        }
        at = lf + 1;
    }
}

// The blocks as the probe takes them, each in a heap area of exactly its bytes and the zero
// byte the probe puts after them. A page in chunks is the chunk target's matter.
void CheckBlocks(const std::vector<std::string>& received) {
    ResponseHead head = EarlierHead();
    ResponseHead parsedAlone = EarlierHead();
    ResponseBlocks blocks(head);
    std::string stream;
    for (const std::string& block : received) {
        stream += block;
    }
    const size_t headEnd = HeadEnd(stream);
    bool statusFound = false;
    size_t blockStart = 0;
    for (size_t i = 0; i < received.size(); ++i) {
        const size_t length = received[i].size();
        fuzz::Area block = fuzz::Copy(received[i]);
        size_t pageLength = 0;
        const char* page = blocks.Take(block.get(), length, pageLength);
        // The body's start within this block: after the head, wherever it ends.
        const size_t bodyAt = headEnd == std::string::npos || headEnd >= blockStart + length
                                  ? length
                                  : headEnd > blockStart ? headEnd - blockStart : 0;
        if (i == 0) {
            fuzz::Area again = fuzz::Copy(received[i]);
            statusFound = ParseResponseHead(again.get(), parsedAlone) != nullptr;
        }
        // The page is the whole body, from the end of the head, whatever it holds.
        if (!blocks.Chunked()) {
            const size_t expected = statusFound ? bodyAt : 0;
            FUZZ_CHECK(page == block.get() + expected);
            FUZZ_CHECK(pageLength == length - expected);
        }
        blockStart += length;
    }
    // Only the first block is parsed.
    FUZZ_CHECK(std::memcmp(&head, &parsedAlone, sizeof head) == 0);
    FUZZ_CHECK(blocks.KnownLength() ==
               (statusFound ? static_cast<unsigned>(head.contentLength) : 0u));
    FUZZ_CHECK(blocks.HeadEnded() == (statusFound && headEnd != std::string::npos));
    if (!blocks.Chunked()) {
        const bool whole = headEnd != std::string::npos &&
                           (head.contentLength <= 0 ||
                            stream.size() - headEnd >= static_cast<size_t>(head.contentLength));
        FUZZ_CHECK(blocks.PageComplete() == (!statusFound || whole));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    // Where the network cuts the response: the first block's length, then the rest in blocks of
    // at most 1024 bytes.
    const size_t firstLength = 1 + ((input.Byte() << 8 | input.Byte()) % kBlockSize);
    const std::string response = input.Rest();
    std::vector<std::string> blocks{response.substr(0, firstLength)};
    for (size_t at = firstLength; at < response.size(); at += kBlockSize) {
        blocks.push_back(response.substr(at, kBlockSize));
    }
    CheckFirstBlock(blocks[0]);
    for (const std::string& block : blocks) {
        CheckLineWalk(block);
    }
    CheckLineWalk(response);
    CheckBlocks(blocks);
    return 0;
}
