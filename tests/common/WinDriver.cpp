// End-to-end driver helpers. Messages that open modal loops are posted, never sent, so that
// the test keeps control; list box texts are read as UTF-16, because LB_GETTEXT in its ANSI
// form returns garbage across processes under Wine.
#include "WinDriver.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

namespace driver {

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    std::string result = "Z:" + path;
    for (char& c : result) {
        if (c == '/') {
            c = '\\';
        }
    }
    return result;
}

Process::~Process() {
    if (Running()) {
        Kill();
    }
    if (info_.hProcess) {
        CloseHandle(info_.hProcess);
    }
    if (info_.hThread) {
        CloseHandle(info_.hThread);
    }
}

namespace {

// Program file names told a version by a living ReportedVersion, and that version.
std::map<std::string, std::string>& Overrides() {
    static std::map<std::string, std::string> names;
    return names;
}

std::string UpperName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

// The file name of the program a command line starts: the first word, or the quoted path.
std::string ProgramName(const std::string& commandLine) {
    std::string program;
    if (!commandLine.empty() && commandLine[0] == '"') {
        program = commandLine.substr(1, commandLine.find('"', 1) - 1);
    } else {
        program = commandLine.substr(0, commandLine.find(' '));
    }
    const size_t slash = program.find_last_of("\\/");
    return UpperName(slash == std::string::npos ? program : program.substr(slash + 1));
}

void SetVersion(const std::string& name, const char* version) {
    const std::string path = "Software\\Wine\\AppDefaults\\" + name;
    HKEY key;
    if (!version) {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "Version");
            RegCloseKey(key);
        }
        return;
    }
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>(lstrlenA(version) + 1));
        RegCloseKey(key);
    }
}

} // namespace

ReportedVersion::ReportedVersion(const std::string& exeName, const char* version)
    : name_(UpperName(exeName)) {
    Overrides()[name_] = version;
    SetVersion(name_, version);
}

ReportedVersion::~ReportedVersion() {
    Overrides().erase(name_);
    SetVersion(name_, std::getenv("TEST_WINDOWS_VERSION"));
}

void ReportedVersion::Apply(const std::string& commandLine) {
    const std::string name = ProgramName(commandLine);
    if (name.empty() || Overrides().count(name)) {
        return;
    }
    const char* version = std::getenv("TEST_WINDOWS_VERSION");
    SetVersion(name, version && *version ? version : nullptr);
}

namespace {

int retries = 0;

} // namespace

int Retries() {
    return retries;
}

bool Process::Start(const std::string& commandLine, const char* currentFolder) {
    ReportedVersion::Apply(commandLine);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    problem_.clear();
    commandLine_ = commandLine;
    for (int attempt = 0;; ++attempt) {
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, currentFolder,
                           &startup, &info_)) {
            return true;
        }
        const DWORD error = GetLastError();
        char text[64];
        std::snprintf(text, sizeof text, "CreateProcess failed (error %lu)", error);
        if (attempt == 2) {
            problem_ = std::string(text) + ", three times: " + commandLine;
            std::fprintf(stderr, "driver: %s\n", problem_.c_str());
            return false;
        }
        ++retries;
        std::printf("[  RETRY   ] %s for %s; tried again (retry %d of this program)\n", text,
                    commandLine.c_str(), retries);
        std::fflush(stdout);
        Sleep(300);
    }
}

std::vector<std::pair<DWORD, std::string>> RunningProcesses() {
    std::vector<std::pair<DWORD, std::string>> running;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return running;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        running.emplace_back(entry.th32ProcessID, entry.szExeFile);
    }
    CloseHandle(snapshot);
    return running;
}

int ThreadCount(DWORD process) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == process ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

std::string WhyNotUp(const Process& process, DWORD waitedMs) {
    const std::string program = ProgramName(process.CommandLine());
    std::string why;
    if (HWND box = FindMessageBox(process.Id())) {
        why = "it refused to start, its box says \"" + MessageBoxText(box) + "\"";
    } else if (!process.Running()) {
        DWORD code = 0;
        GetExitCodeProcess(process.Handle(), &code);
        why = "it ended (exit code " + std::to_string(code) + ") before its window came up";
    } else if (waitedMs) {
        why = "it did not come up within " + std::to_string(waitedMs) + " ms";
    } else {
        return why;
    }
    std::string others;
    for (const auto& running : RunningProcesses()) {
        if (running.first != process.Id() && !program.empty() &&
            UpperName(running.second) == program) {
            others += " " + std::to_string(running.first);
        }
    }
    return why + (others.empty() ? "" : "; other copies run: process" + others);
}

bool Process::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    if (exitCode) {
        GetExitCodeProcess(info_.hProcess, exitCode);
    }
    return true;
}

bool Process::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void Process::Kill() {
    if (info_.hProcess) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (cond()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(20);
    }
}

namespace {

struct WindowQuery {
    DWORD pid;
    const char* className;
    const char* title;
    int itemId; // a control the window must hold, or 0
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    WindowQuery& query = *reinterpret_cast<WindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((query.pid && pid != query.pid) || !IsWindowVisible(window)) {
        return TRUE;
    }
    char text[512];
    if (query.className) {
        GetClassNameA(window, text, sizeof text);
        if (lstrcmpA(text, query.className) != 0) {
            return TRUE;
        }
    }
    if (query.title) {
        GetWindowTextA(window, text, sizeof text);
        if (lstrcmpA(text, query.title) != 0) {
            return TRUE;
        }
    }
    if (query.itemId && !GetDlgItem(window, query.itemId)) {
        return TRUE;
    }
    query.found = window;
    return FALSE;
}

HWND FindTopWindow(DWORD pid, const char* className, const char* title, int itemId) {
    WindowQuery query{pid, className, title, itemId, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

} // namespace

HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(pid, className, title, 0)) != nullptr; },
              timeoutMs);
    return found;
}

HWND FindDialogWithItem(DWORD pid, int itemId) {
    return FindTopWindow(pid, "#32770", nullptr, itemId);
}

HWND WaitForDialogWithItem(DWORD pid, int itemId, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDialogWithItem(pid, itemId)) != nullptr; }, timeoutMs);
    return found;
}

HWND FindMessageBox(DWORD pid) {
    return FindTopWindow(pid, "#32770", nullptr, 0xFFFF);
}

HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindMessageBox(pid)) != nullptr; }, timeoutMs);
    return found;
}

std::string MessageBoxText(HWND box) {
    return ItemText(box, 0xFFFF);
}

bool AnswerMessageBox(DWORD pid, int buttonId, DWORD timeoutMs, MessageBoxSeen* seen) {
    HWND box = WaitForMessageBox(pid, timeoutMs);
    if (!box) {
        return false;
    }
    if (seen) {
        seen->text = MessageBoxText(box);
        seen->caption = WindowText(box);
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
    // Gone before the next question is looked for, so that it is never answered twice.
    return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, timeoutMs);
}

std::string WindowText(HWND window) {
    // WM_GETTEXT in its wide form crosses processes reliably; the program's texts are ANSI.
    const int length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1);
    SendMessageW(window, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()));
    char text[4096];
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text, sizeof text, nullptr, nullptr);
    return bytes > 0 ? std::string(text) : std::string();
}

std::string ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : std::string();
}

void SetItemText(HWND dialog, int id, const std::string& text) {
    std::vector<wchar_t> wide(text.size() + 1);
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.data()));
}

void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool IsChecked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

std::vector<std::string> ListBoxLines(HWND list) {
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        std::vector<wchar_t> wide(static_cast<size_t>(length < 0 ? 0 : length) + 1);
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
        std::vector<char> text(wide.size() * 2 + 1);
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text.data(), static_cast<int>(text.size()),
                            nullptr, nullptr);
        lines.emplace_back(text.data());
    }
    return lines;
}

std::string ProcessCommandLine(DWORD pid) {
    // Read from the process's own parameter block, where its program finds it.
    using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!query || !process) {
        if (process) {
            CloseHandle(process);
        }
        return std::string();
    }
    std::string line;
    PROCESS_BASIC_INFORMATION basic{};
    PEB block{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &block, sizeof block, nullptr) &&
        ReadProcessMemory(process, block.ProcessParameters, &parameters, sizeof parameters,
                          nullptr)) {
        std::vector<wchar_t> wide(parameters.CommandLine.Length / sizeof(wchar_t) + 1);
        if (ReadProcessMemory(process, parameters.CommandLine.Buffer, wide.data(),
                              parameters.CommandLine.Length, nullptr)) {
            std::vector<char> text(wide.size() * 2 + 1);
            WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text.data(),
                                static_cast<int>(text.size()), nullptr, nullptr);
            line = text.data();
        }
    }
    CloseHandle(process);
    return line;
}

namespace {

std::string ReadWhole(const std::string& path, const char* mode) {
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), mode);
    if (!file) {
        return bytes;
    }
    char block[4096];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        bytes.append(block, got);
    }
    std::fclose(file);
    return bytes;
}

} // namespace

std::string ReadFileBytes(const std::string& path) {
    return ReadWhole(path, "rb");
}

std::string ReadTextFile(const std::string& path) {
    return ReadWhole(path, "r");
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool MakeKey(HKEY root, const std::string& path) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegSetValueExA(key, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(key);
    return true;
}

RegValue ReadRegValue(HKEY root, const std::string& path, const char* name) {
    RegValue value;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return value;
    }
    char data[2048];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) ==
        ERROR_SUCCESS) {
        value.bytes.assign(data, size);
    } else {
        value.type = 0;
    }
    RegCloseKey(key);
    return value;
}

} // namespace driver
