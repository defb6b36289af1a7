// LZ4 block decoding: sequences of a token (literal count, match length), the literals, and a
// match given as a distance back into what was decoded, the last sequence literals only.
#include "favorites/MozLz4.h"

#include <cstring>

namespace {

constexpr unsigned char kMagic[8] = {'m', 'o', 'z', 'L', 'z', '4', '0', '\0'};
constexpr size_t kMinMatch = 4;
// The format's end conditions (the last match starts 12 bytes before the end, the last 5 bytes
// are literals) are not asked for: LZ4's own decoder, which Firefox reads its backups with,
// keeps them in terms of its input, not of what it writes, and reads blocks that break them as
// stated. A block read here needs only to stay inside both areas and fill the output exactly.

// A length of the token's four bits, continued by bytes of 255 while it is 15. False when the
// input ends first or the length would pass limit (no length beyond it can be right).
bool ReadLength(const unsigned char*& p, const unsigned char* end, size_t start, size_t limit,
                size_t* length) {
    size_t value = start;
    if (start == 15) {
        unsigned char byte;
        do {
            if (p == end) {
                return false;
            }
            byte = *p++;
            value += byte;
            if (value > limit) {
                return false;
            }
        } while (byte == 255);
    }
    *length = value;
    return true;
}

} // namespace

bool ReadMozLz4Header(const unsigned char* data, size_t size, uint32_t* decoded) {
    if (size < kMozLz4HeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        return false;
    }
    *decoded = static_cast<uint32_t>(data[8]) | static_cast<uint32_t>(data[9]) << 8 |
               static_cast<uint32_t>(data[10]) << 16 | static_cast<uint32_t>(data[11]) << 24;
    return true;
}

bool DecodeLz4Block(const unsigned char* in, size_t inSize, unsigned char* out, size_t outSize) {
    if (inSize == 0) {
        return false; // not even the last token
    }
    const unsigned char* p = in;
    const unsigned char* const end = in + inSize;
    size_t written = 0;
    while (p < end) {
        const unsigned char token = *p++;
        size_t literals;
        if (!ReadLength(p, end, token >> 4, outSize, &literals) ||
            literals > static_cast<size_t>(end - p) || literals > outSize - written) {
            return false;
        }
        std::memcpy(out + written, p, literals);
        p += literals;
        written += literals;
        if (p == end) {
            break; // the last sequence: literals only
        }
        if (end - p < 2) {
            return false;
        }
        const size_t distance = static_cast<size_t>(p[0]) | static_cast<size_t>(p[1]) << 8;
        p += 2;
        size_t match;
        if (distance == 0 || distance > written ||
            !ReadLength(p, end, token & 0x0F, outSize, &match)) {
            return false;
        }
        match += kMinMatch;
        if (match > outSize - written) {
            return false;
        }
        // Byte by byte: a match may overlap what it writes (a run of one byte repeated).
        const unsigned char* from = out + written - distance;
        for (size_t i = 0; i < match; ++i) {
            out[written + i] = from[i];
        }
        written += match;
    }
    return written == outSize;
}
