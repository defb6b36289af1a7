// What this run of the installer changed, kept so that a cancelled or failed installation can be
// undone, and written to the installation log (copy/InstallLog.h) as it goes. Files that existed
// are copied aside before they are overwritten; the copies go when the installation is done.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/Handles.h"
#include "base/MadeNotes.h"
#include "base/RunLog.h"
#include "base/Text.h"
#include "copy/InstallLog.h"

// Handed to the folder and shortcut code as their MadeNotes while the installation runs.
class InstallJournal : public MadeNotes {
public:
    // The diagnostic log the run writes its steps to (/LOG); a journal not attached to one has a
    // closed log of its own.
    void Attach(RunLog& log) { runLog_ = &log; }
    RunLog& Diagnostics() { return runLog_ ? *runLog_ : closedLog_; }

    // Starts the journal of a run into installFolder (which exists by now): opens the log
    // beside the setup file there, appending, and writes what was noted before it was open.
    // False, with why in error, when the log cannot be opened or written.
    bool Open(ErrorText& error);

    // Before target (a file below the installation folder) is written: its line goes into
    // the log first. False, with why in error, when it cannot: then target must not be written.
    bool LogFile(const char* target, ErrorText& error);
    // target did not exist, and this run made it.
    void MadeFile(const char* target);
    // target exists and is to be overwritten: its bytes are copied aside first. False, with why
    // in error, when they cannot be: then target must not be written.
    bool KeepEarlier(const char* target, ErrorText& error);
    // After KeepEarlier failed: because another program holds the file.
    bool WasInUse() const { return inUse_; }
    // After KeepEarlier: target could not even be opened for writing (a program holds it), so
    // its bytes are as they were; the copy kept aside goes, and undoing leaves target alone.
    void Untouched(const char* target);

    // target, held by a running program, is replaced by staged (a file this run made beside it)
    // when Windows next starts. Undoing the run deletes staged, which leaves the pending rename
    // without a file to move: target then keeps its bytes.
    void Deferred(const char* target, const char* staged);
    // Whether any file waits for the next start of Windows.
    bool RestartNeeded() const { return !deferred_.empty(); }
    // The file that will take target's place at the next start, or nullptr.
    const char* StagedFor(const char* target) const;
    // Where overwritten files wait until the installation is whole (with its backslash).
    const std::string& AsideFolder() const { return asideFolder_; }

    // A folder or link this run made (full paths; a folder with its trailing backslash).
    // Those below the installation folder, and links, are logged.
    void Made(MadeKind kind, const char* path) override;

    // The installation is whole: the copies of overwritten files go.
    void Commit();

    // Undoes the run, last change first: made files, links and folders go, overwritten files
    // get their earlier bytes back, and the log returns to what it held before. False when
    // anything could not be undone (it stays, still logged).
    bool RollBack();

    bool IsOpen() const { return log_.IsOpen(); }

private:
    struct Change {
        LogKind kind;
        std::string path;
        std::string saved; // the earlier bytes of an overwritten file, else empty
    };

    bool Log(LogKind kind, const char* path);
    bool SaveAside(const char* target, std::string& saved, ErrorText& error);
    const char* Below(const char* path) const;

    KernelHandle log_;          // the open log
    bool logExisted_ = false;   // an earlier installation's log: cut back, never deleted
    unsigned long logSize_ = 0; // its size when this run began
    std::string logPath_;
    std::string asideFolder_; // where overwritten files are copied, made when needed
    bool asideMade_ = false;
    bool inUse_ = false;
    std::vector<Change> changes_;
    std::vector<Change> pending_; // noted before the log was open
    std::vector<std::pair<std::string, std::string>> deferred_; // target, staged
    RunLog* runLog_ = nullptr;
    RunLog closedLog_;
};

// The log of the installation in installFolder: installFolder + the setup file's name with its
// extension made "LOG". False when it does not fit.
bool InstallLogPath(char* path, size_t size);
