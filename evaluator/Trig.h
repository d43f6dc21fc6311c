#pragma once
// Cosine and sine in 80 bits, for the evaluator's COS and SIN.

#include "evaluator/Extended.h"

// They reduce the argument to |r| <= pi/4 themselves and call cosl/sinl on
// r only, so that the result is the same on every C library (some reduce
// large arguments with a 66-bit pi, wrong from the second digit at 9e18).
// For |x| <= 4096 by a three-part pi/2 (exact to about 2^-168, far below
// one unit in the last place of any reduced argument in that range), which
// is several times cheaper than a general reduction; up to 2^64 by 2/pi to
// 256 bits in integer arithmetic; beyond that they are cosl and sinl.
Extended Cosine(Extended x);
Extended Sine(Extended x);
