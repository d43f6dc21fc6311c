#pragma once
// Decimal numerals of the expression language and their exact conversion to
// Extended (correctly rounded, independent of the process locale).

#include <cstddef>
#include <string_view>

#include "evaluator/Extended.h"

struct TNumeral {
  // Characters that belong to the numeral; 0 for a lone point.
  std::size_t Length = 0;
  // False for an exponent marker without digits, or a value beyond the
  // 80-bit range.
  bool Converts = false;
  Extended Value = 0;
};

// Reads the numeral at the start of text (which begins with a digit or a
// point): digits with at most one point, at most 80 characters, then an
// optional exponent: "E" or "e", an optional sign and up to 4 digits.
TNumeral ReadNumeral(const char* text, std::size_t length);

// Converts a whole decimal text with an optional sign ("-1.5", "2e-3", ".5")
// to the nearest Extended. False for anything else, or beyond the 80-bit
// range.
bool DecimalToExtended(std::string_view text, Extended& value);
