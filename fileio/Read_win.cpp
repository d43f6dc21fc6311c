// Reading a whole regular file the Windows way: wide (and long) paths.
#include "fileio/FileIo.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "fileio/ReadWhole.h"
#include "fileio/Win32Files.h"

std::optional<TReadError> ReadRegularFile(const std::string& Path, std::string& Contents) {
  Contents.clear();
  if (Path.empty()) return TReadError{true, ENOENT};
  const std::optional<std::wstring> wide = SystemPath(Path);
  if (!wide) return TReadError{true, EINVAL};
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return TReadError{true, ErrnoOfWin32Error(GetLastError())};
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return TReadError{true, EISDIR};
  HANDLE file = CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TReadError{true, ErrnoOfWin32Error(GetLastError())};
  struct TClose {
    HANDLE Handle;
    ~TClose() { CloseHandle(Handle); }
  } closer{file};
  // A device (a console, a pipe, "NUL") is not a file to read.
  if (GetFileType(file) != FILE_TYPE_DISK) return TReadError{true, EACCES};
  // An in-place save holds an exclusive lock until its new content is
  // whole: waited for, some seconds at most, so that what is read is the
  // old content or the new. A file system without locks is read without.
  OVERLAPPED whole{};
  for (int waited = 0; !LockFileEx(file, LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole); waited += 20) {
    if (GetLastError() != ERROR_LOCK_VIOLATION) break;
    if (waited >= 10000) return TReadError{true, EAGAIN};
    Sleep(20);
  }
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file, &length)) return TReadError{true, EACCES};
  return ReadWhole(static_cast<std::uint64_t>(std::max<LONGLONG>(length.QuadPart, 0)), Contents,
                   [&](char* buffer, std::size_t size, int& err) -> long long {
                     DWORD n = 0;
                     if (ReadFile(file, buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &n, nullptr))
                       return n;
                     err = ErrnoOfWin32Error(GetLastError());
                     return -1;
                   });
}
