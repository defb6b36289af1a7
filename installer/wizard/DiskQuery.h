// The drive's free space as the system reports it; kept apart so that a test build of the same
// sources can report a drive of any size.
#pragma once

#include <cstdint>

bool QueryDiskFree(const char* root, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                   uint32_t* freeClusters);
