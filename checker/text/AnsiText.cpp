// Conversions through UTF-16, the system's own: MultiByteToWideChar and WideCharToMultiByte.
#include <windows.h>

#include "text/AnsiText.h"

#include "text/TextRoutines.h"
#include "text/Utf8.h"

#include <vector>

namespace {

// Units converted at once; a text's part longer than that is cut anyway.
constexpr size_t kUnits = 2048;

} // namespace

bool Utf8ToAnsi(const char* utf8, size_t length, char* out, size_t size) {
    if (size == 0) {
        return false;
    }
    // A character takes at least one unit and one byte: size units are enough for size - 1
    // bytes, and one more shows whether the text goes on.
    wchar_t wide[kUnits];
    const size_t units = size < kUnits ? size : kUnits;
    bool whole;
    size_t converted =
        Utf8ToUtf16(utf8, length, reinterpret_cast<char16_t*>(wide), units, &whole);
    // No ANSI code page has a character beyond the first 65,536 (an emoji): one replacement for
    // the pair, not one for each of its halves.
    size_t kept = 0;
    for (size_t i = 0; i < converted; ++i) {
        const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < converted;
        wide[kept++] = pair ? L'?' : wide[i];
        i += pair ? 1 : 0;
    }
    converted = kept;
    char ansi[2 * kUnits + 2];
    const int bytes = converted ? WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(converted),
                                                      ansi, sizeof ansi - 1, nullptr, nullptr)
                                : 0;
    ansi[bytes > 0 ? bytes : 0] = '\0';
    return CopyText(out, size, ansi) && whole;
}

bool CodePageToUtf8(unsigned codePage, const char* text, size_t length, std::string& utf8) {
    utf8.clear();
    if (length == 0) {
        return true;
    }
    const int units =
        MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), nullptr, 0);
    if (units <= 0) {
        return false;
    }
    std::vector<wchar_t> wide(static_cast<size_t>(units));
    MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), wide.data(), units);
    utf8.resize(static_cast<size_t>(units) * 3);
    utf8.resize(Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide.data()), wide.size(),
                            &utf8[0], utf8.size()));
    return true;
}
