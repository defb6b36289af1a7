// The only way SQLite reaches a file here: a VFS of our own that reads and never writes, locks,
// creates or deletes anything, over whatever ReadOnlyFiles gives (the system's ANSI file calls in
// the program, memory in the fuzz target). SQLite is built without its own Windows layer
// (SQLITE_OS_OTHER), so the program imports nothing Windows 95 lacks, and in exclusive locking
// mode from the start, where a WAL needs no shared memory. Pure: no windows.h.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>

// Files opened for reading by path; a handle is whatever the implementation makes of it.
class ReadOnlyFiles {
public:
    // nullptr when there is no such file or it cannot be opened.
    virtual void* Open(const char* path) = 0;
    // Up to length bytes at offset into buffer, *got of them (fewer only at the end); false on
    // an error of the medium.
    virtual bool Read(void* file, uint64_t offset, void* buffer, size_t length, size_t* got) = 0;
    virtual bool Size(void* file, uint64_t* size) = 0;
    virtual void Close(void* file) = 0;

protected:
    ~ReadOnlyFiles() = default;
};

// The VFS over files, known to SQLite by Name() while this lives (one at a time).
class PlacesVfs {
public:
    explicit PlacesVfs(ReadOnlyFiles& files);
    ~PlacesVfs();
    PlacesVfs(const PlacesVfs&) = delete;
    PlacesVfs& operator=(const PlacesVfs&) = delete;

    bool Registered() const { return registered_; }
    const char* Name() const { return vfs_.zName; }

private:
    sqlite3_vfs vfs_;
    bool registered_ = false;
};
