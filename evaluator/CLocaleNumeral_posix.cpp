#include "evaluator/CLocaleNumeral.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>

Extended CLocaleStrToExtended(const char* text) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c ? strtold_l(text, nullptr, c) : std::strtold(text, nullptr);
}
