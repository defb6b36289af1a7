// Drives the real programs from an end-to-end test, the way a user would: starts them, finds
// their windows, clicks, reads texts and list lines, answers message boxes. Texts are ANSI
// (code page 932), exactly as the programs hold them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace driver {

// A Windows path for a path given on the host's command line: /a/b becomes Z:\a\b.
std::string WindowsPath(const std::string& path);

// The Windows version Wine reports to the programs a test starts. A test program run with
// TEST_WINDOWS_VERSION set ("win95", "nt40", "win10", ...) has each program it starts told that
// version (Wine's HKCU\Software\Wine\AppDefaults\<program file name>\Version); without it,
// Wine's own default. While a ReportedVersion lives, programs of its file name get its version
// instead, whatever the variable says.
class ReportedVersion {
public:
    ReportedVersion(const std::string& exeName, const char* version);
    ~ReportedVersion();
    ReportedVersion(const ReportedVersion&) = delete;
    ReportedVersion& operator=(const ReportedVersion&) = delete;

    // Makes the version for a program about to start (its path or command line) the one due.
    static void Apply(const std::string& commandLine);

private:
    std::string name_;
};

// A started program; killed on destruction if it still runs, so no test leaves one behind.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts the program. Wine now and then fails a CreateProcess that succeeds when tried
    // again: each retry is counted (Retries) and said on the test's output. False when every
    // try failed; Problem() then says how.
    bool Start(const std::string& commandLine, const char* currentFolder = nullptr);
    const std::string& Problem() const { return problem_; }
    const std::string& CommandLine() const { return commandLine_; }
    // Waits for the end; true and the exit code when it ended within timeoutMs.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    bool Running() const;
    void Kill();
    DWORD Id() const { return info_.dwProcessId; }
    // The program's first thread: for a Windows program, its user-interface thread.
    DWORD MainThreadId() const { return info_.dwThreadId; }
    HANDLE Handle() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_{};
    std::string commandLine_;
    std::string problem_;
};

// CreateProcess calls retried by this test program so far.
int Retries();

// Why a started program did not come up: its message box (for one that refuses to start
// because another copy runs), its end, or nothing within the time; with the other processes
// of the same program file that run. Empty while the program runs without a box.
std::string WhyNotUp(const Process& process, DWORD waitedMs);

// Processes of this session, by id: the program file's name. (Wine's own programs included.)
std::vector<std::pair<DWORD, std::string>> RunningProcesses();
// The threads the process has now.
int ThreadCount(DWORD process);

// Polls cond every 20 ms until it holds or timeoutMs has passed.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs);

// A visible top-level window of process pid (0: any process) with the class (nullptr: any) and
// the exact title (nullptr: any); nullptr when none turns up within timeoutMs.
HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs);

// A dialog of process pid (0: any process) that holds a control with the id (for example the
// file name field of the Save As dialog, or a wizard's Next button).
HWND FindDialogWithItem(DWORD pid, int itemId);
HWND WaitForDialogWithItem(DWORD pid, int itemId, DWORD timeoutMs);

// A message box of process pid (a dialog holding the message static, id 0xFFFF).
HWND FindMessageBox(DWORD pid);
HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs);
std::string MessageBoxText(HWND box);

// Waits for a message box, records its text and caption, and presses the button (IDOK, IDYES,
// ...). False when no box came within timeoutMs.
struct MessageBoxSeen {
    std::string text;
    std::string caption;
};
bool AnswerMessageBox(DWORD pid, int buttonId, DWORD timeoutMs, MessageBoxSeen* seen = nullptr);

std::string WindowText(HWND window);
// The text of a dialog's control.
std::string ItemText(HWND dialog, int id);

// Sets a control's text (ANSI) as typing it would leave it.
void SetItemText(HWND dialog, int id, const std::string& text);

// Presses a button as a click would, without waiting for what the click opens.
void Click(HWND dialog, int id);

bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);

// All lines of a list box of another process, converted to the ANSI code page.
std::vector<std::string> ListBoxLines(HWND list);

// The command line another process was started with, as its program sees it (converted to the
// ANSI code page); empty when it cannot be read.
std::string ProcessCommandLine(DWORD pid);

// Whole contents of a file, as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Whole contents of a text file as the C runtime reads it in text mode (CR LF becomes LF).
std::string ReadTextFile(const std::string& path);
// Writes bytes to a file (created or emptied); true when written whole.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

bool KeyExists(HKEY root, const std::string& path);
// Makes the key and its parents, with one value so that the key is not bare.
bool MakeKey(HKEY root, const std::string& path);
// A registry value as stored (a text with its terminator), and its type; type 0 when it cannot
// be read. A null name reads the key's default value.
struct RegValue {
    DWORD type = 0;
    std::string bytes;
};
RegValue ReadRegValue(HKEY root, const std::string& path, const char* name);

} // namespace driver
