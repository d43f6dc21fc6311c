#pragma once
// Helixor's own e^x, ln x, arctan x, sin x and cos x against a 113-bit
// reference (GCC's libquadmath): random arguments uniform in value over the
// evaluator's domains and uniform in exponent, and the hard places. Shared
// by the test suite (a small sample) and the accuracy tool (a large one).

#include <quadmath.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "evaluator/Elementary.h"
#include "evaluator/Trig.h"

namespace ElementaryAccuracy {

enum class Function { Exp, Ln, ArcTan, Sine, Cosine };
inline constexpr Function AllFunctions[] = {Function::Exp, Function::Ln, Function::ArcTan, Function::Sine,
                                            Function::Cosine};

inline const char* NameOf(Function f) {
  switch (f) {
    case Function::Exp: return "exp";
    case Function::Ln: return "ln";
    case Function::ArcTan: return "atan";
    case Function::Sine: return "sin";
    default: return "cos";
  }
}

inline long double Ours(Function f, long double x) {
  switch (f) {
    case Function::Exp: return Exp(x);
    case Function::Ln: return Ln(x);
    case Function::ArcTan: return ArcTan(x);
    case Function::Sine: return Sine(x);
    default: return Cosine(x);
  }
}

inline __float128 Reference(Function f, long double x) {
  const __float128 q = x;
  switch (f) {
    case Function::Exp: return expq(q);
    case Function::Ln: return logq(q);
    case Function::ArcTan: return atanq(q);
    case Function::Sine: return sinq(q);
    default: return cosq(q);
  }
}

// The error of got in units of the last place of the exact value's binade
// (the subnormal unit below the normal range).
inline double UlpsOff(long double got, __float128 exact) {
  if (isinfq(exact) || isnanq(exact)) return got == static_cast<long double>(exact) || (std::isnan(got) && isnanq(exact)) ? 0 : 1e9;
  const __float128 magnitude = fabsq(exact);
  int exponent = 0;
  if (magnitude != 0) frexpq(magnitude, &exponent);
  const int unitExponent = std::max(exponent - 64, -16445);
  return static_cast<double>(fabsq(static_cast<__float128>(got) - exact) / ldexpq(1, unitExponent));
}

struct Tally {
  long Count = 0, Correct = 0;
  double MaxUlps = 0;
  long double Worst = 0;

  void Add(Function f, long double x) {
    const __float128 exact = Reference(f, x);
    const long double got = Ours(f, x);
    const long double nearest = static_cast<long double>(exact);
    ++Count;
    const double ulps = UlpsOff(got, exact);
    // Half a unit off is correct where the 113-bit reference itself lies
    // on a midpoint: it is then too short to tell which side is nearer
    // (ln(1 - 10 * 2^-62), say, whose cube term lies beyond its bits).
    if (got == nearest || (std::isnan(got) && std::isnan(nearest)) || ulps == 0.5) ++Correct;
    if (ulps > MaxUlps) {
      MaxUlps = ulps;
      Worst = x;
    }
  }
  double Share() const { return Count ? static_cast<double>(Correct) / Count : 1; }
};

// The domains as the evaluator uses them: [lo, hi] uniform in value, and
// the exponent range uniform in exponent (either sign where the domain has
// both).
struct Domain {
  long double Low, High;
  int MinExponent, MaxExponent;
  bool BothSigns;
};

inline Domain DomainOf(Function f) {
  switch (f) {
    case Function::Exp: return {-11356, 11356, -70, 13, true};
    case Function::Ln: return {0, 16, -16445, 16383, false};
    case Function::ArcTan: return {-64, 64, -40, 80, true};
    default: return {-9e18L, 9e18L, -70, 62, true};
  }
}

// The arguments drawings pass most, uniform in value: t and its small
// multiples for sine and cosine, the moderate values curves give the others.
inline Domain DrawingDomainOf(Function f) {
  switch (f) {
    case Function::Exp: return {-40, 40, 0, 0, true};
    case Function::Ln: return {0, 4, 0, 0, false};
    case Function::ArcTan: return {-20, 20, 0, 0, true};
    default: return {-100, 100, 0, 0, true};
  }
}

class Sampler {
 public:
  explicit Sampler(std::uint64_t seed) : rng_(seed) {}

  long double UniformInValue(const Domain& d) {
    std::uniform_real_distribution<double> unit(0, 1);
    // Two doubles make a 64-bit fraction.
    const long double u = static_cast<long double>(unit(rng_)) + static_cast<long double>(unit(rng_)) * 0x1p-53L;
    long double x = d.Low + (d.High - d.Low) * (u - std::floor(u));
    if (x <= 0 && d.Low >= 0) x = 0x1p-70L;
    return x;
  }

  long double UniformInExponent(const Domain& d) {
    std::uniform_int_distribution<int> exponent(d.MinExponent, d.MaxExponent);
    const std::uint64_t m = rng_() | (std::uint64_t{1} << 63);
    long double x = std::ldexp(static_cast<long double>(m), exponent(rng_) - 63);
    if (d.BothSigns && (rng_() & 1)) x = -x;
    return x;
  }

  std::uint64_t Next() { return rng_(); }

 private:
  std::mt19937_64 rng_;
};

// The hard places of each function: count arguments drawn near them.
inline void HardPlaces(Function f, Sampler& s, long count, Tally& t) {
  for (long i = 0; i < count; ++i) {
    const std::uint64_t r = s.Next();
    const long double unit = static_cast<long double>(r >> 11) * 0x1p-53L;  // [0, 1)
    long double x = 0;
    switch (f) {
      case Function::Exp:
        // Subnormal results, the underflow to 0 and the overflow.
        switch (i % 3) {
          case 0: x = -11355.2L - 45 * unit; break;
          case 1: x = -11398.5L - unit; break;
          default: x = 11356.5L + 0.1L * unit; break;
        }
        break;
      case Function::Ln: {
        // Near 1, above and below, down to a few units in the last place.
        const long double d = std::ldexp(1 + unit, -static_cast<int>(12 + (r & 63) % 52));
        x = (i & 1) ? 1 + d : 1 - d / 2;
        if (i % 7 == 0) x = 1 + std::ldexp(static_cast<long double>(r % 64 + 1), (i & 8) ? -63 : -64) * ((i & 16) ? 1 : -1);
        break;
      }
      case Function::ArcTan: {
        const int e = (i & 1) ? -static_cast<int>(20 + r % 50) : static_cast<int>(20 + r % 50);
        x = std::ldexp(1 + unit, e) * ((i & 2) ? -1 : 1);
        break;
      }
      default: {
        // The 80-bit values nearest k pi/2, for k up to 9e18 / (pi/2), and
        // their neighbours.
        static const __float128 halfPi = acosq(0);
        const long double k = (i % 4 == 0) ? static_cast<long double>(r % 2600 + 1)
                                           : std::floor(std::ldexp(unit, 1 + static_cast<int>(r % 62)));
        x = static_cast<long double>(halfPi * static_cast<__float128>(k));
        if (x > 9e18L) x = 9e18L;
        const int step = static_cast<int>(r >> 60) % 5 - 2;
        for (int j = 0; j < std::abs(step); ++j) x = std::nextafter(x, step > 0 ? 1e30L : 0.0L);
        if (i & 1) x = -x;
        break;
      }
    }
    t.Add(f, x);
  }
}

}  // namespace ElementaryAccuracy
