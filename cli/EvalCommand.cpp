// helixor-cli eval [--t VALUE] [EXPR ...]
//
// Evaluates each EXPR (or each line of standard input when there is none)
// with one TMathParser and the main window's lookup of t, pi and e, and
// prints one line per expression:
//   ok <%.20Le> <SSSS:MMMMMMMMMMMMMMMM>
//   fail code=<ErrorCode> position=<Position> math=<0|1>
//   fault <message>
// Exit status: 0 all ok, 1 any failure or fault, 2 a usage error.

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "evaluator/Constants.h"
#include "evaluator/Faults.h"
#include "evaluator/Numeral.h"
#include "evaluator/Parser.h"

namespace {

const char* const Command = "eval";

// Evaluates one text and prints its line; returns whether it gave a value.
bool Evaluate(TMathParser& parser, const std::string& text) {
  parser.ParseString = text;
  try {
    parser.Parse();
  } catch (const Fault& fault) {
    std::printf("fault %s\n", fault.what());
    return false;
  }
  if (parser.ParseFailed()) {
    std::printf("fail code=%d position=%d math=%d\n", parser.ErrorCode(), parser.Position(),
                parser.MathError() ? 1 : 0);
    return false;
  }
  const Extended value = parser.ParseValue();
  const ExtendedBits bits = BitsOfExtended(value);
  std::printf("ok %.20Le %04X:%016llX\n", value, static_cast<unsigned>(bits.SignExponent),
              static_cast<unsigned long long>(bits.Significand));
  return true;
}

}  // namespace

const char* const EvalHelp =
    "usage: helixor-cli eval [--t VALUE] [EXPR ...]\n"
    "\n"
    "Evaluates each EXPR (each line of standard input when there is none) as the\n"
    "program does, in 80-bit reals, with t, pi and e, and prints one line each:\n"
    "  ok <value> <SSSS:MMMMMMMMMMMMMMMM>      the value and its 80-bit pattern\n"
    "  fail code=<C> position=<P> math=<0|1>   not accepted, and where\n"
    "  fault <message>                         beyond the 80-bit range\n"
    "\n"
    "  --t VALUE    the value of t (a decimal number; default 0)\n"
    "  --           ends the options: what follows are expressions\n"
    "  -h, --help   shows this help\n"
    "\n"
    "Exit status: 0 all ok, 1 any failure or fault, 2 a usage error.\n"
    "\n"
    "Example:\n"
    "  helixor-cli eval --t 0.5 'SIN(pi*t)' '2^-3' -- '-t'\n";

int RunEval(const std::vector<std::string>& argv) {
  Extended currentT = 0;
  std::vector<std::string> expressions;
  TArguments args(argv);
  while (args.Next()) {
    const std::string arg = args.Current();
    if (args.Is("--help", 'h') && (arg == "-h" || arg == "--help")) {
      std::fputs(EvalHelp, stdout);
      return 0;
    }
    if (args.Is("--t")) {
      std::string value;
      if (!args.Value(value)) return UsageError(Command, "missing value for", "--t", "give a decimal number");
      if (!DecimalToExtended(value, currentT))
        return UsageError(Command, "invalid value for --t", value, "not a decimal number");
      continue;
    }
    // A leading minus starts an expression ("-t", "-2^2") unless a letter
    // follows a double one: only then is it an option.
    if (!args.IsOperand() && arg.size() > 2 && arg[0] == '-' && arg[1] == '-' &&
        ((arg[2] >= 'a' && arg[2] <= 'z') || (arg[2] >= 'A' && arg[2] <= 'Z')))
      return UsageError(Command, "unknown option", arg, "not an option of eval");
    expressions.push_back(arg);
  }

  TMathParser parser;
  parser.OnGetVar = [&currentT](TMathParser&, std::string_view name, Extended& value, bool& found) {
    found = LookUpCurveName(name, currentT, value);
  };

  bool allOk = true;
  if (!expressions.empty()) {
    for (const std::string& text : expressions) allOk = Evaluate(parser, text) && allOk;
  } else {
    std::string line;
    while (std::getline(std::cin, line)) {
      // getline removed the LF; a CR before it, or at the very end of the
      // input, belongs to the line break.
      if (!line.empty() && line.back() == '\r') line.pop_back();
      allOk = Evaluate(parser, line) && allOk;
    }
  }
  std::fflush(stdout);
  return allOk ? 0 : 1;
}
