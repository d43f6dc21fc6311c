#pragma once
// The scanner's inner part, inlined into TMathParser's loop: one token per
// call, read from a text the caller holds. Internal to the evaluator.
//
// Tokens: the one-character operators and parentheses, numerals (digits,
// a point, an exponent), names (a letter, then letters, digits and "_"),
// of which the ten function names and MOD are keywords in any letter case
// and every other name is a variable answered by OnGetVar, "!" (the error
// mark), the end of the text, and anything else as an unreadable token.

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "evaluator/Numeral.h"
#include "evaluator/ParseTables.h"
#include "evaluator/Parser.h"

namespace ParserDetail {

[[noreturn, gnu::noinline, gnu::cold]] void RaiseTextChanged();

// What a character begins: the kind of a one-character token, or one of
// these classes.
constexpr std::uint8_t BeginsNumeral = 0x20, BeginsName = 0x21, BeginsBlank = 0x22;

constexpr std::array<std::uint8_t, 256> BuildBegins() {
  std::array<std::uint8_t, 256> b{};
  for (auto& k : b) k = TMathParser::BadToken;
  b['+'] = TMathParser::PlusSign;
  b['-'] = TMathParser::MinusSign;
  b['*'] = TMathParser::Asterisk;
  b['/'] = TMathParser::Slash;
  b['^'] = TMathParser::Caret;
  b['('] = TMathParser::LeftParen;
  b[')'] = TMathParser::RightParen;
  b['!'] = TMathParser::ErrorMark;
  b[' '] = BeginsBlank;
  b['.'] = BeginsNumeral;
  for (int c = '0'; c <= '9'; ++c) b[c] = BeginsNumeral;
  for (int c = 'A'; c <= 'Z'; ++c) b[c] = b[c + 'a' - 'A'] = BeginsName;
  return b;
}

constexpr std::array<std::uint8_t, 256> Begins = BuildBegins();

constexpr std::array<bool, 256> BuildNameChars() {
  std::array<bool, 256> n{};
  for (int c = '0'; c <= '9'; ++c) n[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) n[c] = n[c + 'a' - 'A'] = true;
  n['_'] = true;
  return n;
}

constexpr std::array<bool, 256> NameChars = BuildNameChars();

inline std::uint8_t Byte(char c) { return static_cast<unsigned char>(c); }

// The function names and MOD as up to five
// upper-case letters packed into an integer (first letter lowest).
constexpr std::uint64_t Key(const char* name) {
  std::uint64_t k = 0;
  for (int i = 0; name[i]; ++i) k |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
  return k;
}

constexpr std::uint64_t FunctionKeys[] = {Key("ABS"), Key("ATAN"), Key("COS"),  Key("EXP"), Key("LN"),
                                          Key("ROUND"), Key("SIN"), Key("SQRT"), Key("SQR"), Key("TRUNC")};
constexpr std::uint64_t ModKey = Key("MOD");

}  // namespace ParserDetail

// The text comes as a pointer and a length held by the caller: read through
// ParseString, both would be reloaded after every store of a byte, which may
// alias the string.
[[gnu::always_inline]] inline TMathParser::TTokenKind TMathParser::Scan(const char* s, std::size_t& pos,
                                                                         std::size_t& length, TokenRecord& dest) {
  using namespace ParserDetail;
  // The text ends in a NUL (s[n]), which stops every run of blanks, digits
  // or name characters; only an unreadable character needs the length to
  // tell the end from a NUL inside the text.
  std::size_t p = pos;
  std::uint8_t begins = Begins[Byte(s[p])];
  if (begins == BeginsBlank) [[unlikely]] {
    do ++p;
    while (s[p] == ' ');
    begins = Begins[Byte(s[p])];
  }
  if (begins <= RightParen) {
    pos = p + 1;
    length = 1;
    return static_cast<TTokenKind>(begins);
  }
  if (begins == BeginsNumeral) return ScanNumeral(s, p, pos, length, dest);
  if (begins == BeginsName) return ScanName(s, p, pos, length, dest);
  pos = p;
  length = 0;
  if (p >= TextLength) return EndOfText;
  // "!" or an unreadable character: not stepped over.
  return static_cast<TTokenKind>(begins);
}

[[gnu::always_inline]] inline TMathParser::TTokenKind TMathParser::ScanNumeral(const char* s, std::size_t start, std::size_t& pos,
                                                                                std::size_t& length,
                                                                                TokenRecord& dest) {
  using namespace ParserDetail;
  // Most numerals are short whole numbers: up to 18 digits convert exactly
  // as they are.
  std::size_t p = start;
  std::int64_t whole = 0;
  while (p - start < 18 && static_cast<unsigned>(s[p] - '0') < 10) {
    whole = whole * 10 + (s[p] - '0');
    ++p;
  }
  if (p > start && Begins[Byte(s[p])] != BeginsNumeral && (Byte(s[p]) | 0x20) != 'e') {
    dest.Value = static_cast<Extended>(whole);
    pos = p;
    length = p - start;
    return NumberToken;
  }
  const TNumeral numeral = ReadNumeral(s + start, TextLength - start);
  if (numeral.Length == 0) {  // a lone point
    pos = start;
    length = 0;
    return BadToken;
  }
  pos = start + numeral.Length;
  length = numeral.Length;
  if (!numeral.Converts) {
    MathError_ = true;
    ErrorCode_ = 7;
    return static_cast<TTokenKind>(NumeralError);
  }
  dest.Value = numeral.Value;
  return NumberToken;
}

[[gnu::always_inline]] inline TMathParser::TTokenKind TMathParser::ScanName(const char* s, std::size_t start, std::size_t& pos,
                                                                             std::size_t& length,
                                                                             TokenRecord& dest) {
  using namespace ParserDetail;
  std::size_t end = start + 1;
  while (NameChars[Byte(s[end])]) ++end;
  const std::size_t nameLength = end - start;
  pos = end;
  length = nameLength;
  if (nameLength >= 2 && nameLength <= 5) {
    // Upper-case by clearing bit 5: exact for letters, and digits or "_"
    // never turn into letters, so no other name can match a key.
    std::uint64_t key = 0;
    if (start + 8 <= TextLength + 1) {
      // Eight bytes at once, where the text and its NUL hold them.
      std::memcpy(&key, s + start, sizeof key);
      key &= 0xDFDFDFDFDFDFDFDFull & ((std::uint64_t{1} << (8 * nameLength)) - 1);
    } else {
      for (std::size_t i = 0; i < nameLength; ++i)
        key |= static_cast<std::uint64_t>(Byte(s[start + i]) & 0xDF) << (8 * i);
    }
    bool function = false;
    switch (nameLength) {
      case 2: function = key == FunctionKeys[4]; break;
      case 3:
        function = key == FunctionKeys[0] || key == FunctionKeys[2] || key == FunctionKeys[3] ||
                   key == FunctionKeys[6] || key == FunctionKeys[8];
        break;
      case 4: function = key == FunctionKeys[1] || key == FunctionKeys[7]; break;
      default: function = key == FunctionKeys[5] || key == FunctionKeys[9]; break;
    }
    if (function) {
      std::memcpy(dest.FuncName, &key, sizeof dest.FuncName);  // 0-terminated
      return FunctionToken;
    }
    if (key == ModKey) return ModKeyword;
  }
  // A variable: its value comes from the handler, which the name has been
  // stepped over for.
  bool found = false;
  if (Lookup_) {
    Position_ = end + 1;
    Lookup_(LookupContext_, *this, std::string_view(s + start, nameLength), dest.Value, found);
    // The scan goes on in the text it began with.
    if (Text_->data() != s || Text_->size() != TextLength) RaiseTextChanged();
  }
  if (found) return NumberToken;
  length = 0;
  return BadToken;
}
