// Helixor's own e^x, ln x and arctan x (and the sample comparison for sine
// and cosine too): within one unit in the last place of a 113-bit
// reference, correctly rounded nearly always, the exact cases exact, and
// the same special values as before.
#include "evaluator/Elementary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "evaluator/Extended.h"
#include "tests/support/ElementaryAccuracy.h"

namespace {

using namespace ElementaryAccuracy;

std::string Pattern(long double x) {
  const ExtendedBits bits = BitsOfExtended(x);
  char text[32];
  std::snprintf(text, sizeof text, "%04X:%016llX", bits.SignExponent,
                static_cast<unsigned long long>(bits.Significand));
  return text;
}

class Sample : public ::testing::TestWithParam<Function> {};

// A smaller run of the accuracy tool's comparison, seeded.
TEST_P(Sample, FaithfulAndNearlyAlwaysCorrectlyRounded) {
  const Function f = GetParam();
  const Domain domain = DomainOf(f);
  Sampler sampler(20261209 + static_cast<int>(f));
  Tally byValue, byExponent, drawing, hard;
  for (int i = 0; i < 20000; ++i) {
    byValue.Add(f, sampler.UniformInValue(domain));
    byExponent.Add(f, sampler.UniformInExponent(domain));
    drawing.Add(f, sampler.UniformInValue(DrawingDomainOf(f)));
  }
  HardPlaces(f, sampler, 20000, hard);
  for (const Tally* t : {&byValue, &byExponent, &drawing, &hard}) {
    EXPECT_LT(t->MaxUlps, 1) << NameOf(f) << " at " << static_cast<double>(t->Worst);
    EXPECT_GE(t->Share(), 0.999) << NameOf(f);
  }
}

INSTANTIATE_TEST_SUITE_P(Elementary, Sample, ::testing::ValuesIn(AllFunctions),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

TEST(Exp, ExactAndSpecialValues) {
  EXPECT_EQ(Exp(0.0L), 1);
  EXPECT_EQ(Exp(-0.0L), 1);
  EXPECT_EQ(Exp(0x1p-70L), 1);
  EXPECT_EQ(Exp(-0x1p-70L), 1);
  EXPECT_EQ(Exp(INFINITY), INFINITY);
  EXPECT_EQ(Exp(-INFINITY), 0);
  EXPECT_TRUE(std::isnan(Exp(NAN)));
  EXPECT_EQ(Exp(11357), INFINITY);
  EXPECT_EQ(Exp(-11400), 0);
  EXPECT_EQ(Pattern(Exp(1)), "4000:ADF85458A2BB4A9B");
}

TEST(Exp, SubnormalResultsKeepTheirBits) {
  EXPECT_EQ(Pattern(Exp(-11356)), "0000:36022FBAC6CAF9D6");
  // 2^-16445 is e^-11398.80...: half of it (and a little) rounds up to it.
  EXPECT_EQ(Exp(-11399.4L), std::numeric_limits<long double>::denorm_min());
  EXPECT_EQ(Exp(-11399.6L), 0);
  // Rounded once to the subnormal grid, across the range of its lengths.
  for (long double x = -11355.2L; x > -11398.8L; x -= 0.731L) {
    const long double nearest = static_cast<long double>(expq(static_cast<__float128>(x)));
    EXPECT_EQ(Exp(x), nearest) << static_cast<double>(x);
  }
}

TEST(Ln, ExactAndSpecialValues) {
  EXPECT_EQ(Ln(1), 0);
  EXPECT_FALSE(std::signbit(Ln(1)));
  EXPECT_EQ(Ln(0.0L), -INFINITY);
  EXPECT_EQ(Ln(-0.0L), -INFINITY);
  EXPECT_TRUE(std::isnan(Ln(-1)));
  EXPECT_TRUE(std::isnan(Ln(-INFINITY)));
  EXPECT_TRUE(std::isnan(Ln(NAN)));
  EXPECT_EQ(Ln(INFINITY), INFINITY);
  EXPECT_EQ(Pattern(Ln(0.5L)), "BFFE:B17217F7D1CF79AC");
  EXPECT_EQ(Pattern(Ln(2)), "3FFE:B17217F7D1CF79AC");
}

TEST(Ln, AcrossTheWholeRange) {
  for (long double x : {std::numeric_limits<long double>::denorm_min(), std::numeric_limits<long double>::min(),
                        std::numeric_limits<long double>::max(), 0x1p-16400L, 1 - 0x1p-64L, 1 + 0x1p-63L,
                        1 - 0x1p-12L, 1 + 0x1p-12L, std::nextafter(1 - 0x1p-12L, 0.0L), 0x1.FFFp-1L, 0x1.001p0L})
    EXPECT_EQ(Ln(x), static_cast<long double>(logq(static_cast<__float128>(x)))) << static_cast<double>(x);
}

TEST(ArcTan, ExactAndSpecialValues) {
  EXPECT_EQ(Pattern(ArcTan(INFINITY)), "3FFF:C90FDAA22168C235");
  EXPECT_EQ(Pattern(ArcTan(-INFINITY)), "BFFF:C90FDAA22168C235");
  EXPECT_EQ(Pattern(ArcTan(1)), "3FFE:C90FDAA22168C235");
  EXPECT_EQ(Pattern(ArcTan(0x1p65L)), "3FFF:C90FDAA22168C235");
  EXPECT_TRUE(std::signbit(ArcTan(-0.0L)));
  EXPECT_EQ(ArcTan(0.0L), 0);
  EXPECT_EQ(ArcTan(-0x1p-40L), -0x1p-40L);
  EXPECT_TRUE(std::isnan(ArcTan(NAN)));
  for (long double x : {0x1p-32L, 0x1p-8L, 0x1.FFp-9L, 1 + 0x1p-63L, 1 - 0x1p-64L, 256.0L, 0x1p64L,
                        std::nextafter(0x1p65L, 0.0L), 3e19L, std::numeric_limits<long double>::max(),
                        std::numeric_limits<long double>::denorm_min()})
    EXPECT_EQ(ArcTan(x), static_cast<long double>(atanq(static_cast<__float128>(x)))) << static_cast<double>(x);
}

// Between 1 and 256 the table point i/256 is floor(256/|x|), found from a
// short division and corrected: every switch of i, either side, and where
// |x| + i/256 is a power of two (7.875 + 1/8), for both signs.
TEST(ArcTan, AtTheTablePointsAbove1) {
  auto expectNear = [](long double x) {
    const __float128 exact = atanq(static_cast<__float128>(x));
    EXPECT_LT(UlpsOff(ArcTan(x), exact), 1) << static_cast<double>(x);
  };
  for (int i = 1; i < 256; ++i) {
    const long double x = 256.0L / i;
    for (long double y : {x, std::nextafter(x, 0.0L), std::nextafter(x, 512.0L), -x}) expectNear(y);
  }
  for (int e = 0; e < 8; ++e) {
    // Just above, the divisor's 80-bit reciprocal rounds to 1.
    long double y = std::nextafter(std::ldexp(1.0L, e + 1) - std::ldexp(1.0L, -1 - e), 0.0L);
    for (int k = 0; k < 6; ++k, y = std::nextafter(y, 512.0L)) expectNear(y);
  }
  for (long double x : {1 + 0x1p-63L, 1 + 0x1p-23L, 1 + 0x1p-22L, std::nextafter(256.0L, 0.0L), 255.5L, 128.0L})
    expectNear(x);
}

}  // namespace
