#pragma once
// The names an expression may use besides the function names: t, pi and e,
// in any letter case. The main window's lookup and helixor-cli share this.

#include <string_view>

#include "evaluator/Extended.h"

// pi rounded to nearest: 4000:C90FDAA22168C235 (3.14159265358979323851).
inline constexpr Extended PiConstant = ExtendedFromBits(0x4000, 0xC90FDAA22168C235);
// 2.718281828 rounded to nearest: 4000:ADF85458248CDACD. Ten significant
// digits only, not Euler's number to full precision.
inline constexpr Extended EConstant = ExtendedFromBits(0x4000, 0xADF85458248CDACD);

Extended PiValue();
Extended EValue();

// Answers a name as the evaluator's OnGetVar handler does: the name is
// upper-cased (ASCII a-z only) and compared with "T" (the current t), "PI"
// and "E". Returns whether the name is one of them; Value is set only then.
// Inline: the handler runs for every name of every parse.
inline bool LookUpCurveName(std::string_view VarName, const Extended& CurrentT, Extended& Value) {
  // Clearing bit 5 upper-cases a letter; no other character becomes one of
  // the letters compared here.
  if (VarName.size() == 1) {
    const char c = static_cast<char>(VarName[0] & ~0x20);
    if (c == 'T') {
      Value = CurrentT;
      return true;
    }
    if (c == 'E') {
      Value = EConstant;
      return true;
    }
  } else if (VarName.size() == 2 && (VarName[0] & ~0x20) == 'P' && (VarName[1] & ~0x20) == 'I') {
    Value = PiConstant;
    return true;
  }
  return false;
}
