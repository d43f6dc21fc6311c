// Files in the WebAssembly build. In the browser there are none: the page
// hands bytes in and takes bytes out. Under Node (helixor-cli.js) the calls
// reach the host's files through Node's own file functions, which know
// nothing of descriptors of the process, access lists, extended attributes,
// inode flags or locks. So a save there is the plain safe one: a new file
// beside the target, on disk, then renamed over it; a device or FIFO takes
// the bytes as they come. A failure still never leaves a partial file in
// place of a good one.
#include <emscripten/emscripten.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fileio/Posix.h"
#include "fileio/ReadWhole.h"
#include "fileio/SavePolicy.h"

bool WriteAll(int fd, const void* data, std::size_t size, int& err) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = Retrying([&] { return ::write(fd, p, size); });
    if (n <= 0) {
      err = n < 0 ? errno : EIO;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Node writes at the descriptor's position unless told that the file has
// none; a FIFO or a device has none, and a write at a position fails there.
EM_JS(void, WriteWithoutPosition, (int fd), {
  if (typeof FS !== 'undefined' && FS.streams && FS.streams[fd]) FS.streams[fd].seekable = false;
});

namespace {

int NotRegularError(mode_t mode) { return S_ISDIR(mode) ? EISDIR : EACCES; }

class TDirectSave : public TSaveSteps {
 public:
  explicit TDirectSave(int fd) : fd_(fd) {}
  TSaveWay Way() const override { return TSaveWay::Direct; }
  std::optional<TSaveError> Start() override { return std::nullopt; }
  std::optional<TSaveError> Write(const void* Data, std::size_t Size) override {
    int err = 0;
    if (!WriteAll(fd_.Get(), Data, Size, err)) return TSaveError{false, err};
    return std::nullopt;
  }
  std::optional<TSaveError> Commit() override {
    if (fd_.Close() != 0) return TSaveError{false, errno};
    return std::nullopt;
  }
  std::optional<TSaveError> Abandon() override { return std::nullopt; }

 private:
  TFd fd_;
};

class TRenameSave : public TSaveSteps {
 public:
  TRenameSave(std::string target, std::string temp, int fd, bool createOnly)
      : target_(std::move(target)), temp_(std::move(temp)), fd_(fd), createOnly_(createOnly) {}
  ~TRenameSave() override { (void)Abandon(); }
  TSaveWay Way() const override { return TSaveWay::Rename; }
  std::optional<TSaveError> Start() override { return std::nullopt; }
  std::optional<TSaveError> Write(const void* Data, std::size_t Size) override {
    int err = 0;
    if (!WriteAll(fd_.Get(), Data, Size, err)) return TSaveError{false, err};
    return std::nullopt;
  }
  std::optional<TSaveError> Commit() override {
    // On disk before it takes the target's place.
    if (Retrying([&] { return ::fsync(fd_.Get()); }) != 0 && errno != EINVAL && errno != ENOSYS)
      return TSaveError{false, errno};
    if (fd_.Close() != 0) return TSaveError{false, errno};
    struct stat st {};
    if (createOnly_ && ::lstat(target_.c_str(), &st) == 0) return TSaveError{true, EEXIST};
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return TSaveError{true, errno};
    temp_.clear();
    return std::nullopt;
  }
  std::optional<TSaveError> Abandon() override {
    fd_.Close();
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    return std::nullopt;
  }

 private:
  std::string target_;
  std::string temp_;
  TFd fd_;
  bool createOnly_;
};

}  // namespace

std::unique_ptr<TSaveSteps> PrepareSave(const std::string& Path, TFileSave::TMode Mode, std::optional<TSaveError>& Error) {
  const bool createOnly = Mode == TFileSave::TMode::CreateOnly;
  if (Path.empty()) {
    Error = TSaveError{true, ENOENT};
    return nullptr;
  }
  struct stat st {};
  const bool exists = ::stat(Path.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) {
    Error = TSaveError{true, errno};
    return nullptr;
  }
  if (exists && createOnly) {
    Error = TSaveError{true, EEXIST};
    return nullptr;
  }
  if (exists && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
    const int fd = Retrying([&] { return ::open(Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); });
    if (fd < 0) {
      Error = TSaveError{true, errno == ENXIO ? EPIPE : errno};
      return nullptr;
    }
    WriteWithoutPosition(fd);
    return std::make_unique<TDirectSave>(fd);
  }
  if (exists && !S_ISREG(st.st_mode)) {
    Error = TSaveError{true, NotRegularError(st.st_mode)};
    return nullptr;
  }
  if (exists && ::access(Path.c_str(), W_OK) != 0) {
    Error = TSaveError{true, errno};
    return nullptr;
  }
  const std::size_t slash = Path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : Path.substr(0, slash + 1);
  for (int attempt = 0;; ++attempt) {
    std::string temp = folder + TemporaryFileName("");
    const int fd = Retrying(
        [&] { return ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666); });
    if (fd >= 0) {
      // The new content keeps the permissions of the file it replaces.
      if (exists) ::fchmod(fd, st.st_mode & 0777);
      return std::make_unique<TRenameSave>(Path, std::move(temp), fd, createOnly);
    }
    if (errno != EEXIST || attempt == 100) {
      Error = TSaveError{true, errno};
      return nullptr;
    }
  }
}

std::optional<TReadError> ReadRegularFile(const std::string& Path, std::string& Contents) {
  Contents.clear();
  if (Path.empty()) return TReadError{true, ENOENT};
  // What is not a regular file is not even opened.
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0) return TReadError{true, errno};
  if (!S_ISREG(st.st_mode)) return TReadError{true, NotRegularError(st.st_mode)};
  TFd fd(Retrying([&] { return ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); }));
  if (fd.Get() < 0) return TReadError{true, errno};
  if (::fstat(fd.Get(), &st) != 0) return TReadError{true, errno};
  if (!S_ISREG(st.st_mode)) return TReadError{true, NotRegularError(st.st_mode)};
  return ReadWhole(static_cast<std::uint64_t>(st.st_size > 0 ? st.st_size : 0), Contents,
                   [&](char* buffer, std::size_t size, int& err) -> long long {
                     const ssize_t n = Retrying([&] { return ::read(fd.Get(), buffer, size); });
                     if (n < 0) err = errno;
                     return n;
                   });
}
