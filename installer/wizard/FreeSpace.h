// The free space of the installation drive, which the folder page weighs before installing.
#pragma once

#include <cstdint>

// One tenth of the free bytes on the drive of SetupContext.installFolder, at most 0x7FFFFFFF;
// 0 when the drive cannot be asked.
uint32_t FreeSpaceTenths();

// The same from the drive's figures, computed in 64 bits so that a large drive never wraps.
uint32_t FreeSpaceTenthsOf(uint32_t sectorsPerCluster, uint32_t bytesPerSector,
                           uint32_t freeClusters);
