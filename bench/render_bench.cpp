// render_bench: the whole `helixor-cli render` of the bundled helix
// (x = cos(t), y = sin(t), z = t/10, t in [0, 20 pi]) against gnuplot drawing
// the same curve from the same number of samples into a 600 x 451 PNG, both
// as whole processes in the same run. Prints the medians, their ratio and
// the peak memory (maximum resident set) of each.
//
// Usage: render_bench [google benchmark flags]

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

struct TProcessResult {
  double Seconds = 0;
  long PeakKiB = 0;
  bool Ok = false;
};

// Runs a program to its end with its output discarded.
TProcessResult RunProcess(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
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
  r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.PeakKiB = usage.ru_maxrss;
  r.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/helixor-render-bench-" + std::to_string(::getpid()) + name;
}

std::vector<std::string> HelixorCommand(long n) {
  // Precission n - 1 gives n samples, as gnuplot's "set samples n".
  return {HELIXOR_CLI, "render", HELIXOR_HELIX, "--set", "Precission=" + std::to_string(n - 1),
          "--output", TempPath(".bmp")};
}

std::vector<std::string> GnuplotCommand(long n) {
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

void RunWhole(benchmark::State& state, const char* name, std::vector<std::string> (*command)(long)) {
  const long n = state.range(0);
  long peak = 0;
  for (auto _ : state) {
    const TProcessResult r = RunProcess(command(n));
    if (!r.Ok) {
      state.SkipWithError("the process failed");
      break;
    }
    state.SetIterationTime(r.Seconds);
    peak = std::max(peak, r.PeakKiB);
  }
  state.counters["peak_KiB"] = static_cast<double>(peak);
  state.counters["samples"] = static_cast<double>(n);
  long& kept = PeakKiB()[std::string(name) + "/" + std::to_string(n)];
  kept = std::max(kept, peak);
}

void BM_HelixorRender(benchmark::State& state) { RunWhole(state, "BM_HelixorRender", HelixorCommand); }
void BM_GnuplotRender(benchmark::State& state) { RunWhole(state, "BM_GnuplotRender", GnuplotCommand); }

// Keeps the medians to print the ratios after the run.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred)
        medians_[run.run_name.function_name][run.run_name.args] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    auto helixor = medians_.find("BM_HelixorRender"), gnuplot = medians_.find("BM_GnuplotRender");
    if (helixor == medians_.end()) return;
    std::printf("\n%-9s %14s %14s %8s %14s %14s\n", "samples", "helixor (ms)", "gnuplot (ms)", "ratio",
                "helixor peak", "gnuplot peak");
    for (const auto& [args, time] : helixor->second) {
      const long n = std::strtol(args.c_str() + args.find_first_of("0123456789"), nullptr, 10);
      double other = 0;
      if (gnuplot != medians_.end() && gnuplot->second.count(args)) other = gnuplot->second.at(args);
      const long hPeak = PeakKiB()["BM_HelixorRender/" + std::to_string(n)];
      const long gPeak = PeakKiB()["BM_GnuplotRender/" + std::to_string(n)];
      std::printf("%-9ld %14.1f %14.1f %7.1fx %11ld KiB %11ld KiB\n", n, time, other,
                  time > 0 && other > 0 ? other / time : 0.0, hPeak, gPeak);
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  struct Size { long Samples; int Repetitions; } sizes[] = {{10000, 9}, {100000, 5}, {1000000, 3}};
  for (const Size& s : sizes) {
    for (auto [name, function] : {std::pair{"BM_HelixorRender", &BM_HelixorRender},
                                  std::pair{"BM_GnuplotRender", &BM_GnuplotRender}}) {
      benchmark::RegisterBenchmark(name, function)
          ->Arg(s.Samples)
          ->Iterations(1)
          ->Repetitions(s.Repetitions)
          ->ReportAggregatesOnly(true)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  std::remove(TempPath(".bmp").c_str());
  std::remove(TempPath(".png").c_str());
  benchmark::Shutdown();
  return 0;
}
