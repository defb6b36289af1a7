// The pure part of the favorites list: path joins, the two process-wide paths' forms and the
// line reader. No windows.h, so that it is also built natively for the sanitizers and fuzzing.
#include "favorites/FavoritesList.h"

#include "text/TextRoutines.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr char kListName[] = "flist.tmp";
// Below the application data folder: maker and product, as the settings' registry key.
constexpr char kDataFolder[] = "Oskaveld\\Vexilo\\";

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

bool BuildDataPrefix(const char* appData, const char* userName, char* result, size_t size) {
    if (!appData[0] || !JoinPath(result, size, appData, kDataFolder)) {
        if (size) {
            result[0] = '\0';
        }
        return false;
    }
    if (userName && !AppendText(result, size, userName)) {
        result[0] = '\0';
        return false;
    }
    return true;
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

namespace {

// What the first line of an entry says of it.
constexpr char kShortcutFlag = 'F';
constexpr char kBookmarkFlag = 'B';
constexpr char kCutFlag = 'L';
constexpr size_t kListBufferSize = 64 * 1024;

bool HoldsLineEnd(const char* text) {
    return std::strpbrk(text, "\r\n") != nullptr;
}

} // namespace

bool WriteListEntry(FILE* list, const ListEntry& entry) {
    for (const char* field : {entry.file, entry.name, entry.storeName, entry.url}) {
        if (HoldsLineEnd(field)) {
            return false;
        }
    }
    const char flags[3] = {entry.file[0] ? kShortcutFlag : kBookmarkFlag,
                           entry.urlCut ? kCutFlag : '\0', '\0'};
    return std::fprintf(list, "%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n", flags, entry.file, entry.name,
                        entry.storeName, entry.url) >= 0;
}

FILE* CreateListFile(const char* path) {
    FILE* list = std::fopen(path, "wb");
    if (list) {
        std::setvbuf(list, nullptr, _IOFBF, kListBufferSize);
    }
    return list;
}

namespace {

// A field of up to kListLineSize - 1 bytes and its line feed: fgets needs room for both, or the
// line feed would come back as a line of its own.
bool ReadField(FILE* list, char* field) {
    char line[kListLineSize + 1];
    return ReadListLine(list, line, sizeof line) && CopyText(field, kListLineSize, line);
}

} // namespace

bool ReadListEntry(FILE* list, ListEntry& entry) {
    char flags[kListLineSize];
    const bool read = ReadField(list, flags) &&
                      (flags[0] == kShortcutFlag || flags[0] == kBookmarkFlag) &&
                      ReadField(list, entry.file) && ReadField(list, entry.name) &&
                      ReadField(list, entry.storeName) && ReadField(list, entry.url);
    entry.urlCut = read && flags[1] == kCutFlag;
    if (!read || (flags[0] == kBookmarkFlag) != (entry.file[0] == '\0')) {
        entry.file[0] = entry.name[0] = entry.storeName[0] = entry.url[0] = '\0';
        return false;
    }
    return true;
}
