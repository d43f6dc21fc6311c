#pragma once
// The 80-bit extended real in which every expression value, coordinate,
// zoom factor and length is computed.

#include <cstdint>
#include <limits>

using Extended = long double;

static_assert(std::numeric_limits<Extended>::digits == 64 &&
                  std::numeric_limits<Extended>::max_exponent == 16384 &&
                  std::numeric_limits<Extended>::radix == 2,
              "Extended must be the x87 80-bit format (64-bit significand)");

// The 80-bit pattern of a value: sign and 15-bit exponent in one 16-bit
// word, and the 64-bit significand with its explicit integer bit.
struct ExtendedBits {
  std::uint16_t SignExponent = 0;
  std::uint64_t Significand = 0;
  friend bool operator==(const ExtendedBits&, const ExtendedBits&) = default;
};

// Builds a value from its bit pattern: constants with a stated pattern are
// made this way, never from a decimal literal.
Extended ExtendedFromBits(std::uint16_t signExponent, std::uint64_t significand);
ExtendedBits BitsOfExtended(Extended value);

// x rounded to the nearest 64-bit integer, halves to even, by the
// processor's own conversion in its current rounding mode (to nearest:
// nothing in Helixor changes it). x must lie within the int64 range. A cast
// would truncate, which on the x87 means switching the rounding mode twice,
// and llrint is a library call (it may set errno).
inline std::int64_t RoundedToInt64(Extended x) {
  std::int64_t whole;
  asm("fistpll %0" : "=m"(whole) : "t"(x) : "st");
  return whole;
}
