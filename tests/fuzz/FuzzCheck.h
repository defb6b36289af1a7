// What the fuzz targets share: a property check that aborts with its text (libFuzzer then keeps
// the input that broke it), fields taken from the input, exact-size heap texts so that
// AddressSanitizer sees a read or write one byte past an area, and a character walk of code
// page 932 stated here on its own, so that the checks do not lean on the routines they check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? static_cast<void>(0) : fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    std::abort();
}

// The input as fields: single bytes, and texts that end at the next zero byte (a C text cannot
// hold one anyway) or at the end of the input.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string Text(size_t limit = SIZE_MAX) {
        std::string text;
        while (at_ < size_ && data_[at_] != 0) {
            if (text.size() < limit) {
                text.push_back(static_cast<char>(data_[at_]));
            }
            ++at_;
        }
        if (at_ < size_) {
            ++at_; // the zero byte
        }
        return text;
    }
    // Everything not taken yet, zero bytes included.
    std::string Rest() {
        std::string rest(reinterpret_cast<const char*>(data_ + at_), size_ - at_);
        at_ = size_;
        return rest;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// A heap area of exactly size bytes.
class Area {
public:
    explicit Area(size_t size) : bytes_(new char[size ? size : 1]), size_(size) {
        std::memset(bytes_.get(), 'Z', size ? size : 1);
    }
    char* get() { return bytes_.get(); }
    size_t size() const { return size_; }
    // The text in the area; the check fails unless it is terminated inside the area.
    std::string TextIn() const {
        const void* end = std::memchr(bytes_.get(), 0, size_);
        FUZZ_CHECK(end != nullptr);
        return std::string(bytes_.get());
    }

private:
    std::unique_ptr<char[]> bytes_;
    size_t size_;
};

// A heap copy of text and its terminator, nothing more.
inline Area Copy(const std::string& text) {
    Area area(text.size() + 1);
    std::memcpy(area.get(), text.c_str(), text.size() + 1);
    return area;
}

inline bool IsLead(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Bytes of the character at offset: 2 for a lead byte with a byte after it, else 1.
inline size_t CharAt(const std::string& text, size_t offset) {
    return IsLead(text[offset]) && offset + 1 < text.size() ? 2 : 1;
}

// True when a character begins at offset (or offset is the end), walking from the start.
inline bool OnBoundary(const std::string& text, size_t offset) {
    size_t at = 0;
    while (at < offset && at < text.size()) {
        at += CharAt(text, at);
    }
    return at == offset;
}

// The longest start of text that fits into size bytes with its terminator without cutting a
// character: what a bounded copy must give.
inline std::string Fitted(const std::string& text, size_t size) {
    if (size == 0) {
        return "";
    }
    size_t at = 0;
    while (at < text.size() && at + CharAt(text, at) <= size - 1) {
        at += CharAt(text, at);
    }
    return text.substr(0, at);
}

// The first single-byte c, trail bytes never compared; npos when there is none.
inline size_t FindChar(const std::string& text, char c, size_t from = 0) {
    for (size_t at = from; at < text.size(); at += CharAt(text, at)) {
        if (text[at] == c) {
            return at;
        }
    }
    return std::string::npos;
}

// The last single-byte c before end, trail bytes never compared; npos when there is none.
inline size_t FindLastChar(const std::string& text, char c, size_t end = std::string::npos) {
    size_t found = std::string::npos;
    for (size_t at = 0; at < text.size() && at < end; at += CharAt(text, at)) {
        if (text[at] == c) {
            found = at;
        }
    }
    return found;
}

inline bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// The text up to its first zero byte, as a C routine sees it.
inline std::string AsCText(const std::string& bytes) {
    return std::string(bytes.c_str());
}

// The lines a list-line reader with a buffer of size bytes (size >= 2) must give for bytes:
// pieces of at most size - 1 bytes through the next line feed, as C texts, without CR LF or a
// last CR or LF.
inline std::vector<std::string> ListPieces(const std::string& bytes, size_t size) {
    std::vector<std::string> pieces;
    for (size_t at = 0; at < bytes.size();) {
        size_t end = at;
        while (end < bytes.size() && end - at < size - 1) {
            if (bytes[end++] == '\n') {
                break;
            }
        }
        std::string line = AsCText(bytes.substr(at, end - at));
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
            line.resize(line.size() - 2);
        } else if (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.pop_back();
        }
        pieces.push_back(line);
        at = end;
    }
    return pieces;
}

} // namespace fuzz
