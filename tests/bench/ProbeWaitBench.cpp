// How much of a core the user-interface thread spends while it waits for a probe on a server
// that takes its time to answer. Run by `make bench`; prints figures, asserts nothing.
#include "probe/Probe.h"
#include "probe/ProbeWorker.h"

#include "ScriptedServer.h"
#include "ThreadTimes.h"

#include <cstdio>
#include <string>

int main() {
    WSADATA data;
    WSAStartup(0x0101, &data);
    HWND statusLine =
        CreateWindowA("STATIC", "", 0, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    // Answers after 5 s, then sends the page in 20 slow blocks.
    std::vector<ServerStep> steps{{5000, "HTTP/1.0 200 OK\r\nContent-Length: 20000\r\n\r\n<html>"}};
    for (int i = 0; i < 20; ++i) {
        steps.push_back({50, std::string(1000, 'x')});
    }
    ScriptedServer server(steps);

    char copy[MAX_PATH];
    GetTempPathA(sizeof copy, copy);
    std::string copyPath = std::string(copy) + "probe-wait-bench.htm_";
    ProbeRecord probe;
    probe.target = "localhost/slow";
    probe.port = server.Port();
    probe.saveCopy = true;
    probe.copyPath = copyPath;
    probe.status.ShowIn(statusLine);
    busyFlag = 1;

    const double cpuBefore = ThreadCpuSeconds(GetCurrentThread());
    const DWORD start = GetTickCount();
    StartProbe(probe);
    const DWORD code = WaitForProbe(probe);
    const double wall = (GetTickCount() - start) / 1000.0;
    const double cpu = ThreadCpuSeconds(GetCurrentThread()) - cpuBefore;
    DeleteFileA(copyPath.c_str());

    // The thread times come in clock ticks (10 ms under Wine): below that the wait used nothing
    // that the system could count.
    std::printf("probe wait: exit code %lu, wall %.2f s, user-interface thread CPU %.3f s "
                "(%.2f%% of one core; resolution 0.01 s)\n",
                code, wall, cpu < 0 ? 0.0 : cpu, 100.0 * (cpu < 0 ? 0.0 : cpu) / wall);
    WSACleanup();
    return 0;
}
