// Favorites list, the two process-wide paths and the page-copy store's file routines.
#include <windows.h>

#include "favorites/FavoritesList.h"

#include "text/TextRoutines.h"

#include <cstring>

char checkListPath[kListLineSize];
char userPrefix[kListLineSize];

namespace {

constexpr char kListName[] = "flist.tmp";
constexpr size_t kUserNameSize = 256;
constexpr size_t kCompareBlock = 4096;

// Closes the file on every path out of a routine.
class ScopedFile {
public:
    ScopedFile(const char* path, const char* mode) : file_(std::fopen(path, mode)) {}
    ~ScopedFile() {
        if (file_) {
            std::fclose(file_);
        }
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    FILE* get() const { return file_; }

private:
    FILE* file_;
};

bool IsFolder(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool EndsInSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = path; *p; p += CharLength(p)) {
        last = p;
    }
    return last && *last == '\\';
}

bool JoinPath(char* dest, size_t size, const char* folder, const char* name) {
    if (size == 0) {
        return false;
    }
    const bool whole = CopyText(dest, size, folder) &&
                       (EndsInSeparator(folder) || AppendText(dest, size, "\\")) &&
                       AppendText(dest, size, name);
    if (!whole) {
        dest[0] = '\0';
    }
    return whole;
}

bool BuildCheckListPath(const char* tempFolder, char* result, size_t size) {
    return JoinPath(result, size, tempFolder, kListName);
}

bool BuildUserPrefix(const char* modulePath, const char* userName, char* result, size_t size) {
    if (size == 0) {
        return false;
    }
    PathDirectory(modulePath, result, size);
    // Without a user name the store lies directly in the program's folder: still this
    // program's own place, never a name made of whatever a failed query left behind.
    if (userName && !AppendText(result, size, userName)) {
        result[0] = '\0';
        return false;
    }
    return true;
}

bool InitCheckerPaths() {
    char tempFolder[kListLineSize] = "";
    const DWORD tempLength = GetTempPathA(sizeof tempFolder, tempFolder);
    if (tempLength == 0 || tempLength >= sizeof tempFolder) {
        tempFolder[0] = '\0';
    }
    const bool listBuilt = BuildCheckListPath(tempFolder, checkListPath, sizeof checkListPath);

    char modulePath[kListLineSize] = "";
    const DWORD moduleLength = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    if (moduleLength == 0 || moduleLength >= sizeof modulePath) {
        modulePath[0] = '\0';
    }
    char userName[kUserNameSize] = "";
    DWORD userLength = sizeof userName;
    const bool haveUser = GetUserNameA(userName, &userLength) != FALSE;
    const bool prefixBuilt =
        BuildUserPrefix(modulePath, haveUser ? userName : nullptr, userPrefix, sizeof userPrefix);
    return listBuilt && prefixBuilt && tempFolder[0] && modulePath[0];
}

bool ReadListLine(FILE* file, char* buffer, int size) {
    if (size < 2) {
        // fgets could read nothing and still report success: the caller would loop for ever.
        if (size == 1) {
            buffer[0] = '\0';
        }
        return false;
    }
    if (!std::fgets(buffer, size, file)) {
        buffer[0] = '\0';
        return false;
    }
    size_t length = std::strlen(buffer);
    if (length >= 2 && buffer[length - 2] == '\r' && buffer[length - 1] == '\n') {
        length -= 2;
    } else if (length >= 1 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n')) {
        length -= 1;
    }
    buffer[length] = '\0';
    return true;
}

bool SameFileText(const char* firstPath, const char* secondPath) {
    // Compared as bytes: a page may hold zero bytes or Ctrl-Z, after which a comparison of
    // text-mode strings would stop looking and miss a change. Both copies are written the same
    // way, so equal bytes are equal pages.
    ScopedFile first(firstPath, "rb");
    if (!first.get()) {
        return false;
    }
    ScopedFile second(secondPath, "rb");
    if (!second.get()) {
        return false;
    }
    char firstBlock[kCompareBlock];
    char secondBlock[kCompareBlock];
    for (;;) {
        const size_t firstRead = std::fread(firstBlock, 1, sizeof firstBlock, first.get());
        const size_t secondRead = std::fread(secondBlock, 1, sizeof secondBlock, second.get());
        if (firstRead != secondRead || std::memcmp(firstBlock, secondBlock, firstRead) != 0) {
            return false;
        }
        if (firstRead < sizeof firstBlock) {
            // A read error is no proof of equality.
            return !std::ferror(first.get()) && !std::ferror(second.get());
        }
    }
}

namespace {

int MoveFileReplacing(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING);
}

} // namespace

bool ReplaceStoredCopy(const char* newCopy, const char* storedCopy) {
    return ReplaceStoredCopyWith(newCopy, storedCopy, MoveFileReplacing);
}

bool ReplaceStoredCopyWith(const char* newCopy, const char* storedCopy, MoveReplacing move) {
    if (move(newCopy, storedCopy)) {
        return true;
    }
    // Without a new copy to take its place, the stored copy must stay.
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED ||
        GetFileAttributesA(newCopy) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    DeleteFileA(storedCopy);
    return MoveFileA(newCopy, storedCopy) != FALSE;
}

bool CreateFolderChain(const char* folderPath) {
    const size_t length = std::strlen(folderPath);
    const unsigned char drive = static_cast<unsigned char>(folderPath[0]);
    const bool driveLetter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    if (length < 3 || !driveLetter || folderPath[1] != ':' || folderPath[2] != '\\' ||
        length >= kListLineSize) {
        return false;
    }
    char level[kListLineSize];
    const char* lastSeparator = folderPath + 2;
    for (const char* p = folderPath + 3; *p; p += CharLength(p)) {
        if (*p != '\\') {
            continue;
        }
        const size_t levelLength = static_cast<size_t>(p - folderPath);
        std::memcpy(level, folderPath, levelLength);
        level[levelLength] = '\0';
        // An existing level fails here, as it should; whether the chain stands is checked below.
        CreateDirectoryA(level, nullptr);
        lastSeparator = p;
    }
    const size_t chainLength = static_cast<size_t>(lastSeparator - folderPath) + 1;
    std::memcpy(level, folderPath, chainLength);
    level[chainLength] = '\0';
    return IsFolder(level);
}
