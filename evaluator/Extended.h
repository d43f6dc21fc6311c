#pragma once
// The 80-bit extended real in which every expression value, coordinate,
// zoom factor and length is computed: sign, 15-bit exponent and a 64-bit
// significand with its explicit integer bit, rounded to nearest, ties to
// even.
//
// On x86 it is the processor's own long double (the x87 format). Where the
// processor has no such format (arm64, WebAssembly), or when the build asks
// for it with HELIXOR_SOFT_EXTENDED, it is SoftExtended, Helixor's own value
// type, whose every operation gives exactly the x87's result. Code that
// computes in Extended uses only the operators and the functions below
// (Abs, Sqrt, IsNan, RoundToWhole, ...), never the C library's long double
// functions, so both kinds give the same bits.

#include <cstdint>

// The 80-bit pattern of a value: sign and 15-bit exponent in one 16-bit
// word, and the 64-bit significand with its explicit integer bit.
struct ExtendedBits {
  std::uint16_t SignExponent = 0;
  std::uint64_t Significand = 0;
  friend bool operator==(const ExtendedBits&, const ExtendedBits&) = default;
};

#if (defined(__x86_64__) || defined(__i386__)) && __LDBL_MANT_DIG__ == 64 && !defined(HELIXOR_SOFT_EXTENDED)
#define HELIXOR_X87_EXTENDED 1
#include "evaluator/BitCast.h"
#include <cstring>

using Extended = long double;

namespace ExtendedDetail {
// A long double's bytes on x86: the significand, then sign and exponent,
// then padding.
struct Raw {
  std::uint64_t Significand;
  std::uint16_t SignExponent;
  std::uint16_t Padding16[(sizeof(long double) - 10) / 2];
};
static_assert(sizeof(Raw) == sizeof(long double));
}  // namespace ExtendedDetail

// Builds a value from its bit pattern: constants with a stated pattern are
// made this way, never from a decimal literal.
constexpr Extended ExtendedFromBits(std::uint16_t signExponent, std::uint64_t significand) {
  return BitCast<Extended>(ExtendedDetail::Raw{significand, signExponent, {}});
}
inline ExtendedBits BitsOfExtended(Extended value) {
  ExtendedDetail::Raw raw;
  std::memcpy(&raw, &value, sizeof raw);
  return {raw.SignExponent, raw.Significand};
}

inline Extended Abs(Extended x) { return __builtin_fabsl(x); }
inline bool IsNan(Extended x) { return __builtin_isnan(x); }
inline bool IsFinite(Extended x) { return __builtin_isfinite(x); }
inline bool SignBit(Extended x) { return __builtin_signbitl(x); }
inline Extended Sqrt(Extended x) {
  asm("fsqrt" : "+t"(x));
  return x;
}
// The nearest whole number, ties to even (the processor's rounding mode is
// to nearest: nothing in Helixor changes it).
inline Extended RoundToWhole(Extended x) {
  asm("frndint" : "+t"(x));
  return x;
}
// The whole number toward zero, the sign of a zero kept.
inline Extended TruncateToWhole(Extended x) {
  if (!(Abs(x) < 0x1p63L)) return x;  // already whole, or not a number
  Extended r = RoundToWhole(x);
  if (x >= 0 ? r > x : r < x) r += x >= 0 ? -1 : 1;
  return r == 0 ? (SignBit(x) ? -0.0L : 0.0L) : r;
}
// x rounded to a 64-bit integer, ties to even; outside the int64 range and
// for NaN the integer indefinite, INT64_MIN. A cast would truncate, which
// on the x87 means switching the rounding mode twice.
inline std::int64_t RoundedToInt64(Extended x) {
  std::int64_t whole;
  asm("fistpll %0" : "=m"(whole) : "t"(x) : "st");
  return whole;
}
#else
#include "evaluator/SoftExtended.h"

using Extended = SoftExtended;

constexpr Extended ExtendedFromBits(std::uint16_t signExponent, std::uint64_t significand) {
  return SoftExtended::FromBits(signExponent, significand);
}
constexpr ExtendedBits BitsOfExtended(Extended value) { return {value.SignExponent(), value.Significand()}; }
#endif

constexpr Extended ExtendedFromBits(ExtendedBits bits) {
  return ExtendedFromBits(bits.SignExponent, bits.Significand);
}

// The limits of the format.
inline constexpr Extended ExtendedInfinity = ExtendedFromBits(0x7FFF, 0x8000000000000000);
inline constexpr Extended ExtendedMax = ExtendedFromBits(0x7FFE, 0xFFFFFFFFFFFFFFFF);
inline constexpr Extended ExtendedMinSubnormal = ExtendedFromBits(0x0000, 1);
// The default NaN of an invalid operation.
inline constexpr Extended ExtendedNaN = ExtendedFromBits(0xFFFF, 0xC000000000000000);
