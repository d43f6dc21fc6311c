// TMathParser's loop: Parse runs the automaton over the action table, with
// the scanner and the reductions inlined into it (evaluator/ScanInline.h,
// evaluator/ReduceInline.h) and the tables of evaluator/ParseTables.h.
#include "evaluator/Parser.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "evaluator/ParseTables.h"
#include "evaluator/ReduceInline.h"
#include "evaluator/ScanInline.h"

using namespace ParserDetail;

namespace {

// Re-entrant Parse calls from a handler would tear the stack apart.
// Around a whole parse: refuses a parse from inside a parse, and leaves
// ParseFailed true (and so ParseValue 0) when the parse ends in a fault.
// Around the automaton alone it does nothing.
template <bool WholeParse>
struct ParsingGuard {
  ParsingGuard(bool&, bool&) {}
  void Finish() {}
};

template <>
struct ParsingGuard<true> {
  bool& flag;
  bool& failed;
  bool finished = false;
  ParsingGuard(bool& f, bool& parseFailed) : flag(f), failed(parseFailed) {
    if (flag) throw std::logic_error("TMathParser::Parse called from its own event handler");
    flag = true;
  }
  void Finish() { finished = true; }
  ~ParsingGuard() {
    flag = false;
    if (!finished) failed = true;
  }
};

}  // namespace

void TMathParser::Run() { RunLoop<false>(ParseString); }

void TMathParser::Parse() { RunLoop<true>(ParseString); }

void TMathParser::Parse(const std::string& Text) { RunLoop<true>(Text); }

template <bool WholeParse>
void TMathParser::RunLoop(const std::string& text) {
  // The loop keeps the top entry, the scan position, the text and the
  // look-ahead in registers and writes them back when it ends. Every
  // step jumps straight to the code of its operation.
  static const void* const Code[OpCount] = {
      &&badState, &&shift, &&unit, &&accept, &&markAccept, &&error, &&stop,
      &&rule1, &&rule2, &&rule4, &&rule5, &&rule7, &&rule9, &&rule14, &&rule16, &&rule100};
  ParsingGuard<WholeParse> guard(Parsing, ParseFailed_);
  if constexpr (WholeParse) {
    ErrorCode_ = 0;
    MathError_ = false;
    Accepted = false;
    // Until the parse ends normally its outcome is a failure.
    ParseFailed_ = true;
    // The bottom entry: state 0. Its value is never read.
    Stack[0].State = 0;
    StackTop = 1;
  }
  Text_ = &text;
  ChooseLookup();
  const char* const s = text.data();
  TextLength = text.size();
  TokenRecord* top = Stack + StackTop - 1;
  std::size_t pos = WholeParse ? 0 : Position_ - 1;
  std::size_t length = WholeParse ? 0 : TokenLength;
  TTokenKind kind;
  if constexpr (WholeParse) {
    kind = Scan(s, pos, length, top[1]);
    if (kind == NumeralError) goto done;
  } else {
    kind = CurrentKind;
  }
  std::uint32_t step;
  step = Steps[top->State][kind];

#define HELIXOR_NEXT() goto* Code[step & 0xFF]
// Reduces by the rule, then takes the target state and the one-symbol
// reductions after it, and goes on with the step they end in.
#define HELIXOR_REDUCE(rule, symbol)                       \
  {                                                        \
    top = ReduceValue(rule, top);                          \
    const std::uint8_t below = top[-1].State;              \
    if (below >= StateCount) RaiseBadTokenState();         \
    step = AfterReduce[symbol][below][kind];               \
    top->State = static_cast<std::uint8_t>(step >> 16);    \
    HELIXOR_NEXT();                                        \
  }

  HELIXOR_NEXT();

shift : {
  if (top == Stack + StackSize - 1) {
    // PushToken on a full stack stores nothing; the look-ahead is still
    // read.
    ErrorCode_ = 1;
    kind = Scan(s, pos, length, top[1]);
    goto done;
  }
  // The scanner has put the token's value or function name into the entry
  // above the top already.
  // The states live on the stack only: few registers survive the calls of
  // the loop, and the top entry's state is at hand there anyway.
  const std::uint8_t below = top->State;
  const std::uint8_t to = static_cast<std::uint8_t>(step >> 8);
  ++top;
  kind = Scan(s, pos, length, top[1]);
  if (to == 10) {
    // A number reduces at once, whatever follows.
    step = AfterNumber[below][kind];
    top->State = static_cast<std::uint8_t>(step >> 16);
  } else {
    step = Steps[to][kind];
    top->State = to;
  }
  // Shifts come in runs (an operator, then "(" or a function name, then an
  // operand); a plain branch back predicts them better than the jump.
  if ((step & 0xFF) == OpShift) goto shift;
  HELIXOR_NEXT();
}
unit : {
  // The bottom entry's state (0) never reduces, so there is one below.
  const std::uint8_t below = top[-1].State;
  if (below >= StateCount) RaiseBadTokenState();
  step = ClosureStep(below, top->State, kind);
  top->State = static_cast<std::uint8_t>(step >> 16);
  HELIXOR_NEXT();
}
rule1:
  HELIXOR_REDUCE(1, SymExpr)
rule2:
  HELIXOR_REDUCE(2, SymExpr)
rule4:
  HELIXOR_REDUCE(4, SymTerm)
rule5:
  HELIXOR_REDUCE(5, SymTerm)
rule7:
  HELIXOR_REDUCE(7, SymFactor)
rule100:
  HELIXOR_REDUCE(100, SymFactor)
rule9:
  HELIXOR_REDUCE(9, SymSigned)
rule14:
  HELIXOR_REDUCE(14, SymPrimary)
rule16:
  HELIXOR_REDUCE(16, SymPrimary)
accept:
  Accepted = true;
  goto done;
markAccept:
  MathError_ = true;
  Accepted = true;
  goto done;
error:
  ErrorCode_ = static_cast<std::uint8_t>(step >> 8);
  pos -= length;
  goto done;
stop:  // code 7, set by the scanner
  goto done;
badState:
  RaiseBadTokenState();

#undef HELIXOR_REDUCE
#undef HELIXOR_NEXT
done:
  StackTop = static_cast<std::uint8_t>(top - Stack + 1);
  Position_ = pos + 1;
  TokenLength = length;
  CurrentKind = kind;
  if constexpr (WholeParse) {
    if (ErrorCode_ != 0 && OnParseError) OnParseError(*this, ErrorCode_);
    ParseFailed_ = MathError_ || ErrorCode_ != 0;
    guard.Finish();
  }
}
