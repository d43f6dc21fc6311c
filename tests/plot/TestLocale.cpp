#include "TestLocale.h"

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool TryLocales() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR", "ru_RU.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr && std::strcmp(std::localeconv()->decimal_point, ",") == 0)
      return true;
  }
  return false;
}

}  // namespace

bool UseDecimalCommaLocale() {
  if (TryLocales()) return true;
  static std::string folder;
  if (folder.empty()) {
    char pattern[] = "/tmp/helixor-locale-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return false;
    folder = pattern;
    const std::string command = "localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
  }
  ::setenv("LOCPATH", folder.c_str(), 1);
  return TryLocales();
}

void UseCLocale() { std::setlocale(LC_NUMERIC, "C"); }
