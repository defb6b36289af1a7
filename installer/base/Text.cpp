// Text routines of the installer: double-byte aware searches and bounded copies.
#include "base/Text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

bool IsLeadByte(const char* p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

size_t CharLength(const char* p) {
    return (IsLeadByte(p) && p[1] != '\0') ? 2 : 1;
}

const char* NumberKey(int n) {
    static char key[16];
    std::snprintf(key, sizeof key, "%d", n);
    return key;
}

const char* FindCharDbcs(const char* text, char c) {
    for (const char* p = text; *p; p += CharLength(p)) {
        if (*p == c) {
            return p;
        }
    }
    return nullptr;
}

char* FindCharDbcs(char* text, char c) {
    return const_cast<char*>(FindCharDbcs(static_cast<const char*>(text), c));
}

const char* FindLastCharDbcs(const char* text, char c, const char* end) {
    const char* found = nullptr;
    for (const char* p = text; *p && (!end || p < end); p += CharLength(p)) {
        if (*p == c) {
            found = p;
        }
    }
    return found;
}

char* FindLastCharDbcs(char* text, char c, char* end) {
    return const_cast<char*>(FindLastCharDbcs(static_cast<const char*>(text), c, end));
}

bool IsMidCharacter(const char* text, size_t offset) {
    size_t position = 0;
    while (position < offset && text[position]) {
        position += CharLength(text + position);
    }
    return position != offset;
}

bool AddTrailingBackslash(char* path, size_t size) {
    const size_t length = std::strlen(path);
    if (length > 0 && path[length - 1] == '\\' && !IsMidCharacter(path, length - 1)) {
        return true;
    }
    if (length + 2 > size) {
        return false;
    }
    path[length] = '\\';
    path[length + 1] = '\0';
    return true;
}

void RemoveTrailingBackslash(char* path) {
    const size_t length = std::strlen(path);
    if (length > 0 && path[length - 1] == '\\' && !IsMidCharacter(path, length - 1)) {
        path[length - 1] = '\0';
    }
}

// Ends a cut text on a character boundary: a lead byte whose trail byte was cut off goes too.
static void TrimSplitCharacter(char* text, size_t cutAt) {
    size_t i = 0;
    while (i < cutAt) {
        const size_t step = IsLeadByte(text + i) ? 2 : 1;
        if (i + step > cutAt) {
            break;
        }
        i += step;
    }
    text[i] = '\0';
}

bool CopyTextPart(char* dest, size_t size, const char* src, size_t length) {
    if (size == 0) {
        return false;
    }
    length = strnlen(src, length);
    if (length < size) {
        std::memmove(dest, src, length);
        dest[length] = '\0';
        return true;
    }
    std::memmove(dest, src, size - 1);
    TrimSplitCharacter(dest, size - 1);
    return false;
}

bool CopyText(char* dest, size_t size, const char* src) {
    return CopyTextPart(dest, size, src, std::strlen(src));
}

bool AppendText(char* dest, size_t size, const char* src) {
    const size_t used = std::strlen(dest);
    if (used >= size) {
        return false;
    }
    return CopyText(dest + used, size - used, src);
}

bool FormatTextV(char* dest, size_t size, const char* format, va_list args) {
    if (size == 0) {
        return false;
    }
    const int needed = std::vsnprintf(dest, size, format, args);
    if (needed < 0) {
        dest[0] = '\0';
        return false;
    }
    if (static_cast<size_t>(needed) < size) {
        return true;
    }
    TrimSplitCharacter(dest, size - 1);
    return false;
}

bool FormatText(char* dest, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const bool whole = FormatTextV(dest, size, format, args);
    va_end(args);
    return whole;
}

bool IsWordIgnoringCase(const char* text, size_t length, const char* word) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    size_t i = 0;
    for (; i < length && word[i] != '\0'; ++i) {
        if (lower(text[i]) != lower(word[i])) {
            return false;
        }
    }
    return i == length && word[i] == '\0';
}
