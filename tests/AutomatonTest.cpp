// The parse loop against the automaton taken one action at a time.
//
// Parse folds runs of one-symbol reductions and the target state into
// single table steps. Here the same texts go through a plain rendering of
// the action table, one shift or reduction at a time (reductions by the
// component's own Reduce), and both must end alike: outcome, code,
// position, math error, value to the bit, or the same fault.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "evaluator/Constants.h"
#include "evaluator/Faults.h"
#include "evaluator/Parser.h"

namespace {

struct Outcome {
  bool failed = false;
  int code = 0;
  int position = 0;
  bool math = false;
  ExtendedBits bits;
  std::string fault;
  friend bool operator==(const Outcome&, const Outcome&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << "{failed " << o.failed << ", code " << o.code << ", position " << o.position << ", math "
              << o.math << ", value " << std::hex << o.bits.SignExponent << ":" << o.bits.Significand << std::dec
              << ", fault '" << o.fault << "'}";
  }
};

enum Kind { Shift, ReduceBy, Accept, MarkAccept, Error };
struct Action {
  Kind kind;
  int arg = 0;
};

// The action table, state by state.
Action ActionFor(int state, TMathParser::TTokenKind k) {
  using P = TMathParser;
  switch (state) {
    case 0: case 9: case 12: case 13: case 14: case 15: case 16: case 20: case 40:
      if (k == P::NumberToken) return {Shift, 10};
      if (k == P::FunctionToken) return {Shift, 11};
      if (k == P::MinusSign) return {Shift, 5};
      if (k == P::LeftParen) return {Shift, 9};
      if (k == P::ErrorMark) return {MarkAccept};
      return {Error, 3};
    case 1:
      if (k == P::EndOfText) return {Accept};
      if (k == P::PlusSign) return {Shift, 12};
      if (k == P::MinusSign) return {Shift, 13};
      return {Error, 4};
    case 2: case 21: case 22:
      if (k == P::Asterisk) return {Shift, 14};
      if (k == P::Slash) return {Shift, 15};
      return {ReduceBy, state == 2 ? 3 : state == 21 ? 1 : 2};
    case 3:
      return k == P::ModKeyword ? Action{Shift, 40} : Action{ReduceBy, 6};
    case 4:
      return k == P::Caret ? Action{Shift, 16} : Action{ReduceBy, 8};
    case 5:
      if (k == P::NumberToken) return {Shift, 10};
      if (k == P::FunctionToken) return {Shift, 11};
      if (k == P::LeftParen) return {Shift, 9};
      return {Error, 3};
    case 6: return {ReduceBy, 10};
    case 8: return {ReduceBy, 12};
    case 10: return {ReduceBy, 15};
    case 11: return k == P::LeftParen ? Action{Shift, 20} : Action{Error, 5};
    case 17: return {ReduceBy, 9};
    case 19: case 28:
      if (k == P::PlusSign) return {Shift, 12};
      if (k == P::MinusSign) return {Shift, 13};
      if (k == P::RightParen) return {Shift, state == 19 ? 27 : 29};
      return {Error, 6};
    case 23: return {ReduceBy, 4};
    case 24: return {ReduceBy, 5};
    case 25: return {ReduceBy, 7};
    case 27: return {ReduceBy, 14};
    case 29: return {ReduceBy, 16};
    case 80: return {ReduceBy, 100};
    default: ADD_FAILURE() << "no row for state " << state; return {Error, 99};
  }
}

Extended CurrentT = 1.25L;

void LookUp(TMathParser&, std::string_view name, Extended& value, bool& found) {
  found = LookUpCurveName(name, CurrentT, value);
}

class StepByStep : public TMathParser {
 public:
  StepByStep() { OnGetVar = LookUp; }

  Outcome Evaluate(const std::string& text) {
    Outcome o;
    try {
      ParseString = text;
      BeginScan();
      Stack[0].State = 0;
      StackTop = 1;
      TTokenKind kind = ScanToken();
      bool accepted = false;
      while (!accepted && ErrorCode_ == 0) {
        const Action a = ActionFor(Stack[StackTop - 1].State, kind);
        if (a.kind == Shift) {
          if (StackTop == StackSize) {
            ErrorCode_ = 1;
          } else {
            Stack[StackTop] = CurrentToken;
            Stack[StackTop].State = static_cast<std::uint8_t>(a.arg);
            ++StackTop;
          }
          kind = ScanToken();
        } else if (a.kind == ReduceBy) {
          TokenRecord* const first = TMathParser::Reduce(a.arg, &Stack[StackTop - 1]);
          StackTop = static_cast<std::uint8_t>(first - Stack + 1);
        } else if (a.kind == Accept) {
          accepted = true;
        } else if (a.kind == MarkAccept) {
          MathError_ = true;
          accepted = true;
        } else {
          ErrorCode_ = static_cast<std::uint8_t>(a.arg);
          Position_ -= TokenLength;
        }
      }
      o.failed = MathError_ || ErrorCode_ != 0;
      o.code = ErrorCode_;
      o.position = Position();
      o.math = MathError_;
      if (!o.failed) o.bits = BitsOfExtended(Stack[StackTop - 1].Value);
    } catch (const std::exception& e) {
      o = Outcome{};
      o.fault = e.what();
    }
    return o;
  }
};

Outcome ByParse(TMathParser& p, const std::string& text) {
  Outcome o;
  try {
    p.ParseString = text;
    p.Parse();
    o.failed = p.ParseFailed();
    o.code = p.ErrorCode();
    o.position = p.Position();
    o.math = p.MathError();
    if (!o.failed) o.bits = BitsOfExtended(p.ParseValue());
  } catch (const std::exception& e) {
    o = Outcome{};
    o.fault = e.what();
  }
  return o;
}

TEST(Automaton, ParseEndsAsTheActionsTakenOneByOne) {
  // Pieces that reach every row of the table, every error and both faults.
  const std::vector<std::string> pieces = {
      "1", "2.5", "t", "pi", "E", "x", "1e4000", "1e", "9e18", ".", "+", "-", "*", "/", "^", "(", ")", "(",
      ")", "((((((", " MOD ", "sin", "COS", "sqr", "sqrt", "ln", "atan", "abs", "round", "trunc", "exp", "!", " ", "-(", "_"};
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
  std::uniform_int_distribution<int> count(0, 24);
  StepByStep reference;
  TMathParser parser;
  parser.OnGetVar = LookUp;
  int accepted = 0, codes[8] = {}, faults = 0;
  for (int i = 0; i < 30000; ++i) {
    std::string text;
    for (int n = count(random); n > 0; --n) text += pieces[piece(random)];
    const Outcome expected = reference.Evaluate(text);
    ASSERT_EQ(ByParse(parser, text), expected) << "text '" << text << "'";
    if (!expected.fault.empty()) ++faults;
    else if (!expected.failed) ++accepted;
    else if (expected.code < 8) ++codes[expected.code];
  }
  // The texts reach what they are meant to reach.
  EXPECT_GT(accepted, 100);
  EXPECT_GT(faults, 0);
  for (int code : {1, 3, 4, 5, 6, 7}) EXPECT_GT(codes[code], 0) << "code " << code;
}

}  // namespace
