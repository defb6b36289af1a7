// Worker threads for the application: started with a procedure and one parameter, the procedure's
// result becoming the thread's exit code. The object is owned by whoever started the thread and
// never deletes itself, so the exit code stays readable after the thread has ended.
#pragma once

#include <windows.h>

#include <memory>

using WorkerProc = UINT (*)(void* param);

class WorkerThread {
public:
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts proc(param) with the priority, stack size (0: default) and security given;
    // nullptr when the system cannot start the thread.
    static std::unique_ptr<WorkerThread> Begin(WorkerProc proc, void* param,
                                               int priority = THREAD_PRIORITY_NORMAL,
                                               UINT stackSize = 0,
                                               SECURITY_ATTRIBUTES* security = nullptr);

    HANDLE Handle() const { return handle_; }
    // The exit code, or STILL_ACTIVE while the thread runs.
    DWORD ExitCode() const;

private:
    WorkerThread() = default;
    static DWORD WINAPI Start(void* self);

    HANDLE handle_ = nullptr;
    WorkerProc proc_ = nullptr;
    void* param_ = nullptr;
};
