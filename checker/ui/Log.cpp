// Log lines are ANSI text in the list box; the file gets them byte for byte.
#include "ui/Log.h"

#include "framework/Handles.h"
#include "text/AnsiText.h"

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

namespace {

using SendMessageWide = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using IsUnicodeWindow = BOOL(WINAPI*)(HWND);

// The Unicode SendMessage where the list box is a Unicode window (the version 6 common controls
// of Windows XP and later), else nothing. Looked up by name: Windows 95 has no Unicode windows.
SendMessageWide WideSender(HWND log) {
    const HMODULE user = GetModuleHandleA("user32.dll");
    if (!user) {
        return nullptr;
    }
    const auto isUnicode = reinterpret_cast<IsUnicodeWindow>(
        reinterpret_cast<void*>(GetProcAddress(user, "IsWindowUnicode")));
    if (!isUnicode || !isUnicode(log)) {
        return nullptr;
    }
    return reinterpret_cast<SendMessageWide>(
        reinterpret_cast<void*>(GetProcAddress(user, "SendMessageW")));
}

// One line of the log as ANSI bytes. A Unicode list box is read in Unicode and converted here:
// Wine's version 6 list box fails an ANSI read of a line longer than 512 characters.
bool ReadLogLine(HWND log, SendMessageWide wide, WPARAM index, std::vector<char>& line) {
    if (!wide) {
        const LRESULT length = SendMessageA(log, LB_GETTEXTLEN, index, 0);
        if (length < 0) {
            return false;
        }
        line.assign(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(log, LB_GETTEXT, index, reinterpret_cast<LPARAM>(line.data()));
        return true;
    }
    const LRESULT length = wide(log, LB_GETTEXTLEN, index, 0);
    if (length < 0) {
        return false;
    }
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    wide(log, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    const std::string ansi = WideToAnsi(text.data());
    line.assign(ansi.c_str(), ansi.c_str() + ansi.size() + 1);
    return true;
}

} // namespace

bool WriteLogFile(HWND log, const char* path) {
    StdFile file(path, "w");
    if (!file.Get()) {
        return false;
    }
    const SendMessageWide wide = WideSender(log);
    bool written = true;
    std::vector<char> line;
    // The count is asked for again before every line.
    for (LRESULT i = 0; written && i < SendMessageA(log, LB_GETCOUNT, 0, 0); ++i) {
        if (!ReadLogLine(log, wide, static_cast<WPARAM>(i), line)) {
            break;
        }
        written = std::fprintf(file.Get(), "%s\n", line.data()) >= 0;
    }
    return file.Close() && written;
}
