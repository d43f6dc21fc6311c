#pragma once
// SoftExtended against the x87 itself: seeded operands from every class that
// matters to a rounding or a special rule, the same operation run on the
// processor in a few lines of assembly, and every bit and fault compared.
// Shared by the unit test (a million pairs per operation) and by the
// extended_compare tool (as many as asked). The comparison needs an x86-64
// processor; elsewhere Supported() is false.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "evaluator/SoftExtended.h"

namespace ExtendedCases {

enum class Operation {
  Add, Subtract, Multiply, Divide, SquareRoot, Compare, Negate, RoundToWhole, TruncateToWhole,
  RoundedToInt64, ToDouble, FromDouble, FromInt64, TruncatedToInt64
};
inline constexpr std::array<Operation, 14> AllOperations = {
    Operation::Add, Operation::Subtract, Operation::Multiply, Operation::Divide,
    Operation::SquareRoot, Operation::Compare, Operation::Negate, Operation::RoundToWhole,
    Operation::TruncateToWhole, Operation::RoundedToInt64, Operation::ToDouble,
    Operation::FromDouble, Operation::FromInt64, Operation::TruncatedToInt64};

inline const char* NameOf(Operation op) {
  switch (op) {
    case Operation::Add: return "add";
    case Operation::Subtract: return "sub";
    case Operation::Multiply: return "mul";
    case Operation::Divide: return "div";
    case Operation::SquareRoot: return "sqrt";
    case Operation::Compare: return "compare";
    case Operation::Negate: return "negate/abs";
    case Operation::RoundToWhole: return "round-to-whole";
    case Operation::TruncateToWhole: return "truncate-to-whole";
    case Operation::RoundedToInt64: return "rounded-to-int64";
    case Operation::ToDouble: return "to-double";
    case Operation::FromDouble: return "from-double";
    case Operation::FromInt64: return "from-int64";
    case Operation::TruncatedToInt64: return "truncated-to-int64";
  }
  return "?";
}

constexpr int Bias = SoftExtended::Bias;
constexpr std::uint64_t IntegerBit = SoftExtended::IntegerBit;

// Seeded operands. splitmix64 and plain arithmetic, so a seed gives the same
// operands with every compiler and library.
class Generator {
 public:
  explicit Generator(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
  }
  // Uniform enough in [lo, hi] for test operands.
  int Between(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1)); }
  bool Coin() { return Next() & 1; }
  std::uint16_t Sign() { return Coin() ? 0x8000 : 0; }

  // A random number of random low bits: significands of every length.
  std::uint64_t Bits() {
    const int n = Between(1, 64);
    return n == 64 ? Next() : Next() & ((std::uint64_t{1} << n) - 1);
  }

  SoftExtended Normal(int exponent) {
    return SoftExtended::FromBits(static_cast<std::uint16_t>(Sign() | exponent), IntegerBit | Next());
  }
  // A canonical encoding over every exponent: subnormals at exponent 0.
  SoftExtended Canonical() {
    const int e = Between(0, 0x7FFE);
    if (e == 0) return SoftExtended::FromBits(Sign(), Next() >> 1);
    return Normal(e);
  }
  SoftExtended Subnormal() { return SoftExtended::FromBits(Sign(), Bits() >> 1); }

  // Zeros, infinities, NaNs of both kinds and the encodings the x87 does not
  // support, with a normal number now and then to meet them.
  SoftExtended Special() {
    const std::uint16_t s = Sign();
    switch (Between(0, 13)) {
      case 0: return SoftExtended::FromBits(s, 0);
      case 1: return SoftExtended::FromBits(s | 0x7FFF, IntegerBit);
      case 2: return SoftExtended::FromBits(s | 0x7FFF, IntegerBit | SoftExtended::QuietBit | Small());
      case 3: return SoftExtended::FromBits(s | 0x7FFF, IntegerBit | (Small() | 1));  // signalling
      case 4: return SoftExtended::FromBits(0xFFFF, IntegerBit | SoftExtended::QuietBit);
      case 5: return SoftExtended::FromBits(s, IntegerBit | (Next() >> Between(1, 63)));  // pseudo-denormal
      case 6: return SoftExtended::FromBits(static_cast<std::uint16_t>(s | Between(1, 0x7FFE)), Next() >> 1);  // unnormal
      case 7: return SoftExtended::FromBits(s | 0x7FFF, Coin() ? 0 : Next() >> 1);  // pseudo-infinity, pseudo-NaN
      case 8: return Subnormal();
      case 9: return SoftExtended::FromBits(s | 0x7FFE, ~std::uint64_t{0});
      case 10: return SoftExtended::FromBits(s | 1, IntegerBit);
      case 11: return Normal(Between(Bias - 4, Bias + 4));
      default: return Canonical();
    }
  }

  // Two operands for a binary operation, from a class picked in turn.
  std::pair<SoftExtended, SoftExtended> Pair(Operation op) {
    switch (turn_++ % 6) {
      case 0: return {Canonical(), Canonical()};
      case 1: return Near();
      case 2: return AtThreshold(op);
      case 3: {
        const SoftExtended s = Subnormal();
        const SoftExtended o = Coin() ? Subnormal() : Normal(Between(1, Coin() ? 130 : 0x7FFE));
        return Coin() ? std::pair{s, o} : std::pair{o, s};
      }
      case 4: return Halfway(op);
      default: {
        SoftExtended a = Special(), b = Special();
        if (IsNan(a) && IsNan(b) && Coin())  // NaNs that tie on the significand
          b = SoftExtended::FromBits(b.SignExponent(), a.Significand() ^ (Coin() ? SoftExtended::QuietBit : 0));
        return {a, b};
      }
    }
  }

  // One operand for a unary operation or conversion.
  SoftExtended Single(Operation op) {
    switch (turn_++ % 4) {
      case 0: return Canonical();
      case 1: return Special();
      case 2: return Coin() ? Subnormal() : SoftExtended::FromBits(Sign(), IntegerBit | (Next() >> 1));
      default: break;
    }
    const std::uint16_t s = Sign();
    if (op == Operation::ToDouble) {
      // Near double's overflow, its normal and subnormal ranges' ends, and
      // halfway between two doubles.
      static constexpr int Edges[] = {Bias + 1023, Bias - 1022, Bias - 1074, Bias - 1050};
      const int e = Edges[Between(0, 3)] + Between(-3, 3);
      std::uint64_t m = IntegerBit | Next();
      if (Coin()) m = (m & ~std::uint64_t{0x7FF}) | (0x400 + static_cast<std::uint64_t>(Between(-1, 1)));
      if (Between(0, 3) == 0) m = ~std::uint64_t{0} << Between(0, 12);
      return SoftExtended::FromBits(static_cast<std::uint16_t>(s | e), m);
    }
    if (op == Operation::SquareRoot) {
      // Exact squares and their neighbours.
      const std::uint64_t r = Next() >> 32;
      const SoftExtended square = r * r + static_cast<std::uint64_t>(Between(0, 2)) - 1;
      return SoftExtended::FromBits(static_cast<std::uint16_t>(square.SignExponent() + Between(-4, 4) * 2),
                                    square.Significand());
    }
    // Around the unit and 2^63, with exact halves.
    const int u = Between(-3, 66);
    std::uint64_t m = IntegerBit | Next();
    if (Coin() && u >= 0 && u < 63) {
      m &= ~std::uint64_t{0} << (62 - u);
      m |= std::uint64_t{1} << (62 - u);  // a whole number and a half
    }
    return SoftExtended::FromBits(static_cast<std::uint16_t>(s | (Bias + u)), m);
  }

  double Double() {
    std::uint64_t bits = Next();
    switch (Between(0, 4)) {
      case 0: bits &= 0x800FFFFFFFFFFFFF; break;                             // subnormal or zero
      case 1: bits |= 0x7FF0000000000000; break;                             // NaN or infinity
      case 2: bits = (bits & 0x8000000000000000) | (0x7FF0000000000000 + Between(0, 2)); break;
      case 3: bits &= Coin() ? 0x8000000000000000 : 0x800000000000000F; break;
      default: break;
    }
    return std::bit_cast<double>(bits);
  }

  std::int64_t Int64() { return static_cast<std::int64_t>(Coin() ? Bits() : Next()) * (Coin() ? 1 : -1); }

 private:
  std::uint64_t Small() { return Next() >> Between(2, 63); }

  std::pair<SoftExtended, SoftExtended> Near() {
    const SoftExtended a = Canonical();
    int e = (a.SignExponent() & 0x7FFF) + Between(-2, 2);
    e = e < 1 ? 1 : e > 0x7FFE ? 0x7FFE : e;
    std::uint64_t m = a.Significand() + (Bits() >> Between(0, 63)) * (Coin() ? 1 : ~std::uint64_t{0});
    m |= IntegerBit;
    if ((a.SignExponent() & 0x7FFF) == 0) return {a, SoftExtended::FromBits(Sign(), Bits() >> 1)};
    return {a, SoftExtended::FromBits(static_cast<std::uint16_t>(Sign() | e), m)};
  }

  // Results near the largest finite value, the smallest normal and the
  // smallest subnormal.
  std::pair<SoftExtended, SoftExtended> AtThreshold(Operation op) {
    static constexpr int Targets[] = {0x7FFE, 0x7FFF, 1, 0, -40, -63, -64};
    const int t = Targets[Between(0, 6)] + Between(-2, 2);
    if (op == Operation::Multiply || op == Operation::Divide) {
      const int sum = op == Operation::Multiply ? t + Bias : t - Bias;
      int lo = 1, hi = 0x7FFE;
      if (op == Operation::Multiply) {
        lo = sum - 0x7FFE > 1 ? sum - 0x7FFE : 1;
        hi = sum - 1 < 0x7FFE ? sum - 1 : 0x7FFE;
      } else {
        lo = 1 - sum > 1 ? 1 - sum : 1;
        hi = 0x7FFE - sum < 0x7FFE ? 0x7FFE - sum : 0x7FFE;
      }
      if (lo > hi) return {Canonical(), Canonical()};
      const int eb = Between(lo, hi);
      const int ea = op == Operation::Multiply ? sum - eb : sum + eb;
      return {Normal(ea), Normal(eb)};
    }
    // Sums at the top, differences that cancel at the bottom.
    const int e = t < 1 ? Between(1, 70) : (t > 0x7FFE ? 0x7FFE : t);
    const SoftExtended a = Normal(e);
    const int eb = e - Between(0, 2) > 0 ? e - Between(0, 2) : e;
    const std::uint16_t sb = Coin() ? (a.SignExponent() & 0x8000) : Sign();
    const std::uint64_t mb = Coin() ? IntegerBit | Next() : (a.Significand() ^ (Next() >> Between(1, 63))) | IntegerBit;
    const SoftExtended b = SoftExtended::FromBits(static_cast<std::uint16_t>(sb | eb), mb);
    return {a, b};
  }

  // Exact results that lie halfway between two neighbours, at 64 bits and
  // on the subnormal grid.
  std::pair<SoftExtended, SoftExtended> Halfway(Operation op) {
    const auto shortSignificand = [&] { return (IntegerBit | Next()) & (~std::uint64_t{0} << 31); };
    if (op == Operation::Multiply || op == Operation::Divide) {
      const bool subnormal = Coin();
      if (!subnormal && op == Operation::Multiply) {
        const int ea = Between(Bias - 200, Bias + 200);
        return {SoftExtended::FromBits(static_cast<std::uint16_t>(Sign() | ea), shortSignificand()),
                SoftExtended::FromBits(static_cast<std::uint16_t>(Sign() | Between(Bias - 200, Bias + 200)),
                                       shortSignificand())};
      }
      // By a power of two (or three of them), into the subnormals.
      const int ea = Between(1, 200);
      const SoftExtended a = SoftExtended::FromBits(static_cast<std::uint16_t>(Sign() | ea), IntegerBit | Bits());
      const int shift = Between(1, 70);
      const std::uint64_t m = Coin() ? IntegerBit : IntegerBit | (IntegerBit >> 1);
      const int eb = op == Operation::Multiply ? Bias - shift : Bias + shift;
      return {a, SoftExtended::FromBits(static_cast<std::uint16_t>(Sign() | eb), m)};
    }
    if (op != Operation::Compare && Coin()) {
      // A subnormal or pseudo-denormal worth half a unit of a small normal
      // number, give or take a last bit that only a sticky bit remembers.
      const int ea = Between(2, 66);
      const int half = ea - 2;  // the subnormal bit worth half a's last place
      // (At ea = 66 that bit lies above the significand: only the last bit.)
      const std::uint64_t above = half < 64 ? ~std::uint64_t{0} << half : 0;
      const std::uint64_t bit = half < 64 ? std::uint64_t{1} << half : 0;
      std::uint64_t m = (Next() & above) | bit | (Next() & 1);
      if (half < 63 && Coin()) m &= ~IntegerBit;
      const SoftExtended a = Normal(ea), b = SoftExtended::FromBits(Sign(), m);
      return Coin() ? std::pair{a, b} : std::pair{b, a};
    }
    // Operands 62 to 66 binades apart, the smaller with few bits (and
    // perhaps a last one, for the sticky bit).
    const int ea = Between(80, 0x7FFE);
    const SoftExtended a = Normal(ea);
    const std::uint64_t m = IntegerBit | ((Next() & 3) << 61) | (Next() & 1);
    const SoftExtended b = SoftExtended::FromBits(static_cast<std::uint16_t>(Sign() | (ea - Between(62, 66))), m);
    if (op == Operation::Compare) return Coin() ? std::pair{a, a} : std::pair{a, -a};
    return Coin() ? std::pair{a, b} : std::pair{b, a};
  }

  std::uint64_t state_;
  unsigned turn_ = 0;
};

// The x87 itself, each operation in one piece of assembly so that the
// compiler can neither move nor fold it: exceptions cleared, operands loaded
// as 80-bit patterns (a load that never raises anything), the instruction,
// the result stored and the status word read.
struct Raw {
  std::uint64_t significand = 0;
  std::uint16_t signExponent = 0;
  std::uint16_t padding[3] = {};
};
inline Raw RawOf(SoftExtended x) { return {x.Significand(), x.SignExponent(), {}}; }
inline SoftExtended FromRaw(const Raw& r) { return SoftExtended::FromBits(r.signExponent, r.significand); }

// The status word's invalid, zero-divide and overflow bits.
constexpr unsigned FaultMask = SoftExtended::Invalid | SoftExtended::DivisionByZero | SoftExtended::Overflow;

inline bool Supported() {
#if defined(__x86_64__)
  return true;
#else
  return false;
#endif
}

#if defined(__x86_64__)
#define HELIXOR_X87_BINARY(name, instruction)                                                 \
  inline SoftExtended name(SoftExtended a, SoftExtended b, unsigned& faults) {               \
    const Raw x = RawOf(a), y = RawOf(b);                                                     \
    Raw r;                                                                                    \
    std::uint16_t status;                                                                     \
    __asm__ volatile("fnclex\n\tfldt %[y]\n\tfldt %[x]\n\t" instruction                       \
                     "\n\tfstpt %[r]\n\tfstp %%st(0)\n\tfnstsw %[s]"                          \
                     : [r] "=m"(r), [s] "=m"(status)                                          \
                     : [x] "m"(x), [y] "m"(y));                                               \
    faults = status & FaultMask;                                                              \
    return FromRaw(r);                                                                        \
  }
// st = st op st(1), that is x op y: the forms with st as destination, which
// every assembler reads the same way.
HELIXOR_X87_BINARY(X87Add, "fadd %%st(1), %%st")
HELIXOR_X87_BINARY(X87Subtract, "fsub %%st(1), %%st")
HELIXOR_X87_BINARY(X87Multiply, "fmul %%st(1), %%st")
HELIXOR_X87_BINARY(X87Divide, "fdiv %%st(1), %%st")
#undef HELIXOR_X87_BINARY

#define HELIXOR_X87_UNARY(name, instruction)                                                         \
  inline SoftExtended name(SoftExtended a, unsigned& faults) {                                      \
    const Raw x = RawOf(a);                                                                          \
    Raw r;                                                                                           \
    std::uint16_t status;                                                                            \
    __asm__ volatile("fnclex\n\tfldt %[x]\n\t" instruction "\n\tfstpt %[r]\n\tfnstsw %[s]"          \
                     : [r] "=m"(r), [s] "=m"(status)                                                 \
                     : [x] "m"(x));                                                                  \
    faults = status & FaultMask;                                                                     \
    return FromRaw(r);                                                                               \
  }
HELIXOR_X87_UNARY(X87SquareRoot, "fsqrt")
HELIXOR_X87_UNARY(X87Negate, "fchs")
HELIXOR_X87_UNARY(X87Abs, "fabs")
HELIXOR_X87_UNARY(X87RoundToWhole, "frndint")
#undef HELIXOR_X87_UNARY

// frndint with the rounding control at toward-zero for the one instruction.
inline SoftExtended X87TruncateToWhole(SoftExtended a, unsigned& faults) {
  const Raw x = RawOf(a);
  Raw r;
  std::uint16_t status, saved, chop;
  __asm__ volatile(
      "fnstcw %[saved]\n\tmovzwl %[saved], %%eax\n\torl $0x0C00, %%eax\n\tmovw %%ax, %[chop]\n\t"
      "fnclex\n\tfldt %[x]\n\tfldcw %[chop]\n\tfrndint\n\tfldcw %[saved]\n\tfstpt %[r]\n\tfnstsw %[s]"
      : [r] "=m"(r), [s] "=m"(status), [saved] "=m"(saved), [chop] "=m"(chop)
      : [x] "m"(x)
      : "eax");
  faults = status & FaultMask;
  return FromRaw(r);
}

inline std::int64_t X87RoundedToInt64(SoftExtended a, unsigned& faults) {
  const Raw x = RawOf(a);
  std::int64_t r;
  std::uint16_t status;
  __asm__ volatile("fnclex\n\tfldt %[x]\n\tfistpll %[r]\n\tfnstsw %[s]" : [r] "=m"(r), [s] "=m"(status) : [x] "m"(x));
  faults = status & FaultMask;
  return r;
}

inline std::int64_t X87TruncatedToInt64(SoftExtended a, unsigned& faults) {
  const Raw x = RawOf(a);
  std::int64_t r;
  std::uint16_t status;
  __asm__ volatile("fnclex\n\tfldt %[x]\n\tfisttpll %[r]\n\tfnstsw %[s]" : [r] "=m"(r), [s] "=m"(status) : [x] "m"(x));
  faults = status & FaultMask;
  return r;
}

inline double X87ToDouble(SoftExtended a, unsigned& faults) {
  const Raw x = RawOf(a);
  double r;
  std::uint16_t status;
  __asm__ volatile("fnclex\n\tfldt %[x]\n\tfstpl %[r]\n\tfnstsw %[s]" : [r] "=m"(r), [s] "=m"(status) : [x] "m"(x));
  faults = status & FaultMask;
  return r;
}

inline SoftExtended X87FromDouble(double d, unsigned& faults) {
  Raw r;
  std::uint16_t status;
  __asm__ volatile("fnclex\n\tfldl %[d]\n\tfstpt %[r]\n\tfnstsw %[s]" : [r] "=m"(r), [s] "=m"(status) : [d] "m"(d));
  faults = status & FaultMask;
  return FromRaw(r);
}

inline SoftExtended X87FromInt64(std::int64_t i, unsigned& faults) {
  Raw r;
  std::uint16_t status;
  __asm__ volatile("fnclex\n\tfildll %[i]\n\tfstpt %[r]\n\tfnstsw %[s]" : [r] "=m"(r), [s] "=m"(status) : [i] "m"(i));
  faults = status & FaultMask;
  return FromRaw(r);
}

// fucomip (quiet, as for == and !=) or fcomip (as for <, <=, >, >=) of x
// against y, read from the flags: PF unordered, ZF equal, CF less.
inline SoftExtended::Ordering X87Compare(SoftExtended a, SoftExtended b, bool quiet, unsigned& faults) {
  const Raw x = RawOf(a), y = RawOf(b);
  std::uint16_t status;
  unsigned char parity, zero, carry;
  if (quiet) {
    __asm__ volatile("fnclex\n\tfldt %[y]\n\tfldt %[x]\n\tfucomip %%st(1), %%st\n\tfstp %%st(0)\n\t"
                     "setp %[p]\n\tsetz %[z]\n\tsetc %[c]\n\tfnstsw %[s]"
                     : [p] "=q"(parity), [z] "=q"(zero), [c] "=q"(carry), [s] "=m"(status)
                     : [x] "m"(x), [y] "m"(y)
                     : "cc");
  } else {
    __asm__ volatile("fnclex\n\tfldt %[y]\n\tfldt %[x]\n\tfcomip %%st(1), %%st\n\tfstp %%st(0)\n\t"
                     "setp %[p]\n\tsetz %[z]\n\tsetc %[c]\n\tfnstsw %[s]"
                     : [p] "=q"(parity), [z] "=q"(zero), [c] "=q"(carry), [s] "=m"(status)
                     : [x] "m"(x), [y] "m"(y)
                     : "cc");
  }
  faults = status & FaultMask;
  if (parity) return SoftExtended::Ordering::Unordered;
  if (zero) return SoftExtended::Ordering::Equal;
  return carry ? SoftExtended::Ordering::Less : SoftExtended::Ordering::Greater;
}
#endif

struct Report {
  std::uint64_t count = 0;
  std::uint64_t differences = 0;
  std::vector<std::string> first;  // the first few, spelt out
};

inline std::string Hex(SoftExtended x) {
  char text[32];
  std::snprintf(text, sizeof text, "%04X:%016llX", x.SignExponent(),
                static_cast<unsigned long long>(x.Significand()));
  return text;
}
inline std::string Hex(std::uint64_t bits) {
  char text[24];
  std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(bits));
  return text;
}
inline std::string Hex(double d) { return Hex(std::bit_cast<std::uint64_t>(d)); }
inline std::string Hex(std::int64_t i) { return Hex(static_cast<std::uint64_t>(i)); }
inline std::string Hex(SoftExtended::Ordering o) {
  static constexpr const char* Names[] = {"less", "equal", "greater", "unordered"};
  return Names[static_cast<int>(o)];
}

inline bool Same(SoftExtended a, SoftExtended b) {
  return a.SignExponent() == b.SignExponent() && a.Significand() == b.Significand();
}
inline bool Same(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }
inline bool Same(std::int64_t a, std::int64_t b) { return a == b; }
inline bool Same(SoftExtended::Ordering a, SoftExtended::Ordering b) { return a == b; }

// The ordering the six operators tell; any two that disagree give an
// ordering that cannot match.
inline SoftExtended::Ordering OrderingOfOperators(SoftExtended a, SoftExtended b) {
  using O = SoftExtended::Ordering;
  const bool lt = a < b, le = a <= b, gt = a > b, ge = a >= b, eq = a == b, ne = a != b;
  const O o = lt ? O::Less : eq ? O::Equal : gt ? O::Greater : O::Unordered;
  const bool consistent = le == (lt || eq) && ge == (gt || eq) && ne == !eq && lt + eq + gt <= 1;
  return consistent ? o : (o == O::Unordered ? O::Less : O::Unordered);
}

// Runs count cases of one operation from seed; a difference in any value
// (the flagged call's and the operator's) or in the faults counts once.
inline Report Compare(Operation op, std::uint64_t count, std::uint64_t seed, std::size_t keep = 5) {
  Report report;
#if defined(__x86_64__)
  Generator g(seed * 0x100 + static_cast<std::uint64_t>(op));
  // operands spells the case, only for a difference.
  const auto note = [&](const auto& operands, const auto& soft, const auto& plain, unsigned softFaults,
                        const auto& x87, unsigned x87Faults) {
    ++report.count;
    if (Same(soft, x87) && Same(plain, x87) && softFaults == x87Faults) return;
    ++report.differences;
    if (report.first.size() < keep) {
      char faults[64];
      std::snprintf(faults, sizeof faults, " faults %X x87 %X", softFaults, x87Faults);
      report.first.push_back(operands() + " -> " + Hex(soft) + " (operator " + Hex(plain) + ") x87 " + Hex(x87) +
                             faults);
    }
  };
  using SE = SoftExtended;
  for (std::uint64_t i = 0; i < count; ++i) {
    unsigned sf = 0, xf = 0;
    switch (op) {
      case Operation::Add: case Operation::Subtract: case Operation::Multiply: case Operation::Divide: {
        const auto [a, b] = g.Pair(op);
        SE soft, plain, x87;
        if (op == Operation::Add) soft = SE::Add(a, b, sf), plain = a + b, x87 = X87Add(a, b, xf);
        if (op == Operation::Subtract) soft = SE::Subtract(a, b, sf), plain = a - b, x87 = X87Subtract(a, b, xf);
        if (op == Operation::Multiply) soft = SE::Multiply(a, b, sf), plain = a * b, x87 = X87Multiply(a, b, xf);
        if (op == Operation::Divide) soft = SE::Divide(a, b, sf), plain = a / b, x87 = X87Divide(a, b, xf);
        note([&] { return Hex(a) + ", " + Hex(b); }, soft, plain, sf, x87, xf);
        break;
      }
      case Operation::Compare: {
        const auto [a, b] = g.Pair(op);
        for (const bool quiet : {true, false}) {
          const SE::Ordering x87 = X87Compare(a, b, quiet, xf);
          sf = 0;
          const SE::Ordering soft = SE::Compare(a, b, quiet, sf);
          note([&] { return Hex(a) + (quiet ? " ==? " : " <? ") + Hex(b); }, soft, OrderingOfOperators(a, b), sf, x87, xf);
        }
        break;
      }
      case Operation::Negate: {
        const SE a = g.Single(op);
        const SE negated = X87Negate(a, xf);
        note([&] { return "-" + Hex(a); }, -a, -a, 0, negated, xf);
        const SE absolute = X87Abs(a, xf);
        note([&] { return "abs " + Hex(a); }, Abs(a), Abs(a), 0, absolute, xf);
        break;
      }
      case Operation::SquareRoot: {
        const SE a = g.Single(op);
        const SE soft = SE::SquareRoot(a, sf);
        const auto x87 = X87SquareRoot(a, xf);
        note([&] { return "sqrt " + Hex(a); }, soft, Sqrt(a), sf, x87, xf);
        break;
      }
      case Operation::RoundToWhole: {
        const SE a = g.Single(op);
        const SE soft = SE::RoundToWhole(a, sf);
        const auto x87 = X87RoundToWhole(a, xf);
        note([&] { return "rint " + Hex(a); }, soft, RoundToWhole(a), sf, x87, xf);
        break;
      }
      case Operation::TruncateToWhole: {
        const SE a = g.Single(op);
        const SE soft = SE::TruncateToWhole(a, sf);
        const auto x87 = X87TruncateToWhole(a, xf);
        note([&] { return "trunc " + Hex(a); }, soft, TruncateToWhole(a), sf, x87, xf);
        break;
      }
      case Operation::RoundedToInt64: {
        const SE a = g.Single(op);
        const std::int64_t soft = SE::RoundedToInt64(a, sf);
        const auto x87 = X87RoundedToInt64(a, xf);
        note([&] { return "fistp " + Hex(a); }, soft, RoundedToInt64(a), sf, x87, xf);
        break;
      }
      case Operation::TruncatedToInt64: {
        const SE a = g.Single(op);
        const std::int64_t soft = SE::TruncatedToInt64(a, sf);
        const auto x87 = X87TruncatedToInt64(a, xf);
        note([&] { return "fisttp " + Hex(a); }, soft, static_cast<std::int64_t>(a), sf, x87, xf);
        break;
      }
      case Operation::ToDouble: {
        const SE a = g.Single(op);
        const double soft = SE::ToDouble(a, sf);
        const auto x87 = X87ToDouble(a, xf);
        note([&] { return "double " + Hex(a); }, soft, static_cast<double>(a), sf, x87, xf);
        break;
      }
      case Operation::FromDouble: {
        const double d = g.Double();
        const SE soft = SE::FromDouble(d, sf);
        const auto x87 = X87FromDouble(d, xf);
        note([&] { return "fld " + Hex(d); }, soft, SE(d), sf, x87, xf);
        break;
      }
      case Operation::FromInt64: {
        const std::int64_t v = g.Int64();
        const auto x87 = X87FromInt64(v, xf);
        note([&] { return "fild " + Hex(v); }, SE(v), SE(v), 0, x87, xf);
        break;
      }
    }
  }
#else
  (void)op, (void)count, (void)seed, (void)keep;
#endif
  return report;
}

}  // namespace ExtendedCases
