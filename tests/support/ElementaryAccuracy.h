#pragma once
// Helixor's own e^x, ln x, arctan x, sin x and cos x against a 113-bit
// reference (GCC's libquadmath): random arguments uniform in value over the
// evaluator's domains and uniform in exponent, and the hard places. Shared
// by the test suite (a small sample) and the accuracy tool (a large one).
// The reference is there only where the x87 long double and libquadmath are
// (HELIXOR_TEST_QUAD_REFERENCE); the arguments are computed in Extended.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "evaluator/Elementary.h"
#include "evaluator/Trig.h"
#include "tests/support/ExtendedTesting.h"

#ifdef HELIXOR_TEST_QUAD_REFERENCE
namespace ElementaryAccuracy {

using helixor_test::FromLongDouble;
using helixor_test::ToLongDouble;

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

inline Extended Ours(Function f, Extended x) {
  switch (f) {
    case Function::Exp: return Exp(x);
    case Function::Ln: return Ln(x);
    case Function::ArcTan: return ArcTan(x);
    case Function::Sine: return Sine(x);
    default: return Cosine(x);
  }
}

inline __float128 Reference(Function f, Extended x) {
  const __float128 q = ToLongDouble(x);
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
inline double UlpsOff(Extended ours, __float128 exact) {
  const long double got = ToLongDouble(ours);
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
  Extended Worst = 0;

  void Add(Function f, Extended x) {
    const __float128 exact = Reference(f, x);
    const Extended got = Ours(f, x);
    const Extended nearest = FromLongDouble(static_cast<long double>(exact));
    ++Count;
    const double ulps = UlpsOff(got, exact);
    // Half a unit off is correct where the 113-bit reference itself lies
    // on a midpoint: it is then too short to tell which side is nearer
    // (ln(1 - 10 * 2^-62), say, whose cube term lies beyond its bits).
    if (got == nearest || (IsNan(got) && IsNan(nearest)) || ulps == 0.5) ++Correct;
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
  Extended Low, High;
  int MinExponent, MaxExponent;
  bool BothSigns;
};

inline Domain DomainOf(Function f) {
  switch (f) {
    case Function::Exp: return {-11356, 11356, -70, 13, true};
    case Function::Ln: return {0, 16, -16445, 16383, false};
    case Function::ArcTan: return {-64, 64, -40, 80, true};
    default: return {-9e18, 9e18, -70, 62, true};
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

  Extended UniformInValue(const Domain& d) {
    std::uniform_real_distribution<double> unit(0, 1);
    // Two doubles make a 64-bit fraction (u is not negative: truncation is
    // its floor).
    const Extended u = Extended(unit(rng_)) + Extended(unit(rng_)) * 0x1p-53;
    Extended x = d.Low + (d.High - d.Low) * (u - TruncateToWhole(u));
    if (x <= 0 && d.Low >= 0) x = 0x1p-70;
    return x;
  }

  Extended UniformInExponent(const Domain& d) {
    std::uniform_int_distribution<int> exponent(d.MinExponent, d.MaxExponent);
    const std::uint64_t m = rng_() | (std::uint64_t{1} << 63);
    Extended x = helixor_test::TimesPowerOfTwo(m, exponent(rng_) - 63);
    if (d.BothSigns && (rng_() & 1)) x = -x;
    return x;
  }

  std::uint64_t Next() { return rng_(); }

 private:
  std::mt19937_64 rng_;
};

// -11355.2 (e^x turns subnormal a little above it) and 0.1, rounded to nearest.
inline constexpr Extended ExpSubnormalStart = ExtendedFromBits(0xC00C, 0xB16CCCCCCCCCCCCD);
inline constexpr Extended OneTenth = ExtendedFromBits(0x3FFB, 0xCCCCCCCCCCCCCCCD);

// The hard places of each function: count arguments drawn near them.
inline void HardPlaces(Function f, Sampler& s, long count, Tally& t) {
  for (long i = 0; i < count; ++i) {
    const std::uint64_t r = s.Next();
    const Extended unit = Extended(r >> 11) * 0x1p-53;  // [0, 1)
    Extended x = 0;
    switch (f) {
      case Function::Exp:
        // Subnormal results, the underflow to 0 and the overflow.
        switch (i % 3) {
          case 0: x = ExpSubnormalStart - 45 * unit; break;
          case 1: x = -11398.5 - unit; break;
          default: x = 11356.5 + OneTenth * unit; break;
        }
        break;
      case Function::Ln: {
        // Near 1, above and below, down to a few units in the last place.
        const Extended d = helixor_test::TimesPowerOfTwo(1 + unit, -static_cast<int>(12 + (r & 63) % 52));
        x = (i & 1) ? 1 + d : 1 - d / 2;
        if (i % 7 == 0)
          x = 1 + helixor_test::TimesPowerOfTwo(Extended(r % 64 + 1), (i & 8) ? -63 : -64) * ((i & 16) ? 1 : -1);
        break;
      }
      case Function::ArcTan: {
        const int e = (i & 1) ? -static_cast<int>(20 + r % 50) : static_cast<int>(20 + r % 50);
        x = helixor_test::TimesPowerOfTwo(1 + unit, e) * ((i & 2) ? -1 : 1);
        break;
      }
      default: {
        // The 80-bit values nearest k pi/2, for k up to 9e18 / (pi/2), and
        // their neighbours.
        static const __float128 halfPi = acosq(0);
        const Extended k = (i % 4 == 0) ? Extended(r % 2600 + 1)
                                        : TruncateToWhole(helixor_test::TimesPowerOfTwo(unit, 1 + static_cast<int>(r % 62)));
        x = FromLongDouble(static_cast<long double>(halfPi * static_cast<__float128>(ToLongDouble(k))));
        if (x > 9e18) x = 9e18;
        const int step = static_cast<int>(r >> 60) % 5 - 2;
        for (int j = 0; j < std::abs(step); ++j) x = step > 0 ? helixor_test::NextUp(x) : helixor_test::NextDown(x);
        if (i & 1) x = -x;
        break;
      }
    }
    t.Add(f, x);
  }
}

}  // namespace ElementaryAccuracy
#endif
