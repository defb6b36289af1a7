// The free space of the installation drive, in tenths of a byte, without wrapping on large
// drives; and the real drive of the test machine.
#include "base/SetupContext.h"
#include "wizard/FreeSpace.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct SpaceCase {
    uint32_t sectorsPerCluster;
    uint32_t bytesPerSector;
    uint32_t freeClusters;
    uint32_t tenths;
};

const SpaceCase kSpaceCases[] = {
    {8, 512, 12800, 5242880},       // 50 MB free
    {8, 512, 25600, 10485760},      // 100 MB: the threshold itself
    {1, 512, 9, 0},                 // fewer than ten clusters count as none
    {8, 512, 524287, 214745088},    // about 2 GB
    {8, 512, 10485760, 0x7FFFFFFF}, // 40 GB: 32 bits would wrap to exactly 0
    {8, 512, 20000000, 0x7FFFFFFF}, // 80 GB
    {128, 4096, 0xFFFFFFFF, 0x7FFFFFFF},
    {0, 512, 1000, 0},
};

TEST(FreeSpaceTenths, ComputedWithoutWrapping) {
    for (const SpaceCase& c : kSpaceCases) {
        EXPECT_EQ(c.tenths,
                  FreeSpaceTenthsOf(c.sectorsPerCluster, c.bytesPerSector, c.freeClusters))
            << c.freeClusters << " clusters";
    }
}

TEST(FreeSpaceTenths, RealDriveOfTheTestMachine) {
    ResetSetupContext();
    CopyText(SetupContext.installFolder, kPathSize, "C:\\Program Files\\Viewer\\");
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &free, &total));
    const unsigned long long freeBytes = 1ull * free * bytes * sectors;
    std::printf("C: %lu sectors/cluster, %lu bytes/sector, %lu free clusters: %llu MB free\n",
                sectors, bytes, free, freeBytes >> 20);
    const uint32_t tenths = FreeSpaceTenths();
    EXPECT_EQ(FreeSpaceTenthsOf(sectors, bytes, free), tenths);
    if (freeBytes >= 1048576000ull) {
        EXPECT_GE(tenths, 10485760u) << "a drive with ample space must never see the question";
    }
}

TEST(FreeSpaceTenths, NoDriveLetterNoFigure) {
    ResetSetupContext();
    CopyText(SetupContext.installFolder, kPathSize, "\\\\server\\share\\Viewer\\");
    EXPECT_EQ(0u, FreeSpaceTenths());
}

} // namespace
