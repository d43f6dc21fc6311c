// The 32-bit ways of the wide product and quotient, which WebAssembly uses,
// against the compiler's 128-bit arithmetic.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "evaluator/WideInteger.h"

namespace {

using WideInteger::U128;
using std::uint64_t;

// Operands where carries between the halves happen: all ones, single bits,
// halves full or empty, and random ones.
std::vector<uint64_t> Operands(std::mt19937_64& random, int count) {
  std::vector<uint64_t> values = {0, 1, 2, 0xFFFFFFFF, 0x100000000, 0xFFFFFFFF00000000, 0x00000000FFFFFFFF,
                                  0x8000000000000000, 0x8000000000000001, 0xFFFFFFFFFFFFFFFF,
                                  0xFFFFFFFFFFFFFFFE, 0x7FFFFFFFFFFFFFFF, 0x80000000FFFFFFFF};
  while (static_cast<int>(values.size()) < count) {
    const uint64_t r = random();
    // Mostly full-width, some with long runs of ones or zeros.
    switch (random() % 4) {
      case 0: values.push_back(r | 0xFFFFFFFF); break;
      case 1: values.push_back(r & 0xFFFFFFFF00000000); break;
      case 2: values.push_back(r >> (random() % 64)); break;
      default: values.push_back(r); break;
    }
  }
  return values;
}

TEST(WideInteger, ProductByHalvesIsTheFullProduct) {
  std::mt19937_64 random(7);
  const std::vector<uint64_t> values = Operands(random, 3000);
  for (uint64_t a : values)
    for (std::size_t j = 0; j < values.size(); j += 7) {
      const uint64_t b = values[j];
      ASSERT_TRUE(WideInteger::ProductByHalves(a, b) == static_cast<U128>(a) * b) << a << " * " << b;
    }
}

TEST(WideInteger, QuotientByHalvesIsTheExactQuotientAndRest) {
  std::mt19937_64 random(11);
  const std::vector<uint64_t> values = Operands(random, 2000);
  int checked = 0;
  for (uint64_t d : values) {
    d |= 0x8000000000000000;  // normalised divisors only
    // Numerators whose quotient fits: high below d, including d - 1 with
    // every low part, where the estimates need the most correction.
    for (uint64_t high : {uint64_t{0}, d - 1, d >> 1, static_cast<uint64_t>(random()) % d, d - (d >> 32)})
      for (uint64_t low : {uint64_t{0}, ~uint64_t{0}, static_cast<uint64_t>(random()), d, d - 1}) {
        const U128 n = (static_cast<U128>(high) << 64) | low;
        uint64_t rest = 0;
        const uint64_t q = WideInteger::QuotientByHalves(high, low, d, rest);
        ASSERT_EQ(q, static_cast<uint64_t>(n / d)) << high << ":" << low << " / " << d;
        ASSERT_EQ(rest, static_cast<uint64_t>(n % d)) << high << ":" << low << " / " << d;
        ++checked;
      }
  }
  EXPECT_GT(checked, 40000);
}

// Usable in constant expressions, as the 80-bit constants are made at
// compile time.
static_assert(WideInteger::ProductByHalves(0xFFFFFFFFFFFFFFFF, 0xFFFFFFFFFFFFFFFF) ==
              ((static_cast<U128>(0xFFFFFFFFFFFFFFFE) << 64) | 1));

}  // namespace
