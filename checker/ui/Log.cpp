// Log lines are ANSI text in the list box; the file gets them byte for byte.
#include "ui/Log.h"

#include <cstdio>
#include <cstring>
#include <vector>

void AppendLog(HWND log, const char* text) {
    // A list box shows a line break as a box: each line of the text is a line of the log.
    std::vector<char> line;
    for (const char* start = text;;) {
        const char* end = std::strchr(start, '\n');
        size_t length = end ? static_cast<size_t>(end - start) : std::strlen(start);
        if (length > 0 && start[length - 1] == '\r') {
            --length;
        }
        line.assign(start, start + length);
        line.push_back('\0');
        SendMessageA(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.data()));
        if (!end) {
            break;
        }
        start = end + 1;
    }
}

void ShowLastLogLine(HWND log) {
    const LRESULT count = SendMessageA(log, LB_GETCOUNT, 0, 0);
    SendMessageA(log, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
}

bool WriteLogFile(HWND log, const char* path) {
    FILE* file = std::fopen(path, "w");
    if (!file) {
        return false;
    }
    bool written = true;
    std::vector<char> line;
    // The count is asked for again before every line.
    for (LRESULT i = 0; written && i < SendMessageA(log, LB_GETCOUNT, 0, 0); ++i) {
        const LRESULT length = SendMessageA(log, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) {
            break;
        }
        line.assign(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(log, LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(line.data()));
        written = std::fprintf(file, "%s\n", line.data()) >= 0;
    }
    return std::fclose(file) == 0 && written;
}
