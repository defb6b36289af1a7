// The pure part of the favorites list: path joins, the two process-wide paths' forms and the
// line reader. No windows.h, so that it is also built natively for the sanitizers and fuzzing.
#include "favorites/FavoritesList.h"

#include "text/TextRoutines.h"

#include <cstring>

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
