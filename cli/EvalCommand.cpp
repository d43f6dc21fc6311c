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

#include "cli/Commands.h"
#include "evaluator/Constants.h"
#include "evaluator/Faults.h"
#include "evaluator/Numeral.h"
#include "evaluator/Parser.h"

namespace {

int UsageError(const std::string& message) {
  std::fprintf(stderr, "helixor-cli eval: %s\n", message.c_str());
  std::fputs(CliUsage, stderr);
  return 2;
}

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

int RunEval(const std::vector<std::string>& args) {
  Extended currentT = 0;
  std::vector<std::string> expressions;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options && (arg == "--help" || arg == "-h")) {
      std::fputs(CliUsage, stdout);
      return 0;
    }
    if (options && arg == "--") {
      options = false;
      continue;
    }
    if (options && (arg == "--t" || arg.rfind("--t=", 0) == 0)) {
      std::string value;
      if (arg == "--t") {
        if (i + 1 >= args.size()) return UsageError("--t needs a value");
        value = args[++i];
      } else {
        value = arg.substr(4);
      }
      if (!DecimalToExtended(value, currentT))
        return UsageError("'" + value + "' is not a decimal number");
      continue;
    }
    if (options && arg.size() > 2 && arg[0] == '-' && arg[1] == '-' &&
        ((arg[2] >= 'a' && arg[2] <= 'z') || (arg[2] >= 'A' && arg[2] <= 'Z')))
      return UsageError("unknown option '" + arg + "'");
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
