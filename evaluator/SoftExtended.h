#pragma once
// Helixor's own 80-bit extended real, for processors without the x87: sign,
// 15-bit exponent and 64-bit significand with its explicit integer bit, and
// every operation rounded exactly as the x87 rounds it (to nearest, ties to
// even, 64-bit precision, underflow and the other exceptions masked), so that
// every processor computes the same bits. Integer arithmetic only.
//
// The common case, normal operands with a normal result, is inline; zeros,
// subnormals, infinities, NaNs, unsupported encodings, overflow and underflow
// go out of line (SoftExtended.cpp).

#include <bit>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "evaluator/BitCast.h"
#include "evaluator/WideInteger.h"

class SoftExtended {
 public:
  // The conditions Helixor turns into faults. The values are the x87 status
  // word's bits for them, so they compare directly with the processor's.
  enum Fault : unsigned { Invalid = 0x01, DivisionByZero = 0x04, Overflow = 0x08 };
  enum class Ordering { Less, Equal, Greater, Unordered };

  constexpr SoftExtended() = default;  // +0

  // Exact: every integer of 64 bits or fewer has a 64-bit significand.
  template <class I>
    requires std::is_integral_v<I>
  constexpr SoftExtended(I value) {  // NOLINT(google-explicit-constructor): x * 2, 1 + x
    static_assert(sizeof(I) <= 8, "an integer wider than 64 bits need not fit");
    bool negative = false;
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if constexpr (std::is_signed_v<I>) {
      if (value < 0) {
        negative = true;
        magnitude = std::uint64_t{0} - magnitude;  // INT64_MIN included
      }
    }
    if (magnitude == 0) return;
    const int lead = std::countl_zero(magnitude);
    significand_ = magnitude << lead;
    signExponent_ = static_cast<std::uint16_t>((Bias + 63 - lead) | (negative ? 0x8000 : 0));
  }

  // Exact, as the x87's fld m64: a NaN is quieted and keeps its payload in
  // the significand's top bits.
  constexpr SoftExtended(double value) {  // NOLINT(google-explicit-constructor): x < 0.5
    const std::uint64_t bits = BitCast<std::uint64_t>(value);
    const std::uint16_t sign = (bits >> 63) ? 0x8000 : 0;
    const int field = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (field == 0x7FF) {
      signExponent_ = sign | 0x7FFF;
      significand_ = IntegerBit | (fraction << 11) | (fraction ? QuietBit : 0);
    } else if (field != 0) {
      signExponent_ = static_cast<std::uint16_t>(sign | (field - 1023 + Bias));
      significand_ = IntegerBit | (fraction << 11);
    } else if (fraction != 0) {  // a double subnormal is a normal extended
      const int lead = std::countl_zero(fraction);
      significand_ = fraction << lead;
      signExponent_ = static_cast<std::uint16_t>(sign | (63 - lead - 1074 + Bias));
    } else {
      signExponent_ = sign;
    }
  }

  // Never silently through another format.
  SoftExtended(long double) = delete;
  SoftExtended(float) = delete;

  static constexpr SoftExtended FromBits(std::uint16_t signExponent, std::uint64_t significand) {
    SoftExtended x;
    x.signExponent_ = signExponent;
    x.significand_ = significand;
    return x;
  }
  constexpr std::uint16_t SignExponent() const { return signExponent_; }
  constexpr std::uint64_t Significand() const { return significand_; }

  // As the x87's fstp m64: to nearest even, onto double's subnormals below
  // its normal range, to infinity above it; a NaN keeps the top of its
  // payload.
  explicit operator double() const;

  // Truncation toward zero, as a C++ cast of a long double on x86-64:
  // - 64-bit signed: out of range, infinite or NaN gives INT64_MIN, the
  //   x87's integer indefinite.
  // - narrower signed: out of the type's range gives the type's minimum (the
  //   x87's indefinite for 16 and 32 bits), never a wrapped value.
  // - 64-bit unsigned: [0, 2^64) exactly, as the compilers do it (below 2^63
  //   through int64, above through x - 2^63); a negative value wraps modulo
  //   2^64, beyond 2^64 gives 0, NaN gives 2^63.
  // - narrower unsigned: through int64, then modulo 2^n (the compilers'
  //   fistp m64 and low bits).
  // bool is x != 0, as for long double (NaN is true), not a truncation.
  template <class I>
    requires std::is_integral_v<I>
  explicit operator I() const;

  SoftExtended& operator+=(SoftExtended other);
  SoftExtended& operator-=(SoftExtended other);
  SoftExtended& operator*=(SoftExtended other);
  SoftExtended& operator/=(SoftExtended other);

  // The operations with the faults they raise ORed into faults (never
  // cleared). The operators give the same values without the faults.
  static SoftExtended Add(SoftExtended a, SoftExtended b, unsigned& faults);
  static SoftExtended Subtract(SoftExtended a, SoftExtended b, unsigned& faults);
  static SoftExtended Multiply(SoftExtended a, SoftExtended b, unsigned& faults);
  static SoftExtended Divide(SoftExtended a, SoftExtended b, unsigned& faults);
  static SoftExtended SquareRoot(SoftExtended x, unsigned& faults);
  static SoftExtended RoundToWhole(SoftExtended x, unsigned& faults);
  static SoftExtended TruncateToWhole(SoftExtended x, unsigned& faults);
  static std::int64_t RoundedToInt64(SoftExtended x, unsigned& faults);
  static std::int64_t TruncatedToInt64(SoftExtended x, unsigned& faults);
  static double ToDouble(SoftExtended x, unsigned& faults);
  static SoftExtended FromDouble(double value, unsigned& faults);  // a signalling NaN is invalid
  // quiet: only a signalling NaN or an unsupported encoding is invalid, as
  // for == and != (fucomi); otherwise any NaN is, as for <, <=, >, >= (fcomi).
  static Ordering Compare(SoftExtended a, SoftExtended b, bool quiet, unsigned& faults);

  static constexpr int Bias = 16383;
  static constexpr std::uint64_t IntegerBit = std::uint64_t{1} << 63;
  static constexpr std::uint64_t QuietBit = std::uint64_t{1} << 62;

  // The inline halves of the operations: false when an operand or the
  // result is anything but a normal number, and the caller goes out of line.
  static bool FastAdd(SoftExtended a, std::uint16_t signExponentB, std::uint64_t significandB,
                      SoftExtended& result);
  static bool FastMultiply(SoftExtended a, SoftExtended b, SoftExtended& result);
  static bool FastDivide(SoftExtended a, SoftExtended b, SoftExtended& result);

 private:
  using U128 = unsigned __int128;
  static bool IsNormal(std::uint16_t signExponent, std::uint64_t significand) {
    return static_cast<std::uint16_t>((signExponent & 0x7FFF) - 1) < 0x7FFE && (significand >> 63);
  }
  // m (bit 127 set) worth 2^(e - Bias) at bit 127, rounded to a normal result.
  static bool PackNormal(bool negative, int e, U128 m, SoftExtended& result);
  static std::int64_t TruncatedForNarrow(SoftExtended x);

  std::uint64_t significand_ = 0;
  std::uint16_t signExponent_ = 0;
};

// The unsupported encodings (unnormals, pseudo-infinities, pseudo-NaNs) are
// invalid operands of every operation but negation and Abs.
SoftExtended Sqrt(SoftExtended x);
SoftExtended RoundToWhole(SoftExtended x);     // nearest integer, ties to even, sign of zero kept
SoftExtended TruncateToWhole(SoftExtended x);  // toward zero, sign of zero kept
std::int64_t RoundedToInt64(SoftExtended x);   // ties to even; NaN or out of range gives INT64_MIN

inline bool SoftExtended::PackNormal(bool negative, int e, U128 m, SoftExtended& result) {
  std::uint64_t kept = static_cast<std::uint64_t>(m >> 64);
  const std::uint64_t rest = static_cast<std::uint64_t>(m);
  if (rest > IntegerBit || (rest == IntegerBit && (kept & 1))) {
    if (++kept == 0) {  // carried into the next binade
      kept = IntegerBit;
      ++e;
    }
  }
  if (static_cast<unsigned>(e - 1) >= 0x7FFEu) return false;
  result = FromBits(static_cast<std::uint16_t>(e | (negative ? 0x8000 : 0)), kept);
  return true;
}

inline bool SoftExtended::FastAdd(SoftExtended a, std::uint16_t seB, std::uint64_t mb,
                                  SoftExtended& result) {
  std::uint16_t seA = a.signExponent_;
  std::uint64_t ma = a.significand_;
  if (!IsNormal(seA, ma) || !IsNormal(seB, mb)) return false;
  int ea = seA & 0x7FFF, eb = seB & 0x7FFF;
  if (ea < eb || (ea == eb && ma < mb)) {  // a is the larger in magnitude
    const std::uint16_t s = seA;
    seA = seB;
    seB = s;
    const std::uint64_t m = ma;
    ma = mb;
    mb = m;
    const int e = ea;
    ea = eb;
    eb = e;
  }
  const int d = ea - eb;
  const bool negative = seA & 0x8000;
  if (d < 64 && (!((seA ^ seB) & 0x8000) || d >= 2)) {
    // In two 64-bit words: mb / 2^d is high + low / 2^64.
    const std::uint64_t high = mb >> d, low = (mb << 1) << (63 - d);
    std::uint64_t kept, rest;
    int e = ea;
    if (!((seA ^ seB) & 0x8000)) {
      kept = ma + high;
      rest = low;
      if (kept < ma) {  // carried out: one bit more, the lowest joins the rest
        rest = (kept << 63) | (low >> 1) | (low & 1);
        kept = (kept >> 1) | IntegerBit;
        ++e;
      }
    } else {
      // At least 2^62 is left, so at most one bit shifts back in.
      kept = ma - high - (low != 0);
      rest = std::uint64_t{0} - low;
      if (!(kept >> 63)) {
        kept = (kept << 1) | (rest >> 63);
        rest <<= 1;
        --e;
      }
    }
    if (rest > IntegerBit || (rest == IntegerBit && (kept & 1))) {
      if (++kept == 0) {
        kept = IntegerBit;
        ++e;
      }
    }
    if (static_cast<unsigned>(e - 1) >= 0x7FFEu) return false;
    result = FromBits(static_cast<std::uint16_t>(e | (negative ? 0x8000 : 0)), kept);
    return true;
  }
  // Far apart, or close enough to cancel many bits: both at bit 126 and
  // below, the smaller shifted with its lost bits kept
  // as a sticky bit 0: 63 guard bits survive any cancellation that can
  // follow a shift.
  const U128 A = static_cast<U128>(ma) << 63;
  U128 B = static_cast<U128>(mb) << 63;
  if (d >= 128) {
    B = 1;
  } else if (d > 0) {
    const bool sticky = (B << (128 - d)) != 0;
    B = (B >> d) | static_cast<U128>(sticky);
  }
  U128 m;
  if ((seA ^ seB) & 0x8000) {
    m = A - B;
    if (m == 0) {
      result = SoftExtended();  // x - x is +0
      return true;
    }
  } else {
    m = A + B;
  }
  const int lead = (m >> 64) ? std::countl_zero(static_cast<std::uint64_t>(m >> 64))
                             : 64 + std::countl_zero(static_cast<std::uint64_t>(m));
  return PackNormal(negative, ea + 1 - lead, m << lead, result);
}

inline bool SoftExtended::FastMultiply(SoftExtended a, SoftExtended b, SoftExtended& result) {
  if (!IsNormal(a.signExponent_, a.significand_) || !IsNormal(b.signExponent_, b.significand_))
    return false;
  const U128 p = WideInteger::Product(a.significand_, b.significand_);
  const int e = (a.signExponent_ & 0x7FFF) + (b.signExponent_ & 0x7FFF) - Bias + 1;
  const bool top = static_cast<std::uint64_t>(p >> 127);
  return PackNormal((a.signExponent_ ^ b.signExponent_) & 0x8000, top ? e : e - 1, top ? p : p << 1,
                    result);
}

inline bool SoftExtended::FastDivide(SoftExtended a, SoftExtended b, SoftExtended& result) {
  if (!IsNormal(a.signExponent_, a.significand_) || !IsNormal(b.signExponent_, b.significand_))
    return false;
  const std::uint64_t ma = a.significand_, mb = b.significand_;
  int e = (a.signExponent_ & 0x7FFF) - (b.signExponent_ & 0x7FFF) + Bias;
  // A numerator below mb * 2^64, so that the quotient has exactly 64 bits.
  std::uint64_t high = ma, low = 0;
  if (ma >= mb) {
    high = ma >> 1;
    low = ma << 63;
  } else {
    --e;
  }
  std::uint64_t q, r;
#if defined(__x86_64__)
  __asm__("divq %4" : "=a"(q), "=d"(r) : "a"(low), "d"(high), "rm"(mb) : "cc");
#else
  q = WideInteger::Quotient(high, low, mb, r);
#endif
  // The rest r / mb against one half.
  const std::uint64_t other = mb - r;
  if (r > other || (r == other && (q & 1))) {
    if (++q == 0) {
      q = IntegerBit;
      ++e;
    }
  }
  if (static_cast<unsigned>(e - 1) >= 0x7FFEu) return false;
  result = FromBits(static_cast<std::uint16_t>(e | ((a.signExponent_ ^ b.signExponent_) & 0x8000)), q);
  return true;
}

inline SoftExtended operator+(SoftExtended a, SoftExtended b) {
  SoftExtended r;
  if (SoftExtended::FastAdd(a, b.SignExponent(), b.Significand(), r)) [[likely]]
    return r;
  unsigned ignored = 0;
  return SoftExtended::Add(a, b, ignored);
}

inline SoftExtended operator-(SoftExtended a, SoftExtended b) {
  SoftExtended r;
  if (SoftExtended::FastAdd(a, b.SignExponent() ^ 0x8000, b.Significand(), r)) [[likely]]
    return r;
  unsigned ignored = 0;
  return SoftExtended::Subtract(a, b, ignored);
}

inline SoftExtended operator*(SoftExtended a, SoftExtended b) {
  SoftExtended r;
  if (SoftExtended::FastMultiply(a, b, r)) [[likely]]
    return r;
  unsigned ignored = 0;
  return SoftExtended::Multiply(a, b, ignored);
}

inline SoftExtended operator/(SoftExtended a, SoftExtended b) {
  SoftExtended r;
  if (SoftExtended::FastDivide(a, b, r)) [[likely]]
    return r;
  unsigned ignored = 0;
  return SoftExtended::Divide(a, b, ignored);
}

// fchs and fabs: the sign bit alone, whatever the encoding.
constexpr SoftExtended operator-(SoftExtended x) {
  return SoftExtended::FromBits(x.SignExponent() ^ 0x8000, x.Significand());
}
constexpr SoftExtended operator+(SoftExtended x) { return x; }
constexpr SoftExtended Abs(SoftExtended x) {
  return SoftExtended::FromBits(x.SignExponent() & 0x7FFF, x.Significand());
}

inline SoftExtended& SoftExtended::operator+=(SoftExtended other) { return *this = *this + other; }
inline SoftExtended& SoftExtended::operator-=(SoftExtended other) { return *this = *this - other; }
inline SoftExtended& SoftExtended::operator*=(SoftExtended other) { return *this = *this * other; }
inline SoftExtended& SoftExtended::operator/=(SoftExtended other) { return *this = *this / other; }

constexpr bool SignBit(SoftExtended x) { return (x.SignExponent() & 0x8000) != 0; }
// NaN: quiet or signalling; the unsupported encodings are neither NaN nor
// finite, as the x87 sees them.
constexpr bool IsNan(SoftExtended x) {
  return (x.SignExponent() & 0x7FFF) == 0x7FFF && (x.Significand() >> 63) &&
         (x.Significand() << 1) != 0;
}
constexpr bool IsFinite(SoftExtended x) {
  const int e = x.SignExponent() & 0x7FFF;
  return e == 0 || (e != 0x7FFF && (x.Significand() >> 63));
}

namespace SoftExtendedDetail {

// Comparable operands (no NaN, no unsupported encoding) as one signed key
// each: sign, then exponent and significand, a pseudo-denormal read as the
// exponent 1 it stands for and both zeros as one.
constexpr bool Comparable(SoftExtended x) {
  const int e = x.SignExponent() & 0x7FFF;
  if (e == 0x7FFF) return x.Significand() == SoftExtended::IntegerBit;
  return e == 0 || (x.Significand() >> 63);
}

constexpr SoftExtended::Ordering Order(SoftExtended a, SoftExtended b) {
  using U128 = unsigned __int128;
  if (!Comparable(a) || !Comparable(b)) return SoftExtended::Ordering::Unordered;
  const auto magnitude = [](SoftExtended x) {
    int e = x.SignExponent() & 0x7FFF;
    if (e == 0 && (x.Significand() >> 63)) e = 1;
    return (static_cast<U128>(e) << 64) | x.Significand();
  };
  const U128 ma = magnitude(a), mb = magnitude(b);
  if (ma == 0 && mb == 0) return SoftExtended::Ordering::Equal;
  const bool na = SignBit(a), nb = SignBit(b);
  if (na != nb) return na ? SoftExtended::Ordering::Less : SoftExtended::Ordering::Greater;
  if (ma == mb) return SoftExtended::Ordering::Equal;
  return (ma < mb) != na ? SoftExtended::Ordering::Less : SoftExtended::Ordering::Greater;
}

}  // namespace SoftExtendedDetail

constexpr bool operator==(SoftExtended a, SoftExtended b) {
  return SoftExtendedDetail::Order(a, b) == SoftExtended::Ordering::Equal;
}
constexpr bool operator!=(SoftExtended a, SoftExtended b) { return !(a == b); }
constexpr bool operator<(SoftExtended a, SoftExtended b) {
  return SoftExtendedDetail::Order(a, b) == SoftExtended::Ordering::Less;
}
constexpr bool operator>(SoftExtended a, SoftExtended b) {
  return SoftExtendedDetail::Order(a, b) == SoftExtended::Ordering::Greater;
}
constexpr bool operator<=(SoftExtended a, SoftExtended b) {
  const SoftExtended::Ordering o = SoftExtendedDetail::Order(a, b);
  return o == SoftExtended::Ordering::Less || o == SoftExtended::Ordering::Equal;
}
constexpr bool operator>=(SoftExtended a, SoftExtended b) {
  const SoftExtended::Ordering o = SoftExtendedDetail::Order(a, b);
  return o == SoftExtended::Ordering::Greater || o == SoftExtended::Ordering::Equal;
}

inline SoftExtended::operator double() const {
  // A normal value inside double's normal range; the rest out of line.
  const int e = (signExponent_ & 0x7FFF) - Bias + 1023;
  if ((significand_ >> 63) && static_cast<unsigned>(e - 1) < 2046u) {
    std::uint64_t kept = significand_ >> 11;
    const std::uint64_t rest = significand_ & 0x7FF;
    kept += (rest > 0x400 || (rest == 0x400 && (kept & 1)));
    // A carry out of 53 bits lands in the exponent field, which is right,
    // up to infinity.
    const std::uint64_t bits = (static_cast<std::uint64_t>(signExponent_ >> 15) << 63) |
                               ((static_cast<std::uint64_t>(e) << 52) + (kept - IntegerBit / 2048));
    return BitCast<double>(bits);
  }
  unsigned ignored = 0;
  return ToDouble(*this, ignored);
}

template <class I>
  requires std::is_integral_v<I>
SoftExtended::operator I() const {
  if constexpr (std::is_same_v<I, bool>) {
    return *this != SoftExtended();
  } else if constexpr (sizeof(I) == 8 && std::is_signed_v<I>) {
    unsigned ignored = 0;
    return static_cast<I>(TruncatedToInt64(*this, ignored));
  } else if constexpr (sizeof(I) == 8) {
    unsigned ignored = 0;
    constexpr SoftExtended twoTo63 = FromBits(Bias + 63, IntegerBit);
    if (*this >= twoTo63) {
      return static_cast<I>(static_cast<std::uint64_t>(TruncatedToInt64(*this - twoTo63, ignored)) ^
                            IntegerBit);
    }
    return static_cast<I>(TruncatedToInt64(*this, ignored));
  } else if constexpr (std::is_signed_v<I>) {
    unsigned ignored = 0;
    const std::int64_t v = TruncatedToInt64(*this, ignored);
    if (v < std::numeric_limits<I>::min() || v > std::numeric_limits<I>::max())
      return std::numeric_limits<I>::min();
    return static_cast<I>(v);
  } else {
    unsigned ignored = 0;
    return static_cast<I>(TruncatedToInt64(*this, ignored));
  }
}
