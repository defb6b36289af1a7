// Text and path routines shared by the start-up, the favorites walk, the page-copy store, the
// response-head parser and the check run.
#include "text/TextRoutines.h"

#include <cstdio>
#include <cstring>

bool IsLeadByte(const char* p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

size_t CharLength(const char* p) {
    return (IsLeadByte(p) && p[1] != '\0') ? 2 : 1;
}

// Position of the last occurrence of c (a single-byte character) in [begin, end), or nullptr.
static const char* LastChar(const char* begin, const char* end, char c) {
    const char* found = nullptr;
    for (const char* p = begin; p < end && *p; p += CharLength(p)) {
        if (*p == c) {
            found = p;
        }
    }
    return found;
}

// Drops a lead byte left alone at the end of a text that was cut, so that no half character
// is shown and nothing later pairs the lead byte with a byte that does not belong to it.
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

// Copies [begin, end) into dest with the bound of CopyText.
static bool CopyRange(char* dest, size_t size, const char* begin, const char* end) {
    if (size == 0) {
        return false;
    }
    const size_t length = static_cast<size_t>(end - begin);
    if (length < size) {
        std::memcpy(dest, begin, length);
        dest[length] = '\0';
        return true;
    }
    std::memcpy(dest, begin, size - 1);
    TrimSplitCharacter(dest, size - 1);
    return false;
}

bool CopyText(char* dest, size_t size, const char* src) {
    return CopyRange(dest, size, src, src + std::strlen(src));
}

bool CopyTextPart(char* dest, size_t size, const char* src, size_t length) {
    return CopyRange(dest, size, src, src + strnlen(src, length));
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

void SplitPath(const char* path, PathParts& parts) {
    parts.drive[0] = parts.directory[0] = parts.baseName[0] = parts.extension[0] = '\0';
    if (path[0] == '\0') {
        return;
    }
    const char* end = path + std::strlen(path);
    const char* rest = path;
    if (path[1] == ':' && path[0] != '\\') {
        const char* firstSeparator = path;
        while (*firstSeparator && *firstSeparator != '\\') {
            firstSeparator += CharLength(firstSeparator);
        }
        CopyRange(parts.drive, sizeof parts.drive, path, firstSeparator);
        rest = firstSeparator;
    }
    const char* lastSeparator = LastChar(rest, end, '\\');
    const char* name = rest;
    if (lastSeparator) {
        name = lastSeparator + 1;
        CopyRange(parts.directory, sizeof parts.directory, rest, name);
    }
    const char* dot = LastChar(name, end, '.');
    if (dot) {
        CopyRange(parts.baseName, sizeof parts.baseName, name, dot);
        CopyRange(parts.extension, sizeof parts.extension, dot, end);
    } else {
        CopyRange(parts.baseName, sizeof parts.baseName, name, end);
    }
}

void PathDirectory(const char* path, char* result, size_t size) {
    PathParts parts;
    SplitPath(path, parts);
    if (CopyText(result, size, parts.drive)) {
        AppendText(result, size, parts.directory);
    }
}

void PathExtension(const char* path, char* result, size_t size) {
    PathParts parts;
    SplitPath(path, parts);
    CopyText(result, size, parts.extension);
}

void ChangeCase(char* text, int toLower) {
    for (char* p = text; *p; p += CharLength(p)) {
        if (IsLeadByte(p)) {
            continue;
        }
        if (toLower && *p >= 'A' && *p <= 'Z') {
            *p = static_cast<char>(*p + 0x20);
        } else if (!toLower && *p >= 'a' && *p <= 'z') {
            *p = static_cast<char>(*p - 0x20);
        }
    }
}
