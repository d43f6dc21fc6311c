// Writing a file in place: under a lock, so that two saves of one file
// follow each other; its old content copied aside first (beside it, or in
// the temporary folder when its folder is full or refuses), put back on any
// failure or ending signal, and removed once the new content is on disk.
#include <fcntl.h>
#include <sys/file.h>

#include <cstdio>

#include "fileio/Posix.h"
#include "fileio/SavePolicy.h"

namespace {

const char* TemporaryFolderPath() {
#ifdef P_tmpdir
  return P_tmpdir;
#else
  return "/tmp";
#endif
}

// Waits for any other save's lock on the file. A file system without
// locks is written without.
bool Lock(int fd, int& err) {
#ifdef F_OFD_SETLKW
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  if (Retrying([&] { return ::fcntl(fd, F_OFD_SETLKW, &whole); }) == 0) return true;
  if (errno != EINVAL) {
    err = errno;
    return errno == ENOLCK || errno == EOPNOTSUPP;
  }
#endif
  if (Retrying([&] { return ::flock(fd, LOCK_EX); }) == 0) return true;
  err = errno;
  return errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL;
}

class TInPlaceSave : public TSaveSteps {
 public:
  std::optional<TSaveError> Prepare(int folder, const std::string& name, const std::string& shownFolder,
                                    const struct stat& target);
  TSaveWay Way() const override { return TSaveWay::InPlace; }
  std::optional<TSaveError> Start() override;
  std::optional<TSaveError> Write(const void* Data, std::size_t Size) override {
    int err = 0;
    if (!WriteAll(file_.Get(), Data, Size, err)) return TSaveError{false, err};
    return std::nullopt;
  }
  std::optional<TSaveError> Commit() override;
  std::optional<TSaveError> Abandon() override;
  ~TInPlaceSave() override { ReleaseGuard(guard_); }

 private:
  // Removes the copy; its name when that fails.
  std::string RemoveCopy(int& err);
  std::optional<TSaveError> KeepCopy(const struct stat& target);

  TFd folder_;
  std::string name_;
  TFd file_;
  TFd backup_;               // the old content, none for a write-only target
  TFd backupFolder_;
  std::string backupName_;   // its name in its folder
  std::string backupShown_;  // its path, for messages
  mode_t oldMode_ = 0;
  bool started_ = false;
  bool done_ = false;
  int guard_ = -1;
};

std::optional<TSaveError> TInPlaceSave::Prepare(int folder, const std::string& name, const std::string& shownFolder,
                                                const struct stat& target) {
  folder_ = TFd(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
  if (!folder_) return TSaveError{true, errno};
  name_ = name;
  bool readable = true;
  file_ = TFd(Retrying([&] { return ::openat(folder, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); }));
  if (!file_ && errno == EACCES) {
    // Write-only for this user: written without a copy, the one way left.
    readable = false;
    file_ = TFd(Retrying([&] { return ::openat(folder, name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); }));
  }
  if (!file_) return TSaveError{true, errno == ELOOP ? EACCES : errno};
  struct stat opened {};
  if (::fstat(file_.Get(), &opened) != 0) return TSaveError{true, errno};
  if (!S_ISREG(opened.st_mode) || opened.st_ino != target.st_ino || opened.st_dev != target.st_dev)
    return TSaveError{true, EACCES};  // changed meanwhile
  const int flags = ::fcntl(file_.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(file_.Get(), F_SETFL, flags & ~O_NONBLOCK);
  int err = 0;
  if (!Lock(file_.Get(), err)) return TSaveError{true, err};
  // The content as the lock leaves it, after any other save.
  if (::fstat(file_.Get(), &opened) != 0) return TSaveError{true, errno};
  oldMode_ = opened.st_mode & 07777;
  if (!readable) return std::nullopt;
  backupShown_ = shownFolder;
  return KeepCopy(opened);
}

std::optional<TSaveError> TInPlaceSave::KeepCopy(const struct stat& target) {
  int err = 0;
  for (const bool beside : {true, false}) {
    if (beside) {
      backupFolder_ = TFd(::fcntl(folder_.Get(), F_DUPFD_CLOEXEC, 0));
    } else {
      backupFolder_ = OpenFolder(TemporaryFolderPath(), err);
      backupShown_ = TemporaryFolderPath();
    }
    if (!backupFolder_) continue;
    backup_ = NewFileIn(backupFolder_.Get(), 0600, "old-", backupName_, err);
    if (!backup_) continue;
    bool copied = CopyContent(file_.Get(), backup_.Get(), err) && SyncData(backup_.Get(), err);
    if (copied) {
      TakeIdentityAsFarAsMay(backup_.Get(), file_.Get(), target, !beside);
      // Named while the target is cut short, so that a crash leaves it to
      // be found.
      if (backupName_.empty()) backupName_ = NameUnnamed(backup_.Get(), backupFolder_.Get(), "old-", err);
      copied = !backupName_.empty();
    }
    if (copied) {
      if (backupShown_.empty() || backupShown_.back() != '/') backupShown_ += '/';
      backupShown_ += backupName_;
      return std::nullopt;
    }
    backup_.Close();
    if (!backupName_.empty()) ::unlinkat(backupFolder_.Get(), backupName_.c_str(), 0);
    backupName_.clear();
  }
  return TSaveError{true, err};
}

std::optional<TSaveError> TInPlaceSave::Start() {
  // The set-ID bits go before the first byte (also where writing as root
  // would keep them).
  if ((oldMode_ & (S_ISUID | S_ISGID)) &&
      ::fchmod(file_.Get(), oldMode_ & ~static_cast<mode_t>(S_ISUID | S_ISGID)) != 0)
    return TSaveError{true, errno};
  if (backup_) guard_ = GuardInPlace(file_.Get(), backup_.Get(), oldMode_, backupFolder_.Get(), backupName_);
  started_ = true;
  if (Retrying([&] { return ::ftruncate(file_.Get(), 0); }) != 0) return TSaveError{true, errno};
  return std::nullopt;
}

std::string TInPlaceSave::RemoveCopy(int& err) {
  if (backupName_.empty()) return "";
  backup_.Close();
  if (Retrying([&] { return ::unlinkat(backupFolder_.Get(), backupName_.c_str(), 0); }) == 0 || errno == ENOENT) {
    backupName_.clear();
    return "";
  }
  err = errno;
  return backupShown_;
}

std::optional<TSaveError> TInPlaceSave::Commit() {
  int err = 0;
  if (!SyncData(file_.Get(), err)) return TSaveError{false, err};
  ReleaseGuard(guard_);
  guard_ = -1;
  if (file_.Close() != 0) {
    err = errno;
    // The descriptor is gone; the old content goes back through the name.
    file_ = TFd(Retrying([&] { return ::openat(folder_.Get(), name_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC); }));
    return TSaveError{false, err};
  }
  done_ = true;
  TSaveError left{false, 0};
  left.LeftBehind = RemoveCopy(left.Errno);
  if (!left.LeftBehind.empty()) return left;
  return std::nullopt;
}

std::optional<TSaveError> TInPlaceSave::Abandon() {
  if (done_) return std::nullopt;
  done_ = true;
  const bool putBack = !started_ || (file_ && backup_ && PutBack(file_.Get(), backup_.Get(), oldMode_));
  ReleaseGuard(guard_);
  guard_ = -1;
  if (!putBack) {
    TSaveError error{false, 0};
    error.KeptCopy = backupShown_;  // "" for a write-only target: nothing was kept
    return error;
  }
  int err = 0;
  (void)RemoveCopy(err);
  return std::nullopt;
}

}  // namespace

std::unique_ptr<TSaveSteps> PrepareInPlace(int folder, const std::string& name, const std::string& shownFolder,
                                           const struct stat& target, TSaveError& error) {
  auto save = std::make_unique<TInPlaceSave>();
  if (auto failed = save->Prepare(folder, name, shownFolder, target)) {
    (void)save->Abandon();
    error = *failed;
    return nullptr;
  }
  return save;
}

std::string FolderOfShown(const std::string& shown) {
  const std::size_t slash = shown.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : shown.substr(0, slash);
}
