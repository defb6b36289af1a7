// CPU time of one thread, for the benchmarks and the tests of waiting. The system counts it in clock ticks (10 ms under
// Wine), so shorter spans read as 0.
#pragma once

#include <windows.h>

inline double ThreadCpuSeconds(HANDLE thread) {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) {
        return -1;
    }
    auto seconds = [](const FILETIME& time) {
        ULARGE_INTEGER value;
        value.LowPart = time.dwLowDateTime;
        value.HighPart = time.dwHighDateTime;
        return static_cast<double>(value.QuadPart) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}
