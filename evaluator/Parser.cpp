#include "evaluator/Parser.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "evaluator/Faults.h"
#include "evaluator/Numeral.h"
#include "evaluator/Rounding.h"
#include "evaluator/Trig.h"

namespace {

// ---------------------------------------------------------------------------
// Tables

constexpr int StateCount = 81;  // states 0..80
// The scanner's kinds, and one more of its own: a numeral that does not
// convert, which stops the parse before any action.
constexpr int NumeralError = 13;
constexpr int KindCount = 14;
// Every 8-bit state has a row, so that a state is never out of range; the
// rows beyond the table's states are empty.
constexpr int RowCount = 256;

// ActUnit marks a reduction by a one-symbol rule that passes the value on
// unchanged (3, 6, 8, 10, 12, 15): only the top entry's state changes.
enum ActionType : std::uint8_t {
  ActBadState, ActShift, ActReduce, ActUnit, ActAccept, ActMarkAccept, ActError, ActStop
};

constexpr bool IsUnitRule(int rule) {
  return rule == 3 || rule == 6 || rule == 8 || rule == 10 || rule == 12 || rule == 15;
}

constexpr std::uint16_t Make(ActionType type, int arg) {
  return static_cast<std::uint16_t>(type << 8 | arg);
}

using ActionTable = std::array<std::array<std::uint16_t, KindCount>, RowCount>;

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
  for (auto& row : t) {
    for (auto& a : row)
      if ((a >> 8) == ActReduce && IsUnitRule(a & 0xFF)) a = Make(ActUnit, a & 0xFF);
    row[NumeralError] = Make(ActStop, 0);
  }
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
using GotoTable = std::array<std::array<std::uint8_t, RowCount>, 7>;

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

// What a reduction needs of its rule, in one place: the entries it pops
// and the row of its left symbol in Goto.
struct RuleInfo {
  std::uint8_t Pops;
  std::uint8_t Left;
};

constexpr std::array<RuleInfo, 101> BuildRules() {
  std::array<RuleInfo, 101> r{};
  for (int i = 0; i <= 100; ++i) r[i] = {PopCount[i], LeftSymbol[i]};
  return r;
}

constexpr std::array<RuleInfo, 101> Rules = BuildRules();

// A run of one-symbol reductions changes only the top entry's state, and
// where it ends depends only on the state below it, the top state and the
// look-ahead. Closure holds that end for every state that reduces so,
// which turns the whole run into one look-up.
constexpr int UnitStates[] = {2, 3, 4, 6, 8, 10};
constexpr int UnitStateCount = 6;

constexpr std::array<std::uint8_t, RowCount> BuildUnitIndex() {
  std::array<std::uint8_t, RowCount> u{};
  for (auto& i : u) i = NoState;
  for (int i = 0; i < UnitStateCount; ++i) u[UnitStates[i]] = static_cast<std::uint8_t>(i);
  return u;
}

constexpr std::array<std::uint8_t, RowCount> UnitIndex = BuildUnitIndex();

// An entry: the state where the run ends in the low byte, above it the
// action of that state for the look-ahead.
using ClosureTable =
    std::array<std::array<std::array<std::uint32_t, KindCount>, UnitStateCount>, StateCount>;

constexpr ClosureTable BuildClosure() {
  ClosureTable c{};
  for (int below = 0; below < StateCount; ++below)
    for (int u = 0; u < UnitStateCount; ++u)
      for (int k = 0; k < KindCount; ++k) {
        int s = UnitStates[u];
        for (int step = 0; step < 8 && s != NoState; ++step) {
          const std::uint16_t a = Actions[s][k];
          if ((a >> 8) != ActUnit) break;
          s = Goto[LeftSymbol[a & 0xFF]][below];
        }
        const std::uint16_t action = (s == NoState) ? Make(ActBadState, 0) : Actions[s][k];
        c[below][u][k] = static_cast<std::uint32_t>(s) | static_cast<std::uint32_t>(action) << 8;
      }
  return c;
}

constexpr ClosureTable Closure = BuildClosure();

// What Run dispatches on: an action as one 32-bit step. The low byte is the
// operation, with a reduction by a rule that computes something turned into
// an operation of its own, so that one jump reaches that rule's code; the
// next byte is the argument (shift target or error code); the third byte is
// the state the top entry takes first, where a step follows a shift of a
// number or a reduction (the end of the one-symbol reductions that follow).
enum Op : std::uint8_t {
  OpBadState, OpShift, OpUnit, OpAccept, OpMarkAccept, OpError, OpStop,
  OpRule1, OpRule2, OpRule4, OpRule5, OpRule7, OpRule9, OpRule14, OpRule16, OpRule100,
  OpCount
};

constexpr std::uint32_t Step(std::uint16_t action, int state) {
  const int type = action >> 8, arg = action & 0xFF;
  int op = OpBadState;
  switch (type) {
    case ActShift: op = OpShift; break;
    case ActUnit: op = OpUnit; break;
    case ActAccept: op = OpAccept; break;
    case ActMarkAccept: op = OpMarkAccept; break;
    case ActError: op = OpError; break;
    case ActStop: op = OpStop; break;
    case ActReduce:
      switch (arg) {
        case 1: op = OpRule1; break;
        case 2: op = OpRule2; break;
        case 4: op = OpRule4; break;
        case 5: op = OpRule5; break;
        case 7: op = OpRule7; break;
        case 9: op = OpRule9; break;
        case 14: op = OpRule14; break;
        case 16: op = OpRule16; break;
        case 100: op = OpRule100; break;
        default: op = OpBadState; break;
      }
      break;
    default: break;
  }
  return static_cast<std::uint32_t>(op) | static_cast<std::uint32_t>(arg) << 8 |
         static_cast<std::uint32_t>(state & 0xFF) << 16;
}

// Look-ahead kinds padded to 16 columns, for cheap indexing.
constexpr int Columns = 16;

using StepTable = std::array<std::array<std::uint32_t, Columns>, RowCount>;

constexpr StepTable BuildSteps() {
  StepTable t{};
  for (int s = 0; s < RowCount; ++s)
    for (int k = 0; k < Columns; ++k) t[s][k] = k < KindCount ? Step(Actions[s][k], s) : Step(Make(ActBadState, 0), s);
  return t;
}

constexpr StepTable Steps = BuildSteps();

// The step after the one-symbol reductions that start from state unit with
// the entry below in state below.
constexpr std::uint32_t ClosureStep(int below, int unit, int kind) {
  const std::uint32_t c = Closure[below][UnitIndex[unit]][kind];
  const int s = static_cast<int>(c & 0xFF);
  return Step(static_cast<std::uint16_t>(c >> 8), s == NoState ? 0 : s);
}

// After a number is shifted onto an entry in state below (state 10 reduces
// at once, whatever follows).
using AfterNumberTable = std::array<std::array<std::uint32_t, Columns>, StateCount>;

constexpr AfterNumberTable BuildAfterNumber() {
  AfterNumberTable t{};
  for (int below = 0; below < StateCount; ++below)
    for (int k = 0; k < Columns; ++k)
      t[below][k] = k < KindCount ? ClosureStep(below, 10, k) : Step(Make(ActBadState, 0), 0);
  return t;
}

constexpr AfterNumberTable AfterNumber = BuildAfterNumber();

// After a reduction to a left symbol, with the entry below in state below:
// the target state, and the one-symbol reductions that follow it.
using AfterReduceTable = std::array<std::array<std::array<std::uint32_t, Columns>, StateCount>, 7>;

constexpr AfterReduceTable BuildAfterReduce() {
  AfterReduceTable t{};
  for (int sym = 0; sym < 7; ++sym)
    for (int below = 0; below < StateCount; ++below)
      for (int k = 0; k < Columns; ++k) {
        const int to = Goto[sym][below];
        std::uint32_t step = Step(Make(ActBadState, 0), 0);
        if (k < KindCount && to != NoState)
          step = UnitIndex[to] != NoState ? ClosureStep(below, to, k) : Step(Actions[to][k], to);
        t[sym][below][k] = step;
      }
  return t;
}

constexpr AfterReduceTable AfterReduce = BuildAfterReduce();

// ---------------------------------------------------------------------------
// Arithmetic. Operands are always finite, so an infinite result means the
// result is beyond the 80-bit range.

[[noreturn, gnu::noinline, gnu::cold]] void RaiseOverflow() { throw OverflowFault(); }
[[noreturn, gnu::noinline, gnu::cold]] void RaiseInvalidOperation() { throw InvalidOperationFault(); }
[[noreturn, gnu::noinline, gnu::cold]] void RaiseBadTokenState() { throw InternalFault("Bad token state"); }
[[noreturn, gnu::noinline, gnu::cold]] void RaiseInvalidReduction() { throw InternalFault("Invalid reduction"); }
[[noreturn, gnu::noinline, gnu::cold]] void RaiseTextChanged() {
  throw std::logic_error("TMathParser::ParseString changed by its own event handler");
}

inline Extended Checked(Extended result) {
  // Against infinity, a constant the processor loads cheaply (unlike the
  // largest finite value, which takes an 80-bit load); NaN fails too.
  if (__builtin_expect(!(std::fabs(result) < std::numeric_limits<Extended>::infinity()), 0)) {
    if (std::isnan(result)) RaiseInvalidOperation();
    RaiseOverflow();
  }
  return result;
}

constexpr Extended PowerLimit = 11356;  // |ln(b) * x| and the EXP argument
constexpr Extended TrigLimit = 9e18L;   // COS, SIN
constexpr Extended WholeLimit = 1e9L;   // ROUND, TRUNC
constexpr Extended SqrLimit = 1e2466L;  // the 80-bit value nearest to 10^2466

// What a character begins: the kind of a one-character token, or one of
// these classes.
constexpr std::uint8_t BeginsNumeral = 0x20, BeginsName = 0x21, BeginsBlank = 0x22;

constexpr std::array<std::uint8_t, 256> BuildBegins() {
  std::array<std::uint8_t, 256> b{};
  for (auto& k : b) k = TMathParser::BadToken;
  b['+'] = TMathParser::PlusSign;
  b['-'] = TMathParser::MinusSign;
  b['*'] = TMathParser::Asterisk;
  b['/'] = TMathParser::Slash;
  b['^'] = TMathParser::Caret;
  b['('] = TMathParser::LeftParen;
  b[')'] = TMathParser::RightParen;
  b['!'] = TMathParser::ErrorMark;
  b[' '] = BeginsBlank;
  b['.'] = BeginsNumeral;
  for (int c = '0'; c <= '9'; ++c) b[c] = BeginsNumeral;
  for (int c = 'A'; c <= 'Z'; ++c) b[c] = b[c + 'a' - 'A'] = BeginsName;
  return b;
}

constexpr std::array<std::uint8_t, 256> Begins = BuildBegins();

constexpr std::array<bool, 256> BuildNameChars() {
  std::array<bool, 256> n{};
  for (int c = '0'; c <= '9'; ++c) n[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) n[c] = n[c + 'a' - 'A'] = true;
  n['_'] = true;
  return n;
}

constexpr std::array<bool, 256> NameChars = BuildNameChars();

inline std::uint8_t Byte(char c) { return static_cast<unsigned char>(c); }

// The function names and MOD as up to five
// upper-case letters packed into an integer (first letter lowest).
constexpr std::uint64_t Key(const char* name) {
  std::uint64_t k = 0;
  for (int i = 0; name[i]; ++i) k |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
  return k;
}

constexpr std::uint64_t FunctionKeys[] = {Key("ABS"), Key("ATAN"), Key("COS"),  Key("EXP"), Key("LN"),
                                          Key("ROUND"), Key("SIN"), Key("SQRT"), Key("SQR"), Key("TRUNC")};
constexpr std::uint64_t ModKey = Key("MOD");

// Re-entrant Parse calls from a handler would tear the stack apart.
// Around a whole parse: refuses a parse from inside a parse, and leaves
// ParseFailed true (and so ParseValue 0) when the parse ends in a fault.
// Around the automaton alone it does nothing.
template <bool WholeParse>
struct ParsingGuard {
  ParsingGuard(bool&, bool&) {}
  void Finish() {}
};

template <>
struct ParsingGuard<true> {
  bool& flag;
  bool& failed;
  bool finished = false;
  ParsingGuard(bool& f, bool& parseFailed) : flag(f), failed(parseFailed) {
    if (flag) throw std::logic_error("TMathParser::Parse called from its own event handler");
    flag = true;
  }
  void Finish() { finished = true; }
  ~ParsingGuard() {
    flag = false;
    if (!finished) failed = true;
  }
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
  std::size_t pos = Position_ - 1;
  TextLength = ParseString.size();
  const TTokenKind kind = Scan(ParseString.data(), pos, TokenLength, CurrentToken);
  Position_ = pos + 1;
  return kind == NumeralError ? BadToken : kind;
}

// The text comes as a pointer and a length held by the caller: read through
// ParseString, both would be reloaded after every store of a byte, which may
// alias the string.
[[gnu::always_inline]] inline TMathParser::TTokenKind TMathParser::Scan(const char* s, std::size_t& pos,
                                                                         std::size_t& length, TokenRecord& dest) {
  // The text ends in a NUL (s[n]), which stops every run of blanks, digits
  // or name characters; only an unreadable character needs the length to
  // tell the end from a NUL inside the text.
  std::size_t p = pos;
  std::uint8_t begins = Begins[Byte(s[p])];
  if (begins == BeginsBlank) [[unlikely]] {
    do ++p;
    while (s[p] == ' ');
    begins = Begins[Byte(s[p])];
  }
  if (begins <= RightParen) {
    pos = p + 1;
    length = 1;
    return static_cast<TTokenKind>(begins);
  }
  if (begins == BeginsNumeral) return ScanNumeral(s, p, pos, length, dest);
  if (begins == BeginsName) return ScanName(s, p, pos, length, dest);
  pos = p;
  length = 0;
  if (p >= TextLength) return EndOfText;
  // "!" or an unreadable character: not stepped over.
  return static_cast<TTokenKind>(begins);
}

[[gnu::always_inline]] inline TMathParser::TTokenKind TMathParser::ScanNumeral(const char* s, std::size_t start, std::size_t& pos,
                                                                                std::size_t& length,
                                                                                TokenRecord& dest) {
  // Most numerals are short whole numbers: up to 18 digits convert exactly
  // as they are.
  std::size_t p = start;
  std::int64_t whole = 0;
  while (p - start < 18 && static_cast<unsigned>(s[p] - '0') < 10) {
    whole = whole * 10 + (s[p] - '0');
    ++p;
  }
  if (p > start && Begins[Byte(s[p])] != BeginsNumeral && (Byte(s[p]) | 0x20) != 'e') {
    dest.Value = static_cast<Extended>(whole);
    pos = p;
    length = p - start;
    return NumberToken;
  }
  const TNumeral numeral = ReadNumeral(s + start, TextLength - start);
  if (numeral.Length == 0) {  // a lone point
    pos = start;
    length = 0;
    return BadToken;
  }
  pos = start + numeral.Length;
  length = numeral.Length;
  if (!numeral.Converts) {
    MathError_ = true;
    ErrorCode_ = 7;
    return static_cast<TTokenKind>(NumeralError);
  }
  dest.Value = numeral.Value;
  return NumberToken;
}

[[gnu::always_inline]] inline TMathParser::TTokenKind TMathParser::ScanName(const char* s, std::size_t start, std::size_t& pos,
                                                                             std::size_t& length,
                                                                             TokenRecord& dest) {
  std::size_t end = start + 1;
  while (NameChars[Byte(s[end])]) ++end;
  const std::size_t nameLength = end - start;
  pos = end;
  length = nameLength;
  if (nameLength >= 2 && nameLength <= 5) {
    // Upper-case by clearing bit 5: exact for letters, and digits or "_"
    // never turn into letters, so no other name can match a key.
    std::uint64_t key = 0;
    if (start + 8 <= TextLength + 1) {
      // Eight bytes at once, where the text and its NUL hold them.
      std::memcpy(&key, s + start, sizeof key);
      key &= 0xDFDFDFDFDFDFDFDFull & ((std::uint64_t{1} << (8 * nameLength)) - 1);
    } else {
      for (std::size_t i = 0; i < nameLength; ++i)
        key |= static_cast<std::uint64_t>(Byte(s[start + i]) & 0xDF) << (8 * i);
    }
    bool function = false;
    switch (nameLength) {
      case 2: function = key == FunctionKeys[4]; break;
      case 3:
        function = key == FunctionKeys[0] || key == FunctionKeys[2] || key == FunctionKeys[3] ||
                   key == FunctionKeys[6] || key == FunctionKeys[8];
        break;
      case 4: function = key == FunctionKeys[1] || key == FunctionKeys[7]; break;
      default: function = key == FunctionKeys[5] || key == FunctionKeys[9]; break;
    }
    if (function) {
      std::memcpy(dest.FuncName, &key, sizeof dest.FuncName);  // 0-terminated
      return FunctionToken;
    }
    if (key == ModKey) return ModKeyword;
  }
  // A variable: its value comes from the handler, which the name has been
  // stepped over for.
  bool found = false;
  if (OnGetVar) {
    Position_ = end + 1;
    OnGetVar(*this, std::string_view(s + start, nameLength), dest.Value, found);
    // The scan goes on in the text it began with.
    if (ParseString.data() != s || ParseString.size() != TextLength) RaiseTextChanged();
  }
  if (found) return NumberToken;
  length = 0;
  return BadToken;
}

// ---------------------------------------------------------------------------
// Reductions

// The rule is one of the grammar's here (from the action table, or checked
// by Reduce).
inline std::uint8_t TMathParser::TargetState(int rule, std::uint8_t below) {
  const std::uint8_t to = Goto[Rules[rule].Left][below];
  if (to == NoState) RaiseBadTokenState();
  return to;
}

[[gnu::always_inline]] inline Extended TMathParser::ApplyFunction(const char* f, Extended x) {
  // Plain branches rather than a switch: the functions of one expression
  // come in a fixed order, which branches predict better than one jump
  // through a table.
  bool ok = true;
  Extended y = x;
  const char c = f[0];
  if (c == 'S') {
    if (f[1] == 'I') {
      if ((ok = (x >= -TrigLimit && x <= TrigLimit))) y = Sine(x);
    } else if (f[3] == 'T') {
      if ((ok = (x >= 0))) y = std::sqrt(x);
    } else {
      if ((ok = (x >= -SqrLimit && x <= SqrLimit))) y = x * x;
    }
  } else if (c == 'C') {
    if ((ok = (x >= -TrigLimit && x <= TrigLimit))) y = Cosine(x);
  } else if (c == 'E') {
    if ((ok = (x >= -PowerLimit && x <= PowerLimit))) y = std::exp(x);
  } else if (c == 'L') {
    if ((ok = (x > 0))) y = std::log(x);
  } else if (c == 'A') {
    y = (f[1] == 'B') ? std::fabs(x) : std::atan(x);
  } else if (c == 'R') {
    if ((ok = (x >= -WholeLimit && x <= WholeLimit))) y = std::rint(x);
  } else if (c == 'T') {
    if ((ok = (x >= -WholeLimit && x <= WholeLimit))) y = std::trunc(x);
  } else {
    RaiseInvalidReduction();
  }
  if (!ok) MathError_ = true;
  return y;
}

// The reductions work on the stack in place: the rule's value replaces the
// entry of its first symbol, which then takes the target state. After a math
// error that entry takes the value the rule's working record holds at that
// moment: the right operand of an operator (the last value a reduction
// produced), the argument of a function. The rest of the text is still
// evaluated from it, and whether a later operation faults depends on it.
// The rule is one of the grammar's here; the caller sets the new top
// entry's state.
[[gnu::always_inline]] inline TMathParser::TokenRecord* TMathParser::ReduceValue(int rule,
                                                                                 TokenRecord* top) {
  const RuleInfo info = Rules[rule];
  TokenRecord* const first = top - (info.Pops - 1);
  switch (rule) {
    case 1:
      first->Value = Checked(first->Value + top->Value);
      break;
    case 2:
      first->Value = Checked(first->Value - top->Value);
      break;
    case 4:
      first->Value = Checked(first->Value * top->Value);
      break;
    case 5:
      if (top->Value == 0) [[unlikely]]
        MathErrorLeaving(first, top->Value);
      else
        first->Value = Checked(first->Value / top->Value);
      break;
    case 7: {
      const Extended base = first->Value;
      if (!(base > 0)) [[unlikely]] {
        MathErrorLeaving(first, top->Value);
        break;
      }
      const Extended exponent = Checked(std::log(base) * top->Value);
      if (exponent < -PowerLimit || exponent > PowerLimit) [[unlikely]]
        MathErrorLeaving(first, top->Value);
      else
        first->Value = std::exp(exponent);
      break;
    }
    case 100: {
      const std::int64_t a = RoundToInt64(first->Value);
      const std::int64_t m = RoundToInt64(top->Value);
      if (m == 0) [[unlikely]]
        MathErrorLeaving(first, top->Value);
      else
        first->Value = static_cast<Extended>(m == -1 ? 0 : a % m);  // INT64_MIN % -1 is 0
      break;
    }
    case 9:
      first->Value = -top->Value;
      break;
    case 14:
      first->Value = top[-1].Value;
      break;
    case 16:
      // The function entry's name is read before its value overwrites it;
      // after a math error the value is the argument.
      first->Value = ApplyFunction(first->FuncName, top[-1].Value);
      break;
    default:  // one symbol: the value itself
      break;
  }
  return first;
}

TMathParser::TokenRecord* TMathParser::Reduce(int rule, TokenRecord* top) {
  const int pops = (rule >= 0 && rule <= 100) ? PopCount[rule] : 0;
  if (pops == 0 || top - Stack < pops) RaiseInvalidReduction();
  TokenRecord* const first = ReduceValue(rule, top);
  first->State = TargetState(rule, first[-1].State);
  return first;
}

// ---------------------------------------------------------------------------
// The automaton

void TMathParser::Run() { RunLoop<false>(); }

void TMathParser::Parse() { RunLoop<true>(); }

template <bool WholeParse>
void TMathParser::RunLoop() {
  // The loop keeps the top entry, the scan position, the text and the
  // look-ahead in registers and writes them back when it ends. Every
  // step jumps straight to the code of its operation.
  static const void* const Code[OpCount] = {
      &&badState, &&shift, &&unit, &&accept, &&markAccept, &&error, &&stop,
      &&rule1, &&rule2, &&rule4, &&rule5, &&rule7, &&rule9, &&rule14, &&rule16, &&rule100};
  ParsingGuard<WholeParse> guard(Parsing, ParseFailed_);
  if constexpr (WholeParse) {
    ErrorCode_ = 0;
    MathError_ = false;
    Accepted = false;
    // Until the parse ends normally its outcome is a failure.
    ParseFailed_ = true;
    // The bottom entry: state 0. Its value is never read.
    Stack[0].State = 0;
    StackTop = 1;
  }
  const char* const s = ParseString.data();
  TextLength = ParseString.size();
  TokenRecord* top = Stack + StackTop - 1;
  std::size_t pos = WholeParse ? 0 : Position_ - 1;
  std::size_t length = WholeParse ? 0 : TokenLength;
  TTokenKind kind;
  if constexpr (WholeParse) {
    kind = Scan(s, pos, length, top[1]);
    if (kind == NumeralError) goto done;
  } else {
    kind = CurrentKind;
  }
  std::uint32_t step;
  step = Steps[top->State][kind];

#define HELIXOR_NEXT() goto* Code[step & 0xFF]
// Reduces by the rule, then takes the target state and the one-symbol
// reductions after it, and goes on with the step they end in.
#define HELIXOR_REDUCE(rule, symbol)                       \
  {                                                        \
    top = ReduceValue(rule, top);                          \
    const std::uint8_t below = top[-1].State;              \
    if (below >= StateCount) RaiseBadTokenState();         \
    step = AfterReduce[symbol][below][kind];               \
    top->State = static_cast<std::uint8_t>(step >> 16);    \
    HELIXOR_NEXT();                                        \
  }

  HELIXOR_NEXT();

shift : {
  if (top == Stack + StackSize - 1) {
    // PushToken on a full stack stores nothing; the look-ahead is still
    // read.
    ErrorCode_ = 1;
    kind = Scan(s, pos, length, top[1]);
    goto done;
  }
  // The scanner has put the token's value or function name into the entry
  // above the top already.
  // The states live on the stack only: few registers survive the calls of
  // the loop, and the top entry's state is at hand there anyway.
  const std::uint8_t below = top->State;
  const std::uint8_t to = static_cast<std::uint8_t>(step >> 8);
  ++top;
  kind = Scan(s, pos, length, top[1]);
  if (to == 10) {
    // A number reduces at once, whatever follows.
    step = AfterNumber[below][kind];
    top->State = static_cast<std::uint8_t>(step >> 16);
  } else {
    step = Steps[to][kind];
    top->State = to;
  }
  // Shifts come in runs (an operator, then "(" or a function name, then an
  // operand); a plain branch back predicts them better than the jump.
  if ((step & 0xFF) == OpShift) goto shift;
  HELIXOR_NEXT();
}
unit : {
  // The bottom entry's state (0) never reduces, so there is one below.
  const std::uint8_t below = top[-1].State;
  if (below >= StateCount) RaiseBadTokenState();
  step = ClosureStep(below, top->State, kind);
  top->State = static_cast<std::uint8_t>(step >> 16);
  HELIXOR_NEXT();
}
rule1:
  HELIXOR_REDUCE(1, SymExpr)
rule2:
  HELIXOR_REDUCE(2, SymExpr)
rule4:
  HELIXOR_REDUCE(4, SymTerm)
rule5:
  HELIXOR_REDUCE(5, SymTerm)
rule7:
  HELIXOR_REDUCE(7, SymFactor)
rule100:
  HELIXOR_REDUCE(100, SymFactor)
rule9:
  HELIXOR_REDUCE(9, SymSigned)
rule14:
  HELIXOR_REDUCE(14, SymPrimary)
rule16:
  HELIXOR_REDUCE(16, SymPrimary)
accept:
  Accepted = true;
  goto done;
markAccept:
  MathError_ = true;
  Accepted = true;
  goto done;
error:
  ErrorCode_ = static_cast<std::uint8_t>(step >> 8);
  pos -= length;
  goto done;
stop:  // code 7, set by the scanner
  goto done;
badState:
  RaiseBadTokenState();

#undef HELIXOR_REDUCE
#undef HELIXOR_NEXT
done:
  StackTop = static_cast<std::uint8_t>(top - Stack + 1);
  Position_ = pos + 1;
  TokenLength = length;
  CurrentKind = kind;
  if constexpr (WholeParse) {
    if (ErrorCode_ != 0 && OnParseError) OnParseError(*this, ErrorCode_);
    ParseFailed_ = MathError_ || ErrorCode_ != 0;
    guard.Finish();
  }
}
