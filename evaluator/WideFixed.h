#pragma once
// 128-bit fixed-point helpers for the evaluator's own elementary functions,
// and the one rounding of a wide result to an Extended. Integer arithmetic
// only, so every platform gets the same bits.

#include <cstdint>

#include "evaluator/Extended.h"
#include "evaluator/WideInteger.h"

namespace Elementary {

using U128 = unsigned __int128;
using S128 = __int128;

inline std::uint64_t High(U128 a) { return static_cast<std::uint64_t>(a >> 64); }
inline std::uint64_t Low(U128 a) { return static_cast<std::uint64_t>(a); }

// a * b / 2^128, at most 2 below floor(a * b / 2^128): the product of the
// low halves is left out.
inline U128 MulHigh(U128 a, U128 b) {
  const U128 hh = WideInteger::Product(High(a), High(b)), hl = WideInteger::Product(High(a), Low(b));
  const U128 lh = WideInteger::Product(Low(a), High(b));
  return hh + (hl >> 64) + (lh >> 64) + ((static_cast<U128>(Low(hl)) + Low(lh)) >> 64);
}

// a * a / 2^128, at most 2 below floor(a * a / 2^128): MulHigh with the two
// equal cross products formed once.
inline U128 Square(U128 a) {
  const U128 hh = WideInteger::Product(High(a), High(a)), hl = WideInteger::Product(High(a), Low(a));
  return hh + (hl >> 63);
}

// floor(a * b / 2^64).
inline std::uint64_t MulHigh64(std::uint64_t a, std::uint64_t b) {
  return static_cast<std::uint64_t>(WideInteger::Product(a, b) >> 64);
}

inline int LeadingZeros(U128 a) {
  return High(a) ? __builtin_clzll(High(a)) : 64 + __builtin_clzll(Low(a));
}

// The parts of an Extended.
struct Parts {
  std::uint64_t Significand;
  int Biased;  // the 15-bit exponent field
  bool Negative;
};

inline Parts PartsOf(Extended x) {
  const ExtendedBits bits = BitsOfExtended(x);
  return {bits.Significand, bits.SignExponent & 0x7FFF, (bits.SignExponent >> 15) != 0};
}

inline Extended FromParts(std::uint64_t significand, int biased, bool negative) {
  return ExtendedFromBits(static_cast<std::uint16_t>(biased | (negative ? 0x8000 : 0)), significand);
}

// m * 2^e (m > 0), rounded once to nearest, ties to even: to 64 bits in
// the normal range, to the grid of 2^-16445 below it (a subnormal keeps
// every bit it can hold), to infinity above the largest finite value.
inline Extended Rounded(U128 m, int e, bool negative) {
  const int lead = 127 - LeadingZeros(m);
  int exponent = lead + e;  // 2^exponent <= m * 2^e < 2^(exponent + 1)
  int drop = lead - 63;
  const bool subnormal = exponent < -16382;
  if (subnormal) drop += -16382 - exponent;
  U128 kept;
  if (drop <= 0) {
    kept = m << -drop;
  } else if (drop > lead + 1) {
    kept = 0;  // below half the smallest subnormal
  } else {
    kept = drop >= 128 ? 0 : m >> drop;
    const U128 rest = drop >= 128 ? m : m - (kept << drop);
    const U128 half = static_cast<U128>(1) << (drop - 1);
    if (rest > half || (rest == half && (kept & 1))) ++kept;
  }
  if (subnormal) return FromParts(static_cast<std::uint64_t>(kept), (kept >> 63) ? 1 : 0, negative);
  if (kept >> 64) {
    kept >>= 1;
    ++exponent;
  }
  if (exponent > 16383) return FromParts(std::uint64_t{1} << 63, 0x7FFF, negative);
  return FromParts(static_cast<std::uint64_t>(kept), exponent + 16383, negative);
}

}  // namespace Elementary
