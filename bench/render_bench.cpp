// render_bench: the whole `helixor-cli render` against the same drawing
// written by hand with no parsing at all (render_floor), and, for the helix,
// against gnuplot drawing the same curve from the same number of samples
// into a 600 x 451 PNG; all as whole processes, measured in CPU time (user
// and system, from the child's resource usage), their repetitions
// interleaved at random in one run. Two curves: the bundled helix
// (cos(t), sin(t), t/10 on [0, 20 pi]) and a heavy one
// (cos(2^t)*ln(sqr(atan(t)))+sin(3*t), (t MOD 3)*exp(-t/10)+sqrt(abs(sin(t))),
// 2*cos(t)+abs(sin(3*t))^2 on [0.5, 1.5]), at 10^4, 10^5 and 10^6 samples,
// and a start-up row of 100 samples. Prints the machine's load average at
// the start (warning above 0.5: figures from a busy machine do not hold),
// the medians and minimums, the ratios helixor / floor and gnuplot /
// helixor, and the peak memory (maximum resident set) of each.
//
// The pictures go to $TMPDIR (or /tmp). helixor-cli saves its picture to
// disk before it replaces the file (fdatasync, then rename), which the
// floor does not; at 100 samples that sync is a large share of the whole
// process, so TMPDIR on a memory file system shows the drawing alone.
//
// With --peer NAME=PATH (any number of times), the helixor-cli at PATH runs
// the same rows beside this build's (for example one built with Helixor's
// own 80-bit type, or an older commit's), and a second table prints each
// peer against this build.
//
// Usage: render_bench [--no-gnuplot] [--peer NAME=PATH]... [google benchmark flags]

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
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

std::vector<std::string> CliCommand(const std::string& cli, long curve, long n) {
  // Precission n - 1 gives n samples, as gnuplot's "set samples n".
  std::vector<std::string> command = {cli, "render", HELIXOR_HELIX, "--set",
                                      "Precission=" + std::to_string(n - 1), "--output", TempPath(".bmp")};
  if (curve == Heavy)
    for (const char* set : {"AEdit=0.5", "BEdit=1.5", "xt=cos(2^t)*ln(sqr(atan(t)))+sin(3*t)",
                            "yt=(t MOD 3)*exp(-t/10)+sqrt(abs(sin(t)))", "zt=2*cos(t)+abs(sin(3*t))^2"}) {
      command.push_back("--set");
      command.push_back(set);
    }
  return command;
}

std::vector<std::string> HelixorCommand(long curve, long n) { return CliCommand(HELIXOR_CLI, curve, n); }

std::vector<std::string> FloorCommand(long curve, long n) {
  return {HELIXOR_FLOOR, CurveName(curve), std::to_string(n), TempPath("-floor.bmp")};
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

void RunWhole(benchmark::State& state, const std::string& name,
              const std::function<std::vector<std::string>(long, long)>& command) {
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
  long& kept = PeakKiB()[name + "/" + std::to_string(curve) + "/" + std::to_string(n)];
  kept = std::max(kept, peak);
}

void BM_HelixorRender(benchmark::State& state) { RunWhole(state, "BM_HelixorRender", HelixorCommand); }
void BM_FloorRender(benchmark::State& state) { RunWhole(state, "BM_FloorRender", FloorCommand); }
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
    std::printf("\n%-6s %-9s %13s %13s %7s %11s %11s %7s %13s %8s %12s %12s %12s\n", "curve", "samples",
                "helixor (ms)", "floor (ms)", "ratio", "hx min", "floor min", "ratio", "gnuplot (ms)", "gp/hx",
                "helixor peak", "floor peak", "gnuplot peak");
    const auto helixor = medians_.find("BM_HelixorRender");
    if (helixor == medians_.end()) return;
    for (const auto& [args, time] : helixor->second) {
      // args is "curve/n"
      const long curve = std::strtol(args.c_str(), nullptr, 10);
      const long n = std::strtol(args.c_str() + args.find('/') + 1, nullptr, 10);
      const double floor = Median("BM_FloorRender", args), gnuplot = Median("BM_GnuplotRender", args);
      const double least = Least("BM_HelixorRender", args), floorLeast = Least("BM_FloorRender", args);
      const std::string key = "/" + std::to_string(curve) + "/" + std::to_string(n);
      std::printf("%-6s %-9ld %13.2f %13.2f %6.2fx %11.2f %11.2f %6.2fx %13.1f %7.1fx %8ld KiB %8ld KiB %8ld KiB\n",
                  CurveName(curve), n, time, floor, floor > 0 ? time / floor : 0.0, least, floorLeast,
                  floorLeast > 0 ? least / floorLeast : 0.0, gnuplot,
                  gnuplot > 0 ? gnuplot / time : 0.0, PeakKiB()["BM_HelixorRender" + key],
                  PeakKiB()["BM_FloorRender" + key], PeakKiB()["BM_GnuplotRender" + key]);
    }
    std::printf("(CPU time, medians, then minimums; ratio = helixor / floor; targets on a quiet machine at 10^6:"
                " helix <= 1.6, heavy <= 1.5; helix at 100: <= 1.3)\n");
  }

  // Each peer against this build: medians and minimums.
  void PrintPeerRatios(const std::vector<std::pair<std::string, std::string>>& peers) const {
    if (peers.empty()) return;
    std::printf("\n%-12s %-6s %-9s %13s %13s %7s %11s %11s %7s\n", "peer", "curve", "samples", "peer (ms)",
                "helixor (ms)", "ratio", "peer min", "hx min", "ratio");
    for (const auto& [peer, path] : peers) {
      const auto rows = medians_.find(PeerRowName(peer));
      if (rows == medians_.end()) continue;
      for (const auto& [args, time] : rows->second) {
        const long curve = std::strtol(args.c_str(), nullptr, 10);
        const long n = std::strtol(args.c_str() + args.find('/') + 1, nullptr, 10);
        const double helixor = Median("BM_HelixorRender", args);
        const double least = Least(PeerRowName(peer), args), helixorLeast = Least("BM_HelixorRender", args);
        std::printf("%-12s %-6s %-9ld %13.2f %13.2f %6.2fx %11.2f %11.2f %6.2fx\n", peer.c_str(), CurveName(curve),
                    n, time, helixor, helixor > 0 ? time / helixor : 0.0, least, helixorLeast,
                    helixorLeast > 0 ? least / helixorLeast : 0.0);
      }
    }
    std::printf("(CPU time; ratio = peer / this build's helixor-cli)\n");
  }

  static std::string PeerRowName(const std::string& peer) { return "BM_PeerRender_" + peer; }

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

struct TSize {
  long Samples;
  int Repetitions;
};

// One row: a curve at a size, its repetitions interleaved, CPU time kept.
void Configure(benchmark::internal::Benchmark* row, long curve, const TSize& s) {
  row->Args({curve, s.Samples})
      ->Iterations(1)
      ->Repetitions(s.Repetitions)
      ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
      ->ReportAggregatesOnly(true)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  bool gnuplot = true;
  std::vector<std::pair<std::string, std::string>> peers;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--no-gnuplot") {
      gnuplot = false;
    } else if (a == "--peer" && i + 1 < argc && std::strchr(argv[i + 1], '=')) {
      const std::string peer = argv[++i];
      peers.emplace_back(peer.substr(0, peer.find('=')), peer.substr(peer.find('=') + 1));
    } else {
      args.push_back(argv[i]);
    }
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

  const TSize sizes[] = {{100, 15}, {10000, 9}, {100000, 7}, {1000000, 5}};
  for (const TSize& s : sizes)
    for (long curve : {Helix, Heavy})
      for (auto [name, function] : {std::pair{"BM_HelixorRender", &BM_HelixorRender},
                                    std::pair{"BM_FloorRender", &BM_FloorRender},
                                    std::pair{"BM_GnuplotRender", &BM_GnuplotRender}}) {
        if (function == &BM_GnuplotRender && (!gnuplot || curve != Helix || s.Samples < 10000)) continue;
        Configure(benchmark::RegisterBenchmark(name, function), curve, s);
      }
  for (const TSize& s : sizes)
    for (long curve : {Helix, Heavy})
      for (const auto& [peer, path] : peers) {
        const std::string name = TRatioReporter::PeerRowName(peer);
        Configure(benchmark::RegisterBenchmark(name.c_str(),
                                               [name, cli = path](benchmark::State& state) {
                                                 RunWhole(state, name, [&cli](long c, long n) {
                                                   return CliCommand(cli, c, n);
                                                 });
                                               }),
                  curve, s);
      }
  benchmark::Initialize(&count, args.data());
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  reporter.PrintPeerRatios(peers);
  std::remove(TempPath(".bmp").c_str());
  std::remove(TempPath("-floor.bmp").c_str());
  std::remove(TempPath(".png").c_str());
  benchmark::Shutdown();
  return 0;
}
