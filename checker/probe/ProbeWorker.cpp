// One worker per probe; the user-interface thread waits for it without burning a core.
#include "probe/ProbeWorker.h"

#include "probe/Probe.h"

#include "framework/PaintHold.h"
#include "probe/StatusRelay.h"

namespace {

// Set by every probe that ends, for a run that waits for one probe and starts others meanwhile.
HANDLE ProbeEndedEvent() {
    static const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event;
}

} // namespace

UINT ProbeWorker(void* record) {
    ProbeRecord& probe = *static_cast<ProbeRecord*>(record);
    const int code = RunProbeConversation(probe);
    probe.ended = true;
    SetEvent(ProbeEndedEvent());
    return static_cast<UINT>(code);
}

std::unique_ptr<WorkerThread> StartProbeWorker(ProbeRecord& probe) {
    StatusRelayEvent(); // the relay and the event are made here, before any worker can use them
    ProbeEndedEvent();
    return WorkerThread::Begin(ProbeWorker, &probe, THREAD_PRIORITY_NORMAL, 0, nullptr);
}

DWORD WaitForProbe(const WorkerThread& worker, PaintHold* painting,
                   const std::function<void()>& onProbeEnded) {
    HANDLE handles[] = {worker.Handle(), StatusRelayEvent(), ProbeEndedEvent()};
    const DWORD handleCount = onProbeEnded ? 3 : 2;
    DWORD code = worker.ExitCode();
    while (code == STILL_ACTIVE) {
        if (painting) {
            painting->ReleaseIfDue();
        }
        // The wait wakes only for input that arrived after the queue was last looked at, so
        // input already there is taken without waiting. (MsgWaitForMultipleObjectsEx with
        // MWMO_INPUTAVAILABLE says the same in one call, but Windows 95 lacks it.)
        DWORD woken = WAIT_OBJECT_0 + handleCount; // input already waiting
        if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) {
            woken = MsgWaitForMultipleObjects(handleCount, handles, FALSE,
                                              painting ? painting->MsToWait() : INFINITE,
                                              QS_ALLINPUT);
        }
        if (onProbeEnded && woken == WAIT_OBJECT_0 + 2) {
            onProbeEnded();
        }
        if (painting && woken == WAIT_TIMEOUT) {
            painting->Release(); // due, or nothing else to do meanwhile
        }
        // What a status text or a message changes is painted with whatever follows it, when
        // the hold is due or the thread idle; a wait that saw nothing holds nothing, so a wait
        // with nothing held never wakes.
        if (painting && (woken == WAIT_OBJECT_0 + 1 || woken == WAIT_OBJECT_0 + handleCount)) {
            painting->Hold();
        }
        ShowRelayedStatus();
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (painting && msg.message == WM_PAINT) {
                painting->Overpainted();
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        code = worker.ExitCode();
    }
    // The last texts of the probe are in the status line when its result is taken; what the
    // caller shows next is painted with them, later, so that the next probe need not wait.
    if (painting) {
        painting->Hold();
    }
    ShowRelayedStatus();
    return code;
}
