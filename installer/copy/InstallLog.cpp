// The installation log's lines, written and read back.
#include "copy/InstallLog.h"

#include <cstring>

#include "base/Text.h"
#include "setupfile/PathRules.h"

namespace {

const char kLetters[] = {'F', 'D', 'L', 'G'};

bool KindOf(char letter, LogKind* kind) {
    for (size_t i = 0; i < sizeof kLetters; ++i) {
        if (kLetters[i] == letter) {
            *kind = static_cast<LogKind>(i);
            return true;
        }
    }
    return false;
}

// A full path on a drive, "D:\" followed by a confined path.
bool IsFullConfinedPath(const char* path) {
    const char drive = path[0];
    return ((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) && path[1] == ':' &&
           path[2] == '\\' && IsConfinedPath(path + 3);
}

} // namespace

bool FormatLogLine(char* line, size_t size, LogKind kind, const char* path) {
    if (path[0] == '\0' || std::strpbrk(path, "\r\n") != nullptr || size == 0) {
        return false;
    }
    const char letter[] = {kLetters[static_cast<int>(kind)], '\0'};
    if (!FormatText(line, size, "%s\t%s\r\n", letter, path)) {
        line[0] = '\0';
        return false;
    }
    return true;
}

std::vector<LogEntry> ReadLogLines(const char* data, size_t size, size_t* skipped) {
    std::vector<LogEntry> entries;
    *skipped = 0;
    size_t start = 0;
    while (start < size) {
        size_t end = start;
        while (end < size && data[end] != '\r' && data[end] != '\n') {
            ++end;
        }
        const size_t length = end - start;
        // An empty line (the LF of CR LF, or a blank one) is no entry and no damage.
        if (length > 0) {
            const char* line = data + start;
            LogKind kind = LogKind::kFile;
            char path[kPathSize];
            const bool formed = length >= 3 && length - 2 < sizeof path && line[1] == '\t' &&
                                KindOf(line[0], &kind) &&
                                std::memchr(line, '\0', length) == nullptr;
            bool followed = false;
            if (formed) {
                std::memcpy(path, line + 2, length - 2);
                path[length - 2] = '\0';
                const bool inside = kind == LogKind::kFile || kind == LogKind::kFolder;
                followed = inside ? IsConfinedPath(path) : IsFullConfinedPath(path);
            }
            if (followed) {
                entries.push_back(LogEntry{kind, path});
            } else {
                ++*skipped;
            }
        }
        start = end + 1;
    }
    return entries;
}
