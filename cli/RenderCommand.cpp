#include <cstdio>

#include "cli/Commands.h"

int RunRender(const std::vector<std::string>&) {
  std::fputs("helixor-cli: render is not available yet\n", stderr);
  return 2;
}
