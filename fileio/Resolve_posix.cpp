// Resolving the path of a save one part at a time, below descriptors of the
// folders passed: the system's protection of sticky, world-writable folders
// applied to every link on the way (whatever the system's own setting, since
// the program follows links by itself), and the process's own descriptors
// recognised before /proc turns them into names.
#include <fcntl.h>
#include <sys/vfs.h>

#include <deque>

#include "fileio/Posix.h"

namespace {

std::deque<std::string> Parts(const std::string& path) {
  std::deque<std::string> parts;
  for (std::size_t at = 0; at <= path.size();) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    if (slash > at) parts.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  return parts;
}

bool AllDigits(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// Whether Folder (a path without links) is this process's descriptor
// folder in /proc: /proc/<pid>/fd or /proc/<pid>/task/<tid>/fd.
bool OwnDescriptorFolder(const std::string& folder) {
  const std::string self = "/proc/" + std::to_string(::getpid()) + "/";
  if (folder.compare(0, self.size(), self) != 0) return false;
  const std::string rest = folder.substr(self.size());
  if (rest == "fd") return true;
  if (rest.compare(0, 5, "task/") != 0 || rest.size() < 9 || rest.compare(rest.size() - 3, 3, "/fd") != 0) return false;
  return AllDigits(rest.substr(5, rest.size() - 8));
}

std::string ReadLink(int link, std::size_t size, int& err) {
  std::string target(size > 0 ? size + 1 : 256, '\0');
  for (;;) {
    const ssize_t n = ::readlinkat(link, "", target.data(), target.size());
    if (n < 0) {
      err = errno;
      return "";
    }
    if (static_cast<std::size_t>(n) < target.size()) {
      target.resize(static_cast<std::size_t>(n));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

bool InProc(int folder) {
  struct statfs fs {};
  return ::fstatfs(folder, &fs) == 0 && fs.f_type == 0x9fa0;  // PROC_SUPER_MAGIC
}

}  // namespace

TFd OpenFolder(const char* path, int& err) {
  TFd fd(Retrying([&] { return ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC); }));
  if (!fd) err = errno;
  return fd;
}

bool ResolveForSave(const std::string& path, bool followLast, TResolved& out, int& err) {
  if (path.empty()) {
    err = ENOENT;
    return false;
  }
  std::deque<std::string> parts = Parts(path);
  TFd folder;
  std::string shown;  // "" is the root
  if (path.front() == '/') {
    folder = OpenFolder("/", err);
  } else {
    folder = OpenFolder(".", err);
    char cwd[4096];
    shown = ::getcwd(cwd, sizeof cwd) ? (std::string(cwd) == "/" ? "" : cwd) : "?";
  }
  if (!folder) return false;
  const uid_t user = ::geteuid();
  for (int hops = 0; !parts.empty();) {
    const std::string part = parts.front();
    parts.pop_front();
    const bool last = parts.empty();
    if (part == "." || part == "..") {
      if (last) {
        err = EISDIR;
        return false;
      }
      if (part == "..") {
        TFd up(Retrying([&] { return ::openat(folder.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC); }));
        if (!up) {
          err = errno;
          return false;
        }
        folder = std::move(up);
        const std::size_t slash = shown.rfind('/');
        shown = slash == std::string::npos ? "?" : shown.substr(0, slash);
      }
      continue;
    }
    if (last && AllDigits(part) && OwnDescriptorFolder(shown)) {
      out.Descriptor = std::stoi(part);
      out.Shown = shown + "/" + part;
      return true;
    }
    TFd fd(Retrying([&] { return ::openat(folder.Get(), part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC); }));
    struct stat st {};
    if (!fd) {
      if (errno == ENOENT && last) {
        out.Folder = std::move(folder);
        out.Name = part;
        out.Shown = shown + "/" + part;
        out.Exists = false;
        return true;
      }
      err = errno;
      return false;
    }
    if (::fstat(fd.Get(), &st) != 0) {
      err = errno;
      return false;
    }
    if (S_ISLNK(st.st_mode) && (followLast || !last)) {
      struct stat owner {};
      if (::fstat(folder.Get(), &owner) != 0) {
        err = errno;
        return false;
      }
      if ((owner.st_mode & S_ISVTX) && (owner.st_mode & S_IWOTH) && st.st_uid != user && st.st_uid != owner.st_uid) {
        err = EACCES;
        return false;
      }
      if (++hops > 40) {
        err = ELOOP;
        return false;
      }
      const std::string target = ReadLink(fd.Get(), static_cast<std::size_t>(st.st_size), err);
      if (target.empty()) {
        if (err == 0) err = ENOENT;
        return false;
      }
      // /proc shows what is no name (a pipe, a deleted file) as a text that
      // must not be taken for one.
      const std::string deleted = " (deleted)";
      if (InProc(folder.Get()) &&
          ((target.front() != '/' && target.find(':') != std::string::npos) ||
           (target.size() > deleted.size() && target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0))) {
        err = ENOENT;
        return false;
      }
      std::deque<std::string> more = Parts(target);
      parts.insert(parts.begin(), more.begin(), more.end());
      if (target.front() == '/') {
        folder = OpenFolder("/", err);
        if (!folder) return false;
        shown.clear();
      }
      if (parts.empty()) {  // a link to "/"
        err = EISDIR;
        return false;
      }
      continue;
    }
    if (last) {
      out.Folder = std::move(folder);
      out.Name = part;
      out.Shown = shown + "/" + part;
      out.Exists = true;
      out.Stat = st;
      return true;
    }
    if (!S_ISDIR(st.st_mode)) {
      err = ENOTDIR;
      return false;
    }
    folder = std::move(fd);
    shown += "/" + part;
  }
  err = EISDIR;  // the path ends with "/" or "."
  return false;
}
