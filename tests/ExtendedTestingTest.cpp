// The tests' own helpers around Extended (tests/support/ExtendedTesting.h):
// the neighbouring values, the exact decimal text and the numeral reader.
// Where the x87 long double is at hand they are held against the C
// library's nextafterl and printf on random patterns of every kind.
#include "tests/support/ExtendedTesting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

using namespace helixor_test;

Extended Bits(std::uint16_t signExponent, std::uint64_t significand) {
  return ExtendedFromBits(signExponent, significand);
}

TEST(Neighbours, AcrossEveryBoundaryOfTheFormat) {
  struct Case {
    Extended from, up;
  } cases[] = {
      {0.0, ExtendedMinSubnormal},
      {-0.0, ExtendedMinSubnormal},
      {-ExtendedMinSubnormal, -0.0},
      {Bits(0x0000, 0x7FFFFFFFFFFFFFFF), Bits(0x0001, 0x8000000000000000)},  // largest subnormal
      {Bits(0x8001, 0x8000000000000000), Bits(0x8000, 0x7FFFFFFFFFFFFFFF)},
      {Bits(0x3FFE, 0xFFFFFFFFFFFFFFFF), 1},
      {1, Bits(0x3FFF, 0x8000000000000001)},
      {-1, Bits(0xBFFE, 0xFFFFFFFFFFFFFFFF)},
      {ExtendedMax, ExtendedInfinity},
      {-ExtendedInfinity, -ExtendedMax},
      {ExtendedInfinity, ExtendedInfinity},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Pattern(NextUp(c.from)), Pattern(c.up)) << Shown(c.from);
    // Down from the smallest subnormal is +0, not the -0 it came from.
    if (c.from != ExtendedInfinity && !(c.from == 0 && SignBit(c.from))) {
      EXPECT_EQ(Pattern(NextDown(c.up)), Pattern(c.from)) << Shown(c.up);
    }
  }
  EXPECT_EQ(Pattern(NextDown(0.0)), Pattern(-ExtendedMinSubnormal));
  EXPECT_TRUE(IsNan(NextUp(ExtendedNaN)));
  EXPECT_TRUE(IsNan(NextDown(ExtendedNaN)));
}

TEST(GeneralText, AsPrintfWouldWriteIt) {
  EXPECT_EQ(GeneralText(2.5, 19), "2.5");
  EXPECT_EQ(GeneralText(0.02, 3), "0.02");
  EXPECT_EQ(GeneralText(1e-5, 6), "1e-05");
  EXPECT_EQ(GeneralText(0.0001, 6), "0.0001");
  EXPECT_EQ(GeneralText(123456, 6), "123456");
  EXPECT_EQ(GeneralText(1234567, 6), "1.23457e+06");
  EXPECT_EQ(GeneralText(999999.5, 6), "1e+06");  // rounds up into the next decade
  EXPECT_EQ(GeneralText(0.125, 2), "0.12");      // a tie goes to even
  EXPECT_EQ(GeneralText(0.375, 2), "0.38");
  EXPECT_EQ(GeneralText(-0.0, 19), "-0");
  EXPECT_EQ(GeneralText(-ExtendedInfinity, 19), "-inf");
  EXPECT_EQ(GeneralText(ExtendedFromBits(0x4000, 0xC90FDAA22168C235), 19), "3.141592653589793239");
  EXPECT_EQ(GeneralText(ExtendedMax, 21), "1.18973149535723176502e+4932");
  EXPECT_EQ(GeneralText(ExtendedMinSubnormal, 21), "3.64519953188247460253e-4951");
  EXPECT_EQ(Shown(1.5), "1.5 (3FFF:C000000000000000)");
}

TEST(ReadDecimal, TakesTheNumeralAndStopsAfterIt) {
  const char* text = "-1.25e2,7";
  char* end = nullptr;
  EXPECT_EQ(ReadDecimal(text, &end), -125);
  EXPECT_EQ(end, text + 7);
  const char* bare = "3e,";
  EXPECT_EQ(ReadDecimal(bare, &end), 3);
  EXPECT_EQ(end, bare + 1);
  const char* none = "x1";
  EXPECT_EQ(ReadDecimal(none, &end), 0);
  EXPECT_EQ(end, none);
}

// Random patterns: every exponent, subnormals, and significands with long
// runs of ones and zeros, where carries and ties arise.
Extended RandomValue(std::mt19937_64& random) {
  const std::uint64_t r = random();
  std::uint16_t exponent = static_cast<std::uint16_t>(random() % 0x7FFF);
  if (r % 8 == 0) exponent = static_cast<std::uint16_t>(r % 3);
  std::uint64_t significand = random();
  if (r % 5 == 0) significand = ~std::uint64_t{0} << (r >> 58);
  if (r % 7 == 0) significand = std::uint64_t{1} << (r >> 58);
  significand = exponent == 0 ? significand & ~(std::uint64_t{1} << 63) : significand | std::uint64_t{1} << 63;
  return ExtendedFromBits(static_cast<std::uint16_t>(exponent | (r & 0x10 ? 0x8000 : 0)), significand);
}

TEST(GeneralText, ReadsBackToTheSameBits) {
  std::mt19937_64 random(20261210);
  for (int i = 0; i < 400; ++i) {
    const Extended x = RandomValue(random);
    const std::string text = GeneralText(x, 21);
    char* end = nullptr;
    EXPECT_EQ(Pattern(ReadDecimal(text.c_str(), &end)), Pattern(x)) << text;
    EXPECT_EQ(*end, '\0') << text;
  }
}

#ifdef HELIXOR_TEST_X87
TEST(Neighbours, AsNextafterOnTheX87) {
  std::mt19937_64 random(20261211);
  for (int i = 0; i < 20000; ++i) {
    const Extended x = RandomValue(random);
    const long double l = ToLongDouble(x);
    EXPECT_EQ(Pattern(NextUp(x)), Pattern(FromLongDouble(std::nextafter(l, static_cast<long double>(INFINITY)))))
        << Shown(x);
    EXPECT_EQ(Pattern(NextDown(x)), Pattern(FromLongDouble(std::nextafter(l, -static_cast<long double>(INFINITY)))))
        << Shown(x);
  }
}

TEST(GeneralText, AsPrintfOnTheX87) {
  std::mt19937_64 random(20261212);
  for (int i = 0; i < 400; ++i) {
    const Extended x = RandomValue(random);
    for (int significant : {1, 6, 19, 21, 30}) {
      char expected[128];
      std::snprintf(expected, sizeof expected, "%.*Lg", significant, ToLongDouble(x));
      EXPECT_EQ(GeneralText(x, significant), expected) << Pattern(x);
    }
  }
}
#endif

}  // namespace
