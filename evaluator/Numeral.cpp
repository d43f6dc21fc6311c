#include "evaluator/Numeral.h"

#include <array>
#include <cstdint>

#include "evaluator/DecimalText.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Powers of ten that are exact in 80 bits (5^27 < 2^64): 10^k = 5^k 2^k,
// built from their bit patterns.
constexpr int ExactPowers = 27;
constexpr Extended ExactPowerOfTen(int k) {
  std::uint64_t five = 1;
  for (int i = 0; i < k; ++i) five *= 5;
  int lead = 63;
  while (!(five >> lead)) --lead;
  return ExtendedFromBits(static_cast<std::uint16_t>(16383 + lead + k), five << (63 - lead));
}
constexpr auto PowersOfTen = [] {
  std::array<Extended, ExactPowers + 1> powers{};
  for (int k = 0; k <= ExactPowers; ++k) powers[k] = ExactPowerOfTen(k);
  return powers;
}();

// Converts digits (with at most one point) and a decimal exponent. Up to 19
// significant digits and a power of ten up to 10^27 make one exactly rounded
// multiplication or division; anything else goes through the exact
// conversion.
Extended Convert(const char* mantissa, std::size_t mantissaLength, bool negativeExponent, int exponent) {
  std::uint64_t m = 0;
  int significant = 0;
  int scale = 0;
  bool point = false;
  bool fast = true;
  for (std::size_t i = 0; i < mantissaLength; ++i) {
    const char c = mantissa[i];
    if (c == '.') {
      point = true;
      continue;
    }
    const int d = c - '0';
    if (significant == 0 && d == 0) {
      if (point) --scale;
      continue;
    }
    if (significant == 19) {
      fast = false;
      break;
    }
    m = m * 10 + static_cast<std::uint64_t>(d);
    ++significant;
    if (point) --scale;
  }
  if (fast) {
    if (m == 0) return 0;
    const int e = scale + (negativeExponent ? -exponent : exponent);
    const Extended value = static_cast<Extended>(m);
    if (e == 0) return value;
    if (e > 0 && e <= ExactPowers) return value * PowersOfTen[e];
    if (e < 0 && e >= -ExactPowers) return value / PowersOfTen[-e];
  }
  const long long e = negativeExponent ? -static_cast<long long>(exponent) : exponent;
  return ExtendedFromBits(DecimalToBits(std::string_view(mantissa, mantissaLength), e));
}

}  // namespace

TNumeral ReadNumeral(const char* text, std::size_t length) {
  TNumeral numeral;
  std::size_t p = 0;
  bool point = false;
  while (p < length && p < 80) {
    const char c = text[p];
    if (c == '.' && !point)
      point = true;
    else if (!IsDigit(c))
      break;
    ++p;
  }
  if (p == 1 && text[0] == '.') return numeral;  // a lone point
  const std::size_t mantissaLength = p;
  bool hasExponent = false;
  bool negative = false;
  int exponent = 0;
  int exponentDigits = 0;
  if (p < length && (text[p] == 'E' || text[p] == 'e')) {
    hasExponent = true;
    ++p;
    if (p < length && (text[p] == '+' || text[p] == '-')) {
      negative = text[p] == '-';
      ++p;
    }
    while (p < length && exponentDigits < 4 && IsDigit(text[p])) {
      exponent = exponent * 10 + (text[p] - '0');
      ++exponentDigits;
      ++p;
    }
  }
  numeral.Length = p;
  if (hasExponent && exponentDigits == 0) return numeral;
  numeral.Value = Convert(text, mantissaLength, negative, exponent);
  numeral.Converts = IsFinite(numeral.Value);
  if (!numeral.Converts) numeral.Value = 0;
  return numeral;
}

bool DecimalToExtended(std::string_view text, Extended& value) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || !(IsDigit(text[0]) || text[0] == '.')) return false;
  // Same grammar as a numeral, but with any number of digits.
  std::size_t p = 0;
  bool point = false;
  int digits = 0;
  while (p < text.size() && (IsDigit(text[p]) || (text[p] == '.' && !point))) {
    if (text[p] == '.') point = true; else ++digits;
    ++p;
  }
  if (digits == 0) return false;
  const std::size_t mantissaEnd = p;
  long long exponent = 0;
  if (p < text.size() && (text[p] == 'E' || text[p] == 'e')) {
    ++p;
    bool negativeExponent = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negativeExponent = text[p++] == '-';
    const std::size_t start = p;
    // Beyond 10^12 every value has long overflowed or underflowed.
    for (; p < text.size() && IsDigit(text[p]); ++p)
      if (exponent < 1000000000000) exponent = exponent * 10 + (text[p] - '0');
    if (p == start) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (p != text.size()) return false;
  const Extended v = ExtendedFromBits(DecimalToBits(text.substr(0, mantissaEnd), exponent));
  if (!IsFinite(v)) return false;
  value = negative ? -v : v;
  return true;
}
