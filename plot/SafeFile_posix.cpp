#ifndef _WIN32

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cstdio>
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
  TFd(TFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  TFd& operator=(TFd&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
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

// Whether the system's protection of sticky, world-writable folders would
// refuse to follow the link at Path (seen as Link): a link there is
// followed only for its owner or the folder's. Applied whatever the
// system's own setting, since the program follows links by itself.
bool LinkProtected(const std::string& path, const struct stat& link) {
  struct stat folder {};
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (::stat(name.c_str(), &folder) != 0) return false;
  if (!(folder.st_mode & S_ISVTX) || !(folder.st_mode & S_IWOTH)) return false;
  const uid_t user = ::geteuid();
  return link.st_uid != user && link.st_uid != folder.st_uid;
}

// The file that writing through Path reaches: symbolic links are followed,
// also a dangling one, whose missing target is then the file to create.
bool ResolveLinks(std::string& path, int& err) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    if (LinkProtected(path, st)) {
      err = EACCES;
      return false;
    }
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

// A short name of fixed length in Folder, so that it fits wherever the
// target's own name does: "<folder>/.helixor-<kind>XXXXXX".
std::string TemporaryName(const std::string& folder, const char* kind) {
  static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::minstd_rand random(std::random_device{}());
  std::string name = folder + (folder.back() == '/' ? ".helixor-" : "/.helixor-") + kind;
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
    if (n == 0) {
      err = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// WriteAll for a FIFO or device: a reader that goes away is the error EPIPE,
// not a signal that ends the program (the window program included).
bool WriteWithoutBrokenPipeSignal(int fd, const void* data, std::size_t size, int& err) {
  sigset_t pipe, old;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  sigset_t pending;
  sigemptyset(&pending);
  const bool alreadyPending = ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE);
  if (::pthread_sigmask(SIG_BLOCK, &pipe, &old) != 0) return WriteAll(fd, data, size, err);
  const bool ok = WriteAll(fd, data, size, err);
  if (!ok && err == EPIPE && !alreadyPending) {
    // Take the signal this write raised before the old mask returns.
    const timespec none{0, 0};
    while (::sigtimedwait(&pipe, nullptr, &none) < 0 && errno == EINTR) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return ok;
}

// On disk; a file system that cannot sync (or a device) has nothing to do.
bool SyncData(int fd, int& err) {
  if (::fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS) return true;
  err = errno;
  return false;
}

// The folder's entries on disk after a rename; a failure changes nothing
// for the user.
void SyncFolder(const std::string& folder) {
  TFd fd(OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd) ::fsync(fd.Get());
}

// A new file in Folder open for writing, readable by its owner alone: an
// unnamed one where the file system has them (nothing is left of it after
// a crash), else one under a short temporary name.
TFd NewFileIn(const std::string& folder, const char* kind, std::string& name, int& err) {
  name.clear();
#ifdef O_TMPFILE
  // An unnamed file gets its name through /proc (or, for root, through
  // its descriptor); without either it could never be named.
  static const bool nameable = ::access("/proc/self/fd", X_OK) == 0 || ::geteuid() == 0;
  TFd unnamed(nameable ? OpenRetrying(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600) : -1);
  if (unnamed) return unnamed;
  if (!nameable) errno = EOPNOTSUPP;
  // Kernels and file systems without unnamed files say so in these ways.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) {
    err = errno;
    return TFd();
  }
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = TemporaryName(folder, kind);
    TFd fd(OpenRetrying(candidate.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd) {
      name = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST) break;
  }
  err = errno;
  return TFd();
}

// Gives the unnamed file open at Fd the name Name; false with EEXIST when
// Name exists.
bool LinkUnnamed(int fd, const std::string& name, int& err) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  err = errno;
  if (err == EEXIST) return false;
#ifdef AT_EMPTY_PATH
  // Without /proc the descriptor itself can be linked, given the privilege.
  if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno == EEXIST) err = EEXIST;
#endif
  return false;
}

// Gives the unnamed file open at Fd a short temporary name in Folder; the
// name, or "" when that fails.
std::string NameUnnamed(int fd, const std::string& folder, const char* kind, int& err) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TemporaryName(folder, kind);
    if (LinkUnnamed(fd, name, err)) return name;
    if (err != EEXIST) break;
  }
  return "";
}

// Copies everything From holds, from its start, to To at its position.
bool CopyContent(int from, int to, int& err) {
  char buffer[1 << 16];
  for (off_t offset = 0;;) {
    ssize_t n;
    do n = ::pread(from, buffer, sizeof buffer, offset);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
      err = errno;
      return false;
    }
    if (n == 0) return true;
    if (!WriteAll(to, buffer, static_cast<std::size_t>(n), err)) return false;
    offset += n;
  }
}

// Gives the new file at Fd what the target at Path has: owner and group,
// permissions without the set-ID bits, and its extended attributes (an
// access list, a label) except file capabilities, which are privileges like
// the set-ID bits. False when any of it cannot be had.
bool TakeIdentity(int fd, const std::string& path, const struct stat& target) {
  struct stat now {};
  if (::fstat(fd, &now) != 0) return false;
  if ((now.st_uid != target.st_uid || now.st_gid != target.st_gid) &&
      ::fchown(fd, target.st_uid, target.st_gid) != 0)
    return false;
  const mode_t wanted = target.st_mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID);
  // A file system that keeps no permissions refuses the change; the file
  // is fine when it has them already.
  if (::fchmod(fd, wanted) != 0 && (::fstat(fd, &now) != 0 || (now.st_mode & 07777) != wanted)) return false;
#ifdef __linux__
  ssize_t size = ::llistxattr(path.c_str(), nullptr, 0);
  if (size < 0) return errno == ENOTSUP || errno == ENOSYS;
  std::string names(static_cast<std::size_t>(size), '\0');
  size = ::llistxattr(path.c_str(), names.data(), names.size());
  if (size < 0) return false;
  names.resize(static_cast<std::size_t>(size));
  for (std::size_t at = 0; at < names.size();) {
    const std::string name = names.c_str() + at;
    at += name.size() + 1;
    if (name.empty() || name == "security.capability") continue;
    const ssize_t length = ::lgetxattr(path.c_str(), name.c_str(), nullptr, 0);
    if (length < 0) return false;
    std::string value(static_cast<std::size_t>(length), '\0');
    const ssize_t got = ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
    if (got < 0) return false;
    if (::fsetxattr(fd, name.c_str(), value.data(), static_cast<std::size_t>(got), 0) != 0) return false;
  }
#else
  (void)path;
#endif
  return true;
}

bool FolderWritable(const std::string& folder) {
  return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string TemporaryFolder() {
#ifdef P_tmpdir
  return P_tmpdir;
#else
  return "/tmp";
#endif
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


struct TFileSave::TState {
  enum class TKind { None, Rename, InPlace, Direct } Kind = TKind::None;
  TMode Mode = TMode::Replace;
  std::string Target;  // the file saved (links resolved)
  std::string Folder;
  bool Exists = false;
  TFd File;            // the new file, the target (in place) or the device
  std::string Temp;    // the new file's name when it has one before Commit
  // In place: the old content, and its name while the target is truncated.
  TFd Backup;
  std::string BackupName;
  bool Truncated = false;
  bool Started = true;  // in place: the target has been cut short
  mode_t OldMode = 0;
  bool Failed = false;
  bool Done = false;

  ~TState() { Abandon(); }

  // In place, before the first bytes: the set-ID bits go (also where
  // writing as root would keep them), then the old content.
  std::optional<TSaveError> Start() {
    if (Started) return std::nullopt;
    Started = true;
    if (OldMode & (S_ISUID | S_ISGID)) {
      if (::fchmod(File.Get(), OldMode & ~static_cast<mode_t>(S_ISUID | S_ISGID)) != 0) {
        const int err = errno;
        Failed = true;
        Abandon();
        return TSaveError{true, err};
      }
    }
    Truncated = true;
    if (::ftruncate(File.Get(), 0) != 0) {
      const int err = errno;
      Failed = true;
      Abandon();
      return TSaveError{true, err};
    }
    return std::nullopt;
  }

  // Leaves what was there before.
  void Abandon() {
    if (Done) return;
    Done = true;
    if (Kind == TKind::Rename) {
      File.Close();
      if (!Temp.empty()) ::unlink(Temp.c_str());
    } else if (Kind == TKind::InPlace) {
      if (Truncated) Restore();
      if (!BackupName.empty() && !Truncated) ::unlink(BackupName.c_str());
    }
  }

  // Puts the old content back into the target; the copy stays under its
  // name if that fails, for the user to recover.
  void Restore() {
    int err = 0;
    if (::ftruncate(File.Get(), 0) == 0 && ::lseek(File.Get(), 0, SEEK_SET) == 0 &&
        CopyContent(Backup.Get(), File.Get(), err) && SyncData(File.Get(), err)) {
      Truncated = false;
    }
    // The file as it was, set-ID bits included.
    if (OldMode & (S_ISUID | S_ISGID)) (void)::fchmod(File.Get(), OldMode);
  }
};

TFileSave::TFileSave() = default;
TFileSave::~TFileSave() = default;

TSaveWay TFileSave::Way() const {
  return state_ && state_->Kind == TState::TKind::InPlace ? TSaveWay::InPlace : TSaveWay::Rename;
}

std::optional<TSaveError> TFileSave::Begin(const std::string& Path, TMode Mode) {
  std::optional<TSaveError> error = Prepare(Path, Mode);
  if (error) state_.reset();  // puts back whatever the attempt touched
  return error;
}

std::optional<TSaveError> TFileSave::Prepare(const std::string& Path, TMode Mode) {
  state_ = std::make_unique<TState>();
  TState& s = *state_;
  s.Mode = Mode;
  if (Path.empty()) return TSaveError{true, ENOENT};
  int err = 0;
  struct stat st {};
  if (Mode == TMode::CreateOnly) {
    if (::lstat(Path.c_str(), &st) == 0) return TSaveError{true, EEXIST};
    s.Target = Path;
  } else {
    s.Target = Path;
    if (!ResolveLinks(s.Target, err)) return TSaveError{true, err};
    // A device or a FIFO takes the bytes directly, through the link as the
    // system follows it (/dev/stdout names a pipe this way). A FIFO that
    // nobody reads is an error at once rather than a wait.
    if (::stat(Path.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
      s.Kind = TState::TKind::Direct;
      s.File = TFd(OpenRetrying(Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
      if (!s.File) return TSaveError{true, errno};
      const int flags = ::fcntl(s.File.Get(), F_GETFL);
      if (flags >= 0) ::fcntl(s.File.Get(), F_SETFL, flags & ~O_NONBLOCK);
      return std::nullopt;
    }
    if (::stat(s.Target.c_str(), &st) == 0) {
      if (!S_ISREG(st.st_mode)) return TSaveError{true, NotRegularError(st.st_mode)};
      // Replacing a read-only file would succeed where opening it fails.
      if (::faccessat(AT_FDCWD, s.Target.c_str(), W_OK, AT_EACCESS) != 0) return TSaveError{true, errno};
      s.Exists = true;
    } else if (errno != ENOENT) {
      return TSaveError{true, errno};
    }
  }
  s.Folder = FolderOf(s.Target);

  TSaveTarget facts;
  facts.Exists = s.Exists;
  if (s.Exists) {
    facts.SingleLink = st.st_nlink == 1;
    facts.FolderWritable = FolderWritable(s.Folder);
  }
  if (!s.Exists || (facts.SingleLink && facts.FolderWritable)) {
    s.File = NewFileIn(s.Folder, "", s.Temp, err);
    if (!s.File) {
      // A folder that takes no new file leaves the file itself to write.
      if (!s.Exists || (err != EACCES && err != EPERM && err != EROFS)) return TSaveError{true, err};
      facts.FolderWritable = false;
    } else if (s.Exists) {
      facts.IdentityKept = TakeIdentity(s.File.Get(), s.Target, st);
    } else {
      // Where the file system sets the permissions itself, the new file
      // has what it gives.
      (void)::fchmod(s.File.Get(), NewFileMode());
    }
  }
  if (ChooseSaveWay(facts) == TSaveWay::Rename) {
    s.Kind = TState::TKind::Rename;
    return std::nullopt;
  }
  s.File.Close();
  if (!s.Temp.empty()) ::unlink(s.Temp.c_str());
  s.Temp.clear();

  // In place: the target itself, its old content copied aside first.
  s.Kind = TState::TKind::InPlace;
  s.File = TFd(OpenRetrying(s.Target.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!s.File) return TSaveError{true, errno};
  struct stat opened {};
  if (::fstat(s.File.Get(), &opened) != 0) return TSaveError{true, errno};
  if (!S_ISREG(opened.st_mode) || opened.st_ino != st.st_ino || opened.st_dev != st.st_dev)
    return TSaveError{true, EACCES};  // changed meanwhile
  const int flags = ::fcntl(s.File.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(s.File.Get(), F_SETFL, flags & ~O_NONBLOCK);
  // Beside the target where the folder allows, else in the temporary folder.
  std::string backupFolder = FolderWritable(s.Folder) ? s.Folder : TemporaryFolder();
  s.Backup = NewFileIn(backupFolder, "old-", s.BackupName, err);
  if (!s.Backup && backupFolder != TemporaryFolder()) {
    backupFolder = TemporaryFolder();
    s.Backup = NewFileIn(backupFolder, "old-", s.BackupName, err);
  }
  if (!s.Backup) return TSaveError{true, err};
  if (!CopyContent(s.File.Get(), s.Backup.Get(), err) || !SyncData(s.Backup.Get(), err))
    return TSaveError{true, err};
  // Named while the target is cut short, so that a crash leaves it to be
  // found; an unnamed one gets its name now.
  if (s.BackupName.empty()) {
    s.BackupName = NameUnnamed(s.Backup.Get(), backupFolder, "old-", err);
    if (s.BackupName.empty()) return TSaveError{true, err};
  }
  // The target is cut short only when the first bytes come, so that a save
  // given up before leaves it untouched.
  s.OldMode = opened.st_mode & 07777;
  s.Started = false;
  return std::nullopt;
}

std::optional<TSaveError> TFileSave::Write(const void* Data, std::size_t Size) {
  if (!state_ || state_->Kind == TState::TKind::None || state_->Done) return TSaveError{false, EBADF};
  TState& s = *state_;
  if (s.Failed) return TSaveError{false, EIO};
  if (auto error = s.Start()) return error;
  int err = 0;
  const bool written = s.Kind == TState::TKind::Direct ? WriteWithoutBrokenPipeSignal(s.File.Get(), Data, Size, err)
                                                       : WriteAll(s.File.Get(), Data, Size, err);
  if (!written) {
    s.Failed = true;
    s.Abandon();
    return TSaveError{false, err};
  }
  return std::nullopt;
}

std::optional<TSaveError> TFileSave::Commit() {
  if (!state_ || state_->Kind == TState::TKind::None || state_->Done) return TSaveError{false, EBADF};
  TState& s = *state_;
  if (s.Failed) return TSaveError{false, EIO};
  int err = 0;
  auto fail = [&](bool creating, int error) {
    s.Failed = true;
    s.Abandon();
    return TSaveError{creating, error};
  };
  switch (s.Kind) {
    case TState::TKind::Direct:
      s.Done = true;
      if (s.File.Close() != 0) return TSaveError{false, errno};
      return std::nullopt;
    case TState::TKind::InPlace:
      if (auto error = s.Start()) return error;  // no bytes: an empty file
      if (!SyncData(s.File.Get(), err)) return fail(false, err);
      if (s.File.Close() != 0) {
        err = errno;
        // The descriptor is gone; the old content goes back through the name.
        s.File = TFd(OpenRetrying(s.Target.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
        if (s.File) return fail(false, err);
        s.Done = true;
        return TSaveError{false, err};
      }
      s.Done = true;
      s.Truncated = false;
      ::unlink(s.BackupName.c_str());
      return std::nullopt;
    case TState::TKind::Rename:
      break;
    case TState::TKind::None:
      return TSaveError{false, EBADF};
  }
  // On disk before it takes the target's place.
  if (!SyncData(s.File.Get(), err)) return fail(false, err);
  if (s.Temp.empty()) {
    // Unnamed: a new file takes its name at once, and a link never
    // replaces; an existing one is replaced through a temporary name.
    if (!s.Exists && LinkUnnamed(s.File.Get(), s.Target, err)) {
      s.Done = true;
      SyncFolder(s.Folder);
      return std::nullopt;
    }
    if (!s.Exists && err != EEXIST) return fail(true, err);
    if (s.Mode == TMode::CreateOnly) return fail(true, EEXIST);
    s.Temp = NameUnnamed(s.File.Get(), s.Folder, "", err);
    if (s.Temp.empty()) return fail(true, err);
  }
  if (s.File.Close() != 0) return fail(false, errno);
  if (s.Mode == TMode::CreateOnly) {
    // A link never replaces. File systems without links get the rename,
    // after one more look that the name is still free.
    if (::link(s.Temp.c_str(), s.Target.c_str()) == 0) {
      ::unlink(s.Temp.c_str());
      s.Done = true;
      return std::nullopt;
    }
    err = errno;
    struct stat st {};
    if (err != EPERM && err != EOPNOTSUPP) return fail(true, err);
    if (::lstat(s.Target.c_str(), &st) == 0) return fail(true, EEXIST);
  }
  if (::rename(s.Temp.c_str(), s.Target.c_str()) != 0) return fail(true, errno);
  s.Done = true;
  SyncFolder(s.Folder);
  return std::nullopt;
}

#endif  // !_WIN32
