// The writer of a bookmark table into the run's list: names from the folders down, keys for the
// page-copy store, URLs as a browser sends them.
#include "favorites/Bookmarks.h"

#include "favorites/FavoritesList.h"
#include "text/TextRoutines.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

constexpr char kStoreFolder[] = "\\#bookmarks\\";
constexpr char kCutMark[] = "…";
constexpr char kCopyExtension[] = ".htm";
// Nodes between two questions to keepGoing: often enough for a responsive window, seldom
// enough that asking costs nothing beside the work.
constexpr size_t kNodesPerCheck = 256;

constexpr uint64_t kFnvBasis = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

uint64_t Fnv1a(const void* data, size_t length, uint64_t hash = kFnvBasis) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < length; ++i) {
        hash = (hash ^ p[i]) * kFnvPrime;
    }
    return hash;
}

void Hex(uint64_t value, int digits, char* out) {
    static const char kDigits[] = "0123456789abcdef";
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = kDigits[value & 0xF];
        value >>= 4;
    }
    out[digits] = '\0';
}

// A name part as the list and the reports can hold it: control characters would break a line
// or a page. (In code page 932 such bytes are never the second byte of a character.)
void BlankControls(char* text) {
    for (char* p = text; *p; p += CharLength(p)) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F) {
            *p = ' ';
        }
    }
}

bool IsSpaceOrControl(unsigned char c) {
    return c <= 0x20;
}

// The URL a browser would send for the bookmark's text: blanks and controls around it and
// every tab or line end in it dropped, the remaining bytes outside printable ASCII as %XX (the
// UTF-8 of a non-ASCII address). False when it does not fit: url then holds its beginning.
bool PlainUrl(TextSpan text, char* url, size_t size) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data);
    size_t begin = 0;
    size_t end = text.length;
    while (begin < end && IsSpaceOrControl(p[begin])) {
        ++begin;
    }
    while (end > begin && IsSpaceOrControl(p[end - 1])) {
        --end;
    }
    static const char kDigits[] = "0123456789ABCDEF";
    size_t used = 0;
    for (size_t i = begin; i < end; ++i) {
        const unsigned char c = p[i];
        if (c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        const bool encode = c < 0x20 || c >= 0x7F;
        const size_t need = encode ? 3 : 1;
        if (used + need >= size) {
            url[used] = '\0';
            return false;
        }
        if (encode) {
            url[used++] = '%';
            url[used++] = kDigits[c >> 4];
            url[used++] = kDigits[c & 0xF];
        } else {
            url[used++] = static_cast<char>(c);
        }
    }
    url[used] = '\0';
    return true;
}

// One level of the folders above the node at hand: the node, and how much of the path is its.
struct Level {
    int node;
    size_t length;
    bool cut;
};

// Appends a converted name part to path, within the list's line.
bool AppendPart(std::string& path, TextSpan name, AnsiConverter convert) {
    char part[kListLineSize];
    const bool whole = convert(name.data, name.length, part, sizeof part);
    BlankControls(part);
    if (!path.empty()) {
        path += '\\';
    }
    path += part;
    return whole;
}

} // namespace

void BookmarkSourceTag(const char* sourcePath, char* tag, size_t size) {
    char lowered[kListLineSize];
    CopyText(lowered, sizeof lowered, sourcePath);
    ChangeCase(lowered, 1);
    char hex[17];
    Hex(Fnv1a(lowered, std::strlen(lowered)), 8, hex);
    CopyText(tag, size, hex);
}

BookmarksWritten WriteBookmarks(const BookmarkTree& tree, const char* sourceTag,
                                AnsiConverter convert, FILE* list,
                                const std::function<bool()>& keepGoing) {
    BookmarksWritten written;
    std::vector<Level> levels;
    std::string path;
    std::unordered_map<uint64_t, int> keysSeen;
    ListEntry entry{};
    for (size_t i = 0; i < tree.nodes.size(); ++i) {
        if (i % kNodesPerCheck == kNodesPerCheck - 1 && !keepGoing()) {
            written.failed = true;
            return written;
        }
        const BookmarkNode& node = tree.nodes[i];
        if (node.kind == BookmarkKind::kOther) {
            continue;
        }
        // The folders above: a node's parent is on the stack, since folders come first.
        while (!levels.empty() && levels.back().node != node.parent) {
            levels.pop_back();
        }
        path.resize(levels.empty() ? 0 : levels.back().length);
        bool cut = !levels.empty() && levels.back().cut;
        if (!cut) {
            cut = !AppendPart(path, node.name, convert) || path.size() >= kListLineSize;
        }
        if (path.size() >= kListLineSize) {
            path.resize(kListLineSize); // enough to show, bounded whatever the depth
        }
        if (node.kind == BookmarkKind::kFolder) {
            levels.push_back({static_cast<int>(i), path.size(), cut});
            continue;
        }

        entry.file[0] = '\0';
        entry.urlCut = !node.urlNotText && !PlainUrl(node.url, entry.url, sizeof entry.url);
        if (node.urlNotText || entry.url[0] == '\0') {
            ++written.broken;
            continue;
        }
        if (cut || !CopyText(entry.name, sizeof entry.name, path.c_str())) {
            CopyText(entry.name, sizeof entry.name - (sizeof kCutMark - 1), path.c_str());
            AppendText(entry.name, sizeof entry.name, kCutMark);
        }

        // The key: the bookmark's own where it has one, else what it is called and where it
        // goes; a key met before (duplicates) gets the next of a count.
        uint64_t key = node.key.length
                           ? Fnv1a(node.key.data, node.key.length)
                           : Fnv1a(entry.url, std::strlen(entry.url),
                                   Fnv1a("\x1f", 1, Fnv1a(entry.name, std::strlen(entry.name))));
        for (int& seen = keysSeen[key]; seen > 0;) {
            const int ordinal = seen++;
            key = Fnv1a(&ordinal, sizeof ordinal, key);
            if (keysSeen.count(key) == 0) {
                break;
            }
        }
        keysSeen[key] = 1;
        char hex[17];
        Hex(key, 16, hex);
        char leaf[24];
        FormatText(leaf, sizeof leaf, "%.2s\\%s%s", hex, hex + 2, kCopyExtension);
        FormatText(entry.storeName, sizeof entry.storeName, "%s%s\\%s", kStoreFolder, sourceTag,
                   leaf);
        if (!WriteListEntry(list, entry)) {
            written.failed = true;
            return written;
        }
        ++written.links;
    }
    return written;
}
