#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>
#include <random>
#include <stdexcept>

#include "plot/SafeFile.h"

namespace {

// A file descriptor that is closed with its owner.
class TFd {
 public:
  explicit TFd(int fd = -1) : fd_(fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() { Close(); }
  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Closes now; the result of close(), so that a failed write-back is seen.
  int Close() {
    if (fd_ < 0) return 0;
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do fd = ::open(path, flags, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

ssize_t ReadRetrying(int fd, char* buffer, std::size_t size) {
  ssize_t n;
  do n = ::read(fd, buffer, size);
  while (n < 0 && errno == EINTR);
  return n;
}

// The error for a file that is there but is not a regular file.
int NotRegularError(mode_t mode) { return S_ISDIR(mode) ? EISDIR : EACCES; }

// The file that writing through Path reaches: symbolic links are followed,
// also a dangling one, whose missing target is then the file to create.
bool ResolveLinks(std::string& path, int& err) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string target(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 256, '\0');
    for (;;) {
      const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
      if (n < 0) {
        err = errno;
        return false;
      }
      if (static_cast<std::size_t>(n) < target.size()) {
        target.resize(static_cast<std::size_t>(n));
        break;
      }
      target.resize(target.size() * 2);
    }
    if (target.empty()) {
      err = ENOENT;
      return false;
    }
    if (target.front() != '/') {
      const std::size_t slash = path.rfind('/');
      if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    }
    path = std::move(target);
  }
  err = ELOOP;
  return false;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// "<path>.XXXXXX" with six random letters or digits.
[[maybe_unused]] std::string TemporaryName(const std::string& path) {
  static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::minstd_rand random(std::random_device{}());
  std::string name = path + ".";
  for (int k = 0; k < 6; ++k) name += Letters[random() % (sizeof Letters - 1)];
  return name;
}

bool WriteAll(int fd, const void* data, std::size_t size, int& err) {
  const char* bytes = static_cast<const char*>(data);
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  // On disk before it takes the target's place.
  if (::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS) {
    err = errno;
    return false;
  }
  return true;
}

// Gives the unnamed file open at Fd the name Name; false with EEXIST when
// Name exists, with another error when the system cannot name it this way.
[[maybe_unused]] bool LinkUnnamed(int fd, const std::string& name, int& err) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  err = errno;
  if (err == EEXIST) return false;
  // Without /proc the descriptor itself can be linked, given the privilege.
  if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno == EEXIST) err = EEXIST;
  return false;
}

enum class TPlace { Replace, CreateOnly };

// What one way of writing came to: done (no Error), failed, or not
// possible on this system or file system, so that another way is taken.
struct TWriteOutcome {
  bool Unsupported = false;
  std::optional<TSaveError> Error;
};

constexpr TWriteOutcome Unsupported{true, std::nullopt};

// The bytes into an unnamed file in Folder, which then becomes Target:
// nothing is left behind by a save killed while writing.
TWriteOutcome WriteUnnamed(const std::string& target, const std::string& folder, mode_t mode,
                           const void* data, std::size_t size, TPlace place) {
#ifdef O_TMPFILE
  TFd fd(OpenRetrying(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (!fd) {
    // Not supported by the kernel or the file system.
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return Unsupported;
    return {false, TSaveError{true, errno}};
  }
  int err = 0;
  if (::fchmod(fd.Get(), mode) != 0) return Unsupported;
  if (!WriteAll(fd.Get(), data, size, err)) return {false, TSaveError{false, err}};
  // A new file takes its name at once; an existing one is replaced through
  // a temporary name, since a link never replaces.
  if (LinkUnnamed(fd.Get(), target, err)) return {};
  if (err != EEXIST) return Unsupported;
  if (place == TPlace::CreateOnly) return {false, TSaveError{true, EEXIST}};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = TemporaryName(target);
    if (!LinkUnnamed(fd.Get(), temp, err)) {
      if (err == EEXIST) continue;
      return Unsupported;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
      err = errno;
      ::unlink(temp.c_str());
      return {false, TSaveError{true, err}};
    }
    return {};
  }
  return Unsupported;
#else
  (void)target, (void)folder, (void)mode, (void)data, (void)size, (void)place;
  return Unsupported;
#endif
}

// The same through a named temporary file, for file systems without
// unnamed ones.
std::optional<TSaveError> WriteNamed(const std::string& target, mode_t mode, const void* data,
                                     std::size_t size, TPlace place) {
  std::string temp = target + ".XXXXXX";
  TFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (!fd) return TSaveError{true, errno};
  int err = 0;
  auto fail = [&](bool creating, int error) {
    fd.Close();
    ::unlink(temp.c_str());
    return TSaveError{creating, error};
  };
  if (::fchmod(fd.Get(), mode) != 0) return fail(true, errno);
  if (!WriteAll(fd.Get(), data, size, err)) return fail(false, err);
  if (fd.Close() != 0) return fail(false, errno);
  if (place == TPlace::CreateOnly) {
    // A link never replaces. File systems without links get the rename,
    // after one more look that the name is still free.
    if (::link(temp.c_str(), target.c_str()) == 0) {
      ::unlink(temp.c_str());
      return std::nullopt;
    }
    err = errno;
    if (err != EPERM && err != EOPNOTSUPP) return fail(true, err);
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) return fail(true, EEXIST);
    if (::rename(temp.c_str(), target.c_str()) != 0) return fail(true, errno);
    return std::nullopt;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(true, errno);
  return std::nullopt;
}

std::optional<TSaveError> WriteFile(const std::string& target, mode_t mode, const void* data,
                                    std::size_t size, TPlace place) {
  TWriteOutcome unnamed = WriteUnnamed(target, FolderOf(target), mode, data, size, place);
  if (!unnamed.Unsupported) return unnamed.Error;
  return WriteNamed(target, mode, data, size, place);
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
  TFd fd(OpenRetrying(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
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

std::optional<TSaveError> ReplaceFileContents(const std::string& Path, const void* Data, std::size_t Size) {
  if (Path.empty()) return TSaveError{true, ENOENT};
  std::string target = Path;
  int err = 0;
  if (!ResolveLinks(target, err)) return TSaveError{true, err};
  // An existing target must be a writable regular file: replacing a
  // read-only file or a folder would succeed where opening it for writing
  // fails.
  struct stat st {};
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return TSaveError{true, NotRegularError(st.st_mode)};
    if (::access(target.c_str(), W_OK) != 0) return TSaveError{true, errno};
    mode = st.st_mode & 07777;
  } else {
    mode = NewFileMode();
  }
  return WriteFile(target, mode, Data, Size, TPlace::Replace);
}

std::optional<TSaveError> CreateFileContents(const std::string& Path, const void* Data, std::size_t Size) {
  if (Path.empty()) return TSaveError{true, ENOENT};
  struct stat st {};
  if (::lstat(Path.c_str(), &st) == 0) return TSaveError{true, EEXIST};
  return WriteFile(Path, NewFileMode(), Data, Size, TPlace::CreateOnly);
}

#endif  // !_WIN32
