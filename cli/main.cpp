// helixor-cli: evaluates expressions and renders function files headless,
// with the same evaluator and Draw command as the program.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"

const char* const CliUsage =
    "usage: helixor-cli eval [--t VALUE] [EXPR ...]\n"
    "       helixor-cli render [FILE.fnc] [--set NAME=TEXT]... "
    "[--view isometric|front|left|bottom] [--output PICTURE.bmp]\n"
    "       helixor-cli --help | --version\n";

int main(int argc, char** argv) {
  UseBinaryStandardStreams();
  const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
  if (arguments.size() < 2) {
    std::fputs(CliUsage, stderr);
    return 2;
  }
  const std::string command = arguments[1];
  if (command == "--help" || command == "-h") {
    std::fputs(CliUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::puts("helixor-cli 1.0");
    return 0;
  }
  std::vector<std::string> args(arguments.begin() + 2, arguments.end());
  if (command == "eval") return RunEval(args);
  if (command == "render") return RunRender(args);
  std::fprintf(stderr, "helixor-cli: unknown command '%s'\n", command.c_str());
  std::fputs(CliUsage, stderr);
  return 2;
}
