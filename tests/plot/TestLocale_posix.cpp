#include "TestLocale.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

// Compiles de_DE.UTF-8 into a temporary folder once and points LOCPATH at it.
bool MakeDecimalCommaLocaleAvailable() {
  static std::string folder;
  if (folder.empty()) {
    char pattern[] = "/tmp/helixor-locale-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return false;
    folder = pattern;
    const std::string command = "localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
  }
  ::setenv("LOCPATH", folder.c_str(), 1);
  return true;
}
