// Cosine and Sine agree with a 113-bit reference (libquadmath) to within
// one unit in the last place, near multiples of pi/2, up to the evaluator's
// bound and beyond it.
#include "evaluator/Trig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "tests/support/ExtendedTesting.h"

namespace {

using helixor_test::NextDown;
using helixor_test::NextUp;

#ifdef HELIXOR_TEST_QUAD_REFERENCE
// The neighbour of x on the side of zero.
Extended TowardZero(Extended x) { return x > 0 ? NextDown(x) : x < 0 ? NextUp(x) : x; }

// How many 80-bit units in the last place a lies from the exact value.
long double UlpsApart(Extended ours, __float128 exact) {
  const long double a = helixor_test::ToLongDouble(ours);
  const long double nearest = static_cast<long double>(exact);
  const long double magnitude = std::fabs(nearest);
  const long double ulp = std::nextafter(magnitude, static_cast<long double>(INFINITY)) - magnitude;
  return static_cast<long double>(fabsq(static_cast<__float128>(a) - exact)) / ulp;
}

void ExpectNearReference(Extended x) {
  const __float128 q = helixor_test::ToLongDouble(x);
  EXPECT_LT(UlpsApart(Cosine(x), cosq(q)), 1) << helixor_test::Shown(x);
  EXPECT_LT(UlpsApart(Sine(x), sinq(q)), 1) << helixor_test::Shown(x);
}

TEST(Trig, AgreeWithTheReferenceUpTo4100) {
  const Extended step = ExtendedFromBits(0x3FFD, 0xBD70A3D70A3D70A4);  // 0.37
  for (Extended x = -4100; x <= 4100; x += step) ExpectNearReference(x);
}

TEST(Trig, NearMultiplesOfHalfPi) {
  const Extended halfPi = ExtendedFromBits(0x3FFF, 0xC90FDAA22168C235);
  for (Extended k = -2000; k <= 2000; k += 7)
    for (Extended x : {k * halfPi, TowardZero(k * halfPi)}) ExpectNearReference(x);
  // Far out, where a 66-bit pi is wrong from the first digits.
  for (Extended k : {1e6, 123456789.0, 0x1p40 + 3, 5e17, 5.7e18})
    for (Extended x : {k * halfPi, TowardZero(k * halfPi), NextUp(k * halfPi)}) ExpectNearReference(x);
}

// Below 2^63 a short product reduces the argument unless it lies within
// 2^-41 quadrants of a multiple of pi/2, where the full one takes over, and
// from 2^-7 quadrants on it feeds the table directly: either side of those
// cuts, of half a quadrant, of 2^63, and in (pi/4, 1), where the binary
// point of the short product sits at its very top.
// The cases are worked out in the x87's long double, which the reference
// needs anyway.
TEST(Trig, EitherSideOfTheShortReductionsLimits) {
  const long double halfPi = 0xC.90FDAA22168C235p-3L;
  for (long double k : {1.0L, 3.0L, 40.0L, 1000.0L, 12345.0L, 0x1p30L})
    for (long double quadrants : {0x1p-43L, 0x1p-41L, 0x1.0001p-41L, 0x1p-39L, 0x1p-30L, 0x1p-12L, 0x1.FFFFp-8L,
                                  0x1p-7L, 0x1.0001p-7L, 0x1.FFFFFFp-2L, 0x1.000001p-1L})
      for (long double sign : {1.0L, -1.0L})
        ExpectNearReference(helixor_test::FromLongDouble(sign * (k * halfPi + quadrants * halfPi)));
  for (long double x : {std::nextafter(0x1p63L, 0.0L), -std::nextafter(0x1p63L, 0.0L), 0x1p62L + 0x1p10L,
                        0x1p63L + 0x1p11L, std::nextafter(0xC.90FDAA22168C235p-4L, 1.0L), 0.8L, -0.9L,
                        std::nextafter(1.0L, 0.0L), 1.0L, -1.0L})
    ExpectNearReference(helixor_test::FromLongDouble(x));
}

TEST(Trig, LargeArgumentsUpToTheEvaluatorsBound) {
  for (Extended x : std::initializer_list<Extended>{4096.5, -4100.0, 5000.5, -1e6, 1e10, 123456789.125, 1e18, -9e18,
                                                    9e18, 0x1p63, NextDown(0x1p64)})
    ExpectNearReference(x);
  const Extended factor = ExtendedFromBits(0x3FFF, 0xAF5C28F5C28F5C29);  // 1.37
  for (Extended x = 4097; x < 1e18; x *= factor) {
    ExpectNearReference(x);
    ExpectNearReference(-x);
  }
}

TEST(Trig, SmallAndHugeArguments) {
  for (Extended x : std::initializer_list<Extended>{
           0.5, ExtendedFromBits(0xBFFE, 0xC7AE147AE147AE14) /* -0.78 */,
           ExtendedFromBits(0x3FFE, 0xC90FDAA22168C235) /* pi/4 */, 0x1p-20, -0x1p-9, 0x1p-8, 0x1p64,
           ExtendedFromBits(0xC062, 0xC9F2C9CD04674EDF) /* -1e30 */, 0x1p1000,
           ExtendedFromBits(0x73E6, 0xD1BA8323FE558C61) /* 1e4000 */, ExtendedMax, ExtendedMinSubnormal})
    ExpectNearReference(x);
}
#else
TEST(Trig, AgreeWithTheReference) {
  GTEST_SKIP() << "no 113-bit reference (libquadmath over the x87 long double) here";
}
#endif

TEST(Trig, ZerosNaNsAndInfinities) {
  EXPECT_EQ(Cosine(0.0), 1);
  EXPECT_EQ(Cosine(-0.0), 1);
  EXPECT_EQ(Sine(0.0), 0);
  EXPECT_FALSE(SignBit(Sine(0.0)));
  EXPECT_TRUE(SignBit(Sine(-0.0)));
  const Extended tiny = ExtendedMinSubnormal;
  EXPECT_EQ(Sine(-tiny), -tiny);
  EXPECT_EQ(Cosine(tiny), 1);
  for (Extended x : {ExtendedInfinity, -ExtendedInfinity, ExtendedNaN}) {
    EXPECT_TRUE(IsNan(Cosine(x)));
    EXPECT_TRUE(IsNan(Sine(x)));
  }
}

}  // namespace
