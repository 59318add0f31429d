#include "diskUsage.h"

#include <gtest/gtest.h>

TEST(DiskUsage, RootFileSystemHasConsistentFigures)
{
    DiskUsage usage("/");
    EXPECT_GT(usage.getTotalSpace(), 0.0);
    EXPECT_GE(usage.getUsedSpace(), 0.0);
    EXPECT_LE(usage.getUsedSpace(), usage.getTotalSpace());
    EXPECT_GE(usage.getUsagePercent(), 0.0);
    EXPECT_LE(usage.getUsagePercent(), 100.0);
    EXPECT_NEAR(usage.getUsagePercent(), usage.getUsedSpace() / usage.getTotalSpace() * 100.0, 1e-9);
}

TEST(DiskUsage, MissingPathReadsAsEmpty)
{
    DiskUsage usage("/no/such/path/for/zelt");
    EXPECT_EQ(usage.getUsagePercent(), 0.0);
    EXPECT_EQ(usage.getUsedSpace(), 0.0);
    EXPECT_EQ(usage.getTotalSpace(), 0.0);
}
