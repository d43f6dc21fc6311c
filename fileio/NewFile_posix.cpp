// New files for a save: unnamed where the file system has them (nothing is
// left of one after a crash), named when complete; every name linked into
// a folder is synced with it.
#include <fcntl.h>

#include "fileio/Posix.h"
#include "fileio/SavePolicy.h"

namespace {

// An unnamed file gets its name through /proc (or, with the privilege,
// through its descriptor); without either it could never be named.
bool UnnamedFilesNameable() {
  static const bool nameable = ::access("/proc/self/fd", X_OK) == 0 || ::geteuid() == 0;
  return nameable;
}

}  // namespace

TFd NewFileIn(int folder, mode_t mode, const char* kind, std::string& name, int& err) {
  name.clear();
#ifdef O_TMPFILE
  if (UnnamedFilesNameable()) {
    TFd unnamed(Retrying([&] { return ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode); }));
    if (unnamed) return unnamed;
    // Kernels and file systems without unnamed files say so in these ways.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) {
      err = errno;
      return TFd();
    }
  }
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = TemporaryFileName(kind);
    TFd fd(Retrying([&] {
      return ::openat(folder, candidate.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, mode);
    }));
    if (fd) {
      name = std::move(candidate);
      SyncFolder(folder);
      return fd;
    }
    if (errno != EEXIST) break;
  }
  err = errno;
  return TFd();
}

bool LinkUnnamed(int fd, int folder, const std::string& name, int& err) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (Retrying([&] { return ::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW); }) == 0) {
    SyncFolder(folder);
    return true;
  }
  err = errno;
  if (err == EEXIST) return false;
#ifdef AT_EMPTY_PATH
  // Without /proc the descriptor itself can be linked, given the privilege.
  if (Retrying([&] { return ::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH); }) == 0) {
    SyncFolder(folder);
    return true;
  }
  if (errno == EEXIST) err = EEXIST;
#endif
  return false;
}

std::string NameUnnamed(int fd, int folder, const char* kind, int& err) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TemporaryFileName(kind);
    if (LinkUnnamed(fd, folder, name, err)) return name;
    if (err != EEXIST) break;
  }
  return "";
}
