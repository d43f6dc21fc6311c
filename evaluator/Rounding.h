#pragma once
// Rounding an Extended to a 64-bit integer, halves to even.

#include <cstdint>

#include "evaluator/Extended.h"
#include "evaluator/Faults.h"

// x rounded by the processor's own conversion in its current rounding mode
// (to nearest: nothing in Helixor changes it). x must round into the int64
// range. A cast would truncate, which on the x87 means switching the
// rounding mode twice, and llrint is a library call (it may set errno).
inline std::int64_t RoundedToInt64(Extended x) {
  std::int64_t whole;
  asm("fistpll %0" : "=m"(whole) : "t"(x) : "st");
  return whole;
}

// The same, with InvalidOperationFault for x that does not round into the
// int64 range: exactly -2^63 <= x < 2^63 - 0.5 rounds into it (2^63 - 0.5
// rounds up to 2^63; below -2^63 the next value is -2^63 - 1).
inline std::int64_t RoundToInt64(Extended x) {
  constexpr Extended Low = -0x1p63L, High = 0x1p63L - 0.5L;
  if (!(x >= Low && x < High)) [[unlikely]]
    throw InvalidOperationFault();
  return RoundedToInt64(x);
}
