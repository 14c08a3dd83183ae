#include "video/detector/LumaTable.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

TEST(LumaTableTest, PrimariesBlackAndWhite) {
    const LumaTable& luma = LumaTable::Shared();
    EXPECT_EQ(luma[0], 0);
    EXPECT_EQ(luma[31], 29);
    EXPECT_EQ(luma[31 * 32], 147);
    EXPECT_EQ(luma[31 * 1024], 72);
    EXPECT_EQ(luma[32767], 248);
}

TEST(LumaTableTest, IndexIsRedGreenBlueFromTheTopBitsOfEachChannel) {
    EXPECT_EQ(LumaTable::IndexOf(255, 0, 0), 31 * 1024);
    EXPECT_EQ(LumaTable::IndexOf(0, 255, 0), 31 * 32);
    EXPECT_EQ(LumaTable::IndexOf(0, 0, 7), 0);
    EXPECT_EQ(LumaTable::IndexOf(8, 16, 24), 1 * 1024 + 2 * 32 + 3);
}

TEST(LumaTableTest, GreysAreEightTimesTheirLevelAndTheTableIsShared) {
    const LumaTable& luma = LumaTable::Shared();
    for (int k = 0; k < 32; ++k) {
        EXPECT_EQ(luma[k * 1024 + k * 32 + k], 8 * k);
    }
    EXPECT_EQ(&LumaTable::Shared(), &luma);
}

}  // namespace
}  // namespace korvex
