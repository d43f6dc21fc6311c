// The scanner as the component offers it: ScanToken reads the token at
// Position into CurrentToken.
#include <cstddef>
#include <stdexcept>

#include "evaluator/Parser.h"
#include "evaluator/ScanInline.h"

using namespace ParserDetail;

void ParserDetail::RaiseTextChanged() {
  throw std::logic_error("TMathParser::ParseString changed by its own event handler");
}

void TMathParser::CallOnGetVar(void*, TMathParser& sender, std::string_view name, Extended& value,
                               bool& found) {
  // The handler may have been cleared by itself.
  if (sender.OnGetVar) sender.OnGetVar(sender, name, value, found);
}

void TMathParser::BeginScan() {
  Position_ = 1;
  TokenLength = 0;
  ErrorCode_ = 0;
  MathError_ = false;
}

TMathParser::TTokenKind TMathParser::ScanToken() {
  std::size_t pos = Position_ - 1;
  Text_ = &ParseString;
  TextLength = ParseString.size();
  ChooseLookup();
  const TTokenKind kind = Scan(ParseString.data(), pos, TokenLength, CurrentToken);
  Position_ = pos + 1;
  return kind == NumeralError ? BadToken : kind;
}
