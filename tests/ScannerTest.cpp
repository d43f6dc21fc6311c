// The scanner, numeral conversion and the t/pi/e lookup.
#include <gtest/gtest.h>

#include "plot/TestLocale.h"

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "evaluator/Constants.h"
#include "evaluator/Numeral.h"
#include "evaluator/Parser.h"
#include "support/CaseName.h"
#include "support/ExtendedTesting.h"

namespace {

using helixor_test::NameByText;

using Kind = TMathParser::TTokenKind;

struct Token {
  Kind kind;
  int position;  // Position after the token
  std::string detail;
  friend bool operator==(const Token&, const Token&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Token& t) {
    return os << "{" << int(t.kind) << "," << t.position << "," << t.detail << "}";
  }
};

// Scans a whole text; a NumberToken's detail is its value, a
// FunctionToken's its name. Stops at the end, at a token that does not
// advance, or at code 7.
class Scanner : public TMathParser {
 public:
  std::vector<std::string> names;

  Scanner() {
    OnGetVar = [this](TMathParser&, std::string_view name, Extended& value, bool& found) {
      names.emplace_back(name);
      found = LookUpCurveName(name, 7, value);
    };
  }

  std::vector<Token> Scan(const std::string& text) {
    ParseString = text;
    BeginScan();
    std::vector<Token> tokens;
    for (;;) {
      const Kind kind = ScanToken();
      std::string detail;
      if (ErrorCode_ == 7) detail = "code7";
      else if (kind == NumberToken) detail = Text(CurrentToken.Value);
      else if (kind == FunctionToken) detail = CurrentToken.FuncName;
      else if (kind != EndOfText) detail = "len" + std::to_string(TokenLength);
      tokens.push_back({kind, Position(), detail});
      if (kind == EndOfText || kind == BadToken || kind == ErrorMark) break;
    }
    return tokens;
  }

  static std::string Text(Extended v) { return helixor_test::GeneralText(v, 19); }
};

constexpr Kind Num = TMathParser::NumberToken, Fun = TMathParser::FunctionToken,
               End = TMathParser::EndOfText, Bad = TMathParser::BadToken,
               Mark = TMathParser::ErrorMark, Mod = TMathParser::ModKeyword,
               Plus = TMathParser::PlusSign, Times = TMathParser::Asterisk,
               Open = TMathParser::LeftParen, Close = TMathParser::RightParen,
               Minus = TMathParser::MinusSign, Caret = TMathParser::Caret;

struct ScanCase {
  std::string text;
  std::vector<Token> tokens;
};

class Scan : public testing::TestWithParam<ScanCase> {};

TEST_P(Scan, Tokens) {
  Scanner s;
  EXPECT_EQ(s.Scan(GetParam().text), GetParam().tokens) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Blanks, Scan, testing::Values(
    ScanCase{"", {{End, 1, ""}}},
    ScanCase{"   ", {{End, 4, ""}}},
    ScanCase{" 2 ", {{Num, 3, "2"}, {End, 4, ""}}},
    ScanCase{"2\t3", {{Num, 2, "2"}, {Bad, 2, "len0"}}},
    ScanCase{"!", {{Mark, 1, "len0"}}},
    ScanCase{"+-*^()", {{Plus, 2, "len1"}, {Minus, 3, "len1"}, {Times, 4, "len1"},
                        {Caret, 5, "len1"}, {Open, 6, "len1"}, {Close, 7, "len1"}, {End, 7, ""}}}), NameByText());

INSTANTIATE_TEST_SUITE_P(Numerals, Scan, testing::Values(
    ScanCase{"2.5", {{Num, 4, "2.5"}, {End, 4, ""}}},
    ScanCase{".5+1", {{Num, 3, "0.5"}, {Plus, 4, "len1"}, {Num, 5, "1"}, {End, 5, ""}}},
    ScanCase{"5.", {{Num, 3, "5"}, {End, 3, ""}}},
    ScanCase{"1.2.3", {{Num, 4, "1.2"}, {Num, 6, "0.3"}, {End, 6, ""}}},
    ScanCase{".", {{Bad, 1, "len0"}}},
    ScanCase{"2*.", {{Num, 2, "2"}, {Times, 3, "len1"}, {Bad, 3, "len0"}}},
    ScanCase{".e5", {{Bad, 1, "len0"}}},
    ScanCase{"1e3", {{Num, 4, "1000"}, {End, 4, ""}}},
    ScanCase{"2E-2", {{Num, 5, "0.02"}, {End, 5, ""}}},
    ScanCase{"2E+3", {{Num, 5, "2000"}, {End, 5, ""}}},
    ScanCase{"1E", {{Bad, 3, "code7"}}},
    ScanCase{"1E+", {{Bad, 4, "code7"}}},
    ScanCase{"1e-", {{Bad, 4, "code7"}}},
    ScanCase{"1e00015", {{Num, 7, "10"}, {Num, 8, "5"}, {End, 8, ""}}},
    ScanCase{"1e9999", {{Bad, 7, "code7"}}},
    ScanCase{"1e-9999", {{Num, 8, "0"}, {End, 8, ""}}},
    ScanCase{std::string(80, '1') + "23",
             {{Num, 81, "1.111111111111111111e+79"}, {Num, 83, "23"}, {End, 83, ""}}}), NameByText());

INSTANTIATE_TEST_SUITE_P(Names, Scan, testing::Values(
    ScanCase{"sin(t)", {{Fun, 4, "SIN"}, {Open, 5, "len1"}, {Num, 6, "7"}, {Close, 7, "len1"}, {End, 7, ""}}},
    ScanCase{"Sin t", {{Fun, 4, "SIN"}, {Num, 6, "7"}, {End, 6, ""}}},
    ScanCase{"SQRT SQR sqrt", {{Fun, 5, "SQRT"}, {Fun, 9, "SQR"}, {Fun, 14, "SQRT"}, {End, 14, ""}}},
    ScanCase{"abs Atan cos exp LN round trunc", {{Fun, 4, "ABS"}, {Fun, 9, "ATAN"}, {Fun, 13, "COS"},
        {Fun, 17, "EXP"}, {Fun, 20, "LN"}, {Fun, 26, "ROUND"}, {Fun, 32, "TRUNC"}, {End, 32, ""}}},
    ScanCase{"mod MOD Mod", {{Mod, 4, "len3"}, {Mod, 8, "len3"}, {Mod, 12, "len3"}, {End, 12, ""}}},
    ScanCase{"pI", {{Num, 3, "3.141592653589793239"}, {End, 3, ""}}},
    ScanCase{"sin_x", {{Bad, 6, "len0"}}},
    ScanCase{"_a", {{Bad, 1, "len0"}}}), NameByText());

TEST(Scan, NamesReachGetVarAsWritten) {
  Scanner s;
  s.Scan("t2");
  s.Scan("a_b");
  s.Scan("Pi");
  s.Scan("SIN2");
  EXPECT_EQ(s.names, (std::vector<std::string>{"t2", "a_b", "Pi", "SIN2"}));
}

// Conversion is exact: the same as the C library's correctly rounded one,
// on both the fast and the general path.
class Conversion : public testing::TestWithParam<const char*> {};

TEST_P(Conversion, MatchesCorrectRounding) {
  const std::string text = GetParam();
  const TNumeral numeral = ReadNumeral(text.data(), text.size());
  ASSERT_EQ(numeral.Length, text.size());
  ASSERT_TRUE(numeral.Converts);
#ifdef HELIXOR_TEST_X87
  const std::string c = text[0] == '.' ? "0" + text : text;
  EXPECT_EQ(numeral.Value, helixor_test::FromLongDouble(std::strtold(c.c_str(), nullptr)));
#else
  GTEST_SKIP() << "the C library's long double is not the 80-bit format here";
#endif
}

INSTANTIATE_TEST_SUITE_P(Numerals, Conversion, testing::Values(
    "0.1", "0.3", "123456789012345678", "9999999999999999999", "18446744073709551615",
    "18446744073709551617", "3.14159265358979323846264338", ".000000000000000000000000001234",
    "1e27", "1e28", "1e-27", "1e-28", "1234567890123456789e27", "4.9e-4951", "1.18973149535723176502e4932",
    "0.0000", "000000000000000000000000000000000000000000000000000000000001.5",
    "7.2057594037927936e16", "2.5e-4940"), NameByText());

TEST(Conversion, NumeralsAreIndependentOfTheProcessLocale) {
  if (!UseDecimalCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma can be had";
  const std::string text = "2.50000000000000000000000001";
  const TNumeral numeral = ReadNumeral(text.data(), text.size());
  UseCLocale();
  EXPECT_EQ(numeral.Value, 2.5);
}

TEST(Conversion, DecimalTexts) {
  Extended v = 99;
  EXPECT_TRUE(DecimalToExtended("-1.5", v));
  EXPECT_EQ(v, -1.5);
  EXPECT_TRUE(DecimalToExtended("+.5e1", v));
  EXPECT_EQ(v, 5);
  for (const char* bad : {"", "-", ".", "1e", "1.5x", "inf", "nan", "0x10", "1e99999", "--1", " 1"})
    EXPECT_FALSE(DecimalToExtended(bad, v)) << bad;
}

TEST(Lookup, TPiAndEInAnyCase) {
  EXPECT_EQ(BitsOfExtended(PiValue()), (ExtendedBits{0x4000, 0xC90FDAA22168C235ull}));
  EXPECT_EQ(BitsOfExtended(EValue()), (ExtendedBits{0x4000, 0xADF85458248CDACDull}));
  for (const char* name : {"t", "T"}) {
    Extended v = 0;
    EXPECT_TRUE(LookUpCurveName(name, 1.25, v));
    EXPECT_EQ(v, 1.25);
  }
  for (const char* name : {"pi", "PI", "Pi", "pI"}) {
    Extended v = 0;
    EXPECT_TRUE(LookUpCurveName(name, 0, v));
    EXPECT_EQ(v, PiValue());
  }
  for (const char* name : {"e", "E"}) {
    Extended v = 0;
    EXPECT_TRUE(LookUpCurveName(name, 0, v));
    EXPECT_EQ(v, EValue());
  }
  for (const char* name : {"", "x", "tt", "pie", "p", "ee", "t2"}) {
    Extended v = 42;
    EXPECT_FALSE(LookUpCurveName(name, 0, v)) << name;
    EXPECT_EQ(v, 42) << name;
  }
}

}  // namespace
