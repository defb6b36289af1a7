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
        // The wait wakes only for input that arrived after the queue was last looked at, so
        // input already there is taken without waiting. (MsgWaitForMultipleObjectsEx with
        // MWMO_INPUTAVAILABLE says the same in one call, but Windows 95 lacks it.)
        if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) {
            MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        }
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        code = worker.ExitCode();
    }
    return code;
}
