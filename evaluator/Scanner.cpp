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

void TMathParser::BeginScan() {
  Position_ = 1;
  TokenLength = 0;
  ErrorCode_ = 0;
  MathError_ = false;
}

TMathParser::TTokenKind TMathParser::ScanToken() {
  std::size_t pos = Position_ - 1;
  TextLength = ParseString.size();
  const TTokenKind kind = Scan(ParseString.data(), pos, TokenLength, CurrentToken);
  Position_ = pos + 1;
  return kind == NumeralError ? BadToken : kind;
}
