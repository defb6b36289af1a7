// Firefox's database read in three queries: its schema version, its roots, and every row of
// moz_bookmarks with its URL. The tree is then built here, from the roots down, rather than by
// a recursive query: a damaged table whose folders hold each other can then never make a walk
// that does not end, and the rows are read once, in the order the table keeps them.
#include "favorites/PlacesReader.h"

#include "favorites/BookmarksJson.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

// From this schema on Firefox names its roots by guid alone (it dropped moz_bookmarks_roots).
constexpr int kGuidRootsSchema = 31;
// Steps of SQLite's between two questions to keepGoing.
constexpr int kStepsPerCheck = 10000;
// More than any profile holds (a million bookmarks is 1.x million rows); beyond it, or beyond the
// texts and memory below, the database is no bookmarks a reader should take in.
constexpr size_t kMostRows = 4000000;
constexpr size_t kMostText = 256u << 20;
constexpr sqlite3_int64 kMostMemory = 256ll << 20;
// Kept of a title, URL or guid: far more than a list line shows (a longer one is cut there).
constexpr int kLongestText = 64 * 1024;

constexpr int kFolder = 2;
constexpr int kBookmark = 1;

// One row of moz_bookmarks; texts as places in the run's text.
struct Row {
    sqlite3_int64 id;
    sqlite3_int64 parent;
    sqlite3_int64 position;
    int type;
    size_t title, titleLength;
    size_t key, keyLength;
    size_t url, urlLength;
};

// The roots as the old table names them, and as guids.
struct RootName {
    const char* oldName;
    const char* guid;
};
constexpr RootName kRoots[] = {
    {"places", kFirefoxRootGuid}, {"menu", "menu________"},   {"toolbar", "toolbar_____"},
    {"unfiled", "unfiled_____"},  {"mobile", "mobile______"}, {"tags", kFirefoxTagsGuid},
};

// An open database, closed on every path.
class Database {
public:
    ~Database() { sqlite3_close(db_); }
    sqlite3** Out() { return &db_; }
    sqlite3* Get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        result_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    // SQLITE_ROW, SQLITE_DONE, or the error.
    int Step() { return result_ == SQLITE_OK ? sqlite3_step(stmt_) : result_; }
    sqlite3_stmt* Get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int result_;
};

PlacesProblem ProblemOf(int code) {
    switch (code & 0xFF) {
    case SQLITE_NOTADB:
        return PlacesProblem::kNotDatabase;
    case SQLITE_ERROR: // no such table or column
        return PlacesProblem::kNotFirefox;
    case SQLITE_NOMEM:
    case SQLITE_TOOBIG:
        return PlacesProblem::kTooLarge;
    case SQLITE_INTERRUPT:
        return PlacesProblem::kInterrupted;
    default:
        return PlacesProblem::kDamaged;
    }
}

// The failure of the last call on db, with SQLite's words.
PlacesRead Failed(sqlite3* db, int code, int schema) {
    PlacesRead read;
    read.problem = ProblemOf(code);
    read.schema = schema;
    read.detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return read;
}

PlacesRead NotFirefox(int schema, const char* detail) {
    PlacesRead read;
    read.problem = PlacesProblem::kNotFirefox;
    read.schema = schema;
    read.detail = detail;
    return read;
}

// The first column of a query's one row as a number; false with code on an error.
bool QueryNumber(sqlite3* db, const char* sql, sqlite3_int64* value, int* code) {
    Statement query(db, sql);
    *code = query.Step();
    if (*code != SQLITE_ROW) {
        return false;
    }
    *value = sqlite3_column_int64(query.Get(), 0);
    return true;
}

// A column's text into texts, cut at kLongestText; its place and length.
void KeepText(sqlite3_stmt* stmt, int column, std::string& texts, size_t* at, size_t* length) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    const int bytes = text ? sqlite3_column_bytes(stmt, column) : 0;
    *at = texts.size();
    *length = static_cast<size_t>(std::min(bytes, kLongestText));
    texts.append(text ? text : "", *length);
}

const RootName* RootByOldName(const char* name) {
    for (const RootName& root : kRoots) {
        if (name && std::strcmp(root.oldName, name) == 0) {
            return &root;
        }
    }
    return nullptr;
}

const RootName* RootByGuid(const char* guid) {
    for (const RootName& root : kRoots) {
        if (guid && std::strcmp(root.guid, guid) == 0) {
            return &root;
        }
    }
    return nullptr;
}

// The rows of the roots: id to its guid among kRoots.
bool ReadRoots(sqlite3* db, int schema, std::unordered_map<sqlite3_int64, const char*>& roots,
               int* code) {
    const bool old = schema < kGuidRootsSchema;
    Statement query(db, old ? "SELECT root_name, folder_id FROM moz_bookmarks_roots"
                            : "SELECT guid, id FROM moz_bookmarks WHERE guid IN ('root________', "
                              "'menu________', 'toolbar_____', 'unfiled_____', 'mobile______', "
                              "'tags________')");
    while ((*code = query.Step()) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(query.Get(), 0));
        const RootName* root = old ? RootByOldName(name) : RootByGuid(name);
        if (root) {
            roots[sqlite3_column_int64(query.Get(), 1)] = root->guid;
        }
    }
    return *code == SQLITE_DONE;
}

// Every row of moz_bookmarks with the URL of its place; the key its guid where the schema has
// guids, else a text of its own made of its id.
bool ReadRows(sqlite3* db, bool guids, std::vector<Row>& rows, std::string& texts, int* code) {
    Statement query(db, guids ? "SELECT b.id, b.parent, b.position, b.type, b.title, b.guid, p.url "
                                "FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk"
                              : "SELECT b.id, b.parent, b.position, b.type, b.title, "
                                "'#' || b.id, p.url "
                                "FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk");
    sqlite3_stmt* stmt = query.Get();
    while ((*code = query.Step()) == SQLITE_ROW) {
        if (rows.size() >= kMostRows || texts.size() >= kMostText) {
            *code = SQLITE_TOOBIG;
            return false;
        }
        Row row{};
        row.id = sqlite3_column_int64(stmt, 0);
        row.parent = sqlite3_column_int64(stmt, 1);
        row.position = sqlite3_column_int64(stmt, 2);
        row.type = sqlite3_column_int(stmt, 3);
        KeepText(stmt, 4, texts, &row.title, &row.titleLength);
        KeepText(stmt, 5, texts, &row.key, &row.keyLength);
        KeepText(stmt, 6, texts, &row.url, &row.urlLength);
        rows.push_back(row);
    }
    return *code == SQLITE_DONE;
}

bool IsQuery(const std::string& texts, const Row& row) {
    static const char kQuery[] = "place:";
    const size_t n = sizeof kQuery - 1;
    if (row.urlLength < n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        const char c = texts[row.url + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != kQuery[i]) {
            return false;
        }
    }
    return true;
}

// The tree from the root's children down, depth first, each folder's rows in Firefox's order
// (position, then id). Each row is taken once: a damaged table can hold no cycle for the walk.
void BuildTree(std::vector<Row>& rows, const std::string& texts,
               const std::unordered_map<sqlite3_int64, const char*>& roots, sqlite3_int64 root,
               BookmarkTree& tree) {
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.parent != b.parent       ? a.parent < b.parent
               : a.position != b.position ? a.position < b.position
                                          : a.id < b.id;
    });
    // Each parent's children: a run of the sorted rows.
    std::unordered_map<sqlite3_int64, std::pair<size_t, size_t>> children;
    for (size_t i = 0; i < rows.size(); ++i) {
        auto& run = children.emplace(rows[i].parent, std::make_pair(i, i)).first->second;
        run.second = i + 1;
    }
    auto span = [&](size_t at, size_t length) { return TextSpan{texts.data() + at, length}; };
    std::vector<bool> taken(rows.size());
    std::vector<std::pair<size_t, int>> stack; // row, the node of its folder
    auto pushChildren = [&](sqlite3_int64 parent, int node) {
        const auto run = children.find(parent);
        for (size_t i = run == children.end() ? 0 : run->second.second;
             run != children.end() && i > run->second.first; --i) {
            stack.push_back({i - 1, node});
        }
    };
    pushChildren(root, -1);
    while (!stack.empty()) {
        const auto [index, parent] = stack.back();
        stack.pop_back();
        const Row& row = rows[index];
        const auto isRoot = roots.find(row.id);
        if (taken[index] ||
            (isRoot != roots.end() && std::strcmp(isRoot->second, kFirefoxTagsGuid) == 0) ||
            (row.type == kBookmark && IsQuery(texts, row)) ||
            (row.type != kBookmark && row.type != kFolder)) {
            continue; // separators, queries, tags, what was met before
        }
        taken[index] = true;
        BookmarkNode node;
        node.parent = parent;
        node.kind = row.type == kFolder ? BookmarkKind::kFolder : BookmarkKind::kLink;
        node.name = span(row.title, row.titleLength);
        node.url = span(row.url, row.urlLength);
        node.key = span(row.key, row.keyLength);
        if (parent < 0 && isRoot != roots.end()) {
            const TextSpan guid{isRoot->second, std::strlen(isRoot->second)};
            if (const char* name = FirefoxTopName(guid)) {
                node.name = {name, std::strlen(name)};
            }
        }
        tree.nodes.push_back(node);
        if (node.kind == BookmarkKind::kFolder) {
            pushChildren(row.id, static_cast<int>(tree.nodes.size() - 1));
        }
    }
}

// The schema version, whether it is Firefox's, and whether its rows have guids.
PlacesRead ReadSchema(sqlite3* db, bool* guids) {
    sqlite3_int64 value = 0;
    int code = SQLITE_OK;
    if (!QueryNumber(db, "PRAGMA user_version", &value, &code)) {
        return Failed(db, code, 0);
    }
    const int schema = static_cast<int>(value < 0 || value > 1000000 ? -1 : value);
    if (schema <= 0) {
        return NotFirefox(schema, "no schema version");
    }
    if (!QueryNumber(db,
                     "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN "
                     "('moz_bookmarks', 'moz_places')",
                     &value, &code)) {
        return Failed(db, code, schema);
    }
    if (value != 2) {
        return NotFirefox(schema, "no tables moz_bookmarks and moz_places");
    }
    if (!QueryNumber(db,
                     "SELECT count(*) FROM pragma_table_info('moz_bookmarks') WHERE name = 'guid'",
                     &value, &code)) {
        return Failed(db, code, schema);
    }
    *guids = value > 0;
    PlacesRead read;
    read.schema = schema;
    return read;
}

// A WAL of another database, or a copy torn in a way the file's clock missed, can leave the
// table at odds with its indexes while every page reads well: SQLite's check of the table and
// its indexes says so (the first of its findings in detail).
PlacesRead CheckBookmarks(sqlite3* db, int schema) {
    Statement check(db, "PRAGMA integrity_check(moz_bookmarks)");
    const int code = check.Step();
    if (code != SQLITE_ROW) {
        return Failed(db, code, schema);
    }
    PlacesRead read;
    read.schema = schema;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(check.Get(), 0));
    std::string finding = text ? text : "";
    if (finding != "ok") {
        // Its first finding in one line, after the line that names the database.
        if (finding.compare(0, 3, "***") == 0 && finding.find('\n') != std::string::npos) {
            finding.erase(0, finding.find('\n') + 1);
        }
        read.problem = PlacesProblem::kDamaged;
        read.detail = finding.substr(0, finding.find('\n'));
    }
    return read;
}

int AskKeepGoing(void* keepGoing) {
    return (*static_cast<const std::function<bool()>*>(keepGoing))() ? 0 : 1;
}

// Opens the database read-only through the VFS, bounded for whatever the file holds.
int Open(const PlacesVfs& vfs, const char* path, Database& db,
         const std::function<bool()>& keepGoing) {
    sqlite3_hard_heap_limit64(kMostMemory);
    const int code = sqlite3_open_v2(path, db.Out(), SQLITE_OPEN_READONLY, vfs.Name());
    if (code != SQLITE_OK) {
        return code;
    }
    sqlite3_progress_handler(db.Get(), kStepsPerCheck, AskKeepGoing,
                             const_cast<std::function<bool()>*>(&keepGoing));
    // A database's own schema runs nothing of its choosing; closing never writes.
    sqlite3_db_config(db.Get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db.Get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db.Get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    return sqlite3_exec(db.Get(), "PRAGMA cell_size_check = ON", nullptr, nullptr, nullptr);
}

} // namespace

PlacesRead ReadPlaces(ReadOnlyFiles& files, const char* path, BookmarkTree& tree,
                      std::string& texts, const std::function<bool()>& keepGoing) {
    tree.nodes.clear();
    texts.clear();
    PlacesVfs vfs(files);
    Database db;
    int code = vfs.Registered() ? Open(vfs, path, db, keepGoing) : SQLITE_CANTOPEN;
    if (code != SQLITE_OK) {
        return Failed(db.Get(), code, 0);
    }
    bool guids = false;
    PlacesRead read = ReadSchema(db.Get(), &guids);
    if (read.problem == PlacesProblem::kNone) {
        read = CheckBookmarks(db.Get(), read.schema);
    }
    if (read.problem != PlacesProblem::kNone) {
        return read;
    }
    std::unordered_map<sqlite3_int64, const char*> roots;
    std::vector<Row> rows;
    if (!ReadRoots(db.Get(), read.schema, roots, &code) ||
        !ReadRows(db.Get(), guids, rows, texts, &code)) {
        texts.clear();
        return Failed(db.Get(), code, read.schema);
    }
    const auto root = std::find_if(roots.begin(), roots.end(), [](const auto& entry) {
        return std::strcmp(entry.second, kFirefoxRootGuid) == 0;
    });
    if (root == roots.end()) {
        texts.clear();
        return NotFirefox(read.schema, "no root folder");
    }
    BuildTree(rows, texts, roots, root->first, tree);
    return read;
}
