// A shortcut's URL replaced in a file of any content: when the rewrite is done, the file read
// back gives the new address, and every byte outside a URL value survives: each line is kept as
// it was, or is a URL line whose old address alone became the new one, or a URL line left out.
// When it is refused, nothing comes back to write.
#include "favorites/FavoritesList.h"
#include "favorites/FavoritesWalk.h"
#include "favorites/ShortcutRewrite.h"

#include "FuzzCheck.h"

#include <cstdio>

namespace {

// Lines with their line ends, as the file holds them.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < bytes.size();) {
        const size_t feed = bytes.find('\n', at);
        const size_t end = feed == std::string::npos ? bytes.size() : feed + 1;
        lines.push_back(bytes.substr(at, end - at));
        at = end;
    }
    return lines;
}

// "URL =" in any case and with any blanks, before the first "=".
bool IsUrlLine(const std::string& line) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    std::string key;
    for (size_t i = 0; i < equals; ++i) {
        if (line[i] != ' ' && line[i] != '\t') {
            key.push_back(
                static_cast<char>(line[i] >= 'a' && line[i] <= 'z' ? line[i] - 32 : line[i]));
        }
    }
    return key == "URL";
}

// The new line is the old one with one occurrence of oldUrl after its "=" made newUrl.
bool OnlyUrlChanged(const std::string& before, const std::string& after, const std::string& oldUrl,
                    const std::string& newUrl) {
    const size_t equals = before.find('=');
    for (size_t at = equals == std::string::npos ? before.size() + 1 : equals + 1;
         at <= before.size(); ++at) {
        if (before.compare(at, oldUrl.size(), oldUrl) == 0 &&
            after == before.substr(0, at) + newUrl + before.substr(at + oldUrl.size())) {
            return true;
        }
    }
    return false;
}

std::string ReadBack(const std::string& bytes) {
    if (bytes.empty()) {
        return "";
    }
    fuzz::Area area(bytes.size());
    std::memcpy(area.get(), bytes.data(), bytes.size());
    FILE* file = fmemopen(area.get(), bytes.size(), "r");
    FUZZ_CHECK(file != nullptr);
    fuzz::Area url(kListLineSize);
    ReadShortcutUrlFrom(file, url.get());
    std::fclose(file);
    return url.TextIn();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const bool oldAsRead = input.Byte() & 1;
    std::string oldUrl = input.Text();
    const std::string newUrl = input.Text();
    const std::string bytes = input.Rest();
    // Mostly the address the reader finds, as the run hands it over.
    if (oldAsRead) {
        oldUrl = ReadBack(bytes);
    }
    std::string result = "left";
    const ShortcutRewrite outcome = RewriteShortcutUrl(bytes, oldUrl, newUrl, result);
    if (outcome != ShortcutRewrite::kDone) {
        FUZZ_CHECK(result.empty());
        return 0;
    }
    FUZZ_CHECK(ReadBack(result) == newUrl);
    const std::vector<std::string> before = Lines(bytes);
    const std::vector<std::string> after = Lines(result);
    size_t changed = 0;
    size_t b = 0;
    for (const std::string& line : after) {
        // Lines of the old file left out on the way are URL lines.
        while (b < before.size() && line != before[b] &&
               !(IsUrlLine(before[b]) && OnlyUrlChanged(before[b], line, oldUrl, newUrl))) {
            FUZZ_CHECK(IsUrlLine(before[b]));
            ++b;
        }
        FUZZ_CHECK(b < before.size());
        if (line != before[b]) {
            ++changed;
        }
        ++b;
    }
    for (; b < before.size(); ++b) {
        FUZZ_CHECK(IsUrlLine(before[b]));
    }
    FUZZ_CHECK(changed >= 1 || oldUrl == newUrl);
    return 0;
}
