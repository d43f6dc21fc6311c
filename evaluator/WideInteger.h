#pragma once
// 64 x 64 -> 128-bit products and 128 / 64-bit quotients, the steps of the
// 80-bit arithmetic and of the elementary functions. x86-64 and arm64 have
// instructions for both. WebAssembly has neither, and its compiler calls the
// general 128-bit routines for the plain expressions (a full 128 x 128
// product, a bit-by-bit division), so there the product is made from four
// 32-bit ones and the quotient from two 64-bit divisions. Both ways are
// exact; the 32-bit ones are always compiled, so they are tested on every
// platform.

#include <cstdint>

namespace WideInteger {

using U128 = unsigned __int128;

// a * b from 32-bit halves.
constexpr U128 ProductByHalves(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t a0 = static_cast<std::uint32_t>(a), a1 = a >> 32;
  const std::uint64_t b0 = static_cast<std::uint32_t>(b), b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  // At most 3 * (2^32 - 1): no overflow.
  const std::uint64_t middle = (p00 >> 32) + static_cast<std::uint32_t>(p01) + static_cast<std::uint32_t>(p10);
  const std::uint64_t low = (middle << 32) | static_cast<std::uint32_t>(p00);
  const std::uint64_t high = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
  return (static_cast<U128>(high) << 64) | low;
}

constexpr U128 Product(std::uint64_t a, std::uint64_t b) {
#if defined(__wasm__)
  return ProductByHalves(a, b);
#else
  return static_cast<U128>(a) * b;
#endif
}

// (high * 2^64 + low) / d for a divisor with its top bit set and high < d,
// so that the quotient fits in 64 bits; remainder in r. Two steps of long
// division by 32-bit digits, each estimated from the divisor's top half and
// corrected at most twice.
constexpr std::uint64_t QuotientByHalves(std::uint64_t high, std::uint64_t low, std::uint64_t d, std::uint64_t& r) {
  constexpr std::uint64_t Base = std::uint64_t{1} << 32;
  const std::uint64_t d1 = d >> 32, d0 = static_cast<std::uint32_t>(d);
  const std::uint64_t n1 = low >> 32, n0 = static_cast<std::uint32_t>(low);
  std::uint64_t q1 = high / d1, rest = high - q1 * d1;
  while (q1 >= Base || q1 * d0 > ((rest << 32) | n1)) {
    --q1;
    rest += d1;
    if (rest >= Base) break;
  }
  // Modulo 2^64: the true value is below d.
  const std::uint64_t middle = (high << 32) + n1 - q1 * d;
  std::uint64_t q0 = middle / d1;
  rest = middle - q0 * d1;
  while (q0 >= Base || q0 * d0 > ((rest << 32) | n0)) {
    --q0;
    rest += d1;
    if (rest >= Base) break;
  }
  r = (middle << 32) + n0 - q0 * d;
  return (q1 << 32) + q0;
}

constexpr std::uint64_t Quotient(std::uint64_t high, std::uint64_t low, std::uint64_t d, std::uint64_t& r) {
#if defined(__wasm__)
  return QuotientByHalves(high, low, d, r);
#else
  const U128 n = (static_cast<U128>(high) << 64) | low;
  const std::uint64_t q = static_cast<std::uint64_t>(n / d);
  r = static_cast<std::uint64_t>(n - static_cast<U128>(q) * d);
  return q;
#endif
}

}  // namespace WideInteger
