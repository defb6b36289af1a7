// Deletion and replacement at the next start of Windows, by request or through WININIT.INI.
#include "base/RestartRenames.h"

#include <windows.h>

#include <cstring>

#include "base/Handles.h"
#include "base/Text.h"

namespace {

// The end-of-file mark that old editors leave as a file's last byte.
constexpr char kEndOfFileMark = 0x1A;

bool RequestAtRestart(const char* from, const char* to) {
    const DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT | (to ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExA(from, to, flags) != FALSE;
}

// The short (8.3) form of path, which WININIT.INI needs: it is carried out before the long names
// are known.
bool ShortPath(const char* path, char* brief, size_t size) {
    const DWORD length = GetShortPathNameA(path, brief, static_cast<DWORD>(size));
    return length > 0 && length < size;
}

bool WriteBytes(HANDLE file, const char* bytes, DWORD count) {
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

// Writes text at the end of the file, in place of a final end-of-file mark, and on a line of
// its own: appended to a last line without its line end, the section header would be lost in it.
bool AppendToFile(const char* path, const char* text, bool makeFile) {
    KernelHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  makeFile ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file.IsOpen()) {
        return false;
    }
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > 0x7FFFFFFF) {
        return false; // no WININIT.INI is that large
    }
    LONG end = static_cast<LONG>(size);
    // The file's last two bytes, fewer in a shorter file.
    char tail[2];
    DWORD got = 0;
    const LONG from = end >= 2 ? end - 2 : 0;
    SetFilePointer(file.Get(), from, nullptr, FILE_BEGIN);
    if (!ReadFile(file.Get(), tail, static_cast<DWORD>(end - from), &got, nullptr)) {
        return false;
    }
    if (got > 0 && tail[got - 1] == kEndOfFileMark) {
        --end;
        --got;
    }
    const bool lineEnded = got == 0 || tail[got - 1] == '\n';
    SetFilePointer(file.Get(), end, nullptr, FILE_BEGIN);
    if (!lineEnded && !WriteBytes(file.Get(), "\r\n", 2)) {
        return false;
    }
    return WriteBytes(file.Get(), text, static_cast<DWORD>(std::strlen(text))) &&
           SetEndOfFile(file.Get());
}

} // namespace

bool ComposeRenameSection(const char* lines, const char* key, const char* value, char* text,
                          size_t size) {
    if (!CopyText(text, size, "[Rename]\r\n")) {
        return false;
    }
    size_t length = std::strlen(text);
    for (const char* line = lines; *line; line += std::strlen(line) + 1) {
        if (!AppendText(text + length, size - length, line) ||
            !AppendText(text + length, size - length, "\r\n")) {
            return false;
        }
        length += std::strlen(text + length);
        if (length > kRenameTextMost) {
            return false;
        }
    }
    return AppendText(text + length, size - length, key) &&
           AppendText(text + length, size - length, "=") &&
           AppendText(text + length, size - length, value) &&
           AppendText(text + length, size - length, "\r\n");
}

namespace {

// The request, or WININIT.INI where the system has no request (the Windows 95 family).
bool MoveAtRestart(const char* from, const char* to) {
    char windows[kPathSize];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) {
        // Nothing to fall back on; the request alone may still work.
        return RequestAtRestart(from, to);
    }
    // The high bit of the packed version marks the Windows 95 family.
    const bool windows95 = (GetVersion() & 0x80000000) != 0;
    return MoveAtRestartWith(from, to, RequestAtRestart, windows, windows95);
}

} // namespace

void RemoveAtRestart(const char* path) {
    MoveAtRestart(path, nullptr);
}

bool ReplaceAtRestart(const char* staged, const char* target) {
    return MoveAtRestart(staged, target);
}

bool MoveAtRestartWith(const char* from, const char* target, RestartRequest request,
                       const char* windowsFolder, bool windows95) {
    if (request(from, target)) {
        return true; // the NT family
    }
    char wininit[kPathSize];
    char source[kPathSize];
    char destination[kPathSize] = "NUL"; // a deletion
    if (!CopyText(wininit, sizeof wininit, windowsFolder) ||
        !AddTrailingBackslash(wininit, sizeof wininit) ||
        !AppendText(wininit, sizeof wininit, "WININIT.INI") ||
        !ShortPath(from, source, sizeof source) ||
        (target && !ShortPath(target, destination, sizeof destination))) {
        return false;
    }

    // The section's lines as they stand: a key list with each key's value would give every
    // "NUL=" line the first one's value.
    static char lines[kRenameTextSize];
    static char text[kRenameTextSize];
    const DWORD read = GetPrivateProfileSectionA("Rename", lines, sizeof lines, wininit);
    if (read >= sizeof lines - 2) {
        return false; // cut short: far beyond the limit in any case
    }
    if (!ComposeRenameSection(lines, destination, source, text, sizeof text)) {
        return false;
    }
    // The section moves to the end of the file, where it is written whole.
    if (!WritePrivateProfileStringA("Rename", nullptr, nullptr, wininit)) {
        return false;
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, wininit);
    return AppendToFile(wininit, text, windows95) && windows95;
}
