// accuracy: Helixor's own e^x, ln x, arctan x, sin x and cos x against a
// 113-bit reference (GCC's libquadmath), on many seeded random arguments
// per function: half uniform in value over the evaluator's domain, half
// uniform in exponent, as many again uniform over the values drawings pass
// most (t over [-100, 100] for sine and cosine), then the hard places (subnormal, underflowing and
// overflowing e^x, ln near 1, sin and cos near multiples of pi/2 up to
// 9e18, arctan of tiny and huge arguments). Prints, per function and kind,
// the largest error in units of the last place and the share correctly
// rounded. The test suite runs a small sample of the same comparison.
//
// Usage: accuracy [COUNT [SEED]]   (COUNT random arguments per function,
// default 10^7, and COUNT / 10 at the hard places)

#include <cstdio>
#include <cstdlib>

#include "tests/support/ElementaryAccuracy.h"

#ifndef HELIXOR_TEST_QUAD_REFERENCE
#error "the accuracy tool compares with libquadmath over the x87 long double (x86 only)"
#endif

using namespace ElementaryAccuracy;

int main(int argc, char** argv) {
  const long count = argc > 1 ? std::atol(argv[1]) : 10000000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 19;
  std::printf("%-6s %-10s %10s %12s %14s %8s   %s\n", "func", "arguments", "count", "max (ulp)", "correctly rd.",
              "not", "worst argument");
  bool met = true;
  for (Function f : AllFunctions) {
    Sampler sampler(seed + static_cast<std::uint64_t>(f));
    const Domain domain = DomainOf(f);
    const Domain drawingDomain = DrawingDomainOf(f);
    Tally byValue, byExponent, drawing, hard;
    for (long i = 0; i < count / 2; ++i) {
      const Extended a = sampler.UniformInValue(domain), b = sampler.UniformInExponent(domain);
      byValue.Add(f, a);
      byExponent.Add(f, b);
    }
    for (long i = 0; i < count / 2; ++i) drawing.Add(f, sampler.UniformInValue(drawingDomain));
    HardPlaces(f, sampler, count / 10, hard);
    for (auto [kind, t] : {std::pair{"value", &byValue}, std::pair{"exponent", &byExponent},
                           std::pair{"drawing", &drawing}, std::pair{"hard", &hard}}) {
      std::printf("%-6s %-10s %10ld %12.6f %13.6f%% %8ld   %s\n", NameOf(f), kind, t->Count, t->MaxUlps,
                  100 * t->Share(), t->Count - t->Correct, helixor_test::GeneralText(t->Worst, 21).c_str());
      met = met && t->MaxUlps < 1 && t->Share() >= 0.999;
    }
    std::fflush(stdout);
  }
  std::printf("goal: every result within 1 ulp, at least 99.9 %% correctly rounded: %s\n", met ? "met" : "MISSED");
  return met ? 0 : 1;
}
