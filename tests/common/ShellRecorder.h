// Observes what a program opens with the shell: registers the recorder program (tests/peers) as
// the open command of .htm pages and of http URLs in the test prefix, and reads its log. Every
// registry change is undone on destruction, so the prefix stays as it was. Wine 8.0 does not let
// HKCU\Software\Classes override HKEY_CLASSES_ROOT, so the classes themselves are changed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

class ShellRecorder {
public:
    // logPath: where the recorder appends (an old log is removed). The log's name is handed to
    // the recorder through the environment variable RECORDER_LOG of this process, which programs
    // started from here inherit.
    explicit ShellRecorder(const std::string& logPath);
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    // HKCR\.htm = htmlfile, HKCR\htmlfile\shell\open\command = "recorder.exe" "%1".
    bool RecordPages();
    // HKCR\http\shell\open\command = "recorder.exe" "%1".
    bool RecordUrls();

    // What was opened so far, one entry per start of the recorder.
    std::vector<std::string> Opened() const;
    // Waits until at least count starts have been recorded.
    bool WaitForOpened(size_t count, DWORD timeoutMs) const;

    // The recorder program, as built next to the tests.
    static std::string RecorderPath();

private:
    // Sets the default value of a key below HKEY_CLASSES_ROOT and remembers how to undo it.
    bool SetClassDefault(const std::string& subKey, const std::string& value);

    struct Undo {
        std::string deleteKey;  // created by us: removed whole
        std::string restoreKey; // existed: its default value put back
        bool hadValue = false;
        std::string oldValue;
    };
    std::vector<Undo> undo_;
    std::string logPath_;
    std::string oldEnvironment_;
    bool hadEnvironment_ = false;
};

} // namespace driver
