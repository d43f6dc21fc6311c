// helixor-cli: evaluates expressions and renders function files headless,
// with the same evaluator and Draw command as the program.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Commands.h"

const char* const CliUsage =
    "usage: helixor-cli eval [--t VALUE] [EXPR ...]\n"
    "       helixor-cli render [FILE.fnc] [--set NAME=TEXT]... "
    "[--view isometric|front|left|bottom] [--output PICTURE.bmp]\n"
    "       helixor-cli --help | --version\n";

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(CliUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") {
    std::fputs(CliUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::puts("helixor-cli 1.0");
    return 0;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "eval") return RunEval(args);
  if (command == "render") return RunRender(args);
  std::fprintf(stderr, "helixor-cli: unknown command '%s'\n", command.c_str());
  std::fputs(CliUsage, stderr);
  return 2;
}
