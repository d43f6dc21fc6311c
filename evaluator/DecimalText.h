#pragma once
// Decimal text to and from the 80-bit pattern, by exact integer arithmetic
// on the bits alone, so every processor reads and prints the same
// characters as the C library does on x86-64.

#include <string>
#include <string_view>

#include "evaluator/Extended.h"

// The nearest 80-bit value (ties to even) to digits * 10^exponent. digits
// holds decimal digits with at most one '.', at least one digit and no sign,
// of any length; exponent is the decimal exponent that follows it in the
// numeral (any value: huge ones saturate). Overflow gives +infinity,
// underflow a subnormal or +0, all correctly rounded. Characters other than
// digits and the first point are skipped.
ExtendedBits DecimalToBits(std::string_view digits, long long exponent);

// As printf("%.*Le", precision, v) in the C locale on x86-64: the exact
// value rounded half to even, "3.14159265358979323851e+00", "inf", "-inf",
// "nan", "-nan" (a NaN with the sign bit set). A negative precision means 6.
// Patterns the x87 rejects (a nonzero exponent without the integer bit)
// print as NaN, as the C library prints them.
std::string FormatScientific(ExtendedBits value, int precision);

// As std::to_chars(first, last, long double) with neither format nor
// precision: the shortest text that reads back to the same value, fixed or
// scientific whichever is shorter (ties to fixed), e.g. "0.1", "1e+30",
// "-2.5", "inf", "-nan". Returns the end of the written characters; the
// buffer must hold at least 64 characters.
char* FormatShortest(char* first, ExtendedBits value);
// The same for a double, as std::to_chars(first, last, double) writes it.
char* FormatShortest(char* first, double value);

// The exact decimal value of a finite nonzero |value| rounded half to even
// to `significant` digits (at least 1): the digits and the decimal exponent
// of the first one, as to_chars(..., scientific, significant - 1) gives them.
// Zero gives `significant` zeros and exponent 0; infinity and NaN give no
// digits.
struct TDecimalDigits {
  std::string Digits;
  int Exponent = 0;
};
TDecimalDigits RoundedDecimal(ExtendedBits value, int significant);
