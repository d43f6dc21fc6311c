#include "evaluator/Trig.h"

#include <cstdint>

#include "evaluator/ElementaryTables.h"
#include "evaluator/WideFixed.h"

using namespace Elementary;

namespace {

// The reduced argument r, |r| <= pi/4 or a hair above, to 128 bits:
// |r| = Magnitude * 2^(Exponent - 127), Magnitude's top bit set.
struct Reduced {
  U128 Magnitude;
  int Exponent;
  bool Negative;
};

// |x| > pi/4 (the 80-bit pi/4, 0xC.90FDAA22168C235p-4), infinities and NaN
// included: on the bits, so that no 80-bit operation is needed.
inline bool AboveQuarterPi(const Parts& bits) {
  return bits.Biased > 16382 || (bits.Biased == 16382 && bits.Significand > 0xC90FDAA22168C235);
}

// x = k * pi/2 + r by x times 2/pi in integer arithmetic, for every finite
// |x| > pi/4 (cheaper than a three-part pi/2 in long doubles, and exact).
// Of 2/pi only a 256-bit window counts: the bits before it add multiples of
// 4 to x * 2/pi (x's unit is 2^e, so a bit of weight 2^-j with j <= e - 2
// does), and the bits after it less than 2^-190. That leaves 192 fraction
// bits, some 120 of them significant even for the x nearest a multiple of
// pi/2, so r keeps 128 correct bits on every platform.

// pi/4 to 128 bits, rounded.
constexpr std::uint64_t QuarterPiBits[2] = {0xC90FDAA22168C234, 0xC4C6628B80DC1CD1};


// 64 bits of a little-endian number of limbs, starting at bit position.
std::uint64_t BitsAt(const std::uint64_t* limbs, int position) {
  const int word = position / 64, shift = position % 64;
  if (shift == 0) return limbs[word];
  return (limbs[word] >> shift) | (limbs[word + 1] << (64 - shift));
}

// 64 bits of 2/pi's fraction from bit start on (bit 0 has weight 1/2).
std::uint64_t TwoOverPiAt(int start) {
  const int word = start / 64, shift = start % 64;
  if (shift == 0) return TwoOverPiLimbs[word];
  return (TwoOverPiLimbs[word] << shift) | (TwoOverPiLimbs[word + 1] >> (64 - shift));
}

Reduced ReduceArgument(Extended x, int& quadrant) {
  const Parts bits = PartsOf(x);
  const std::uint64_t m = bits.Significand;
  // |x| = m * 2^e with e >= -64 (|x| > pi/4).
  const int e = bits.Biased - 16383 - 63;
  // The window starts at bit s: m * 2^e * (2/pi's bits from s on) * 2^256,
  // little-endian, with a zero limb on top for reading across the last
  // one; the binary point of the product lies at bit 256 + s - e.
  const int s = e > 2 ? e - 2 : 0;
  std::uint64_t window[4];
  for (int i = 0; i < 4; ++i) window[i] = TwoOverPiAt(s + 64 * (3 - i));
  std::uint64_t product[6] = {};
  U128 carry = 0;
  for (int i = 0; i < 4; ++i) {
    const U128 part = WideInteger::Product(m, window[i]) + carry;
    product[i] = static_cast<std::uint64_t>(part);
    carry = part >> 64;
  }
  product[4] = static_cast<std::uint64_t>(carry);
  const int point = 256 + s - e;
  quadrant = static_cast<int>(BitsAt(product, point) & 3);
  // The fraction f, 192 bits, most significant limb last.
  std::uint64_t f[3] = {BitsAt(product, point - 192), BitsAt(product, point - 128),
                        BitsAt(product, point - 64)};
  const bool negative = f[2] >> 63;
  if (negative) {  // f >= 1/2: take f - 1, one quadrant further
    quadrant = (quadrant + 1) & 3;
    bool increment = true;  // two's complement: invert, then add one
    for (std::uint64_t& limb : f) {
      limb = ~limb + (increment ? 1 : 0);
      increment = increment && limb == 0;
    }
  }
  // Normalise, keeping the 128 leading bits g: |f| = g * 2^(-128 - zeros).
  // (f is never 0: no multiple of pi/2 but 0 is an 80-bit value.)
  int zeros = 0;
  while (zeros < 128 && f[2] == 0) {
    f[2] = f[1];
    f[1] = f[0];
    f[0] = 0;
    zeros += 64;
  }
  const int lead = __builtin_clzll(f[2]);
  if (lead > 0) {
    f[2] = (f[2] << lead) | (f[1] >> (64 - lead));
    f[1] = (f[1] << lead) | (f[0] >> (64 - lead));
  }
  zeros += lead;
  // r = 2 * g * pi/4 * 2^(-256 - zeros); the top of the product g * pi/4.
  U128 top = MulHigh(Pack(f[2], f[1]), Pack(QuarterPiBits[0], QuarterPiBits[1]));
  // top >= 2^126; r = top * 2^(-127 - zeros).
  int exponent = -zeros;
  if (!(top >> 127)) {
    top <<= 1;
    --exponent;
  }
  // -x = -k * pi/2 - r.
  if (bits.Negative) quadrant = (4 - quadrant) & 3;
  return {top, exponent, negative != bits.Negative};
}

// The same product for pi/4 < |x| < 2^63 (every argument a drawing passes),
// cut short: three limbs of 2/pi and 128 fraction bits, so that the
// fraction lives in one U128 and no bits are picked out of an array (which
// cost as much as the multiplications). With |x| = m 2^e, e in [-64, -1],
// the binary point of m * W (W = 2/pi to 192 bits) lies at bit 192 - e, and
// the error is below 2^-127 of a quadrant: W's cut-off part adds less than
// x 2^-192 <= 2^-129 and the fraction bits below 128 less than 2^-128.
// Unless the fraction falls within 2^-41 of a whole number (a cancellation
// of more than 40 bits, for 1 argument in some 10^12), r keeps at least 86
// correct bits, 20 more than its rounding needs; otherwise the full product
// takes over.
struct Fraction {
  U128 F;  // |r| / (pi/2) at scale 128, at most 1/2
  int Quadrant;
  bool Negative;  // r < 0
};

Fraction ModerateFraction(const Parts& bits) {
  const std::uint64_t m = bits.Significand;
  const int e = bits.Biased - 16383 - 63;
  // The product's limbs from the top: p3 p2 p1 (the lowest one only
  // carries into p1).
  U128 part = WideInteger::Product(m, TwoOverPiLimbs[2]);
  part = WideInteger::Product(m, TwoOverPiLimbs[1]) + High(part);
  const std::uint64_t p1 = Low(part);
  part = WideInteger::Product(m, TwoOverPiLimbs[0]) + High(part);
  // With the point at bit 192 + j (j = -e in 1 .. 64), the quadrant is bits
  // j and j + 1 of p3, the fraction p3:p2:p1 >> j cut to 128 bits; the
  // shifts are split so that none is by 64.
  const int left = 64 + e;  // 64 - j, 0 .. 63
  int q = static_cast<int>((High(part) >> (63 - left) >> 1) & 3);
  U128 f = (part << left) | (p1 >> (63 - left) >> 1);
  const bool negative = High(f) >> 63;
  if (negative) {  // f >= 1/2: take f - 1, one quadrant further
    q = (q + 1) & 3;
    f = -f;
  }
  // -x = -k * pi/2 - r.
  return {f, bits.Negative ? (4 - q) & 3 : q, negative != bits.Negative};
}

// r from a fraction of at least 2^-41, normalised as ReduceArgument's.
Reduced FromFraction(const Fraction& fraction) {
  const int zeros = LeadingZeros(fraction.F);
  U128 top = MulHigh(fraction.F << zeros, Pack(QuarterPiBits[0], QuarterPiBits[1]));
  int exponent = -zeros;
  if (!(top >> 127)) {
    top <<= 1;
    --exponent;
  }
  return {top, exponent, fraction.Negative};
}

// |r| < 2^-8: sin r = r (1 - r^2/6 + ...), cos r = 1 - r^2/2 + ..., each
// to some 2^-96 of itself.
Extended SmallSine(const Reduced& r) {
  const int shift = -1 - r.Exponent;  // r at scale 128
  const U128 v = shift >= 128 ? 0 : r.Magnitude >> shift;
  const U128 u = MulHigh(v, v);
  const std::uint64_t u64 = High(u);
  // h = 1/6 - u (1/120 - u (1/5040 - ...)); from 1/120 on in 64 bits.
  std::uint64_t h64 = InverseFactorial64[11];
  for (int n = 9; n >= 5; n -= 2) h64 = InverseFactorial64[n] - MulHigh64(u64, h64);
  const U128 h = InverseFactorial128[3] - MulHigh(u, static_cast<U128>(h64) << 64);
  const U128 factor = (static_cast<U128>(1) << 127) - (MulHigh(u, h) >> 1);  // at scale 127
  return Rounded(MulHigh(r.Magnitude, factor), r.Exponent - 126, r.Negative);
}

Extended SmallCosine(const Reduced& r) {
  const int shift = -1 - r.Exponent;
  const U128 v = shift >= 128 ? 0 : r.Magnitude >> shift;
  const U128 u = MulHigh(v, v);
  const std::uint64_t u64 = High(u);
  std::uint64_t h64 = InverseFactorial64[10];
  for (int n = 8; n >= 4; n -= 2) h64 = InverseFactorial64[n] - MulHigh64(u64, h64);
  const U128 h = InverseFactorial128[2] - MulHigh(u, static_cast<U128>(h64) << 64);
  return Rounded((static_cast<U128>(1) << 127) - (MulHigh(u, h) >> 1), -127, false);
}

// 2^-8 <= |r| <= pi/4 (+): r = c + d with c = i/256 and 0 <= d < 2^-8;
// sin d and 1 - cos d by their series, then the addition formulas with
// the table's sin c and cos c. Returns sin |r| or cos r at scale 128.
U128 TableSineCosine(U128 v, bool cosine) {  // v = |r| at scale 128
  const int i = static_cast<int>(v >> 120);
  const U128 d = v - (static_cast<U128>(i) << 120);
  const U128 u = Square(d);
  const std::uint64_t u64 = High(u);
  // sin d = d - d u (1/6 - u (1/120 - ...)) to d^9/9! (the rest is below
  // 2^-113); from 1/120 on in 64 bits.
  std::uint64_t s64 = InverseFactorial64[9];
  for (int n = 7; n >= 5; n -= 2) s64 = InverseFactorial64[n] - MulHigh64(u64, s64);
  const U128 sinD = d - MulHigh(d, MulHigh(u, InverseFactorial128[3] - MulHigh(u, static_cast<U128>(s64) << 64)));
  // 1 - cos d = u/2 - u^2 (1/24 - u (1/720 - ...)) to d^10/10! (the rest is
  // below 2^-124). The u^2 term is below 2^-36, so 64 bits do for it: from
  // u at scale 80, to some 2^-94 (2^-20 of the result's last place).
  const std::uint64_t u80 = High(u << 16);  // u < 2^-16
  std::uint64_t c64 = InverseFactorial64[10];
  for (int n = 8; n >= 4; n -= 2) c64 = InverseFactorial64[n] - MulHigh64(u64, c64);
  const U128 oneMinusCosD = (u >> 1) - (static_cast<U128>(MulHigh64(MulHigh64(u80, u80), c64)) << 32);
  const U128 sinC = SinTable[i], cosC = CosTable[i];
  if (cosine) return cosC - MulHigh(cosC, oneMinusCosD) - MulHigh(sinC, sinD);
  return sinC - MulHigh(sinC, oneMinusCosD) + MulHigh(cosC, sinD);
}

// sin r (cosine false) or cos r, negated when negate.
Extended Kernel(const Reduced& r, bool cosine, bool negate) {
  if (r.Exponent < -8) {
    const Extended y = cosine ? SmallCosine(r) : SmallSine(r);
    return negate ? -y : y;
  }
  const bool negative = (cosine ? false : r.Negative) != negate;
  return Rounded(TableSineCosine(r.Magnitude >> (-1 - r.Exponent), cosine), -128, negative);
}

// x's own 128 bits, for |x| <= pi/4 (x not 0).
Reduced Unreduced(const Parts& p) {
  std::uint64_t m = p.Significand;
  int exponent = p.Biased - 16383;
  if (p.Biased == 0) {  // subnormal
    const int zeros = __builtin_clzll(m);
    m <<= zeros;
    exponent = -16382 - zeros;
  }
  return {static_cast<U128>(m) << 64, exponent, p.Negative};
}

// sin x, or cos x where cosine, for finite |x| > pi/4.
Extended ReducedSineCosine(Extended x, const Parts& bits, bool cosine) {
  // sin(k pi/2 + r) for k mod 4 = 0, 1, 2, 3: sin r, cos r, -sin r, -cos r;
  // cos(k pi/2 + r) = sin((k + 1) pi/2 + r).
  int quadrant;
  Reduced r;
  if (bits.Biased < 16383 + 63) {
    const Fraction fraction = ModerateFraction(bits);
    if (High(fraction.F) >> 57) {
      // |r| >= 2^-7 pi/2 > 2^-8: the table takes |r| at scale 128 at once,
      // to 2^-125 (a MulHigh by pi/4, doubled).
      const int k = (fraction.Quadrant + cosine) & 3;
      const U128 v = MulHigh(fraction.F, Pack(QuarterPiBits[0], QuarterPiBits[1])) << 1;
      const bool useCosine = k & 1;
      return Rounded(TableSineCosine(v, useCosine), -128, (useCosine ? false : fraction.Negative) != (k >= 2));
    }
    if (High(fraction.F) >> 23) {  // f >= 2^-41
      quadrant = fraction.Quadrant;
      r = FromFraction(fraction);
    } else {
      r = ReduceArgument(x, quadrant);
    }
  } else {
    r = ReduceArgument(x, quadrant);
  }
  const int k = (quadrant + cosine) & 3;
  return Kernel(r, k & 1, k >= 2);
}

}  // namespace

Extended Cosine(Extended x) {
  const Parts bits = PartsOf(x);
  if (AboveQuarterPi(bits)) {
    if (bits.Biased == 0x7FFF) return x - x;  // NaN for NaN and infinities
    return ReducedSineCosine(x, bits, true);
  }
  if (bits.Biased == 0 && bits.Significand == 0) return 1;
  return Kernel(Unreduced(bits), true, false);
}

Extended Sine(Extended x) {
  const Parts bits = PartsOf(x);
  if (AboveQuarterPi(bits)) {
    if (bits.Biased == 0x7FFF) return x - x;
    return ReducedSineCosine(x, bits, false);
  }
  if (bits.Biased == 0 && bits.Significand == 0) return x;  // keeps the sign of zero
  return Kernel(Unreduced(bits), false, false);
}
