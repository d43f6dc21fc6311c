#include "controls/FlatUtilitys.h"

#include <gtest/gtest.h>

TEST(HslToColor, HalfGreyRoundsToEven) { EXPECT_EQ(HslToColor(0, 0, 0.5), RGBToColor(128, 128, 128)); }
