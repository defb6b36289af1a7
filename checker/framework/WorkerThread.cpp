// Threads go through the C runtime's start-up so that the runtime's per-thread state (used by
// the file and formatting routines the workers call) is set up and freed with the thread.
#include "framework/WorkerThread.h"

#include <process.h>

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
    const uintptr_t handle =
        _beginthreadex(security, stackSize, Start, thread.get(), CREATE_SUSPENDED, nullptr);
    if (handle == 0) {
        return nullptr;
    }
    thread->handle_ = reinterpret_cast<HANDLE>(handle);
    SetThreadPriority(thread->handle_, priority);
    ResumeThread(thread->handle_);
    return thread;
}

DWORD WorkerThread::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(handle_, &code);
    return code;
}

unsigned __stdcall WorkerThread::Start(void* self) {
    const WorkerThread* thread = static_cast<WorkerThread*>(self);
    return thread->proc_(thread->param_);
}
