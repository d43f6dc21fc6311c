#pragma once
// Number and integer texts of the Draw command.

#include <string>
#include <string_view>

#include "evaluator/Extended.h"

// The decimal separator of the user's locale (LC_NUMERIC), "." in the C locale.
std::string DecimalSeparator();

// A value in the pattern "0.00": at least one integer digit, no thousands
// separators, two decimals. The value is first taken to 18 significant
// digits, then rounded to two decimals, a half away from zero. From 10^18 up
// (in magnitude) the pattern does not apply: the result is then the general
// form, e.g. "2E20", and *general is set.
std::string FormatTwoDecimals(Extended value, const std::string& separator, bool* general = nullptr);

// The general form: at most 15 significant digits, trailing zeros dropped,
// an exponent when the value needs one ("2E20", "1.5E-7", "123.25").
std::string FormatGeneral(Extended value, const std::string& separator);

// "Zoom : 200.00x", or the bare general form from 10^18 up.
std::string ZoomText(Extended zoom, const std::string& separator);
// "Length : 1.00 approx.", or the bare general form and "." from 10^18 up.
std::string LengthText(Extended length, const std::string& separator);

// The sample count conversion: leading blanks, then an optional sign and
// decimal digits within 32 bits, or (unsigned) "$", "x" or "0x" and one to
// eight hexadecimal digits taken as a 32-bit pattern; nothing after the
// digits. Throws ConversionFault "'<text>' is not a valid integer value".
int StrToInt(const std::string& text);
