// Storage of the check run's flags; both are 0 until a run starts.
#include "framework/RunFlags.h"

std::atomic<int> runFlag{0};
std::atomic<int> busyFlag{0};
