// Parse any text: no crash, no hang, no sanitizer report, a consistent
// outcome, and the same outcome when the same text is parsed again.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "evaluator/Constants.h"
#include "evaluator/Faults.h"
#include "evaluator/Parser.h"

namespace {

struct Outcome {
  bool failed = false;
  int code = 0;
  int position = 0;
  bool math = false;
  ExtendedBits value;
  std::string fault;
  int events = 0;

  bool operator==(const Outcome&) const = default;
};

Outcome Run(TMathParser& parser, int& events) {
  Outcome o;
  events = 0;
  try {
    parser.Parse();
  } catch (const InternalFault& fault) {
    std::abort();  // the tables never raise it
  } catch (const Fault& fault) {
    o.fault = fault.what();
  }
  o.failed = parser.ParseFailed();
  o.code = parser.ErrorCode();
  o.position = parser.Position();
  o.math = parser.MathError();
  o.value = BitsOfExtended(parser.ParseValue());
  o.events = events;
  return o;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TMathParser parser;
  static int events = 0;
  static bool ready = false;
  if (!ready) {
    parser.OnGetVar = [](TMathParser&, std::string_view name, Extended& value, bool& found) {
      found = LookUpCurveName(name, 1.5L, value);
    };
    parser.OnParseError = [](TMathParser& sender, int code) {
      Check(code == sender.ErrorCode() && code != 0);
      ++events;
    };
    ready = true;
  }
  parser.ParseString.assign(reinterpret_cast<const char*>(data), size);

  const Outcome first = Run(parser, events);
  if (first.fault.empty()) {
    Check(first.events == (first.code != 0 ? 1 : 0));
    Check(first.failed == (first.code != 0 || first.math));
    if (first.failed) {
      Check(parser.ParseValue() == 0);
      Check(first.code == 0 || first.code == 1 || (first.code >= 3 && first.code <= 7));
    } else {
      Check(std::isfinite(parser.ParseValue()));
    }
    Check(first.position >= 1 && static_cast<std::size_t>(first.position) <= size + 1);
  } else {
    Check(first.failed && parser.ParseValue() == 0);
  }

  const Outcome second = Run(parser, events);
  Check(first == second);
  return 0;
}
