// Preparing a save on POSIX systems: the target resolved safely, the facts
// of the decision found, and the steps of the chosen way.
#include <fcntl.h>

#include "fileio/Posix.h"
#include "fileio/SavePolicy.h"

namespace {

// A descriptor, device or FIFO: the bytes go to it as they come.
class TDirectSave : public TSaveSteps {
 public:
  explicit TDirectSave(TFd fd) : fd_(std::move(fd)) {}
  TSaveWay Way() const override { return TSaveWay::Direct; }
  std::optional<TSaveError> Start() override { return std::nullopt; }
  std::optional<TSaveError> Write(const void* Data, std::size_t Size) override {
    int err = 0;
    if (!WriteWithoutBrokenPipeSignal(fd_.Get(), Data, Size, err)) return TSaveError{false, err};
    return std::nullopt;
  }
  std::optional<TSaveError> Commit() override {
    int err = 0;
    struct stat st {};
    if (::fstat(fd_.Get(), &st) == 0 && S_ISREG(st.st_mode) && !SyncData(fd_.Get(), err)) return TSaveError{false, err};
    if (fd_.Close() != 0) return TSaveError{false, errno};
    return std::nullopt;
  }
  std::optional<TSaveError> Abandon() override { return std::nullopt; }

 private:
  TFd fd_;
};

// A new file that takes the target's name when complete, or, where the
// rename is refused at the end, is written into the target in place.
class TRenameSave : public TSaveSteps {
 public:
  TRenameSave(TResolved target, TFd file, std::string temp, TFileSave::TMode mode)
      : target_(std::move(target)), file_(std::move(file)), temp_(std::move(temp)), mode_(mode) {}
  ~TRenameSave() override { (void)Abandon(); }
  TSaveWay Way() const override { return inPlace_ ? TSaveWay::InPlace : TSaveWay::Rename; }
  std::optional<TSaveError> Start() override { return std::nullopt; }
  std::optional<TSaveError> Write(const void* Data, std::size_t Size) override {
    int err = 0;
    if (!WriteAll(file_.Get(), Data, Size, err)) return TSaveError{false, err};
    return std::nullopt;
  }
  std::optional<TSaveError> Commit() override;
  std::optional<TSaveError> Abandon() override {
    if (inPlace_) return inPlace_->Abandon();
    file_.Close();
    if (!temp_.empty()) ::unlinkat(target_.Folder.Get(), temp_.c_str(), 0);
    temp_.clear();
    return std::nullopt;
  }

 private:
  int Folder() const { return target_.Folder.Get(); }
  std::optional<TSaveError> CommitNew();
  std::optional<TSaveError> CommitInPlace();

  TResolved target_;
  TFd file_;
  std::string temp_;  // the new file's name while it has one of its own
  TFileSave::TMode mode_;
  std::unique_ptr<TSaveSteps> inPlace_;
};

std::optional<TSaveError> TRenameSave::Commit() {
  int err = 0;
  // On disk before it takes the target's place.
  if (!SyncData(file_.Get(), err)) return TSaveError{false, err};
  if (!target_.Exists) return CommitNew();
  if (temp_.empty()) {
    temp_ = NameUnnamed(file_.Get(), Folder(), "", err);
    if (temp_.empty()) return TSaveError{true, err};
  }
  if (Retrying([&] { return ::renameat(Folder(), temp_.c_str(), Folder(), target_.Name.c_str()); }) == 0) {
    temp_.clear();
    SyncFolder(Folder());
    return std::nullopt;
  }
  // Refused (a bind-mounted target, a folder that forbids it): the target
  // itself takes the content.
  ::unlinkat(Folder(), temp_.c_str(), 0);
  temp_.clear();
  return CommitInPlace();
}

std::optional<TSaveError> TRenameSave::CommitNew() {
  int err = 0;
  if (temp_.empty()) {
    // Unnamed: a new file takes its name at once, and a link never replaces.
    if (LinkUnnamed(file_.Get(), Folder(), target_.Name, err)) return std::nullopt;
    if (err != EEXIST) return TSaveError{true, err};
    if (mode_ == TFileSave::TMode::CreateOnly) return TSaveError{true, EEXIST};
    temp_ = NameUnnamed(file_.Get(), Folder(), "", err);
    if (temp_.empty()) return TSaveError{true, err};
  } else if (mode_ == TFileSave::TMode::CreateOnly) {
    if (Retrying([&] { return ::linkat(Folder(), temp_.c_str(), Folder(), target_.Name.c_str(), 0); }) == 0) {
      SyncFolder(Folder());
      TSaveError left{false, 0};
      if (Retrying([&] { return ::unlinkat(Folder(), temp_.c_str(), 0); }) != 0) {
        left.Errno = errno;
        left.LeftBehind = FolderOfShown(target_.Shown) + "/" + temp_;
      }
      temp_.clear();
      if (!left.LeftBehind.empty()) return left;
      return std::nullopt;
    }
    err = errno;
    // File systems without links get the rename, after one more look that
    // the name is still free.
    struct stat st {};
    if (err != EPERM && err != EOPNOTSUPP) return TSaveError{true, err};
    if (::fstatat(Folder(), target_.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return TSaveError{true, EEXIST};
  }
  if (Retrying([&] { return ::renameat(Folder(), temp_.c_str(), Folder(), target_.Name.c_str()); }) != 0)
    return TSaveError{true, errno};
  temp_.clear();
  SyncFolder(Folder());
  return std::nullopt;
}

std::optional<TSaveError> TRenameSave::CommitInPlace() {
  TSaveError error;
  inPlace_ = PrepareInPlace(Folder(), target_.Name, FolderOfShown(target_.Shown), target_.Stat, error);
  if (!inPlace_) return error;
  auto failed = inPlace_->Start();
  char buffer[1 << 16];
  for (off_t offset = 0; !failed;) {
    const ssize_t n = Retrying([&] { return ::pread(file_.Get(), buffer, sizeof buffer, offset); });
    if (n <= 0) {
      if (n < 0) failed = TSaveError{false, errno};
      break;
    }
    failed = inPlace_->Write(buffer, static_cast<std::size_t>(n));
    offset += n;
  }
  if (!failed) return inPlace_->Commit();
  return failed;
}

// A device or FIFO by its name, which is no link; still checked on the
// opened descriptor, should it have been swapped meanwhile. A FIFO that
// nobody reads is an error at once rather than a wait.
std::unique_ptr<TSaveSteps> OpenDevice(const TResolved& target, std::optional<TSaveError>& error) {
  TFd fd(Retrying([&] {
    return ::openat(target.Folder.Get(), target.Name.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
  }));
  struct stat st {};
  if (!fd || ::fstat(fd.Get(), &st) != 0) {
    error = TSaveError{true, errno == ELOOP ? EACCES : errno};
    return nullptr;
  }
  if ((st.st_mode & S_IFMT) != (target.Stat.st_mode & S_IFMT) || st.st_ino != target.Stat.st_ino ||
      st.st_dev != target.Stat.st_dev) {
    error = TSaveError{true, EACCES};
    return nullptr;
  }
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  return std::make_unique<TDirectSave>(std::move(fd));
}

// The process's own descriptor: written through, keeping its position and
// append mode.
std::unique_ptr<TSaveSteps> OpenDescriptor(int descriptor, std::optional<TSaveError>& error) {
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0) {
    error = TSaveError{true, errno};
    return nullptr;
  }
  if ((flags & O_ACCMODE) == O_RDONLY) {
    error = TSaveError{true, EACCES};
    return nullptr;
  }
  TFd fd(::fcntl(descriptor, F_DUPFD_CLOEXEC, 0));
  if (!fd) {
    error = TSaveError{true, errno};
    return nullptr;
  }
  return std::make_unique<TDirectSave>(std::move(fd));
}

bool FolderWritable(int folder) { return ::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) == 0; }

}  // namespace

std::unique_ptr<TSaveSteps> PrepareSave(const std::string& Path, TFileSave::TMode Mode, std::optional<TSaveError>& Error) {
  const bool createOnly = Mode == TFileSave::TMode::CreateOnly;
  TResolved target;
  int err = 0;
  if (!ResolveForSave(Path, !createOnly, target, err)) {
    Error = TSaveError{true, err};
    return nullptr;
  }
  if (createOnly && (target.Exists || target.Descriptor >= 0)) {
    Error = TSaveError{true, EEXIST};
    return nullptr;
  }
  if (target.Descriptor >= 0) return OpenDescriptor(target.Descriptor, Error);
  TSaveTarget facts;
  facts.Exists = target.Exists;
  const struct stat& st = target.Stat;
  if (target.Exists) {
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return OpenDevice(target, Error);
    if (!S_ISREG(st.st_mode)) {
      Error = TSaveError{true, S_ISDIR(st.st_mode) ? EISDIR : EACCES};
      return nullptr;
    }
    // Replacing a read-only file would succeed where opening it fails.
    if (::faccessat(target.Folder.Get(), target.Name.c_str(), W_OK, AT_EACCESS) != 0) {
      Error = TSaveError{true, errno};
      return nullptr;
    }
    facts.SingleLink = st.st_nlink == 1;
    facts.FolderWritable = FolderWritable(target.Folder.Get());
    facts.HiddenAttributes = AttributesMayBeHidden();
  }
  TFd file;
  std::string temp;
  if (ChooseSaveWay(facts) == TSaveWay::Rename) {
    // A new file is made as any program makes one; one that is to take an
    // existing file's place is private until it has that file's identity.
    file = NewFileIn(target.Folder.Get(), target.Exists ? 0600 : 0666, "", temp, err);
    if (!file) {
      // A folder that takes no new file leaves the file itself to write.
      if (!target.Exists || (err != EACCES && err != EPERM && err != EROFS && err != ENOSPC && err != EDQUOT)) {
        Error = TSaveError{true, err};
        return nullptr;
      }
      facts.FolderWritable = false;
    } else if (target.Exists) {
      TFd targetFd(Retrying([&] { return ::openat(target.Folder.Get(), target.Name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC); }));
      struct stat now {};
      facts.IdentityKept = targetFd && ::fstat(targetFd.Get(), &now) == 0 && now.st_ino == st.st_ino &&
                           now.st_dev == st.st_dev && TakeIdentity(file.Get(), targetFd.Get(), st);
    }
  }
  if (ChooseSaveWay(facts) == TSaveWay::Rename)
    return std::make_unique<TRenameSave>(std::move(target), std::move(file), std::move(temp), Mode);
  file.Close();
  if (!temp.empty()) ::unlinkat(target.Folder.Get(), temp.c_str(), 0);
  TSaveError error;
  auto steps = PrepareInPlace(target.Folder.Get(), target.Name, FolderOfShown(target.Shown), st, error);
  if (!steps) Error = error;
  return steps;
}
