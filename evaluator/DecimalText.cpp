#include "evaluator/DecimalText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// Every conversion works on exact integers: the value f * 2^e and the
// decimal text are brought to one scale and compared or divided there.
// Short cases fit in 128 bits; the rest use the small natural-number type
// below, whose largest operands (about 40,000 bits) stay in the
// microseconds.

namespace {

using std::uint32_t;
using std::uint64_t;
using U128 = unsigned __int128;

constexpr uint64_t IntegerBit = 1ull << 63;
// The weight of the lowest significand bit of subnormals: 2^-16445.
constexpr long MinExponent = 1 - 16383 - 63;
// Every 80-bit value and every midpoint between two neighbours has fewer
// significant decimal digits than this (the most, about 11,520, sit just
// above the subnormal range), so digits beyond it only break ties.
constexpr long KeptDigits = 12000;

int BitLength(uint64_t v) { return v ? 64 - __builtin_clzll(v) : 0; }
int BitLength(U128 v) {
  const uint64_t high = static_cast<uint64_t>(v >> 64);
  return high ? 128 - __builtin_clzll(high) : BitLength(static_cast<uint64_t>(v));
}

// floor(n * log10(2)); exact for every |n| <= 40,000 (checked against the
// exact logarithm), far past the binary exponents of 80-bit values.
int FloorLog10Pow2(long n) {
  return static_cast<int>((static_cast<__int128>(n) * 0x4D104D427DE7FBCCll) >> 64);
}

constexpr int MaxPow5In128 = 55;  // 5^55 < 2^128
constexpr int MaxPow10In128 = 38;
struct TSmallPowers {
  U128 Five[MaxPow5In128 + 1];
  U128 Ten[MaxPow10In128 + 1];
  int FiveBits[MaxPow5In128 + 1];
  constexpr TSmallPowers() : Five(), Ten(), FiveBits() {
    U128 p = 1;
    for (int i = 0; i <= MaxPow5In128; ++i, p *= 5) {
      Five[i] = p;
      int bits = 0;
      for (U128 q = p; q; q >>= 1) ++bits;
      FiveBits[i] = bits;
    }
    p = 1;
    for (int i = 0; i <= MaxPow10In128; ++i, p *= 10) Ten[i] = p;
  }
};
constexpr TSmallPowers SmallPowers;

// ---------------------------------------------------------------------------
// Natural numbers of 32-bit limbs, least significant first, no leading zero
// limb (zero is empty).

class Big {
 public:
  std::vector<uint32_t> L;

  Big() = default;
  explicit Big(U128 v) {
    for (; v; v >>= 32) L.push_back(static_cast<uint32_t>(v));
  }
  bool IsZero() const { return L.empty(); }
  long Bits() const {
    return L.empty() ? 0 : 32 * static_cast<long>(L.size() - 1) + (32 - __builtin_clz(L.back()));
  }
  void Trim() {
    while (!L.empty() && L.back() == 0) L.pop_back();
  }
  void MulSmall(uint32_t factor, uint32_t add = 0) {
    uint64_t carry = add;
    for (uint32_t& x : L) {
      const uint64_t t = static_cast<uint64_t>(x) * factor + carry;
      x = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    if (carry) L.push_back(static_cast<uint32_t>(carry));
    Trim();
  }
  void ShiftLeft(long n) {
    if (L.empty() || n <= 0) return;
    const int bits = static_cast<int>(n % 32);
    if (bits) {
      uint32_t carry = 0;
      for (uint32_t& x : L) {
        const uint32_t shifted = (x << bits) | carry;
        carry = x >> (32 - bits);
        x = shifted;
      }
      if (carry) L.push_back(carry);
    }
    L.insert(L.begin(), static_cast<std::size_t>(n / 32), 0u);
  }
  void Add(const Big& b) {
    if (L.size() < b.L.size()) L.resize(b.L.size(), 0);
    uint64_t carry = 0;
    for (std::size_t i = 0; i < L.size(); ++i) {
      if (i >= b.L.size() && !carry) return;
      const uint64_t t = static_cast<uint64_t>(L[i]) + (i < b.L.size() ? b.L[i] : 0) + carry;
      L[i] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    if (carry) L.push_back(1);
  }
  // Requires *this >= b.
  void Sub(const Big& b) {
    uint64_t borrow = 0;
    for (std::size_t i = 0; i < L.size(); ++i) {
      if (i >= b.L.size() && !borrow) break;
      const uint64_t t = static_cast<uint64_t>(L[i]) - (i < b.L.size() ? b.L[i] : 0) - borrow;
      L[i] = static_cast<uint32_t>(t);
      borrow = (t >> 32) ? 1 : 0;
    }
    Trim();
  }
  U128 Low128() const {
    U128 v = 0;
    for (std::size_t i = std::min<std::size_t>(L.size(), 4); i-- > 0;) v = (v << 32) | L[i];
    return v;
  }
};

int Compare(const Big& a, const Big& b) {
  if (a.L.size() != b.L.size()) return a.L.size() < b.L.size() ? -1 : 1;
  for (std::size_t i = a.L.size(); i-- > 0;)
    if (a.L[i] != b.L[i]) return a.L[i] < b.L[i] ? -1 : 1;
  return 0;
}

Big Mul(const Big& a, const Big& b) {
  Big r;
  if (a.IsZero() || b.IsZero()) return r;
  r.L.assign(a.L.size() + b.L.size(), 0);
  for (std::size_t i = 0; i < a.L.size(); ++i) {
    uint64_t carry = 0;
    const uint64_t ai = a.L[i];
    for (std::size_t j = 0; j < b.L.size(); ++j) {
      const uint64_t t = ai * b.L[j] + r.L[i + j] + carry;
      r.L[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    r.L[i + b.L.size()] = static_cast<uint32_t>(carry);
  }
  r.Trim();
  return r;
}

// q = u / v and r = u % v for a nonzero v (long division with normalised
// divisor, two-limb quotient estimates corrected at most twice).
void DivMod(const Big& u, const Big& v, Big& q, Big& r) {
  q.L.clear();
  if (Compare(u, v) < 0) {
    r = u;
    return;
  }
  const std::size_t n = v.L.size(), m = u.L.size();
  if (n == 1) {
    const uint64_t d = v.L[0];
    q.L.assign(m, 0);
    uint64_t rem = 0;
    for (std::size_t i = m; i-- > 0;) {
      const uint64_t cur = (rem << 32) | u.L[i];
      q.L[i] = static_cast<uint32_t>(cur / d);
      rem = cur % d;
    }
    q.Trim();
    r = Big(rem);
    return;
  }
  const int s = __builtin_clz(v.L[n - 1]);
  std::vector<uint32_t> vn(n), un(m + 1);
  for (std::size_t i = n - 1; i > 0; --i)
    vn[i] = (v.L[i] << s) | (s ? static_cast<uint32_t>(static_cast<uint64_t>(v.L[i - 1]) >> (32 - s)) : 0);
  vn[0] = v.L[0] << s;
  un[m] = s ? static_cast<uint32_t>(static_cast<uint64_t>(u.L[m - 1]) >> (32 - s)) : 0;
  for (std::size_t i = m - 1; i > 0; --i)
    un[i] = (u.L[i] << s) | (s ? static_cast<uint32_t>(static_cast<uint64_t>(u.L[i - 1]) >> (32 - s)) : 0);
  un[0] = u.L[0] << s;

  constexpr uint64_t Base = 1ull << 32;
  q.L.assign(m - n + 1, 0);
  for (std::size_t j = m - n + 1; j-- > 0;) {
    const uint64_t top = (static_cast<uint64_t>(un[j + n]) << 32) | un[j + n - 1];
    uint64_t qhat = top / vn[n - 1];
    uint64_t rhat = top % vn[n - 1];
    while (qhat >= Base || qhat * vn[n - 2] > ((rhat << 32) | un[j + n - 2])) {
      --qhat;
      rhat += vn[n - 1];
      if (rhat >= Base) break;
    }
    int64_t borrow = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const uint64_t p = qhat * vn[i];
      const int64_t t = static_cast<int64_t>(un[i + j]) - borrow - static_cast<int64_t>(p & 0xFFFFFFFFu);
      un[i + j] = static_cast<uint32_t>(t);
      borrow = static_cast<int64_t>(p >> 32) - (t >> 32);
    }
    const int64_t t = static_cast<int64_t>(un[j + n]) - borrow;
    un[j + n] = static_cast<uint32_t>(t);
    if (t < 0) {
      --qhat;
      uint64_t carry = 0;
      for (std::size_t i = 0; i < n; ++i) {
        const uint64_t sum = static_cast<uint64_t>(un[i + j]) + vn[i] + carry;
        un[i + j] = static_cast<uint32_t>(sum);
        carry = sum >> 32;
      }
      un[j + n] += static_cast<uint32_t>(carry);
    }
    q.L[j] = static_cast<uint32_t>(qhat);
  }
  q.Trim();
  r.L.assign(n, 0);
  for (std::size_t i = 0; i < n; ++i)
    r.L[i] = (un[i] >> s) | (s ? static_cast<uint32_t>(static_cast<uint64_t>(un[i + 1]) << (32 - s)) : 0);
  r.Trim();
}

// What a rounded-off part is worth, in units of the last kept digit.
enum TRest { RestZero, BelowHalf, Half, AboveHalf };

// n >> shift (shift > 0), and what the bits shifted out are worth.
Big ShiftRight(const Big& n, long shift, TRest& rest) {
  const std::size_t limbs = static_cast<std::size_t>(shift / 32);
  const int bits = static_cast<int>(shift % 32);
  const std::size_t halfLimb = static_cast<std::size_t>((shift - 1) / 32);
  const uint32_t halfBit = 1u << ((shift - 1) % 32);
  const bool half = halfLimb < n.L.size() && (n.L[halfLimb] & halfBit);
  bool below = halfLimb < n.L.size() && (n.L[halfLimb] & (halfBit - 1));
  for (std::size_t i = 0; i < halfLimb && i < n.L.size() && !below; ++i) below = n.L[i] != 0;
  rest = half ? (below ? AboveHalf : Half) : (below ? BelowHalf : RestZero);
  Big q;
  if (limbs >= n.L.size()) return q;
  q.L.assign(n.L.begin() + static_cast<std::ptrdiff_t>(limbs), n.L.end());
  if (bits) {
    for (std::size_t i = 0; i < q.L.size(); ++i)
      q.L[i] = (q.L[i] >> bits) |
               (i + 1 < q.L.size() ? static_cast<uint32_t>(static_cast<uint64_t>(q.L[i + 1]) << (32 - bits)) : 0);
    q.Trim();
  }
  return q;
}

std::string ToDecimal(Big v) {
  if (v.IsZero()) return "0";
  std::string text;
  while (!v.IsZero()) {
    uint64_t rem = 0;
    for (std::size_t i = v.L.size(); i-- > 0;) {
      const uint64_t cur = (rem << 32) | v.L[i];
      v.L[i] = static_cast<uint32_t>(cur / 1000000000u);
      rem = cur % 1000000000u;
    }
    v.Trim();
    for (int k = 0; k < 9 && (rem || !v.IsZero()); ++k, rem /= 10) text.push_back(static_cast<char>('0' + rem % 10));
  }
  std::reverse(text.begin(), text.end());
  return text;
}

std::string ToDecimal(U128 v) {
  char buffer[40];
  char* p = buffer + sizeof buffer;
  do {
    *--p = static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  } while (v);
  return std::string(p, buffer + sizeof buffer);
}

// 5^n from two tables built once: 5^(128 i) and 5^j for j < 128 (about
// 370 KB), so that a power costs one product with a factor of 10 limbs.
constexpr long PowerStep = 128;
constexpr std::size_t LargePowers = 141;  // up to 5^17920
struct TPowersOfFive {
  std::vector<Big> Small, Large;
  TPowersOfFive() {
    Small.emplace_back(U128{1});
    for (long i = 1; i < PowerStep; ++i) {
      Big next = Small.back();
      next.MulSmall(5);
      Small.push_back(std::move(next));
    }
    Big step = Small.back();
    step.MulSmall(5);
    Large.emplace_back(U128{1});
    for (std::size_t i = 1; i < LargePowers; ++i) Large.push_back(Mul(Large.back(), step));
  }
};

Big Pow5(long n) {
  if (n <= MaxPow5In128) return Big(SmallPowers.Five[n]);
  static const TPowersOfFive table;
  Big result = table.Small[static_cast<std::size_t>(n % PowerStep)];
  std::size_t high = static_cast<std::size_t>(n / PowerStep);
  while (high >= LargePowers) {
    result = Mul(result, table.Large.back());
    high -= LargePowers - 1;
  }
  return high ? Mul(table.Large[high], result) : result;
}

// ---------------------------------------------------------------------------
// Decimal to bits.

const ExtendedBits PositiveInfinity{0x7FFF, IntegerBit};

// The nearest value to (x + sticky) * 2^exponent, where sticky stands for
// something in (0, 1) and is only used when x holds the rounding bit.
ExtendedBits Assemble(U128 x, long exponent, bool sticky) {
  if (x == 0) return ExtendedBits{};
  const long top = BitLength(x) - 1 + exponent;
  long lsb = std::max(top - 63, MinExponent);
  const long shift = lsb - exponent;
  U128 m;
  if (shift <= 0) {
    m = x << -shift;
  } else {
    m = shift >= 128 ? 0 : x >> shift;
    const U128 rest = shift >= 128 ? x : x & ((U128{1} << shift) - 1);
    if (shift <= 128) {
      const U128 half = U128{1} << (shift - 1);
      if (rest > half || (rest == half && (sticky || (m & 1)))) ++m;
    }
  }
  if (m >> 64) {
    m >>= 1;
    ++lsb;
  }
  const uint64_t significand = static_cast<uint64_t>(m);
  if (!(significand & IntegerBit)) return ExtendedBits{0, significand};
  const long field = lsb - MinExponent + 1;
  if (field >= 0x7FFF) return PositiveInfinity;
  return ExtendedBits{static_cast<std::uint16_t>(field), significand};
}

// value = A * 2^p / B with the division done once to 66 or 67 bits.
ExtendedBits AssembleQuotient(Big a, Big b, long p) {
  const long guess = a.Bits() - b.Bits() - 1 + p;  // floor(log2 value) or one less
  const long lsb = std::max(guess - 63, MinExponent);
  const long shift = p - lsb + 2;
  if (shift >= 0)
    a.ShiftLeft(shift);
  else
    b.ShiftLeft(-shift);
  Big q, r;
  DivMod(a, b, q, r);
  return Assemble(q.Low128(), lsb - 2, !r.IsZero());
}

}  // namespace

ExtendedBits DecimalToBits(std::string_view text, long long exponent) {
  // Digit i (counting digits only) weighs 10^(pointAt - 1 - i).
  long long digitCount = 0, pointAt = -1, first = -1, last = -1;
  uint64_t head = 0;  // the digits from the first nonzero one, up to 19
  int headDigits = 0;
  for (const char c : text) {
    if (c == '.') {
      if (pointAt < 0) pointAt = digitCount;
      continue;
    }
    if (c < '0' || c > '9') continue;
    const int d = c - '0';
    if (d != 0) {
      if (first < 0) first = digitCount;
      last = digitCount;
    }
    if (first >= 0 && headDigits < 19) {
      head = head * 10 + static_cast<uint64_t>(d);
      ++headDigits;
    }
    ++digitCount;
  }
  if (first < 0) return ExtendedBits{};
  if (pointAt < 0) pointAt = digitCount;
  // No text can be long enough for these bounds to cut a finite result.
  constexpr long long Saturation = 1ll << 60;
  exponent = std::clamp(exponent, -Saturation, Saturation);
  const long long significant = last - first + 1;
  const long long leading = exponent + pointAt - 1 - first;  // exponent of the first digit
  if (leading > 4933) return PositiveInfinity;
  if (leading < -4953) return ExtendedBits{};

  if (significant <= 19) {
    // head holds the significant digits and perhaps some zeros after them.
    const long long e = exponent + pointAt - first - headDigits;
    if (e >= 0 && e <= MaxPow5In128 && BitLength(head) + SmallPowers.FiveBits[e] <= 128)
      return Assemble(static_cast<U128>(head) * SmallPowers.Five[e], static_cast<long>(e), false);
    if (e < 0 && e >= -27) {
      // 5^27 < 2^63, so the quotient keeps at least 65 bits.
      const int shift = 64 + __builtin_clzll(head);
      const U128 x = static_cast<U128>(head) << shift;
      const U128 five = SmallPowers.Five[-e];
      return Assemble(x / five, static_cast<long>(e) - shift, x % five != 0);
    }
  }

  // The significant digits, the ones past KeptDigits replaced by a single 1
  // when any of them is nonzero (they only decide ties, and the midpoints
  // have fewer digits).
  Big a;
  long long kept = 0;
  uint32_t chunk = 0;
  int chunkDigits = 0;
  bool dropped = false;
  long long index = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') continue;
    const long long i = index++;
    if (i < first || i > last) continue;
    if (kept == KeptDigits) {
      dropped = dropped || c != '0';
      continue;
    }
    chunk = chunk * 10 + static_cast<uint32_t>(c - '0');
    ++kept;
    if (++chunkDigits == 9) {
      a.MulSmall(1000000000u, chunk);
      chunk = 0;
      chunkDigits = 0;
    }
  }
  long long e = exponent + pointAt - 1 - (first + kept - 1);
  if (dropped) {
    chunk = chunk * 10 + 1;
    ++chunkDigits;
    --e;
  }
  if (chunkDigits) a.MulSmall(static_cast<uint32_t>(SmallPowers.Ten[chunkDigits]), chunk);
  Big b(U128{1});
  if (e >= 0)
    a = Mul(a, Pow5(static_cast<long>(e)));
  else
    b = Pow5(static_cast<long>(-e));
  return AssembleQuotient(std::move(a), std::move(b), static_cast<long>(e));
}

// ---------------------------------------------------------------------------
// Bits to decimal.

namespace {

struct TDecoded {
  enum { Zero, Finite, Infinite, NotANumber } Kind;
  bool Negative;
  uint64_t F;  // value = F * 2^E
  long E;
};

TDecoded Decode(ExtendedBits bits) {
  const bool negative = (bits.SignExponent & 0x8000) != 0;
  const int field = bits.SignExponent & 0x7FFF;
  const uint64_t f = bits.Significand;
  if (field == 0x7FFF) return {f == IntegerBit ? TDecoded::Infinite : TDecoded::NotANumber, negative, f, 0};
  // The x87 refuses a nonzero exponent without the integer bit, and the C
  // library prints such patterns as NaN.
  if (field != 0 && !(f & IntegerBit)) return {TDecoded::NotANumber, negative, f, 0};
  if (f == 0) return {TDecoded::Zero, negative, 0, 0};
  return {TDecoded::Finite, negative, f, (field ? field : 1) - 1 + MinExponent};
}

// The first `significant` digits of f * 2^e (nonzero) rounded half to even,
// and the decimal exponent of the first.
TDecimalDigits RoundDigits(uint64_t f, long e, long significant) {
  int exponent = FloorLog10Pow2(BitLength(f) - 1 + e);  // the true one or one less
  const long s = significant - 1 - exponent;
  const long t = e + s;
  std::string digits;
  TRest rest = RestZero;
  // f * 10^s = f * 5^s * 2^t, or f * 2^t / 5^-s.
  if (s >= 0 && s <= MaxPow5In128 && BitLength(f) + SmallPowers.FiveBits[s] <= 128 &&
      (t < 0 || BitLength(f) + SmallPowers.FiveBits[s] + t <= 128) && t > -128) {
    const U128 n = static_cast<U128>(f) * SmallPowers.Five[s];
    if (t >= 0) {
      digits = ToDecimal(n << t);
    } else {
      digits = ToDecimal(n >> -t);
      const U128 low = n & ((U128{1} << -t) - 1), half = U128{1} << (-t - 1);
      rest = low == 0 ? RestZero : low < half ? BelowHalf : low == half ? Half : AboveHalf;
    }
  } else {
    Big n(U128{f}), d(U128{1});
    if (s >= 0)
      n = Mul(n, Pow5(s));
    else
      d = Pow5(-s);
    if (s >= 0 && t < 0) {
      // A power of two below: a shift.
      digits = ToDecimal(ShiftRight(n, -t, rest));
    } else {
      if (t >= 0)
        n.ShiftLeft(t);
      else
        d.ShiftLeft(-t);
      Big q, r;
      DivMod(n, d, q, r);
      digits = ToDecimal(q);
      if (!r.IsZero()) {
        r.ShiftLeft(1);
        const int c = Compare(r, d);
        rest = c < 0 ? BelowHalf : c == 0 ? Half : AboveHalf;
      }
    }
  }
  if (static_cast<long>(digits.size()) > significant) {
    const char dropped = digits.back();
    digits.pop_back();
    ++exponent;
    if (dropped == '0')
      rest = rest == RestZero ? RestZero : BelowHalf;
    else if (dropped < '5')
      rest = BelowHalf;
    else if (dropped == '5')
      rest = rest == RestZero ? Half : AboveHalf;
    else
      rest = AboveHalf;
  }
  if (rest == AboveHalf || (rest == Half && (digits.back() - '0') % 2 == 1)) {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i > 0) {
      ++digits[i - 1];
    } else {
      digits[0] = '1';
      ++exponent;
    }
  }
  return TDecimalDigits{std::move(digits), exponent};
}

char* AppendExponent(char* p, int exponent) {
  *p++ = 'e';
  *p++ = exponent < 0 ? '-' : '+';
  const unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  char buffer[12];
  int n = 0;
  for (unsigned m = magnitude; m; m /= 10) buffer[n++] = static_cast<char>('0' + m % 10);
  while (n < 2) buffer[n++] = '0';
  while (n > 0) *p++ = buffer[--n];
  return p;
}

// --- Shortest digits. The value and the two ends of its rounding interval
// are scaled by one power of ten so that each has 22 or 23 integer digits,
// and floored exactly; digits then come off all three together while the
// ends still differ above the last one, and the value's last removed digit
// rounds the result (half to even when the value is exactly halfway). The
// ends belong to the interval for an even significand, since reading rounds
// ties to even.

// floor(m * 2^e * 10^g) (below 2^100 by the choice of g) and whether it is
// exact; the power of five is shared by the three floors of one value.
class TScaler {
 public:
  TScaler(long e, long g) : E(e), G(g) {}

  U128 Floor(U128 m, bool& exact) {
    const long t = E + G;
    const int mBits = BitLength(m);
    if (G >= 0 && G <= MaxPow5In128 && mBits + SmallPowers.FiveBits[G] <= 128) {
      const U128 n = m * SmallPowers.Five[G];
      if (t >= 0 && BitLength(n) + t <= 128) {
        exact = true;
        return n << t;
      }
      if (t < 0 && t > -128) {
        exact = (n & ((U128{1} << -t) - 1)) == 0;
        return n >> -t;
      }
    } else if (G < 0 && -G <= MaxPow5In128) {
      const U128 five = SmallPowers.Five[-G];
      if (t >= 0 && mBits + t <= 128) {
        const U128 n = m << t;
        exact = n % five == 0;
        return n / five;
      }
      if (t < 0 && SmallPowers.FiveBits[-G] - t <= 128) {
        const U128 d = five << -t;
        exact = m % d == 0;
        return m / d;
      }
    }
    if (Power.IsZero()) Power = Pow5(G >= 0 ? G : -G);
    Big n(m), d(U128{1});
    if (G >= 0)
      n = Mul(n, Power);
    else
      d = Power;
    if (G >= 0 && t < 0) {
      TRest rest;
      const U128 q = ShiftRight(n, -t, rest).Low128();
      exact = rest == RestZero;
      return q;
    }
    if (t >= 0)
      n.ShiftLeft(t);
    else
      d.ShiftLeft(-t);
    Big q, r;
    DivMod(n, d, q, r);
    exact = r.IsZero();
    return q.Low128();
  }

 private:
  long E, G;
  Big Power;
};

struct TShortest {
  U128 Digits = 0;  // as an integer, no trailing zero
  int Count = 0;
  int Exponent = 0;  // of the first digit
};

// x / 10 and x % 10, in 64 bits once x fits.
inline unsigned DivideBy10(U128& x) {
  if ((x >> 64) == 0) {
    const uint64_t low = static_cast<uint64_t>(x);
    x = low / 10;
    return static_cast<unsigned>(low % 10);
  }
  const unsigned d = static_cast<unsigned>(x % 10);
  x /= 10;
  return d;
}
inline U128 Tenth(U128 x) { return (x >> 64) == 0 ? U128{static_cast<uint64_t>(x) / 10} : x / 10; }

// The shortest digits of f * 2^e among the values that read back to it. The
// format's last significand bit is bit `unit` of f (0 for the 80-bit
// format; a double comes shifted to the top, with unit 11), and minExponent
// is e of its subnormals.
TShortest Shortest(uint64_t f, long e, int unit = 0, long minExponent = MinExponent) {
  const bool inclusive = ((f >> unit) & 1) == 0;
  // Above a power of two the next value down is half as far.
  const bool unequal = f == IntegerBit && e > minExponent;
  const long top = BitLength(f) - 1 + e;
  // 10^21 <= value * 10^g < 10^23 (FloorLog10Pow2 is floor(log10 v) or one less).
  const long g = 21 - FloorLog10Pow2(top);
  TScaler scaler(e - 2, g);
  const U128 m4 = static_cast<U128>(f) << 2;
  bool exact = false, lowExact = false, highExact = false;
  U128 vr = scaler.Floor(m4, exact);
  const U128 half = U128{2} << unit;
  U128 vp = scaler.Floor(m4 + half, highExact);
  U128 vm = scaler.Floor(m4 - (unequal ? half / 2 : half), lowExact);
  if (!inclusive && highExact) --vp;
  bool lowZeros = inclusive && lowExact;  // the lower end is exactly vm and may be taken
  bool restZeros = exact;                 // nothing below the removed digits of vr
  unsigned lastRemoved = 0;
  int removed = 0;
  while (Tenth(vp) > Tenth(vm)) {
    const unsigned lowDigit = DivideBy10(vm);
    lowZeros = lowZeros && lowDigit == 0;
    restZeros = restZeros && lastRemoved == 0;
    lastRemoved = DivideBy10(vr);
    vp = Tenth(vp);
    ++removed;
  }
  if (lowZeros) {
    for (;;) {
      U128 q = vm;
      if (DivideBy10(q) != 0) break;
      vm = q;
      restZeros = restZeros && lastRemoved == 0;
      lastRemoved = DivideBy10(vr);
      vp = Tenth(vp);
      ++removed;
    }
  }
  if (restZeros && lastRemoved == 5 && vr % 2 == 0) lastRemoved = 4;  // a tie goes to even
  U128 output = vr + ((vr == vm && !lowZeros) || lastRemoved >= 5 ? 1 : 0);
  while (output % 10 == 0 && output != 0) {
    output /= 10;
    ++removed;
  }
  TShortest result;
  result.Digits = output;
  int count = 0;
  for (U128 x = output; x; x = Tenth(x)) ++count;
  result.Count = count;
  result.Exponent = static_cast<int>(removed - g + count - 1);
  return result;
}

char* WriteSpecial(char* p, const TDecoded& v) {
  if (v.Negative) *p++ = '-';
  const char* word = v.Kind == TDecoded::Infinite ? "inf" : v.Kind == TDecoded::NotANumber ? "nan" : "0";
  const std::size_t n = std::strlen(word);
  std::memcpy(p, word, n);
  return p + n;
}

}  // namespace

std::string FormatScientific(ExtendedBits value, int precision) {
  const TDecoded v = Decode(value);
  if (v.Kind == TDecoded::Infinite || v.Kind == TDecoded::NotANumber) {
    char buffer[8];
    return std::string(buffer, WriteSpecial(buffer, v));
  }
  if (precision < 0) precision = 6;
  const long wanted = static_cast<long>(precision) + 1;
  TDecimalDigits rounded;
  if (v.Kind == TDecoded::Zero)
    rounded.Digits = "0";
  else
    rounded = RoundDigits(v.F, v.E, std::min(wanted, KeptDigits));
  std::string text;
  text.reserve(static_cast<std::size_t>(wanted) + 10);
  if (v.Negative) text.push_back('-');
  text.push_back(rounded.Digits[0]);
  if (precision > 0) {
    text.push_back('.');
    text.append(rounded.Digits, 1, std::string::npos);
    text.append(static_cast<std::size_t>(wanted) - rounded.Digits.size(), '0');
  }
  char exponent[12];
  text.append(exponent, AppendExponent(exponent, rounded.Exponent));
  return text;
}

TDecimalDigits RoundedDecimal(ExtendedBits value, int significant) {
  const TDecoded v = Decode(value);
  const long wanted = std::max(significant, 1);
  if (v.Kind == TDecoded::Infinite || v.Kind == TDecoded::NotANumber) return {};
  if (v.Kind == TDecoded::Zero) return {std::string(static_cast<std::size_t>(wanted), '0'), 0};
  TDecimalDigits rounded = RoundDigits(v.F, v.E, std::min(wanted, KeptDigits));
  rounded.Digits.append(static_cast<std::size_t>(wanted) - rounded.Digits.size(), '0');
  return rounded;
}

namespace {

char* WriteShortest(char* first, const TDecoded& v, const TShortest& shortest) {
  const int n = shortest.Count, x = shortest.Exponent;
  const int magnitude = x < 0 ? -x : x;
  const int scientificLength = n + (n > 1 ? 1 : 0) + 2 + (magnitude >= 1000 ? 4 : magnitude >= 100 ? 3 : 2);
  const int fixedLength = x >= n - 1 ? x + 1 : x >= 0 ? n + 1 : n + 1 - x;
  char* p = first;
  if (v.Negative) *p++ = '-';
  char text[40] = {};
  U128 rest = shortest.Digits;
  for (int i = n; i-- > 0;) text[i] = static_cast<char>('0' + DivideBy10(rest));
  const auto digit = [&](int i) { return text[i]; };
  if (fixedLength > scientificLength) {
    *p++ = digit(0);
    if (n > 1) {
      *p++ = '.';
      for (int i = 1; i < n; ++i) *p++ = digit(i);
    }
    return AppendExponent(p, x);
  }
  if (x >= n - 1) {
    // A whole number: its exact digits, which may go on past the shortest
    // ones (fixed notation shows every integer digit).
    if (v.E >= -63 && v.E <= 40) {
      const U128 whole = v.E >= 0 ? static_cast<U128>(v.F) << v.E : static_cast<U128>(v.F >> -v.E);
      const std::string exact = ToDecimal(whole);
      if (static_cast<int>(exact.size()) == x + 1) {
        std::memcpy(p, exact.data(), exact.size());
        return p + exact.size();
      }
    }
    for (int i = 0; i < n; ++i) *p++ = digit(i);
    for (int i = n; i <= x; ++i) *p++ = '0';
    return p;
  }
  if (x >= 0) {
    for (int i = 0; i <= x; ++i) *p++ = digit(i);
    *p++ = '.';
    for (int i = x + 1; i < n; ++i) *p++ = digit(i);
    return p;
  }
  *p++ = '0';
  *p++ = '.';
  for (int i = -1; i > x; --i) *p++ = '0';
  for (int i = 0; i < n; ++i) *p++ = digit(i);
  return p;
}

}  // namespace

char* FormatShortest(char* first, ExtendedBits value) {
  const TDecoded v = Decode(value);
  if (v.Kind != TDecoded::Finite) return WriteSpecial(first, v);
  return WriteShortest(first, v, Shortest(v.F, v.E));
}

char* FormatShortest(char* first, double value) {
  const uint64_t bits = BitCast<uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const int field = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t m = bits & ((uint64_t{1} << 52) - 1);
  TDecoded v{TDecoded::Finite, negative, 0, 0};
  if (field == 0x7FF) {
    v.Kind = m ? TDecoded::NotANumber : TDecoded::Infinite;
    return WriteSpecial(first, v);
  }
  if (field == 0 && m == 0) {
    v.Kind = TDecoded::Zero;
    return WriteSpecial(first, v);
  }
  // The significand moved to the top of 64 bits, as the 80-bit format has it.
  constexpr int Unit = 11;
  constexpr long DoubleMinExponent = -1074 - Unit;
  v.F = (field ? m | (uint64_t{1} << 52) : m) << Unit;
  v.E = (field ? field : 1) - 1075 - Unit;
  return WriteShortest(first, v, Shortest(v.F, v.E, Unit, DoubleMinExponent));
}
