// Firefox's bookmark backups as any bytes: the header is taken only when it is there, and the
// block is decoded into an area of exactly the announced size. Debian's LZ4 library reads the
// same block: what it reads, ours must read as well and give the same bytes. (LZ4's decoder
// takes a match at distance 0 as zeros, ours refuses it, so only there may ours fail alone;
// ours reads some blocks it refuses, those that break the format's end conditions.) The input
// compressed by that library must also come back whole through ours.
#include "favorites/MozLz4.h"

#include "FuzzCheck.h"

#include <lz4.h>

#include <vector>

namespace {

// The decoded size the reader accepts; the program bounds it before it makes room, too.
constexpr size_t kLargest = 1 << 20;

// True when a sequence of the block has a match at distance 0. Walks the tokens only; stops
// where the block goes wrong in any other way.
bool HasZeroDistance(const unsigned char* p, size_t size) {
    const unsigned char* const end = p + size;
    while (p < end) {
        const unsigned char token = *p++;
        size_t literals = token >> 4;
        for (unsigned char byte = 255; literals >= 15 && byte == 255; literals += byte) {
            if (p == end) {
                return false;
            }
            byte = *p++;
        }
        if (literals >= static_cast<size_t>(end - p) || end - p - literals < 2) {
            return false;
        }
        p += literals;
        if (p[0] == 0 && p[1] == 0) {
            return true;
        }
        p += 2;
        for (unsigned char byte = (token & 15) == 15 ? 255 : 0; byte == 255;) {
            if (p == end) {
                return false;
            }
            byte = *p++;
        }
    }
    return false;
}

void CheckBlock(const unsigned char* block, size_t size, size_t decoded) {
    fuzz::Area ours(decoded);
    auto* out = reinterpret_cast<unsigned char*>(ours.get());
    const bool read = DecodeLz4Block(block, size, out, decoded);
    if (decoded == 0) {
        // The last token alone, without literals (LZ4's decoder wants its match half zero too,
        // here only, where it means nothing).
        FUZZ_CHECK(read == (size == 1 && block[0] >> 4 == 0));
        return;
    }
    std::vector<char> theirs(decoded ? decoded : 1);
    const int got = LZ4_decompress_safe(reinterpret_cast<const char*>(block), theirs.data(),
                                        static_cast<int>(size), static_cast<int>(decoded));
    const bool theyRead = got >= 0 && static_cast<size_t>(got) == decoded;
    // Whatever LZ4's own decoder (Firefox's) reads, ours reads the same, but for a distance of
    // 0, which it fills with zeros; ours may read more (the end conditions, which it keeps by
    // its input), inside its area.
    if (theyRead && read) {
        FUZZ_CHECK(std::memcmp(out, theirs.data(), decoded) == 0);
    } else if (theyRead) {
        FUZZ_CHECK(HasZeroDistance(block, size));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t announced = 0;
    const bool header = ReadMozLz4Header(data, size, &announced);
    FUZZ_CHECK(header == (size >= kMozLz4HeaderSize && std::memcmp(data, "mozLz40", 8) == 0));
    if (header) {
        FUZZ_CHECK(announced == (data[8] | data[9] << 8 | data[10] << 16 |
                                 static_cast<uint32_t>(data[11]) << 24));
        const unsigned char* block = data + kMozLz4HeaderSize;
        const size_t blockSize = size - kMozLz4HeaderSize;
        if (announced <= kLargest) {
            CheckBlock(block, blockSize, announced);
        }
        // Also at the size LZ4's decoder finds, so that blocks of any size are compared whole.
        static std::vector<char> room(kLargest);
        const int found = LZ4_decompress_safe(reinterpret_cast<const char*>(block), room.data(),
                                              static_cast<int>(blockSize), kLargest);
        if (found >= 0 && static_cast<uint32_t>(found) != announced) {
            CheckBlock(block, blockSize, static_cast<size_t>(found));
        }
    }

    // What LZ4 itself writes, Firefox's files among them, comes back as it was.
    std::vector<char> packed(LZ4_compressBound(static_cast<int>(size)) + 1);
    const int packedSize =
        LZ4_compress_default(reinterpret_cast<const char*>(data), packed.data(),
                             static_cast<int>(size), static_cast<int>(packed.size()));
    FUZZ_CHECK(packedSize > 0);
    fuzz::Area back(size);
    FUZZ_CHECK(DecodeLz4Block(reinterpret_cast<const unsigned char*>(packed.data()),
                              static_cast<size_t>(packedSize),
                              reinterpret_cast<unsigned char*>(back.get()), size));
    FUZZ_CHECK(std::memcmp(back.get(), data, size) == 0);
    return 0;
}
