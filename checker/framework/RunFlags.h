// The check run's two flags. The user-interface thread writes them; the favorites walk and the
// probe's receive loop (on the worker thread) read them while they run, hence atomic.
#pragma once

#include <atomic>

// 1 while the run is to go on; 0 when idle or once the user has confirmed a stop.
extern std::atomic<int> runFlag;
// 1 from the start of a run to its end; forced termination clears it early.
extern std::atomic<int> busyFlag;
