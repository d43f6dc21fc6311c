// SoftExtended gives the x87's bits and faults: a million seeded cases per
// operation against the processor (x86-64 only), and the rules that matter
// most spelt out as bit patterns, which hold on every processor.
#include "evaluator/SoftExtended.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "tests/support/ExtendedCases.h"

namespace {

using SE = SoftExtended;
using ExtendedCases::Operation;

constexpr SE Bits(std::uint16_t se, std::uint64_t m) { return SE::FromBits(se, m); }
constexpr std::uint64_t Top = SE::IntegerBit;
constexpr SE DefaultNan = Bits(0xFFFF, 0xC000000000000000);
constexpr SE Infinity = Bits(0x7FFF, Top);
constexpr SE MinNormal = Bits(0x0001, Top);

std::string Spelt(SE x) { return ExtendedCases::Hex(x); }
#define EXPECT_BITS(actual, expected) EXPECT_EQ(Spelt(actual), Spelt(expected))

class AgainstTheX87 : public testing::TestWithParam<Operation> {};

TEST_P(AgainstTheX87, AMillionCasesAgreeInEveryBitAndFault) {
  if (!ExtendedCases::Supported()) GTEST_SKIP() << "no x87 on this processor";
  const ExtendedCases::Report report = ExtendedCases::Compare(GetParam(), 1000000, 20240601);
  EXPECT_GE(report.count, 1000000u);
  EXPECT_EQ(report.differences, 0u);
  for (const std::string& line : report.first) ADD_FAILURE() << line;
}

INSTANTIATE_TEST_SUITE_P(SoftExtended, AgainstTheX87, testing::ValuesIn(ExtendedCases::AllOperations),
                         [](const testing::TestParamInfo<Operation>& info) {
                           std::string name = ExtendedCases::NameOf(info.param);
                           for (char& c : name)
                             if (c == '-' || c == '/') c = '_';
                           return name;
                         });

TEST(SoftExtended, RoundsTiesToEvenOnce) {
  const SE one = 1, halfUlp = Bits(0x3FFF - 64, Top);
  EXPECT_BITS(one + halfUlp, one);                                      // to the even neighbour, down
  EXPECT_BITS(Bits(0x3FFF, Top | 1) + halfUlp, Bits(0x3FFF, Top | 2));  // and up
  // Past the tie by a bit 66 places down: only a sticky bit remembers it.
  EXPECT_BITS(one + Bits(0x3FFF - 64, Top | 1), Bits(0x3FFF, Top | 1));
  // Products of two 33-bit significands with 65 bits: halfway, to even.
  const SE a = Bits(0x3FFF, 0x8000000080000000), b = Bits(0x3FFF, 0x8000000180000000);
  EXPECT_BITS(a * a, Bits(0x3FFF, 0x8000000100000000));  // (2^32 + 1)^2, down
  EXPECT_BITS(a * b, Bits(0x3FFF, 0x8000000200000002));  // (2^32 + 1)(2^32 + 3), up
}

TEST(SoftExtended, RoundsOnceOnTheSubnormalGrid) {
  EXPECT_BITS(MinNormal * 0.75, Bits(0x0000, 0x6000000000000000));
  // Exactly half the smallest subnormal goes to the even zero, a hair more up.
  EXPECT_BITS(-MinNormal * Bits(0x3FFF - 64, Top), Bits(0x8000, 0));
  EXPECT_BITS(-MinNormal * Bits(0x3FFF - 64, Top | 1), Bits(0x8000, 1));
  // Rounding up out of the subnormals gives the normal encoding.
  EXPECT_BITS(Bits(0x0000, 0x7FFFFFFFFFFFFFFF) + Bits(0x0000, 1), MinNormal);
  // A pseudo-denormal is the smallest normal's value.
  EXPECT_BITS(Bits(0x0000, Top) + Bits(0x0000, Top), Bits(0x0002, Top));
  EXPECT_TRUE(Bits(0x0000, Top) == MinNormal);
}

TEST(SoftExtended, KeepsTheSignOfZeroAsTheX87Does) {
  const SE minusZero = Bits(0x8000, 0), x = 3;
  EXPECT_BITS(minusZero + minusZero, minusZero);
  EXPECT_BITS(minusZero - SE(), minusZero);
  EXPECT_BITS(SE() + minusZero, SE());
  EXPECT_BITS(x - x, SE());
  EXPECT_BITS(-x + x, SE());
  EXPECT_BITS(Sqrt(minusZero), minusZero);
  EXPECT_BITS(RoundToWhole(SE(-0.25)), minusZero);
  EXPECT_BITS(TruncateToWhole(SE(-0.75)), minusZero);
  EXPECT_TRUE(minusZero == SE());
}

TEST(SoftExtended, InvalidOperationsGiveTheDefaultNanAndTheFault) {
  const SE unnormal = Bits(0x3FFF, 0x4000000000000000), pseudoInfinity = Bits(0x7FFF, 0);
  using Operation = SE (*)(SE, SE, unsigned&);
  const struct {
    Operation op;
    SE a, b;
  } cases[] = {{SE::Add, Infinity, -Infinity},  {SE::Subtract, Infinity, Infinity},
               {SE::Multiply, SE(), -Infinity}, {SE::Divide, SE(), SE()},
               {SE::Divide, Infinity, -Infinity}, {SE::Add, unnormal, SE(1)},
               {SE::Multiply, SE(1), pseudoInfinity}};
  for (const auto& c : cases) {
    unsigned faults = 0;
    EXPECT_BITS(c.op(c.a, c.b, faults), DefaultNan) << Spelt(c.a) << " " << Spelt(c.b);
    EXPECT_EQ(faults, unsigned{SE::Invalid});
  }
  unsigned faults = 0;
  EXPECT_BITS(SE::SquareRoot(SE(-1), faults), DefaultNan);
  EXPECT_EQ(faults, unsigned{SE::Invalid});
  faults = 0;
  EXPECT_BITS(SE::Divide(SE(-1), SE(), faults), -Infinity);
  EXPECT_EQ(faults, unsigned{SE::DivisionByZero});
  faults = 0;
  EXPECT_BITS(SE::Add(Bits(0x7FFE, ~0ull), Bits(0x7FFE, ~0ull), faults), Infinity);
  EXPECT_EQ(faults, unsigned{SE::Overflow});
}

TEST(SoftExtended, PicksAmongNanOperandsByTheX87Rule) {
  const SE q1 = Bits(0x7FFF, 0xC000000000000001), q2 = Bits(0x7FFF, 0xC000000000000002);
  const SE s9 = Bits(0x7FFF, 0x8000000000000009), s5 = Bits(0xFFFF, 0x8000000000000005);
  unsigned faults = 0;
  EXPECT_BITS(SE::Add(q1, -q2, faults), -q2);  // the larger significand, whatever its sign
  EXPECT_BITS(SE::Multiply(-q2, q2, faults), q2);  // equal significands: the positive one
  EXPECT_EQ(faults, 0u);
  EXPECT_BITS(SE::Add(s9, q1, faults), q1);  // a quiet NaN beats a signalling one
  EXPECT_EQ(faults, unsigned{SE::Invalid});
  EXPECT_BITS(s5 * s9, Bits(0x7FFF, 0xC000000000000009));  // of two signalling, the larger, quieted
  EXPECT_BITS(SE(1) - s5, Bits(0xFFFF, 0xC000000000000005));  // the operand itself, its sign kept
  EXPECT_BITS(-s5, Bits(0x7FFF, 0x8000000000000005));        // negation touches the sign only
}

TEST(SoftExtended, ConvertsAsTheX87StoresAndLoads) {
  unsigned faults = 0;
  const double signalling = std::bit_cast<double>(std::uint64_t{0x7FF0000000000001});
  EXPECT_BITS(SE::FromDouble(signalling, faults), Bits(0x7FFF, 0xC000000000000800));
  EXPECT_EQ(faults, unsigned{SE::Invalid});
  EXPECT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(Bits(0xFFFF, 0x8000000000000801))),
            0xFFF8000000000001u);  // the payload's top bits, quieted
  EXPECT_EQ(static_cast<double>(Bits(0x3FFF, Top | 0x400)), 1.0);        // tie to even
  EXPECT_EQ(static_cast<double>(Bits(0x3FFF, Top | 0xC00)), 1.0 + 0x1p-51);
  EXPECT_EQ(static_cast<double>(Bits(0x3FFF - 1074, Top)), 0x1p-1074);
  EXPECT_EQ(static_cast<double>(Bits(0x3FFF - 1075, Top)), 0.0);  // half the smallest: even zero
  EXPECT_EQ(static_cast<double>(SE(0x1p1023) * 2), std::numeric_limits<double>::infinity());

  constexpr std::int64_t indefinite = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(static_cast<std::int64_t>(Bits(0x3FFF + 63, Top)), indefinite);  // 2^63
  EXPECT_EQ(static_cast<std::int64_t>(Bits(0xBFFF + 63, Top)), indefinite);  // -2^63 itself
  EXPECT_EQ(static_cast<std::int64_t>(SE(-2.75)), -2);
  EXPECT_EQ(RoundedToInt64(SE(2.5)), 2);
  EXPECT_EQ(RoundedToInt64(SE(-3.5)), -4);
  EXPECT_EQ(RoundedToInt64(DefaultNan), indefinite);
  EXPECT_EQ(static_cast<int>(SE(3e9)), std::numeric_limits<int>::min());
  EXPECT_EQ(static_cast<std::int16_t>(SE(-40000)), std::numeric_limits<std::int16_t>::min());
  EXPECT_EQ(static_cast<std::uint64_t>(SE(0x1p63) + 2048), (std::uint64_t{1} << 63) + 2048);
  EXPECT_EQ(static_cast<unsigned>(SE(4294967297.0)), 1u);
  EXPECT_TRUE(static_cast<bool>(SE(0.5)));  // x != 0, not a truncation
  EXPECT_TRUE(static_cast<bool>(DefaultNan));
  EXPECT_FALSE(static_cast<bool>(Bits(0x8000, 0)));
}

// Constants are built at compile time, from bits, integers and doubles.
static_assert(SE(1).SignExponent() == 0x3FFF && SE(1).Significand() == Top);
static_assert(SE(std::numeric_limits<std::int64_t>::min()).SignExponent() == 0xC03E);
static_assert(SE(~std::uint64_t{0}).Significand() == ~std::uint64_t{0});
static_assert(SE(-0.0).SignExponent() == 0x8000 && SE(0).SignExponent() == 0);
static_assert(SE(0x1p-1074).SignExponent() == 0x3FFF - 1074 && SE(0x1p-1074).Significand() == Top);
static_assert(SE(std::numeric_limits<double>::infinity()).Significand() == Top);
static_assert(SE(0.5) < 1 && SE(-0.0) == 0 && !(DefaultNan == DefaultNan) && DefaultNan != DefaultNan);
static_assert(!std::is_convertible_v<long double, SE> && !std::is_convertible_v<float, SE>);

TEST(SoftExtended, MixesWithIntegersAndDoublesInExpressions) {
  const SE x = 3;
  const long l = 2;
  const unsigned u = 2;
  const std::int64_t i = -2;
  const std::uint64_t w = 2;
  EXPECT_TRUE(x * 2 == 6 && 1 + x == 4 && x - l == 1 && x * u == 6 && x + i == 1 && x / w == 1.5);
  EXPECT_TRUE(x < 3.5 && x >= 3 && 0.5 < x && x != 0);
  SE y = x;
  y += 1;
  y *= 0.5;
  y -= u;
  y /= l;
  EXPECT_TRUE(y == 0);
  EXPECT_BITS(Sqrt(SE(2)) * Sqrt(SE(2)), Bits(0x3FFF, ~std::uint64_t{0}));  // one rounding each
}

}  // namespace
