// Reading a whole regular file the Windows way: wide (and long) paths.
#include "fileio/FileIo.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>
#include <stdexcept>

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
  LARGE_INTEGER length{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length)) return TReadError{true, EACCES};
  const auto size = static_cast<std::uint64_t>(std::max<LONGLONG>(length.QuadPart, 0));
  // A file that grows while it is read is taken up to about twice its size.
  const std::uint64_t limit = 2 * size + 65536;
  try {
    if (size >= Contents.max_size()) return TReadError{false, ENOMEM};
    Contents.resize(static_cast<std::size_t>(size));
    std::size_t used = 0;
    for (;;) {
      if (used == Contents.size()) {
        if (used >= limit) {
          char probe[1];
          DWORD n = 0;
          if (ReadFile(file, probe, 1, &n, nullptr) && n == 0) break;
          Contents.resize(used);
          return TReadError{false, n ? EFBIG : ErrnoOfWin32Error(GetLastError())};
        }
        Contents.resize(static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::uint64_t>(2 * used, 65536), limit)));
      }
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(Contents.size() - used, 1u << 30));
      DWORD n = 0;
      if (!ReadFile(file, Contents.data() + used, chunk, &n, nullptr)) {
        const int err = ErrnoOfWin32Error(GetLastError());
        Contents.resize(used);
        return TReadError{false, err};
      }
      if (n == 0) break;
      used += n;
    }
    Contents.resize(used);
  } catch (const std::bad_alloc&) {
    Contents.clear();
    Contents.shrink_to_fit();
    return TReadError{false, ENOMEM};
  } catch (const std::length_error&) {
    Contents.clear();
    Contents.shrink_to_fit();
    return TReadError{false, ENOMEM};
  }
  return std::nullopt;
}
