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
