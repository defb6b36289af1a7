// UTF-8 reading and writing by the rules of the Unicode standard (Table 3-7): every byte either
// belongs to a well-formed sequence or to one replacement character.
#include "text/Utf8.h"

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

} // namespace

char32_t DecodeUtf8(const char* text, size_t length, size_t* used) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    *used = 1;
    const unsigned char lead = p[0];
    if (lead < 0x80) {
        return lead;
    }
    size_t count;
    char32_t c;
    // The range the second byte must lie in: it rules out overlong forms, surrogates and code
    // points beyond U+10FFFF at the earliest byte, so that the ill-formed part is maximal.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        count = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 3;
        c = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 4;
        c = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kReplacementCharacter; // a continuation byte, C0, C1 or F5 to FF
    }
    for (size_t i = 1; i < count; ++i) {
        if (i >= length) {
            return kReplacementCharacter;
        }
        const unsigned char byte = p[i];
        if (i == 1 ? (byte < low || byte > high) : !IsContinuation(byte)) {
            return kReplacementCharacter;
        }
        c = (c << 6) | (byte & 0x3F);
        *used = i + 1;
    }
    return c;
}

size_t EncodeUtf8(char32_t codePoint, char* out) {
    if (IsSurrogate(codePoint) || codePoint > 0x10FFFF) {
        codePoint = kReplacementCharacter;
    }
    auto* p = reinterpret_cast<unsigned char*>(out);
    if (codePoint < 0x80) {
        p[0] = static_cast<unsigned char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        p[0] = static_cast<unsigned char>(0xC0 | (codePoint >> 6));
        p[1] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        p[0] = static_cast<unsigned char>(0xE0 | (codePoint >> 12));
        p[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
        p[2] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    p[0] = static_cast<unsigned char>(0xF0 | (codePoint >> 18));
    p[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 12) & 0x3F));
    p[2] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
    p[3] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    return 4;
}

size_t Utf8ToUtf16(const char* text, size_t length, char16_t* out, size_t size, bool* whole) {
    size_t written = 0;
    size_t at = 0;
    *whole = true;
    while (at < length) {
        size_t used;
        const char32_t c = DecodeUtf8(text + at, length - at, &used);
        const size_t units = c >= 0x10000 ? 2 : 1;
        if (written + units > size) {
            *whole = false;
            break;
        }
        if (units == 2) {
            out[written++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[written++] = static_cast<char16_t>(c);
        }
        at += used;
    }
    return written;
}

size_t Utf16ToUtf8(const char16_t* text, size_t length, char* out, size_t size) {
    size_t written = 0;
    for (size_t i = 0; i < length; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        char bytes[4];
        const size_t n = EncodeUtf8(c, bytes);
        if (written + n > size) {
            break;
        }
        for (size_t k = 0; k < n; ++k) {
            out[written++] = bytes[k];
        }
    }
    return written;
}
