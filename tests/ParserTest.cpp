// TMathParser: values, precedence, bounds, error codes and positions, the
// stack limit, faults and reuse.
#include "evaluator/Parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "evaluator/Constants.h"
#include "evaluator/Faults.h"
#include "support/CaseName.h"
#include "support/ExtendedTesting.h"

namespace {

using helixor_test::NameByText;
using helixor_test::NextDown;
using helixor_test::NextUp;
using helixor_test::Shown;

// A parser with the main window's lookup of t, pi and e.
struct Calculator {
  TMathParser parser;
  Extended t = 0;
  std::vector<int> errorEvents;
  std::vector<std::string> names;

  Calculator() {
    parser.OnGetVar = [this](TMathParser& sender, std::string_view name, Extended& value, bool& found) {
      EXPECT_EQ(&sender, &parser);
      names.emplace_back(name);
      found = LookUpCurveName(name, t, value);
    };
    parser.OnParseError = [this](TMathParser& sender, int code) {
      EXPECT_EQ(&sender, &parser);
      errorEvents.push_back(code);
    };
  }
  void Parse(const std::string& text) {
    errorEvents.clear();
    names.clear();
    parser.ParseString = text;
    parser.Parse();
  }
};

// Distance in units in the last place between two positive values.
Extended Ulps(Extended a, Extended b) { return Abs(a - b) / (NextUp(b) - b); }

struct ValueCase {
  const char* text;
  Extended expected;
  Extended t = 0;
};

class ExactValue : public testing::TestWithParam<ValueCase> {};

TEST_P(ExactValue, Evaluates) {
  Calculator c;
  c.t = GetParam().t;
  c.Parse(GetParam().text);
  ASSERT_FALSE(c.parser.ParseFailed()) << "code " << c.parser.ErrorCode();
  EXPECT_EQ(c.parser.ParseValue(), GetParam().expected);
  EXPECT_EQ(c.parser.ErrorCode(), 0);
  EXPECT_TRUE(c.errorEvents.empty());
}

INSTANTIATE_TEST_SUITE_P(PrecedenceAndAssociativity, ExactValue, testing::Values(
    ValueCase{"2+3*4", 14}, ValueCase{"1-2-3", -4}, ValueCase{"8/4/2", 1},
    ValueCase{"(2+3)*4", 20}, ValueCase{"2*3+4*5", 26}, ValueCase{"12/4*3", 9},
    ValueCase{"  7 - ( 1 + 2 ) ", 4}), NameByText());

INSTANTIATE_TEST_SUITE_P(UnaryMinus, ExactValue, testing::Values(
    ValueCase{"-t", -1, 1}, ValueCase{"2--3", 5}, ValueCase{"2*-3", -6},
    ValueCase{"-(2+3)", -5}, ValueCase{"-sqr(3)", -9}, ValueCase{"1+-2", -1},
    ValueCase{"-2*3", -6}), NameByText());

INSTANTIATE_TEST_SUITE_P(Remainder, ExactValue, testing::Values(
    ValueCase{"7 MOD 3", 1}, ValueCase{"-7 MOD 3", -1}, ValueCase{"7 MOD -3", 1},
    ValueCase{"7.5 MOD 2", 0}, ValueCase{"2.5 MOD 7", 2}, ValueCase{"-2.5 MOD 7", -2},
    ValueCase{"7 mod 2.5", 1}, ValueCase{"7 MOD 4 MOD 3", 0}, ValueCase{"6 MOD 4*7", 14},
    ValueCase{"(6*7) MOD 4", 2}, ValueCase{"7 MOD 2^3", 7}, ValueCase{"t Mod 10", 5, 12345},
    ValueCase{"9223372036854775807 MOD 10", 7},
    ValueCase{"-9223372036854775808 MOD -1", 0}), NameByText());

INSTANTIATE_TEST_SUITE_P(Functions, ExactValue, testing::Values(
    ValueCase{"abs(-2.5)", 2.5}, ValueCase{"round(2.5)", 2}, ValueCase{"round(-2.5)", -2},
    ValueCase{"round(3.5)", 4}, ValueCase{"trunc(-2.7)", -2}, ValueCase{"trunc(2.7)", 2},
    ValueCase{"sqr(-3)", 9}, ValueCase{"sqrt(6.25)", 2.5}, ValueCase{"ln(1)", 0},
    ValueCase{"exp(0)", 1}, ValueCase{"cos(0)", 1}, ValueCase{"sin(0)", 0},
    ValueCase{"atan(0)", 0}, ValueCase{"SqRt(sqr(t))", 3, -3}), NameByText());

INSTANTIATE_TEST_SUITE_P(Names, ExactValue, testing::Values(
    ValueCase{"pi", ExtendedFromBits(0x4000, 0xC90FDAA22168C235ull)},
    ValueCase{"Pi", ExtendedFromBits(0x4000, 0xC90FDAA22168C235ull)},
    ValueCase{"E", ExtendedFromBits(0x4000, 0xADF85458248CDACDull)},
    ValueCase{"T*t", 6.25, 2.5}), NameByText());

TEST(Parser, NumeralPrecedesMOD) {
  // '1.2.3' is two numerals in a row.
  Calculator c;
  c.Parse("1.2.3");
  EXPECT_EQ(c.parser.ErrorCode(), 4);
  EXPECT_EQ(c.parser.Position(), 4);
}

// The power is e^(ln(b)·x): whole exponents come out within a few ulps.
struct PowerCase {
  const char* text;
  Extended expected;
  Extended ulps = 16;  // ln and exp each lose a little; |L| scales it
};

class Power : public testing::TestWithParam<PowerCase> {};

TEST_P(Power, IsCloseToExactValue) {
  Calculator c;
  c.Parse(GetParam().text);
  ASSERT_FALSE(c.parser.ParseFailed());
  EXPECT_LE(Ulps(c.parser.ParseValue(), GetParam().expected), GetParam().ulps) << Shown(c.parser.ParseValue());
}

INSTANTIATE_TEST_SUITE_P(Values, Power, testing::Values(
    PowerCase{"2^3^2", 512}, PowerCase{"2^3^0", 2}, PowerCase{"2^-2", 0.25},
    PowerCase{"4^0.5", 2}, PowerCase{"2^3 MOD 5", 3},
    PowerCase{"1e4931^1", ExtendedFromBits(0x7FFB, 0xAC23C22116CBF8A4), 1 << 14},  // 1e4931
    PowerCase{"(1/2)^16000", ExtendedFromBits(0x017F, 0x8000000000000000), 1 << 14}), NameByText());

// Texts that fail with a math error only: no code, no event.
class MathError : public testing::TestWithParam<const char*> {};

TEST_P(MathError, FailsWithoutCode) {
  Calculator c;
  c.Parse(GetParam());
  EXPECT_TRUE(c.parser.ParseFailed());
  EXPECT_TRUE(c.parser.MathError());
  EXPECT_EQ(c.parser.ErrorCode(), 0);
  EXPECT_EQ(c.parser.ParseValue(), 0);
  EXPECT_TRUE(c.errorEvents.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, MathError, testing::Values(
    "-2^2", "-(2)^2", "(-2)^2", "0^2", "(-8)^(1/3)", "10^4932", "0.1^4933", "1.1e4932^1",
    "5 MOD 0.4", "5 MOD 0.5", "1/0", "1/-0", "ln(0)", "ln(-1)", "sqrt(-1)", "exp(2e4)",
    "round(1e10)", "trunc(-1e10)", "!", "1+!", "2*(3+!", "1/0+2"), NameByText());

// Each function just inside and just outside its bounds, through t so that
// the argument is the exact bound or its neighbour.
struct BoundCase {
  const char* text;
  Extended bound;
  Extended towards;  // outside lies in this direction
};

class FunctionBound : public testing::TestWithParam<BoundCase> {};

// Named after the function and the side of its range: sinOpentClose_Upper.
std::string BoundName(const testing::TestParamInfo<BoundCase>& info) {
  return helixor_test::FitCaseName(
      helixor_test::SpellCaseText(info.param.text) + (info.param.towards > 0 ? "_Upper" : "_Lower"),
      info.index);
}

TEST_P(FunctionBound, AcceptedUpToTheBound) {
  Calculator c;
  c.t = GetParam().bound;
  c.Parse(GetParam().text);
  EXPECT_FALSE(c.parser.ParseFailed()) << "at the bound";
  c.t = GetParam().towards > GetParam().bound ? NextUp(GetParam().bound) : NextDown(GetParam().bound);
  c.Parse(GetParam().text);
  EXPECT_TRUE(c.parser.ParseFailed()) << "beyond the bound";
  EXPECT_TRUE(c.parser.MathError());
  EXPECT_EQ(c.parser.ErrorCode(), 0);
}

constexpr Extended Inf = ExtendedInfinity;
// 10^2466 rounded to nearest: the bound of sqr.
constexpr Extended TenTo2466 = ExtendedFromBits(0x5FFE, 0xEAB388127BCCAFF7);

INSTANTIATE_TEST_SUITE_P(Bounds, FunctionBound, testing::Values(
    BoundCase{"cos(t)", 9e18, Inf}, BoundCase{"cos(t)", -9e18, -Inf},
    BoundCase{"sin(t)", 9e18, Inf}, BoundCase{"sin(t)", -9e18, -Inf},
    BoundCase{"exp(t)", 11356, Inf}, BoundCase{"exp(t)", -11356, -Inf},
    BoundCase{"ln(t)", ExtendedMinSubnormal, -Inf},
    BoundCase{"sqrt(t)", 0, -Inf},
    BoundCase{"round(t)", 1e9, Inf}, BoundCase{"round(t)", -1e9, -Inf},
    BoundCase{"trunc(t)", 1e9, Inf}, BoundCase{"trunc(t)", -1e9, -Inf},
    BoundCase{"sqr(t)", TenTo2466, Inf}, BoundCase{"sqr(t)", -TenTo2466, -Inf}), BoundName);

TEST(FunctionBound, SqrLimitIsTheNearestValueToTenToThe2466) {
#ifdef HELIXOR_TEST_X87
  EXPECT_EQ(TenTo2466, helixor_test::FromLongDouble(std::strtold("1e2466", nullptr)));
#endif
  Extended read = 0;
  ASSERT_TRUE(DecimalToExtended("1e2466", read));
  EXPECT_EQ(BitsOfExtended(read), BitsOfExtended(TenTo2466));
  Calculator c;
  c.t = TenTo2466;
  c.Parse("sqr(t)");
  EXPECT_TRUE(IsFinite(c.parser.ParseValue()));
}

TEST(FunctionBound, AbsAndAtanTakeAnyArgument) {
  Calculator c;
  c.t = ExtendedMax;
  c.Parse("atan(t)+abs(-t)*0");
  EXPECT_FALSE(c.parser.ParseFailed());
  c.Parse("atan(1e4000)");
  EXPECT_LT(Ulps(c.parser.ParseValue(), PiValue() / 2), 2);
}

// Syntax and scan errors: code, position and one event.
struct ErrorCase {
  const char* text;
  int code;
  int position;
  bool math = false;
};

class SyntaxError : public testing::TestWithParam<ErrorCase> {};

TEST_P(SyntaxError, CodeAndPosition) {
  Calculator c;
  c.Parse(GetParam().text);
  EXPECT_TRUE(c.parser.ParseFailed());
  EXPECT_EQ(c.parser.ParseValue(), 0);
  EXPECT_EQ(c.parser.ErrorCode(), GetParam().code);
  EXPECT_EQ(c.parser.Position(), GetParam().position);
  EXPECT_EQ(c.parser.MathError(), GetParam().math);
  EXPECT_EQ(c.errorEvents, std::vector<int>{GetParam().code});
}

INSTANTIATE_TEST_SUITE_P(OperandExpected, SyntaxError, testing::Values(
    ErrorCase{"", 3, 1}, ErrorCase{"   ", 3, 4}, ErrorCase{"2+", 3, 3}, ErrorCase{"--2", 3, 2},
    ErrorCase{"+2", 3, 1}, ErrorCase{"-!", 3, 2}, ErrorCase{"x", 3, 2}, ErrorCase{"2*xyz", 3, 6},
    ErrorCase{"sin()", 3, 5}, ErrorCase{"2*.", 3, 3}, ErrorCase{"_a", 3, 1},
    ErrorCase{"2^*3", 3, 3}, ErrorCase{"7 MOD", 3, 6}, ErrorCase{"ln(0)+(", 3, 8, true},
    ErrorCase{"1/0+)", 3, 5, true}), NameByText());

INSTANTIATE_TEST_SUITE_P(TrailingText, SyntaxError, testing::Values(
    ErrorCase{"2 3", 4, 3}, ErrorCase{"t t", 4, 3}, ErrorCase{"1)", 4, 2},
    ErrorCase{"sin(1)(2)", 4, 7}, ErrorCase{"6*7 MOD 4", 4, 5}, ErrorCase{"6/2 MOD 4", 4, 5},
    ErrorCase{"2\t3", 4, 2}, ErrorCase{"1!", 4, 2}, ErrorCase{"2 sin(1)", 4, 3},
    ErrorCase{"1e12345", 4, 7}), NameByText());

INSTANTIATE_TEST_SUITE_P(NoParenthesis, SyntaxError, testing::Values(
    ErrorCase{"sin 1", 5, 5}, ErrorCase{"cos", 5, 4}, ErrorCase{"sqrt+1", 5, 5}), NameByText());

INSTANTIATE_TEST_SUITE_P(Unclosed, SyntaxError, testing::Values(
    ErrorCase{"(1", 6, 3}, ErrorCase{"2*(3", 6, 5}, ErrorCase{"sin(1", 6, 6},
    ErrorCase{"(1 2)", 6, 4}, ErrorCase{"sin(1 MOD 2 3)", 6, 13}), NameByText());

INSTANTIATE_TEST_SUITE_P(BadNumeral, SyntaxError, testing::Values(
    ErrorCase{"1E", 7, 3, true}, ErrorCase{"1E+", 7, 4, true}, ErrorCase{"2+1e-", 7, 6, true},
    ErrorCase{"2e*3", 7, 3, true}, ErrorCase{"1e9999", 7, 7, true},
    ErrorCase{"1.2e4932", 7, 9, true}, ErrorCase{"(1/0)*1e", 7, 9, true}), NameByText());

// 16 entries: k pairs of parentheses need k + 3 of them; a push beyond that
// fails with code 1 just after the look-ahead token.
TEST(StackLimit, ThirteenParenthesesFitFourteenDoNot) {
  Calculator c;
  c.Parse(std::string(13, '(') + "1" + std::string(13, ')'));
  EXPECT_FALSE(c.parser.ParseFailed());
  EXPECT_EQ(c.parser.ParseValue(), 1);
  c.Parse(std::string(14, '(') + "1" + std::string(14, ')'));
  EXPECT_EQ(c.parser.ErrorCode(), 1);
  EXPECT_EQ(c.parser.Position(), 18);
  EXPECT_EQ(c.errorEvents, std::vector<int>{1});
}

TEST(StackLimit, NestedSums) {
  Calculator c;
  c.Parse("1+(1+(1+(1+(1))))");
  EXPECT_FALSE(c.parser.ParseFailed());
  EXPECT_EQ(c.parser.ParseValue(), 5);
  c.Parse("1+(1+(1+(1+(1+(1)))))");
  EXPECT_EQ(c.parser.ErrorCode(), 1);
  EXPECT_FALSE(c.parser.MathError());
}

TEST(StackLimit, NestedNegations) {
  Calculator c;
  c.Parse("-(-(-(-(-(-(2))))))");
  EXPECT_FALSE(c.parser.ParseFailed());
  EXPECT_EQ(c.parser.ParseValue(), 2);
  c.Parse("-(-(-(-(-(-(-(2)))))))");
  EXPECT_EQ(c.parser.ErrorCode(), 1);
}

TEST(StackLimit, LongFlatExpressionsNeedNoDepth) {
  Calculator c;
  std::string text = "1";
  for (int i = 0; i < 1000; ++i) text += "+1*2^1";
  c.Parse(text);
  ASSERT_FALSE(c.parser.ParseFailed());
  EXPECT_NEAR(static_cast<double>(c.parser.ParseValue()), 2001.0, 1e-9);
}

// Results beyond the 80-bit range and MOD operands beyond 64-bit integers.
struct FaultCase {
  const char* text;
  const char* message;
};

class ArithmeticFault : public testing::TestWithParam<FaultCase> {};

TEST_P(ArithmeticFault, RaisesAndLeavesAFailure) {
  Calculator c;
  c.Parse("2");
  ASSERT_EQ(c.parser.ParseValue(), 2);
  c.parser.ParseString = GetParam().text;
  try {
    c.parser.Parse();
    FAIL() << "no fault";
  } catch (const Fault& fault) {
    EXPECT_STREQ(fault.what(), GetParam().message);
  }
  EXPECT_TRUE(c.parser.ParseFailed());
  EXPECT_EQ(c.parser.ParseValue(), 0);
  c.Parse("1+1");
  EXPECT_FALSE(c.parser.ParseFailed());
  EXPECT_EQ(c.parser.ParseValue(), 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, ArithmeticFault, testing::Values(
    FaultCase{"1e4000*1e4000", "Floating point overflow"},
    FaultCase{"1e4932+1e4932", "Floating point overflow"},
    FaultCase{"-1e4932-1e4932", "Floating point overflow"},
    FaultCase{"1e4000/1e-4000", "Floating point overflow"},
    FaultCase{"1e4932^1e4932", "Floating point overflow"},
    FaultCase{"1e19 MOD 2", "Invalid floating point operation"},
    FaultCase{"2 MOD -1e19", "Invalid floating point operation"},
    FaultCase{"9223372036854775808 MOD 3", "Invalid floating point operation"}), NameByText());

// After a math error the parse reads on with the value the reduction's
// working record holds: the right operand of "/", "^" and MOD, the argument
// of a function. Whether a later operation faults depends on that value.
struct AfterMathErrorCase {
  const char* text;
  int code;            // 0: a math error alone
  int position;        // when there is no fault
  const char* fault;   // nullptr: no fault
};

class AfterMathError : public testing::TestWithParam<AfterMathErrorCase> {};

TEST_P(AfterMathError, CarriesTheWorkingRecordsValue) {
  Calculator c;
  const AfterMathErrorCase& want = GetParam();
  try {
    c.Parse(want.text);
  } catch (const Fault& fault) {
    ASSERT_NE(want.fault, nullptr) << fault.what();
    EXPECT_STREQ(fault.what(), want.fault);
    EXPECT_TRUE(c.parser.ParseFailed());
    return;
  }
  ASSERT_EQ(want.fault, nullptr) << "no fault";
  EXPECT_TRUE(c.parser.ParseFailed());
  EXPECT_TRUE(c.parser.MathError());
  EXPECT_EQ(c.parser.ErrorCode(), want.code);
  EXPECT_EQ(c.parser.Position(), want.position);
  EXPECT_EQ(c.parser.ParseValue(), 0);
  EXPECT_EQ(c.errorEvents, want.code ? std::vector<int>{want.code} : std::vector<int>{});
}

constexpr const char* Invalid = "Invalid floating point operation";
constexpr const char* Overflow = "Floating point overflow";

INSTANTIATE_TEST_SUITE_P(Division, AfterMathError, testing::Values(
    AfterMathErrorCase{"(1e4000/0) mod 3", 0, 17, nullptr},   // 0 is left, not 1e4000
    AfterMathErrorCase{"(1e19/0) mod 2", 0, 15, nullptr},
    AfterMathErrorCase{"(1e4000/-0) mod 3", 0, 18, nullptr}));
INSTANTIATE_TEST_SUITE_P(Power, AfterMathError, testing::Values(
    AfterMathErrorCase{"1e4000^899 mod 5", 0, 17, nullptr},   // 899 is left
    AfterMathErrorCase{"1e4000^-899 mod 5", 0, 18, nullptr},
    AfterMathErrorCase{"1e2000^3 * 1e4000", 0, 18, nullptr},
    AfterMathErrorCase{"(-2)^1e19 mod 3", 0, 0, Invalid},     // 1e19 is left, not -2
    AfterMathErrorCase{"0^1e4000 * 1e4000", 0, 0, Overflow}));
INSTANTIATE_TEST_SUITE_P(Remainder, AfterMathError, testing::Values(
    AfterMathErrorCase{"2 mod 0 * 1e4932 * 10", 0, 22, nullptr},  // 0 is left, not 2
    AfterMathErrorCase{"(5 mod 0.4)/1e-4932", 0, 20, nullptr}));  // 0.4 is left, not 5
INSTANTIATE_TEST_SUITE_P(Function, AfterMathError, testing::Values(
    AfterMathErrorCase{"ln(-1e30) mod 7", 0, 0, Invalid},      // the argument is left
    AfterMathErrorCase{"exp(2e4)*1e4932", 0, 0, Overflow},
    AfterMathErrorCase{"sqrt(-4) mod 3", 0, 15, nullptr},
    AfterMathErrorCase{"round(1e10) mod 7", 0, 18, nullptr}));
INSTANTIATE_TEST_SUITE_P(Nested, AfterMathError, testing::Values(
    AfterMathErrorCase{"abs((1e4000/0) mod 3)", 0, 22, nullptr},
    AfterMathErrorCase{"atan(2 mod 0 * 1e4932 * 10)", 0, 28, nullptr},
    AfterMathErrorCase{"ln(1e4000^899 mod 5)*2", 0, 23, nullptr},
    AfterMathErrorCase{"((1e2000^3) * (1e4000))", 0, 24, nullptr}));
INSTANTIATE_TEST_SUITE_P(ThenSyntaxError, AfterMathError, testing::Values(
    AfterMathErrorCase{"(1e4000/0) mod 3 )", 4, 18, nullptr},
    AfterMathErrorCase{"1e4000^899 mod 5 5", 4, 18, nullptr},
    AfterMathErrorCase{"1/0 + (", 3, 8, nullptr},
    AfterMathErrorCase{"sin(1/0 mod 3)", 6, 9, nullptr},
    AfterMathErrorCase{"sqrt(-1) sin", 4, 10, nullptr},
    AfterMathErrorCase{"(1 + ln(0)", 6, 11, nullptr},
    AfterMathErrorCase{"ln(-1e30) mod 7 )", 0, 0, Invalid}));  // the fault comes first

TEST(Events, ParseErrorIsCalledOncePerFailedParseWithTheCode) {
  Calculator c;
  c.Parse("2+3");
  EXPECT_TRUE(c.errorEvents.empty());
  c.Parse("1/0");
  EXPECT_TRUE(c.errorEvents.empty());
  c.Parse("1/0 + (");
  EXPECT_EQ(c.errorEvents, std::vector<int>{3});
  c.Parse("1e+");
  EXPECT_EQ(c.errorEvents, std::vector<int>{7});
}

TEST(Events, GetVarSeesEveryOccurrenceAsWritten) {
  Calculator c;
  c.t = 2;
  c.Parse("t+T*Pi-t2+a_b");
  EXPECT_EQ(c.names, (std::vector<std::string>{"t", "T", "Pi", "t2"}));
  EXPECT_EQ(c.parser.ErrorCode(), 3);
  EXPECT_EQ(c.parser.Position(), 10);  // just after the unknown name
}

TEST(Events, NamesThatAreKeywordsNeverReachGetVar) {
  Calculator c;
  c.Parse("SIN2+sin_x+sqrt(4)+mod");
  EXPECT_EQ(c.names, (std::vector<std::string>{"SIN2"}));
  EXPECT_EQ(c.parser.ErrorCode(), 3);
}

TEST(Events, WithoutHandlersEveryNameIsUnknown) {
  TMathParser p;
  EXPECT_FALSE(p.ParseFailed());
  EXPECT_EQ(p.ParseValue(), 0);
  p.ParseString = "1+t";
  p.Parse();
  EXPECT_EQ(p.ErrorCode(), 3);
  EXPECT_EQ(p.Position(), 4);
}

// Parse of a text the caller keeps, with a plain lookup function: the same
// outcomes as ParseString with OnGetVar, and ParseString is left alone.
TEST(CallerText, ParsesInPlaceWithThePlainLookup) {
  struct Context {
    Extended t = 0.75;
    std::vector<std::string> names;
  } context;
  TMathParser plain;
  plain.OnGetVar = [](TMathParser&, std::string_view, Extended&, bool&) { FAIL() << "OnGetVar called"; };
  plain.SetGetVarFunction(
      [](void* self, TMathParser& sender, std::string_view name, Extended& value, bool& found) {
        auto& c = *static_cast<Context*>(self);
        EXPECT_GT(sender.Position(), 1);
        c.names.emplace_back(name);
        found = LookUpCurveName(name, c.t, value);
      },
      &context);
  plain.ParseString = "kept";
  Calculator c;
  c.t = context.t;
  for (const std::string text : {"2*cos(t)+sin(3*T)^2", "pi*e", "t t", "x+1", "1/0", "sqrt(", "1e4000^899 mod 5",
                                 "((((((((((((((1))))))))))))))", ""}) {
    c.Parse(text);
    context.names.clear();
    plain.Parse(text);
    EXPECT_EQ(plain.ParseFailed(), c.parser.ParseFailed()) << text;
    EXPECT_EQ(plain.ErrorCode(), c.parser.ErrorCode()) << text;
    EXPECT_EQ(plain.Position(), c.parser.Position()) << text;
    EXPECT_EQ(plain.MathError(), c.parser.MathError()) << text;
    EXPECT_EQ(BitsOfExtended(plain.ParseValue()), BitsOfExtended(c.parser.ParseValue())) << text;
    EXPECT_EQ(context.names, c.names) << text;
    EXPECT_EQ(plain.ParseString, "kept");
  }
  // Cleared, the plain lookup gives way to OnGetVar again.
  plain.SetGetVarFunction(nullptr, nullptr);
  bool called = false;
  plain.OnGetVar = [&called](TMathParser&, std::string_view, Extended& value, bool& found) {
    called = found = true;
    value = 4;
  };
  plain.Parse(std::string("t*t"));
  EXPECT_TRUE(called);
  EXPECT_EQ(plain.ParseValue(), 16);
}

TEST(Reuse, NothingOfAFailureRemains) {
  Calculator c;
  for (const std::string& bad : {std::string("ln(0)+("), std::string("1E"), std::string("1/0"),
                                 std::string(20, '('), std::string("!")}) {
    c.Parse(bad);
    ASSERT_TRUE(c.parser.ParseFailed());
    c.Parse("2*3");
    EXPECT_FALSE(c.parser.ParseFailed()) << bad;
    EXPECT_FALSE(c.parser.MathError());
    EXPECT_EQ(c.parser.ErrorCode(), 0);
    EXPECT_EQ(c.parser.ParseValue(), 6);
    EXPECT_EQ(c.parser.Position(), 4);
    EXPECT_TRUE(c.errorEvents.empty());
  }
}

TEST(Reuse, HandlerSeesTheCurrentValueAtEveryParse) {
  Calculator c;
  c.parser.ParseString = "2*t";
  for (int i = 0; i < 3; ++i) {
    c.t = i;
    c.parser.Parse();
    EXPECT_EQ(c.parser.ParseValue(), 2 * i);
  }
}

TEST(Reuse, ParseFromItsOwnHandlerIsRefused) {
  TMathParser p;
  p.OnGetVar = [](TMathParser& sender, std::string_view, Extended&, bool&) { sender.Parse(); };
  p.ParseString = "t";
  EXPECT_THROW(p.Parse(), std::logic_error);
  p.OnGetVar = nullptr;
  p.ParseString = "1";
  p.Parse();
  EXPECT_FALSE(p.ParseFailed());
}

// The scan keeps reading the text it began with; a handler that replaces
// that text (here with one long enough to move it) stops the parse instead
// of leaving the scan in freed memory.
TEST(Reuse, TextReplacedByItsOwnHandlerIsRefused) {
  TMathParser p;
  p.OnGetVar = [](TMathParser& sender, std::string_view, Extended& value, bool& found) {
    sender.ParseString = std::string(200, '1');
    value = 1;
    found = true;
  };
  p.ParseString = "t+t";
  EXPECT_THROW(p.Parse(), std::logic_error);
  EXPECT_TRUE(p.ParseFailed());
  EXPECT_EQ(p.ParseValue(), 0);
  p.OnGetVar = nullptr;
  p.ParseString = "2*3";
  p.Parse();
  EXPECT_FALSE(p.ParseFailed());
  EXPECT_EQ(p.ParseValue(), 6);
}

// The internal consistency faults cannot arise from the tables; reach them
// from inside.
class Inside : public TMathParser {
 public:
  using TMathParser::Run;
  void Setup(std::uint8_t state, TTokenKind kind) {
    StackTop = 2;
    Stack[0].State = 0;
    Stack[1].State = state;
    CurrentKind = kind;
  }
  void ReduceBy(int rule) { Reduce(rule, &Stack[StackTop - 1]); }
};

TEST(InternalFault, ReservedRulesAreInvalidReductions) {
  for (int rule : {11, 13, 0, 17, 99, 101}) {
    Inside p;
    p.Setup(8, TMathParser::EndOfText);
    try {
      p.ReduceBy(rule);
      FAIL() << rule;
    } catch (const InternalFault& fault) {
      EXPECT_STREQ(fault.what(), "Invalid reduction");
    }
  }
}

TEST(InternalFault, StateWithoutRowIsBadTokenState) {
  for (std::uint8_t state : {7, 18, 26, 30, 79, 81, 255}) {
    Inside p;
    p.Setup(state, TMathParser::NumberToken);
    try {
      p.Run();
      FAIL() << int(state);
    } catch (const InternalFault& fault) {
      EXPECT_STREQ(fault.what(), "Bad token state");
    }
  }
}

}  // namespace
