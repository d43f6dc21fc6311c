#pragma once
// Rounding an Extended to a 64-bit integer, halves to even.

#include <cstdint>

#include "evaluator/Extended.h"
#include "evaluator/Faults.h"

// x rounded to nearest (RoundedToInt64), with InvalidOperationFault for x
// that does not round into the int64 range: exactly -2^63 <= x < 2^63 - 0.5
// rounds into it (2^63 - 0.5 rounds up to 2^63; below -2^63 the next value
// is -2^63 - 1).
inline std::int64_t RoundToInt64(Extended x) {
  constexpr Extended Low = -0x1p63, High = ExtendedFromBits(0x403D, 0xFFFFFFFFFFFFFFFF);  // 2^63 - 0.5
  if (!(x >= Low && x < High)) [[unlikely]]
    throw InvalidOperationFault();
  return RoundedToInt64(x);
}
