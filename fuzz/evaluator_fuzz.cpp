// Parse any text: no crash, no hang, no sanitizer report, a consistent
// outcome, the same outcome when the same text is parsed again, and the
// outcome of the plain automaton (tests/support/ReferenceAutomaton.h): the
// same kind, code, position, math error, value bits or fault text.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "evaluator/Constants.h"
#include "evaluator/Faults.h"
#include "evaluator/Parser.h"
#include "tests/support/ReferenceAutomaton.h"

namespace {

using reference::OutcomeKind;

int Events = 0;

void LookUp(TMathParser&, std::string_view name, Extended& value, bool& found) {
  found = LookUpCurveName(name, 1.5, value);
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// One parse, and the events it raised. A fault other than the two of the
// arithmetic (the internal ones never arise from the tables) fails below.
reference::Outcome Run(TMathParser& parser, int& events) {
  Events = 0;
  const reference::Outcome o = reference::ByParse(parser);
  events = Events;
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TMathParser parser;
  static reference::Automaton automaton;
  static bool ready = false;
  if (!ready) {
    parser.OnGetVar = LookUp;
    parser.OnParseError = [](TMathParser& sender, int code) {
      Check(code == sender.ErrorCode() && code != 0);
      ++Events;
    };
    automaton.OnGetVar = LookUp;
    ready = true;
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  parser.ParseString = text;

  int events = 0;
  const reference::Outcome first = Run(parser, events);
  Check(first.fault != "still readable after a fault");
  if (first.kind != OutcomeKind::Fault) {
    Check(events == (first.code != 0 ? 1 : 0));
    Check(parser.ParseFailed() == (first.kind != OutcomeKind::Accepted));
    if (parser.ParseFailed()) {
      Check(parser.ParseValue() == 0);
      Check(first.code == 0 || first.code == 1 || (first.code >= 3 && first.code <= 7));
    } else {
      Check(std::isfinite(parser.ParseValue()));
    }
    Check(first.position >= 1 && static_cast<std::size_t>(first.position) <= size + 1);
  } else {
    Check(first.fault == "Floating point overflow" || first.fault == "Invalid floating point operation");
  }

  int againEvents = 0;
  const reference::Outcome again = Run(parser, againEvents);
  Check(first == again && events == againEvents);
  Check(first == automaton.Evaluate(text));
  return 0;
}
