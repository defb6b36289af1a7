// A version resource read whatever its bytes: nothing beyond the input is read (AddressSanitizer),
// a 32-bit layout's texts are whole UTF-16 characters, and the input cut short anywhere gives no
// more than the whole: the same numbers where it still has them, each text a beginning of the
// whole one's.
#include "copy/VersionInfo.h"

#include "FuzzCheck.h"

namespace {

bool BeginsWith(const VersionText& whole, const VersionText& part) {
    return whole.bytes.compare(0, part.bytes.size(), part.bytes) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly sized, so that a read past the end is seen.
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size ? size : 1]);
    std::memcpy(copy.get(), data, size);
    VersionResource whole;
    const bool parsed = ParseVersionResource(copy.get(), size, &whole);
    FUZZ_CHECK(parsed || (!whole.numbered && whole.companyName.bytes.empty()));
    for (const VersionText* text :
         {&whole.companyName, &whole.productVersionText, &whole.fileVersionText}) {
        FUZZ_CHECK(text->bytes.size() <= size);
        FUZZ_CHECK(!text->wide || text->bytes.size() % 2 == 0);
    }
    const size_t cut = size > 0 ? data[0] % size : 0;
    std::unique_ptr<unsigned char[]> part(new unsigned char[cut ? cut : 1]);
    std::memcpy(part.get(), data, cut);
    VersionResource shorter;
    FUZZ_CHECK(!ParseVersionResource(part.get(), cut, &shorter) || parsed);
    FUZZ_CHECK(!shorter.numbered || (whole.numbered && shorter.fileVersion == whole.fileVersion &&
                                     shorter.productVersion == whole.productVersion));
    FUZZ_CHECK(BeginsWith(whole.companyName, shorter.companyName));
    FUZZ_CHECK(BeginsWith(whole.productVersionText, shorter.productVersionText));
    FUZZ_CHECK(BeginsWith(whole.fileVersionText, shorter.fileVersionText));
    return 0;
}
