// The installer's double-byte walks and bounded copies on any text: searches that never compare
// a trail byte, the mid-character test, the trailing backslash, the numbered keys, and copies
// that stay in their areas and end on character boundaries.
#include "base/Text.h"

#include "FuzzCheck.h"

#include <algorithm>

namespace {

// Where an offset of the text lies in its heap copy; nullptr for none.
const char* At(fuzz::Area& area, size_t offset) {
    return offset == std::string::npos ? nullptr : area.get() + offset;
}

void CheckSearches(const std::string& text, char c, size_t endOffset) {
    fuzz::Area area = fuzz::Copy(text);
    FUZZ_CHECK(FindCharDbcs(area.get(), c) == At(area, fuzz::FindChar(text, c)));
    FUZZ_CHECK(FindLastCharDbcs(area.get(), c) == At(area, fuzz::FindLastChar(text, c)));
    const size_t end = std::min(endOffset, text.size());
    FUZZ_CHECK(FindLastCharDbcs(area.get(), c, area.get() + end) ==
               At(area, fuzz::FindLastChar(text, c, end)));
    // Each test walks from the start: the first and the last bytes, and the chosen offset.
    for (size_t offset = 0; offset <= text.size(); ++offset) {
        if (offset < 16 || offset + 16 > text.size() || offset == endOffset) {
            FUZZ_CHECK(IsMidCharacter(area.get(), offset) == !fuzz::OnBoundary(text, offset));
        }
    }
}

void CheckBackslash(const std::string& path, size_t size) {
    fuzz::Area area(size < path.size() + 1 ? path.size() + 1 : size);
    std::memcpy(area.get(), path.c_str(), path.size() + 1);
    const bool done = AddTrailingBackslash(area.get(), area.size());
    size_t last = std::string::npos;
    for (size_t at = 0; at < path.size(); at += fuzz::CharAt(path, at)) {
        last = at;
    }
    const bool ends = last != std::string::npos && path[last] == '\\';
    const std::string result = area.TextIn();
    if (ends) {
        FUZZ_CHECK(done && result == path);
    } else if (path.size() + 2 <= area.size()) {
        FUZZ_CHECK(done && result == path + "\\");
    } else {
        FUZZ_CHECK(!done && result == path);
    }
    std::memcpy(area.get(), path.c_str(), path.size() + 1);
    RemoveTrailingBackslash(area.get());
    FUZZ_CHECK(area.TextIn() == (ends ? path.substr(0, last) : path));
}

void CheckCopies(const std::string& first, const std::string& second, size_t size) {
    fuzz::Area copy(size);
    const bool whole = CopyText(copy.get(), size, first.c_str());
    FUZZ_CHECK(whole == (size > first.size()));
    if (size > 0) {
        FUZZ_CHECK(copy.TextIn() == fuzz::Fitted(first, size));
    }
    const size_t length = second.size() / 3;
    fuzz::Area part(size);
    FUZZ_CHECK(CopyTextPart(part.get(), size, second.c_str(), length) == (size > length));
    if (size > 0) {
        FUZZ_CHECK(part.TextIn() == fuzz::Fitted(second.substr(0, length), size));
    }
    if (size > 0 && whole) {
        const bool appended = AppendText(copy.get(), size, second.c_str());
        FUZZ_CHECK(copy.TextIn() == first + fuzz::Fitted(second, size - first.size()));
        FUZZ_CHECK(appended == (first.size() + second.size() < size));
    }
    fuzz::Area formatted(size);
    const bool fitted = FormatText(formatted.get(), size, "%s - %s", first.c_str(), second.c_str());
    const std::string full = first + " - " + second;
    FUZZ_CHECK(fitted == (size > full.size()));
    if (size > 0) {
        FUZZ_CHECK(formatted.TextIn() == fuzz::Fitted(full, size));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const char c = static_cast<char>(input.Byte());
    const size_t areaSize = input.Byte() + (input.Byte() % 2) * 256;
    int number = 0;
    for (int i = 0; i < 4; ++i) {
        number = static_cast<int>(static_cast<unsigned>(number) << 8 | input.Byte());
    }
    const std::string first = input.Text(600);
    const std::string second = input.Text(600);
    CheckSearches(first, c, areaSize);
    CheckSearches(second, '\\', areaSize);
    CheckBackslash(first, areaSize);
    CheckCopies(first, second, areaSize);
    FUZZ_CHECK(std::string(NumberKey(number)) == std::to_string(number));
    return 0;
}
