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

namespace {

constexpr unsigned kCp932 = 932;
constexpr DWORD kNoBestFit = 0x400; // WC_NO_BEST_FIT_CHARS: "?" rather than a look-alike

// UTF-16 into code page 932; without the flag on Windows 95, which refuses it.
std::string WideToCp932(const wchar_t* wide, int units) {
    if (units <= 0) {
        return "";
    }
    std::string out(static_cast<size_t>(units) * 2, '\0');
    const int size = static_cast<int>(out.size());
    int bytes = WideCharToMultiByte(kCp932, kNoBestFit, wide, units, &out[0], size, "?", nullptr);
    if (bytes <= 0) {
        bytes = WideCharToMultiByte(kCp932, 0, wide, units, &out[0], size, "?", nullptr);
    }
    out.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
    return out;
}

} // namespace

size_t CharacterInCodePage(char32_t character, char* out, unsigned codePage) {
    if (codePage == CP_UTF8) {
        return EncodeUtf8(character, out);
    }
    char utf8[4];
    const size_t length = EncodeUtf8(character, utf8);
    char16_t wide[2];
    bool whole;
    const size_t units = Utf8ToUtf16(utf8, length, wide, 2, &whole);
    BOOL lacking = FALSE;
    // 65000 and the ISO-2022 pages take no default character; a page read in them is read as
    // Shift_JIS or UTF-8 anyway. Windows 95 refuses the flag: asked again without it.
    const auto* units16 = reinterpret_cast<const wchar_t*>(wide);
    int bytes = WideCharToMultiByte(codePage, kNoBestFit, units16, static_cast<int>(units), out, 8,
                                    "?", &lacking);
    if (bytes <= 0) {
        bytes = WideCharToMultiByte(codePage, 0, units16, static_cast<int>(units), out, 8, "?",
                                    &lacking);
    }
    if (bytes <= 0 || lacking) {
        out[0] = '?';
        return 1;
    }
    return static_cast<size_t>(bytes);
}

std::string TextInCp932(const std::string& text, unsigned codePage) {
    if (codePage == kCp932 || text.empty()) {
        return text;
    }
    std::vector<wchar_t> wide(text.size() + 1);
    int units = 0;
    if (codePage == CP_UTF8) {
        bool whole;
        units = static_cast<int>(Utf8ToUtf16(text.data(), text.size(),
                                             reinterpret_cast<char16_t*>(wide.data()),
                                             wide.size(), &whole));
    } else {
        units = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                    wide.data(), static_cast<int>(wide.size()));
    }
    if (units <= 0) {
        // A code page this system does not know: what is ASCII stays.
        std::string ascii = text;
        for (char& c : ascii) {
            c = static_cast<unsigned char>(c) < 0x80 ? c : '?';
        }
        return ascii;
    }
    // No ANSI code page has a character beyond the first 65,536 (an emoji): one "?" for the pair.
    int kept = 0;
    for (int i = 0; i < units; ++i) {
        const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < units;
        wide[kept++] = pair ? L'?' : wide[i];
        i += pair ? 1 : 0;
    }
    return WideToCp932(wide.data(), kept);
}

std::string WideToAnsi(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> ansi(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    if (size <= 0 || !WideCharToMultiByte(CP_ACP, 0, text, -1, ansi.data(), size, nullptr, nullptr)) {
        return std::string();
    }
    return std::string(ansi.data());
}

std::wstring AnsiToWide(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::vector<wchar_t> wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
    if (length <= 0 || !MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length)) {
        return std::wstring();
    }
    return std::wstring(wide.data());
}
