#include "evaluator/Faults.h"

#include <cerrno>
#include <new>

IoFault::IoFault(int code) : Fault(TextOf(code)), code_(code) {}

IoFault::IoFault(int code, int systemError, const std::string& text)
    : Fault(text), code_(code), systemError_(systemError) {}

std::string IoFault::TextOf(int code) {
  switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
  }
}

int IoFault::CodeOfErrno(int err, bool creating) {
  switch (err) {
    case ENOENT: return creating ? 3 : 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return 5;
    case ENOSPC: return 101;
#ifdef EDQUOT
    case EDQUOT: return 101;
#endif
    default: return 0;
  }
}

namespace {

// The number an "I/O error" text shows: Linux's, so that a message reads the
// same everywhere. WebAssembly's C library numbers the errors its own way.
int ShownErrno(int err) {
#if defined(__EMSCRIPTEN__)
  switch (err) {
    case EPERM: return 1;
    case ENOENT: return 2;
    case EINTR: return 4;
    case EIO: return 5;
    case ENXIO: return 6;
    case E2BIG: return 7;
    case EBADF: return 9;
    case EAGAIN: return 11;
    case ENOMEM: return 12;
    case EACCES: return 13;
    case EFAULT: return 14;
    case EBUSY: return 16;
    case EEXIST: return 17;
    case EXDEV: return 18;
    case ENODEV: return 19;
    case ENOTDIR: return 20;
    case EISDIR: return 21;
    case EINVAL: return 22;
    case ENFILE: return 23;
    case EMFILE: return 24;
    case ENOTTY: return 25;
    case ETXTBSY: return 26;
    case EFBIG: return 27;
    case ENOSPC: return 28;
    case ESPIPE: return 29;
    case EROFS: return 30;
    case EMLINK: return 31;
    case EPIPE: return 32;
    case ERANGE: return 34;
    case ENAMETOOLONG: return 36;
    case ENOLCK: return 37;
    case ENOSYS: return 38;
    case ENOTEMPTY: return 39;
    case ELOOP: return 40;
    case EOVERFLOW: return 75;
    case EOPNOTSUPP: return 95;
    case ESTALE: return 116;
    case EDQUOT: return 122;
    default: return err;
  }
#else
  return err;
#endif
}

}  // namespace

IoFault IoFault::OfErrno(int err, bool creating) {
  if (const int code = CodeOfErrno(err, creating)) return IoFault(code);
  return IoFault(0, err, "I/O error " + std::to_string(ShownErrno(err)));
}

std::string WithFullStop(const std::string& text) {
  if (text.empty() || static_cast<unsigned char>(text.back()) <= '.') return text;
  return text + ".";
}

const char* const OutOfMemoryText = "Out of memory";

std::string UserTextOf(const std::exception& error) {
  if (dynamic_cast<const std::bad_alloc*>(&error)) return OutOfMemoryText;
  return error.what();
}
