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

}  // namespace

Extended Cosine(Extended x) {
  const Extended a = std::fabs(x);
  if (a <= QuarterPi || !(a <= FastLimit)) return cosl(x);
  int quadrant;
  const Extended r = Reduce(x, quadrant);
  switch (quadrant) {
    case 0: return cosl(r);
    case 1: return -sinl(r);
    case 2: return -cosl(r);
    default: return sinl(r);
  }
}

Extended Sine(Extended x) {
  const Extended a = std::fabs(x);
  if (a <= QuarterPi || !(a <= FastLimit)) return sinl(x);
  int quadrant;
  const Extended r = Reduce(x, quadrant);
  switch (quadrant) {
    case 0: return sinl(r);
    case 1: return cosl(r);
    case 2: return -sinl(r);
    default: return -cosl(r);
  }
}
