// helixor-cli eval [--t VALUE] [EXPR ...]
//
// Evaluates each EXPR (or each line of standard input when there is none)
// with one TMathParser and the main window's lookup of t, pi and e, and
// prints one line per expression:
//   ok <the value as %.20Le> <SSSS:MMMMMMMMMMMMMMMM>
//   fail code=<ErrorCode> position=<Position> math=<0|1>
//   fault <message>
// A line of standard input longer than LongestLine characters is not held
// whole: it gives "fault Line longer than 65535 characters".
// Exit status: 0 all ok, 1 any failure or fault, 2 a usage error or a
// failed read of standard input or write of standard output.

#include <cstdio>
#include <cstring>
#include <cerrno>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "evaluator/Constants.h"
#include "evaluator/DecimalText.h"
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
  } catch (const std::bad_alloc&) {
    std::printf("fault %s\n", OutOfMemoryText);
    return false;
  }
  if (parser.ParseFailed()) {
    std::printf("fail code=%d position=%d math=%d\n", parser.ErrorCode(), parser.Position(),
                parser.MathError() ? 1 : 0);
    return false;
  }
  const Extended value = parser.ParseValue();
  const ExtendedBits bits = BitsOfExtended(value);
  std::printf("ok %s %04X:%016llX\n", FormatScientific(bits, 20).c_str(), static_cast<unsigned>(bits.SignExponent),
              static_cast<unsigned long long>(bits.Significand));
  return true;
}

// The longest line of standard input that is evaluated: the positions the
// evaluator reports count to 65535. A longer one is skipped to its end
// without being kept.
constexpr std::size_t LongestLine = 65535;
const char* const LongLineFault = "fault Line longer than 65535 characters\n";

// Evaluates each line of standard input, holding at most one line of
// LongestLine characters (and its CR) at a time. Stops when standard
// output fails; a failed read is recorded for the final report.
bool EvaluateLines(TMathParser& parser) {
  bool allOk = true;
  std::string line;
  line.reserve(LongestLine + 1);
  bool tooLong = false;
  bool pending = false;  // a line has begun
  auto finish = [&] {
    if (tooLong) {
      std::fputs(LongLineFault, stdout);
      allOk = false;
    } else {
      // The LF is gone; a CR before it, or at the very end of the input,
      // belongs to the line break.
      if (!line.empty() && line.back() == '\r') line.pop_back();
      allOk = Evaluate(parser, line) && allOk;
    }
    line.clear();
    tooLong = pending = false;
  };
  static char buffer[1 << 16];
  for (;;) {
    errno = 0;
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, stdin);
    if (n == 0) {
      if (std::ferror(stdin)) {
        // An interrupted read is tried again.
        if (errno == EINTR) {
          std::clearerr(stdin);
          continue;
        }
        StandardInputFailed(errno ? errno : EIO);
        return false;
      }
      break;
    }
    for (std::size_t k = 0; k < n;) {
      const char* start = buffer + k;
      const void* lf = std::memchr(start, '\n', n - k);
      const std::size_t length = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : n - k;
      pending = true;
      if (!tooLong) {
        // One character more than the longest line: its CR, if it ends so.
        if (line.size() + length > LongestLine + 1) {
          tooLong = true;
          line.clear();
        } else {
          line.append(start, length);
        }
      }
      k += length;
      if (lf) {
        ++k;
        if (!tooLong && line.size() > LongestLine && line.back() != '\r') tooLong = true;
        finish();
        if (StandardOutputFailed()) return false;
      }
    }
  }
  if (pending) {
    if (!tooLong && line.size() > LongestLine && line.back() != '\r') tooLong = true;
    finish();
  }
  return allOk;
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
    "A line of standard input longer than 65535 characters is not evaluated; it\n"
    "gives \"fault Line longer than 65535 characters\".\n"
    "\n"
    "  --t VALUE    the value of t (a decimal number; default 0)\n"
    "  --           ends the options: what follows are expressions\n"
    "  -h, --help   shows this help\n"
    "\n"
    "Exit status: 0 all ok, 1 any failure or fault, 2 a usage error or a failed\n"
    "read of standard input or write of standard output.\n"
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
    for (const std::string& text : expressions) {
      allOk = Evaluate(parser, text) && allOk;
      if (StandardOutputFailed()) break;
    }
  } else {
    allOk = EvaluateLines(parser);
  }
  (void)FlushStandardOutput();
  return allOk ? 0 : 1;
}
