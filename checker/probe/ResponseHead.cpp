// Response-head parser. Servers are outside input: every copy is bounded, nothing is trusted to
// be well formed, and a field is written only where the block says something about it.
#include "probe/ResponseHead.h"

#include "text/TextRoutines.h"

#include <cctype>
#include <climits>
#include <cstring>

const char* ReadHeadLine(const char* pos, char* line) {
    const char* end = pos;
    while (*end && *end != '\n') {
        ++end;
    }
    if (*end == '\0') {
        return nullptr;
    }
    size_t length = static_cast<size_t>(end - pos);
    // A CR right before the LF, or two places before it (CR CR LF, or CR and a stray byte),
    // ends the line there.
    if (length >= 2 && pos[length - 2] == '\r') {
        length -= 2;
    } else if (length >= 1 && pos[length - 1] == '\r') {
        length -= 1;
    }
    if (length > kHeadLineSize - 1) {
        length = kHeadLineSize - 1;
    }
    std::memcpy(line, pos, length);
    line[length] = '\0';
    return end + 1;
}

// True when the line, compared without regard to case, begins with prefix (lower case).
static bool StartsWithNoCase(const char* line, const char* prefix) {
    char lower[kHeadLineSize];
    CopyText(lower, sizeof lower, line);
    ChangeCase(lower, 1);
    return std::strncmp(lower, prefix, std::strlen(prefix)) == 0;
}

// Reads a decimal number as "%d" does (blanks, sign, digits); false when none begins the text.
// Values beyond the 32-bit range are held at its ends.
static bool ReadDecimal(const char* text, int32_t& value) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    if (!std::isdigit(static_cast<unsigned char>(*text))) {
        return false;
    }
    long long number = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
        if (number <= INT_MAX) {
            number = number * 10 + (*text - '0');
        }
    }
    if (negative) {
        number = -number;
    }
    value = static_cast<int32_t>(number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : number);
    return true;
}

// The value of a header line: what follows the first run of spaces, or empty.
static const char* HeaderValue(const char* line) {
    const char* space = std::strchr(line, ' ');
    if (!space) {
        return line + std::strlen(line);
    }
    while (*space == ' ') {
        ++space;
    }
    return space;
}

// Finds the first line that begins with name (lower case, colon included), stopping at a line
// that begins with "<". Returns the value, "" for such a "<" line (found set to false), or
// nullptr when the lines run out first.
static const char* FindHeader(const char* block, const char* name, char* line, bool& found) {
    found = false;
    for (const char* pos = ReadHeadLine(block, line); pos; pos = ReadHeadLine(pos, line)) {
        if (StartsWithNoCase(line, name)) {
            found = true;
            return HeaderValue(line);
        }
        if (line[0] == '<') {
            return "";
        }
    }
    return nullptr;
}

static void ParseStatusLine(const char* line, ResponseHead& head) {
    const char* firstSpace = std::strchr(line, ' ');
    if (!firstSpace) {
        CopyText(head.version, sizeof head.version, line);
        head.reason[0] = '\0';
        return;
    }
    const size_t versionLength = static_cast<size_t>(firstSpace - line);
    char version[kHeadLineSize];
    std::memcpy(version, line, versionLength);
    version[versionLength] = '\0';
    CopyText(head.version, sizeof head.version, version);

    const char* code = firstSpace + 1;
    const char* codeEnd = std::strchr(code, ' ');
    char codeText[kHeadLineSize];
    const size_t codeLength = codeEnd ? static_cast<size_t>(codeEnd - code) : std::strlen(code);
    std::memcpy(codeText, code, codeLength);
    codeText[codeLength] = '\0';
    int32_t status = 0;
    if (ReadDecimal(codeText, status)) {
        head.statusCode = status;
    }
    CopyText(head.reason, sizeof head.reason, codeEnd ? codeEnd + 1 : "");
}

const char* ParseResponseHead(const char* block, ResponseHead& head) {
    char line[kHeadLineSize];
    const char* pos = block;
    bool statusFound = false;
    while ((pos = ReadHeadLine(pos, line)) != nullptr) {
        if (StartsWithNoCase(line, "http/")) {
            statusFound = true;
            break;
        }
    }
    if (!statusFound) {
        return nullptr;
    }
    ParseStatusLine(line, head);

    bool found = false;
    if (const char* type = FindHeader(block, "content-type:", line, found)) {
        CopyText(head.contentType, sizeof head.contentType, type);
    }
    if (const char* length = FindHeader(block, "content-length:", line, found)) {
        if (!found) {
            head.contentLength = 0;
        } else {
            int32_t value = 0;
            if (ReadDecimal(length, value)) {
                head.contentLength = value;
            }
        }
    }
    const char* page = std::strchr(block, '<');
    return page ? page : block + std::strlen(block);
}
