// PE header and import tables, read the way the loader reads them.
#include "PeImage.h"

#include <fstream>
#include <iterator>

namespace pe {
namespace {

// Little-endian reads that fail instead of leaving the buffer.
class Bytes {
public:
    explicit Bytes(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    bool Has(uint64_t offset, uint64_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    bool U16(uint64_t offset, uint16_t& value) const {
        if (!Has(offset, 2)) return false;
        value = static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
        return true;
    }
    bool U32(uint64_t offset, uint32_t& value) const {
        if (!Has(offset, 4)) return false;
        value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | bytes_[offset + i];
        return true;
    }
    bool U64(uint64_t offset, uint64_t& value) const {
        uint32_t low = 0, high = 0;
        if (!U32(offset, low) || !U32(offset + 4, high)) return false;
        value = uint64_t{high} << 32 | low;
        return true;
    }
    // A zero-terminated name of at most `limit` bytes, ending inside [offset, end).
    bool Name(uint64_t offset, uint64_t end, size_t limit, std::string& name) const {
        name.clear();
        for (uint64_t at = offset; at < end && at < bytes_.size(); ++at) {
            if (bytes_[at] == 0) return !name.empty();
            if (name.size() == limit) return false;
            name.push_back(static_cast<char>(bytes_[at]));
        }
        return false;
    }

private:
    const std::vector<uint8_t>& bytes_;
};

struct Section {
    uint32_t address = 0, virtualSize = 0, rawSize = 0, rawOffset = 0;
};

// The file offset of an address, and where its section's data ends in the file.
bool Locate(const std::vector<Section>& sections, uint32_t rva, uint64_t& offset, uint64_t& end) {
    for (const Section& s : sections) {
        if (rva >= s.address && rva - s.address < s.rawSize) {
            offset = uint64_t{s.rawOffset} + (rva - s.address);
            end = uint64_t{s.rawOffset} + s.rawSize;
            return true;
        }
    }
    return false;
}

constexpr size_t kNameLimit = 512;
constexpr int kDescriptorLimit = 4096;
constexpr int kThunkLimit = 65536;
constexpr uint32_t kManifestType = 24;
constexpr uint32_t kProcessManifest = 1;
constexpr uint32_t kSubdirectory = 0x80000000u;

// The entry of one resource directory level whose id is `id` (any entry when id is 0): its
// offset from the resource section's start, with the subdirectory bit. Offsets are checked
// against the section, so a loop of directories ends when the levels run out.
bool ResourceEntry(const Bytes& bytes, uint64_t base, uint64_t end, uint32_t directory, uint32_t id,
                   uint32_t& target) {
    uint16_t named = 0, numbered = 0;
    if (base + directory + 16 > end || !bytes.U16(base + directory + 12, named) ||
        !bytes.U16(base + directory + 14, numbered)) {
        return false;
    }
    for (uint32_t i = 0; i < uint32_t{named} + numbered; ++i) {
        const uint64_t at = base + directory + 16 + uint64_t{i} * 8;
        uint32_t name = 0;
        if (at + 8 > end || !bytes.U32(at, name) || !bytes.U32(at + 4, target))
            return false;
        if (id == 0 || name == id)
            return true;
    }
    return false;
}

// The process manifest: type 24, id 1, the first language. True without one.
bool ReadManifest(const Bytes& bytes, const std::vector<Section>& sections, uint32_t resourceRva,
                  const std::vector<uint8_t>& data, std::string& manifest, std::string& error) {
    uint64_t base = 0, end = 0;
    if (resourceRva == 0)
        return true;
    if (!Locate(sections, resourceRva, base, end)) {
        error = "resource table outside the sections";
        return false;
    }
    uint32_t names = 0, languages = 0, leaf = 0;
    if (!ResourceEntry(bytes, base, end, 0, kManifestType, names))
        return true;
    if (!(names & kSubdirectory) ||
        !ResourceEntry(bytes, base, end, names & ~kSubdirectory, kProcessManifest, languages)) {
        return true;
    }
    uint32_t dataRva = 0, size = 0;
    uint64_t at = 0, dataEnd = 0;
    if (!(languages & kSubdirectory) ||
        !ResourceEntry(bytes, base, end, languages & ~kSubdirectory, 0, leaf) ||
        (leaf & kSubdirectory) || base + leaf + 16 > end || !bytes.U32(base + leaf, dataRva) ||
        !bytes.U32(base + leaf + 4, size) || !Locate(sections, dataRva, at, dataEnd) ||
        size > dataEnd - at || !bytes.Has(at, size)) {
        error = "a manifest outside its section";
        return false;
    }
    manifest.assign(data.begin() + at, data.begin() + at + size);
    return true;
}

} // namespace

bool ReadImage(const std::vector<uint8_t>& data, Image& image, std::string& error) {
    image = Image{};
    const Bytes bytes(data);
    uint16_t mz = 0;
    uint32_t peOffset = 0, signature = 0;
    if (!bytes.U16(0, mz) || mz != 0x5A4D || !bytes.U32(0x3C, peOffset)) {
        error = "no MZ header";
        return false;
    }
    if (!bytes.U32(peOffset, signature) || signature != 0x4550) {
        error = "no PE signature";
        return false;
    }
    const uint64_t coff = uint64_t{peOffset} + 4;
    uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    if (!bytes.U16(coff, image.machine) || !bytes.U16(coff + 2, sectionCount) ||
        !bytes.U16(coff + 16, optionalSize)) {
        error = "short COFF header";
        return false;
    }
    const uint64_t optional = coff + 20;
    if (!bytes.U16(optional, magic) || (magic != 0x10B && magic != 0x20B)) {
        error = "unknown optional header";
        return false;
    }
    image.pe32plus = magic == 0x20B;
    const uint64_t directories = optional + (image.pe32plus ? 112 : 96);
    uint32_t directoryCount = 0, importRva = 0, resourceRva = 0;
    if (!bytes.U16(optional + 40, image.osMajor) || !bytes.U16(optional + 42, image.osMinor) ||
        !bytes.U16(optional + 48, image.subsystemMajor) ||
        !bytes.U16(optional + 50, image.subsystemMinor) ||
        !bytes.U16(optional + 68, image.subsystem) ||
        !bytes.U32(directories - 4, directoryCount) || directories > optional + optionalSize) {
        error = "short optional header";
        return false;
    }
    if (directoryCount < 2 || directories + 16 > optional + optionalSize) {
        return true; // no import directory: nothing is imported
    }
    if (!bytes.U32(directories + 8, importRva) ||
        (directoryCount >= 3 && directories + 24 <= optional + optionalSize &&
         !bytes.U32(directories + 16, resourceRva))) {
        error = "short data directories";
        return false;
    }

    std::vector<Section> sections;
    const uint64_t table = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        Section s;
        const uint64_t at = table + uint64_t{i} * 40;
        if (!bytes.U32(at + 8, s.virtualSize) || !bytes.U32(at + 12, s.address) ||
            !bytes.U32(at + 16, s.rawSize) || !bytes.U32(at + 20, s.rawOffset)) {
            error = "short section table";
            return false;
        }
        sections.push_back(s);
    }
    if (!ReadManifest(bytes, sections, resourceRva, data, image.manifest, error)) return false;
    if (importRva == 0) return true;

    uint64_t descriptor = 0, descriptorEnd = 0;
    if (!Locate(sections, importRva, descriptor, descriptorEnd)) {
        error = "import table outside the sections";
        return false;
    }
    const int thunkSize = image.pe32plus ? 8 : 4;
    const uint64_t ordinalFlag = image.pe32plus ? uint64_t{1} << 63 : uint64_t{1} << 31;
    for (int d = 0;; ++d, descriptor += 20) {
        uint32_t lookup = 0, nameRva = 0, firstThunk = 0;
        if (d == kDescriptorLimit || descriptor + 20 > descriptorEnd ||
            !bytes.U32(descriptor, lookup) || !bytes.U32(descriptor + 12, nameRva) ||
            !bytes.U32(descriptor + 16, firstThunk)) {
            error = "import table without its end";
            return false;
        }
        if (lookup == 0 && nameRva == 0 && firstThunk == 0) break;

        std::string dll;
        uint64_t at = 0, end = 0;
        if (!Locate(sections, nameRva, at, end) || !bytes.Name(at, end, kNameLimit, dll)) {
            error = "an imported DLL without a readable name";
            return false;
        }
        uint64_t thunk = 0, thunkEnd = 0;
        if (!Locate(sections, lookup != 0 ? lookup : firstThunk, thunk, thunkEnd)) {
            error = "the functions of " + dll + " lie outside the sections";
            return false;
        }
        for (int t = 0;; ++t, thunk += thunkSize) {
            uint64_t entry = 0;
            uint32_t entry32 = 0;
            const bool read = image.pe32plus ? bytes.U64(thunk, entry)
                                             : (bytes.U32(thunk, entry32) && (entry = entry32, true));
            if (t == kThunkLimit || thunk + thunkSize > thunkEnd || !read) {
                error = "the functions of " + dll + " without their end";
                return false;
            }
            if (entry == 0) break;
            Import import;
            import.dll = dll;
            if (entry & ordinalFlag) {
                import.ordinal = static_cast<uint16_t>(entry & 0xFFFF);
            } else if (entry > 0xFFFFFFFFu || !Locate(sections, static_cast<uint32_t>(entry), at, end) ||
                       !bytes.U16(at, import.ordinal) ||
                       !bytes.Name(at + 2, end, kNameLimit, import.function)) {
                error = "a function of " + dll + " without a readable name";
                return false;
            }
            image.imports.push_back(import);
        }
    }
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

} // namespace pe
