#include "evaluator/Numeral.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <string>

#include "evaluator/CLocaleNumeral.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Powers of ten that are exact in 80 bits (5^27 < 2^64).
constexpr int ExactPowers = 27;
constexpr Extended PowersOfTen[ExactPowers + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

// Converts digits (with at most one point) and a decimal exponent. Up to 19
// significant digits and a power of ten up to 10^27 make one exactly rounded
// multiplication or division; anything else goes through the C library,
// which rounds exactly as well.
Extended Convert(const char* mantissa, std::size_t mantissaLength, bool negativeExponent,
                 int exponent, bool hasExponent) {
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
  // "0" + 80 characters + "E-9999" fits.
  char buffer[96];
  std::size_t n = 0;
  buffer[n++] = '0';
  std::memcpy(buffer + n, mantissa, mantissaLength);
  n += mantissaLength;
  if (hasExponent) {
    n += static_cast<std::size_t>(
        std::snprintf(buffer + n, sizeof buffer - n, "E%c%d", negativeExponent ? '-' : '+', exponent));
  }
  buffer[n] = '\0';
  return CLocaleStrToExtended(buffer);
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
  numeral.Value = Convert(text, mantissaLength, negative, exponent, hasExponent);
  numeral.Converts = std::isfinite(numeral.Value);
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
  if (p < text.size() && (text[p] == 'E' || text[p] == 'e')) {
    ++p;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
    const std::size_t start = p;
    while (p < text.size() && IsDigit(text[p])) ++p;
    if (p == start) return false;
  }
  if (p != text.size()) return false;
  std::string buffer(text);
  const Extended v = CLocaleStrToExtended(buffer.c_str());
  if (!std::isfinite(v)) return false;
  value = negative ? -v : v;
  return true;
}
