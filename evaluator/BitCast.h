#pragma once
// std::bit_cast for every toolchain Helixor is built with: the C++ library
// of the WebAssembly build does not have it yet, and GCC's and clang's own
// std::bit_cast are this builtin.

template <class To, class From>
constexpr To BitCast(const From& from) noexcept {
  static_assert(sizeof(To) == sizeof(From), "BitCast changes no size");
  return __builtin_bit_cast(To, from);
}
