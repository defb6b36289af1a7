// One worker per favorite; the user-interface thread waits for it without burning a core.
#include "probe/ProbeWorker.h"

#include "probe/Probe.h"

UINT ProbeWorker(void* statusLine) {
    return static_cast<UINT>(RunProbeConversation(static_cast<HWND>(statusLine)));
}

std::unique_ptr<WorkerThread> StartProbeWorker(HWND statusLine) {
    return WorkerThread::Begin(ProbeWorker, statusLine, THREAD_PRIORITY_NORMAL, 0, nullptr);
}

DWORD WaitForProbe(const WorkerThread& worker) {
    HANDLE thread = worker.Handle();
    DWORD code = worker.ExitCode();
    while (code == STILL_ACTIVE) {
        // Input already seen but not yet taken wakes the wait as well as new input does.
        MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        code = worker.ExitCode();
    }
    return code;
}
