// helixor-cli: evaluates expressions, renders and samples function files
// headless, with the same evaluator and Draw command as the program.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Report.h"
#include "evaluator/Faults.h"

const char* const CliUsage =
    "usage: helixor-cli eval [--t VALUE] [EXPR ...]\n"
    "       helixor-cli render [FILE.fnc] [--set NAME=TEXT]... [--view VIEW]\n"
    "                          [-o PICTURE] [--format bmp|png|svg] [--labels]\n"
    "       helixor-cli sample [FILE.fnc] [--set NAME=TEXT]... [--view VIEW] [-o TABLE]\n"
    "       helixor-cli -h | --help | -V | --version\n"
    "\n"
    "  eval     evaluates expressions as the program does, in 80-bit reals\n"
    "  render   draws a function file as \"Draw !\" does; writes BMP, PNG or SVG\n"
    "  sample   writes the samples of the drawing as a CSV table\n"
    "\n"
    "'helixor-cli COMMAND --help' describes a command's options.\n";

namespace {

int RunCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.size() < 2) {
    std::fputs(CliUsage, stderr);
    return 2;
  }
  const std::string command = arguments[1];
  if (command == "--help" || command == "-h") {
    std::fputs(CliUsage, stdout);
    return 0;
  }
  if (command == "--version" || command == "-V") {
    std::puts("helixor-cli 1.0");
    return 0;
  }
  std::vector<std::string> args(arguments.begin() + 2, arguments.end());
  if (command == "eval") return RunEval(args);
  if (command == "render") return RunRender(args);
  if (command == "sample") return RunSample(args);
  return UsageError("", command[0] == '-' ? "unknown option" : "unknown command", command,
                    "the commands are eval, render and sample");
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStandardStreams();
  UseBinaryStandardStreams();
  int status;
  try {
    status = RunCommandLine(CommandLineArguments(argc, argv));
  } catch (const std::exception& error) {  // out of memory, above all
    std::fflush(stdout);
    std::fprintf(stderr, "helixor-cli: %s\n", UserTextOf(error).c_str());
    status = 2;
  }
  return FinishStandardStreams(status);
}
