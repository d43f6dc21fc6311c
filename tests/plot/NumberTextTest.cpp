#include <gtest/gtest.h>

#include <cmath>

#include "TestLocale.h"
#include "evaluator/Faults.h"
#include "plot/NumberText.h"

namespace {

TEST(NumberTextTest, LabelTexts) {
  struct Case {
    Extended value;
    const char* zoom;
    const char* length;
  } cases[] = {
      {200, "Zoom : 200.00x", "Length : 200.00 approx."},
      {200.0L / 1.5L, "Zoom : 133.33x", "Length : 133.33 approx."},
      {1, "Zoom : 1.00x", "Length : 1.00 approx."},
      {0, "Zoom : 0.00x", "Length : 0.00 approx."},
      {0.004L, "Zoom : 0.00x", "Length : 0.00 approx."},
      {0.005L, "Zoom : 0.01x", "Length : 0.01 approx."},      // a half goes up
      {2.345L, "Zoom : 2.35x", "Length : 2.35 approx."},
      {31.83098861837906715L, "Zoom : 31.83x", "Length : 31.83 approx."},
      {999.995L, "Zoom : 1000.00x", "Length : 1000.00 approx."},
      // 0.124999999999999999993 has 18 significant nines-ending digits that
      // round up to 0.125 first, which then gives 0.13.
      {0.125L - std::ldexp(1.0L, -67), "Zoom : 0.13x", "Length : 0.13 approx."},
      {999999999999999999.0L, "Zoom : 999999999999999999.00x", "Length : 999999999999999999.00 approx."},
      // From 10^18 up, the bare general form.
      {1e18L, "1E18", "1E18."},
      {2e20L, "2E20", "2E20."},
      {1.5e18L, "1.5E18", "1.5E18."},
      {123456789012345678901.0L, "1.23456789012346E20", "1.23456789012346E20."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zoom);
    EXPECT_EQ(ZoomText(c.value, "."), c.zoom);
    EXPECT_EQ(LengthText(c.value, "."), c.length);
  }
}

TEST(NumberTextTest, NegativeValuesKeepTheirSignUnlessTheyRoundToZero) {
  EXPECT_EQ(FormatTwoDecimals(-1.005L, "."), "-1.01");
  EXPECT_EQ(FormatTwoDecimals(-0.001L, "."), "0.00");
  EXPECT_EQ(FormatTwoDecimals(-3e19L, "."), "-3E19");
}

TEST(NumberTextTest, DecimalSeparatorComesFromTheLocale) {
  EXPECT_EQ(ZoomText(200, ","), "Zoom : 200,00x");
  EXPECT_EQ(LengthText(1.5e18L, ","), "1,5E18.");
  UseCLocale();
  EXPECT_EQ(DecimalSeparator(), ".");
  if (!UseDecimalCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma";
  EXPECT_EQ(DecimalSeparator(), ",");
  EXPECT_EQ(ZoomText(200.0L / 1.5L, DecimalSeparator()), "Zoom : 133,33x");
  UseCLocale();
}

TEST(NumberTextTest, SampleCountConversion) {
  struct Case {
    const char* text;
    int value;
  } good[] = {
      {"100", 100},       {"  42", 42},         {"+7", 7},           {"-5", -5},
      {"0", 0},           {"-0", 0},            {"00000000000000000012", 12},
      {"2147483647", 2147483647},               {"-2147483648", -2147483647 - 1},
      {"$FFFFFFFF", -1},  {"$7fffffff", 2147483647}, {"x1f", 31}, {"X1F", 31},
      {"0x10", 16},       {"0X10", 16},         {"  $A", 10},        {"$80000000", -2147483647 - 1},
  };
  for (const Case& c : good) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  const char* bad[] = {"",       " ",     "abc",   "1 ",         "1.0",  "2147483648", "-2147483649",
                       "$",      "0x",    "x",     "$123456789", "-$1",  "+x1",        "+ 1",
                       "\t1",    "1e3",   "--1",   "$G",         "0x0x1", "99999999999999999999"};
  for (const char* text : bad) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "'" << text << "' converted";
    } catch (const ConversionFault& f) {
      EXPECT_EQ(std::string(f.what()), std::string("'") + text + "' is not a valid integer value");
    }
  }
}

}  // namespace
