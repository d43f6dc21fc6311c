// A file's identity beyond its content: owner, group, mode, extended
// attributes (the access list among them) and inode flags. A new file that
// is to take a target's place must end with exactly the target's.
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/xattr.h>

#include <map>

#include "fileio/Posix.h"

namespace {

using TAttributes = std::map<std::string, std::string>;

// Privileges like the set-ID bits: never carried to new content.
const char* const Capabilities = "security.capability";

// The file open at Fd by a path, so that a descriptor opened with O_PATH
// serves as well.
std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool ReadAttributes(int fd, TAttributes& attributes) {
  attributes.clear();
  const std::string path = ProcPath(fd);
  for (int attempt = 0; attempt < 4; ++attempt) {
    ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
    if (size < 0) return errno == ENOTSUP || errno == ENOSYS;
    std::string names(static_cast<std::size_t>(size), '\0');
    size = ::listxattr(path.c_str(), names.data(), names.size());
    if (size < 0) {
      if (errno == ERANGE) continue;  // grown meanwhile
      return false;
    }
    names.resize(static_cast<std::size_t>(size));
    for (std::size_t at = 0; at < names.size();) {
      const std::string name = names.c_str() + at;
      at += name.size() + 1;
      if (name.empty() || name == Capabilities) continue;
      const ssize_t length = ::getxattr(path.c_str(), name.c_str(), nullptr, 0);
      if (length < 0) {
        if (errno == ENODATA) continue;
        return false;
      }
      std::string value(static_cast<std::size_t>(length), '\0');
      const ssize_t got = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
      if (got < 0) return false;
      value.resize(static_cast<std::size_t>(got));
      attributes[name] = value;
    }
    return true;
  }
  return false;
}

// The inode flags (chattr) that a user sees; none where the file system
// has none. False when they cannot be read.
bool ReadFlags(int fd, unsigned& flags) {
  int value = 0;
  flags = 0;
  if (::ioctl(fd, FS_IOC_GETFLAGS, &value) == 0) {
    flags = static_cast<unsigned>(value) & FS_FL_USER_VISIBLE;
    return true;
  }
  return errno == ENOTTY || errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS;
}

// The target's flags through a descriptor that allows the ioctl.
bool ReadTargetFlags(int target, unsigned& flags) {
  const std::string path = ProcPath(target);
  for (int mode : {O_RDONLY, O_WRONLY}) {
    TFd fd(Retrying([&] { return ::open(path.c_str(), mode | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); }));
    if (fd) return ReadFlags(fd.Get(), flags);
  }
  return false;
}

bool GiveAttributes(int fd, const TAttributes& wanted) {
  TAttributes now;
  if (!ReadAttributes(fd, now)) return false;
  for (const auto& [name, value] : now)
    if (!wanted.count(name) && ::fremovexattr(fd, name.c_str()) != 0) return false;
  for (const auto& [name, value] : wanted) {
    const auto it = now.find(name);
    if (it != now.end() && it->second == value) continue;
    if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0) return false;
  }
  return true;
}

mode_t WithoutSetId(mode_t mode) { return mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID); }

bool GiveMode(int fd, mode_t wanted) {
  struct stat now {};
  // A file system that keeps no permissions refuses the change; the file
  // is fine when it has them already.
  return ::fchmod(fd, wanted) == 0 || (::fstat(fd, &now) == 0 && (now.st_mode & 07777) == wanted);
}

}  // namespace

bool TakeIdentity(int fd, int targetFd, const struct stat& target) {
  struct stat now {};
  if (::fstat(fd, &now) != 0) return false;
  if ((now.st_uid != target.st_uid || now.st_gid != target.st_gid) && ::fchown(fd, target.st_uid, target.st_gid) != 0)
    return false;
  TAttributes attributes;
  if (!ReadAttributes(targetFd, attributes) || !GiveAttributes(fd, attributes)) return false;
  // After the access list, whose mask the mode's group bits then set.
  const mode_t wanted = WithoutSetId(target.st_mode);
  if (!GiveMode(fd, wanted)) return false;
  unsigned flags = 0, newFlags = 0;
  if (!ReadTargetFlags(targetFd, flags) || !ReadFlags(fd, newFlags)) return false;
  if (flags != newFlags) {
    int value = static_cast<int>(flags & FS_FL_USER_MODIFIABLE);
    if (::ioctl(fd, FS_IOC_SETFLAGS, &value) != 0 || !ReadFlags(fd, newFlags) || newFlags != flags) return false;
  }
  // All of it, as it ended.
  TAttributes ended;
  if (::fstat(fd, &now) != 0 || !ReadAttributes(fd, ended)) return false;
  return now.st_uid == target.st_uid && now.st_gid == target.st_gid && (now.st_mode & 07777) == wanted &&
         ended == attributes;
}

void TakeIdentityAsFarAsMay(int fd, int targetFd, const struct stat& target, bool privateCopy) {
  (void)::fchown(fd, target.st_uid, target.st_gid);
  TAttributes attributes;
  if (ReadAttributes(targetFd, attributes)) {
    // Away from the target's folder, a named user of its access list could
    // read what the folder kept from them.
    if (privateCopy) attributes.erase("system.posix_acl_access");
    (void)GiveAttributes(fd, attributes);
  }
  (void)GiveMode(fd, WithoutSetId(target.st_mode) & (privateCopy ? 0770 : 07777));
}

bool AttributesMayBeHidden() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return true;
  return !(data[CAP_SYS_ADMIN / 32].effective & (1u << (CAP_SYS_ADMIN % 32)));
}
