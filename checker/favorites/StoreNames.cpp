// Store name, relative name and copy paths of one favorite.
#include "favorites/StoreNames.h"

#include "text/TextRoutines.h"

#include <cstring>

namespace {

constexpr char kShortcutExtension[] = ".url";
constexpr char kCopyExtension[] = ".htm";
constexpr size_t kExtensionLength = sizeof kShortcutExtension - 1;

} // namespace

bool BuildStoreNames(const char* root, const char* shortcutPath, const char* prefix,
                     StoreNames& names) {
    names.storeName[0] = names.relativeName[0] = names.newCopyPath[0] = names.copyFolder[0] = '\0';
    const size_t rootLength = std::strlen(root);
    if (rootLength == 0 || std::strncmp(shortcutPath, root, rootLength) != 0) {
        return false;
    }
    // The walk joined root and name with one separator unless the root (a drive root such as
    // D:\) already ended in one; the relative name starts after it either way.
    const char* relative = shortcutPath + rootLength;
    if (!EndsInSeparator(root)) {
        if (*relative != '\\') {
            return false; // D:\Favorites2\x.url is not below D:\Favorites
        }
        ++relative;
    }
    // The extension check steps by characters, so the four bytes cut below are ".url" itself.
    char extension[kNameSize];
    PathExtension(relative, extension, sizeof extension);
    ChangeCase(extension, 1);
    const size_t relativeLength = std::strlen(relative);
    if (std::strcmp(extension, kShortcutExtension) != 0 || relativeLength < kExtensionLength ||
        relativeLength >= sizeof names.relativeName) {
        return false;
    }
    std::memcpy(names.relativeName, relative, relativeLength + 1);

    // Exactly one separator between userPrefix and the shortcut's place, whatever the root.
    names.storeName[0] = '\\';
    const size_t baseLength = relativeLength - kExtensionLength;
    if (1 + baseLength + kExtensionLength >= sizeof names.storeName) {
        names.relativeName[0] = '\0';
        return false;
    }
    std::memcpy(names.storeName + 1, relative, baseLength);
    std::memcpy(names.storeName + 1 + baseLength, kCopyExtension, kExtensionLength + 1);

    if (!BuildCopyPaths(prefix, names.storeName, names.newCopyPath, names.copyFolder)) {
        names.storeName[0] = names.relativeName[0] = '\0';
        return false;
    }
    return true;
}

bool BuildCopyPaths(const char* prefix, const char* storeName, char* newCopyPath,
                    char* copyFolder) {
    const bool fits = storeName[0] && CopyText(newCopyPath, kPathSize, prefix) &&
                      AppendText(newCopyPath, kPathSize, storeName) &&
                      AppendText(newCopyPath, kPathSize, "_");
    if (!fits) {
        newCopyPath[0] = copyFolder[0] = '\0';
        return false;
    }
    PathDirectory(newCopyPath, copyFolder, kPathSize);
    return true;
}

bool StoredCopyPath(const char* newCopy, char* result, size_t size) {
    // The "_" must be a character of its own, not the trail byte of a double-byte one.
    const char* last = nullptr;
    for (const char* p = newCopy; *p; p += CharLength(p)) {
        last = p;
    }
    const size_t length = std::strlen(newCopy);
    if (size == 0 || length < 2 || !last || *last != '_' || length > size) {
        if (size) {
            result[0] = '\0';
        }
        return false;
    }
    std::memcpy(result, newCopy, length - 1);
    result[length - 1] = '\0';
    return true;
}
