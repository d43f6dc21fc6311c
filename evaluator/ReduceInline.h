#pragma once
// The reductions: each rule's value computed on the stack in place, and
// rule 16's function table. Inlined into TMathParser's loop; internal to
// the evaluator.

#include <cstdint>

#include "evaluator/ParseTables.h"
#include "evaluator/Parser.h"
#include "evaluator/Rounding.h"
#include "evaluator/Elementary.h"
#include "evaluator/Trig.h"

namespace ParserDetail {

// The faults, out of line and off the common path.
[[noreturn, gnu::noinline, gnu::cold]] void RaiseOverflow();
[[noreturn, gnu::noinline, gnu::cold]] void RaiseInvalidOperation();
[[noreturn, gnu::noinline, gnu::cold]] void RaiseBadTokenState();
[[noreturn, gnu::noinline, gnu::cold]] void RaiseInvalidReduction();

// The four basic operations. Operands are always finite, so an infinite
// result means the result is beyond the 80-bit range.
inline Extended Checked(Extended result) {
  // Against infinity, a constant the processor loads cheaply (unlike the
  // largest finite value, which takes an 80-bit load); NaN fails too.
  if (__builtin_expect(!(Abs(result) < ExtendedInfinity), 0)) {
    if (IsNan(result)) RaiseInvalidOperation();
    RaiseOverflow();
  }
  return result;
}

// The bounds of rule 16's arguments and of rule 7's ln(b) * x, inclusive.
constexpr Extended PowerLimit = 11356;  // |ln(b) * x| and the EXP argument
constexpr Extended TrigLimit = 9e18;    // COS, SIN (exact in a double)
constexpr Extended WholeLimit = 1e9;    // ROUND, TRUNC
constexpr Extended SqrLimit = ExtendedFromBits(0x5FFE, 0xEAB388127BCCAFF7);  // the 80-bit value nearest to 10^2466

}  // namespace ParserDetail

// Rule 16, Primary -> FunctionToken "(" Expr ")": the function table, in the
// order the names are tested (ABS, ATAN, COS, EXP, LN, ROUND, SIN, SQRT,
// SQR, TRUNC), each with its argument's bounds.
[[gnu::always_inline]] inline Extended TMathParser::ApplyFunction(const char* f, Extended x) {
  using namespace ParserDetail;
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
      if ((ok = (x >= 0))) y = Sqrt(x);
    } else {
      if ((ok = (x >= -SqrLimit && x <= SqrLimit))) y = x * x;
    }
  } else if (c == 'C') {
    if ((ok = (x >= -TrigLimit && x <= TrigLimit))) y = Cosine(x);
  } else if (c == 'E') {
    if ((ok = (x >= -PowerLimit && x <= PowerLimit))) y = Exp(x);
  } else if (c == 'L') {
    if ((ok = (x > 0))) y = Ln(x);
  } else if (c == 'A') {
    y = (f[1] == 'B') ? Abs(x) : ArcTan(x);
  } else if (c == 'R') {
    if ((ok = (x >= -WholeLimit && x <= WholeLimit))) y = RoundToWhole(x);
  } else if (c == 'T') {
    if ((ok = (x >= -WholeLimit && x <= WholeLimit))) y = TruncateToWhole(x);
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
  using namespace ParserDetail;
  const RuleInfo info = Rules[rule];
  TokenRecord* const first = top - (info.Pops - 1);
  switch (rule) {
    case 1:  // Expr -> Expr "+" Term
      first->Value = Checked(first->Value + top->Value);
      break;
    case 2:  // Expr -> Expr "-" Term
      first->Value = Checked(first->Value - top->Value);
      break;
    case 4:  // Term -> Term "*" Factor
      first->Value = Checked(first->Value * top->Value);
      break;
    case 5:  // Term -> Term "/" Factor; the right operand 0 is a math error
      if (top->Value == 0) [[unlikely]]
        MathErrorLeaving(first, top->Value);
      else
        first->Value = Checked(first->Value / top->Value);
      break;
    case 7: {  // Factor -> Signed "^" Factor: e^(ln(b) * x) for b > 0
      const Extended base = first->Value;
      if (!(base > 0)) [[unlikely]] {
        MathErrorLeaving(first, top->Value);
        break;
      }
      const Extended exponent = Checked(Ln(base) * top->Value);
      if (exponent < -PowerLimit || exponent > PowerLimit) [[unlikely]]
        MathErrorLeaving(first, top->Value);
      else
        first->Value = Exp(exponent);
      break;
    }
    case 100: {  // Factor -> Factor MOD Factor, on the operands rounded to int64
      const std::int64_t a = RoundToInt64(first->Value);
      const std::int64_t m = RoundToInt64(top->Value);
      if (m == 0) [[unlikely]]
        MathErrorLeaving(first, top->Value);
      else
        first->Value = static_cast<Extended>(m == -1 ? 0 : a % m);  // INT64_MIN % -1 is 0
      break;
    }
    case 9:  // Signed -> "-" Operand
      first->Value = -top->Value;
      break;
    case 14:  // Primary -> "(" Expr ")"
      first->Value = top[-1].Value;
      break;
    case 16:  // Primary -> FunctionToken "(" Expr ")"
      // The function entry's name is read before its value overwrites it;
      // after a math error the value is the argument.
      first->Value = ApplyFunction(first->FuncName, top[-1].Value);
      break;
    default:  // 3, 6, 8, 10, 12, 15: one symbol, the value itself
      break;
  }
  return first;
}
