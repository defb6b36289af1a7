// The diagnostic log's file and lines.
#include "base/RunLog.h"

#include <windows.h>

#include <cstring>

namespace {

// A line holds a path or two and a system text; a longer one is cut, never inside a character.
constexpr size_t kLineSize = 3 * kPathSize + 512;
// How many numbered names OpenNew tries for one day.
constexpr int kMostNumbers = 999;

} // namespace

bool RunLog::Open(const char* path, ErrorText& error) {
    char full[kPathSize] = "";
    const DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    const bool named = length > 0 && length < sizeof full;
    // Windows refuses to write a read-only file; so must a run under Wine as root, which would
    // not be refused.
    const DWORD attributes = named ? GetFileAttributesA(full) : INVALID_FILE_ATTRIBUTES;
    const bool readOnly =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (named && !readOnly) {
        file_.Reset(CreateFileA(full, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    if (!file_.IsOpen() ||
        SetFilePointer(file_.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        error.code = readOnly ? ERROR_ACCESS_DENIED : GetLastError();
        file_.Reset();
        FormatText(error.text, sizeof error.text, "ログファイル %s を作成できません。", path);
        return false;
    }
    CopyText(path_, sizeof path_, full);
    return true;
}

bool RunLog::OpenNew(const char* folder, const char* stem, ErrorText& error) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char path[kPathSize];
    for (int number = 1; number <= kMostNumbers; ++number) {
        if (!FormatText(path, sizeof path, "%s%s %04u-%02u-%02u #%d.log", folder, stem, now.wYear,
                        now.wMonth, now.wDay, number)) {
            break;
        }
        // CREATE_NEW: a name another run took is passed over, never shared.
        file_.Reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file_.IsOpen()) {
            CopyText(path_, sizeof path_, path);
            return true;
        }
        error.code = GetLastError();
        if (error.code != ERROR_FILE_EXISTS && error.code != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    FormatText(error.text, sizeof error.text, "ログファイルを %s に作成できません。", folder);
    return false;
}

void RunLog::Note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteV(false, 0, format, args);
    va_end(args);
}

void RunLog::Failure(unsigned long code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteV(true, code, format, args);
    va_end(args);
}

void RunLog::WriteV(bool failed, unsigned long code, const char* format, va_list args) {
    if (!IsOpen()) {
        return;
    }
    char text[kLineSize];
    FormatTextV(text, sizeof text, format, args);
    Write(text, failed, code);
}

void RunLog::Write(const char* text, bool failed, unsigned long code) {
    char reason[512] = "";
    if (code != 0) {
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, reason, sizeof reason, nullptr);
        // The system's text ends in a line end of its own.
        size_t end = std::strlen(reason);
        while (end > 0 && (reason[end - 1] == '\r' || reason[end - 1] == '\n')) {
            reason[--end] = '\0';
        }
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    // Two bytes short of the buffer, so that the line end always follows a line cut short.
    char line[kLineSize + sizeof reason + 64];
    char detail[sizeof reason + 32] = "";
    if (code != 0) {
        FormatText(detail, sizeof detail, " (エラー %lu: %s)", code, reason);
    }
    FormatText(line, sizeof line - 2, "%04u-%02u-%02u %02u:%02u:%02u.%03u %s%s%s", now.wYear,
               now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
               failed ? "失敗: " : "", text, detail);
    AppendText(line, sizeof line, "\r\n");
    DWORD written = 0;
    WriteFile(file_.Get(), line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
}
