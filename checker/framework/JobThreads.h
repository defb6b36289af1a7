// Threads kept for short jobs. Starting a thread costs more than a probe's own work on some
// systems (under Wine about 4 ms, most of it one at a time in the loader), so a job runs on a
// thread that an earlier job left idle, and a new thread is started only when none is idle. A
// thread that finds no job for kIdleMs ends.
#pragma once

#include <windows.h>

namespace JobThreads {

constexpr DWORD kIdleMs = 5000;

using Job = void (*)(void* param);

// Runs job(param) on a kept thread; false when there is no idle thread and none can be started.
bool Run(Job job, void* param);

} // namespace JobThreads
