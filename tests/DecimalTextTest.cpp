// Helixor's own decimal conversions of the 80-bit pattern: a few named
// cases that pin the behaviour, then seeded random cases in both directions
// checked bit for bit against the C library where long double is the x87
// format (glibc on x86-64).
#include "evaluator/DecimalText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#if defined(__x86_64__) && defined(__GLIBC__) && LDBL_MANT_DIG == 64
#define HELIXOR_CHECK_AGAINST_C_LIBRARY 1
#include <locale.h>
#include <quadmath.h>
#endif

namespace {

constexpr std::uint64_t IntegerBit = 1ull << 63;
const ExtendedBits One{0x3FFF, IntegerBit};
const ExtendedBits OneAndAnUlp{0x3FFF, IntegerBit | 1};
const ExtendedBits Largest{0x7FFE, ~0ull};
const ExtendedBits Infinity{0x7FFF, IntegerBit};
const ExtendedBits SmallestSubnormal{0, 1};

std::string Shortest(ExtendedBits value) {
  char buffer[64];
  return std::string(buffer, FormatShortest(buffer, value));
}

TEST(DecimalToBits, OrdinaryNumerals) {
  EXPECT_EQ(DecimalToBits("10", 0), (ExtendedBits{0x4002, 0xA000000000000000}));
  EXPECT_EQ(DecimalToBits("0.1", 0), (ExtendedBits{0x3FFB, 0xCCCCCCCCCCCCCCCD}));
  EXPECT_EQ(DecimalToBits("3.14159265358979323846264338327950288", 0), (ExtendedBits{0x4000, 0xC90FDAA22168C235}));
  EXPECT_EQ(DecimalToBits(".5", 0), (ExtendedBits{0x3FFE, IntegerBit}));
  EXPECT_EQ(DecimalToBits("1", -3), DecimalToBits("0.001", 0));
  EXPECT_EQ(DecimalToBits("0", 0), ExtendedBits{});
  EXPECT_EQ(DecimalToBits("000.000", 99999), ExtendedBits{});
}

TEST(DecimalToBits, EveryDigitOfALongTextCounts) {
  const std::string thirds = "0." + std::string(5000, '3');
  EXPECT_EQ(DecimalToBits(thirds, 0), (ExtendedBits{0x3FFD, 0xAAAAAAAAAAAAAAAB}));
  EXPECT_EQ(DecimalToBits("0." + std::string(5000, '9'), 0), One);
  EXPECT_EQ(DecimalToBits("0." + std::string(4999, '0') + "1", 5000), One);
  EXPECT_EQ(DecimalToBits(std::string(30000, '0') + "1." + std::string(30000, '0'), 0), One);
  EXPECT_EQ(DecimalToBits("1" + std::string(30000, '0'), -30000), One);
}

TEST(DecimalToBits, HalfwayGoesToEvenAndAnyLaterDigitBreaksTheTie) {
  // 1 + 2^-64 lies exactly between 1 and the next value.
  const std::string halfway = "1.0000000000000000000542101086242752217003726400434970855712890625";
  EXPECT_EQ(DecimalToBits(halfway, 0), One);
  EXPECT_EQ(DecimalToBits(halfway + "000", 0), One);
  EXPECT_EQ(DecimalToBits(halfway + std::string(20000, '0') + "1", 0), OneAndAnUlp);
  EXPECT_EQ(DecimalToBits("1.000000000000000000054210108624275221700372640043497085571289062", 0), One);
  // 2^64 + 1 and 2^64 + 3 sit between even and odd significands.
  EXPECT_EQ(DecimalToBits("18446744073709551617", 0), (ExtendedBits{0x403F, IntegerBit}));
  EXPECT_EQ(DecimalToBits("18446744073709551619", 0), (ExtendedBits{0x403F, IntegerBit | 2}));
}

TEST(DecimalToBits, TheEndsOfTheRange) {
  EXPECT_EQ(DecimalToBits("1.18973149535723176502", 4932), Largest);
  EXPECT_EQ(DecimalToBits("1.1897314953572317651", 4932), Infinity);
  EXPECT_EQ(DecimalToBits("1", 4933), Infinity);
  EXPECT_EQ(DecimalToBits("1", LLONG_MAX), Infinity);
  EXPECT_EQ(DecimalToBits("1", LLONG_MIN), ExtendedBits{});
  EXPECT_EQ(DecimalToBits("3.6451995318824746025", -4951), SmallestSubnormal);
  // Half the smallest subnormal rounds to even (zero); 1e-4951 is below it.
  EXPECT_EQ(DecimalToBits("1.822599765941237301264202966809709908199525407846781671860490243514185844", -4951),
            ExtendedBits{});
  EXPECT_EQ(DecimalToBits("1.8225997659412373012642029668097099081995254078467816718604902435141858444", -4951),
            SmallestSubnormal);
  EXPECT_EQ(DecimalToBits("1", -4951), ExtendedBits{});
  // The largest subnormal rounds up into the smallest normal value.
  EXPECT_EQ(DecimalToBits("3.3621031431120935063", -4932), (ExtendedBits{1, IntegerBit}));
}

TEST(FormatScientific, PrintsTheExactValueRoundedHalfToEven) {
  EXPECT_EQ(FormatScientific(ExtendedBits{0x4000, 0xC90FDAA22168C235}, 20), "3.14159265358979323851e+00");
  EXPECT_EQ(FormatScientific(ExtendedBits{0x8000 | 0x3FFF, IntegerBit}, 20), "-1.00000000000000000000e+00");
  EXPECT_EQ(FormatScientific(SmallestSubnormal, 20), "3.64519953188247460253e-4951");
  EXPECT_EQ(FormatScientific(Largest, 20), "1.18973149535723176502e+4932");
  EXPECT_EQ(FormatScientific(ExtendedBits{0x8000, 0}, 20), "-0.00000000000000000000e+00");
  EXPECT_EQ(FormatScientific(ExtendedBits{0x4000, 0xC90FDAA22168C235}, 0), "3e+00");
  EXPECT_EQ(FormatScientific(One, -1), "1.000000e+00");
  // 419431 / 2^22 and 419433 / 2^22 end in a 5 at the 22nd digit.
  EXPECT_EQ(FormatScientific(DecimalToBits("0.1000001430511474609375", 0), 20), "1.00000143051147460938e-01");
  EXPECT_EQ(FormatScientific(DecimalToBits("0.1000006198883056640625", 0), 20), "1.00000619888305664062e-01");
  EXPECT_EQ(FormatScientific(DecimalToBits("99999999999999999999.5", 0), 19), "1.0000000000000000000e+20");
  const std::string exact = FormatScientific(SmallestSubnormal, 12000);
  // 2^-16445 has 11,495 significant digits, the last ones ...03125.
  EXPECT_EQ(exact.find_last_not_of('0', exact.find('e') - 1), 11495u);
  EXPECT_EQ(exact.substr(11491, 5), "03125");
}

TEST(FormatScientific, InfinityAndNotANumber) {
  EXPECT_EQ(FormatScientific(Infinity, 20), "inf");
  EXPECT_EQ(FormatScientific(ExtendedBits{0xFFFF, IntegerBit}, 20), "-inf");
  EXPECT_EQ(FormatScientific(ExtendedBits{0x7FFF, 0xC000000000000000}, 20), "nan");
  EXPECT_EQ(FormatScientific(ExtendedBits{0xFFFF, 0xC000000000000000}, 20), "-nan");
  // Patterns the x87 refuses: no integer bit with a nonzero exponent.
  EXPECT_EQ(FormatScientific(ExtendedBits{0x3FFF, 0x4000000000000000}, 20), "nan");
  EXPECT_EQ(FormatScientific(ExtendedBits{0x7FFF, 0}, 20), "nan");
}

TEST(FormatShortest, ShortestTextFixedOrScientific) {
  EXPECT_EQ(Shortest(DecimalToBits("0.1", 0)), "0.1");
  EXPECT_EQ(Shortest(DecimalToBits("1", 30)), "1e+30");
  EXPECT_EQ(Shortest(DecimalToBits("-2.5", 0)), "2.5");  // no sign in a numeral
  EXPECT_EQ(Shortest(ExtendedBits{0xC000, 0xA000000000000000}), "-2.5");
  EXPECT_EQ(Shortest(ExtendedBits{0x4001, 0xC90FDAA22168C235}), "6.283185307179586477");
  EXPECT_EQ(Shortest(DecimalToBits("0.001", 0)), "0.001");  // as long as 1e-03: fixed
  EXPECT_EQ(Shortest(DecimalToBits("0.0001", 0)), "1e-04");
  EXPECT_EQ(Shortest(DecimalToBits("123456", 0)), "123456");
  EXPECT_EQ(Shortest(DecimalToBits("1", 5)), "1e+05");
  // Fixed notation shows a whole number's exact digits, past the 18 that
  // would tell it apart (8.45939248406907134e+22 is longer).
  EXPECT_EQ(Shortest(DecimalToBits("84593924840690713403392", 0)), "84593924840690713403392");
  EXPECT_EQ(Shortest(SmallestSubnormal), "4e-4951");
  EXPECT_EQ(Shortest(Largest), "1.189731495357231765e+4932");
  EXPECT_EQ(Shortest(ExtendedBits{}), "0");
  EXPECT_EQ(Shortest(ExtendedBits{0x8000, 0}), "-0");
  EXPECT_EQ(Shortest(Infinity), "inf");
  EXPECT_EQ(Shortest(ExtendedBits{0xFFFF, 0xC000000000000001}), "-nan");
}

// Doubles (the SVG's background coordinates) print as the C++ library's
// shortest to_chars: every class of double, and random bit patterns.
TEST(FormatShortest, DoublesAsToChars) {
  std::vector<double> values = {0.0, -0.0, 1.0, -2.5, 0.1, 1e22, 1e21, 123456789012345678.0, 5e-324,
                                2.2250738585072014e-308, 2.2250738585072009e-308, 1.7976931348623157e308,
                                298.5, 241.0, 0.30000000000000004, 9007199254740993.0, 1e-7, 1e16, 1e17,
                                std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()};
  std::mt19937_64 random(5);
  for (int i = 0; i < 300000; ++i) {
    std::uint64_t bits = random();
    // Half of them at moderate exponents, where fixed notation competes.
    if (i % 2) bits = (bits & 0x800FFFFFFFFFFFFF) | ((0x3C0 + random() % 0x80) << 52);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    values.push_back(value);
  }
  for (std::uint64_t power = 1; power < 64; ++power) values.push_back(static_cast<double>(std::uint64_t{1} << power));
  for (double value : values) {
    char expected[64], shown[64];
    const auto end = std::to_chars(expected, expected + sizeof expected, value).ptr;
    const char* got = FormatShortest(shown, value);
    if (std::isnan(value)) continue;  // the sign of a NaN is its own business
    ASSERT_EQ(std::string(static_cast<const char*>(shown), got), std::string(expected, end)) << std::hexfloat << value;
  }
}

TEST(RoundedDecimal, DigitsAndExponentOfTheFirst) {
  const TDecimalDigits pi = RoundedDecimal(ExtendedBits{0x8000 | 0x4000, 0xC90FDAA22168C235}, 71);
  EXPECT_EQ(pi.Digits, "31415926535897932385128089594061862044327426701784133911132812500000000");
  EXPECT_EQ(pi.Exponent, 0);
  const TDecimalDigits nines = RoundedDecimal(DecimalToBits("9.99999", 0), 3);
  EXPECT_EQ(nines.Digits, "100");
  EXPECT_EQ(nines.Exponent, 1);
  EXPECT_EQ(RoundedDecimal(ExtendedBits{}, 3).Digits, "000");
  EXPECT_EQ(RoundedDecimal(Infinity, 3).Digits, "");
}

// --- Against the C library ------------------------------------------------

#ifdef HELIXOR_CHECK_AGAINST_C_LIBRARY

long double LongDouble(ExtendedBits bits) {
  long double value = 0;
  std::memcpy(&value, &bits.Significand, 8);
  std::memcpy(reinterpret_cast<char*>(&value) + 8, &bits.SignExponent, 2);
  return value;
}

ExtendedBits BitsOf(long double value) {
  ExtendedBits bits;
  std::memcpy(&bits.Significand, &value, 8);
  std::memcpy(&bits.SignExponent, reinterpret_cast<const char*>(&value) + 8, 2);
  return bits;
}

std::string Hex(ExtendedBits bits) {
  char text[32];
  std::snprintf(text, sizeof text, "%04X:%016llX", bits.SignExponent,
                static_cast<unsigned long long>(bits.Significand));
  return text;
}

class TAgainstTheCLibrary : public ::testing::Test {
 protected:
  std::mt19937_64 Random{20261209};
  int Failures = 0;
  const locale_t C = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  ~TAgainstTheCLibrary() override { freelocale(C); }

  void Fail(const std::string& what) {
    if (++Failures <= 10) ADD_FAILURE() << what;
  }

  std::uint64_t Below(std::uint64_t n) { return Random() % n; }

  std::string Digits(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text.push_back(static_cast<char>('0' + Below(10)));
    if (Below(3) == 0) text.insert(Below(count + 1), ".");
    return text;
  }

  void ReadBack(const std::string& digits, long long exponent) {
    const std::string numeral = digits + "e" + std::to_string(exponent);
    const ExtendedBits expected = BitsOf(strtold_l(numeral.c_str(), nullptr, C));
    const ExtendedBits got = DecimalToBits(digits, exponent);
    if (!(got == expected))
      Fail(numeral.substr(0, 200) + ": " + Hex(got) + ", the C library " + Hex(expected));
  }

  // The exact decimal text of (2f + 1) * 2^(e - 1), a midpoint between two
  // neighbours (a 65-bit significand, exact in binary128), as digits with a
  // point and the decimal exponent.
  std::pair<std::string, long long> Midpoint(std::uint64_t f, int e) {
    const __float128 midpoint = ldexpq(static_cast<__float128>(2 * static_cast<unsigned __int128>(f) + 1), e - 1);
    const int decimals = e - 1 < 0 ? 1 - e : 0;  // digits after the point of the exact value
    const int leading = static_cast<int>(std::floor(static_cast<double>(log10q(midpoint))));
    std::string text(static_cast<std::size_t>(decimals + 40 + (leading > 0 ? leading : 0)), '\0');
    const int n = quadmath_snprintf(text.data(), text.size(), "%.*Qe", decimals + leading + 1, midpoint);
    text.resize(static_cast<std::size_t>(n));
    const std::size_t e10 = text.find('e');
    std::string digits = text.substr(0, e10);
    while (digits.back() == '0') digits.pop_back();
    return {digits, std::atoll(text.c_str() + e10 + 1)};
  }

  void Print(ExtendedBits bits, bool all) {
    const long double value = LongDouble(bits);
    char expected[128];
    std::snprintf(expected, sizeof expected, "%.20Le", value);
    const std::string scientific = FormatScientific(bits, 20);
    if (scientific != expected) Fail(Hex(bits) + " %.20Le: " + scientific + ", the C library " + expected);

    char shortest[64], shortestExpected[64];
    char* end = FormatShortest(shortest, bits);
    char* expectedEnd = std::to_chars(shortestExpected, shortestExpected + 64, value).ptr;
    if (std::string(shortest, end) != std::string(shortestExpected, expectedEnd))
      Fail(Hex(bits) + " shortest: " + std::string(shortest, end) + ", to_chars " +
           std::string(shortestExpected, expectedEnd));

    if (!all || value == 0 || !std::isfinite(value)) return;
    char digits[128];
    char* digitsEnd =
        std::to_chars(digits, digits + sizeof digits, std::fabs(value), std::chars_format::scientific, 70).ptr;
    const std::string text(digits, digitsEnd);
    const TDecimalDigits rounded = RoundedDecimal(bits, 71);
    const std::string expectedDigits = text.substr(0, 1) + text.substr(2, 70);
    const int expectedExponent = std::atoi(text.c_str() + 73);
    if (rounded.Digits != expectedDigits || rounded.Exponent != expectedExponent)
      Fail(Hex(bits) + " 71 digits: " + rounded.Digits + "e" + std::to_string(rounded.Exponent) + ", to_chars " + text);
  }

  std::uint16_t Sign() { return Below(2) ? 0x8000 : 0; }
};

// 1,000,000 numerals: 640,000 short ones in the fast range, 280,000 of 1 to
// 40 digits over every exponent, 60,000 at the ends of the range, 600 of
// hundreds and 4 of thousands of digits, and 5,000 midpoints each read
// four ways (exact, with "000", with a 1 far behind, one digit either side).
TEST_F(TAgainstTheCLibrary, NumeralsReadAsStrtold) {
  for (int i = 0; i < 640000; ++i) ReadBack(Digits(1 + Below(19)), static_cast<long long>(Below(61)) - 30);
  for (int i = 0; i < 280000; ++i) ReadBack(Digits(1 + Below(40)), static_cast<long long>(Below(9950)) - 4990);
  for (int i = 0; i < 30000; ++i) ReadBack(Digits(1 + Below(40)), static_cast<long long>(Below(60)) + 4900);
  for (int i = 0; i < 30000; ++i) ReadBack(Digits(1 + Below(40)), -static_cast<long long>(Below(80)) - 4930);
  for (int i = 0; i < 600; ++i) ReadBack(Digits(100 + Below(400)), static_cast<long long>(Below(9900)) - 4950);
  for (int i = 0; i < 4; ++i) ReadBack(Digits(3000 + Below(3000)), -static_cast<long long>(Below(6000)));
  ReadBack("1", 100000000000LL);
  ReadBack("1", -100000000000LL);
  for (int i = 0; i < 5000; ++i) {
    // Mostly ordinary magnitudes; every twentieth between subnormals, every
    // twentieth anywhere (their texts run to thousands of digits).
    std::uint64_t f = Random() | IntegerBit;
    int e = static_cast<int>(Below(400)) - 263;
    if (i % 20 == 0) {
      f >>= 1 + Below(63);
      e = -16445;
    } else if (i % 20 == 1) {
      e = static_cast<int>(Below(16320 + 16445)) - 16445;
    }
    const auto [digits, exponent] = Midpoint(f, e);
    ReadBack(digits, exponent);
    ReadBack(digits + "000", exponent);
    ReadBack(digits + std::string(300, '0') + "1", exponent);
    if (digits.back() >= '1' && digits.back() <= '8') {
      std::string near = digits;
      near.back() = static_cast<char>(near.back() + (Below(2) ? 1 : -1));
      ReadBack(near, exponent);
    }
  }
  EXPECT_EQ(Failures, 0);
}

// 1,000,000 values, each printed three ways (%.20Le, shortest, 71 digits):
// 820,000 of drawing magnitudes (2^-70 to 2^70), 120,000 anywhere including
// subnormals, 60,000 small integers times powers of two (ties at the 21st
// digit, whole numbers), then every fifth power of two and every third of
// ten, zeros, infinities and NaNs. The 71-digit form is checked on every
// fourth drawing value.
TEST_F(TAgainstTheCLibrary, ValuesPrintAsPrintfAndToChars) {
  for (int i = 0; i < 820000; ++i)
    Print(ExtendedBits{static_cast<std::uint16_t>(Sign() | (0x3FFF - 70 + Below(141))), Random() | IntegerBit},
          i % 4 == 0);
  for (int i = 0; i < 120000; ++i) {
    const std::uint16_t field = static_cast<std::uint16_t>(Below(0x7FFF));
    // The C library's printf reads field 0 with the integer bit as a
    // different value from the x87's; only the processor's patterns count.
    const std::uint64_t f = field ? Random() | IntegerBit : (Random() >> Below(64)) & ~IntegerBit;
    Print(ExtendedBits{static_cast<std::uint16_t>(Sign() | field), f}, true);
  }
  for (int i = 0; i < 60000; ++i) {
    const long double small = static_cast<long double>(1 + Below(i % 2 ? 1u << 24 : 100000000000ull));
    Print(BitsOf(ldexpl(Below(2) ? small : -small, static_cast<int>(Below(200)) - 120)), true);
  }
  for (int i = -16445; i < 16384; i += 5) Print(BitsOf(ldexpl(1, i)), true);
  for (int i = -4950; i <= 4932; i += 3) Print(BitsOf(strtold_l(("1e" + std::to_string(i)).c_str(), nullptr, C)), true);
  for (const ExtendedBits special :
       {ExtendedBits{}, ExtendedBits{0x8000, 0}, Infinity, ExtendedBits{0xFFFF, IntegerBit},
        ExtendedBits{0x7FFF, 0xC000000000000000}, ExtendedBits{0xFFFF, 0xC000000000000000},
        ExtendedBits{0x7FFF, IntegerBit | 1}, ExtendedBits{0x4000, 1}, ExtendedBits{0x7FFF, 0x4000000000000000},
        Largest, SmallestSubnormal})
    Print(special, true);
  EXPECT_EQ(Failures, 0);
}

#else

TEST(DecimalTextAgainstTheCLibrary, NeedsTheX87LongDouble) {
  GTEST_SKIP() << "long double is not the x87 format with glibc here";
}

#endif

}  // namespace
