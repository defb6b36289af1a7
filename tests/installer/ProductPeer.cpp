// Stands in for an installed product's main program in tests: appends where it was started from,
// its command line and its current folder, tab-separated, to the file named by
// TOVAMERE_STARTED_LOG, one line per start, and ends at once. A windowed program, so that
// starting it opens no console. Started with /stay it only runs, for up to a minute, as a
// product that is still running when it is uninstalled.
#include <windows.h>

#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    if (std::strstr(commandLine, "/stay")) {
        Sleep(60000);
        return 0;
    }
    char logPath[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("TOVAMERE_STARTED_LOG", logPath, sizeof logPath);
    if (length == 0 || length >= sizeof logPath) {
        return 2;
    }
    char module[MAX_PATH];
    char current[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    GetCurrentDirectoryA(sizeof current, current);
    const std::string line =
        std::string(module) + "\t" + GetCommandLineA() + "\t" + current + "\r\n";
    // Several starts may append at the same time: wait for the file instead of losing a line.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok =
                WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(log);
            return ok && written == line.size() ? 0 : 1;
        }
        Sleep(10);
    }
    return 1;
}
