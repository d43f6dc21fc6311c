#pragma once
// What the POSIX half of the file layer shares between its files; included
// by the *_posix.cpp files, and by Files_wasm.cpp, whose Node host has the
// same calls.

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>

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
  // Never retried: on Linux the descriptor is gone even after EINTR.
  int Close() {
    if (fd_ < 0) return 0;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 || errno == EINTR ? 0 : result;
  }

 private:
  int fd_;
};

// Calls Call again while it fails with EINTR.
template <typename TCall>
auto Retrying(TCall call) {
  decltype(call()) result;
  do result = call();
  while (result < 0 && errno == EINTR);
  return result;
}

bool WriteAll(int fd, const void* data, std::size_t size, int& err);
// WriteAll for a FIFO, socket or device: a reader that goes away is the
// error EPIPE, not a signal that ends the program.
bool WriteWithoutBrokenPipeSignal(int fd, const void* data, std::size_t size, int& err);
// On disk; a file system that cannot sync (or a device) has nothing to do.
bool SyncData(int fd, int& err);
// The folder's entries on disk after a name was linked into it.
void SyncFolder(int folder);
// Copies everything From holds, from its start, to To from its start.
bool CopyContent(int from, int to, int& err);

// The file a save of Path reaches, resolved one part at a time below
// descriptors of the folders it passes, so that no part can be swapped
// for a link after it was looked at.
struct TResolved {
  TFd Folder;            // the folder holding Name (opened with O_PATH)
  std::string Name;      // the last part, never a link
  std::string Shown;     // the path without links, for the folder's own checks
  bool Exists = false;
  struct stat Stat {};   // the last part, when it exists
  int Descriptor = -1;   // a descriptor of this process the path names
};
// FollowLast: a link as the last part is followed (else it is the target).
// A link in a sticky, world-writable folder owned by neither the user nor
// the folder's owner is refused with EACCES, wherever it is in the path.
bool ResolveForSave(const std::string& path, bool followLast, TResolved& out, int& err);
// A folder by its path, opened with O_PATH (the temporary folder).
TFd OpenFolder(const char* path, int& err);

// A new file in Folder open for reading and writing, with Mode as given to
// open() (the umask and the folder's default access list apply): unnamed
// where the file system has them, else under a short temporary name, then
// in Name.
TFd NewFileIn(int folder, mode_t mode, const char* kind, std::string& name, int& err);
// Gives the unnamed file open at Fd the name Name in Folder and syncs the
// folder; false with EEXIST when Name exists.
bool LinkUnnamed(int fd, int folder, const std::string& name, int& err);
// Gives it a short temporary name in Folder; the name, or "" on failure.
std::string NameUnnamed(int fd, int folder, const char* kind, int& err);

// Gives the new file at Fd the target's owner, group, mode less the set-ID
// bits, access list and other extended attributes (file capabilities,
// privileges like the set-ID bits, excepted) and inode flags; true when it
// ends with exactly those. Target is open at TargetFd (any mode, O_PATH
// included).
bool TakeIdentity(int fd, int targetFd, const struct stat& target);
// The same as far as the saver may give it, for a copy of the old content
// (Private: no permissions for others).
void TakeIdentityAsFarAsMay(int fd, int targetFd, const struct stat& target, bool privateCopy);
// Whether the file may carry attributes the saver cannot see (trusted.*
// ones, for a saver without the privilege to read them).
bool AttributesMayBeHidden();

// In place, between the target's truncation and its commit: SIGINT, SIGTERM
// and SIGHUP put the old content back (from Backup, with Mode) before the
// program ends. Returns the slot to release; -1 when none is free.
int GuardInPlace(int target, int backup, mode_t mode, int backupFolder, const std::string& backupName);
void ReleaseGuard(int slot);
// Puts the old content back into Target from Backup; async-signal-safe.
bool PutBack(int target, int backup, mode_t mode);

// An in-place save of the regular file Name in Folder (Target: what was
// seen of it): opened and locked, its old content copied aside, nothing of
// it changed yet. ShownFolder is the folder's path for messages.
#include <memory>
class TSaveSteps;
struct TSaveError;
std::unique_ptr<TSaveSteps> PrepareInPlace(int folder, const std::string& name, const std::string& shownFolder,
                                           const struct stat& target, TSaveError& error);
// The folder part of a path without links ("" for the root).
std::string FolderOfShown(const std::string& shown);
