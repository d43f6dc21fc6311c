// extended_compare [PAIRS_PER_OP] [SEED]: SoftExtended against the x87, every
// operation on seeded operands of every class, all 80 bits and the invalid,
// zero-divide and overflow faults compared. One line per operation; exits 1
// on any difference, 2 on bad arguments, 3 where there is no x87.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/support/ExtendedCases.h"

namespace {

bool ParseCount(const char* text, std::uint64_t& value) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || text[0] == '-') return false;
  value = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t pairs = 100000000, seed = 1;
  if (argc > 3 || (argc > 1 && !ParseCount(argv[1], pairs)) || (argc > 2 && !ParseCount(argv[2], seed))) {
    std::fprintf(stderr, "usage: extended_compare [PAIRS_PER_OP] [SEED]\n");
    return 2;
  }
  if (!ExtendedCases::Supported()) {
    std::fprintf(stderr, "extended_compare: this processor has no x87 to compare with\n");
    return 3;
  }
  const auto start = std::chrono::steady_clock::now();
  bool differ = false;
  for (const ExtendedCases::Operation op : ExtendedCases::AllOperations) {
    // Two threads, each with its own half and its own stream of operands.
    ExtendedCases::Report halves[2];
    const std::uint64_t first = pairs / 2;
    std::thread other([&] { halves[1] = ExtendedCases::Compare(op, pairs - first, seed * 2 + 1); });
    halves[0] = ExtendedCases::Compare(op, first, seed * 2);
    other.join();
    const std::uint64_t count = halves[0].count + halves[1].count;
    const std::uint64_t differences = halves[0].differences + halves[1].differences;
    std::printf("%-20s %12llu cases %10llu differences\n", ExtendedCases::NameOf(op),
                static_cast<unsigned long long>(count), static_cast<unsigned long long>(differences));
    for (const auto& half : halves)
      for (const std::string& line : half.first) std::printf("    %s\n", line.c_str());
    std::fflush(stdout);
    differ = differ || differences != 0;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s in %.1f s\n", differ ? "DIFFERENCES" : "all equal", seconds);
  return differ ? 1 : 0;
}
