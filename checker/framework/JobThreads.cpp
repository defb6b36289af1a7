// Jobs wait in a queue under a lock; a semaphore counts them for the threads that wait.
#include "framework/JobThreads.h"

#include <deque>
#include <utility>

namespace JobThreads {
namespace {

struct Pool {
    Pool() {
        InitializeCriticalSection(&lock);
        jobs = CreateSemaphoreA(nullptr, 0, 0x7fffffff, nullptr);
    }
    CRITICAL_SECTION lock;
    HANDLE jobs;
    std::deque<std::pair<Job, void*>> queue;
    int idle = 0;
};

// Made on first use, never destroyed: kept threads may still run while the program ends.
Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

DWORD WINAPI Keep(void*) {
    Pool& pool = ThePool();
    for (;;) {
        std::pair<Job, void*> job;
        const bool woken = WaitForSingleObject(pool.jobs, kIdleMs) == WAIT_OBJECT_0;
        EnterCriticalSection(&pool.lock);
        --pool.idle;
        const bool found = !pool.queue.empty();
        if (found) {
            job = pool.queue.front();
            pool.queue.pop_front();
        } else if (!woken) {
            LeaveCriticalSection(&pool.lock);
            return 0; // idle too long, and nothing came meanwhile
        }
        LeaveCriticalSection(&pool.lock);
        if (found) {
            job.first(job.second);
        }
        EnterCriticalSection(&pool.lock);
        ++pool.idle;
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
    pool.queue.emplace_back(job, param);
    const bool start = pool.idle == 0;
    if (start) {
        ++pool.idle; // the new thread counts as idle until it takes a job
    }
    LeaveCriticalSection(&pool.lock);
    if (start) {
        DWORD id = 0; // Windows 95 fails CreateThread without a place for the id
        HANDLE thread = CreateThread(nullptr, 0, Keep, nullptr, 0, &id);
        if (!thread) {
            EnterCriticalSection(&pool.lock);
            --pool.idle;
            // The job is given back unless an idle thread has taken it meanwhile.
            bool mine = false;
            for (auto it = pool.queue.begin(); it != pool.queue.end(); ++it) {
                if (it->first == job && it->second == param) {
                    pool.queue.erase(it);
                    mine = true;
                    break;
                }
            }
            LeaveCriticalSection(&pool.lock);
            if (mine) {
                return false;
            }
        } else {
            CloseHandle(thread);
        }
    }
    ReleaseSemaphore(pool.jobs, 1, nullptr);
    return true;
}

} // namespace JobThreads
