// The copy of Firefox's database and its reading. A copy is whole when the database did not
// change while it and then its WAL were copied: Firefox writes the database only when it moves
// pages of its WAL there (every other change goes to the WAL), and the WAL, copied after, holds
// each page such a move wrote until Firefox starts it anew, which it does only after such a
// move. A WAL cut short while Firefox writes it ends at its last whole transaction anyway.
#include "favorites/FirefoxDatabase.h"

#include "favorites/FavoritesList.h"
#include "favorites/PlacesReader.h"
#include "framework/Handles.h"
#include "text/TextRoutines.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kTries = 3;
constexpr DWORD kPauseBetweenTries = 200; // ms: Firefox moves its WAL in a moment
// A reading that takes longer is given up, whatever the database holds.
constexpr DWORD kLongestRead = 60000;
// Far beyond any profile's database (Firefox keeps its history within a few hundred MB).
constexpr uint64_t kLargestDatabase = 1ull << 30;
constexpr DWORD kCopyChunk = 256 * 1024;
constexpr char kWalSuffix[] = "-wal";

// The reader's own copies, opened for reading only.
class WindowsFiles : public ReadOnlyFiles {
public:
    void* Open(const char* path) override {
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS, nullptr);
        return file == INVALID_HANDLE_VALUE ? nullptr : file;
    }
    bool Read(void* file, uint64_t offset, void* buffer, size_t length, size_t* got) override {
        LONG high = static_cast<LONG>(offset >> 32);
        const DWORD low =
            SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
        if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
            return false;
        }
        DWORD read = 0;
        const DWORD want = static_cast<DWORD>(length < kCopyChunk ? length : kCopyChunk);
        if (!ReadFile(file, buffer, want, &read, nullptr)) {
            return false;
        }
        *got = read;
        return true;
    }
    bool Size(void* file, uint64_t* size) override {
        DWORD high = 0;
        const DWORD low = GetFileSize(file, &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
            return false;
        }
        *size = (static_cast<uint64_t>(high) << 32) | low;
        return true;
    }
    void Close(void* file) override { CloseHandle(file); }
};

// A folder of the reader's own in the temporary folder, with the two copies in it; both and
// the folder go again with it.
class CopyFolder {
public:
    CopyFolder() = default;
    CopyFolder(const CopyFolder&) = delete;
    CopyFolder& operator=(const CopyFolder&) = delete;
    ~CopyFolder() {
        if (!folder_.empty()) {
            DeleteFileA(database_.c_str());
            DeleteFileA(wal_.c_str());
            RemoveDirectoryA(folder_.c_str());
        }
    }

    // A name no one uses: this process's id and a count.
    bool Make() {
        char temp[MAX_PATH];
        const DWORD length = GetTempPathA(sizeof temp, temp);
        if (length == 0 || length >= sizeof temp) {
            return false;
        }
        for (unsigned n = 0; n < 100; ++n) {
            char folder[kPathSize];
            char database[kPathSize];
            char wal[kPathSize];
            if (!FormatText(folder, sizeof folder, "%sVexilo-places-%lx-%u", temp,
                            GetCurrentProcessId(), n) ||
                !FormatText(database, sizeof database, "%s\\places.sqlite", folder) ||
                !FormatText(wal, sizeof wal, "%s%s", database, kWalSuffix)) {
                return false;
            }
            if (CreateDirectoryA(folder, nullptr)) {
                folder_ = folder;
                database_ = database;
                wal_ = wal;
                return true;
            }
        }
        return false;
    }
    const std::string& Database() const { return database_; }
    const std::string& Wal() const { return wal_; }

private:
    std::string folder_, database_, wal_;
};

// What tells that a file changed: its size and when it was last written.
struct Stamp {
    DWORD low = 0, high = 0;
    FILETIME written{};
    bool operator==(const Stamp& other) const {
        return low == other.low && high == other.high &&
               written.dwLowDateTime == other.written.dwLowDateTime &&
               written.dwHighDateTime == other.written.dwHighDateTime;
    }
};

bool StampOf(HANDLE file, Stamp* stamp) {
    stamp->low = GetFileSize(file, &stamp->high);
    return !(stamp->low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) &&
           GetFileTime(file, nullptr, nullptr, &stamp->written);
}

enum class Copy { kWhole, kTorn, kCannot, kTooBig, kStopped };

// Everything from's file holds, from its start, into a new file to.
Copy CopyOpen(HANDLE from, const char* to, std::vector<char>& buffer,
              const std::function<bool()>& keepGoing) {
    KernelHandle copy(CreateFileA(to, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!copy.IsOpen() || SetFilePointer(from, 0, nullptr, FILE_BEGIN) != 0) {
        return Copy::kCannot;
    }
    for (;;) {
        if (!keepGoing()) {
            return Copy::kStopped;
        }
        DWORD read = 0;
        DWORD written = 0;
        if (!ReadFile(from, buffer.data(), kCopyChunk, &read, nullptr)) {
            return Copy::kCannot;
        }
        if (read == 0) {
            return Copy::kWhole;
        }
        if (!WriteFile(copy.Get(), buffer.data(), read, &written, nullptr) || written != read) {
            return Copy::kCannot;
        }
    }
}

// The database, then its WAL (or none), into the folder; torn when the database changed
// meanwhile.
Copy TakeCopy(const char* path, const CopyFolder& folder, const std::function<bool()>& keepGoing) {
    KernelHandle database(OpenShared(path));
    Stamp before;
    if (!database.IsOpen() || !StampOf(database.Get(), &before)) {
        return Copy::kCannot;
    }
    if (((static_cast<uint64_t>(before.high) << 32) | before.low) > kLargestDatabase) {
        return Copy::kTooBig;
    }
    std::vector<char> buffer(kCopyChunk);
    Copy copied = CopyOpen(database.Get(), folder.Database().c_str(), buffer, keepGoing);
    const std::string walPath = std::string(path) + kWalSuffix;
    KernelHandle wal(OpenShared(walPath.c_str()));
    if (copied == Copy::kWhole && wal.IsOpen()) {
        copied = CopyOpen(wal.Get(), folder.Wal().c_str(), buffer, keepGoing);
    } else if (copied == Copy::kWhole) {
        DeleteFileA(folder.Wal().c_str()); // a WAL of an earlier try
    }
    Stamp after;
    if (copied == Copy::kWhole && (!StampOf(database.Get(), &after) || !(after == before))) {
        copied = Copy::kTorn;
    }
    return copied;
}

__attribute__((format(printf, 2, 3))) void Why(std::string& why, const char* format, ...) {
    char text[kListLineSize];
    va_list args;
    va_start(args, format);
    FormatTextV(text, sizeof text, format, args);
    va_end(args);
    why = text;
}

// Why a copy that SQLite could not read was not read: its words, in a sentence of ours.
void WhyNotRead(const PlacesRead& read, const char* name, std::string& why) {
    const char* detail = read.detail.c_str();
    switch (read.problem) {
    case PlacesProblem::kNotDatabase:
        Why(why, "%s はSQLiteのデータベースではありません（%s）", name, detail);
        break;
    case PlacesProblem::kNotFirefox:
        Why(why, "%s はFirefoxのブックマークのデータベースではありません（スキーマ %d: %s）", name,
            read.schema, detail);
        break;
    case PlacesProblem::kTooLarge:
        Why(why, "%s は大きすぎて読めません（%s）", name, detail);
        break;
    default:
        Why(why, "%s は壊れています（%s）", name, detail);
        break;
    }
}

} // namespace

HANDLE OpenShared(const char* path) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
        file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    }
    return file;
}

DatabaseRead ReadFirefoxDatabase(const char* path, BookmarkTree& tree, std::string& texts,
                                 std::string& why, const std::function<bool()>& keepGoing) {
    tree.nodes.clear();
    char folderOfPath[kListLineSize];
    PathDirectory(path, folderOfPath, sizeof folderOfPath);
    const char* name = path + std::strlen(folderOfPath);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        Why(why, "%s がありません", name);
        return DatabaseRead::kNotRead;
    }
    const DWORD start = GetTickCount();
    bool late = false;
    const std::function<bool()> going = [&] {
        late = GetTickCount() - start > kLongestRead;
        return !late && keepGoing();
    };
    CopyFolder folder;
    if (!folder.Make()) {
        Why(why, "%s を一時フォルダにコピーできませんでした", name);
        return DatabaseRead::kNotRead;
    }
    WindowsFiles files;
    PlacesRead read;
    Copy copied = Copy::kCannot;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0) {
            Sleep(kPauseBetweenTries);
        }
        copied = TakeCopy(path, folder, going);
        if (copied != Copy::kWhole) {
            if (copied == Copy::kTorn) {
                continue;
            }
            break;
        }
        read = ReadPlaces(files, folder.Database().c_str(), tree, texts, going);
        // A copy SQLite finds damaged may be torn all the same: the clock of the file can miss
        // a write.
        if (read.problem != PlacesProblem::kDamaged &&
            read.problem != PlacesProblem::kNotDatabase) {
            break;
        }
    }
    if (copied == Copy::kWhole && read.problem == PlacesProblem::kNone) {
        return DatabaseRead::kRead;
    }
    if (late) {
        Why(why, "%s の読み込みに時間がかかりすぎました", name);
    } else if (copied == Copy::kStopped || read.problem == PlacesProblem::kInterrupted) {
        return DatabaseRead::kStopped;
    } else if (copied == Copy::kTorn) {
        Why(why, "Firefoxが書き込み続けているため、%s をそろった形でコピーできませんでした", name);
    } else if (copied == Copy::kTooBig) {
        Why(why, "%s は大きすぎます（1 GB まで）", name);
    } else if (copied == Copy::kCannot) {
        Why(why, "%s を一時フォルダにコピーできませんでした", name);
    } else {
        WhyNotRead(read, name, why);
    }
    return DatabaseRead::kNotRead;
}
