// UTF-8 of any bytes into UTF-16 and back. The reading is compared character by character
// with one stated here from the Unicode standard's table of well-formed byte sequences: every
// maximal part of a sequence that goes wrong is one replacement character, the output never
// holds half a surrogate pair and never passes its area, and a cut output is the whole
// characters that fit. Well-formed input written back gives the very bytes; UTF-16 of any units
// gives well-formed UTF-8 within its area, a lone surrogate as the replacement character.
#include "text/Utf8.h"

#include "FuzzCheck.h"

#include <vector>

namespace {

// The well-formed byte sequences: the range of each byte after the lead byte's.
struct SequenceRow {
    unsigned char first, last; // lead bytes
    size_t length;
    unsigned char low[3], high[3];
};
constexpr SequenceRow kRows[] = {
    {0x00, 0x7F, 1, {}, {}},
    {0xC2, 0xDF, 2, {0x80}, {0xBF}},
    {0xE0, 0xE0, 3, {0xA0, 0x80}, {0xBF, 0xBF}},
    {0xE1, 0xEC, 3, {0x80, 0x80}, {0xBF, 0xBF}},
    {0xED, 0xED, 3, {0x80, 0x80}, {0x9F, 0xBF}},
    {0xEE, 0xEF, 3, {0x80, 0x80}, {0xBF, 0xBF}},
    {0xF0, 0xF0, 4, {0x90, 0x80, 0x80}, {0xBF, 0xBF, 0xBF}},
    {0xF1, 0xF3, 4, {0x80, 0x80, 0x80}, {0xBF, 0xBF, 0xBF}},
    {0xF4, 0xF4, 4, {0x80, 0x80, 0x80}, {0x8F, 0xBF, 0xBF}},
};

struct Character {
    char32_t code;
    size_t bytes;
    bool wellFormed;
};

// The character at text[at]: a well-formed sequence, or the replacement character for the
// longest start of one (at least the one byte).
Character ReadCharacter(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    for (const SequenceRow& row : kRows) {
        if (byte(0) < row.first || byte(0) > row.last) {
            continue;
        }
        size_t matched = 1;
        while (matched < row.length && at + matched < text.size() &&
               byte(matched) >= row.low[matched - 1] && byte(matched) <= row.high[matched - 1]) {
            ++matched;
        }
        if (matched < row.length) {
            return {kReplacementCharacter, matched, false};
        }
        static const unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t code = byte(0) & kLeadBits[row.length];
        for (size_t i = 1; i < row.length; ++i) {
            code = code << 6 | (byte(i) & 0x3F);
        }
        return {code, row.length, true};
    }
    return {kReplacementCharacter, 1, false};
}

std::vector<char16_t> Units(char32_t code) {
    if (code < 0x10000) {
        return {static_cast<char16_t>(code)};
    }
    return {static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)),
            static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF))};
}

void CheckDecoding(const std::string& text, size_t size) {
    std::vector<char16_t> all;
    std::vector<char16_t> fitting; // the whole characters that fit into size units
    bool wellFormed = true;
    for (size_t at = 0; at < text.size();) {
        const Character expected = ReadCharacter(text, at);
        size_t used = 0;
        const char32_t code = DecodeUtf8(text.data() + at, text.size() - at, &used);
        FUZZ_CHECK(code == expected.code && used == expected.bytes);
        wellFormed = wellFormed && expected.wellFormed;
        const std::vector<char16_t> units = Units(code);
        if (all.size() == fitting.size() && fitting.size() + units.size() <= size) {
            fitting.insert(fitting.end(), units.begin(), units.end());
        }
        all.insert(all.end(), units.begin(), units.end());
        at += used;
    }

    std::vector<char16_t> out(size);
    bool whole = false;
    const size_t written = Utf8ToUtf16(text.data(), text.size(), out.data(), size, &whole);
    FUZZ_CHECK(written <= size);
    out.resize(written);
    FUZZ_CHECK(out == fitting);
    FUZZ_CHECK(whole == (fitting.size() == all.size()));
    for (size_t i = 0; i < out.size(); ++i) {
        const bool high = out[i] >= 0xD800 && out[i] <= 0xDBFF;
        const bool low = out[i] >= 0xDC00 && out[i] <= 0xDFFF;
        FUZZ_CHECK(!low || (i > 0 && out[i - 1] >= 0xD800 && out[i - 1] <= 0xDBFF));
        FUZZ_CHECK(!high || (i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF));
        i += high ? 1 : 0;
    }

    if (wellFormed && whole) {
        fuzz::Area back(text.size());
        const size_t bytes = Utf16ToUtf8(out.data(), out.size(), back.get(), back.size());
        FUZZ_CHECK(std::string(back.get(), bytes) == text);
    }
}

// UTF-16 of any units written as UTF-8 within size bytes.
void CheckEncoding(const std::vector<char16_t>& units, size_t size) {
    std::string all;
    std::string fitting;
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t code = units[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacementCharacter;
        }
        // Written by hand from the table's bit patterns.
        std::string bytes;
        if (code < 0x80) {
            bytes = {static_cast<char>(code)};
        } else if (code < 0x800) {
            bytes = {static_cast<char>(0xC0 | code >> 6), static_cast<char>(0x80 | (code & 0x3F))};
        } else if (code < 0x10000) {
            bytes = {static_cast<char>(0xE0 | code >> 12),
                     static_cast<char>(0x80 | (code >> 6 & 0x3F)),
                     static_cast<char>(0x80 | (code & 0x3F))};
        } else {
            bytes = {static_cast<char>(0xF0 | code >> 18),
                     static_cast<char>(0x80 | (code >> 12 & 0x3F)),
                     static_cast<char>(0x80 | (code >> 6 & 0x3F)),
                     static_cast<char>(0x80 | (code & 0x3F))};
        }
        if (all.size() == fitting.size() && fitting.size() + bytes.size() <= size) {
            fitting += bytes;
        }
        all += bytes;
    }
    fuzz::Area out(size);
    const size_t written = Utf16ToUtf8(units.data(), units.size(), out.get(), size);
    FUZZ_CHECK(std::string(out.get(), written) == fitting);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const uint8_t choice = input.Byte();
    const std::string text = input.Rest();
    // Room for every character, for none, or for a few (where a pair may not fit).
    CheckDecoding(text, text.size());
    CheckDecoding(text, choice % 16);

    std::vector<char16_t> units;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(text[i]) |
                                              static_cast<unsigned char>(text[i + 1]) << 8));
    }
    CheckEncoding(units, 3 * units.size());
    CheckEncoding(units, choice % 16);
    return 0;
}
