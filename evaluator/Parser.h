#pragma once
// TMathParser: evaluates one expression text to an 80-bit real.
//
// A table-driven shift-reduce parser that computes while it parses: every
// reduction computes its rule's value at once, so the value of an accepted
// text is on top of the parse stack. The scanner hands it one token per call
// and asks OnGetVar for the value of every name that is neither a function
// nor MOD.
//
// Bad expressions raise nothing: Parse reports them through ParseFailed,
// ErrorCode, Position and MathError, and calls OnParseError for a syntax or
// scan error. Only arithmetic beyond the 80-bit range or beyond the 64-bit
// integer range of MOD raises a fault (OverflowFault, InvalidOperationFault,
// from evaluator/Faults.h); the two internal consistency faults
// (InternalFault "Bad token state" / "Invalid reduction") never arise from
// the tables.
//
// Error codes: 1 the parse stack is full; 3 an operand was expected;
// 4 a complete expression is followed by something other than "+", "-" or
// the end; 5 a function name is not followed by "("; 6 an expression inside
// parentheses is followed by something other than "+", "-" or ")";
// 7 a numeral does not convert (also sets MathError).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "evaluator/Extended.h"

class TMathParser {
 public:
  // Sender, VarName (as written, case kept), Value (in/out), Found (in/out).
  using TGetVarEvent = std::function<void(TMathParser& Sender, std::string_view VarName,
                                          Extended& Value, bool& Found)>;
  // Sender, ParseError (the error code).
  using TParseErrorEvent = std::function<void(TMathParser& Sender, int ParseError)>;
  // The lookup as a plain function with a context pointer of the caller's:
  // Context, Sender, VarName, Value (in/out), Found (in/out).
  using TGetVarFunction = void (*)(void* Context, TMathParser& Sender, std::string_view VarName,
                                   Extended& Value, bool& Found);

  // Token kinds as the scanner yields them; the codes index the action table.
  enum TTokenKind : std::uint8_t {
    PlusSign = 0,
    MinusSign = 1,
    Asterisk = 2,
    Slash = 3,
    Caret = 4,
    LeftParen = 5,
    RightParen = 6,
    NumberToken = 7,
    FunctionToken = 8,
    EndOfText = 9,
    BadToken = 10,
    ErrorMark = 11,
    ModKeyword = 12,
  };

  // Entries on the stack: 15 above the bottom entry. k nested pairs of
  // parentheses around a number need k + 3 entries.
  static constexpr int StackSize = 16;

  std::string ParseString;
  TGetVarEvent OnGetVar;
  TParseErrorEvent OnParseError;

  TMathParser() = default;

  // Evaluates ParseString. Afterwards ParseFailed, ParseValue, ErrorCode,
  // Position and MathError describe the outcome. May throw OverflowFault,
  // InvalidOperationFault or InternalFault; after a fault ParseFailed is true
  // and ParseValue is 0.
  void Parse();
  // Evaluates Text as Parse evaluates ParseString, without copying it into
  // ParseString, which stays as it is. Text must not change during the
  // parse; the caller keeps it.
  void Parse(const std::string& Text);

  // Sets a plain function for the name lookup, called instead of OnGetVar
  // (with the same arguments and the context given here) while it is set;
  // nullptr clears it. For callers that parse many times per second, where
  // a std::function's call through its handler shows.
  void SetGetVarFunction(TGetVarFunction function, void* context) {
    GetVarFunction_ = function;
    GetVarContext_ = context;
  }

  bool ParseFailed() const { return ParseFailed_; }
  // Read from the stack, where the accepted value stays until the next
  // Parse: copying it out at the end of every parse would cost an 80-bit
  // load and store.
  Extended ParseValue() const { return (ParseFailed_ || StackTop == 0) ? 0 : Stack[StackTop - 1].Value; }
  int ErrorCode() const { return ErrorCode_; }
  // 1-based scan position; after a failure, where the error was found.
  int Position() const { return static_cast<int>(Position_); }
  bool MathError() const { return MathError_; }

 protected:
  // One parse-stack entry, and the scanner's working record: a NumberToken
  // carries Value, a FunctionToken the upper-case FuncName, in shared storage.
  struct TokenRecord {
    std::uint8_t State = 0;
    union {
      Extended Value = 0;
      char FuncName[6];
    };
  };

  // Scanner: reads the token that starts at Position (after blanks), leaves
  // its value or function name in CurrentToken, advances Position past it
  // and sets TokenLength. A numeral that does not convert sets MathError and
  // error code 7.
  TTokenKind ScanToken();
  // Resets the scan to the start of ParseString without parsing.
  void BeginScan();

  // Runs the automaton from the stack and the look-ahead CurrentKind until
  // it accepts or meets an error.
  void Run();
  // Reduces by the rule the entries up to top (the top entry); returns the
  // new top entry, which holds the rule's value and its target state.
  TokenRecord* Reduce(int rule, TokenRecord* top);
  // The state after a reduction by the rule, from the entry below the
  // popped ones.
  static std::uint8_t TargetState(int rule, std::uint8_t below);

  TokenRecord CurrentToken;
  bool MathError_ = false;
  // The stack, and one entry more above it: during a parse the scanner
  // reads the look-ahead's value or function name straight into the entry
  // above the top, so that a shift has nothing to copy. That extra entry is
  // never part of the stack.
  TokenRecord Stack[StackSize + 1];
  std::uint8_t StackTop = 0;
  std::uint8_t ErrorCode_ = 0;
  // Position and TokenLength are as wide as a text's length, so that a text
  // of any length scans safely.
  std::size_t TokenLength = 0;
  TTokenKind CurrentKind = EndOfText;
  std::size_t Position_ = 1;
  bool ParseFailed_ = false;
  bool Accepted = false;
  bool Parsing = false;

 private:
  // The scanner proper, over the text s of TextLength characters and the
  // NUL after them (as a std::string holds it): pos is the 0-based index of
  // the next character; a token's value or function name goes to dest.
  TTokenKind Scan(const char* s, std::size_t& pos, std::size_t& length, TokenRecord& dest);
  TTokenKind ScanNumeral(const char* s, std::size_t start, std::size_t& pos, std::size_t& length,
                         TokenRecord& dest);
  TTokenKind ScanName(const char* s, std::size_t start, std::size_t& pos, std::size_t& length, TokenRecord& dest);
  // The text being scanned (ParseString, or the text given to Parse) and
  // its length, taken when the scan begins.
  const std::string* Text_ = &ParseString;
  std::size_t TextLength = 0;
  TGetVarFunction GetVarFunction_ = nullptr;
  void* GetVarContext_ = nullptr;
  // The lookup of the current scan, chosen when it begins: the plain
  // function, or OnGetVar through CallOnGetVar, or none.
  TGetVarFunction Lookup_ = nullptr;
  void* LookupContext_ = nullptr;
  static void CallOnGetVar(void* context, TMathParser& sender, std::string_view name, Extended& value,
                           bool& found);
  void ChooseLookup() {
    if (GetVarFunction_) {
      Lookup_ = GetVarFunction_;
      LookupContext_ = GetVarContext_;
    } else {
      Lookup_ = OnGetVar ? &CallOnGetVar : nullptr;
    }
  }
  // Computes the rule's value into the entry of its first symbol and
  // returns that entry; its state is left to the caller.
  TokenRecord* ReduceValue(int rule, TokenRecord* top);
  // The automaton; with WholeParse it is the whole of Parse: it sets up the
  // stack, reads the first token and reports the outcome.
  template <bool WholeParse>
  void RunLoop(const std::string& text);
  // The function named by funcName of x; sets MathError_ and returns x
  // unchanged when x is outside the function's bounds.
  Extended ApplyFunction(const char* funcName, Extended x);
  // A math error in the reduction whose first entry is first: the entry
  // takes the value the working record holds then.
  void MathErrorLeaving(TokenRecord* first, Extended value) {
    MathError_ = true;
    first->Value = value;
  }
};
