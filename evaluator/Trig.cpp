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

constexpr Extended QuarterPi = ExtendedFromBits(0x3FFE, 0xC90FDAA22168C235);

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
    const U128 part = static_cast<U128>(m) * window[i] + carry;
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
U128 TableSineCosine(const Reduced& r, bool cosine) {
  const U128 v = r.Magnitude >> (-1 - r.Exponent);  // |r| at scale 128
  const int i = static_cast<int>(v >> 120);
  const U128 d = v - (static_cast<U128>(i) << 120);
  const U128 u = MulHigh(d, d);
  const std::uint64_t u64 = High(u);
  // sin d = d - d u (1/6 - u (1/120 - ...)) to d^9/9! (the rest is below
  // 2^-113); from 1/120 on in 64 bits.
  std::uint64_t s64 = InverseFactorial64[9];
  for (int n = 7; n >= 5; n -= 2) s64 = InverseFactorial64[n] - MulHigh64(u64, s64);
  const U128 sinD = d - MulHigh(d, MulHigh(u, InverseFactorial128[3] - MulHigh(u, static_cast<U128>(s64) << 64)));
  // 1 - cos d = u (1/2 - u (1/24 - ...)) to d^10/10! (the rest is below
  // 2^-124); from 1/24 on in 64 bits.
  std::uint64_t c64 = InverseFactorial64[10];
  for (int n = 8; n >= 4; n -= 2) c64 = InverseFactorial64[n] - MulHigh64(u64, c64);
  const U128 oneMinusCosD = MulHigh(u, InverseFactorial128[2] - MulHigh(u, static_cast<U128>(c64) << 64));
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
  return Rounded(TableSineCosine(r, cosine), -128, negative);
}

// x's own 128 bits, for |x| <= pi/4 (x not 0).
Reduced Unreduced(Extended x) {
  const Parts p = PartsOf(x);
  std::uint64_t m = p.Significand;
  int exponent = p.Biased - 16383;
  if (p.Biased == 0) {  // subnormal
    const int zeros = __builtin_clzll(m);
    m <<= zeros;
    exponent = -16382 - zeros;
  }
  return {static_cast<U128>(m) << 64, exponent, p.Negative};
}

}  // namespace

Extended Cosine(Extended x) {
  const Extended a = Abs(x);
  if (!(a <= QuarterPi)) {
    if (!(a < ExtendedInfinity)) return x - x;  // NaN for NaN and infinities
    int quadrant;
    const Reduced r = ReduceArgument(x, quadrant);
    // cos(k pi/2 + r) for k mod 4 = 0, 1, 2, 3: cos r, -sin r, -cos r, sin r.
    return Kernel(r, (quadrant & 1) == 0, quadrant == 1 || quadrant == 2);
  }
  if (a == 0) return 1;
  return Kernel(Unreduced(x), true, false);
}

Extended Sine(Extended x) {
  const Extended a = Abs(x);
  if (!(a <= QuarterPi)) {
    if (!(a < ExtendedInfinity)) return x - x;
    int quadrant;
    const Reduced r = ReduceArgument(x, quadrant);
    // sin(k pi/2 + r) for k mod 4 = 0, 1, 2, 3: sin r, cos r, -sin r, -cos r.
    return Kernel(r, (quadrant & 1) == 1, quadrant >= 2);
  }
  if (a == 0) return x;  // keeps the sign of zero
  return Kernel(Unreduced(x), false, false);
}
