// Registration of the recorder and reading of its log.
#include "ShellRecorder.h"

#include <algorithm>

#include <shlwapi.h>

#include "WinDriver.h"

namespace driver {

namespace {

constexpr char kEnvironmentName[] = "RECORDER_LOG";

// The default value of a text type, up to its terminator.
bool ReadDefault(const std::string& subKey, std::string* value) {
    const RegValue read = ReadRegValue(HKEY_CLASSES_ROOT, subKey, nullptr);
    if (read.type != REG_SZ && read.type != REG_EXPAND_SZ) {
        return false;
    }
    *value = read.bytes.c_str();
    return true;
}

bool WriteDefault(const std::string& subKey, const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG result =
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace

ShellRecorder::ShellRecorder(const std::string& logPath) : logPath_(logPath) {
    DeleteFileA(logPath_.c_str());
    char old[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(kEnvironmentName, old, sizeof old);
    hadEnvironment_ = length > 0 && length < sizeof old;
    if (hadEnvironment_) {
        oldEnvironment_ = old;
    }
    SetEnvironmentVariableA(kEnvironmentName, logPath_.c_str());
}

ShellRecorder::~ShellRecorder() {
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
        if (!it->deleteKey.empty()) {
            SHDeleteKeyA(HKEY_CLASSES_ROOT, it->deleteKey.c_str());
        } else if (it->hadValue) {
            WriteDefault(it->restoreKey, it->oldValue);
        } else {
            HKEY key;
            if (RegOpenKeyExA(HKEY_CLASSES_ROOT, it->restoreKey.c_str(), 0, KEY_WRITE, &key) ==
                ERROR_SUCCESS) {
                RegDeleteValueA(key, nullptr);
                RegCloseKey(key);
            }
        }
    }
    SetEnvironmentVariableA(kEnvironmentName, hadEnvironment_ ? oldEnvironment_.c_str() : nullptr);
    DeleteFileA(logPath_.c_str());
}

bool ShellRecorder::SetClassDefault(const std::string& subKey, const std::string& value) {
    Undo undo;
    // The topmost level that does not exist yet is ours to remove again, with all below it.
    size_t end = 0;
    do {
        end = subKey.find('\\', end + 1);
        const std::string level = subKey.substr(0, end);
        if (!KeyExists(HKEY_CLASSES_ROOT, level)) {
            undo.deleteKey = level;
            break;
        }
    } while (end != std::string::npos);
    if (undo.deleteKey.empty()) {
        undo.restoreKey = subKey;
        undo.hadValue = ReadDefault(subKey, &undo.oldValue);
    }
    undo_.push_back(undo);
    return WriteDefault(subKey, value);
}

bool ShellRecorder::RecordPages() {
    const std::string command = "\"" + RecorderPath() + "\" \"%1\"";
    return SetClassDefault(".htm", "htmlfile") &&
           SetClassDefault("htmlfile\\shell\\open\\command", command);
}

bool ShellRecorder::RecordUrls() {
    const std::string command = "\"" + RecorderPath() + "\" \"%1\"";
    return SetClassDefault("http\\shell\\open\\command", command);
}

std::vector<std::string> ShellRecorder::Opened() const {
    // Each line: the recorder's creation time (16 hex digits, so they sort as text), a tab, and
    // what it was asked to open. Sorted, they are in the order the program started them.
    std::vector<std::string> lines;
    const std::string bytes = ReadFileBytes(logPath_);
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
    }
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return a.compare(0, 16, b, 0, 16) < 0;
    });
    for (std::string& line : lines) {
        line.erase(0, line.find('\t') == 16 ? 17 : 0);
    }
    return lines;
}

bool ShellRecorder::WaitForOpened(size_t count, DWORD timeoutMs) const {
    return WaitUntil([&] { return Opened().size() >= count; }, timeoutMs);
}

std::string ShellRecorder::RecorderPath() {
    return WindowsPath(RECORDER_EXE);
}

} // namespace driver
