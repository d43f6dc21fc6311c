#include "TestLocale.h"

#include <clocale>
#include <initializer_list>
#include <cstring>

namespace {

bool TryLocales() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR", "ru_RU.UTF-8",
                           "German_Germany.1252", "de-DE"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr && std::strcmp(std::localeconv()->decimal_point, ",") == 0)
      return true;
  }
  return false;
}

}  // namespace

bool UseDecimalCommaLocale() { return TryLocales() || (MakeDecimalCommaLocaleAvailable() && TryLocales()); }

void UseCLocale() { std::setlocale(LC_NUMERIC, "C"); }
