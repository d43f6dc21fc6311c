#include "evaluator/Elementary.h"

#include "evaluator/ElementaryTables.h"
#include "evaluator/WideFixed.h"

using namespace Elementary;

namespace {

// 256 / ln 2 at scale 54, for the estimate of the exponential's table step.
constexpr std::int64_t StepsPerUnit = 0x5C551D94AE0BF85E;

// v = s - t * v, the alternating series' inner step, on values in [0, 1).
inline std::uint64_t AlternateStep64(std::uint64_t s, std::uint64_t t, std::uint64_t v) {
  return s - MulHigh64(t, v);
}
inline U128 AlternateStep(U128 s, U128 t, U128 v) { return s - MulHigh(t, v); }

}  // namespace

Extended Exp(Extended x) {
  const Parts p = PartsOf(x);
  if (p.Biased >= 16383 + 14) {  // |x| >= 16384, infinities and NaN
    if (x != x) return x + x;
    return p.Negative ? Extended(0) : ExtendedInfinity;
  }
  if (p.Biased < 16383 - 66) return 1 + x;  // |x| < 2^-66: 1 + x rounds to the answer
  // x at scale 112, signed: |x| < 2^14 fits, and below 2^-112 only bits
  // of tiny arguments go, far under the result's last place.
  const int shift = p.Biased - 16383 - 63 + 112;
  const U128 magnitude = shift >= 0 ? static_cast<U128>(p.Significand) << shift : p.Significand >> -shift;
  const S128 scaled = p.Negative ? -static_cast<S128>(magnitude) : static_cast<S128>(magnitude);
  // x = k ln2/256 + r with 0 <= r < ln2/256 (to the step's 176 bits). k
  // first from x at scale 48 (|x| < 2^14 fits 63 bits) times 256/ln 2 at
  // scale 54: the floor or one below it, with no 80-bit operation.
  std::int64_t k = static_cast<std::int64_t>((static_cast<S128>(static_cast<std::int64_t>(scaled >> 64)) * StepsPerUnit) >> 102);
  S128 r;
  for (;;) {
    r = scaled - k * static_cast<S128>(ExpStepHigh) - ((static_cast<S128>(k) * ExpStepLow) >> 64);
    if (r < 0)
      --k;
    else if (r >= static_cast<S128>(ExpStepHigh))
      ++k;
    else
      break;
  }
  const U128 t = static_cast<U128>(r) << 16;  // r at scale 128, below 2^-8.47
  // e^r - 1 = r + r^2/2 + r^3 (1/6 + r T), T = 1/24 + r (1/120 + ... +
  // r^3/8!), short of e^r by less than r^9/9! < 2^-94. T in 64 bits, and
  // r T (below 2^-13) from r at scale 72: its error times r^3 is below 2^-96.
  const std::uint64_t t64 = High(t);
  std::uint64_t tail = InverseFactorial64[8];
  for (int n = 7; n >= 4; --n) tail = InverseFactorial64[n] + MulHigh64(t64, tail);
  const U128 u = Square(t);
  const U128 bracket = InverseFactorial128[3] + (static_cast<U128>(MulHigh64(High(t << 8), tail)) << 56);
  const U128 expm1 = t + (u >> 1) + MulHigh(MulHigh(t, u), bracket);
  const U128 table = ExpTable[k & 255];  // 2^(j/256) at scale 126
  const U128 m = table + MulHigh(table, expm1);
  return Rounded(m, static_cast<int>(k >> 8) - 126, false);
}

Extended Ln(Extended x) {
  const Parts p = PartsOf(x);
  if (p.Negative || p.Biased == 0x7FFF || (p.Biased == 0 && p.Significand == 0)) {
    if (x != x) return x + x;
    if (x == 0) return -ExtendedInfinity;
    if (p.Negative) return ExtendedFromBits(0x7FFF, 0xC000000000000000);  // a quiet NaN
    return x;  // +inf
  }
  std::uint64_t m = p.Significand;
  int e = p.Biased - 16383;  // x = m / 2^63 * 2^e
  if (p.Biased == 0) {        // subnormal
    const int zeros = __builtin_clzll(m);
    m <<= zeros;
    e = -16382 - zeros;
  }
  // Within 2^-12 of 1: ln(1 + t) = t (1 - t/2 + t^2/3 - ...), relative to
  // t = x - 1, which is exact.
  constexpr std::uint64_t One = std::uint64_t{1} << 63;
  if ((e == 0 && m < One + (One >> 12)) || (e == -1 && m > ~std::uint64_t{0} - (One >> 11))) {
    const Extended t = x - 1;
    if (t == 0) return 0;
    const Parts q = PartsOf(t);
    const U128 s = static_cast<U128>(q.Significand) << (q.Biased - 16383 - 63 + 128);  // |t| at scale 128
    const std::uint64_t s64 = High(s);
    // c_n = 1/n -+ s c_(n+1): minus where t > 0 (alternating), plus where
    // t < 0; c_4 on in 64 bits (its error times s^3 is below 2^-100).
    std::uint64_t c64 = Reciprocal64[11];
    U128 c;
    if (!q.Negative) {
      for (int n = 10; n >= 4; --n) c64 = AlternateStep64(Reciprocal64[n], s64, c64);
      c = AlternateStep(Reciprocal128[3], s, static_cast<U128>(c64) << 64);
      c = AlternateStep(Reciprocal128[2], s, c);
    } else {
      for (int n = 10; n >= 4; --n) c64 = Reciprocal64[n] + MulHigh64(s64, c64);
      c = Reciprocal128[3] + MulHigh(s, static_cast<U128>(c64) << 64);
      c = Reciprocal128[2] + MulHigh(s, c);
    }
    constexpr U128 Half = static_cast<U128>(1) << 127;
    const U128 sc = MulHigh(s, c) >> 1;  // s c at scale 127
    const U128 factor = q.Negative ? Half + sc : Half - sc;  // at scale 127
    const U128 product = MulHigh(static_cast<U128>(q.Significand) << 64, factor);
    return Rounded(product, q.Biased - 16383 - 63 - 63, q.Negative);
  }
  // x = 2^e (1 + j/256 + f): ln x = e ln 2 - ln(c) + ln(1 + t) with
  // c = LnInverse[j] near 1/(1 + j/256) and 1 + t = m c, 0 <= t < 2^-8.
  const int j = static_cast<int>((m >> 55) & 255);
  const U128 product = WideInteger::Product(m, LnInverse[j]);  // at scale 126, in [1, 1 + 2^-8)
  const U128 t = (product - (static_cast<U128>(1) << 126)) << 2;  // at scale 128
  const std::uint64_t t64 = High(t);
  // ln(1 + t) = t - t^2 a_2, a_n = 1/n - t a_(n+1) (all positive), to
  // t^11/11 (the rest is below 2^-99); a_5 on in 64 bits (its error times
  // t^5 is below 2^-104).
  std::uint64_t a64 = Reciprocal64[11];
  for (int n = 10; n >= 5; --n) a64 = AlternateStep64(Reciprocal64[n], t64, a64);
  U128 a = AlternateStep(Reciprocal128[4], t, static_cast<U128>(a64) << 64);
  a = AlternateStep(Reciprocal128[3], t, a);
  a = AlternateStep(Reciprocal128[2], t, a);
  const U128 fraction = LnTable[j] + (t - MulHigh(t, MulHigh(t, a)));  // ln(m / 2^63), scale 128
  if (e == 0) return Rounded(fraction, -128, false);
  const S128 sum = e * static_cast<S128>(Ln2High) + ((static_cast<S128>(e) * Ln2Low) >> 64) +
                   static_cast<S128>(fraction >> 16);  // at scale 112
  return sum < 0 ? Rounded(static_cast<U128>(-sum), -112, true) : Rounded(static_cast<U128>(sum), -112, false);
}

namespace {

// 1/d for d at scale 126 in (1, 2] (at least 1 + 2^-120), at scale 128: an
// Extended estimate made exact to about 2^-126 by one Newton step.
U128 ReciprocalOf(U128 d) {
  const int zeros = LeadingZeros(d);  // 1 for d < 2, 0 for d = 2
  const Extended estimate = 1 / FromParts(High(d << zeros), 16383 + 1 - zeros, false);
  const Parts p = PartsOf(estimate);  // in [1/2, 1]
  // Just above 1, d's reciprocal rounds to 1, which the scale cannot hold:
  // start just below it instead.
  const U128 y = p.Biased == 16383 ? ~U128{0} : static_cast<U128>(p.Significand) << (65 + p.Biased - 16383);
  // e = 1 - d y at scale 126 (small, either sign); y (1 + e) at scale 128.
  const U128 dy = MulHigh(d, y);
  constexpr U128 One = static_cast<U128>(1) << 126;
  if (dy <= One) return y + (MulHigh(y, One - dy) << 2);
  return y - (MulHigh(y, dy - One) << 2);
}

// u - arctan u = u^3/3 - u^5/5 + ... for 0 <= u < 2^-8, at scale 128.
U128 AtanCorrection(U128 u) {
  const U128 u2 = MulHigh(u, u);
  const std::uint64_t u2s = High(u2);
  // g = 1/3 - u^2 (1/5 - u^2 (1/7 - ...)) to u^8/11 (the rest of the
  // series is below 2^-107); from 1/5 on in 64 bits.
  std::uint64_t g64 = Reciprocal64[11];
  for (int n = 9; n >= 5; n -= 2) g64 = AlternateStep64(Reciprocal64[n], u2s, g64);
  const U128 g = AlternateStep(Reciprocal128[3], u2, static_cast<U128>(g64) << 64);
  return MulHigh(u, MulHigh(u2, g));
}

}  // namespace

Extended ArcTan(Extended x) {
  const Parts p = PartsOf(x);
  // pi/2, rounded to nearest.
  const Extended HalfPi = FromParts(0xC90FDAA22168C235, 16383, p.Negative);
  if (p.Biased == 0x7FFF) return x != x ? x + x : HalfPi;
  if (p.Biased < 16383 - 32) return x;      // arctan x = x (1 - x^2/3 ...) rounds to x
  if (p.Biased >= 16383 + 65) return HalfPi;  // pi/2 - 1/x rounds to pi/2
  const int e = p.Biased - 16383 - 63;  // |x| = m 2^e
  const bool inverted = p.Biased >= 16383 && !(p.Biased == 16383 && p.Significand == (std::uint64_t{1} << 63));
  if (inverted && p.Biased - 16383 < 8) {
    // 1 < |x| < 256: arctan(1/|x|) = arctan c + arctan u with c = i/256 and
    // u = (1/|x| - c) / (1 + c/|x|) = (1 - c|x|) / (|x| + c), one division
    // where 1/|x| first would take two. With |x| = m 2^(E - 63), both at
    // scale 71 - E are integers: 2^(71 - E) - i m and 256 m + i 2^(63 - E).
    const int E = p.Biased - 16383;
    const std::uint64_t m = p.Significand;
    // floor(256/|x|) from 24 bits of m: never below it, at most 1 above.
    int i = static_cast<int>((std::uint32_t{1} << (31 - E)) / static_cast<std::uint32_t>(m >> 40));
    S128 n = (static_cast<S128>(1) << (71 - E)) - static_cast<S128>(static_cast<U128>(m) * static_cast<unsigned>(i));
    while (n < 0) {
      --i;
      n += m;
    }
    const U128 d = (static_cast<U128>(m) << 8) + (static_cast<U128>(i) << (63 - E));
    // Into (1, 2] at scale 126 (|x| + c may be a power of two: 7.875 + 1/8).
    const int shift = 126 - (127 - LeadingZeros(d - 1));
    const U128 u = MulHigh(static_cast<U128>(n) << shift, ReciprocalOf(d << shift)) << 2;  // < 2^-8, scale 128
    const U128 atanz = AtanTable[i] + (u - AtanCorrection(u));
    return Rounded(HalfPi127 - (atanz >> 1), -127, p.Negative);
  }
  U128 z;  // |x| or 1/|x|, at scale 127 (at most 1)
  if (!inverted) {
    z = static_cast<U128>(p.Significand) << (e + 127);
  } else if (p.Significand == (std::uint64_t{1} << 63)) {
    z = static_cast<U128>(1) << (127 - (p.Biased - 16383));
  } else {
    // |x| >= 256: 1/|x| = 1/f * 2^-E for |x| = f 2^E, 1 < f < 2.
    z = ReciprocalOf(static_cast<U128>(p.Significand) << 63) >> (1 + p.Biased - 16383);
  }
  const int i = static_cast<int>(z >> 119);  // floor(z * 256)
  U128 atanz;  // arctan z at scale 128
  if (i == 0) {
    const U128 u = z << 1;
    atanz = u - AtanCorrection(u);
  } else {
    // arctan z = arctan c + arctan((z - c) / (1 + z c)), c = i/256.
    const U128 c = static_cast<U128>(i) << 119;
    const U128 zc = (z >> 8) * static_cast<unsigned>(i) + (((z & 255) * static_cast<unsigned>(i)) >> 8);  // scale 127
    const U128 d = (static_cast<U128>(1) << 126) + (zc >> 1);  // 1 + z c at scale 126
    const U128 u = MulHigh((z - c) << 1, ReciprocalOf(d));     // at scale 128
    atanz = AtanTable[i] + (u - AtanCorrection(u));
  }
  if (inverted) return Rounded(HalfPi127 - (atanz >> 1), -127, p.Negative);
  // For |x| >= 2^-32, 2^-128 is below 2^-95 of the result.
  return Rounded(atanz, -128, p.Negative);
}
