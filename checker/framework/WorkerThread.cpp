// Threads are started by the system itself: the C runtime is a DLL (CRTDLL.DLL in the shipped
// program, which has no _beginthreadex), and a runtime DLL sets up and frees its per-thread
// state as each thread starts and ends.
#include "framework/WorkerThread.h"

WorkerThread::~WorkerThread() {
    if (handle_) {
        CloseHandle(handle_);
    }
}

std::unique_ptr<WorkerThread> WorkerThread::Begin(WorkerProc proc, void* param, int priority,
                                                  UINT stackSize, SECURITY_ATTRIBUTES* security) {
    std::unique_ptr<WorkerThread> thread(new WorkerThread);
    thread->proc_ = proc;
    thread->param_ = param;
    // Created suspended: the priority is in place before the procedure runs a single step.
    // A thread id must be asked for: Windows 95 fails the call without one.
    DWORD id = 0;
    thread->handle_ = CreateThread(security, stackSize, Start, thread.get(), CREATE_SUSPENDED, &id);
    if (!thread->handle_) {
        return nullptr;
    }
    SetThreadPriority(thread->handle_, priority);
    ResumeThread(thread->handle_);
    return thread;
}

DWORD WorkerThread::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(handle_, &code);
    return code;
}

DWORD WINAPI WorkerThread::Start(void* self) {
    const WorkerThread* thread = static_cast<WorkerThread*>(self);
    return thread->proc_(thread->param_);
}
