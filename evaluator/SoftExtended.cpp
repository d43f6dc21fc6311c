// The out-of-line half of SoftExtended: every operand class and every
// result range, each rule as the x87 applies it with its exceptions masked.

#include "evaluator/SoftExtended.h"

#include <cmath>

namespace {

using U128 = unsigned __int128;
constexpr int Bias = SoftExtended::Bias;
constexpr std::uint64_t IntegerBit = SoftExtended::IntegerBit;
constexpr std::uint64_t QuietBit = SoftExtended::QuietBit;
constexpr SoftExtended DefaultNan = SoftExtended::FromBits(0xFFFF, IntegerBit | QuietBit);

enum class Kind { Zero, Finite, Infinite, QuietNan, SignallingNan, Unsupported };

// An operand as the x87 reads it. A finite one is normalised: significand
// with bit 63 set, exponent the biased exponent of that bit (below 1 for a
// subnormal; a pseudo-denormal stands for exponent 1).
struct Operand {
  Kind kind;
  bool negative;
  int exponent;
  std::uint64_t significand;
};

Operand Read(SoftExtended x) {
  const int e = x.SignExponent() & 0x7FFF;
  const std::uint64_t m = x.Significand();
  Operand o{Kind::Finite, SignBit(x), e, m};
  if (e == 0x7FFF) {
    if (!(m >> 63)) o.kind = Kind::Unsupported;  // pseudo-infinity, pseudo-NaN
    else if ((m << 1) == 0) o.kind = Kind::Infinite;
    else o.kind = (m & QuietBit) ? Kind::QuietNan : Kind::SignallingNan;
  } else if (e == 0) {
    if (m == 0) {
      o.kind = Kind::Zero;
    } else if (m >> 63) {
      o.exponent = 1;  // pseudo-denormal
    } else {
      const int lead = __builtin_clzll(m);
      o.significand = m << lead;
      o.exponent = 1 - lead;
    }
  } else if (!(m >> 63)) {
    o.kind = Kind::Unsupported;  // unnormal
  }
  return o;
}

bool IsNanKind(Kind k) { return k == Kind::QuietNan || k == Kind::SignallingNan; }

SoftExtended Encode(bool negative, int field, std::uint64_t significand) {
  return SoftExtended::FromBits(static_cast<std::uint16_t>(field | (negative ? 0x8000 : 0)), significand);
}
SoftExtended Zero(bool negative) { return Encode(negative, 0, 0); }
SoftExtended Infinity(bool negative) { return Encode(negative, 0x7FFF, IntegerBit); }

SoftExtended Quieted(SoftExtended nan, unsigned& faults) {
  if (!(nan.Significand() & QuietBit)) faults |= SoftExtended::Invalid;
  return SoftExtended::FromBits(nan.SignExponent(), nan.Significand() | QuietBit);
}

// One NaN operand at least and no unsupported one. Of two NaNs a quiet one
// beats a signalling one, then the larger significand wins, and of two equal
// significands the positive one.
SoftExtended PropagateNan(SoftExtended a, Kind ka, SoftExtended b, Kind kb, unsigned& faults) {
  if (!IsNanKind(kb)) return Quieted(a, faults);
  if (!IsNanKind(ka)) return Quieted(b, faults);
  if (ka == Kind::SignallingNan || kb == Kind::SignallingNan) faults |= SoftExtended::Invalid;
  SoftExtended pick;
  if (ka != kb) pick = ka == Kind::QuietNan ? a : b;
  else if (a.Significand() != b.Significand()) pick = a.Significand() > b.Significand() ? a : b;
  else pick = SignBit(a) ? b : a;
  return SoftExtended::FromBits(pick.SignExponent(), pick.Significand() | QuietBit);
}

SoftExtended InvalidResult(unsigned& faults) {
  faults |= SoftExtended::Invalid;
  return DefaultNan;
}

int LeadingZeros(U128 m) {
  const std::uint64_t high = static_cast<std::uint64_t>(m >> 64);
  return high ? __builtin_clzll(high) : 64 + __builtin_clzll(static_cast<std::uint64_t>(m));
}

// m * 2^(e - Bias - 127) (m nonzero, bit 0 may be a sticky bit) rounded once
// to nearest even: to 64 bits in the normal range, to the grid of 2^-16445
// below it, to infinity above it.
SoftExtended Round(bool negative, int e, U128 m, unsigned& faults) {
  const int lead = LeadingZeros(m);
  m <<= lead;
  e -= lead;
  if (e >= 1) {
    std::uint64_t kept = static_cast<std::uint64_t>(m >> 64);
    const std::uint64_t rest = static_cast<std::uint64_t>(m);
    if (rest > IntegerBit || (rest == IntegerBit && (kept & 1))) {
      if (++kept == 0) {
        kept = IntegerBit;
        ++e;
      }
    }
    if (e >= 0x7FFF) {
      faults |= SoftExtended::Overflow;
      return Infinity(negative);
    }
    return Encode(negative, e, kept);
  }
  // Subnormal: the significand's bit 0 is worth 2^-16445.
  const int drop = 64 + 1 - e;  // >= 65
  if (drop > 128) return Zero(negative);  // below half the smallest subnormal
  std::uint64_t kept = drop == 128 ? 0 : static_cast<std::uint64_t>(m >> drop);
  const U128 rest = drop == 128 ? m : m & ((static_cast<U128>(1) << drop) - 1);
  const U128 half = static_cast<U128>(1) << (drop - 1);
  if (rest > half || (rest == half && (kept & 1))) ++kept;
  // Rounded up to 2^-16382, the result is the smallest normal number.
  return Encode(negative, (kept >> 63) ? 1 : 0, kept);
}

SoftExtended AddOperands(SoftExtended a, SoftExtended b, bool negateB, unsigned& faults) {
  const Operand x = Read(a);
  Operand y = Read(b);
  if (x.kind == Kind::Unsupported || y.kind == Kind::Unsupported) return InvalidResult(faults);
  if (IsNanKind(x.kind) || IsNanKind(y.kind)) return PropagateNan(a, x.kind, b, y.kind, faults);
  y.negative ^= negateB;
  if (x.kind == Kind::Infinite || y.kind == Kind::Infinite) {
    if (x.kind == Kind::Infinite && y.kind == Kind::Infinite && x.negative != y.negative)
      return InvalidResult(faults);
    return Infinity(x.kind == Kind::Infinite ? x.negative : y.negative);
  }
  if (x.kind == Kind::Zero && y.kind == Kind::Zero) return Zero(x.negative && y.negative);
  if (x.kind == Kind::Zero) return Round(y.negative, y.exponent + 1, static_cast<U128>(y.significand) << 63, faults);
  if (y.kind == Kind::Zero) return Round(x.negative, x.exponent + 1, static_cast<U128>(x.significand) << 63, faults);
  const Operand* big = &x;
  const Operand* small = &y;
  if (x.exponent < y.exponent || (x.exponent == y.exponent && x.significand < y.significand)) {
    big = &y;
    small = &x;
  }
  const int d = big->exponent - small->exponent;
  const U128 A = static_cast<U128>(big->significand) << 63;
  U128 B = static_cast<U128>(small->significand) << 63;
  if (d >= 128) {
    B = 1;
  } else if (d > 0) {
    const bool sticky = (B << (128 - d)) != 0;
    B = (B >> d) | static_cast<U128>(sticky);
  }
  if (x.negative != y.negative) {
    if (A == B) return Zero(false);  // x - x is +0 when rounding to nearest
    return Round(big->negative, big->exponent + 1, A - B, faults);
  }
  return Round(big->negative, big->exponent + 1, A + B, faults);
}

// n / d for a quotient below 2^64.
std::uint64_t DivideNarrow(U128 n, std::uint64_t d) {
#if defined(__x86_64__)
  std::uint64_t q, r;
  __asm__("divq %4" : "=a"(q), "=d"(r) : "a"(static_cast<std::uint64_t>(n)), "d"(static_cast<std::uint64_t>(n >> 64)), "rm"(d) : "cc");
  return q;
#else
  // Normalised for the division by halves; n < d * 2^64 stays so.
  const int shift = __builtin_clzll(d);
  const U128 m = n << shift;
  std::uint64_t rest = 0;
  return WideInteger::Quotient(static_cast<std::uint64_t>(m >> 64), static_cast<std::uint64_t>(m), d << shift, rest);
#endif
}

// floor(sqrt(n)) for n in [2^126, 2^128).
std::uint64_t IntegerSquareRoot(U128 n) {
  // A guess within about 2^13 of the root from the top 52 bits. double's
  // square root is correctly rounded everywhere, so the guess is the same
  // everywhere; signed conversions are the cheap ones.
  const double top = static_cast<double>(static_cast<std::int64_t>(n >> 76));  // below 2^52
  std::uint64_t r = static_cast<std::uint64_t>(static_cast<std::int64_t>(std::sqrt(top) * 137438953472.0)) << 1;
  // One Newton step as a correction, (n - r^2) / 2r: the difference is
  // below 2^80, so a 128-by-64 division with a small quotient.
  const U128 square = WideInteger::Product(r, r);
  if (n >= square) {
    r += DivideNarrow(n - square, r) >> 1;
  } else {
    r -= DivideNarrow(square - n, r) >> 1;
  }
  while (WideInteger::Product(r, r) > n) --r;
  while (r != ~std::uint64_t{0} && n - WideInteger::Product(r, r) > 2 * static_cast<U128>(r)) ++r;  // (r + 1)^2 <= n
  return r;
}

// The integer nearest to (or below, truncating) a finite nonzero value whose
// leading bit is worth 2^u with u < 63, as a magnitude of at most 2^63.
std::uint64_t WholeMagnitude(std::uint64_t significand, int u, bool truncating) {
  if (u < -1) return truncating ? 0 : 0;  // below one half
  const int drop = 63 - u;                  // 1 .. 64
  const std::uint64_t kept = drop == 64 ? 0 : significand >> drop;
  if (truncating) return kept;
  const U128 rest = drop == 64 ? significand : significand & ((std::uint64_t{1} << drop) - 1);
  const U128 half = static_cast<U128>(1) << (drop - 1);
  return kept + (rest > half || (rest == half && (kept & 1)));
}

SoftExtended FromMagnitude(bool negative, std::uint64_t magnitude) {
  if (magnitude == 0) return Zero(negative);
  const int lead = __builtin_clzll(magnitude);
  return Encode(negative, Bias + 63 - lead, magnitude << lead);
}

SoftExtended ToWhole(SoftExtended value, bool truncating, unsigned& faults) {
  const Operand x = Read(value);
  switch (x.kind) {
    case Kind::Unsupported: return InvalidResult(faults);
    case Kind::QuietNan:
    case Kind::SignallingNan: return Quieted(value, faults);
    case Kind::Zero:
    case Kind::Infinite: return value;
    case Kind::Finite: break;
  }
  const int u = x.exponent - Bias;
  if (u >= 63) return Encode(x.negative, x.exponent, x.significand);  // already whole
  return FromMagnitude(x.negative, WholeMagnitude(x.significand, u, truncating));
}

constexpr std::int64_t IntegerIndefinite = std::numeric_limits<std::int64_t>::min();

std::int64_t ToInt64(SoftExtended value, bool truncating, unsigned& faults) {
  const Operand x = Read(value);
  if (x.kind == Kind::Zero) return 0;
  if (x.kind != Kind::Finite) {
    faults |= SoftExtended::Invalid;
    return IntegerIndefinite;
  }
  const int u = x.exponent - Bias;
  const std::uint64_t magnitude = u >= 63 ? (u == 63 ? x.significand : ~std::uint64_t{0})
                                          : WholeMagnitude(x.significand, u, truncating);
  if (magnitude < IntegerBit) {
    const std::int64_t v = static_cast<std::int64_t>(magnitude);
    return x.negative ? -v : v;
  }
  if (x.negative && magnitude == IntegerBit) return IntegerIndefinite;  // -2^63 itself
  faults |= SoftExtended::Invalid;
  return IntegerIndefinite;
}

}  // namespace

SoftExtended SoftExtended::Add(SoftExtended a, SoftExtended b, unsigned& faults) {
  return AddOperands(a, b, false, faults);
}

SoftExtended SoftExtended::Subtract(SoftExtended a, SoftExtended b, unsigned& faults) {
  return AddOperands(a, b, true, faults);
}

SoftExtended SoftExtended::Multiply(SoftExtended a, SoftExtended b, unsigned& faults) {
  const Operand x = Read(a), y = Read(b);
  if (x.kind == Kind::Unsupported || y.kind == Kind::Unsupported) return InvalidResult(faults);
  if (IsNanKind(x.kind) || IsNanKind(y.kind)) return PropagateNan(a, x.kind, b, y.kind, faults);
  const bool negative = x.negative != y.negative;
  if (x.kind == Kind::Infinite || y.kind == Kind::Infinite) {
    if (x.kind == Kind::Zero || y.kind == Kind::Zero) return InvalidResult(faults);
    return Infinity(negative);
  }
  if (x.kind == Kind::Zero || y.kind == Kind::Zero) return Zero(negative);
  return Round(negative, x.exponent + y.exponent - Bias + 1,
               WideInteger::Product(x.significand, y.significand), faults);
}

SoftExtended SoftExtended::Divide(SoftExtended a, SoftExtended b, unsigned& faults) {
  const Operand x = Read(a), y = Read(b);
  if (x.kind == Kind::Unsupported || y.kind == Kind::Unsupported) return InvalidResult(faults);
  if (IsNanKind(x.kind) || IsNanKind(y.kind)) return PropagateNan(a, x.kind, b, y.kind, faults);
  const bool negative = x.negative != y.negative;
  if (x.kind == Kind::Infinite) {
    if (y.kind == Kind::Infinite) return InvalidResult(faults);
    return Infinity(negative);
  }
  if (y.kind == Kind::Infinite) return Zero(negative);
  if (y.kind == Kind::Zero) {
    if (x.kind == Kind::Zero) return InvalidResult(faults);
    faults |= DivisionByZero;
    return Infinity(negative);
  }
  if (x.kind == Kind::Zero) return Zero(negative);
  // 128 quotient bits of x / y (between 2^126 and 2^128), the rest sticky.
  const U128 n = static_cast<U128>(x.significand) << 63;
  const std::uint64_t q1 = static_cast<std::uint64_t>(n / y.significand);
  const std::uint64_t r1 = static_cast<std::uint64_t>(n - static_cast<U128>(q1) * y.significand);
  const U128 n2 = static_cast<U128>(r1) << 64;
  const std::uint64_t q2 = static_cast<std::uint64_t>(n2 / y.significand);
  const bool sticky = n2 != static_cast<U128>(q2) * y.significand;
  const U128 m = (static_cast<U128>(q1) << 64) | q2 | static_cast<U128>(sticky);
  return Round(negative, x.exponent - y.exponent + Bias, m, faults);
}

SoftExtended SoftExtended::SquareRoot(SoftExtended value, unsigned& faults) {
  const Operand x = Read(value);
  switch (x.kind) {
    case Kind::Unsupported: return InvalidResult(faults);
    case Kind::QuietNan:
    case Kind::SignallingNan: return Quieted(value, faults);
    case Kind::Zero: return value;  // sqrt(-0) is -0
    case Kind::Infinite: return x.negative ? InvalidResult(faults) : value;
    case Kind::Finite: break;
  }
  if (x.negative) return InvalidResult(faults);
  // sqrt(m * 2^(u - 63)) with u even: sqrt(m * 2^63) * 2^(u/2 - 63).
  const int u = x.exponent - Bias;
  const U128 n = static_cast<U128>(x.significand) << (63 + (u & 1));
  std::uint64_t s = IntegerSquareRoot(n);
  int e = (u >> 1) + Bias;
  // Never a tie: (s + 1/2)^2 is not an integer.
  if (n - static_cast<U128>(s) * s > s) {
    if (++s == 0) {
      s = IntegerBit;
      ++e;
    }
  }
  return Encode(false, e, s);
}

SoftExtended SoftExtended::RoundToWhole(SoftExtended x, unsigned& faults) { return ToWhole(x, false, faults); }
SoftExtended SoftExtended::TruncateToWhole(SoftExtended x, unsigned& faults) { return ToWhole(x, true, faults); }
std::int64_t SoftExtended::RoundedToInt64(SoftExtended x, unsigned& faults) { return ToInt64(x, false, faults); }
std::int64_t SoftExtended::TruncatedToInt64(SoftExtended x, unsigned& faults) { return ToInt64(x, true, faults); }

double SoftExtended::ToDouble(SoftExtended value, unsigned& faults) {
  const Operand x = Read(value);
  const std::uint64_t sign = x.negative ? IntegerBit : 0;
  switch (x.kind) {
    case Kind::Unsupported:
      faults |= Invalid;
      return BitCast<double>(std::uint64_t{0xFFF8000000000000});
    case Kind::QuietNan:
    case Kind::SignallingNan:
      if (x.kind == Kind::SignallingNan) faults |= Invalid;
      return BitCast<double>(sign | 0x7FF8000000000000 | ((x.significand >> 11) & 0xFFFFFFFFFFFFF));
    case Kind::Zero: return BitCast<double>(sign);
    case Kind::Infinite: return BitCast<double>(sign | 0x7FF0000000000000);
    case Kind::Finite: break;
  }
  int e = x.exponent - Bias + 1023;  // double's biased exponent of bit 63
  // Bits below double's last place: 11 in its normal range, more below it.
  const int drop = e >= 1 ? 11 : 11 + 1 - e;
  if (drop > 64) return BitCast<double>(sign);
  std::uint64_t kept = drop == 64 ? 0 : x.significand >> drop;
  const U128 rest = drop == 64 ? x.significand : x.significand & ((std::uint64_t{1} << drop) - 1);
  const U128 half = static_cast<U128>(1) << (drop - 1);
  kept += (rest > half || (rest == half && (kept & 1)));
  if (e < 1) return BitCast<double>(sign | kept);  // a carry to 2^52 is the smallest normal
  if (kept >> 53) {
    kept >>= 1;
    ++e;
  }
  if (e >= 2047) {
    faults |= Overflow;
    return BitCast<double>(sign | 0x7FF0000000000000);
  }
  return BitCast<double>(sign | (static_cast<std::uint64_t>(e) << 52) | (kept & 0xFFFFFFFFFFFFF));
}

SoftExtended SoftExtended::FromDouble(double value, unsigned& faults) {
  const std::uint64_t bits = BitCast<std::uint64_t>(value);
  if ((bits & 0x7FF0000000000000) == 0x7FF0000000000000 && (bits & 0xFFFFFFFFFFFFF) &&
      !(bits & 0x8000000000000))
    faults |= Invalid;
  return SoftExtended(value);
}

SoftExtended::Ordering SoftExtended::Compare(SoftExtended a, SoftExtended b, bool quiet, unsigned& faults) {
  const Ordering o = SoftExtendedDetail::Order(a, b);
  if (o == Ordering::Unordered) {
    const Kind ka = Read(a).kind, kb = Read(b).kind;
    if (!quiet || ka == Kind::Unsupported || kb == Kind::Unsupported || ka == Kind::SignallingNan ||
        kb == Kind::SignallingNan)
      faults |= Invalid;
  }
  return o;
}

SoftExtended Sqrt(SoftExtended x) {
  unsigned ignored = 0;
  return SoftExtended::SquareRoot(x, ignored);
}
SoftExtended RoundToWhole(SoftExtended x) {
  unsigned ignored = 0;
  return SoftExtended::RoundToWhole(x, ignored);
}
SoftExtended TruncateToWhole(SoftExtended x) {
  unsigned ignored = 0;
  return SoftExtended::TruncateToWhole(x, ignored);
}
std::int64_t RoundedToInt64(SoftExtended x) {
  unsigned ignored = 0;
  return SoftExtended::RoundedToInt64(x, ignored);
}
