// Favorites list, the two process-wide paths and the page-copy store's file routines.
#include <windows.h>

#include "favorites/FavoritesList.h"
#include "favorites/PageCompare.h"
#include "favorites/StoreNames.h"

#include "framework/Handles.h"
#include "text/TextRoutines.h"

#include <cstring>

char checkListPath[kListLineSize];
char userPrefix[kListLineSize];

bool IsFolder(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

constexpr size_t kUserNameSize = 256;
constexpr size_t kCompareBlock = 4096;

// True when a file can be made in folder. Tried for real, so that access rights, read-only
// media and Windows' VirtualStore (which takes a legacy program's writes below Program Files)
// answer exactly as they will for the copies.
bool FolderWritable(const char* folder) {
    char probe[kPathSize];
    if (!folder[0] || !JoinPath(probe, sizeof probe, folder, "~vexilo.tmp")) {
        return false;
    }
    KernelHandle file(CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file.IsOpen()) {
        return false;
    }
    file.Reset(); // closed before its deletion
    DeleteFileA(probe);
    return true;
}

using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
constexpr int kAppData = 0x001a;      // CSIDL_APPDATA
constexpr int kLocalAppData = 0x001c; // CSIDL_LOCAL_APPDATA
constexpr int kCreateFolder = 0x8000; // CSIDL_FLAG_CREATE

bool ShellFolderValue(const char* name, char* folder, size_t size) {
    RegKey key;
    return key.Open(HKEY_CURRENT_USER,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                    KEY_QUERY_VALUE) &&
           key.ReadText(name, folder, size) && folder[0];
}

} // namespace

bool UserDataFolder(bool local, bool create, char* folder, size_t size) {
    if (size < MAX_PATH) {
        return false;
    }
    folder[0] = '\0';
    // SHGetFolderPathA is looked up by name, since Windows 95 and NT 4.0 lack it; there the
    // per-user "Shell Folders" values say where the folder is, if anywhere.
    if (HMODULE shell = LoadLibraryA("shell32.dll")) {
        const auto get = reinterpret_cast<GetFolderPath>(
            reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFolderPathA")));
        const int which = (local ? kLocalAppData : kAppData) | (create ? kCreateFolder : 0);
        const bool found = get && SUCCEEDED(get(nullptr, which, nullptr, 0, folder)) && folder[0];
        FreeLibrary(shell);
        if (found) {
            return true;
        }
    }
    folder[0] = '\0';
    return (local && ShellFolderValue("Local AppData", folder, size)) ||
           ShellFolderValue("AppData", folder, size);
}

namespace {

// The user's local application data folder (not the roaming one: page copies are a cache that
// need not follow the user).
bool LocalAppDataFolder(char* folder, size_t size) {
    return UserDataFolder(true, true, folder, size);
}

} // namespace

bool ChooseUserPrefix(const char* modulePath, const char* userName, char* result, size_t size) {
    if (!BuildUserPrefix(modulePath, userName, result, size)) {
        return false;
    }
    // An earlier store stays in use where it can still take copies; a new one goes beside the
    // program where a file can be made there.
    char programFolder[kListLineSize];
    PathDirectory(modulePath, programFolder, sizeof programFolder);
    if (IsFolder(result) ? FolderWritable(result) : FolderWritable(programFolder)) {
        return true;
    }
    char appData[kListLineSize] = "";
    char dataPrefix[kListLineSize];
    if (!LocalAppDataFolder(appData, sizeof appData) ||
        !BuildDataPrefix(appData, userName, dataPrefix, sizeof dataPrefix)) {
        return true; // nowhere better: the copies fail as they would have before
    }
    return CopyText(result, size, dataPrefix);
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
        ChooseUserPrefix(modulePath, haveUser ? userName : nullptr, userPrefix, sizeof userPrefix);
    return listBuilt && prefixBuilt && tempFolder[0] && modulePath[0];
}

bool SameFileText(const char* firstPath, const char* secondPath) {
    // Compared as bytes: a page may hold zero bytes or Ctrl-Z, after which a comparison of
    // text-mode strings would stop looking and miss a change. Both copies are written the same
    // way, so equal bytes are equal pages.
    StdFile first(firstPath, "rb");
    if (!first.Get()) {
        return false;
    }
    StdFile second(secondPath, "rb");
    if (!second.Get()) {
        return false;
    }
    char firstBlock[kCompareBlock];
    char secondBlock[kCompareBlock];
    for (;;) {
        const size_t firstRead = std::fread(firstBlock, 1, sizeof firstBlock, first.Get());
        const size_t secondRead = std::fread(secondBlock, 1, sizeof secondBlock, second.Get());
        if (firstRead != secondRead || std::memcmp(firstBlock, secondBlock, firstRead) != 0) {
            return false;
        }
        if (firstRead < sizeof firstBlock) {
            // A read error is no proof of equality.
            return !std::ferror(first.Get()) && !std::ferror(second.Get());
        }
    }
}

CopyCompared CompareNewCopy(const char* newCopy, const char* contentType, std::string* note) {
    char storedPath[kPathSize];
    if (!StoredCopyPath(newCopy, storedPath, sizeof storedPath)) {
        return CopyCompared::kNotCompared;
    }
    if (!SamePage(storedPath, newCopy, contentType, note)) {
        return CopyCompared::kChanged;
    }
    return DeleteFileA(newCopy) ? CopyCompared::kUnchanged : CopyCompared::kNotCompared;
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
    const char* lastSeparator = folderPath + 2;
    for (const char* p = folderPath + 3; *p; p += CharLength(p)) {
        if (*p == '\\') {
            lastSeparator = p;
        }
    }
    char chain[kListLineSize];
    const size_t chainLength = static_cast<size_t>(lastSeparator - folderPath) + 1;
    std::memcpy(chain, folderPath, chainLength);
    chain[chainLength] = '\0';
    // Most favorites share their folder with the one before: one look instead of a creation
    // attempt at every level, each a trip through the file system.
    if (IsFolder(chain)) {
        return true;
    }
    char level[kListLineSize];
    for (const char* p = folderPath + 3; p <= lastSeparator; p += CharLength(p)) {
        if (*p != '\\') {
            continue;
        }
        const size_t levelLength = static_cast<size_t>(p - folderPath);
        std::memcpy(level, folderPath, levelLength);
        level[levelLength] = '\0';
        // An existing level fails here, as it should; whether the chain stands is checked below.
        CreateDirectoryA(level, nullptr);
    }
    return IsFolder(chain);
}
