#pragma once
// The evaluator's automaton written out plainly, one action at a time, as a
// yardstick for TMathParser::Parse (which folds runs of reductions into
// single table steps and computes on the stack in place).
//
// Only the scanner is the component's own. The stack, the working record
// CurrentToken, the tables and the arithmetic are written here afresh:
// every pop copies a whole entry, every reduction computes into
// CurrentToken and pushes it, and a math error leaves CurrentToken's value
// as it was. Parse must end exactly as this does: the same kind of outcome,
// code, position, math error, value to the bit, or the same fault text.
//
// Free of any test framework, so that the fuzz targets can use it too.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>

#include "evaluator/Constants.h"
#include "evaluator/Elementary.h"
#include "evaluator/Faults.h"
#include "evaluator/Parser.h"
#include "evaluator/Trig.h"

namespace reference {

enum class OutcomeKind { Accepted, SyntaxError, MathError, Fault };

struct Outcome {
  OutcomeKind kind = OutcomeKind::Accepted;
  int code = 0;
  int position = 0;
  bool math = false;
  ExtendedBits bits;  // the value when accepted, else zero bits
  std::string fault;  // the fault's text when kind is Fault

  friend bool operator==(const Outcome&, const Outcome&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    static const char* const kinds[] = {"accepted", "syntax error", "math error", "fault"};
    return os << "{" << kinds[static_cast<int>(o.kind)] << ", code " << o.code << ", position " << o.position
              << ", math " << o.math << ", value " << std::hex << o.bits.SignExponent << ":"
              << o.bits.Significand << std::dec << ", fault '" << o.fault << "'}";
  }
};

// The outcome a finished parse reports (no fault).
inline Outcome Reported(bool failed, int code, int position, bool math, Extended value) {
  Outcome o;
  o.kind = code != 0 ? OutcomeKind::SyntaxError : math ? OutcomeKind::MathError : OutcomeKind::Accepted;
  o.code = code;
  o.position = position;
  o.math = math;
  if (!failed) o.bits = BitsOfExtended(value);
  return o;
}

inline Outcome Faulted(const char* text) {
  Outcome o;
  o.kind = OutcomeKind::Fault;
  o.fault = text;
  return o;
}

// Parse of the parser's current ParseString, as an Outcome. After a fault
// the parser must report a failure with the value 0; a parse that breaks
// that reports the fault text "still readable after a fault".
inline Outcome ByParse(TMathParser& parser) {
  try {
    parser.Parse();
  } catch (const Fault& fault) {
    if (!parser.ParseFailed() || parser.ParseValue() != 0) return Faulted("still readable after a fault");
    return Faulted(fault.what());
  }
  return Reported(parser.ParseFailed(), parser.ErrorCode(), parser.Position(), parser.MathError(),
                  parser.ParseValue());
}

class Automaton : public TMathParser {
 public:
  Outcome Evaluate(const std::string& text) {
    try {
      return Run(text);
    } catch (const Fault& fault) {
      return Faulted(fault.what());
    }
  }

 private:
  enum Kind { Shift, ReduceBy, Accept, MarkAccept, Error, NoRow };
  struct Action {
    Kind kind;
    int arg = 0;
  };

  // The action table, state by state.
  static Action ActionFor(int state, TTokenKind k) {
    switch (state) {
      case 0: case 9: case 12: case 13: case 14: case 15: case 16: case 20: case 40:
        if (k == NumberToken) return {Shift, 10};
        if (k == FunctionToken) return {Shift, 11};
        if (k == MinusSign) return {Shift, 5};
        if (k == LeftParen) return {Shift, 9};
        if (k == ErrorMark) return {MarkAccept};
        return {Error, 3};
      case 1:
        if (k == EndOfText) return {Accept};
        if (k == PlusSign) return {Shift, 12};
        if (k == MinusSign) return {Shift, 13};
        return {Error, 4};
      case 2: case 21: case 22:
        if (k == Asterisk) return {Shift, 14};
        if (k == Slash) return {Shift, 15};
        return {ReduceBy, state == 2 ? 3 : state == 21 ? 1 : 2};
      case 3: return k == ModKeyword ? Action{Shift, 40} : Action{ReduceBy, 6};
      case 4: return k == Caret ? Action{Shift, 16} : Action{ReduceBy, 8};
      case 5:
        if (k == NumberToken) return {Shift, 10};
        if (k == FunctionToken) return {Shift, 11};
        if (k == LeftParen) return {Shift, 9};
        return {Error, 3};
      case 6: return {ReduceBy, 10};
      case 8: return {ReduceBy, 12};
      case 10: return {ReduceBy, 15};
      case 11: return k == LeftParen ? Action{Shift, 20} : Action{Error, 5};
      case 17: return {ReduceBy, 9};
      case 19: case 28:
        if (k == PlusSign) return {Shift, 12};
        if (k == MinusSign) return {Shift, 13};
        if (k == RightParen) return {Shift, state == 19 ? 27 : 29};
        return {Error, 6};
      case 23: return {ReduceBy, 4};
      case 24: return {ReduceBy, 5};
      case 25: return {ReduceBy, 7};
      case 27: return {ReduceBy, 14};
      case 29: return {ReduceBy, 16};
      case 80: return {ReduceBy, 100};
      default: return {NoRow};
    }
  }

  // The state after a reduction by rule, from the state below the pops.
  static int TargetStateOf(int rule, int s) {
    const auto in = [s](std::initializer_list<int> states) {
      for (int x : states)
        if (x == s) return true;
      return false;
    };
    switch (rule) {
      case 1: case 2: case 3:
        return s == 0 ? 1 : s == 9 ? 19 : s == 20 ? 28 : -1;
      case 4: case 5: case 6:
        return in({0, 9, 20}) ? 2 : s == 12 ? 21 : s == 13 ? 22 : -1;
      case 7: case 8: case 100:
        return in({0, 9, 12, 13, 20}) ? 3 : s == 14 ? 23 : s == 15 ? 24 : s == 16 ? 25 : s == 40 ? 80 : -1;
      case 9: case 10:
        return in({0, 9, 12, 13, 14, 15, 16, 20, 40}) ? 4 : -1;
      case 12:
        return in({0, 9, 12, 13, 14, 15, 16, 20, 40}) ? 6 : s == 5 ? 17 : -1;
      default:  // 14, 15, 16
        return in({0, 5, 9, 12, 13, 14, 15, 16, 20, 40}) ? 8 : -1;
    }
  }

  // An operation's result: beyond the 80-bit range it is the processor's
  // overflow; a NaN its invalid operation.
  static Extended Arith(Extended r) {
    if (IsNan(r)) throw InvalidOperationFault();
    if (!IsFinite(r)) throw OverflowFault();
    return r;
  }

  static std::int64_t Rounded(Extended x) {
    constexpr Extended High = ExtendedFromBits(0x403D, 0xFFFFFFFFFFFFFFFF);  // 2^63 - 0.5
    if (!(x >= -0x1p63 && x < High)) throw InvalidOperationFault();
    return RoundedToInt64(x);
  }

  void Push() {
    if (Top == StackSize) {
      ErrorCode_ = 1;
      return;
    }
    Entries[Top++] = CurrentToken;
  }

  void Pop(TokenRecord& into) { into = Entries[--Top]; }

  // Computes into CurrentToken.Value; a math error leaves it as it is.
  void Compute(int rule, const TokenRecord& left, const TokenRecord& right) {
    const Extended a = left.Value, b = right.Value;
    Extended& v = CurrentToken.Value;
    switch (rule) {
      case 1: v = Arith(a + b); break;
      case 2: v = Arith(a - b); break;
      case 4: v = Arith(a * b); break;
      case 5:
        if (b == 0) MathError_ = true;
        else v = Arith(a / b);
        break;
      case 7: {
        if (!(a > 0)) {
          MathError_ = true;
          break;
        }
        const Extended l = Arith(Ln(a) * b);
        if (l < -11356 || l > 11356) MathError_ = true;
        else v = Exp(l);
        break;
      }
      case 100: {
        const std::int64_t x = Rounded(a), m = Rounded(b);
        if (m == 0) MathError_ = true;
        else v = static_cast<Extended>(m == -1 ? 0 : x % m);
        break;
      }
    }
  }

  // Rule 16 on the argument CurrentToken.Value; out of bounds it stays.
  static constexpr Extended TenTo2466 = ExtendedFromBits(0x5FFE, 0xEAB388127BCCAFF7);  // 1e2466, nearest
  void Function(const char* name) {
    const Extended x = CurrentToken.Value;
    const auto is = [name](const char* n) { return std::strcmp(name, n) == 0; };
    const auto within = [this, x](Extended lo, Extended hi) {
      if (x >= lo && x <= hi) return true;
      MathError_ = true;
      return false;
    };
    Extended& v = CurrentToken.Value;
    if (is("ABS")) v = Abs(x);
    else if (is("ATAN")) v = ArcTan(x);
    else if (is("COS")) { if (within(-9e18, 9e18)) v = Cosine(x); }
    else if (is("EXP")) { if (within(-11356, 11356)) v = Exp(x); }
    else if (is("LN")) { if (x > 0) v = Ln(x); else MathError_ = true; }
    else if (is("ROUND")) { if (within(-1e9, 1e9)) v = RoundToWhole(x); }
    else if (is("SIN")) { if (within(-9e18, 9e18)) v = Sine(x); }
    else if (is("SQRT")) { if (x >= 0) v = Sqrt(x); else MathError_ = true; }
    else if (is("SQR")) { if (within(-TenTo2466, TenTo2466)) v = x * x; }
    else if (is("TRUNC")) { if (within(-1e9, 1e9)) v = TruncateToWhole(x); }
    else throw InternalFault("Invalid reduction");
  }

  void ReduceRule(int rule) {
    TokenRecord right, op, left, close, open, function;
    switch (rule) {
      case 1: case 2: case 4: case 5: case 7: case 100:
        Pop(right), Pop(op), Pop(left);
        Compute(rule, left, right);
        break;
      case 9:
        Pop(right), Pop(op);
        CurrentToken.Value = -right.Value;
        break;
      case 14:
        Pop(close), Pop(CurrentToken), Pop(open);
        break;
      case 16:
        Pop(close), Pop(CurrentToken), Pop(open), Pop(function);
        Function(function.FuncName);
        break;
      default:  // 3, 6, 8, 10, 12, 15
        Pop(CurrentToken);
        break;
    }
    const int to = TargetStateOf(rule, Entries[Top - 1].State);
    if (to < 0) throw InternalFault("Bad token state");
    CurrentToken.State = static_cast<std::uint8_t>(to);
    Push();
  }

  Outcome Run(const std::string& text) {
    ParseString = text;
    BeginScan();
    Top = 0;
    CurrentToken.State = 0;
    CurrentToken.Value = 0;
    Push();
    TTokenKind kind = ScanToken();
    bool accepted = false;
    while (!accepted && ErrorCode_ == 0) {
      const Action a = ActionFor(Entries[Top - 1].State, kind);
      switch (a.kind) {
        case Shift:
          CurrentToken.State = static_cast<std::uint8_t>(a.arg);
          Push();
          kind = ScanToken();
          break;
        case ReduceBy: ReduceRule(a.arg); break;
        case Accept: accepted = true; break;
        case MarkAccept: MathError_ = accepted = true; break;
        case Error:
          ErrorCode_ = static_cast<std::uint8_t>(a.arg);
          Position_ -= TokenLength;
          break;
        case NoRow: throw InternalFault("Bad token state");
      }
    }
    const bool failed = MathError_ || ErrorCode_ != 0;
    return Reported(failed, ErrorCode_, Position(), MathError_, failed ? 0 : Entries[Top - 1].Value);
  }

  TokenRecord Entries[StackSize];
  int Top = 0;
};

}  // namespace reference
