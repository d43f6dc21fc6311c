#pragma once
// Replacing a file's contents safely: the bytes go to a temporary file beside
// the target, which is renamed over the target only when it is complete. A
// failed save leaves the old file (or no file) in place, never a partial one.
// Header-only so that every toolkit-free layer can use it.

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

struct TSaveError {
  bool Creating = true;  // the file could not be created (else: writing it failed)
  int Errno = 0;
};

#ifdef _WIN32
// The Windows way, in plot/SafeFile_win.cpp: the same contract, with the
// system's error codes given as the errno values of the same meaning.
std::optional<TSaveError> ReplaceFileContents(const std::string& path, const void* data,
                                              std::size_t size);

struct TReadError {
  bool Opening = true;  // the file could not be opened (else: reading it failed)
  int Errno = 0;
};

// Reads the whole regular file at Path into Contents. A folder is refused
// with EISDIR, anything else that is not a regular file with EACCES; a file
// that grows to more than about twice its size while it is read fails with
// EFBIG, memory that cannot be had with ENOMEM.
std::optional<TReadError> ReadRegularFile(const std::string& Path, std::string& Contents);

// Creates the file at Path with these contents only if nothing is there:
// an existing file is left alone and reported as EEXIST.
std::optional<TSaveError> CreateFileContents(const std::string& Path, const void* Data, std::size_t Size);
#else

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

inline std::optional<TSaveError> ReplaceFileContents(const std::string& path, const void* data,
                                                     std::size_t size) {
  if (path.empty()) return TSaveError{true, ENOENT};
  // Write through a symbolic link to the file it names, as opening it would.
  std::string target = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  // An existing target must be a writable regular file: replacing a
  // read-only file or a folder would succeed where opening it for writing fails.
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) return TSaveError{true, EISDIR};
    if (!S_ISREG(st.st_mode)) return TSaveError{true, EACCES};
    if (::access(target.c_str(), W_OK) != 0) return TSaveError{true, errno};
  }
  std::string temp = target + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return TSaveError{true, errno};
  mode_t mode;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  auto fail = [&](int err) {
    ::close(fd);
    ::unlink(temp.c_str());
    return TSaveError{false, err};
  };
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    done += static_cast<std::size_t>(n);
  }
  // On disk before it replaces the target.
  if (::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS) return fail(errno);
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    return TSaveError{false, err};
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    return TSaveError{true, err};
  }
  return std::nullopt;
}

#endif  // _WIN32
