// The drive query of the test build: the figures come from TOVAMERE_TEST_DISK, "sectors per
// cluster, bytes per sector, free clusters", so that a test can offer any drive size.
#include "wizard/DiskQuery.h"

#include <windows.h>

#include <cstdio>

bool QueryDiskFree(const char*, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                   uint32_t* freeClusters) {
    char figures[64];
    const DWORD length = GetEnvironmentVariableA("TOVAMERE_TEST_DISK", figures, sizeof figures);
    if (length == 0 || length >= sizeof figures) {
        return false;
    }
    unsigned long sectors = 0;
    unsigned long bytes = 0;
    unsigned long free = 0;
    if (std::sscanf(figures, "%lu %lu %lu", &sectors, &bytes, &free) != 3) {
        return false;
    }
    *sectorsPerCluster = sectors;
    *bytesPerSector = bytes;
    *freeClusters = free;
    return true;
}
