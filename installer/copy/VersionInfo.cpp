// Walking a version resource: blocks of a length, a key, a value and child blocks, each on a
// four-byte boundary of the resource.
#include "copy/VersionInfo.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
// dwSignature to dwProductVersionLS: the part of VS_FIXEDFILEINFO the installer reads.
constexpr size_t kFixedPartRead = 24;

// One block of the resource, by offsets into it.
struct Block {
    size_t end = 0;      // the block's end, never beyond its parent's
    std::string key;     // as stored: UTF-16 bytes or code page bytes, without the terminator
    size_t value = 0;    // where the value begins
    size_t valueEnd = 0; // where the children begin (the value's declared end, aligned)
};

class Reader {
public:
    Reader(const unsigned char* data, bool wide) : data_(data), wide_(wide) {}

    // Blocks begin on four-byte boundaries; a block's length leaves out the padding after it.
    static size_t Align(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

    // The block at at, within limit; false when its header or key do not fit there. Each block
    // ends after its header, so a walk from block to block always moves on.
    bool ReadBlock(size_t at, size_t limit, Block* block) const {
        const size_t header = wide_ ? 6 : 4;
        if (at + header > limit) {
            return false;
        }
        const size_t length = Word(at);
        const size_t valueLength = Word(at + 2);
        if (length < header) {
            return false;
        }
        block->end = at + length < limit ? at + length : limit;
        const size_t unit = wide_ ? 2 : 1;
        size_t p = at + header;
        block->key.clear();
        for (;; p += unit) {
            if (p + unit > block->end) {
                return false; // a key without its terminator
            }
            if (Unit(p) == 0) {
                break;
            }
            block->key.append(reinterpret_cast<const char*>(data_ + p), unit);
        }
        block->value = Align(p + unit);
        // A text's length counts characters in the 32-bit layout; binary values count bytes.
        const bool text = wide_ && Word(at + 4) == 1;
        const size_t valueEnd = Align(block->value + valueLength * (text ? 2 : 1));
        block->valueEnd = valueEnd < block->end ? valueEnd : block->end;
        return true;
    }

    // The text value of a block, up to its terminator or the block's end.
    VersionText Text(const Block& block) const {
        VersionText text;
        text.wide = wide_;
        const size_t unit = wide_ ? 2 : 1;
        for (size_t p = block.value; p + unit <= block.end && Unit(p) != 0; p += unit) {
            text.bytes.append(reinterpret_cast<const char*>(data_ + p), unit);
        }
        return text;
    }

    bool KeyIs(const Block& block, const char* name) const {
        const size_t unit = wide_ ? 2 : 1;
        const size_t length = std::strlen(name);
        if (block.key.size() != length * unit) {
            return false;
        }
        for (size_t i = 0; i < length; ++i) {
            if (block.key[i * unit] != name[i] || (wide_ && block.key[i * unit + 1] != 0)) {
                return false;
            }
        }
        return true;
    }

    uint32_t Dword(size_t at) const { return Word(at) | static_cast<uint32_t>(Word(at + 2)) << 16; }

private:
    size_t Word(size_t at) const { return data_[at] | static_cast<size_t>(data_[at + 1]) << 8; }
    size_t Unit(size_t at) const { return wide_ ? Word(at) : data_[at]; }

    const unsigned char* data_;
    bool wide_;
};

// The strings the installer reads, from the string tables below StringFileInfo: each from the
// first table that has it, of this StringFileInfo or an earlier one (found).
void ReadStrings(const Reader& reader, const Block& info, VersionResource* resource,
                 bool (&found)[3]) {
    const struct {
        const char* name;
        VersionText* text;
    } wanted[] = {{"CompanyName", &resource->companyName},
                  {"ProductVersion", &resource->productVersionText},
                  {"FileVersion", &resource->fileVersionText}};
    Block table;
    for (size_t at = info.valueEnd; reader.ReadBlock(at, info.end, &table);
         at = Reader::Align(table.end)) {
        Block entry;
        for (size_t p = table.valueEnd; reader.ReadBlock(p, table.end, &entry);
             p = Reader::Align(entry.end)) {
            for (size_t i = 0; i < 3; ++i) {
                if (!found[i] && reader.KeyIs(entry, wanted[i].name)) {
                    *wanted[i].text = reader.Text(entry);
                    found[i] = true;
                }
            }
        }
    }
}

} // namespace

bool ParseVersionResource(const unsigned char* data, size_t size, VersionResource* resource) {
    *resource = VersionResource();
    static const char kName[] = "VS_VERSION_INFO";
    const size_t nameLength = sizeof kName; // with its terminator
    bool wide = size >= 6 + 2 * nameLength;
    for (size_t i = 0; wide && i < nameLength; ++i) {
        wide = data[6 + 2 * i] == static_cast<unsigned char>(kName[i]) && data[7 + 2 * i] == 0;
    }
    const bool narrow =
        !wide && size >= 4 + nameLength && std::memcmp(data + 4, kName, nameLength) == 0;
    if (!wide && !narrow) {
        return false;
    }
    const Reader reader(data, wide);
    Block root;
    if (!reader.ReadBlock(0, size, &root)) {
        return false;
    }
    if (root.value + kFixedPartRead <= root.valueEnd &&
        reader.Dword(root.value) == kFixedSignature) {
        const auto number = [&](size_t at) {
            return static_cast<VersionNumber>(reader.Dword(at)) << 32 | reader.Dword(at + 4);
        };
        resource->numbered = true;
        resource->fileVersion = number(root.value + 8);
        resource->productVersion = number(root.value + 16);
    }
    Block child;
    bool found[3] = {false, false, false};
    for (size_t at = root.valueEnd; reader.ReadBlock(at, root.end, &child);
         at = Reader::Align(child.end)) {
        if (reader.KeyIs(child, "StringFileInfo")) {
            ReadStrings(reader, child, resource, found);
        }
    }
    return true;
}

void FormatVersionNumber(VersionNumber version, char* text, size_t size) {
    std::snprintf(text, size, "%u.%u.%u.%u", static_cast<unsigned>(version >> 48 & 0xFFFF),
                  static_cast<unsigned>(version >> 32 & 0xFFFF),
                  static_cast<unsigned>(version >> 16 & 0xFFFF),
                  static_cast<unsigned>(version & 0xFFFF));
}

ProductVerdict CompareProduct(const VersionNumber* installed, const VersionNumber* offered) {
    if (!installed || !offered) {
        return ProductVerdict::kFresh;
    }
    if (*offered > *installed) {
        return ProductVerdict::kUpgrade;
    }
    return *offered == *installed ? ProductVerdict::kRepair : ProductVerdict::kOlder;
}

bool KeepsHigherVersion(const VersionNumber* offered, const VersionNumber* there) {
    return offered && there && *there > *offered;
}
