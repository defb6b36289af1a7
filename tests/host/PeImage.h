// What the Windows loader looks at before a program's first line runs: the PE header's versions
// and the import tables. Read from the file's bytes, portable, so that it runs on the build
// machine itself; every offset is checked against the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pe {

struct Import {
    std::string dll;      // as the import table names it ("KERNEL32.dll")
    std::string function; // empty when imported by ordinal
    uint16_t ordinal = 0; // the ordinal, or the name's hint
};

struct Image {
    uint16_t machine = 0; // 0x14c i386, 0x8664 x86-64
    bool pe32plus = false;
    uint16_t subsystem = 0; // 2 windowed, 3 console
    uint16_t osMajor = 0, osMinor = 0;
    uint16_t subsystemMajor = 0, subsystemMinor = 0;
    std::vector<Import> imports;
    // The manifest that Windows XP and later read before the program starts (resource type 24,
    // id 1, whatever its language); empty when the program has none.
    std::string manifest;
};

// Reads the header, the import tables and the manifest. False, with the reason, for anything that is not a
// well-formed PE image; never reads outside `bytes`.
bool ReadImage(const std::vector<uint8_t>& bytes, Image& image, std::string& error);

// The whole file, or false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes);

} // namespace pe
