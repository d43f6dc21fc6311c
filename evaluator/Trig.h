#pragma once
// Cosine and sine in 80 bits, for the evaluator's COS and SIN.

#include "evaluator/Extended.h"

// cosl and sinl reduce every argument beyond pi/4 with a general
// multi-precision routine that costs several times the function itself.
// For |x| <= 4096 these reduce by a three-part pi/2 instead (exact to about
// 2^-168, far below one unit in the last place of any reduced argument in
// that range) and call cosl/sinl on the reduced argument; beyond that they
// are cosl and sinl themselves.
Extended Cosine(Extended x);
Extended Sine(Extended x);
