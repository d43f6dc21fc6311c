// The exact decimal conversion under the evaluator's numerals, on texts far
// beyond what the fast path takes: long digit strings, huge exponents,
// halfway cases, and a process locale with a decimal comma.
#include "evaluator/Numeral.h"

#include <gtest/gtest.h>

#include <string>

#include "evaluator/Extended.h"
#include "plot/TestLocale.h"

namespace {

// The bits of a text's value; the pattern of infinity for a text beyond the
// 80-bit range.
ExtendedBits Bits(const std::string& text) {
  Extended value = 0;
  return DecimalToExtended(text, value) ? BitsOfExtended(value) : BitsOfExtended(ExtendedInfinity);
}
const ExtendedBits Infinity = BitsOfExtended(ExtendedInfinity);

const ExtendedBits One{0x3FFF, 0x8000000000000000};
const ExtendedBits OneAndAnUlp{0x3FFF, 0x8000000000000001};

TEST(DecimalNumeral, OrdinaryTexts) {
  EXPECT_EQ(Bits("0.1"), (ExtendedBits{0x3FFB, 0xCCCCCCCCCCCCCCCD}));
  EXPECT_EQ(Bits("3.14159265358979323846264338327950288"), (ExtendedBits{0x4000, 0xC90FDAA22168C235}));
  EXPECT_EQ(Bits("1.18973149535723176502e+4932"), (ExtendedBits{0x7FFE, 0xFFFFFFFFFFFFFFFF}));
  EXPECT_EQ(Bits("2.5e-4950"), BitsOfExtended(ExtendedFromBits(0, 7)));
  EXPECT_EQ(Bits(".5"), (ExtendedBits{0x3FFE, 0x8000000000000000}));
  EXPECT_EQ(Bits("5."), (ExtendedBits{0x4001, 0xA000000000000000}));
  EXPECT_EQ(Bits("0"), ExtendedBits{});
  EXPECT_EQ(Bits("0.000e+99999"), ExtendedBits{});
}

TEST(DecimalNumeral, LeadingAndTrailingZerosMoveOnlyTheExponent) {
  EXPECT_EQ(Bits("0." + std::string(6000, '0') + "1e6001"), One);
  EXPECT_EQ(Bits("1" + std::string(30000, '0') + "e-30000"), One);
  EXPECT_EQ(Bits(std::string(30000, '0') + "1." + std::string(30000, '0')), One);
}

TEST(DecimalNumeral, ExponentsBeyondAnyRangeSaturate) {
  EXPECT_EQ(Bits("1e4933"), Infinity);
  EXPECT_EQ(Bits("1e99999999999999999999999"), Infinity);
  EXPECT_EQ(Bits("1e-99999999999999999999999"), ExtendedBits{});
  EXPECT_EQ(Bits("1e-4952"), ExtendedBits{});
  // The smallest subnormal is kept, half of it rounds to even (zero).
  EXPECT_EQ(Bits("3.6451995318824746025e-4951"), BitsOfExtended(ExtendedFromBits(0, 1)));
  EXPECT_EQ(Bits("1.8225997659412373012e-4951"), ExtendedBits{});
}

TEST(DecimalNumeral, DigitsFarBehindTheHalfwayPointDecideTheRounding) {
  // 1 + 2^-64 exactly lies halfway between 1 and the next value: ties to
  // even give 1, and any nonzero digit behind it, however far, rounds up.
  const std::string halfway = "1.0000000000000000000542101086242752217003726400434970855712890625";
  EXPECT_EQ(Bits(halfway), One);
  EXPECT_EQ(Bits(halfway + std::string(20000, '0') + "1"), OneAndAnUlp);
  EXPECT_EQ(Bits(halfway + std::string(20000, '0')), One);
  EXPECT_EQ(Bits(halfway + std::string(20000, '0') + "1e0"), OneAndAnUlp);
}

TEST(DecimalNumeral, TheProcessLocaleDoesNotChangeThePoint) {
  if (!UseDecimalCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma can be had";
  const ExtendedBits Value = Bits("2.5");
  const ExtendedBits Small = Bits("0.001e-3");
  UseCLocale();
  EXPECT_EQ(Value, (ExtendedBits{0x4000, 0xA000000000000000}));
  EXPECT_EQ(Small, Bits("1e-6"));
}

}  // namespace
