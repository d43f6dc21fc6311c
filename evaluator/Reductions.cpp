// The reductions taken one at a time: Reduce and TargetState, as the
// component's interface offers them (the loop in Parser.cpp runs the same
// reductions through its fused steps), and the evaluator's faults.
#include <stdexcept>

#include "evaluator/Faults.h"
#include "evaluator/ParseTables.h"
#include "evaluator/Parser.h"
#include "evaluator/ReduceInline.h"

namespace ParserDetail {

void RaiseOverflow() { throw OverflowFault(); }
void RaiseInvalidOperation() { throw InvalidOperationFault(); }
void RaiseBadTokenState() { throw InternalFault("Bad token state"); }
void RaiseInvalidReduction() { throw InternalFault("Invalid reduction"); }

}  // namespace ParserDetail

using namespace ParserDetail;

// TargetState: the left symbol of the rule and the state below the popped
// entries give the new state. The rule is one of the grammar's here (from
// the action table, or checked by Reduce).
inline std::uint8_t TMathParser::TargetState(int rule, std::uint8_t below) {
  const std::uint8_t to = Goto[Rules[rule].Left][below];
  if (to == NoState) RaiseBadTokenState();
  return to;
}

// Reduce(r): pops the rule's right side, computes its value into the entry
// of its first symbol, which takes the target state.
TMathParser::TokenRecord* TMathParser::Reduce(int rule, TokenRecord* top) {
  const int pops = (rule >= 0 && rule <= 100) ? PopCount[rule] : 0;
  if (pops == 0 || top - Stack < pops) RaiseInvalidReduction();
  TokenRecord* const first = ReduceValue(rule, top);
  first->State = TargetState(rule, first[-1].State);
  return first;
}
