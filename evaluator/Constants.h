#pragma once
// The names an expression may use besides the function names: t, pi and e,
// in any letter case. The main window's lookup and helixor-cli share this.

#include <string_view>

#include "evaluator/Extended.h"

// pi rounded to nearest: 4000:C90FDAA22168C235 (3.14159265358979323851).
Extended PiValue();
// 2.718281828 rounded to nearest: 4000:ADF85458248CDACD. Ten significant
// digits only, not Euler's number to full precision.
Extended EValue();

// Answers a name as the evaluator's OnGetVar handler does: the name is
// upper-cased (ASCII a-z only) and compared with "T" (the current t), "PI"
// and "E". Returns whether the name is one of them; Value is set only then.
bool LookUpCurveName(std::string_view VarName, Extended CurrentT, Extended& Value);
