#pragma once
// What the tests need around Extended, whichever kind it is: the
// neighbouring values, the exact decimal text of a value and its bit
// pattern for messages, and, on x86, a bridge to the C library's long
// double for the tests that take a reference from it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "evaluator/Extended.h"
#include "evaluator/Numeral.h"

// On x86 the x87 long double is the 80-bit format itself, whatever Extended
// is, so strtold, printf and libquadmath can serve as references, by bits.
// Elsewhere (arm64's long double is another format) the tests that need
// them are left out. HELIXOR_TEST_NO_X87 leaves the bridge out on x86 too,
// to run the tests as they run there.
#if (defined(__x86_64__) || defined(__i386__)) && __LDBL_MANT_DIG__ == 64 && !defined(HELIXOR_TEST_NO_X87)
#define HELIXOR_TEST_X87 1
// The 113-bit reference of the elementary-function tests, where the
// compiler has GCC's libquadmath (tests/evaluator.cmake links it then).
#if defined(__SIZEOF_FLOAT128__) && __has_include(<quadmath.h>)
#define HELIXOR_TEST_QUAD_REFERENCE 1
#include <quadmath.h>
#endif
#endif

namespace helixor_test {

#ifdef HELIXOR_TEST_X87
inline long double ToLongDouble(Extended x) {
  const ExtendedBits bits = BitsOfExtended(x);
  unsigned char raw[sizeof(long double)] = {};
  std::memcpy(raw, &bits.Significand, 8);
  std::memcpy(raw + 8, &bits.SignExponent, 2);
  long double value;
  std::memcpy(&value, raw, sizeof value);
  return value;
}

inline Extended FromLongDouble(long double x) {
  unsigned char raw[sizeof(long double)];
  std::memcpy(raw, &x, sizeof raw);
  ExtendedBits bits;
  std::memcpy(&bits.Significand, raw, 8);
  std::memcpy(&bits.SignExponent, raw + 8, 2);
  return ExtendedFromBits(bits);
}
#endif

// The pattern SSSS:MMMMMMMMMMMMMMMM (sign and exponent, significand).
inline std::string Pattern(Extended x) {
  const ExtendedBits bits = BitsOfExtended(x);
  char text[24];
  std::snprintf(text, sizeof text, "%04X:%016llX", bits.SignExponent,
                static_cast<unsigned long long>(bits.Significand));
  return text;
}

// The neighbouring 80-bit values, by bits (nextafter toward +/- infinity):
// across the subnormal boundary, from zero to the smallest subnormal of
// either sign, from the largest value to infinity. A NaN stays.
namespace detail {
constexpr std::uint64_t IntegerBit = std::uint64_t{1} << 63;

// One unit further from zero.
inline ExtendedBits Away(ExtendedBits b) {
  const std::uint16_t sign = b.SignExponent & 0x8000, exponent = b.SignExponent & 0x7FFF;
  if (exponent == 0 && b.Significand == IntegerBit - 1) return {static_cast<std::uint16_t>(sign | 1), IntegerBit};
  if (b.Significand == ~std::uint64_t{0}) return {static_cast<std::uint16_t>(sign | (exponent + 1)), IntegerBit};
  return {b.SignExponent, b.Significand + 1};
}

// One unit nearer to zero (b is not zero).
inline ExtendedBits Toward(ExtendedBits b) {
  const std::uint16_t sign = b.SignExponent & 0x8000, exponent = b.SignExponent & 0x7FFF;
  if (exponent != 0 && b.Significand == IntegerBit) {
    if (exponent == 1) return {sign, IntegerBit - 1};
    return {static_cast<std::uint16_t>(sign | (exponent - 1)), ~std::uint64_t{0}};
  }
  return {b.SignExponent, b.Significand - 1};
}
}  // namespace detail

inline Extended NextUp(Extended x) {
  if (IsNan(x) || x == ExtendedInfinity) return x;
  if (x == 0) return ExtendedMinSubnormal;
  const ExtendedBits bits = BitsOfExtended(x);
  return ExtendedFromBits(SignBit(x) ? detail::Toward(bits) : detail::Away(bits));
}

inline Extended NextDown(Extended x) { return -NextUp(-x); }

// x * 2^n, rounded once (ldexp): the steps before the last are exact for
// any x of magnitude 1 or more.
inline Extended TimesPowerOfTwo(Extended x, int n) {
  const auto power = [](int k) { return ExtendedFromBits(static_cast<std::uint16_t>(16383 + k), detail::IntegerBit); };
  for (; n > 16000; n -= 16000) x = x * power(16000);
  for (; n < -16000; n += 16000) x = x * power(-16000);
  return x * power(n);
}

namespace detail {
// The exact decimal digits of m * 2^k (m > 0), without trailing zeros, and
// the power of ten of the first digit.
struct Digits {
  std::string Text;
  int Exponent = 0;
};

inline Digits ExactDigits(std::uint64_t m, int k) {
  constexpr std::uint32_t Base = 1000000000;
  std::vector<std::uint32_t> limbs;  // base 10^9, the lowest first
  for (; m != 0; m /= Base) limbs.push_back(static_cast<std::uint32_t>(m % Base));
  const auto times = [&limbs](std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product % Base);
      carry = product / Base;
    }
    for (; carry != 0; carry /= Base) limbs.push_back(static_cast<std::uint32_t>(carry % Base));
  };
  // m * 2^k is m * 2^k itself for k >= 0, and m * 5^-k / 10^-k below.
  int shift = 0;
  if (k >= 0) {
    for (; k >= 29; k -= 29) times(std::uint32_t{1} << 29);
    times(std::uint32_t{1} << k);
  } else {
    shift = -k;
    for (k = -k; k >= 13; k -= 13) times(1220703125);  // 5^13
    std::uint32_t rest = 1;
    while (k-- > 0) rest *= 5;
    times(rest);
  }
  Digits d;
  d.Text = std::to_string(limbs.back());
  for (std::size_t i = limbs.size() - 1; i-- > 0;) {
    char part[16];
    std::snprintf(part, sizeof part, "%09u", static_cast<unsigned>(limbs[i]));
    d.Text += part;
  }
  d.Exponent = static_cast<int>(d.Text.size()) - 1 - shift;
  d.Text.erase(d.Text.find_last_not_of('0') + 1);
  return d;
}

// Rounds to at most `significant` digits, ties to even.
inline void RoundDigits(Digits& d, std::size_t significant) {
  if (d.Text.size() <= significant) return;
  const char next = d.Text[significant];
  const bool beyond = d.Text.find_first_not_of('0', significant + 1) != std::string::npos;
  const bool up = next > '5' || (next == '5' && (beyond || (d.Text[significant - 1] - '0') % 2 == 1));
  d.Text.resize(significant);
  if (up) {
    std::size_t i = significant;
    while (i > 0 && d.Text[i - 1] == '9') d.Text[--i] = '0';
    if (i == 0) {
      d.Text.insert(d.Text.begin(), '1');
      ++d.Exponent;
    } else {
      ++d.Text[i - 1];
    }
  }
  d.Text.erase(d.Text.find_last_not_of('0') + 1);
}
}  // namespace detail

// The text printf("%.<significant>Lg") gives on x86, worked out exactly
// from the bits, so that it needs no long double and no Helixor code.
inline std::string GeneralText(Extended x, int significant) {
  const ExtendedBits bits = BitsOfExtended(x);
  const std::string sign = bits.SignExponent & 0x8000 ? "-" : "";
  const int exponent = bits.SignExponent & 0x7FFF;
  if (exponent == 0x7FFF) return sign + (bits.Significand << 1 == 0 ? "inf" : "nan");
  if (bits.Significand == 0) return sign + "0";
  detail::Digits d = detail::ExactDigits(bits.Significand, (exponent == 0 ? 1 : exponent) - 16383 - 63);
  const int p = significant < 1 ? 1 : significant;
  detail::RoundDigits(d, static_cast<std::size_t>(p));
  const int e = d.Exponent;
  std::string text;
  if (e < p && e >= -4) {
    if (e >= 0) {
      const std::size_t whole = static_cast<std::size_t>(e) + 1;
      text = d.Text.size() > whole ? d.Text.substr(0, whole) + "." + d.Text.substr(whole)
                                   : d.Text + std::string(whole - d.Text.size(), '0');
    } else {
      text = "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + d.Text;
    }
  } else {
    text = d.Text.substr(0, 1) + (d.Text.size() > 1 ? "." + d.Text.substr(1) : "");
    char power[16];
    std::snprintf(power, sizeof power, "e%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
    text += power;
  }
  return sign + text;
}

// A value for test messages: 21 significant digits (enough to tell any two
// values apart) and the bit pattern.
inline std::string Shown(Extended x) { return GeneralText(x, 21) + " (" + Pattern(x) + ")"; }

// Reads a decimal numeral at text like strtold: through the C library where
// the bridge is, so that Helixor's printed numbers are checked by another
// reader; elsewhere by Helixor's own conversion. *end (when end is given)
// is set after the numeral, or to text when there is none.
inline Extended ReadDecimal(const char* text, char** end) {
#ifdef HELIXOR_TEST_X87
  return FromLongDouble(std::strtold(text, end));
#else
  const char* p = text;
  if (*p == '+' || *p == '-') ++p;
  const auto digits = [&p] {
    const char* from = p;
    while (*p >= '0' && *p <= '9') ++p;
    return p != from;
  };
  bool any = digits();
  if (*p == '.') {
    ++p;
    any = digits() || any;
  }
  if (any && (*p == 'e' || *p == 'E')) {
    const char* mark = p++;
    if (*p == '+' || *p == '-') ++p;
    if (!digits()) p = mark;
  }
  if (!any) p = text;
  if (end) *end = const_cast<char*>(p);
  if (!any) return 0;
  Extended value = 0;
  if (!DecimalToExtended(std::string_view(text, static_cast<std::size_t>(p - text)), value))
    return *text == '-' ? -ExtendedInfinity : ExtendedInfinity;
  return value;
#endif
}

}  // namespace helixor_test

#ifndef HELIXOR_X87_EXTENDED
// GoogleTest's printer for SoftExtended (found by argument-dependent lookup).
inline void PrintTo(const SoftExtended& x, std::ostream* os) { *os << helixor_test::Shown(x); }
#endif
