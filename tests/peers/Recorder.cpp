// Stands in for the browser in tests: registered as the shell's open command for .htm pages or
// http URLs, it appends what it was asked to open to the log file named by RECORDER_LOG, one
// line per start (the moment it started, then its arguments, tab-separated, as the C runtime
// split them), and ends at once.
#include <windows.h>

#include "AppendLine.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    char logPath[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("RECORDER_LOG", logPath, sizeof logPath);
    if (length == 0 || length >= sizeof logPath) {
        std::fprintf(stderr, "recorder: RECORDER_LOG is not set\n");
        return 2;
    }
    // Starts can overtake each other on their way to the log: each line begins with the moment
    // this process was created, so that the reader can put them back in the order of the starts.
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%08lX%08lX\t", created.dwHighDateTime,
                  created.dwLowDateTime);
    std::string line = stamp;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            line += '\t';
        }
        line += argv[i];
    }
    line += "\r\n";
    if (AppendLine(logPath, line)) {
        return 0;
    }
    std::fprintf(stderr, "recorder: cannot write %s\n", logPath);
    return 1;
}
