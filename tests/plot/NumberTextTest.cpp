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
      {Extended(200) / 1.5, "Zoom : 133.33x", "Length : 133.33 approx."},
      {1, "Zoom : 1.00x", "Length : 1.00 approx."},
      {0, "Zoom : 0.00x", "Length : 0.00 approx."},
      {ExtendedFromBits(0x3FF7, 0x83126E978D4FDF3B) /* 0.004 */, "Zoom : 0.00x", "Length : 0.00 approx."},
      {ExtendedFromBits(0x3FF7, 0xA3D70A3D70A3D70A) /* 0.005 */, "Zoom : 0.01x", "Length : 0.01 approx."},      // a half goes up
      {ExtendedFromBits(0x4000, 0x96147AE147AE147B) /* 2.345 */, "Zoom : 2.35x", "Length : 2.35 approx."},
      {ExtendedFromBits(0x4003, 0xFEA5DD5C5A4A610F) /* 31.83098861837906715 */, "Zoom : 31.83x", "Length : 31.83 approx."},
      {ExtendedFromBits(0x4008, 0xF9FFAE147AE147AE) /* 999.995 */, "Zoom : 1000.00x", "Length : 1000.00 approx."},
      // 0.124999999999999999993 has 18 significant nines-ending digits that
      // round up to 0.125 first, which then gives 0.13.
      {ExtendedFromBits(0x3FFB, 0xFFFFFFFFFFFFFFFF) /* 0.125 - 2^-67 */, "Zoom : 0.13x", "Length : 0.13 approx."},
      {999999999999999999, "Zoom : 999999999999999999.00x", "Length : 999999999999999999.00 approx."},
      // From 10^18 up, the bare general form.
      {1e18, "1E18", "1E18."},
      {2e20, "2E20", "2E20."},
      {1.5e18, "1.5E18", "1.5E18."},
      {ExtendedFromBits(0x4041, 0xD629D3F025E6CD87) /* 123456789012345678901 */, "1.23456789012346E20",
       "1.23456789012346E20."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zoom);
    EXPECT_EQ(ZoomText(c.value, "."), c.zoom);
    EXPECT_EQ(LengthText(c.value, "."), c.length);
  }
}

TEST(NumberTextTest, NegativeValuesKeepTheirSignUnlessTheyRoundToZero) {
  EXPECT_EQ(FormatTwoDecimals(ExtendedFromBits(0xBFFF, 0x80A3D70A3D70A3D7) /* -1.005 */, "."), "-1.01");
  EXPECT_EQ(FormatTwoDecimals(ExtendedFromBits(0xBFF5, 0x83126E978D4FDF3B) /* -0.001 */, "."), "0.00");
  EXPECT_EQ(FormatTwoDecimals(-3e19, "."), "-3E19");
}

TEST(NumberTextTest, DecimalSeparatorComesFromTheLocale) {
  EXPECT_EQ(ZoomText(200, ","), "Zoom : 200,00x");
  EXPECT_EQ(LengthText(1.5e18, ","), "1,5E18.");
  UseCLocale();
  EXPECT_EQ(DecimalSeparator(), ".");
  if (!UseDecimalCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma";
  EXPECT_EQ(DecimalSeparator(), ",");
  EXPECT_EQ(ZoomText(Extended(200) / 1.5, DecimalSeparator()), "Zoom : 133,33x");
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
