#include <cstdio>

#include "cli/Commands.h"

int RunEval(const std::vector<std::string>&) {
  std::fputs("helixor-cli: eval is not available yet\n", stderr);
  return 2;
}
