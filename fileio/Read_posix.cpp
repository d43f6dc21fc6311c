// Reading a whole regular file, in memory bounded by its size.
#include <fcntl.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "fileio/FileIo.h"
#include "fileio/Posix.h"

namespace {

// The error for a file that is there but is not a regular file.
int NotRegularError(mode_t mode) { return S_ISDIR(mode) ? EISDIR : EACCES; }

ssize_t ReadRetrying(int fd, char* buffer, std::size_t size) {
  return Retrying([&] { return ::read(fd, buffer, size); });
}

}  // namespace

std::optional<TReadError> ReadRegularFile(const std::string& Path, std::string& Contents) {
  Contents.clear();
  if (Path.empty()) return TReadError{true, ENOENT};
  // What is not a regular file is not even opened: opening a device can
  // have effects of its own.
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0) return TReadError{true, errno};
  if (!S_ISREG(st.st_mode)) return TReadError{true, NotRegularError(st.st_mode)};
  // Without blocking, should it have become a FIFO since.
  TFd fd(Retrying([&] { return ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); }));
  if (!fd) return TReadError{true, errno};
  if (::fstat(fd.Get(), &st) != 0) return TReadError{true, errno};
  if (!S_ISREG(st.st_mode)) return TReadError{true, NotRegularError(st.st_mode)};
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);

  const auto size = static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0));
  // A file that grows while it is read is taken up to about twice its size.
  const std::uint64_t limit = 2 * size + 65536;
  std::size_t used = 0;
  try {
    if (size >= Contents.max_size()) return TReadError{false, ENOMEM};
    Contents.resize(static_cast<std::size_t>(size));
    for (;;) {
      if (used == Contents.size()) {
        // Full: a small read tells the end of the file from growth,
        // without taking room for a second copy.
        char probe[4096];
        const ssize_t n = ReadRetrying(fd.Get(), probe, sizeof probe);
        if (n < 0) {
          const int err = errno;
          Contents.resize(used);
          return TReadError{false, err};
        }
        if (n == 0) break;
        if (used + static_cast<std::uint64_t>(n) > limit) {
          Contents.resize(used);
          return TReadError{false, EFBIG};
        }
        Contents.append(probe, static_cast<std::size_t>(n));
        used += static_cast<std::size_t>(n);
        const std::uint64_t grown = std::min<std::uint64_t>(std::max<std::uint64_t>(2 * used, 65536), limit);
        Contents.resize(static_cast<std::size_t>(std::max<std::uint64_t>(grown, used)));
        continue;
      }
      const ssize_t n = ReadRetrying(fd.Get(), Contents.data() + used, Contents.size() - used);
      if (n < 0) {
        const int err = errno;
        Contents.resize(used);
        return TReadError{false, err};
      }
      if (n == 0) break;
      used += static_cast<std::size_t>(n);
    }
    Contents.resize(used);
  } catch (const std::bad_alloc&) {
    Contents.clear();
    Contents.shrink_to_fit();
    return TReadError{false, ENOMEM};
  } catch (const std::length_error&) {
    Contents.clear();
    Contents.shrink_to_fit();
    return TReadError{false, ENOMEM};
  }
  return std::nullopt;
}
