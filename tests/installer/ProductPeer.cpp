// Stands in for an installed product's main program in tests: appends where it was started from,
// its command line and its current folder, tab-separated, to the file named by
// TOVAMERE_STARTED_LOG, one line per start, and ends at once. A windowed program, so that
// starting it opens no console. Started with /stay it only runs, for up to a minute, as a
// product that is still running when it is uninstalled. Started with /version it ends with the
// packed Windows version it is told (GetVersion) as its exit code.
#include <windows.h>

#include "AppendLine.h"

#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    if (std::strstr(commandLine, "/version")) {
        return static_cast<int>(GetVersion());
    }
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
    return AppendLine(logPath, line) ? 0 : 1;
}
