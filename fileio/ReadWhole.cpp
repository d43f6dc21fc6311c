// Reading a whole open file into one string without a second copy.
#include "fileio/ReadWhole.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <stdexcept>

std::optional<TReadError> ReadWhole(std::uint64_t Size, std::string& Contents, const TReadSome& Read) {
  // A file that grows while it is read is taken up to about twice its size.
  const std::uint64_t limit = 2 * Size + 65536;
  std::size_t used = 0;
  int err = 0;
  try {
    if (Size >= Contents.max_size()) return TReadError{false, ENOMEM};
    Contents.resize(static_cast<std::size_t>(Size));
    for (;;) {
      if (used == Contents.size()) {
        // Full: a small read tells the end of the file from growth,
        // without taking room for a second copy.
        char probe[4096];
        const long long n = Read(probe, sizeof probe, err);
        if (n <= 0) break;
        if (used + static_cast<std::uint64_t>(n) > limit) {
          err = EFBIG;
          break;
        }
        Contents.append(probe, static_cast<std::size_t>(n));
        used += static_cast<std::size_t>(n);
        const std::uint64_t grown = std::min<std::uint64_t>(std::max<std::uint64_t>(2 * used, 65536), limit);
        Contents.resize(static_cast<std::size_t>(std::max<std::uint64_t>(grown, used)));
        continue;
      }
      const long long n = Read(Contents.data() + used, Contents.size() - used, err);
      if (n <= 0) break;
      used += static_cast<std::size_t>(n);
    }
    // After an error, the bytes read before it.
    Contents.resize(used);
    if (err) return TReadError{false, err};
    return std::nullopt;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  Contents.clear();
  Contents.shrink_to_fit();
  return TReadError{false, ENOMEM};
}
