// Giving a shortcut file its new address without ever leaving it half-written.
#include <windows.h>

#include "run/MovedShortcut.h"

#include "favorites/FavoritesList.h"
#include "favorites/ShortcutRewrite.h"
#include "framework/Handles.h"
#include "text/TextRoutines.h"

#include <cstring>

namespace {

// More than any shortcut holds: a larger file is not read whole.
constexpr DWORD kMostShortcutBytes = 4 * 1024 * 1024;

bool ReadWholeFile(const char* path, std::string& bytes) {
    KernelHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        return false;
    }
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > kMostShortcutBytes) {
        return false;
    }
    bytes.assign(size, '\0');
    DWORD got = 0;
    return size == 0 || (ReadFile(file.Get(), &bytes[0], size, &got, nullptr) && got == size);
}

// The file made anew with exactly bytes, flushed to disk; removed again when that fails.
bool WriteWholeFile(const char* path, const std::string& bytes) {
    bool written = false;
    {
        KernelHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsOpen()) {
            return false;
        }
        DWORD put = 0;
        written = (bytes.empty() || (WriteFile(file.Get(), bytes.data(),
                                               static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                                     put == bytes.size())) &&
                  FlushFileBuffers(file.Get());
    }
    if (!written) {
        DeleteFileA(path);
    }
    return written;
}

std::string ErrorText(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "ほかのプログラムが使用中です";
    case ERROR_ACCESS_DENIED:
        return "書き込みが許可されていません";
    default: {
        char text[64];
        FormatText(text, sizeof text, "書き込めませんでした（エラー %lu）",
                   static_cast<unsigned long>(error));
        return text;
    }
    }
}

} // namespace

bool KeptShortcutPath(const char* prefix, const char* storeName, char* result, size_t size) {
    constexpr char kCopyEnd[] = ".htm";
    const size_t length = std::strlen(storeName);
    const size_t nameLength = length - (sizeof kCopyEnd - 1);
    if (length < sizeof kCopyEnd - 1 || lstrcmpiA(storeName + nameLength, kCopyEnd) != 0 ||
        !CopyText(result, size, prefix) || std::strlen(result) + length >= kPathSize ||
        !CopyTextPart(result + std::strlen(result), size - std::strlen(result), storeName,
                      nameLength) ||
        !AppendText(result, size, ".url")) {
        if (size > 0) {
            result[0] = '\0';
        }
        return false;
    }
    return true;
}

bool UpdateShortcutFile(const char* file, const char* keptPath, const char* oldUrl,
                        const char* newUrl, std::string& why) {
    why.clear();
    // Windows refuses to replace a read-only file, but not every system that runs us does: the
    // attribute is the user's word, and it is kept.
    const DWORD attributes = GetFileAttributesA(file);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        why = "ファイルが見つかりません";
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        why = "ファイルではなくフォルダーになっています";
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        why = "読み取り専用のファイルです";
        return false;
    }
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) {
        why = "ファイルを読めません";
        return false;
    }
    std::string rewritten;
    const ShortcutRewrite outcome = RewriteShortcutUrl(bytes, oldUrl, newUrl, rewritten);
    if (outcome != ShortcutRewrite::kDone) {
        why = ShortcutRewriteText(outcome);
        return false;
    }
    // The old bytes first: without them the user could not undo the update.
    char keptFolder[kPathSize];
    PathDirectory(keptPath, keptFolder, sizeof keptFolder);
    CreateFolderChain(keptFolder);
    if (!keptPath[0] || !WriteWholeFile(keptPath, bytes)) {
        why = "元のファイルを保存できません";
        return false;
    }
    // The new file beside the shortcut, on the same drive, so that putting it in place is a
    // rename; its name ends in .tmp, which no walk lists.
    char folder[kPathSize];
    PathDirectory(file, folder, sizeof folder);
    char beside[MAX_PATH];
    if (!GetTempFileNameA(folder, "vex", 0, beside)) {
        why = ErrorText(GetLastError());
        return false;
    }
    if (!WriteWholeFile(beside, rewritten)) {
        why = ErrorText(GetLastError());
        DeleteFileA(beside);
        return false;
    }
    if (!ReplaceStoredCopy(beside, file)) {
        why = ErrorText(GetLastError());
        DeleteFileA(beside);
        return false;
    }
    const DWORD kept =
        attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesA(file, kept ? kept : FILE_ATTRIBUTE_NORMAL);
    return true;
}
