// The read-only VFS: every call SQLite makes to read a database and its WAL, answered from
// ReadOnlyFiles; every call that would change a file refused. A WAL that is not there is an
// empty file (SQLite asks for one whenever the database is in WAL mode).
#include "favorites/PlacesVfs.h"

#include <cstring>

namespace {

constexpr char kVfsName[] = "vexilo-read-only";
// Longer than any path the program hands over (a temporary folder and a file name).
constexpr int kLongestPath = 1024;

struct OpenFile {
    sqlite3_file base; // first: SQLite sees only this
    ReadOnlyFiles* files;
    void* handle; // nullptr: an empty file
};

ReadOnlyFiles& FilesOf(sqlite3_vfs* vfs) {
    return *static_cast<ReadOnlyFiles*>(vfs->pAppData);
}

int Close(sqlite3_file* file) {
    OpenFile* open = reinterpret_cast<OpenFile*>(file);
    if (open->handle) {
        open->files->Close(open->handle);
        open->handle = nullptr;
    }
    return SQLITE_OK;
}

// What is not there reads as zeros, as SQLite wants it with a short read.
int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    OpenFile* open = reinterpret_cast<OpenFile*>(file);
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    const size_t wanted = amount > 0 ? static_cast<size_t>(amount) : 0;
    if (offset < 0) {
        return SQLITE_IOERR_READ;
    }
    while (open->handle && done < wanted) {
        size_t got = 0;
        if (!open->files->Read(open->handle, static_cast<uint64_t>(offset) + done, out + done,
                               wanted - done, &got)) {
            return SQLITE_IOERR_READ;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    if (done < wanted) {
        std::memset(out + done, 0, wanted - done);
        return SQLITE_IOERR_SHORT_READ;
    }
    return SQLITE_OK;
}

int Write(sqlite3_file*, const void*, int, sqlite3_int64) {
    return SQLITE_IOERR_WRITE;
}

int Truncate(sqlite3_file*, sqlite3_int64) {
    return SQLITE_IOERR_TRUNCATE;
}

int Sync(sqlite3_file*, int) {
    return SQLITE_OK;
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    OpenFile* open = reinterpret_cast<OpenFile*>(file);
    uint64_t bytes = 0;
    if (open->handle && !open->files->Size(open->handle, &bytes)) {
        return SQLITE_IOERR_FSTAT;
    }
    *size = static_cast<sqlite3_int64>(bytes > INT64_MAX ? INT64_MAX : bytes);
    return SQLITE_OK;
}

// The files are the reader's own copies: no one else to lock against.
int Lock(sqlite3_file*, int) {
    return SQLITE_OK;
}

int CheckReservedLock(sqlite3_file*, int* reserved) {
    *reserved = 0;
    return SQLITE_OK;
}

int FileControl(sqlite3_file*, int, void*) {
    return SQLITE_NOTFOUND;
}

int SectorSize(sqlite3_file*) {
    return 512;
}

int DeviceCharacteristics(sqlite3_file*) {
    return 0;
}

// Version 1: no shared memory and no mapping, which exclusive locking mode does without.
const sqlite3_io_methods* Methods() {
    static sqlite3_io_methods methods;
    methods.iVersion = 1;
    methods.xClose = Close;
    methods.xRead = Read;
    methods.xWrite = Write;
    methods.xTruncate = Truncate;
    methods.xSync = Sync;
    methods.xFileSize = FileSize;
    methods.xLock = Lock;
    methods.xUnlock = Lock;
    methods.xCheckReservedLock = CheckReservedLock;
    methods.xFileControl = FileControl;
    methods.xSectorSize = SectorSize;
    methods.xDeviceCharacteristics = DeviceCharacteristics;
    return &methods;
}

int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    OpenFile* open = reinterpret_cast<OpenFile*>(file);
    open->base.pMethods = nullptr;
    if (!name) {
        return SQLITE_CANTOPEN; // temporary files: the build keeps them in memory
    }
    open->files = &FilesOf(vfs);
    open->handle = open->files->Open(name);
    if (!open->handle && !(flags & SQLITE_OPEN_WAL)) {
        return SQLITE_CANTOPEN;
    }
    open->base.pMethods = Methods();
    if (outFlags) {
        *outFlags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
    }
    return SQLITE_OK;
}

int Delete(sqlite3_vfs*, const char*, int) {
    return SQLITE_IOERR_DELETE;
}

int Access(sqlite3_vfs* vfs, const char* name, int flags, int* result) {
    *result = 0;
    if (flags == SQLITE_ACCESS_READWRITE) {
        return SQLITE_OK;
    }
    if (void* handle = FilesOf(vfs).Open(name)) {
        FilesOf(vfs).Close(handle);
        *result = 1;
    }
    return SQLITE_OK;
}

int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    const size_t length = std::strlen(name);
    if (size <= 0 || length >= static_cast<size_t>(size)) {
        return SQLITE_CANTOPEN;
    }
    std::memcpy(out, name, length + 1);
    return SQLITE_OK;
}

// Randomness and time serve writers (salts, journal names) and date functions: none of them
// happens here.
int Randomness(sqlite3_vfs*, int size, char* out) {
    std::memset(out, 0, size > 0 ? static_cast<size_t>(size) : 0);
    return size;
}

int Sleep(sqlite3_vfs*, int) {
    return 0;
}

int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) {
    *now = 210866760000000LL; // 1970-01-01 as a Julian day in milliseconds
    return SQLITE_OK;
}

int CurrentTime(sqlite3_vfs* vfs, double* now) {
    sqlite3_int64 milliseconds = 0;
    CurrentTimeInt64(vfs, &milliseconds);
    *now = static_cast<double>(milliseconds) / 86400000.0;
    return SQLITE_OK;
}

int LastError(sqlite3_vfs*, int, char*) {
    return 0;
}

} // namespace

// SQLite's start and end of its operating-system layer: this build has no layer of its own,
// and the VFS is registered by whoever reads.
extern "C" int sqlite3_os_init(void) {
    return SQLITE_OK;
}

extern "C" int sqlite3_os_end(void) {
    return SQLITE_OK;
}

PlacesVfs::PlacesVfs(ReadOnlyFiles& files) : vfs_() {
    vfs_.iVersion = 2;
    vfs_.szOsFile = sizeof(OpenFile);
    vfs_.mxPathname = kLongestPath;
    vfs_.zName = kVfsName;
    vfs_.pAppData = &files;
    vfs_.xOpen = Open;
    vfs_.xDelete = Delete;
    vfs_.xAccess = Access;
    vfs_.xFullPathname = FullPathname;
    vfs_.xRandomness = Randomness;
    vfs_.xSleep = Sleep;
    vfs_.xCurrentTime = CurrentTime;
    vfs_.xGetLastError = LastError;
    vfs_.xCurrentTimeInt64 = CurrentTimeInt64;
    registered_ = sqlite3_vfs_register(&vfs_, 0) == SQLITE_OK;
}

PlacesVfs::~PlacesVfs() {
    if (registered_) {
        sqlite3_vfs_unregister(&vfs_);
    }
}
