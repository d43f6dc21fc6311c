#include "evaluator/CLocaleNumeral.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// More significant digits than ever decide the rounding of an 80-bit value;
// the digits beyond are kept as one sticky digit.
constexpr std::size_t KeptDigits = 12000;
// Beyond these decimal magnitudes the value is infinite or zero whatever
// its digits.
constexpr long long OverflowMagnitude = 4934;
constexpr long long UnderflowMagnitude = -4952;

}  // namespace

// The C runtime has no "C" locale object to pass to its conversion, and its
// decimal point follows the process locale. So the text is rewritten without
// a point, as significant digits and a decimal exponent, which reads the same
// in every locale. MinGW-w64's strtold rounds correctly to 80 bits.
Extended CLocaleStrToExtended(const char* text) {
  std::string digits;
  long long exponent = 0;  // of the last kept digit
  bool point = false;
  bool sticky = false;
  const char* p = text;
  for (; IsDigit(*p) || (*p == '.' && !point); ++p) {
    if (*p == '.') {
      point = true;
      continue;
    }
    if (point) --exponent;
    if (digits.empty() && *p == '0') continue;
    if (digits.size() < KeptDigits) {
      digits += *p;
    } else {
      sticky = sticky || *p != '0';
      ++exponent;
    }
  }
  if (*p == 'E' || *p == 'e') {
    ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long written = 0;
    for (; IsDigit(*p); ++p)
      if (written < 1'000'000'000'000'000LL) written = written * 10 + (*p - '0');
    exponent += negative ? -written : written;
  }
  while (!digits.empty() && digits.back() == '0') {
    digits.pop_back();
    ++exponent;
  }
  if (digits.empty()) return 0;
  if (sticky) {
    digits += '1';
    --exponent;
  }
  // The value lies in [10^(magnitude-1), 10^magnitude).
  const long long magnitude = exponent + static_cast<long long>(digits.size());
  if (magnitude > OverflowMagnitude) return HUGE_VALL;
  if (magnitude < UnderflowMagnitude) return 0;
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "e%lld", exponent);
  digits += suffix;
  return std::strtold(digits.c_str(), nullptr);
}
