// A new thread is started with its first job; a job for an idle thread waits in a queue, and a
// semaphore wakes one idle thread for it. Handing a job to an idle thread (counting it off
// `idle` and releasing the semaphore) happens under the lock, so that a thread that has waited
// too long can tell whether a job was handed to it meanwhile: no job is ever left waiting for
// a thread that is busy or gone.
#include "framework/JobThreads.h"

#include <deque>
#include <utility>

namespace JobThreads {
namespace {

using Task = std::pair<Job, void*>;

struct Pool {
    Pool() {
        InitializeCriticalSection(&lock);
        jobs = CreateSemaphoreA(nullptr, 0, 0x7fffffff, nullptr);
    }
    CRITICAL_SECTION lock;
    HANDLE jobs;
    std::deque<Task> queue;
    int idle = 0;
};

// Made on first use, never destroyed: kept threads may still run while the program ends.
Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

DWORD WINAPI Keep(void* first) {
    Pool& pool = ThePool();
    Task task = *static_cast<Task*>(first);
    delete static_cast<Task*>(first);
    for (;;) {
        task.first(task.second);
        EnterCriticalSection(&pool.lock);
        ++pool.idle;
        LeaveCriticalSection(&pool.lock);
        if (WaitForSingleObject(pool.jobs, kIdleMs) != WAIT_OBJECT_0) {
            EnterCriticalSection(&pool.lock);
            const bool handed = WaitForSingleObject(pool.jobs, 0) == WAIT_OBJECT_0;
            if (!handed) {
                --pool.idle;
                LeaveCriticalSection(&pool.lock);
                return 0; // idle too long, and nothing came meanwhile
            }
            LeaveCriticalSection(&pool.lock);
        }
        EnterCriticalSection(&pool.lock);
        task = pool.queue.front();
        pool.queue.pop_front();
        LeaveCriticalSection(&pool.lock);
    }
}

} // namespace

bool Run(Job job, void* param) {
    Pool& pool = ThePool();
    if (!pool.jobs) {
        return false;
    }
    EnterCriticalSection(&pool.lock);
    if (pool.idle > 0) {
        --pool.idle;
        pool.queue.emplace_back(job, param);
        ReleaseSemaphore(pool.jobs, 1, nullptr);
        LeaveCriticalSection(&pool.lock);
        return true;
    }
    LeaveCriticalSection(&pool.lock);
    Task* first = new Task(job, param);
    DWORD id = 0; // Windows 95 fails CreateThread without a place for the id
    HANDLE thread = CreateThread(nullptr, 0, Keep, first, 0, &id);
    if (!thread) {
        delete first;
        return false;
    }
    CloseHandle(thread);
    return true;
}

} // namespace JobThreads
