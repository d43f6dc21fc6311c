#include "evaluator/Parser.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "evaluator/Faults.h"
#include "evaluator/Numeral.h"

namespace {

// ---------------------------------------------------------------------------
// Tables

constexpr int StateCount = 81;  // states 0..80
constexpr int KindCount = 13;

enum ActionType : std::uint8_t { ActBadState, ActShift, ActReduce, ActAccept, ActMarkAccept, ActError };

constexpr std::uint16_t Make(ActionType type, int arg) {
  return static_cast<std::uint16_t>(type << 8 | arg);
}

using ActionTable = std::array<std::array<std::uint16_t, KindCount>, StateCount>;

constexpr ActionTable BuildActions() {
  using P = TMathParser;
  ActionTable t{};
  for (auto& row : t)
    for (auto& a : row) a = Make(ActBadState, 0);
  auto fill = [&t](int state, std::uint16_t action) {
    for (auto& a : t[state]) a = action;
  };
  // An operand is expected.
  for (int s : {0, 9, 12, 13, 14, 15, 16, 20, 40}) {
    fill(s, Make(ActError, 3));
    t[s][P::NumberToken] = Make(ActShift, 10);
    t[s][P::FunctionToken] = Make(ActShift, 11);
    t[s][P::MinusSign] = Make(ActShift, 5);
    t[s][P::LeftParen] = Make(ActShift, 9);
    t[s][P::ErrorMark] = Make(ActMarkAccept, 0);
  }
  // A whole Expr at the outer level.
  fill(1, Make(ActError, 4));
  t[1][P::EndOfText] = Make(ActAccept, 0);
  t[1][P::PlusSign] = Make(ActShift, 12);
  t[1][P::MinusSign] = Make(ActShift, 13);
  // Term; Expr "+" Term; Expr "-" Term.
  for (auto [s, r] : {std::pair{2, 3}, std::pair{21, 1}, std::pair{22, 2}}) {
    fill(s, Make(ActReduce, r));
    t[s][P::Asterisk] = Make(ActShift, 14);
    t[s][P::Slash] = Make(ActShift, 15);
  }
  // Factor that begins a Term.
  fill(3, Make(ActReduce, 6));
  t[3][P::ModKeyword] = Make(ActShift, 40);
  // Signed.
  fill(4, Make(ActReduce, 8));
  t[4][P::Caret] = Make(ActShift, 16);
  // After a unary minus.
  fill(5, Make(ActError, 3));
  t[5][P::NumberToken] = Make(ActShift, 10);
  t[5][P::FunctionToken] = Make(ActShift, 11);
  t[5][P::LeftParen] = Make(ActShift, 9);
  // Function name.
  fill(11, Make(ActError, 5));
  t[11][P::LeftParen] = Make(ActShift, 20);
  // "(" Expr and function "(" Expr.
  for (auto [s, close] : {std::pair{19, 27}, std::pair{28, 29}}) {
    fill(s, Make(ActError, 6));
    t[s][P::PlusSign] = Make(ActShift, 12);
    t[s][P::MinusSign] = Make(ActShift, 13);
    t[s][P::RightParen] = Make(ActShift, close);
  }
  // States that reduce whatever the look-ahead is.
  for (auto [s, r] : {std::pair{6, 10}, std::pair{8, 12}, std::pair{10, 15}, std::pair{17, 9},
                      std::pair{23, 4}, std::pair{24, 5}, std::pair{25, 7}, std::pair{27, 14},
                      std::pair{29, 16}, std::pair{80, 100}})
    fill(s, Make(ActReduce, r));
  return t;
}

constexpr ActionTable Actions = BuildActions();

// Left symbols of the grammar, for TargetState.
enum Symbol : std::uint8_t { SymNone, SymExpr, SymTerm, SymFactor, SymSigned, SymOperand, SymPrimary };

constexpr std::array<std::uint8_t, 101> BuildLeftSymbols() {
  std::array<std::uint8_t, 101> l{};
  for (int r : {1, 2, 3}) l[r] = SymExpr;
  for (int r : {4, 5, 6}) l[r] = SymTerm;
  for (int r : {7, 8, 100}) l[r] = SymFactor;
  for (int r : {9, 10}) l[r] = SymSigned;
  l[12] = SymOperand;
  for (int r : {14, 15, 16}) l[r] = SymPrimary;
  return l;
}

constexpr std::array<std::uint8_t, 101> LeftSymbol = BuildLeftSymbols();

constexpr std::uint8_t NoState = 0xFF;
using GotoTable = std::array<std::array<std::uint8_t, StateCount>, 7>;

constexpr GotoTable BuildGoto() {
  GotoTable g{};
  for (auto& row : g)
    for (auto& s : row) s = NoState;
  g[SymExpr][0] = 1;
  g[SymExpr][9] = 19;
  g[SymExpr][20] = 28;
  for (int s : {0, 9, 20}) g[SymTerm][s] = 2;
  g[SymTerm][12] = 21;
  g[SymTerm][13] = 22;
  for (int s : {0, 9, 12, 13, 20}) g[SymFactor][s] = 3;
  g[SymFactor][14] = 23;
  g[SymFactor][15] = 24;
  g[SymFactor][16] = 25;
  g[SymFactor][40] = 80;
  for (int s : {0, 9, 12, 13, 14, 15, 16, 20, 40}) {
    g[SymSigned][s] = 4;
    g[SymOperand][s] = 6;
  }
  g[SymOperand][5] = 17;
  for (int s : {0, 5, 9, 12, 13, 14, 15, 16, 20, 40}) g[SymPrimary][s] = 8;
  return g;
}

constexpr GotoTable Goto = BuildGoto();

// Entries each rule pops; 0 for the numbers that are no rule (11 and 13
// are reserved).
constexpr std::array<std::uint8_t, 101> BuildPopCounts() {
  std::array<std::uint8_t, 101> c{};
  for (int r : {3, 6, 8, 10, 12, 15}) c[r] = 1;
  c[9] = 2;
  for (int r : {1, 2, 4, 5, 7, 14, 100}) c[r] = 3;
  c[16] = 4;
  return c;
}

constexpr std::array<std::uint8_t, 101> PopCount = BuildPopCounts();

// ---------------------------------------------------------------------------
// Arithmetic. Operands are always finite, so an infinite result means the
// result is beyond the 80-bit range.

[[noreturn, gnu::noinline, gnu::cold]] void RaiseOverflow() { throw OverflowFault(); }
[[noreturn, gnu::noinline, gnu::cold]] void RaiseInvalidOperation() { throw InvalidOperationFault(); }
[[noreturn, gnu::noinline, gnu::cold]] void RaiseBadTokenState() { throw InternalFault("Bad token state"); }
[[noreturn, gnu::noinline, gnu::cold]] void RaiseInvalidReduction() { throw InternalFault("Invalid reduction"); }

inline Extended Checked(Extended result) {
  if (__builtin_expect(!std::isfinite(result), 0)) {
    if (std::isnan(result)) RaiseInvalidOperation();
    RaiseOverflow();
  }
  return result;
}

// Rounds a MOD operand to the nearest integer, ties to even, as a signed
// 64-bit integer; beyond that range the conversion is an invalid operation.
inline std::int64_t RoundToInt64(Extended x) {
  const Extended r = std::nearbyint(x);
  if (!(r >= -0x1p63L && r < 0x1p63L)) RaiseInvalidOperation();
  return static_cast<std::int64_t>(r);
}

constexpr Extended PowerLimit = 11356;  // |ln(b) * x| and the EXP argument
constexpr Extended TrigLimit = 9e18L;   // COS, SIN
constexpr Extended WholeLimit = 1e9L;   // ROUND, TRUNC
constexpr Extended SqrLimit = 1e2466L;  // the 80-bit value nearest to 10^2466

inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

// The function names, tested in this order.
constexpr const char* FunctionNames[] = {"ABS", "ATAN", "COS", "EXP", "LN",
                                         "ROUND", "SIN", "SQRT", "SQR", "TRUNC"};

// Re-entrant Parse calls from a handler would tear the stack apart.
struct ParsingGuard {
  bool& flag;
  explicit ParsingGuard(bool& f) : flag(f) {
    if (flag) throw std::logic_error("TMathParser::Parse called from its own event handler");
    flag = true;
  }
  ~ParsingGuard() { flag = false; }
};

}  // namespace

// ---------------------------------------------------------------------------
// Scanner

void TMathParser::BeginScan() {
  Position_ = 1;
  TokenLength = 0;
  ErrorCode_ = 0;
  MathError_ = false;
}

TMathParser::TTokenKind TMathParser::ScanToken() {
  const char* s = ParseString.data();
  const std::size_t n = ParseString.size();
  std::size_t p = Position_ - 1;
  while (p < n && s[p] == ' ') ++p;
  Position_ = p + 1;
  if (p >= n) {
    TokenLength = 0;
    return EndOfText;
  }
  const char c = s[p];
  TTokenKind kind;
  switch (c) {
    case '+': kind = PlusSign; break;
    case '-': kind = MinusSign; break;
    case '*': kind = Asterisk; break;
    case '/': kind = Slash; break;
    case '^': kind = Caret; break;
    case '(': kind = LeftParen; break;
    case ')': kind = RightParen; break;
    case '!':
      TokenLength = 0;
      return ErrorMark;
    default:
      if (IsDigit(c) || c == '.') return ScanNumeral(p);
      if (IsLetter(c)) return ScanName(p);
      TokenLength = 0;
      return BadToken;
  }
  Position_ = p + 2;
  TokenLength = 1;
  return kind;
}

TMathParser::TTokenKind TMathParser::ScanNumeral(std::size_t start) {
  const char* s = ParseString.data();
  const std::size_t n = ParseString.size();
  const TNumeral numeral = ReadNumeral(s + start, n - start);
  if (numeral.Length == 0) {  // a lone point
    TokenLength = 0;
    return BadToken;
  }
  Position_ = start + 1 + numeral.Length;
  if (!numeral.Converts) {
    MathError_ = true;
    ErrorCode_ = 7;
    TokenLength = numeral.Length;
    return BadToken;
  }
  CurrentToken.Value = numeral.Value;
  TokenLength = numeral.Length;
  return NumberToken;
}

TMathParser::TTokenKind TMathParser::ScanName(std::size_t start) {
  const char* s = ParseString.data();
  const std::size_t n = ParseString.size();
  std::size_t end = start + 1;
  while (end < n && IsNameChar(s[end])) ++end;
  const std::size_t length = end - start;
  Position_ = end + 1;
  TokenLength = length;
  if (length >= 2 && length <= 5) {
    char upper[6] = {};
    for (std::size_t i = 0; i < length; ++i) upper[i] = Upper(s[start + i]);
    for (const char* name : FunctionNames) {
      if (std::strcmp(upper, name) == 0) {
        std::memcpy(CurrentToken.FuncName, upper, sizeof upper);
        return FunctionToken;
      }
    }
    if (std::strcmp(upper, "MOD") == 0) return ModKeyword;
  }
  // A variable: its value comes from the handler.
  bool found = false;
  if (OnGetVar) OnGetVar(*this, std::string_view(s + start, length), CurrentToken.Value, found);
  if (found) return NumberToken;
  TokenLength = 0;
  return BadToken;
}

// ---------------------------------------------------------------------------
// Stack

void TMathParser::PushToken() {
  if (StackTop >= StackSize) {
    ErrorCode_ = 1;
    return;
  }
  Stack[StackTop++] = CurrentToken;
}

void TMathParser::PopToken() {
  if (StackTop == 0) RaiseInvalidReduction();
  CurrentToken = Stack[--StackTop];
}

void TMathParser::ShiftTo(std::uint8_t state) {
  CurrentToken.State = state;
  PushToken();
  CurrentKind = ScanToken();
}

std::uint8_t TMathParser::TargetState(int rule) const {
  const std::uint8_t from = Stack[StackTop - 1].State;
  const std::uint8_t to = from < StateCount ? Goto[LeftSymbol[rule]][from] : NoState;
  if (to == NoState) RaiseBadTokenState();
  return to;
}

// The reductions work on the stack in place: the rule's value replaces the
// entry of its first symbol, which then takes the target state. After a math
// error that entry keeps the value that stood there before: the left
// operand, or the argument of a function.
void TMathParser::Reduce(int rule) {
  const int pops = (rule >= 0 && rule < static_cast<int>(PopCount.size())) ? PopCount[rule] : 0;
  if (pops == 0 || StackTop <= pops) RaiseInvalidReduction();
  TokenRecord& first = Stack[StackTop - pops];
  const Extended last = Stack[StackTop - 1].Value;
  switch (rule) {
    case 3: case 6: case 8: case 10: case 12: case 15:
      break;
    case 1:
      first.Value = Checked(first.Value + last);
      break;
    case 2:
      first.Value = Checked(first.Value - last);
      break;
    case 4:
      first.Value = Checked(first.Value * last);
      break;
    case 5:
      if (last == 0)
        MathError_ = true;
      else
        first.Value = Checked(first.Value / last);
      break;
    case 7: {
      const Extended base = first.Value;
      if (!(base > 0)) {
        MathError_ = true;
        break;
      }
      const Extended exponent = Checked(std::log(base) * last);
      if (exponent < -PowerLimit || exponent > PowerLimit)
        MathError_ = true;
      else
        first.Value = std::exp(exponent);
      break;
    }
    case 100: {
      const std::int64_t a = RoundToInt64(first.Value);
      const std::int64_t m = RoundToInt64(last);
      if (m == 0)
        MathError_ = true;
      else
        first.Value = static_cast<Extended>(m == -1 ? 0 : a % m);  // INT64_MIN % -1 is 0
      break;
    }
    case 9:
      first.Value = -last;
      break;
    case 14:
      first.Value = Stack[StackTop - 2].Value;
      break;
    case 16: {
      char name[6];
      std::memcpy(name, first.FuncName, sizeof name);
      first.Value = Stack[StackTop - 2].Value;
      ApplyFunction(name, first.Value);
      break;
    }
  }
  StackTop = static_cast<std::uint8_t>(StackTop - pops);
  first.State = TargetState(rule);
  ++StackTop;
}

void TMathParser::ApplyFunction(const char* f, Extended& x) {
  bool ok = true;
  switch (f[0]) {
    case 'A':
      x = (f[1] == 'B') ? std::fabs(x) : std::atan(x);
      break;
    case 'C':
      if ((ok = (x >= -TrigLimit && x <= TrigLimit))) x = std::cos(x);
      break;
    case 'E':
      if ((ok = (x >= -PowerLimit && x <= PowerLimit))) x = std::exp(x);
      break;
    case 'L':
      if ((ok = (x > 0))) x = std::log(x);
      break;
    case 'R':
      if ((ok = (x >= -WholeLimit && x <= WholeLimit))) x = std::nearbyint(x);
      break;
    case 'S':
      if (f[1] == 'I') {
        if ((ok = (x >= -TrigLimit && x <= TrigLimit))) x = std::sin(x);
      } else if (f[3] == 'T') {
        if ((ok = (x >= 0))) x = std::sqrt(x);
      } else {
        if ((ok = (x >= -SqrLimit && x <= SqrLimit))) x = x * x;
      }
      break;
    case 'T':
      if ((ok = (x >= -WholeLimit && x <= WholeLimit))) x = std::trunc(x);
      break;
    default:
      RaiseInvalidReduction();
  }
  if (!ok) MathError_ = true;
}

// ---------------------------------------------------------------------------
// The automaton

void TMathParser::Act() {
  const std::uint8_t state = Stack[StackTop - 1].State;
  if (state >= StateCount) RaiseBadTokenState();
  const std::uint16_t action = Actions[state][CurrentKind];
  const int arg = action & 0xFF;
  switch (static_cast<ActionType>(action >> 8)) {
    case ActShift:
      ShiftTo(static_cast<std::uint8_t>(arg));
      break;
    case ActReduce:
      Reduce(arg);
      break;
    case ActAccept:
      Accepted = true;
      break;
    case ActMarkAccept:
      MathError_ = true;
      Accepted = true;
      break;
    case ActError:
      ErrorCode_ = static_cast<std::uint8_t>(arg);
      Position_ -= TokenLength;
      break;
    case ActBadState:
      RaiseBadTokenState();
  }
}

void TMathParser::Parse() {
  ParsingGuard guard(Parsing);
  Position_ = 1;
  StackTop = 0;
  ErrorCode_ = 0;
  MathError_ = false;
  Accepted = false;
  // Until the parse ends normally its outcome is a failure, so that a fault
  // never leaves a stale value behind.
  ParseFailed_ = true;
  ParseValue_ = 0;

  CurrentToken.State = 0;
  CurrentToken.Value = 0;
  PushToken();
  CurrentKind = ScanToken();
  while (!Accepted && ErrorCode_ == 0) Act();

  if (ErrorCode_ != 0 && OnParseError) OnParseError(*this, ErrorCode_);
  if (MathError_ || ErrorCode_ != 0) {
    ParseFailed_ = true;
    ParseValue_ = 0;
  } else {
    ParseFailed_ = false;
    ParseValue_ = Stack[StackTop - 1].Value;
  }
}
