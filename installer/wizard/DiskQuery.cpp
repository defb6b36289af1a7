// The drive's free space as the system reports it.
#include "wizard/DiskQuery.h"

#include <windows.h>

bool QueryDiskFree(const char* root, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                   uint32_t* freeClusters) {
    DWORD sectors = 0;
    DWORD bytes = 0;
    DWORD free = 0;
    DWORD total = 0;
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &free, &total)) {
        return false;
    }
    *sectorsPerCluster = sectors;
    *bytesPerSector = bytes;
    *freeClusters = free;
    return true;
}
