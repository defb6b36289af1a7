// The probe's worker thread and the check run's wait for it.
#pragma once

#include <windows.h>

#include "framework/WorkerThread.h"

#include <memory>

// Thread procedure: runs one probe for the status line window given as parameter and yields
// the probe exit code.
UINT ProbeWorker(void* statusLine);

// Starts one ProbeWorker thread; nullptr when the system cannot start a thread.
std::unique_ptr<WorkerThread> StartProbeWorker(HWND statusLine);

// Waits for the worker's end while serving this thread's messages, at most one per pass, so
// the dialog repaints, its buttons answer and the worker's status texts reach the status line.
// Between passes it sleeps until a message arrives or the thread ends. Returns the exit code.
DWORD WaitForProbe(const WorkerThread& worker);
