// Probes on kept threads; the user-interface thread waits for them without burning a core.
#include "probe/ProbeWorker.h"

#include "probe/Probe.h"

#include "framework/JobThreads.h"
#include "framework/PaintHold.h"
#include "probe/SocketWait.h"
#include "probe/StatusRelay.h"

namespace {

// Set by every probe that ends, for a run that waits for one probe and starts others meanwhile.
HANDLE ProbeEndedEvent() {
    static const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event;
}

void RunProbe(void* record) {
    ProbeRecord& probe = *static_cast<ProbeRecord*>(record);
    probe.code = static_cast<DWORD>(RunProbeConversation(probe));
    WatchAbandoned(nullptr); // the thread is kept for other jobs
    SetEvent(probe.done);
    SetEvent(ProbeEndedEvent());
    // The last touch of the record: once this is seen, the run may let the record go.
    probe.ended = true;
}

} // namespace

bool StartProbe(ProbeRecord& probe) {
    StatusRelayEvent(); // the relay and the event are made here, before any probe can use them
    ProbeEndedEvent();
    if (!probe.done) {
        return false;
    }
    probe.ended = false; // a record may be probed again
    probe.code = STILL_ACTIVE;
    ResetEvent(probe.done);
    return JobThreads::Run(RunProbe, &probe);
}

DWORD WaitForProbe(const ProbeRecord& probe, PaintHold* painting,
                   const std::function<void()>& onProbeEnded) {
    HANDLE handles[] = {probe.done, StatusRelayEvent(), ProbeEndedEvent()};
    const DWORD handleCount = onProbeEnded ? 3 : 2;
    while (!probe.ended) {
        if (painting) {
            painting->ReleaseIfDue();
        }
        // The wait wakes only for input that arrived after the queue was last looked at, so
        // input already there is taken without waiting. (MsgWaitForMultipleObjectsEx with
        // MWMO_INPUTAVAILABLE says the same in one call, but Windows 95 lacks it.)
        DWORD woken = WAIT_OBJECT_0 + handleCount; // input already waiting
        if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) {
            woken =
                MsgWaitForMultipleObjects(handleCount, handles, FALSE,
                                          painting ? painting->MsToWait() : INFINITE, QS_ALLINPUT);
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
    }
    // The last texts of the probe are in the status line when its result is taken; what the
    // caller shows next is painted with them, later, so that the next probe need not wait.
    if (painting) {
        painting->Hold();
    }
    ShowRelayedStatus();
    return probe.code;
}
