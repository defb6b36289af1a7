// The URL out of a shortcut file's text, and the probe target made of a listed URL. No
// windows.h: shortcut files are outside input, and these routines are also fuzzed natively.
#include "favorites/FavoritesWalk.h"

#include "favorites/FavoritesList.h"
#include "text/TextRoutines.h"

#include <cstring>

namespace {

constexpr char kUrlKey[] = "URL";
constexpr size_t kUrlKeyLength = sizeof kUrlKey - 1;
constexpr int kProbePort = 80;

// Drops a lead byte left last in a text whose trail byte was cut off, so that it does not pair
// with whatever is written after the text.
void DropSplitCharacter(char* text) {
    char* last = nullptr;
    for (char* p = text; *p; p += CharLength(p)) {
        last = p;
    }
    if (last && IsLeadByte(last) && last[1] == '\0') {
        *last = '\0';
    }
}

} // namespace

bool ReadShortcutUrlFrom(FILE* file, char* url) {
    url[0] = '\0';
    char line[kListLineSize];
    while (ReadListLine(file, line, sizeof line)) {
        if (std::strncmp(line, kUrlKey, kUrlKeyLength) != 0) {
            continue;
        }
        // The character after "URL" is passed over whatever it is ("URL=", "URL ", "URLX="),
        // a double-byte one whole.
        const char* value = line + kUrlKeyLength;
        if (*value) {
            value += CharLength(value);
        }
        while (*value == ' ' || *value == '\t' || *value == '=') {
            ++value;
        }
        CopyText(url, kListLineSize, value);
        // A line longer than the buffer is cut to its first piece, on a character boundary.
        DropSplitCharacter(url);
        break;
    }
    return url[0] != '\0';
}

int StripScheme(char* text) {
    char* slashes = std::strstr(text, "//");
    if (slashes) {
        std::memmove(text, slashes + 2, std::strlen(slashes + 2) + 1);
    }
    return kProbePort;
}
