// Firefox's database as any bytes, read through the read-only VFS and the reader: the input is
// the database's size (4 bytes, little-endian), the database, then its WAL. Whatever they hold,
// the reading ends (within a budget of SQLite's steps), reads no byte past either file, and
// either says what is wrong with an empty table or gives a table the list writer can take: every
// node after its folder, texts inside the reader's own text or a top folder's shown name, and no
// query or separator among the links.
#include "favorites/PlacesReader.h"

#include "favorites/BookmarksJson.h"

#include "FuzzCheck.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr char kDatabase[] = "places.sqlite";
constexpr char kWal[] = "places.sqlite-wal";
// Questions to keepGoing before the reading is stopped: a budget of SQLite's steps.
constexpr int kChecks = 3000;

// The two files, each in an area of exactly its size; no WAL when it is empty.
class MemoryFiles : public ReadOnlyFiles {
public:
    MemoryFiles(const std::string& database, const std::string& wal)
        : database_(Exact(database)), wal_(Exact(wal)) {}

    void* Open(const char* path) override {
        if (std::strcmp(path, kDatabase) == 0) {
            return &database_;
        }
        return std::strcmp(path, kWal) == 0 && wal_.size() > 0 ? &wal_ : nullptr;
    }
    bool Read(void* file, uint64_t offset, void* buffer, size_t length, size_t* got) override {
        const size_t size = SizeOf(file);
        *got = offset < size ? std::min<size_t>(length, size - static_cast<size_t>(offset)) : 0;
        std::memcpy(buffer, static_cast<fuzz::Area*>(file)->get() + (*got ? offset : 0), *got);
        return true;
    }
    bool Size(void* file, uint64_t* size) override {
        *size = SizeOf(file);
        return true;
    }
    void Close(void*) override {}

private:
    static fuzz::Area Exact(const std::string& bytes) {
        fuzz::Area area(bytes.size());
        std::memcpy(area.get(), bytes.data(), bytes.size());
        return area;
    }
    static size_t SizeOf(void* file) { return static_cast<fuzz::Area*>(file)->size(); }

    fuzz::Area database_;
    fuzz::Area wal_;
};

bool Inside(TextSpan span, const std::string& texts) {
    return span.length == 0 ||
           (span.data >= texts.data() && span.data + span.length <= texts.data() + texts.size());
}

// One of the names Firefox shows for its top folders, as the reader hands them over.
bool IsTopName(TextSpan name) {
    for (const char* guid : {"menu________", "toolbar_____", "unfiled_____", "mobile______"}) {
        if (name.data == FirefoxTopName({guid, std::strlen(guid)})) {
            return true;
        }
    }
    return false;
}

bool IsQuery(TextSpan url) {
    static const char kQuery[] = "place:";
    if (url.length < sizeof kQuery - 1) {
        return false;
    }
    for (size_t i = 0; i + 1 < sizeof kQuery; ++i) {
        const char c = url.data[i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != kQuery[i]) {
            return false;
        }
    }
    return true;
}

void CheckTree(const BookmarkTree& tree, const std::string& texts) {
    for (size_t i = 0; i < tree.nodes.size(); ++i) {
        const BookmarkNode& node = tree.nodes[i];
        FUZZ_CHECK(node.kind == BookmarkKind::kFolder || node.kind == BookmarkKind::kLink);
        FUZZ_CHECK(node.parent >= -1 && node.parent < static_cast<int>(i));
        FUZZ_CHECK(node.parent < 0 || tree.nodes[node.parent].kind == BookmarkKind::kFolder);
        FUZZ_CHECK(Inside(node.url, texts) && Inside(node.key, texts));
        FUZZ_CHECK(Inside(node.name, texts) || (node.parent < 0 && IsTopName(node.name)));
        FUZZ_CHECK(!node.urlNotText);
        FUZZ_CHECK(node.kind == BookmarkKind::kFolder || !IsQuery(node.url));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    uint32_t databaseSize = 0;
    for (int i = 0; i < 4; ++i) {
        databaseSize |= static_cast<uint32_t>(input.Byte()) << (8 * i);
    }
    const std::string rest = input.Rest();
    const size_t split = std::min<size_t>(databaseSize, rest.size());
    MemoryFiles files(rest.substr(0, split), rest.substr(split));

    int checks = 0;
    BookmarkTree tree;
    std::string texts;
    const PlacesRead read =
        ReadPlaces(files, kDatabase, tree, texts, [&] { return ++checks <= kChecks; });
    if (read.problem != PlacesProblem::kNone) {
        FUZZ_CHECK(tree.nodes.empty() && texts.empty());
        FUZZ_CHECK(read.problem != PlacesProblem::kInterrupted || checks > kChecks);
        return 0;
    }
    FUZZ_CHECK(read.schema > 0);
    CheckTree(tree, texts);
    return 0;
}
