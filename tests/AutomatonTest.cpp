// The parse loop against the automaton taken one action at a time.
//
// Parse folds runs of one-symbol reductions and the target state into
// single table steps and computes on the stack in place. The same texts go
// through the plain automaton of tests/support/ReferenceAutomaton.h, with
// its own stack, working record and arithmetic, and both must end alike:
// the kind of outcome, code, position, math error, value to the bit, or the
// same fault text.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "evaluator/Constants.h"
#include "evaluator/Parser.h"
#include "tests/support/ReferenceAutomaton.h"

namespace {

using reference::OutcomeKind;

Extended CurrentT = 1.25;

void LookUp(TMathParser&, std::string_view name, Extended& value, bool& found) {
  found = LookUpCurveName(name, CurrentT, value);
}

TEST(Automaton, ParseEndsAsTheActionsTakenOneByOne) {
  // Pieces that reach every row of the table, every error, both faults, and
  // math errors with operations after them.
  const std::vector<std::string> pieces = {
      "1", "2.5", "t", "pi", "E", "x", "1e4000", "1e", "9e18", ".", "+", "-", "*", "/", "^", "(", ")", "(",
      ")", "((((((", " MOD ", "sin", "COS", "sqr", "sqrt", "ln", "atan", "abs", "round", "trunc", "exp", "!",
      " ", "-(", "_", "0", "1e4932", "1e19", "-1e30", "/0", "899"};
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
  std::uniform_int_distribution<int> count(0, 24);
  reference::Automaton automaton;
  automaton.OnGetVar = LookUp;
  TMathParser parser;
  parser.OnGetVar = LookUp;
  int kinds[4] = {}, codes[8] = {};
  for (int i = 0; i < 40000; ++i) {
    std::string text;
    for (int n = count(random); n > 0; --n) text += pieces[piece(random)];
    const reference::Outcome expected = automaton.Evaluate(text);
    parser.ParseString = text;
    ASSERT_EQ(reference::ByParse(parser), expected) << "text '" << text << "'";
    ++kinds[static_cast<int>(expected.kind)];
    if (expected.code < 8) ++codes[expected.code];
  }
  // The texts reach what they are meant to reach.
  for (int kind = 0; kind < 4; ++kind) EXPECT_GT(kinds[kind], 50) << "kind " << kind;
  for (int code : {1, 3, 4, 5, 6, 7}) EXPECT_GT(codes[code], 0) << "code " << code;
}

// Texts where the value carried on after a math error decides whether a
// later operation faults: the plain automaton and Parse must agree on them
// as on every other text.
TEST(Automaton, AgreesAfterAMathError) {
  reference::Automaton automaton;
  automaton.OnGetVar = LookUp;
  TMathParser parser;
  parser.OnGetVar = LookUp;
  for (const char* text : {"1e4000^899 mod 5", "(1e4000/0) mod 3", "2 mod 0 * 1e4932 * 10", "1e2000^3 * 1e4000",
                           "ln(-1e30) mod 7", "1e19/0 mod 2", "sqrt(-1e4932)*10", "(0^2)*1e4932*1e4932"}) {
    parser.ParseString = text;
    EXPECT_EQ(reference::ByParse(parser), automaton.Evaluate(text)) << "text '" << text << "'";
  }
}

}  // namespace
