// A probe's thread and the check run's wait for it.
#pragma once

#include <windows.h>

#include <functional>

struct ProbeRecord;
class PaintHold;

// Set whenever a probe ends or stops holding back the other probes of its host (its connection
// accepted or failed, or a name lookup begun): the moments a run may start another probe.
HANDLE ProbeRoomEvent();

// Starts the probe of probe, which must outlive it (a record may be probed again once it has
// ended), on a kept thread (JobThreads.h); false when the system has no thread to spare.
bool StartProbe(ProbeRecord& probe);

// Waits for the probe's end while serving this thread's messages, at most one per pass, so
// the dialog repaints and its buttons answer, and showing the probe's status texts as they
// come (StatusRelay.h). Between passes it sleeps until a message or a text arrives or the
// probe ends, or until the painting that `painting` holds back is due or nothing has come
// for PaintHold::kIdleMs, and then lets it happen. Whenever ProbeRoomEvent is set meanwhile,
// onRoom is called (the run starts the next). A name lookup of the probe that takes longer
// than the silence allowed, or that a forced end or abandonment overtakes, is given up here
// (GiveUpLateLookup). Returns the probe's exit code, with every status text of the probe shown.
DWORD WaitForProbe(ProbeRecord& probe, PaintHold* painting = nullptr,
                   const std::function<void()>& onRoom = nullptr);
