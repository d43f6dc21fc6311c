// Cosine and Sine agree with a 113-bit reference (libquadmath) to within
// one unit in the last place, near multiples of pi/2, up to the evaluator's
// bound and beyond it.
#include "evaluator/Trig.h"

#include <gtest/gtest.h>
#include <quadmath.h>

#include <cmath>
#include <initializer_list>
#include <limits>

namespace {

// How many 80-bit units in the last place a lies from the exact value.
long double UlpsApart(long double a, __float128 exact) {
  const long double nearest = static_cast<long double>(exact);
  const long double magnitude = std::fabs(nearest);
  const long double ulp = std::nextafter(magnitude, static_cast<long double>(INFINITY)) - magnitude;
  return static_cast<long double>(fabsq(static_cast<__float128>(a) - exact)) / ulp;
}

void ExpectNearReference(long double x) {
  const __float128 q = x;
  EXPECT_LT(UlpsApart(Cosine(x), cosq(q)), 1) << static_cast<double>(x);
  EXPECT_LT(UlpsApart(Sine(x), sinq(q)), 1) << static_cast<double>(x);
}

TEST(Trig, AgreeWithTheReferenceUpTo4100) {
  for (long double x = -4100; x <= 4100; x += 0.37L) ExpectNearReference(x);
}

TEST(Trig, NearMultiplesOfHalfPi) {
  const long double halfPi = 0xC.90FDAA22168C235p-3L;
  for (long double k = -2000; k <= 2000; k += 7)
    for (long double x : {k * halfPi, std::nextafter(k * halfPi, 0.0L)}) ExpectNearReference(x);
  // Far out, where a 66-bit pi is wrong from the first digits.
  for (long double k : {1e6L, 123456789.0L, 0x1p40L + 3, 5e17L, 5.7e18L})
    for (long double x : {k * halfPi, std::nextafter(k * halfPi, 0.0L), std::nextafter(k * halfPi, 1e30L)})
      ExpectNearReference(x);
}

// Below 2^63 a short product reduces the argument unless it lies within
// 2^-41 quadrants of a multiple of pi/2, where the full one takes over, and
// from 2^-7 quadrants on it feeds the table directly: either side of those
// cuts, of half a quadrant, of 2^63, and in (pi/4, 1), where the binary
// point of the short product sits at its very top.
TEST(Trig, EitherSideOfTheShortReductionsLimits) {
  const long double halfPi = 0xC.90FDAA22168C235p-3L;
  for (long double k : {1.0L, 3.0L, 40.0L, 1000.0L, 12345.0L, 0x1p30L})
    for (long double quadrants : {0x1p-43L, 0x1p-41L, 0x1.0001p-41L, 0x1p-39L, 0x1p-30L, 0x1p-12L, 0x1.FFFFp-8L,
                                  0x1p-7L, 0x1.0001p-7L, 0x1.FFFFFFp-2L, 0x1.000001p-1L})
      for (long double sign : {1.0L, -1.0L}) ExpectNearReference(sign * (k * halfPi + quadrants * halfPi));
  for (long double x : {std::nextafter(0x1p63L, 0.0L), -std::nextafter(0x1p63L, 0.0L), 0x1p62L + 0x1p10L,
                        0x1p63L + 0x1p11L, std::nextafter(0xC.90FDAA22168C235p-4L, 1.0L), 0.8L, -0.9L,
                        std::nextafter(1.0L, 0.0L), 1.0L, -1.0L})
    ExpectNearReference(x);
}

TEST(Trig, LargeArgumentsUpToTheEvaluatorsBound) {
  for (long double x : {4096.5L, -4100.0L, 5000.5L, -1e6L, 1e10L, 123456789.125L, 1e18L, -9e18L, 9e18L,
                        0x1p63L, std::nextafter(0x1p64L, 0.0L)})
    ExpectNearReference(x);
  for (long double x = 4097; x < 1e18L; x *= 1.37L) {
    ExpectNearReference(x);
    ExpectNearReference(-x);
  }
}

TEST(Trig, SmallAndHugeArguments) {
  for (long double x : {0.5L, -0.78L, 0xC.90FDAA22168C235p-4L, 0x1p-20L, -0x1p-9L, 0x1p-8L, 0x1p64L, -1e30L,
                        0x1p1000L, 1e4000L, std::numeric_limits<long double>::max(),
                        std::numeric_limits<long double>::denorm_min()})
    ExpectNearReference(x);
}

TEST(Trig, ZerosNaNsAndInfinities) {
  EXPECT_EQ(Cosine(0.0L), 1);
  EXPECT_EQ(Cosine(-0.0L), 1);
  EXPECT_EQ(Sine(0.0L), 0);
  EXPECT_FALSE(std::signbit(Sine(0.0L)));
  EXPECT_TRUE(std::signbit(Sine(-0.0L)));
  const long double tiny = std::numeric_limits<long double>::denorm_min();
  EXPECT_EQ(Sine(-tiny), -tiny);
  EXPECT_EQ(Cosine(tiny), 1);
  for (long double x : {INFINITY, -INFINITY, NAN}) {
    EXPECT_TRUE(std::isnan(Cosine(x)));
    EXPECT_TRUE(std::isnan(Sine(x)));
  }
}

}  // namespace
