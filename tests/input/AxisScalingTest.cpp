#include <gtest/gtest.h>

#include "input/AxisScaling.h"

namespace pw {
namespace {

// A position at the given fraction of the way from the centre to the end of 0 ... 65535.
std::int64_t travel(double fraction) {
    return 32767 + static_cast<std::int64_t>(fraction * 32768.0);
}

TEST(AxisScaling, HalfOfTheTravelIsDeadAndFullDeflectionGivesTheRange) {
    EXPECT_EQ(scaleAxis(travel(0.0), 0, 65535, 50, 1000), 0);
    EXPECT_EQ(scaleAxis(travel(-0.4), 0, 65535, 50, 1000), 0);
    EXPECT_EQ(scaleAxis(travel(0.49), 0, 65535, 50, 1000), 0);
    EXPECT_LT(scaleAxis(travel(-0.75), 0, 65535, 50, 1000), 0);
    EXPECT_GT(scaleAxis(travel(0.75), 0, 65535, 50, 1000), 0);
    EXPECT_EQ(scaleAxis(0, 0, 65535, 50, 1000), -1000);
    EXPECT_EQ(scaleAxis(65535, 0, 65535, 50, 1000), 1000);
}

TEST(AxisScaling, EdgeOfTheDeadZoneIsStillZero) {
    // centre 32767, dead part 16383: an offset of exactly 16383 reads 0, one more reads 1000/16384.
    EXPECT_EQ(scaleAxis(32767 + 16383, 0, 65535, 50, 1000), 0);
    EXPECT_EQ(scaleAxis(32767 - 16383, 0, 65535, 50, 1000), 0);
    EXPECT_EQ(scaleAxis(32767 + 16384, 0, 65535, 50, 1000), 0);   // 1000/16384 rounds to 0
    EXPECT_EQ(scaleAxis(32767 + 16392, 0, 65535, 50, 1000), 1);   // 9000/16384 = 0.55 rounds to 1
    EXPECT_EQ(scaleAxis(32767 - 16392, 0, 65535, 50, 1000), -1);  // halves away from zero on both sides
}

TEST(AxisScaling, RoundsHalvesAwayFromZero) {
    // range 0 ... 4: centre 2, dead part 0, live part 2; offsets +-1 give +-range/2.
    EXPECT_EQ(scaleAxis(3, 0, 4, 0, 3), 2);   // 1.5 -> 2
    EXPECT_EQ(scaleAxis(1, 0, 4, 0, 3), -2);  // -1.5 -> -2
    EXPECT_EQ(scaleAxis(3, 0, 4, 0, 1), 1);   // 0.5 -> 1
    EXPECT_EQ(scaleAxis(1, 0, 4, 0, 1), -1);  // -0.5 -> -1
}

TEST(AxisScaling, CentreIsMeasuredFromZeroNotFromTheMinimum) {
    // A device reporting 1000 ... 3000: centre is (3000-1000)/2 = 1000, so 2000 is far off centre.
    EXPECT_EQ(scaleAxis(1000, 1000, 3000, 50, 1000), 0);
    EXPECT_EQ(scaleAxis(2000, 1000, 3000, 50, 1000), 1000);
}

TEST(AxisScaling, NoLiveTravelReadsZero) {
    EXPECT_EQ(scaleAxis(65535, 0, 65535, 100, 1000), 0);  // the whole travel is dead
    EXPECT_EQ(scaleAxis(5, 0, 1, 50, 1000), 0);           // centre 0
}

TEST(AxisScaling, LargeRangesAreComputedIn64Bits) {
    EXPECT_EQ(scaleAxis(65535, 0, 65535, 50, 2'000'000'000), 2'000'122'070);
}

}  // namespace
}  // namespace pw
