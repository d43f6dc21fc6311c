#include "evaluator/Trig.h"

#include <cmath>
#include <cstdint>

#include "evaluator/Rounding.h"

namespace {

constexpr Extended FastLimit = 4096;
constexpr Extended QuarterPi = 0xC.90FDAA22168C235p-4L;
constexpr Extended TwoOverPi = 0xA.2F9836E4E44152Ap-4L;
// pi/2 = P1 + P2 + P3 to about 2^-168. P1 and P2 have 52 significant bits,
// so k * P1 and k * P2 are exact for k < 2^12.
constexpr Extended P1 = 0xC90FDAA22168Cp-51L;
constexpr Extended P2 = 0x234C4C6628B80p-103L;
constexpr Extended P3 = 0xDC1CD129024E088Ap-167L;

// x = k * pi/2 + r with |r| about pi/4 at most; returns r and k mod 4.
inline Extended Reduce(Extended x, int& quadrant) {
  const Extended k = std::rint(x * TwoOverPi);
  quadrant = static_cast<int>(RoundedToInt64(k) & 3);
  return ((x - k * P1) - k * P2) - k * P3;
}

// Beyond FastLimit, up to 2^64: x times 2/pi in integer arithmetic, with
// 2/pi to 256 bits (the bits above 2^-1 only add multiples of 4 to any x
// in this range, whose unit is at least 2^-51). That leaves 192 fraction
// bits, some 120 of them significant even for the x nearest a multiple of
// pi/2, so r comes out correctly rounded on every platform, whatever its
// C library does with large arguments.
constexpr Extended ExactLimit = 0x1p64L;
constexpr std::uint64_t TwoOverPiBits[4] = {0xA2F9836E4E441529, 0xFC2757D1F534DDC0,
                                            0xDB6295993C439041, 0xFE5163ABDEBBC561};
// pi/4 to 128 bits, rounded.
constexpr std::uint64_t QuarterPiBits[2] = {0xC90FDAA22168C234, 0xC4C6628B80DC1CD1};

using Wide = unsigned __int128;

// 64 bits of a little-endian number of limbs, starting at bit position.
std::uint64_t BitsAt(const std::uint64_t* limbs, int position) {
  const int word = position / 64, shift = position % 64;
  if (shift == 0) return limbs[word];
  return (limbs[word] >> shift) | (limbs[word + 1] << (64 - shift));
}

Extended ReduceLarge(Extended x, int& quadrant) {
  const ExtendedBits bits = BitsOfExtended(std::fabs(x));
  const std::uint64_t m = bits.Significand;
  // |x| = m * 2^e with -51 <= e <= 0.
  const int e = (bits.SignExponent & 0x7FFF) - 16383 - 63;
  // m * 2/pi * 2^256, little-endian, with a zero limb on top for reading
  // across the last one; the binary point of x * 2/pi lies at bit 256 - e.
  std::uint64_t product[6] = {};
  Wide carry = 0;
  for (int i = 0; i < 4; ++i) {
    const Wide part = static_cast<Wide>(m) * TwoOverPiBits[3 - i] + carry;
    product[i] = static_cast<std::uint64_t>(part);
    carry = part >> 64;
  }
  product[4] = static_cast<std::uint64_t>(carry);
  const int point = 256 - e;
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
  int zeros = 0;
  while (zeros < 192 && f[2] == 0) {
    f[2] = f[1];
    f[1] = f[0];
    f[0] = 0;
    zeros += 64;
  }
  if (zeros >= 192) return 0;
  const int lead = __builtin_clzll(f[2]);
  if (lead > 0) {
    f[2] = (f[2] << lead) | (f[1] >> (64 - lead));
    f[1] = (f[1] << lead) | (f[0] >> (64 - lead));
  }
  zeros += lead;
  // r = 2 * g * pi/4 * 2^(-256 - zeros); the product g * pi/4 has 256 bits.
  const Wide lowLow = static_cast<Wide>(f[1]) * QuarterPiBits[1];
  const Wide lowHigh = static_cast<Wide>(f[1]) * QuarterPiBits[0];
  const Wide highLow = static_cast<Wide>(f[2]) * QuarterPiBits[1];
  const Wide highHigh = static_cast<Wide>(f[2]) * QuarterPiBits[0];
  const Wide middle = (lowLow >> 64) + static_cast<std::uint64_t>(lowHigh) + static_cast<std::uint64_t>(highLow);
  const Wide top = highHigh + (lowHigh >> 64) + (highLow >> 64) + (middle >> 64);
  std::uint64_t rest = static_cast<std::uint64_t>(middle);  // the bits below top
  // Round top to 64 significant bits, to nearest (the rest only breaks ties).
  int exponent = 127;  // the bit position of top's leading bit
  Wide t = top;
  if (!(t >> 127)) {
    t = (t << 1) | (rest >> 63);
    rest <<= 1;
    exponent = 126;
  }
  std::uint64_t significand = static_cast<std::uint64_t>(t >> 64);
  const std::uint64_t below = static_cast<std::uint64_t>(t);
  if ((below >> 63) && ((below << 1) != 0 || rest != 0 || (significand & 1))) {
    if (++significand == 0) {
      significand = 1ull << 63;
      ++exponent;
    }
  }
  // r = top * 2^(-127 - zeros), so its leading bit is 2^scale.
  const int scale = exponent - 127 - zeros;
  const Extended r = ExtendedFromBits(static_cast<std::uint16_t>(16383 + scale), significand);
  // -x = -k * pi/2 - r.
  if (std::signbit(x)) quadrant = (4 - quadrant) & 3;
  return negative != std::signbit(x) ? -r : r;
}

// Either reduction, by the size of x.
inline Extended ReduceAny(Extended x, int& quadrant) {
  return std::fabs(x) <= FastLimit ? Reduce(x, quadrant) : ReduceLarge(x, quadrant);
}

}  // namespace

Extended Cosine(Extended x) {
  const Extended a = std::fabs(x);
  if (a <= QuarterPi || !(a < ExactLimit)) return cosl(x);
  int quadrant;
  const Extended r = ReduceAny(x, quadrant);
  switch (quadrant) {
    case 0: return cosl(r);
    case 1: return -sinl(r);
    case 2: return -cosl(r);
    default: return sinl(r);
  }
}

Extended Sine(Extended x) {
  const Extended a = std::fabs(x);
  if (a <= QuarterPi || !(a < ExactLimit)) return sinl(x);
  int quadrant;
  const Extended r = ReduceAny(x, quadrant);
  switch (quadrant) {
    case 0: return sinl(r);
    case 1: return cosl(r);
    case 2: return -sinl(r);
    default: return -cosl(r);
  }
}
