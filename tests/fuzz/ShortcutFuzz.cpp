// The URL out of a shortcut file of any content: the value of the first line (as the list-line
// reader gives lines, 1023 bytes at most) that begins with "URL", after the character that
// follows it and any blanks and "=". It must come back whole, or cut on a character boundary to
// what its piece of the line holds, and begin on a character boundary of its line.
#include "favorites/FavoritesList.h"
#include "favorites/FavoritesWalk.h"

#include "FuzzCheck.h"

#include <cstdio>

namespace {

std::string ExpectedUrl(const std::string& bytes) {
    for (const std::string& line : fuzz::ListPieces(bytes, kListLineSize)) {
        if (!fuzz::StartsWith(line, "URL")) {
            continue;
        }
        size_t at = 3;
        if (at < line.size()) {
            at += fuzz::CharAt(line, at); // the character after "URL", whatever it is
        }
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '=')) {
            ++at;
        }
        std::string url = fuzz::Fitted(line.substr(at), kListLineSize);
        // A lead byte left last, whose trail byte the piece did not hold, goes as well.
        size_t last = 0;
        for (size_t p = 0; p < url.size(); p += fuzz::CharAt(url, p)) {
            last = p;
        }
        if (!url.empty() && last == url.size() - 1 && fuzz::IsLead(url[last])) {
            url.pop_back();
        }
        return url;
    }
    return "";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0; // fmemopen needs a byte; an empty file is the seed "empty"
    }
    fuzz::Area bytes(size);
    std::memcpy(bytes.get(), data, size);
    FILE* file = fmemopen(bytes.get(), size, "r");
    FUZZ_CHECK(file != nullptr);
    fuzz::Area url(kListLineSize);
    const bool found = ReadShortcutUrlFrom(file, url.get());
    std::fclose(file);

    const std::string expected = ExpectedUrl(std::string(bytes.get(), size));
    FUZZ_CHECK(url.TextIn() == expected);
    FUZZ_CHECK(found == !expected.empty());
    return 0;
}
