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

IoFault IoFault::OfErrno(int err, bool creating) {
  if (const int code = CodeOfErrno(err, creating)) return IoFault(code);
  return IoFault(0, err, "I/O error " + std::to_string(err));
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
