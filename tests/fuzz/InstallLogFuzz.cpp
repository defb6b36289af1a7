// The installation log read back as the uninstallation reads it, whatever it holds: every entry
// it follows is a confined path (or a full path on a drive for links and groups), every other
// non-empty line is counted as skipped, and a line the installer writes reads back as written.
#include "base/Text.h"
#include "copy/InstallLog.h"
#include "setupfile/PathRules.h"

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly sized, so that a read past the end is seen.
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    std::memcpy(copy.get(), data, size);
    size_t skipped = 0;
    const std::vector<LogEntry> entries = ReadLogLines(copy.get(), size, &skipped);
    size_t lines = 0;
    for (size_t i = 0; i < size;) {
        size_t end = i;
        while (end < size && data[end] != '\r' && data[end] != '\n') {
            ++end;
        }
        lines += end > i ? 1 : 0;
        i = end + 1;
    }
    FUZZ_CHECK(entries.size() + skipped == lines);
    for (const LogEntry& entry : entries) {
        const char* path = entry.path.c_str();
        FUZZ_CHECK(entry.path.size() < kPathSize);
        if (entry.kind == LogKind::kFile || entry.kind == LogKind::kFolder) {
            FUZZ_CHECK(IsConfinedPath(path));
        } else {
            FUZZ_CHECK(path[1] == ':' && path[2] == '\\' && IsConfinedPath(path + 3));
        }
        // Written again, it reads back the same.
        char line[kPathSize + 8];
        FUZZ_CHECK(FormatLogLine(line, sizeof line, entry.kind, path));
        size_t again = 1;
        const std::vector<LogEntry> back = ReadLogLines(line, std::strlen(line), &again);
        FUZZ_CHECK(again == 0 && back.size() == 1 && back[0].kind == entry.kind &&
                   back[0].path == entry.path);
    }
    return 0;
}
