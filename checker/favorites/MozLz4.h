// Firefox's bookmarks backups (bookmarks-YYYY-MM-DD_<count>_<hash>.jsonlz4): the 8 bytes
// "mozLz40\0", the decoded size as 4 bytes little-endian, then one LZ4 block (no frame). The
// block format is one page; Debian ships no LZ4 that links into a Windows program, so this is
// ours, and it reads and writes nothing outside the areas it is given. Pure: no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kMozLz4HeaderSize = 12;

// True when data (size bytes) begins with the mozLz4 header; decoded is then the size it
// announces, which the caller bounds before it makes room for it.
bool ReadMozLz4Header(const unsigned char* data, size_t size, uint32_t* decoded);

// Decodes the LZ4 block in (inSize bytes, wholly) into out. True only when the block is well
// formed (no copy from before the start of out, nothing past either end, the format's end
// conditions kept) and fills exactly outSize bytes.
bool DecodeLz4Block(const unsigned char* in, size_t inSize, unsigned char* out, size_t outSize);
