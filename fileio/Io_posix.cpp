// Writing, syncing and copying with every interrupted call retried, and the
// guard that puts an in-place save's old content back when a signal ends
// the program.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <mutex>

#include "fileio/Posix.h"

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

bool SyncData(int fd, int& err) {
  if (Retrying([&] { return ::fdatasync(fd); }) == 0 || errno == EINVAL || errno == EROFS) return true;
  err = errno;
  return false;
}

void SyncFolder(int folder) {
  // A failure changes nothing for the user: the entry is there either way.
  TFd fd(Retrying([&] { return ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (fd) (void)Retrying([&] { return ::fsync(fd.Get()); });
}

bool CopyContent(int from, int to, int& err) {
  char buffer[1 << 16];
  for (off_t offset = 0;;) {
    const ssize_t n = Retrying([&] { return ::pread(from, buffer, sizeof buffer, offset); });
    if (n < 0) {
      err = errno;
      return false;
    }
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      const ssize_t put = Retrying([&] { return ::pwrite(to, buffer + done, static_cast<std::size_t>(n - done), offset + done); });
      if (put <= 0) {
        err = put < 0 ? errno : EIO;
        return false;
      }
      done += put;
    }
    offset += n;
  }
}

bool PutBack(int target, int backup, mode_t mode) {
  // Only async-signal-safe calls: this runs in the signal handler too.
  const int saved = errno;
  int err = 0;
  bool ok = Retrying([&] { return ::ftruncate(target, 0); }) == 0 && CopyContent(backup, target, err) &&
            SyncData(target, err);
  // The file as it was, set-ID bits included.
  if (mode & (S_ISUID | S_ISGID)) (void)::fchmod(target, mode);
  errno = saved;
  return ok;
}

namespace {

// The saves in their in-place window. A slot is taken (Target first set)
// under the mutex by the saving thread and read by the handler.
struct TGuardSlot {
  std::atomic<int> Target{-1};
  int Backup = -1;
  mode_t Mode = 0;
  int BackupFolder = -1;
  char BackupName[64] = {};
};
constexpr int SlotCount = 16;
TGuardSlot slots[SlotCount];
constexpr int Guarded[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[3];
int active = 0;
std::mutex guardMutex;

void PutBackAndEnd(int signal) {
  for (TGuardSlot& slot : slots) {
    const int target = slot.Target.exchange(-1);
    // The copy goes once the content is back; else it stays for the user.
    if (target >= 0 && slot.Backup >= 0 && PutBack(target, slot.Backup, slot.Mode) && slot.BackupName[0])
      (void)::unlinkat(slot.BackupFolder, slot.BackupName, 0);
  }
  // Then what the signal would have done before.
  for (int k = 0; k < 3; ++k) {
    if (Guarded[k] != signal) continue;
    if (previous[k].sa_handler != SIG_DFL && previous[k].sa_handler != SIG_IGN) {
      ::sigaction(signal, &previous[k], nullptr);
      ::raise(signal);
      return;
    }
  }
  ::signal(signal, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(signal);
}

}  // namespace

int GuardInPlace(int target, int backup, mode_t mode, int backupFolder, const std::string& backupName) {
  std::lock_guard<std::mutex> lock(guardMutex);
  for (int k = 0; k < SlotCount; ++k) {
    if (slots[k].Target.load() >= 0) continue;
    slots[k].Backup = backup;
    slots[k].Mode = mode;
    slots[k].BackupFolder = backupFolder;
    slots[k].BackupName[0] = '\0';
    if (backupName.size() < sizeof slots[k].BackupName) {
      backupName.copy(slots[k].BackupName, backupName.size());
      slots[k].BackupName[backupName.size()] = '\0';
    }
    slots[k].Target.store(target);
    if (active++ == 0) {
      struct sigaction action {};
      action.sa_handler = PutBackAndEnd;
      sigemptyset(&action.sa_mask);
      for (int signal : Guarded) sigaddset(&action.sa_mask, signal);
      for (int s = 0; s < 3; ++s) {
        ::sigaction(Guarded[s], nullptr, &previous[s]);
        // A signal the program ignores cannot end it.
        if (previous[s].sa_handler != SIG_IGN) ::sigaction(Guarded[s], &action, nullptr);
      }
    }
    return k;
  }
  return -1;
}

void ReleaseGuard(int slot) {
  if (slot < 0) return;
  std::lock_guard<std::mutex> lock(guardMutex);
  slots[slot].Target.store(-1);
  if (--active == 0)
    for (int s = 0; s < 3; ++s)
      if (previous[s].sa_handler != SIG_IGN) ::sigaction(Guarded[s], &previous[s], nullptr);
}
