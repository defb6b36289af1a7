// Names and relative paths from the setup file, checked before they are joined to a folder.
#include "setupfile/PathRules.h"

#include <cstring>
#include <initializer_list>

#include "base/Text.h"

namespace {

bool IsForbiddenByte(unsigned char c) {
    return c < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameLetters(const char* text, const char* word, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (Upper(text[i]) != word[i]) {
            return false;
        }
    }
    return true;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name a device in every folder, with any extension.
bool IsDeviceName(const char* name, size_t length) {
    const char* dot = static_cast<const char*>(std::memchr(name, '.', length));
    const size_t stem = dot ? static_cast<size_t>(dot - name) : length;
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
        if (stem == 3 && SameLetters(name, device, 3)) {
            return true;
        }
    }
    return stem == 4 && (SameLetters(name, "COM", 3) || SameLetters(name, "LPT", 3)) &&
           name[3] >= '1' && name[3] <= '9';
}

// The name from name up to end (or its terminator), as IsPlainName judges it.
bool IsPlainPart(const char* name, const char* end) {
    if (name == end || *name == '\0') {
        return false;
    }
    const char* last = name;
    const char* p = name;
    for (; p != end && *p; p += CharLength(p)) {
        if (CharLength(p) == 1 && IsForbiddenByte(static_cast<unsigned char>(*p))) {
            return false;
        }
        last = p;
    }
    if (CharLength(last) == 1 && (*last == '.' || *last == ' ')) {
        return false;
    }
    return !IsDeviceName(name, static_cast<size_t>(p - name));
}

} // namespace

bool IsPlainName(const char* name) {
    return IsPlainPart(name, nullptr);
}

bool IsConfinedPath(const char* path) {
    const char* start = path;
    for (;;) {
        const char* slash = FindCharDbcs(start, '\\');
        if (!IsPlainPart(start, slash)) {
            return false;
        }
        if (!slash) {
            return true;
        }
        start = slash + 1;
    }
}

bool IsConfinedFileEntry(const char* entry) {
    const char* comma = FindCharDbcs(entry, ',');
    if (!comma) {
        return IsConfinedPath(entry);
    }
    // The source is checked on its own: a copy of it that ends at the comma.
    char source[kPathSize];
    return CopyTextPart(source, sizeof source, entry, static_cast<size_t>(comma - entry)) &&
           IsConfinedPath(source) && IsConfinedPath(comma + 1);
}

bool IsSameOrAbove(const char* folder, const char* path) {
    const char* f = folder;
    const char* p = path;
    while (*f) {
        if (*p == '\0') {
            // path is folder without folder's trailing backslash
            return f[0] == '\\' && f[1] == '\0' && f != folder;
        }
        const size_t length = CharLength(f);
        if (length == 2) {
            if (f[0] != p[0] || f[1] != p[1]) {
                return false;
            }
        } else if (Upper(*f) != Upper(*p)) {
            return false;
        }
        f += length;
        p += length;
    }
    // folder has ended: path must end here as well, or go on below it, never from the middle of
    // one of its characters.
    const size_t at = static_cast<size_t>(p - path);
    if (f == folder || IsMidCharacter(path, at)) {
        return false;
    }
    if (*p == '\0') {
        return true;
    }
    return *p == '\\' ||
           (f[-1] == '\\' && !IsMidCharacter(folder, static_cast<size_t>(f - folder - 1)));
}
