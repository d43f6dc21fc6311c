#include "plot/FileReading.h"

#include <cerrno>

#include "plot/Win32Files.h"

// The C runtime's narrow functions read a path in the ANSI code page; the
// wide one takes every name.
std::FILE* OpenFileForReading(const std::string& path) {
  const std::optional<std::wstring> wide = WidePath(path);
  if (!wide) {
    errno = EINVAL;
    return nullptr;
  }
  return _wfopen(wide->c_str(), L"rb");
}
