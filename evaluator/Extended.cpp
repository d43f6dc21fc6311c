#include "evaluator/Extended.h"

#include <cstring>

// On x86-64 a long double occupies 16 bytes: the significand in bytes 0-7,
// sign and exponent in bytes 8-9, then padding.
Extended ExtendedFromBits(std::uint16_t signExponent, std::uint64_t significand) {
  unsigned char raw[sizeof(Extended)] = {};
  std::memcpy(raw, &significand, 8);
  std::memcpy(raw + 8, &signExponent, 2);
  Extended value;
  std::memcpy(&value, raw, sizeof value);
  return value;
}

ExtendedBits BitsOfExtended(Extended value) {
  unsigned char raw[sizeof(Extended)];
  std::memcpy(raw, &value, sizeof value);
  ExtendedBits bits;
  std::memcpy(&bits.Significand, raw, 8);
  std::memcpy(&bits.SignExponent, raw + 8, 2);
  return bits;
}
