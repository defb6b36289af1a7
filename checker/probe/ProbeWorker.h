// A probe's worker thread and the check run's wait for it.
#pragma once

#include <windows.h>

#include "framework/WorkerThread.h"

#include <functional>
#include <memory>

struct ProbeRecord;

// Thread procedure: runs the probe of the ProbeRecord given as parameter and yields the probe
// exit code.
UINT ProbeWorker(void* record);

// Starts one ProbeWorker thread for probe, which must outlive it; nullptr when the system cannot
// start a thread.
std::unique_ptr<WorkerThread> StartProbeWorker(ProbeRecord& probe);

class PaintHold;

// Waits for the worker's end while serving this thread's messages, at most one per pass, so
// the dialog repaints and its buttons answer, and showing the worker's status texts as they
// come (StatusRelay.h). Between passes it sleeps until a message or a text arrives or the
// thread ends, or until the painting that `painting` holds back is due or nothing has come
// for PaintHold::kIdleMs, and then lets it happen. Returns the exit code, with every status text of the probe shown.
// Whenever some other probe ends meanwhile, onProbeEnded is called (the run starts the next).
DWORD WaitForProbe(const WorkerThread& worker, PaintHold* painting = nullptr,
                   const std::function<void()>& onProbeEnded = nullptr);
