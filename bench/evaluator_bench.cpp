// Text-to-value throughput of TMathParser against muparser (SetExpr + Eval
// per call, its text-to-value path) and against the same arithmetic written
// by hand on long double, with t changing at every call.
//
// After the usual benchmark output a summary prints, per expression, ns per
// evaluation for each column (medians of 9 repetitions in random order unless
// --benchmark_repetitions is given), the rate ratio muparser/ours, and the
// parse overhead (ours - native) against the allowance of 20 ns + 4 ns per
// character, as it stands and scaled by this machine's speed (muparser's
// times here against those where the allowance was set).
//
// Then the evaluator's own EXP, LN, ATAN, SIN and COS against the C
// library's long double functions on the same arguments in the same run:
// ns per call of each and the ratio library / ours, on wide arguments and
// on those drawings pass; and what one SIN costs inside an evaluated
// expression against the bare call.

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "evaluator/Constants.h"
#include "evaluator/Elementary.h"
#include "evaluator/Faults.h"
#include "evaluator/Parser.h"
#include "evaluator/Trig.h"

#ifdef HELIXOR_BENCH_BASE
// evaluator_bench_base: the same functions of another revision of Helixor
// (HELIXOR_BENCH_BASE_SOURCE), compiled under these names, as a third column.
Extended BaseExp(Extended);
Extended BaseLn(Extended);
Extended BaseArcTan(Extended);
Extended BaseSine(Extended);
Extended BaseCosine(Extended);
#endif

namespace {

const char* const Expressions[] = {
    "t",
    "cos(t)",
    "2*cos(t)+sin(3*t)^2",
    "cos(2^t)*ln(sqr(atan(t)))",
    "(t MOD 3)*exp(-t/10)+sqrt(abs(sin(t)))",
};
constexpr int ExpressionCount = 5;

// t sweeps 0.5 .. 1.5 in 1024 steps.
inline Extended TAt(std::uint32_t k) { return 0.5L + static_cast<Extended>(k & 1023) / 1023.0L; }

// --- ours -----------------------------------------------------------------

void Ours(benchmark::State& state, int index) {
  const std::string text = Expressions[index];
  TMathParser parser;
  Extended t = 0;
  parser.OnGetVar = [&t](TMathParser&, std::string_view name, Extended& value, bool& found) {
    found = LookUpCurveName(name, t, value);
  };
  std::uint32_t k = 0;
  for (auto _ : state) {
    t = TAt(k++);
    parser.ParseString = text;  // as the Draw command does for every sample
    parser.Parse();
    Extended v = parser.ParseFailed() ? 0 : parser.ParseValue();
    benchmark::DoNotOptimize(v);
  }
}

// --- muparser -------------------------------------------------------------

double MuSqr(double x) { return x * x; }
double MuMod(double a, double m) {
  return static_cast<double>(std::llrint(a) % std::llrint(m));
}

void Muparser(benchmark::State& state, int index) {
  const std::string text = Expressions[index];
  mu::Parser parser;
  double t = 0;
  parser.DefineVar("t", &t);
  parser.DefineFun("sqr", MuSqr);
  parser.DefineOprt("MOD", MuMod, mu::prMUL_DIV + 1);
  std::uint32_t k = 0;
  for (auto _ : state) {
    t = static_cast<double>(TAt(k++));
    parser.SetExpr(text);
    double v = parser.Eval();
    benchmark::DoNotOptimize(v);
  }
}

// --- native ---------------------------------------------------------------
// Exactly what the evaluator computes, bounds included: power as
// e^(ln(b)*x), SQR as x*x, MOD as the remainder of the rounded integers,
// EXP, LN, ATAN, COS and SIN as the evaluator's own functions.

inline bool Power(Extended b, Extended x, Extended& result) {
  if (!(b > 0)) return false;
  const Extended l = Ln(b) * x;
  if (l < -11356 || l > 11356) return false;
  result = Exp(l);
  return true;
}

inline Extended Native(int index, Extended t) {
  switch (index) {
    case 0:
      return t;
    case 1:
      return Cosine(t);
    case 2: {
      // In the evaluator's order: the sum is formed even after a math error.
      const Extended c = 2 * Cosine(t);
      Extended p = Sine(3 * t);
      Power(p, 2, p);
      return c + p;
    }
    case 3: {
      // The evaluator takes ln(2) at run time; keep the compiler from
      // folding it into a constant here.
      Extended two = 2;
      benchmark::DoNotOptimize(two);
      Extended p = 0;
      Power(two, t, p);
      const Extended a = ArcTan(t);
      const Extended s = a * a;
      return Cosine(p) * (s > 0 ? Ln(s) : s);
    }
    default: {
      const std::int64_t a = static_cast<std::int64_t>(rintl(t));
      const Extended m = static_cast<Extended>(a % 3);
      return m * Exp(-t / 10) + sqrtl(fabsl(Sine(t)));
    }
  }
}

void NativeRun(benchmark::State& state, int index) {
  std::uint32_t k = 0;
  for (auto _ : state) {
    Extended t = TAt(k++);
    benchmark::DoNotOptimize(t);
    Extended v = Native(index, t);
    benchmark::DoNotOptimize(v);
  }
}

// --- the functions ---------------------------------------------------------
// 1024 arguments each. The wide rows spread them over the values curves
// may use (and, for sin-large, the integer reduction's range); the drawing
// rows take those that the bundled helix and the heavy curve of render_bench
// pass at evenly spaced t, and t and its small multiples over [-100, 100],
// since a function's cost depends on its arguments (the C library's sine
// reduces moderate arguments cheaply and large ones slowly).

#ifdef HELIXOR_BENCH_BASE
#define BASE(f) Base##f
#else
#define BASE(f) nullptr
#endif

enum class Column { Ours, Library, Base };

struct FunctionRow {
  const char* Name;
  Extended (*Ours)(Extended);
  Extended (*Library)(Extended);
  Extended (*Base)(Extended);  // null but in evaluator_bench_base
  std::vector<Extended> (*Arguments)();
  bool Drawing;  // a drawing's arguments: the "no slower than the library" goal
};

Extended LibraryExp(Extended x) { return expl(x); }
Extended LibraryLn(Extended x) { return logl(x); }
Extended LibraryAtan(Extended x) { return atanl(x); }
Extended LibrarySin(Extended x) { return sinl(x); }
Extended LibraryCos(Extended x) { return cosl(x); }

// The fraction of k times the golden ratio: spread evenly, in no order.
inline Extended Spread(int k) {
  const Extended g = k * 0.6180339887498948482L;
  return g - std::floor(g);
}

std::vector<Extended> Even(Extended low, Extended high) {
  std::vector<Extended> xs(1024);
  for (int k = 0; k < 1024; ++k) xs[k] = low + (high - low) * Spread(k);
  return xs;
}

std::vector<Extended> Geometric(Extended low, Extended high) {
  std::vector<Extended> xs(1024);
  for (int k = 0; k < 1024; ++k) xs[k] = low * std::pow(high / low, Spread(k));
  return xs;
}

// What one function is given while a curve is sampled at t = a + (b - a) u:
// the arguments of each of its calls in turn, until 1024 are collected.
std::vector<Extended> Collect(Extended a, Extended b, void (*calls)(Extended, std::vector<Extended>&)) {
  std::vector<Extended> xs;
  for (int k = 0; xs.size() < 1024; ++k) calls(a + (b - a) * Spread(k), xs);
  xs.resize(1024);
  return xs;
}

// The heavy curve on [0.5, 1.5]:
//   cos(2^t)*ln(sqr(atan(t)))+sin(3*t), (t MOD 3)*exp(-t/10)+sqrt(abs(sin(t))),
//   2*cos(t)+abs(sin(3*t))^2, the power b^x being e^(ln(b) x).
const Extended Ln2 = Ln(2);
void HeavyExp(Extended t, std::vector<Extended>& xs) {
  const Extended s = std::fabs(Sine(3 * t));
  xs.insert(xs.end(), {Ln2 * t, -t / 10, Ln(s) * 2});
}
void HeavyLn(Extended t, std::vector<Extended>& xs) {
  const Extended a = ArcTan(t);
  xs.insert(xs.end(), {2, a * a, std::fabs(Sine(3 * t))});
}
void HeavyAtan(Extended t, std::vector<Extended>& xs) { xs.push_back(t); }
void HeavySin(Extended t, std::vector<Extended>& xs) { xs.insert(xs.end(), {3 * t, t, 3 * t}); }
void HeavyCos(Extended t, std::vector<Extended>& xs) { xs.insert(xs.end(), {Exp(Ln2 * t), t}); }
// The helix: cos(t), sin(t), t/10 on [0, 20 pi].
void HelixTrig(Extended t, std::vector<Extended>& xs) { xs.push_back(t); }
// t, 2t, 3t and 5t over [-100, 100].
void Multiples(Extended t, std::vector<Extended>& xs) { xs.insert(xs.end(), {t, 2 * t, 3 * t, 5 * t}); }

const FunctionRow FunctionRows[] = {
    {"exp", Exp, LibraryExp, BASE(Exp), [] { return Even(-40, 40); }, false},
    {"ln", Ln, LibraryLn, BASE(Ln), [] { return Geometric(1e-3L, 1e3L); }, false},
    {"atan", ArcTan, LibraryAtan, BASE(ArcTan), [] { return Even(-20, 20); }, false},
    {"sin", Sine, LibrarySin, BASE(Sine), [] { return Even(-100, 100); }, false},
    {"cos", Cosine, LibraryCos, BASE(Cosine), [] { return Even(-100, 100); }, false},
    {"sin-large", Sine, LibrarySin, BASE(Sine), [] { return Geometric(1e5L, 9e18L); }, false},
    {"exp-heavy", Exp, LibraryExp, BASE(Exp), [] { return Collect(0.5L, 1.5L, HeavyExp); }, true},
    {"ln-heavy", Ln, LibraryLn, BASE(Ln), [] { return Collect(0.5L, 1.5L, HeavyLn); }, true},
    {"atan-heavy", ArcTan, LibraryAtan, BASE(ArcTan), [] { return Collect(0.5L, 1.5L, HeavyAtan); }, true},
    {"sin-heavy", Sine, LibrarySin, BASE(Sine), [] { return Collect(0.5L, 1.5L, HeavySin); }, true},
    {"cos-heavy", Cosine, LibraryCos, BASE(Cosine), [] { return Collect(0.5L, 1.5L, HeavyCos); }, true},
    {"sin-helix", Sine, LibrarySin, BASE(Sine), [] { return Collect(0, 20 * PiConstant, HelixTrig); }, true},
    {"cos-helix", Cosine, LibraryCos, BASE(Cosine), [] { return Collect(0, 20 * PiConstant, HelixTrig); }, true},
    {"sin-multiples", Sine, LibrarySin, BASE(Sine), [] { return Collect(-100, 100, Multiples); }, true},
    {"cos-multiples", Cosine, LibraryCos, BASE(Cosine), [] { return Collect(-100, 100, Multiples); }, true},
};
constexpr int FunctionRowCount = sizeof FunctionRows / sizeof FunctionRows[0];

void FunctionRun(benchmark::State& state, int index, Column column) {
  const FunctionRow& row = FunctionRows[index];
  const std::vector<Extended> xs = row.Arguments();
  Extended (*const f)(Extended) =
      column == Column::Ours ? row.Ours : column == Column::Library ? row.Library : row.Base;
  std::uint32_t k = 0;
  for (auto _ : state) {
    Extended x = xs[k++ & 1023];
    benchmark::DoNotOptimize(x);
    Extended v = f(x);
    benchmark::DoNotOptimize(v);
  }
}

// --- a function inside an evaluated expression ------------------------------
// "sin(t)" and "t" through the evaluator with t over [-100, 100], beside the
// bare calls of ours and the library's on the same t: the difference of the
// first two is what one SIN costs a drawing.

const char* const CallTexts[] = {"t", "sin(t)"};

void CallInExpression(benchmark::State& state, int index) {
  const std::string text = CallTexts[index];
  const std::vector<Extended> ts = Even(-100, 100);
  TMathParser parser;
  Extended t = 0;
  parser.OnGetVar = [&t](TMathParser&, std::string_view name, Extended& value, bool& found) {
    found = LookUpCurveName(name, t, value);
  };
  std::uint32_t k = 0;
  for (auto _ : state) {
    t = ts[k++ & 1023];
    parser.ParseString = text;
    parser.Parse();
    Extended v = parser.ParseFailed() ? 0 : parser.ParseValue();
    benchmark::DoNotOptimize(v);
  }
}

// --- summary --------------------------------------------------------------

class Collector : public benchmark::ConsoleReporter {
 public:
  // name -> ns per iteration; the median wins over single runs.
  std::map<std::string, double> times;
  std::map<std::string, bool> fromMedian;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.function_name;
      const double ns = run.GetAdjustedCPUTime();  // time unit set to ns
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") {
          times[name] = ns;
          fromMedian[name] = true;
        }
      } else if (!fromMedian[name]) {
        times[name] = ns;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

// Checks once that the three columns compute the same values.
void CrossCheck() {
  TMathParser parser;
  Extended t = 0;
  parser.OnGetVar = [&t](TMathParser&, std::string_view name, Extended& value, bool& found) {
    found = LookUpCurveName(name, t, value);
  };
  for (int i = 0; i < ExpressionCount; ++i) {
    mu::Parser mu;
    double td = 0;
    mu.DefineVar("t", &td);
    mu.DefineFun("sqr", MuSqr);
    mu.DefineOprt("MOD", MuMod, mu::prMUL_DIV + 1);
    mu.SetExpr(Expressions[i]);
    int mismatches = 0;
    for (std::uint32_t k = 0; k < 1024; k += 37) {
      t = TAt(k);
      td = static_cast<double>(t);
      parser.ParseString = Expressions[i];
      parser.Parse();
      const Extended ours = parser.ParseFailed() ? 0 : parser.ParseValue();
      const Extended native = parser.ParseFailed() ? 0 : Native(i, t);
      const double m = mu.Eval();
      const bool muComparable = !parser.ParseFailed();
      if (ours != native || (muComparable && std::fabs(m - static_cast<double>(ours)) > 1e-9 * (1 + std::fabs(m))))
        ++mismatches;
    }
    if (mismatches)
      std::fprintf(stderr, "warning: %d mismatches for %s\n", mismatches, Expressions[i]);
  }
}

}  // namespace

// muparser's text-to-value times on the kind of machine the parse overhead
// allowance was set on: 1.5 us for "t", 10 to 15 us for the three longer
// expressions (taken as 12.5 us). The summary scales the allowance by the
// geometric mean of muparser's times here against these.
constexpr double ReferenceMuparser[ExpressionCount] = {1500, 0, 12500, 12500, 12500};

int main(int argc, char** argv) {
  // Unless told otherwise: repetitions in random order, so that a machine
  // whose speed drifts slows the three columns alike, and medians.
  std::vector<char*> args(argv, argv + argc);
  bool custom = false;
  for (int i = 1; i < argc; ++i)
    custom = custom || std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
  static char repetitions[] = "--benchmark_repetitions=9";
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static char aggregates[] = "--benchmark_report_aggregates_only=true";
  static char minTime[] = "--benchmark_min_time=0.2";
  if (!custom) args.insert(args.begin() + 1, {repetitions, interleave, aggregates, minTime});
  argc = static_cast<int>(args.size());
  args.push_back(nullptr);
  argv = args.data();

  CrossCheck();
  for (int i = 0; i < ExpressionCount; ++i) {
    const std::string suffix = "/" + std::to_string(i);
    benchmark::RegisterBenchmark(("ours" + suffix).c_str(), Ours, i)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark(("muparser" + suffix).c_str(), Muparser, i)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark(("native" + suffix).c_str(), NativeRun, i)->Unit(benchmark::kNanosecond);
  }
  for (int i = 0; i < FunctionRowCount; ++i) {
    const std::string name = FunctionRows[i].Name;
    benchmark::RegisterBenchmark(("fn-ours/" + name).c_str(), FunctionRun, i, Column::Ours)
        ->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark(("fn-library/" + name).c_str(), FunctionRun, i, Column::Library)
        ->Unit(benchmark::kNanosecond);
    if (FunctionRows[i].Base)
      benchmark::RegisterBenchmark(("fn-base/" + name).c_str(), FunctionRun, i, Column::Base)
          ->Unit(benchmark::kNanosecond);
  }
  for (int i = 0; i < 2; ++i)
    benchmark::RegisterBenchmark((std::string("call/") + CallTexts[i]).c_str(), CallInExpression, i)
        ->Unit(benchmark::kNanosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  // The machine's speed against the one the allowance was set on.
  double logSum = 0;
  int references = 0;
  for (int i = 0; i < ExpressionCount; ++i) {
    const std::string name = "muparser/" + std::to_string(i);
    if (ReferenceMuparser[i] > 0 && collector.times.count(name)) {
      logSum += std::log(collector.times[name] / ReferenceMuparser[i]);
      ++references;
    }
  }
  const double scale = references ? std::exp(logSum / references) : 1;
  std::printf("\n%-40s %8s %10s %8s %9s %9s %8s %8s\n", "expression (ns/eval)", "ours", "muparser", "native",
              "mu/ours", "overhead", "allowed", "scaled");
  bool met = true, metScaled = true;
  for (int i = 0; i < ExpressionCount; ++i) {
    const std::string suffix = "/" + std::to_string(i);
    if (!collector.times.count("ours" + suffix) || !collector.times.count("muparser" + suffix) ||
        !collector.times.count("native" + suffix))
      continue;
    const double ours = collector.times["ours" + suffix];
    const double mu = collector.times["muparser" + suffix];
    const double native = collector.times["native" + suffix];
    const double overhead = ours - native;
    const double allowed = 20 + 4 * std::string(Expressions[i]).size();
    const double ratio = mu / ours;
    const bool ok = ratio >= 20 && overhead <= allowed;
    const bool okScaled = ratio >= 20 && overhead <= allowed * scale;
    met = met && ok;
    metScaled = metScaled && okScaled;
    std::printf("%-40s %8.1f %10.1f %8.1f %8.1fx %9.1f %8.0f %8.0f %s\n", Expressions[i], ours, mu, native, ratio,
                overhead, allowed, allowed * scale, ok ? "" : okScaled ? "missed (met scaled)" : "MISSED");
  }
  std::printf("targets: muparser/ours >= 20 and overhead <= allowed: %s\n", met ? "met" : "MISSED");
  if (references)
    std::printf("machine: muparser takes x%.2f the time it took where the allowance was set (geometric mean over "
                "%d expressions); with the allowance scaled so: %s\n",
                scale, references, metScaled ? "met" : "MISSED");

  std::printf("\n%-40s %8s %10s %9s %10s %9s\n", "function (ns/call)", "ours", "library", "lib/ours", "base",
              "base/ours");
  bool fast = true, drawing = true;
  for (const FunctionRow& row : FunctionRows) {
    const std::string ours = std::string("fn-ours/") + row.Name, library = std::string("fn-library/") + row.Name;
    const std::string base = std::string("fn-base/") + row.Name;
    if (!collector.times.count(ours) || !collector.times.count(library)) continue;
    const double ratio = collector.times[library] / collector.times[ours];
    const bool ok = row.Drawing ? ratio >= 1 : ratio >= 1.5;
    if (row.Drawing)
      drawing = drawing && ok;
    else
      fast = fast && ok;
    std::printf("%-40s %8.1f %10.1f %8.2fx", row.Name, collector.times[ours], collector.times[library], ratio);
    if (collector.times.count(base))
      std::printf(" %10.1f %8.2fx", collector.times[base], collector.times[base] / collector.times[ours]);
    else
      std::printf(" %10s %9s", "", "");
    std::printf(" %s\n", ok ? "" : "MISSED");
  }
  std::printf("targets: on the wide rows each function at least 1.5x the C library's long double one: %s;\n"
              "         on a drawing's arguments (-heavy, -helix, -multiples) no slower than it: %s\n",
              fast ? "met" : "MISSED", drawing ? "met" : "MISSED");
  if (collector.times.count("call/t") && collector.times.count("call/sin(t)") &&
      collector.times.count("fn-ours/sin") && collector.times.count("fn-library/sin")) {
    const double inside = collector.times["call/sin(t)"] - collector.times["call/t"];
    std::printf("\nSIN inside an expression (t over [-100, 100]): \"sin(t)\" %.1f ns - \"t\" %.1f ns = %.1f ns per "
                "call; the bare call %.1f ns (the library's %.1f ns)\n",
                collector.times["call/sin(t)"], collector.times["call/t"], inside, collector.times["fn-ours/sin"],
                collector.times["fn-library/sin"]);
  }
  return 0;
}
