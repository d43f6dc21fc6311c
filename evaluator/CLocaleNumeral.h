#pragma once
// The C library's conversion of a decimal text to the nearest Extended, with
// "." as the decimal point whatever the process locale. The one place where
// the platforms differ in how that is had.

#include "evaluator/Extended.h"

// Text: digits with at most one point, then optionally "E" or "e", an
// optional sign and digits; no sign in front. An overflow gives infinity,
// an underflow zero or a subnormal, all correctly rounded.
Extended CLocaleStrToExtended(const char* text);
