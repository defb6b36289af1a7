// The diagnostic log an administrator asks for with /LOG: one line per step of an installation
// or a removal, with the time, what was done to which file, key or link, and each failure with
// the system's error code and text. Apart from the installation log (SETUP.LOG), which records
// what was made for the removal; a run without /LOG has a closed one, whose lines go nowhere.
#pragma once

#include "base/Handles.h"
#include "base/Text.h"

class RunLog {
public:
    RunLog() = default;
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Opens the file at path for appending, making it when it is missing. False, with why in
    // error, when it cannot be written (a folder that does not exist, a read-only file).
    bool Open(const char* path, ErrorText& error);
    // Makes a new file in folder named stem, the date and a number ("SETUP 2026-12-10 #1.log"),
    // the first such name that is free.
    bool OpenNew(const char* folder, const char* stem, ErrorText& error);
    // Closes the file, so that another process may append to it.
    void Close() { file_.Reset(); }
    bool IsOpen() const { return file_.IsOpen(); }
    // The file's full path; empty when none was opened.
    const char* Path() const { return path_; }

    // One line: the local time, then the text.
    void Note(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // One line for a failure: the time, the text, then the system's error code and its text
    // (only the text when code is 0).
    void Failure(unsigned long code, const char* format, ...) __attribute__((format(printf, 3, 4)));

private:
    void WriteV(bool failed, unsigned long code, const char* format, va_list args)
        __attribute__((format(printf, 4, 0)));
    void Write(const char* text, bool failed, unsigned long code);

    KernelHandle file_;
    char path_[kPathSize] = "";
};
