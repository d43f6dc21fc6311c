// Reading a whole regular file, in memory bounded by its size.
#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "fileio/FileIo.h"
#include "fileio/Posix.h"
#include "fileio/ReadWhole.h"

namespace {

// The error for a file that is there but is not a regular file.
int NotRegularError(mode_t mode) { return S_ISDIR(mode) ? EISDIR : EACCES; }

// Waits, for a while, for an in-place save of the file to end: it holds
// its exclusive lock from before it cuts the file short until the new
// content is on disk, so a read under this shared lock never sees the file
// half written. A save that outlasts the wait makes the read fail rather
// than return part of a file; a file system without locks is read without.
bool LockToRead(int fd, int& err) {
  using namespace std::chrono;
  const auto giveUp = steady_clock::now() + seconds(10);
  auto pause = milliseconds(1);
  for (;;) {
    int result = -1;
#ifdef F_OFD_SETLK
    struct flock whole {};
    whole.l_type = F_RDLCK;
    whole.l_whence = SEEK_SET;
    result = Retrying([&] { return ::fcntl(fd, F_OFD_SETLK, &whole); });
    // Without open-file-description locks the save locks with flock().
    if (result != 0 && errno == EINVAL) result = Retrying([&] { return ::flock(fd, LOCK_SH | LOCK_NB); });
#else
    result = Retrying([&] { return ::flock(fd, LOCK_SH | LOCK_NB); });
#endif
    if (result == 0) return true;
    err = errno;
    if (err == ENOLCK || err == EOPNOTSUPP || err == EINVAL) return true;
    if ((err != EAGAIN && err != EACCES && err != EWOULDBLOCK) || steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, milliseconds(50));
  }
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
  if (int err = 0; !LockToRead(fd.Get(), err)) return TReadError{true, err};
  // The size as the save that held the lock left it.
  if (::fstat(fd.Get(), &st) != 0) return TReadError{true, errno};
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);

  return ReadWhole(static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0)), Contents,
                   [&](char* buffer, std::size_t size, int& err) -> long long {
                     const ssize_t n = Retrying([&] { return ::read(fd.Get(), buffer, size); });
                     if (n < 0) err = errno;
                     return n;
                   });
}
