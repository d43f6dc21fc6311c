#include "plot/NumberText.h"

#include <clocale>
#include <cstdint>

#include "evaluator/DecimalText.h"
#include "evaluator/Faults.h"

namespace {

// A finite nonzero magnitude as decimal digits d0 d1 d2 ... meaning
// d0.d1d2... x 10^Exponent.
struct TDecimal {
  std::string Digits;
  int Exponent = 0;
};

// The exact value rounded to 71 significant digits: plenty to decide every
// rounding below (a tie at digit 19 needs the rest to be zero).
TDecimal Expand(Extended magnitude) {
  TDecimalDigits digits = RoundedDecimal(BitsOfExtended(magnitude), 71);
  return {std::move(digits.Digits), digits.Exponent};
}

// Keeps `count` significant digits, a half rounding away from zero.
void RoundTo(TDecimal& d, std::size_t count) {
  if (d.Digits.size() <= count) return;
  const bool up = d.Digits[count] >= '5';
  d.Digits.resize(count);
  if (!up) return;
  for (std::size_t i = count; i-- > 0;) {
    if (d.Digits[i] != '9') {
      ++d.Digits[i];
      return;
    }
    d.Digits[i] = '0';
  }
  d.Digits.insert(d.Digits.begin(), '1');
  d.Digits.resize(count);
  ++d.Exponent;
}

void IncrementDecimalString(std::string& s) {
  for (std::size_t i = s.size(); i-- > 0;) {
    if (s[i] != '9') {
      ++s[i];
      return;
    }
    s[i] = '0';
  }
  s.insert(s.begin(), '1');
}

}  // namespace

std::string DecimalSeparator() {
  const std::lconv* conv = std::localeconv();
  if (conv == nullptr || conv->decimal_point == nullptr || *conv->decimal_point == '\0') return ".";
  return conv->decimal_point;
}

std::string FormatGeneral(Extended value, const std::string& separator) {
  if (value == 0) return "0";
  TDecimal d = Expand(Abs(value));
  RoundTo(d, 15);
  while (d.Digits.size() > 1 && d.Digits.back() == '0') d.Digits.pop_back();
  std::string out = value < 0 ? "-" : "";
  const int point = d.Exponent + 1;  // digits before the decimal point
  if (point > 15 || point < -3) {
    out += d.Digits[0];
    if (d.Digits.size() > 1) out += separator + d.Digits.substr(1);
    out += "E" + std::to_string(d.Exponent);
    return out;
  }
  if (point <= 0) {
    out += "0" + separator + std::string(-point, '0') + d.Digits;
  } else if (static_cast<std::size_t>(point) >= d.Digits.size()) {
    out += d.Digits + std::string(point - d.Digits.size(), '0');
  } else {
    out += d.Digits.substr(0, point) + separator + d.Digits.substr(point);
  }
  return out;
}

std::string FormatTwoDecimals(Extended value, const std::string& separator, bool* general) {
  if (general) *general = false;
  if (value == 0) return "0" + separator + "00";
  TDecimal d = Expand(Abs(value));
  RoundTo(d, 18);
  if (d.Exponent >= 18) {
    if (general) *general = true;
    return FormatGeneral(value, separator);
  }
  // The magnitude times 100, rounded: digits up to the hundredths, then the
  // next digit decides, a half rounding up.
  const int hundredths = d.Exponent + 2;  // index of the 10^-2 digit
  std::string scaled;
  for (int i = 0; i <= hundredths; ++i)
    scaled += i < static_cast<int>(d.Digits.size()) ? d.Digits[i] : '0';
  const int next = hundredths + 1;
  if (next >= 0 && next < static_cast<int>(d.Digits.size()) && d.Digits[next] >= '5') {
    if (scaled.empty()) scaled = "0";
    IncrementDecimalString(scaled);
  }
  while (scaled.size() < 3) scaled.insert(scaled.begin(), '0');
  while (scaled.size() > 3 && scaled[0] == '0') scaled.erase(scaled.begin());
  const bool zero = scaled.find_first_not_of('0') == std::string::npos;
  std::string out = value < 0 && !zero ? "-" : "";
  out += scaled.substr(0, scaled.size() - 2) + separator + scaled.substr(scaled.size() - 2);
  return out;
}

std::string ZoomText(Extended zoom, const std::string& separator) {
  bool general = false;
  std::string number = FormatTwoDecimals(zoom, separator, &general);
  return general ? number : "Zoom : " + number + "x";
}

std::string LengthText(Extended length, const std::string& separator) {
  bool general = false;
  std::string number = FormatTwoDecimals(length, separator, &general);
  return (general ? number : "Length : " + number + " approx") + ".";
}

int StrToInt(const std::string& text) {
  auto fail = [&]() -> int { throw ConversionFault("'" + text + "' is not a valid integer value"); };
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  auto hexValue = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::size_t hexStart = std::string::npos;
  if (i < text.size() && text[i] == '$') {
    hexStart = i + 1;
  } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
    hexStart = i + 1;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hexStart = i + 2;
  }
  if (hexStart != std::string::npos) {
    const std::size_t count = text.size() - hexStart;
    if (count < 1 || count > 8) return fail();
    std::uint32_t pattern = 0;
    for (std::size_t k = hexStart; k < text.size(); ++k) {
      const int h = hexValue(text[k]);
      if (h < 0) return fail();
      pattern = pattern << 4 | static_cast<std::uint32_t>(h);
    }
    return static_cast<int>(pattern);
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return fail();
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fail();
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > std::int64_t{1} << 31) return fail();
  }
  if (!negative && magnitude > 2147483647) return fail();
  return static_cast<int>(negative ? -magnitude : magnitude);
}
