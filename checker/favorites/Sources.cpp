// The sources of a run's list: recognising what the setting names, reading a bookmark file into
// the table of nodes, and finding the current user's browsers and profiles.
#include <windows.h>

#include "favorites/Sources.h"

#include "favorites/Bookmarks.h"
#include "favorites/BookmarksHtml.h"
#include "favorites/BookmarksJson.h"
#include "favorites/FavoritesList.h"
#include "favorites/FavoritesWalk.h"
#include "favorites/FirefoxDatabase.h"
#include "favorites/MozLz4.h"
#include "favorites/SourceRules.h"
#include "framework/Handles.h"
#include "framework/RunFlags.h"
#include "text/AnsiText.h"
#include "text/TextRoutines.h"

#include <algorithm>
#include <cstdarg>
#include <functional>
#include <cstdlib>
#include <cstring>

namespace {

// Bigger than any browser's file of a million bookmarks; more is no bookmarks file, and would
// only take the machine's memory.
constexpr size_t kMaxSourceSize = 256u << 20;
constexpr size_t kSniffSize = 4096;
constexpr size_t kMessageSize = kListLineSize + 512;

constexpr char kFavoritesCaption[] = "InternetExplorerの お気に入りのフォルダ";
constexpr char kFavoritesBrowser[] = "Internet Explorer";
constexpr char kFavoritesName[] = "お気に入り";
constexpr char kFirefox[] = "Mozilla Firefox";
constexpr char kDatabaseCaption[] = "Firefoxのブックマーク（今の時点のデータベース）";
constexpr char kChromiumFile[] = "Bookmarks";
constexpr char kLocalState[] = "Local State";
constexpr char kBackups[] = "bookmarkbackups";
constexpr char kDatabase[] = "places.sqlite";

// The Chromium browsers: where each keeps its profiles, below the user's local or roaming
// application data folder. Opera keeps its one profile in that folder itself (newer versions
// in a Default folder below it).
struct Browser {
    const char* name;
    bool local;
    const char* userData;
};
constexpr Browser kBrowsers[] = {
    {"Microsoft Edge", true, "Microsoft\\Edge\\User Data"},
    {"Microsoft Edge Beta", true, "Microsoft\\Edge Beta\\User Data"},
    {"Microsoft Edge Dev", true, "Microsoft\\Edge Dev\\User Data"},
    {"Microsoft Edge Canary", true, "Microsoft\\Edge SxS\\User Data"},
    {"Google Chrome", true, "Google\\Chrome\\User Data"},
    {"Google Chrome Beta", true, "Google\\Chrome Beta\\User Data"},
    {"Google Chrome Canary", true, "Google\\Chrome SxS\\User Data"},
    {"Chromium", true, "Chromium\\User Data"},
    {"Brave", true, "BraveSoftware\\Brave-Browser\\User Data"},
    {"Vivaldi", true, "Vivaldi\\User Data"},
    {"Opera", false, "Opera Software\\Opera Stable"},
    {"Opera GX", false, "Opera Software\\Opera GX Stable"},
};

bool IsFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Join(const std::string& folder, const char* name) {
    char path[kListLineSize];
    return JoinPath(path, sizeof path, folder.c_str(), name) ? std::string(path) : std::string();
}

__attribute__((format(printf, 1, 2))) std::string Message(const char* format, ...) {
    char text[kMessageSize];
    va_list args;
    va_start(args, format);
    FormatTextV(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string Ansi(const std::string& utf8) {
    char text[kListLineSize];
    Utf8ToAnsi(utf8.data(), utf8.size(), text, sizeof text);
    return text;
}

// A file's bytes on the heap with a zero byte after them, as the readers want them.
class FileText {
public:
    FileText() = default;
    ~FileText() { std::free(data_); }
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;

    bool Make(size_t length) {
        std::free(data_);
        data_ = static_cast<char*>(std::malloc(length + 1));
        length_ = data_ ? length : 0;
        if (data_) {
            data_[length] = '\0';
        }
        return data_ != nullptr;
    }
    char* Data() const { return data_; }
    size_t Length() const { return length_; }

private:
    char* data_ = nullptr;
    size_t length_ = 0;
};

enum class FileRead { kOk, kCannotOpen, kTooBig, kNoMemory, kCannotRead };

// Reads at most limit bytes of the file at once and closes it again.
FileRead ReadWholeFile(const char* path, FileText& text, size_t limit = kMaxSourceSize) {
    KernelHandle file(OpenShared(path));
    if (!file.IsOpen()) {
        return FileRead::kCannotOpen;
    }
    DWORD high = 0;
    const DWORD low = GetFileSize(file.Get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        return FileRead::kCannotRead;
    }
    size_t size = low;
    if (high || size > limit) {
        if (limit == kMaxSourceSize) {
            return FileRead::kTooBig;
        }
        size = limit; // only the head is wanted
    }
    if (!text.Make(size)) {
        return FileRead::kNoMemory;
    }
    size_t done = 0;
    while (done < size) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(size - done < (1u << 24) ? size - done : 1u << 24);
        if (!ReadFile(file.Get(), text.Data() + done, want, &got, nullptr) || got == 0) {
            return FileRead::kCannotRead;
        }
        done += got;
    }
    return FileRead::kOk;
}

std::string ReadProblem(FileRead read, const char* path) {
    switch (read) {
    case FileRead::kOk:
        break;
    case FileRead::kCannotOpen:
    case FileRead::kCannotRead:
        return Message("%s\nを読み込めませんでした。", path);
    case FileRead::kTooBig:
        return Message("%s\nは大きすぎるため読み込めません（256 MB まで）。", path);
    case FileRead::kNoMemory:
        return Message("%s\nを読み込むためのメモリが足りません。", path);
    }
    return std::string();
}

// A bookmark file read into the table: the texts the table points into stay here with it.
struct ParsedFile {
    FileText text;
    FileText decoded; // the JSON of a Firefox backup, or an HTML file in UTF-8
    std::string texts; // the texts of Firefox's database
    BookmarkTree tree;
    std::vector<std::string> notes;
};

std::string JsonProblemText(const JsonReadResult& result, const char* path) {
    char text[kMessageSize];
    if (result.problem == JsonProblem::kNoBookmarks) {
        FormatText(text, sizeof text, "%s\nにはブックマークが見つかりません。", path);
    } else {
        FormatText(text, sizeof text,
                   "%s\nはブックマークのファイルとして読めません（%lu バイト目から壊れています）。",
                   path, static_cast<unsigned long>(result.offset));
    }
    return text;
}

// An HTML file in its own charset as UTF-8: the charset its META line names, or UTF-8.
bool HtmlAsUtf8(ParsedFile& parsed, const char* path, std::string& problem) {
    const FileText& raw = parsed.text;
    const TextSpan charset = DeclaredCharset(raw.Data(), raw.Length());
    const unsigned codePage = charset.length ? CodePageForCharset(charset) : 65001;
    std::string converted;
    if (codePage != 65001 && codePage != 0 &&
        CodePageToUtf8(codePage, raw.Data(), raw.Length(), converted)) {
        if (!parsed.decoded.Make(converted.size())) {
            problem = ReadProblem(FileRead::kNoMemory, path);
            return false;
        }
        std::memcpy(parsed.decoded.Data(), converted.data(), converted.size());
        return true;
    }
    if (codePage != 65001) {
        char name[64];
        Utf8ToAnsi(charset.data, charset.length, name, sizeof name);
        char note[kMessageSize];
        FormatText(note, sizeof note, "ブックマークの文字コード「%s」は読めないため、UTF-8 として読みます。",
                   name);
        parsed.notes.push_back(note);
    }
    return true;
}

// Reads the bookmark file at path into parsed; false with problem when it is none or broken.
bool ParseBookmarkFile(const char* path, ParsedFile& parsed, std::string& problem) {
    const FileRead read = ReadWholeFile(path, parsed.text);
    if (read != FileRead::kOk) {
        problem = ReadProblem(read, path);
        return false;
    }
    FileText& text = parsed.text;
    // A byte-order mark before JSON (an editor's, never a browser's) is no fault of the file.
    char* json = text.Data();
    size_t jsonLength = text.Length();
    if (jsonLength >= 3 && std::memcmp(json, "\xEF\xBB\xBF", 3) == 0) {
        json += 3;
        jsonLength -= 3;
    }
    JsonReadResult result;
    switch (SniffBookmarkFile(text.Data(), text.Length() < kSniffSize ? text.Length() : kSniffSize)) {
    case BookmarkFileKind::kChromium:
        result = ReadChromiumBookmarks(json, jsonLength, parsed.tree);
        break;
    case BookmarkFileKind::kFirefoxJson:
        result = ReadFirefoxBookmarks(json, jsonLength, parsed.tree);
        break;
    case BookmarkFileKind::kMozLz4: {
        uint32_t size = 0;
        ReadMozLz4Header(reinterpret_cast<const unsigned char*>(text.Data()), text.Length(), &size);
        if (size > kMaxSourceSize) {
            problem = ReadProblem(FileRead::kTooBig, path);
            return false;
        }
        if (!parsed.decoded.Make(size)) {
            problem = ReadProblem(FileRead::kNoMemory, path);
            return false;
        }
        if (!DecodeLz4Block(reinterpret_cast<const unsigned char*>(text.Data()) + kMozLz4HeaderSize,
                            text.Length() - kMozLz4HeaderSize,
                            reinterpret_cast<unsigned char*>(parsed.decoded.Data()), size)) {
            problem = Message("%s\nはFirefoxのバックアップとして読めません（圧縮が壊れています）。", path);
            return false;
        }
        text.Make(0); // the compressed bytes are done with
        result = ReadFirefoxBookmarks(parsed.decoded.Data(), parsed.decoded.Length(), parsed.tree);
        break;
    }
    case BookmarkFileKind::kHtml: {
        if (!HtmlAsUtf8(parsed, path, problem)) {
            return false;
        }
        FileText& html = parsed.decoded.Data() ? parsed.decoded : text;
        if (!ReadBookmarksHtml(html.Data(), html.Length(), parsed.tree).bookmarksFile) {
            problem = Message("%s\nはブックマークのHTMLファイルとして読めません。", path);
            return false;
        }
        return true;
    }
    case BookmarkFileKind::kDatabase: // read as Firefox's database before it comes here
    case BookmarkFileKind::kUnknown:
        problem = Message("%s\nはお気に入りのフォルダでも、ブックマークのファイルでもありません。", path);
        return false;
    }
    if (result.problem != JsonProblem::kNone) {
        problem = JsonProblemText(result, path);
        return false;
    }
    return true;
}

int CountLinks(const BookmarkTree& tree) {
    int count = 0;
    for (const BookmarkNode& node : tree.nodes) {
        count += node.kind == BookmarkKind::kLink && node.url.length && !node.urlNotText ? 1 : 0;
    }
    return count;
}

// A Firefox profile folder holds its backups and its database; a Chromium profile folder its
// Bookmarks beside its Preferences.
bool IsFirefoxProfile(const std::string& folder) {
    return IsFolder(Join(folder, kBackups).c_str()) || IsFile(Join(folder, kDatabase).c_str());
}

bool IsChromiumProfile(const std::string& folder) {
    return IsFile(Join(folder, kChromiumFile).c_str()) &&
           IsFile(Join(folder, "Preferences").c_str());
}

// The newest backup of a Firefox profile, by the day in its name (then by name); false when
// there is none.
bool NewestBackup(const std::string& profile, std::string& path, std::string& date) {
    const std::string folder = Join(profile, kBackups);
    const std::string pattern = Join(folder, "bookmarks-*.json*");
    WIN32_FIND_DATAA entry;
    FindHandle search;
    std::string best;
    if (pattern.empty() || !search.First(pattern.c_str(), &entry)) {
        return false;
    }
    do {
        char day[11];
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            BackupDate(entry.cFileName, day) &&
            (std::string(day) > date || (day == date && entry.cFileName > best))) {
            date = day;
            best = entry.cFileName;
        }
    } while (search.Next(&entry));
    if (best.empty()) {
        return false;
    }
    path = Join(folder, best.c_str());
    return !path.empty();
}

std::string NoBackupProblem(const char* profile, const std::string& why) {
    return Message("%s\nにはFirefoxのブックマークのバックアップがありません。\n"
                   "今の時点のデータベースも読めませんでした: %s。\n"
                   "Firefoxの「ブックマークを管理」で「インポートとバックアップ」から「HTML "
                   "形式でエクスポート」を選んでブックマークをHTMLファイルに書き出し、"
                   "そのファイルを「>>」で選んでください。",
                   profile, why.c_str());
}

std::string BackupNote(const std::string& date) {
    char note[kMessageSize];
    FormatText(note, sizeof note,
               "Firefoxのブックマークを %s のバックアップから読みました（その日の時点のブックマークです）。",
               date.c_str());
    return note;
}

// A Firefox profile's bookmarks: its database as it is now, else its newest backup, with a
// note of why; false with problem when neither can be read. date: the backup's day, empty for
// the database. A stop while the database is read leaves the table empty.
bool ParseFirefoxProfile(const std::string& profile, const std::string& database,
                         ParsedFile& parsed, std::string& date, std::string& problem,
                         const std::function<bool()>& keepGoing) {
    std::string why;
    switch (ReadFirefoxDatabase(database.c_str(), parsed.tree, parsed.texts, why, keepGoing)) {
    case DatabaseRead::kRead: {
        char folder[kListLineSize];
        PathDirectory(database.c_str(), folder, sizeof folder);
        parsed.notes.push_back(Message("Firefoxのブックマークを %s から読みました"
                                       "（今の時点のブックマークです）。",
                                       database.c_str() + std::strlen(folder)));
        return true;
    }
    case DatabaseRead::kStopped:
        return true;
    case DatabaseRead::kNotRead:
        break;
    }
    std::string backup;
    if (!NewestBackup(profile, backup, date)) {
        problem = NoBackupProblem(profile.c_str(), why);
        return false;
    }
    if (!ParseBookmarkFile(backup.c_str(), parsed, problem)) {
        return false;
    }
    parsed.notes.insert(
        parsed.notes.begin(),
        {BackupNote(date), Message("今の時点のデータベースは読めませんでした: %s。", why.c_str())});
    return true;
}

// The folder a file lies in, without its trailing separator.
std::string FolderOf(const char* path) {
    char folder[kListLineSize];
    PathDirectory(path, folder, sizeof folder);
    const size_t length = std::strlen(folder);
    if (length > 0 && folder[length - 1] == '\\') {
        folder[length - 1] = '\0';
    }
    return folder;
}

BookmarkFileKind KindOf(const char* path) {
    FileText head;
    ReadWholeFile(path, head, kSniffSize);
    return head.Data() ? SniffBookmarkFile(head.Data(), head.Length()) : BookmarkFileKind::kUnknown;
}

// The Chromium browser whose folder path lies in, or nullptr.
const Browser* BrowserOf(const char* path) {
    char lowered[kListLineSize];
    CopyText(lowered, sizeof lowered, path);
    ChangeCase(lowered, 1);
    for (const Browser& browser : kBrowsers) {
        char folder[kListLineSize];
        FormatText(folder, sizeof folder, "\\%s\\", browser.userData);
        ChangeCase(folder, 1);
        if (std::strstr(lowered, folder)) {
            return &browser;
        }
    }
    return nullptr;
}

// The names of a Chromium browser's profiles, from its Local State (ANSI).
std::vector<ProfileName> ProfileNames(const std::string& userData) {
    std::vector<ProfileName> names;
    FileText text;
    if (ReadWholeFile(Join(userData, kLocalState).c_str(), text) == FileRead::kOk) {
        ReadChromiumProfileNames(text.Data(), text.Length(), names);
    }
    for (ProfileName& name : names) {
        name.name = Ansi(name.name);
    }
    return names;
}

std::string ProfileNameOf(const std::vector<ProfileName>& names, const std::string& folder) {
    for (const ProfileName& name : names) {
        if (lstrcmpiA(name.folder.c_str(), folder.c_str()) == 0) {
            return name.name;
        }
    }
    return folder;
}

// The file a setting names for reading: a Chromium profile folder stands for its Bookmarks.
std::string ChromiumFileOf(const char* setting) {
    return IsFolder(setting) ? Join(setting, kChromiumFile) : std::string(setting);
}

// Firefox's profiles, as its profiles.ini in the roaming folder lists them, each counted from
// its database (or newest backup).
void FirefoxSources(const char* roaming, std::vector<FoundSource>& found) {
    const std::string firefox = roaming[0] ? Join(roaming, "Mozilla\\Firefox") : std::string();
    FileText ini;
    if (firefox.empty() ||
        ReadWholeFile(Join(firefox, "profiles.ini").c_str(), ini) != FileRead::kOk) {
        return;
    }
    for (const FirefoxProfile& profile : ReadProfilesIni(ini.Data(), ini.Length())) {
        FoundSource source;
        source.browser = kFirefox;
        source.profile = Ansi(profile.name);
        std::string path = Ansi(profile.path);
        for (char* p = &path[0]; *p; p += CharLength(p)) {
            if (*p == '/') {
                *p = '\\';
            }
        }
        if (profile.relative && !ProfilePathStaysInside(profile.path)) {
            source.setting = path;
            source.problem = Message("Firefoxのプロファイルの場所「%s」がFirefoxのフォルダの外を"
                                     "指しているため、読み込みません。",
                                     path.c_str());
            found.push_back(source);
            continue;
        }
        source.setting = profile.relative ? Join(firefox, path.c_str()) : path;
        ParsedFile parsed;
        if (source.setting.empty() || !IsFolder(source.setting.c_str())) {
            source.problem = Message("Firefoxのプロファイルのフォルダ\n%s\nが見つかりません。",
                                     source.setting.empty() ? path.c_str()
                                                            : source.setting.c_str());
        } else if (ParseFirefoxProfile(source.setting, Join(source.setting, kDatabase), parsed,
                                       source.date, source.problem, [] { return true; })) {
            source.count = CountLinks(parsed.tree);
        }
        found.push_back(source);
    }
}

} // namespace

bool FillFavoritesList(const char* setting, FILE* list, FilledList& filled) {
    filled = FilledList();
    if (!setting[0]) {
        filled.problem = "確認するお気に入りのフォルダか、ブックマークのファイルが選ばれていません。\n"
                         "「自動参照」か「>>」で選んでください。";
        return false;
    }
    const DWORD attributes = GetFileAttributesA(setting);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        filled.problem = Message("%s\nが見つかりません。お気に入りのフォルダか、ブックマークの"
                                 "ファイルを選んでください。",
                                 setting);
        return false;
    }
    std::string file = setting;
    std::string profile; // of Firefox: file is its database then
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (IsFirefoxProfile(setting)) {
            profile = setting;
            file = Join(setting, kDatabase);
        } else if (IsChromiumProfile(setting)) {
            file = ChromiumFileOf(setting);
        } else {
            filled.count = EnumerateFavorites(setting, list);
            return true;
        }
    } else if (KindOf(setting) == BookmarkFileKind::kDatabase) {
        profile = FolderOf(setting);
    }
    const std::function<bool()> keepGoing = [] {
        DispatchOneMessage();
        return runFlag == 1;
    };
    ParsedFile parsed;
    std::string date;
    if (!(profile.empty()
              ? ParseBookmarkFile(file.c_str(), parsed, filled.problem)
              : ParseFirefoxProfile(profile, file, parsed, date, filled.problem, keepGoing))) {
        return false;
    }
    filled.notes = parsed.notes;
    // The copies of a profile stay its own whichever of its files was read.
    char tag[16];
    BookmarkSourceTag(profile.empty() ? file.c_str() : profile.c_str(), tag, sizeof tag);
    const BookmarksWritten written = WriteBookmarks(parsed.tree, tag, Utf8ToAnsi, list, keepGoing);
    filled.count = written.links;
    if (written.broken > 0) {
        char note[kMessageSize];
        FormatText(note, sizeof note, "URLが読めないブックマークが %d 件あるため、確認しません。",
                   written.broken);
        filled.notes.push_back(note);
    }
    return true;
}

void SourceCaption(const char* setting, char* caption, size_t size) {
    CopyText(caption, size, kFavoritesCaption);
    const DWORD attributes = setting[0] ? GetFileAttributesA(setting) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (IsFirefoxProfile(setting)) {
            std::string path;
            std::string date;
            if (IsFile(Join(setting, kDatabase).c_str())) {
                CopyText(caption, size, kDatabaseCaption);
            } else if (NewestBackup(setting, path, date)) {
                FormatText(caption, size, "Firefoxのブックマーク（%s のバックアップ）", date.c_str());
            } else {
                CopyText(caption, size, "Firefoxのブックマーク（バックアップがありません）");
            }
            return;
        }
        if (!IsChromiumProfile(setting)) {
            return;
        }
    }
    const std::string file = ChromiumFileOf(setting);
    FileText head;
    ReadWholeFile(file.c_str(), head, kSniffSize);
    switch (head.Data() ? SniffBookmarkFile(head.Data(), head.Length()) : BookmarkFileKind::kUnknown) {
    case BookmarkFileKind::kChromium: {
        const Browser* browser = BrowserOf(file.c_str());
        // ...\User Data\<profile>\Bookmarks: the profile's name is in User Data's Local State.
        char folder[kListLineSize];
        PathDirectory(file.c_str(), folder, sizeof folder);
        folder[std::strlen(folder) ? std::strlen(folder) - 1 : 0] = '\0';
        char userData[kListLineSize];
        PathDirectory(folder, userData, sizeof userData);
        const char* profileFolder = folder + std::strlen(userData);
        const std::string profile =
            ProfileNameOf(ProfileNames(userData), profileFolder);
        if (browser) {
            FormatText(caption, size, "%s のブックマーク（%s）", browser->name, profile.c_str());
        } else {
            CopyText(caption, size, "Chromium系ブラウザのブックマーク");
        }
        break;
    }
    case BookmarkFileKind::kMozLz4:
    case BookmarkFileKind::kFirefoxJson:
        CopyText(caption, size, "Firefoxのブックマークのバックアップ");
        break;
    case BookmarkFileKind::kHtml:
        CopyText(caption, size, "ブックマークのHTMLファイル");
        break;
    case BookmarkFileKind::kDatabase:
        CopyText(caption, size, kDatabaseCaption);
        break;
    case BookmarkFileKind::kUnknown:
        CopyText(caption, size, "お気に入りのフォルダ、またはブックマークのファイル");
        break;
    }
}

std::vector<FoundSource> FindSources(const char* favoritesFolder) {
    std::vector<FoundSource> found;
    if (favoritesFolder[0]) {
        FoundSource favorites;
        favorites.browser = kFavoritesBrowser;
        favorites.profile = kFavoritesName;
        favorites.setting = favoritesFolder;
        favorites.count = CountFavorites(favoritesFolder);
        found.push_back(favorites);
    }
    char local[MAX_PATH] = "";
    char roaming[MAX_PATH] = "";
    UserDataFolder(true, false, local, sizeof local);
    UserDataFolder(false, false, roaming, sizeof roaming);

    for (const Browser& browser : kBrowsers) {
        const char* base = browser.local ? local : roaming;
        const std::string userData = base[0] ? Join(base, browser.userData) : std::string();
        if (userData.empty() || !IsFolder(userData.c_str())) {
            continue;
        }
        const std::vector<ProfileName> names = ProfileNames(userData);
        // The profiles: every folder holding a Bookmarks file, and the folder itself (Opera).
        std::vector<std::pair<std::string, std::string>> profiles; // file, name
        if (IsFile(Join(userData, kChromiumFile).c_str())) {
            profiles.push_back({Join(userData, kChromiumFile), browser.name});
        }
        WIN32_FIND_DATAA entry;
        FindHandle search;
        if (search.First(Join(userData, "*").c_str(), &entry)) {
            do {
                const std::string file = Join(Join(userData, entry.cFileName), kChromiumFile);
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != '.' &&
                    IsFile(file.c_str())) {
                    profiles.push_back({file, ProfileNameOf(names, entry.cFileName)});
                }
            } while (search.Next(&entry));
        }
        std::sort(profiles.begin(), profiles.end()); // Default, Profile 1, ...: as created
        for (const auto& profile : profiles) {
            FoundSource source;
            source.browser = browser.name;
            source.profile = profile.second;
            source.setting = profile.first;
            ParsedFile parsed;
            if (ParseBookmarkFile(profile.first.c_str(), parsed, source.problem)) {
                source.count = CountLinks(parsed.tree);
            }
            found.push_back(source);
        }
    }

    FirefoxSources(roaming, found);
    return found;
}
