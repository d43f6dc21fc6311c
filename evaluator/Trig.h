#pragma once
// Cosine and sine in 80 bits, for the evaluator's COS and SIN: Helixor's
// own, the same bits on every platform.

#include "evaluator/Extended.h"

// They reduce the argument to |r| <= pi/4 in integer arithmetic: below 2^63
// (all a drawing passes) by 2/pi to 192 bits, r then correct to at least 86
// bits; beyond, and within 2^-41 quadrants of a multiple of pi/2, by 2/pi to
// 256 significant bits (a window of its binary expansion chosen by the size
// of x), r to 128 bits. Then a table of sin and cos at multiples of 1/256
// and short series in 128-bit fixed point, rounded once: within one unit in
// the last place, nearly always correctly rounded.
// NaN for NaN and infinities.
Extended Cosine(Extended x);
Extended Sine(Extended x);
