// Log lines are ANSI text in the list box; the file gets them byte for byte.
#include "ui/Log.h"

#include <cstdio>
#include <vector>

void AppendLog(HWND log, const char* line) {
    SendMessageA(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
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
