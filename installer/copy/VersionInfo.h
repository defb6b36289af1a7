// The version resource of a program file, as GetFileVersionInfo hands it out, and the rules the
// installation follows with it: a file is never replaced by one of a lower version, and an older
// product is not installed over a newer one unasked. No windows.h: the bytes come from files
// outside the installer's control, and are fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A version a.b.c.d as the resource's fixed part holds it, a in the highest 16 bits, so that
// versions compare as numbers.
using VersionNumber = uint64_t;

// A text of the resource: UTF-16 (little-endian) in the 32-bit layout of the resource, code page
// bytes in the 16-bit one; without its terminator.
struct VersionText {
    bool wide = false;
    std::string bytes;
};

struct VersionResource {
    bool numbered = false; // the fixed part is there, whole and signed
    VersionNumber fileVersion = 0;
    VersionNumber productVersion = 0;
    VersionText companyName;
    VersionText productVersionText;
    VersionText fileVersionText;
};

// Reads a version resource of either layout. False when the bytes are none (no VS_VERSION_INFO
// at their start). Nothing beyond size, or beyond a block's own length, is read: a resource cut
// short gives what it holds whole, and a part that is cut is left out.
bool ParseVersionResource(const unsigned char* data, size_t size, VersionResource* resource);

// "a.b.c.d" into text (at least 24 bytes).
void FormatVersionNumber(VersionNumber version, char* text, size_t size);

// How an offered product stands to the one installed, by the version of each main program
// (nullptr: none installed, or one without a version resource).
enum class ProductVerdict {
    kFresh,   // nothing to compare with: a new installation, or a product without versions
    kUpgrade, // a higher version
    kRepair,  // the same version again
    kOlder,   // a lower version: refused unattended, asked about in the wizard
};
ProductVerdict CompareProduct(const VersionNumber* installed, const VersionNumber* offered);

// True when the file there stays: both files carry a version, and the one there is higher. A
// file without one is replaced as any other file.
bool KeepsHigherVersion(const VersionNumber* offered, const VersionNumber* there);
