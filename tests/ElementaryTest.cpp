// Helixor's own e^x, ln x and arctan x (and the sample comparison for sine
// and cosine too): within one unit in the last place of a 113-bit
// reference, correctly rounded nearly always, the exact cases exact, and
// the same special values as before.
#include "evaluator/Elementary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "evaluator/Extended.h"
#include "tests/support/ElementaryAccuracy.h"
#include "tests/support/ExtendedTesting.h"

namespace {

using helixor_test::NextDown;
using helixor_test::Pattern;

constexpr Extended Inf = ExtendedInfinity;
constexpr Extended NaN = ExtendedNaN;

#ifdef HELIXOR_TEST_QUAD_REFERENCE
using namespace ElementaryAccuracy;

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
    EXPECT_LT(t->MaxUlps, 1) << NameOf(f) << " at " << helixor_test::Shown(t->Worst);
    EXPECT_GE(t->Share(), 0.999) << NameOf(f);
  }
}

INSTANTIATE_TEST_SUITE_P(Elementary, Sample, ::testing::ValuesIn(AllFunctions),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

// The value libquadmath's f rounds to.
Extended Nearest(__float128 (*f)(__float128), Extended x) {
  return helixor_test::FromLongDouble(static_cast<long double>(f(static_cast<__float128>(helixor_test::ToLongDouble(x)))));
}
#else
TEST(Elementary, Sample) { GTEST_SKIP() << "no 113-bit reference (libquadmath over the x87 long double) here"; }
#endif

TEST(Exp, ExactAndSpecialValues) {
  EXPECT_EQ(Exp(0.0), 1);
  EXPECT_EQ(Exp(-0.0), 1);
  EXPECT_EQ(Exp(0x1p-70), 1);
  EXPECT_EQ(Exp(-0x1p-70), 1);
  EXPECT_EQ(Exp(Inf), Inf);
  EXPECT_EQ(Exp(-Inf), 0);
  EXPECT_TRUE(IsNan(Exp(NaN)));
  EXPECT_EQ(Exp(11357), Inf);
  EXPECT_EQ(Exp(-11400), 0);
  EXPECT_EQ(Pattern(Exp(1)), "4000:ADF85458A2BB4A9B");
}

TEST(Exp, SubnormalResultsKeepTheirBits) {
  EXPECT_EQ(Pattern(Exp(-11356)), "0000:36022FBAC6CAF9D6");
  // 2^-16445 is e^-11398.80...: half of it (and a little) rounds up to it.
  EXPECT_EQ(Exp(ExtendedFromBits(0xC00C, 0xB21D99999999999A)), ExtendedMinSubnormal);  // -11399.4
  EXPECT_EQ(Exp(ExtendedFromBits(0xC00C, 0xB21E666666666666)), 0);                     // -11399.6
#ifdef HELIXOR_TEST_QUAD_REFERENCE
  // Rounded once to the subnormal grid, across the range of its lengths.
  const Extended from = ExtendedFromBits(0xC00C, 0xB16CCCCCCCCCCCCD);  // -11355.2
  const Extended to = ExtendedFromBits(0xC00C, 0xB21B333333333333);    // -11398.8
  const Extended step = ExtendedFromBits(0x3FFE, 0xBB22D0E560418937);  // 0.731
  for (Extended x = from; x > to; x -= step) EXPECT_EQ(Exp(x), Nearest(expq, x)) << helixor_test::Shown(x);
#endif
}

TEST(Ln, ExactAndSpecialValues) {
  EXPECT_EQ(Ln(1), 0);
  EXPECT_FALSE(SignBit(Ln(1)));
  EXPECT_EQ(Ln(0.0), -Inf);
  EXPECT_EQ(Ln(-0.0), -Inf);
  EXPECT_TRUE(IsNan(Ln(-1)));
  EXPECT_TRUE(IsNan(Ln(-Inf)));
  EXPECT_TRUE(IsNan(Ln(NaN)));
  EXPECT_EQ(Ln(Inf), Inf);
  EXPECT_EQ(Pattern(Ln(0.5)), "BFFE:B17217F7D1CF79AC");
  EXPECT_EQ(Pattern(Ln(2)), "3FFE:B17217F7D1CF79AC");
}

TEST(Ln, AcrossTheWholeRange) {
#ifdef HELIXOR_TEST_QUAD_REFERENCE
  const Extended one = 1;
  for (Extended x : {ExtendedMinSubnormal, ExtendedFromBits(0x0001, 0x8000000000000000), ExtendedMax,
                     ExtendedFromBits(0x0000, 0x0000200000000000) /* 2^-16400 */, one - 0x1p-64, one + 0x1p-63,
                     one - 0x1p-12, one + 0x1p-12, NextDown(one - 0x1p-12), Extended(0x1.FFFp-1), Extended(0x1.001p0)})
    EXPECT_EQ(Ln(x), Nearest(logq, x)) << helixor_test::Shown(x);
#else
  GTEST_SKIP() << "no 113-bit reference (libquadmath over the x87 long double) here";
#endif
}

TEST(ArcTan, ExactAndSpecialValues) {
  EXPECT_EQ(Pattern(ArcTan(Inf)), "3FFF:C90FDAA22168C235");
  EXPECT_EQ(Pattern(ArcTan(-Inf)), "BFFF:C90FDAA22168C235");
  EXPECT_EQ(Pattern(ArcTan(1)), "3FFE:C90FDAA22168C235");
  EXPECT_EQ(Pattern(ArcTan(0x1p65)), "3FFF:C90FDAA22168C235");
  EXPECT_TRUE(SignBit(ArcTan(-0.0)));
  EXPECT_EQ(ArcTan(0.0), 0);
  EXPECT_EQ(ArcTan(-0x1p-40), -0x1p-40);
  EXPECT_TRUE(IsNan(ArcTan(NaN)));
#ifdef HELIXOR_TEST_QUAD_REFERENCE
  const Extended one = 1;
  for (Extended x : {Extended(0x1p-32), Extended(0x1p-8), Extended(0x1.FFp-9), one + 0x1p-63, one - 0x1p-64,
                     Extended(256.0), Extended(0x1p64), NextDown(0x1p65), Extended(3e19), ExtendedMax,
                     ExtendedMinSubnormal})
    EXPECT_EQ(ArcTan(x), Nearest(atanq, x)) << helixor_test::Shown(x);
#endif
}

// Between 1 and 256 the table point i/256 is floor(256/|x|), found from a
// short division and corrected: every switch of i, either side, and where
// |x| + i/256 is a power of two (7.875 + 1/8), for both signs.
#ifdef HELIXOR_TEST_QUAD_REFERENCE
TEST(ArcTan, AtTheTablePointsAbove1) {
  using helixor_test::NextUp;
  using helixor_test::TimesPowerOfTwo;
  auto expectNear = [](Extended x) {
    EXPECT_LT(UlpsOff(ArcTan(x), Reference(Function::ArcTan, x)), 1) << helixor_test::Shown(x);
  };
  for (int i = 1; i < 256; ++i) {
    const Extended x = Extended(256) / i;
    for (Extended y : {x, NextDown(x), NextUp(x), -x}) expectNear(y);
  }
  for (int e = 0; e < 8; ++e) {
    // Just above, the divisor's 80-bit reciprocal rounds to 1.
    Extended y = NextDown(TimesPowerOfTwo(1, e + 1) - TimesPowerOfTwo(1, -1 - e));
    for (int k = 0; k < 6; ++k, y = NextUp(y)) expectNear(y);
  }
  const Extended one = 1;
  for (Extended x : {one + 0x1p-63, one + 0x1p-23, one + 0x1p-22, NextDown(256), Extended(255.5), Extended(128)})
    expectNear(x);
}
#endif

}  // namespace
