// Probes on kept threads; the user-interface thread waits for them without burning a core.
#include "probe/ProbeWorker.h"

#include "probe/Probe.h"

#include "framework/JobThreads.h"
#include "framework/PaintHold.h"
#include "probe/SocketWait.h"
#include "probe/StatusRelay.h"

namespace {

void End(ProbeRecord& probe) {
    SetEvent(probe.done);
    SetEvent(ProbeRoomEvent());
    // The last touch of the record: once this is seen, the run may let the record go.
    probe.ended = true;
}

void RunProbe(void* record) {
    ProbeRecord& probe = *static_cast<ProbeRecord*>(record);
    const int code = RunProbeConversation(probe);
    WatchAbandoned(nullptr); // the thread is kept for other jobs
    if (code == kProbeCompleted && probe.saveCopy) {
        probe.copyCompared =
            CompareNewCopy(probe.copyPath.c_str(), probe.pageType.c_str(), &probe.changeNote);
    }
    if (code != kProbeGivenUp) {
        probe.code = static_cast<DWORD>(code);
        End(probe);
    }
}

} // namespace

HANDLE ProbeRoomEvent() {
    static const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event;
}

bool StartProbe(ProbeRecord& probe) {
    StatusRelayEvent(); // the relay and the event are made here, before any probe can use them
    ProbeRoomEvent();
    if (!probe.done) {
        return false;
    }
    probe.ended = false; // a record may be probed again
    probe.code = STILL_ACTIVE;
    probe.copyCompared = CopyCompared::kNotCompared;
    probe.changeNote.clear();
    probe.connecting = true;
    ResetEvent(probe.done);
    return JobThreads::Run(RunProbe, &probe);
}

DWORD WaitForProbe(ProbeRecord& probe, PaintHold* painting,
                   const std::function<void()>& onRoom) {
    HANDLE handles[] = {probe.done, StatusRelayEvent(), ProbeRoomEvent()};
    const DWORD handleCount = onRoom ? 3 : 2;
    while (!probe.ended) {
        const LookupWatch lookup = GiveUpLateLookup(probe);
        if (lookup == LookupWatch::kGivenUp) {
            End(probe);
            break;
        }
        if (painting) {
            painting->ReleaseIfDue();
        }
        // The wait wakes only for input that arrived after the queue was last looked at, so
        // input already there is taken without waiting. (MsgWaitForMultipleObjectsEx with
        // MWMO_INPUTAVAILABLE says the same in one call, but Windows 95 lacks it.)
        DWORD woken = WAIT_OBJECT_0 + handleCount; // input already waiting
        // Shortened only to look at the lookup again, not for the painting.
        bool sliced = false;
        if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) {
            DWORD wait = painting ? painting->MsToWait() : INFINITE;
            if (lookup == LookupWatch::kUnderWay && wait > kSliceMs) {
                wait = kSliceMs;
                sliced = true;
            }
            woken = MsgWaitForMultipleObjects(handleCount, handles, FALSE, wait, QS_ALLINPUT);
        }
        if (onRoom && woken == WAIT_OBJECT_0 + 2) {
            onRoom();
        }
        if (painting && woken == WAIT_TIMEOUT && !sliced) {
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
