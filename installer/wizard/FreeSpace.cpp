// The free space of the installation drive, from the drive query the program is built with.
#include "wizard/FreeSpace.h"

#include <windows.h>

#include "base/SetupContext.h"
#include "wizard/DiskQuery.h"

uint32_t FreeSpaceTenthsOf(uint32_t sectorsPerCluster, uint32_t bytesPerSector,
                           uint32_t freeClusters) {
    const uint64_t tenths = static_cast<uint64_t>(freeClusters / 10) * bytesPerSector;
    // The first product fits in 64 bits; the test keeps the second within the 31-bit result.
    constexpr uint64_t kMost = 0x7FFFFFFF;
    if (sectorsPerCluster != 0 && tenths > kMost / sectorsPerCluster) {
        return static_cast<uint32_t>(kMost);
    }
    return static_cast<uint32_t>(tenths * sectorsPerCluster);
}

uint32_t FreeSpaceTenths() {
    char full[kPathSize];
    const DWORD length = GetFullPathNameA(SetupContext.installFolder, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full || full[0] == '\0' || full[1] != ':' ||
        full[2] != '\\') {
        return 0;
    }
    const char root[] = {full[0], ':', '\\', '\0'};
    uint32_t sectorsPerCluster = 0;
    uint32_t bytesPerSector = 0;
    uint32_t freeClusters = 0;
    if (!QueryDiskFree(root, &sectorsPerCluster, &bytesPerSector, &freeClusters)) {
        return 0;
    }
    return FreeSpaceTenthsOf(sectorsPerCluster, bytesPerSector, freeClusters);
}
