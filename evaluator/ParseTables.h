#pragma once
// The grammar's tables, built at compile time: the action table (one row per
// state, one column per look-ahead kind), TargetState's table of left
// symbols and target states, the rules' lengths, and the fused steps that
// TMathParser's loop dispatches on. Internal to the evaluator.

#include <array>
#include <cstdint>
#include <utility>

#include "evaluator/Parser.h"

namespace ParserDetail {

// ---------------------------------------------------------------------------
// The action table

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
  // Row "an operand is expected" (states 0, 9, 12-16, 20, 40): a number,
  // a function name, a unary minus or "(" shifts, "!" accepts with a math
  // error, anything else is error 3.
  for (int s : {0, 9, 12, 13, 14, 15, 16, 20, 40}) {
    fill(s, Make(ActError, 3));
    t[s][P::NumberToken] = Make(ActShift, 10);
    t[s][P::FunctionToken] = Make(ActShift, 11);
    t[s][P::MinusSign] = Make(ActShift, 5);
    t[s][P::LeftParen] = Make(ActShift, 9);
    t[s][P::ErrorMark] = Make(ActMarkAccept, 0);
  }
  // Row 1, a whole Expr at the outer level: the end accepts, "+" and "-"
  // shift, anything else is error 4.
  fill(1, Make(ActError, 4));
  t[1][P::EndOfText] = Make(ActAccept, 0);
  t[1][P::PlusSign] = Make(ActShift, 12);
  t[1][P::MinusSign] = Make(ActShift, 13);
  // Rows 2 (Term), 21 (Expr "+" Term) and 22 (Expr "-" Term): "*" and "/"
  // shift, anything else reduces by rule 3, 1 or 2.
  for (auto [s, r] : {std::pair{2, 3}, std::pair{21, 1}, std::pair{22, 2}}) {
    fill(s, Make(ActReduce, r));
    t[s][P::Asterisk] = Make(ActShift, 14);
    t[s][P::Slash] = Make(ActShift, 15);
  }
  // Row 3, a Factor that begins a Term: MOD shifts, else rule 6.
  fill(3, Make(ActReduce, 6));
  t[3][P::ModKeyword] = Make(ActShift, 40);
  // Row 4, Signed: "^" shifts, else rule 8.
  fill(4, Make(ActReduce, 8));
  t[4][P::Caret] = Make(ActShift, 16);
  // Row 5, after a unary minus: a number, a function name or "(" shifts;
  // anything else (a second minus, "!") is error 3.
  fill(5, Make(ActError, 3));
  t[5][P::NumberToken] = Make(ActShift, 10);
  t[5][P::FunctionToken] = Make(ActShift, 11);
  t[5][P::LeftParen] = Make(ActShift, 9);
  // Row 11, a function name: "(" shifts, anything else is error 5.
  fill(11, Make(ActError, 5));
  t[11][P::LeftParen] = Make(ActShift, 20);
  // Rows 19 ("(" Expr) and 28 (function "(" Expr): "+" and "-" shift, ")"
  // shifts to 27 or 29, anything else is error 6.
  for (auto [s, close] : {std::pair{19, 27}, std::pair{28, 29}}) {
    fill(s, Make(ActError, 6));
    t[s][P::PlusSign] = Make(ActShift, 12);
    t[s][P::MinusSign] = Make(ActShift, 13);
    t[s][P::RightParen] = Make(ActShift, close);
  }
  // Rows that reduce whatever the look-ahead is: 6 by rule 10, 8 by 12, 10
  // by 15, 17 by 9, 23 by 4, 24 by 5, 25 by 7, 27 by 14, 29 by 16, 80 by 100.
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

// ---------------------------------------------------------------------------
// TargetState: the left symbol of each rule, and for each left symbol the
// state it leads to from the state below the popped entries.

// Left symbols of the grammar: Expr (rules 1, 2, 3), Term (4, 5, 6), Factor
// (7, 8, 100), Signed (9, 10), Operand (12), Primary (14, 15, 16).
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
  // Expr: 0 -> 1, 9 -> 19, 20 -> 28.
  g[SymExpr][0] = 1;
  g[SymExpr][9] = 19;
  g[SymExpr][20] = 28;
  // Term: 0, 9, 20 -> 2; 12 -> 21; 13 -> 22.
  for (int s : {0, 9, 20}) g[SymTerm][s] = 2;
  g[SymTerm][12] = 21;
  g[SymTerm][13] = 22;
  // Factor: 0, 9, 12, 13, 20 -> 3; 14 -> 23; 15 -> 24; 16 -> 25; 40 -> 80.
  for (int s : {0, 9, 12, 13, 20}) g[SymFactor][s] = 3;
  g[SymFactor][14] = 23;
  g[SymFactor][15] = 24;
  g[SymFactor][16] = 25;
  g[SymFactor][40] = 80;
  // Signed: every state that expects an operand -> 4; Operand: the same -> 6,
  // and 5 (after a unary minus) -> 17.
  for (int s : {0, 9, 12, 13, 14, 15, 16, 20, 40}) {
    g[SymSigned][s] = 4;
    g[SymOperand][s] = 6;
  }
  g[SymOperand][5] = 17;
  // Primary: those states and 5 -> 8.
  for (int s : {0, 5, 9, 12, 13, 14, 15, 16, 20, 40}) g[SymPrimary][s] = 8;
  return g;
}

constexpr GotoTable Goto = BuildGoto();

// ---------------------------------------------------------------------------
// The length of each rule's right side: the entries it pops; 0 for the
// numbers that are no rule (11 and 13 are reserved).
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

// ---------------------------------------------------------------------------
// The fused steps the loop runs on, derived from the tables above.

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

}  // namespace ParserDetail
