// render_bench: the whole `helixor-cli render` against the same drawing
// written by hand with no parsing at all (render_floor with the evaluator's
// own functions, render_floor_library with the C library's), and, for the helix,
// against gnuplot drawing the same curve from the same number of samples
// into a 600 x 451 PNG; all as whole processes, measured in CPU time (user
// and system, from the child's resource usage), their repetitions
// interleaved at random in one run. Two curves: the bundled helix
// (cos(t), sin(t), t/10 on [0, 20 pi]) and a heavy one
// (cos(2^t)*ln(sqr(atan(t)))+sin(3*t), (t MOD 3)*exp(-t/10)+sqrt(abs(sin(t))),
// 2*cos(t)+abs(sin(3*t))^2 on [0.5, 1.5]), at 10^4, 10^5 and 10^6 samples,
// and a start-up row of 100 samples. Prints the machine's load average at
// the start (warning above 0.5: figures from a busy machine do not hold),
// the medians and minimums, the ratios helixor / floor (for both floors)
// and gnuplot / helixor, and the peak memory (maximum resident set) of each.
//
// The pictures go to $TMPDIR (or /tmp). helixor-cli saves its picture to
// disk before it replaces the file (fdatasync, then rename), which the
// floor does not; at 100 samples that sync is a large share of the whole
// process, so TMPDIR on a memory file system shows the drawing alone.
//
// With --base-cli=PATH, another revision's helixor-cli draws the same
// curves in the same run, and its times are printed beside ours.
//
// Usage: render_bench [--no-gnuplot] [--base-cli=PATH] [google benchmark flags]

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct TProcessResult {
  double Seconds = 0;  // CPU time, user and system
  long PeakKiB = 0;
  bool Ok = false;
};

// Runs a program to its end with its output discarded.
TProcessResult RunProcess(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  TProcessResult r;
  r.Seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  r.PeakKiB = usage.ru_maxrss;
  r.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/helixor-render-bench-" + std::to_string(::getpid()) + name;
}

enum TCurve { Helix, Heavy };

const char* CurveName(long curve) { return curve == Helix ? "helix" : "heavy"; }

// --base-cli: another revision's helixor-cli, drawing the same in the same run.
std::string& BaseCli() {
  static std::string path;
  return path;
}

std::vector<std::string> RenderCommand(const std::string& program, const std::string& output, long curve, long n) {
  // Precission n - 1 gives n samples, as gnuplot's "set samples n".
  std::vector<std::string> command = {program, "render", HELIXOR_HELIX, "--set",
                                      "Precission=" + std::to_string(n - 1), "--output", output};
  if (curve == Heavy)
    for (const char* set : {"AEdit=0.5", "BEdit=1.5", "xt=cos(2^t)*ln(sqr(atan(t)))+sin(3*t)",
                            "yt=(t MOD 3)*exp(-t/10)+sqrt(abs(sin(t)))", "zt=2*cos(t)+abs(sin(3*t))^2"}) {
      command.push_back("--set");
      command.push_back(set);
    }
  return command;
}

std::vector<std::string> HelixorCommand(long curve, long n) {
  return RenderCommand(HELIXOR_CLI, TempPath(".bmp"), curve, n);
}

std::vector<std::string> BaseCommand(long curve, long n) {
  return RenderCommand(BaseCli(), TempPath("-base.bmp"), curve, n);
}

std::vector<std::string> FloorCommand(long curve, long n) {
  return {HELIXOR_FLOOR, CurveName(curve), std::to_string(n), TempPath("-floor.bmp")};
}

std::vector<std::string> FloorLibraryCommand(long curve, long n) {
  return {HELIXOR_FLOOR_LIBRARY, CurveName(curve), std::to_string(n), TempPath("-floor-library.bmp")};
}

std::vector<std::string> GnuplotCommand(long, long n) {
  return {"gnuplot", "-e",
          "set terminal png size 600,451; set output '" + TempPath(".png") + "'; set samples " +
              std::to_string(n) +
              "; unset key; splot sample [t=0:20*pi] '+' using (cos(t)):(sin(t)):(t/10) with lines"};
}

// Peak memory per benchmark name, the largest of its runs.
std::map<std::string, long>& PeakKiB() {
  static std::map<std::string, long> peaks;
  return peaks;
}

void RunWhole(benchmark::State& state, const char* name,
              std::vector<std::string> (*command)(long, long)) {
  const long curve = state.range(0), n = state.range(1);
  long peak = 0;
  for (auto _ : state) {
    const TProcessResult r = RunProcess(command(curve, n));
    if (!r.Ok) {
      state.SkipWithError("the process failed");
      break;
    }
    state.SetIterationTime(r.Seconds);
    peak = std::max(peak, r.PeakKiB);
  }
  state.counters["peak_KiB"] = static_cast<double>(peak);
  state.counters["samples"] = static_cast<double>(n);
  long& kept = PeakKiB()[std::string(name) + "/" + std::to_string(curve) + "/" + std::to_string(n)];
  kept = std::max(kept, peak);
}

void BM_HelixorRender(benchmark::State& state) { RunWhole(state, "BM_HelixorRender", HelixorCommand); }
void BM_BaseRender(benchmark::State& state) { RunWhole(state, "BM_BaseRender", BaseCommand); }
void BM_FloorRender(benchmark::State& state) { RunWhole(state, "BM_FloorRender", FloorCommand); }
void BM_FloorLibraryRender(benchmark::State& state) {
  RunWhole(state, "BM_FloorLibraryRender", FloorLibraryCommand);
}
void BM_GnuplotRender(benchmark::State& state) { RunWhole(state, "BM_GnuplotRender", GnuplotCommand); }

// Keeps the medians to print the ratios after the run.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Aggregate && !run.error_occurred) {
        if (run.aggregate_name == "median")
          medians_[run.run_name.function_name][run.run_name.args] = run.GetAdjustedRealTime();
        else if (run.aggregate_name == "min")
          minimums_[run.run_name.function_name][run.run_name.args] = run.GetAdjustedRealTime();
      }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    std::printf("\n%-6s %-9s %13s %13s %7s %11s %11s %7s %13s %7s %7s %13s %8s %12s %12s %12s\n", "curve",
                "samples", "helixor (ms)", "floor (ms)", "ratio", "hx min", "floor min", "ratio", "lib floor",
                "ratio", "min", "gnuplot (ms)", "gp/hx", "helixor peak", "floor peak", "gnuplot peak");
    const auto helixor = medians_.find("BM_HelixorRender");
    if (helixor == medians_.end()) return;
    for (const auto& [args, time] : helixor->second) {
      // args is "curve/n"
      const long curve = std::strtol(args.c_str(), nullptr, 10);
      const long n = std::strtol(args.c_str() + args.find('/') + 1, nullptr, 10);
      const double floor = Median("BM_FloorRender", args), gnuplot = Median("BM_GnuplotRender", args);
      const double least = Least("BM_HelixorRender", args), floorLeast = Least("BM_FloorRender", args);
      const double library = Median("BM_FloorLibraryRender", args);
      const double libraryLeast = Least("BM_FloorLibraryRender", args);
      const std::string key = "/" + std::to_string(curve) + "/" + std::to_string(n);
      std::printf("%-6s %-9ld %13.2f %13.2f %6.2fx %11.2f %11.2f %6.2fx %13.2f %6.2fx %6.2fx %13.1f %7.1fx %8ld KiB "
                  "%8ld KiB %8ld KiB\n",
                  CurveName(curve), n, time, floor, floor > 0 ? time / floor : 0.0, least, floorLeast,
                  floorLeast > 0 ? least / floorLeast : 0.0, library, library > 0 ? time / library : 0.0,
                  libraryLeast > 0 ? least / libraryLeast : 0.0, gnuplot, gnuplot > 0 ? gnuplot / time : 0.0,
                  PeakKiB()["BM_HelixorRender" + key], PeakKiB()["BM_FloorRender" + key],
                  PeakKiB()["BM_GnuplotRender" + key]);
    }
    if (medians_.count("BM_BaseRender")) {
      std::printf("\n%-6s %-9s %13s %13s %9s %11s %11s %9s   (base: %s)\n", "curve", "samples", "helixor (ms)",
                  "base (ms)", "base/hx", "hx min", "base min", "base/hx", BaseCli().c_str());
      for (const auto& [args, time] : helixor->second) {
        const long curve = std::strtol(args.c_str(), nullptr, 10);
        const long n = std::strtol(args.c_str() + args.find('/') + 1, nullptr, 10);
        const double base = Median("BM_BaseRender", args), least = Least("BM_HelixorRender", args);
        const double baseLeast = Least("BM_BaseRender", args);
        std::printf("%-6s %-9ld %13.2f %13.2f %8.2fx %11.2f %11.2f %8.2fx\n", CurveName(curve), n, time, base,
                    time > 0 ? base / time : 0.0, least, baseLeast, least > 0 ? baseLeast / least : 0.0);
      }
    }
    std::printf("(CPU time, medians, then minimums; ratio = helixor / floor; lib floor: the floor with the C"
                " library's functions, its ratio of medians and of minimums; targets on a quiet machine at 10^6:"
                " helix <= 1.6, heavy <= 1.5 against the floor, helix <= 1.8, heavy <= 1.6 against the lib floor;"
                " helix at 100: <= 1.3)\n");
  }

 private:
  using Table = std::map<std::string, std::map<std::string, double>>;
  static double Find(const Table& table, const std::string& name, const std::string& args) {
    const auto runs = table.find(name);
    if (runs == table.end() || !runs->second.count(args)) return 0;
    return runs->second.at(args);
  }
  double Median(const std::string& name, const std::string& args) const { return Find(medians_, name, args); }
  double Least(const std::string& name, const std::string& args) const { return Find(minimums_, name, args); }

  Table medians_, minimums_;
};

}  // namespace

int main(int argc, char** argv) {
  bool gnuplot = true;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-gnuplot") == 0) gnuplot = false;
    else if (std::strncmp(argv[i], "--base-cli=", 11) == 0) BaseCli() = argv[i] + 11;
    else args.push_back(argv[i]);
  }
  // Unless told otherwise, the repetitions of all rows in random order, so
  // that a machine busy with other work slows every column alike.
  bool custom = false;
  for (char* a : args) custom = custom || std::string(a).rfind("--benchmark_enable_random_interleaving", 0) == 0;
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  if (!custom) args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());

  // The load at the start: other work on the machine shows in every figure.
  double load[1] = {0};
  if (getloadavg(load, 1) == 1) {
    std::printf("load average at the start: %.2f\n", load[0]);
    if (load[0] > 0.5)
      std::printf("warning: the load average is above 0.5; these figures are not those of a quiet machine\n");
    std::fflush(stdout);
  }

  struct Size { long Samples; int Repetitions; } sizes[] = {{100, 15}, {10000, 9}, {100000, 7}, {1000000, 5}};
  for (const Size& s : sizes)
    for (long curve : {Helix, Heavy})
      for (auto [name, function] : {std::pair{"BM_HelixorRender", &BM_HelixorRender},
                                    std::pair{"BM_BaseRender", &BM_BaseRender},
                                    std::pair{"BM_FloorRender", &BM_FloorRender},
                                    std::pair{"BM_FloorLibraryRender", &BM_FloorLibraryRender},
                                    std::pair{"BM_GnuplotRender", &BM_GnuplotRender}}) {
        if (function == &BM_GnuplotRender && (!gnuplot || curve != Helix || s.Samples < 10000)) continue;
        if (function == &BM_BaseRender && BaseCli().empty()) continue;
        benchmark::RegisterBenchmark(name, function)
            ->Args({curve, s.Samples})
            ->Iterations(1)
            ->Repetitions(s.Repetitions)
            ->ComputeStatistics("min",
                                [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
            ->ReportAggregatesOnly(true)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
      }
  benchmark::Initialize(&count, args.data());
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  std::remove(TempPath(".bmp").c_str());
  std::remove(TempPath("-floor.bmp").c_str());
  std::remove(TempPath("-floor-library.bmp").c_str());
  std::remove(TempPath("-base.bmp").c_str());
  std::remove(TempPath(".png").c_str());
  benchmark::Shutdown();
  return 0;
}
