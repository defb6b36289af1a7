// Appends one line to a log that several test peers may write at the same moment: the file is
// opened for appending only, and a start that finds it busy waits for it instead of losing its
// line. True when the line was written whole.
#pragma once

#include <windows.h>

#include <string>

inline bool AppendLine(const char* logPath, const std::string& line) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok =
                WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(log);
            return ok && written == line.size();
        }
        Sleep(10);
    }
    return false;
}
