#include "evaluator/Constants.h"

namespace {

const Extended Pi = ExtendedFromBits(0x4000, 0xC90FDAA22168C235ull);
const Extended E = ExtendedFromBits(0x4000, 0xADF85458248CDACDull);

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

Extended PiValue() { return Pi; }
Extended EValue() { return E; }

bool LookUpCurveName(std::string_view VarName, Extended CurrentT, Extended& Value) {
  if (VarName.size() == 1) {
    const char c = Upper(VarName[0]);
    if (c == 'T') {
      Value = CurrentT;
      return true;
    }
    if (c == 'E') {
      Value = E;
      return true;
    }
  } else if (VarName.size() == 2 && Upper(VarName[0]) == 'P' && Upper(VarName[1]) == 'I') {
    Value = Pi;
    return true;
  }
  return false;
}
