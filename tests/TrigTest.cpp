// Cosine and Sine agree with cosl and sinl to a few units in the last place,
// across the range where they reduce the argument themselves.
#include "evaluator/Trig.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

long double UlpsApart(long double a, long double b) {
  if (a == b) return 0;
  const long double ulp = std::nextafter(std::fabs(b), static_cast<long double>(INFINITY)) - std::fabs(b);
  return std::fabs(a - b) / ulp;
}

TEST(Trig, AgreesWithTheLibraryAcrossTheReducedRange) {
  long double worstCos = 0, worstSin = 0;
  for (long double x = -4100; x <= 4100; x += 0.37L) {
    worstCos = std::max(worstCos, UlpsApart(Cosine(x), cosl(x)));
    worstSin = std::max(worstSin, UlpsApart(Sine(x), sinl(x)));
  }
  EXPECT_LE(worstCos, 2);
  EXPECT_LE(worstSin, 2);
}

TEST(Trig, NearMultiplesOfHalfPi) {
  const long double halfPi = 0xC.90FDAA22168C235p-3L;
  for (int k = -2000; k <= 2000; k += 7) {
    for (long double x : {k * halfPi, std::nextafter(k * halfPi, 0.0L)}) {
      EXPECT_LE(UlpsApart(Cosine(x), cosl(x)), 2) << k;
      EXPECT_LE(UlpsApart(Sine(x), sinl(x)), 2) << k;
    }
  }
}

TEST(Trig, BeyondTheReducedRangeIsTheLibrary) {
  for (long double x : {4096.5L, -1e6L, 9e18L, 0.5L, -0.78L}) {
    EXPECT_EQ(Cosine(x), cosl(x));
    EXPECT_EQ(Sine(x), sinl(x));
  }
}

}  // namespace
