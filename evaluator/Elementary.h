#pragma once
// The exponential, natural logarithm and arctangent in 80 bits, Helixor's
// own: the same bits on every platform, whatever its C library does.
//
// Each reduces its argument by a table, evaluates a short series in 128-bit
// integer fixed point (some 95 correct bits, the higher terms in 64 bits)
// and rounds once to nearest. They are within one unit in the last place
// everywhere and correctly rounded but for a few arguments in a million;
// results below the normal range are rounded to the subnormal grid.
// Sine and cosine are in Trig.h.

#include "evaluator/Extended.h"

// e^x: 1 for x = 0, +inf above the range, +0 below the subnormals, NaN
// for NaN.
Extended Exp(Extended x);
// ln x: +0 for 1, -inf for +-0, NaN below 0 and for NaN, +inf for +inf.
Extended Ln(Extended x);
// arctan x, in [-pi/2, pi/2] (pi/2 rounded for +-inf); x itself (with its
// sign) where |x| < 2^-32.
Extended ArcTan(Extended x);
