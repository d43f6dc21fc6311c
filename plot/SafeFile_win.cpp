// Reading and replacing files the Windows way: wide paths, and for writing a
// new file beside the target, which then takes the target's place in one move.
#include "plot/SafeFile.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "plot/Win32Files.h"

namespace {

TSaveError LastError(bool creating) {
  return TSaveError{creating, ErrnoOfWin32Error(GetLastError())};
}

// The file a symbolic link or junction leads to, or the path itself.
std::wstring FinalPath(const std::wstring& path) {
  HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::wstring final(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
  if (length >= final.size()) {
    final.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
  }
  CloseHandle(handle);
  if (length == 0 || length >= final.size()) return path;
  final.resize(length);
  return final;
}

std::wstring TemporaryName(const std::wstring& target) {
  static std::atomic<unsigned> counter{0};
  wchar_t suffix[64];
  swprintf(suffix, sizeof suffix / sizeof *suffix, L".%lx-%llx-%x.tmp", GetCurrentProcessId(),
           static_cast<unsigned long long>(GetTickCount64()), counter++);
  return target + suffix;
}

// The bytes into a new file beside Target, which then takes Target's name:
// over an existing file when Replace is set, else only if none is there.
std::optional<TSaveError> WriteBeside(const std::wstring& target, DWORD marks, const void* data,
                                      std::size_t size, bool replace) {
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = TemporaryName(target);
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, marks, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
        GetLastError() != ERROR_ALREADY_EXISTS)
      break;
  }
  if (file == INVALID_HANDLE_VALUE) return LastError(true);

  auto fail = [&](bool creating) {
    const TSaveError error = LastError(creating);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    DeleteFileW(temp.c_str());
    return error;
  };
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes + done, chunk, &written, nullptr)) return fail(false);
    done += written;
  }
  // On disk before it takes the target's place.
  if (!FlushFileBuffers(file)) return fail(false);
  const BOOL closed = CloseHandle(file);
  file = INVALID_HANDLE_VALUE;
  if (!closed) return fail(false);
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (!MoveFileExW(temp.c_str(), target.c_str(), flags)) {
    if (!replace && (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS)) {
      DeleteFileW(temp.c_str());
      return TSaveError{true, EEXIST};
    }
    return fail(true);
  }
  return std::nullopt;
}

}  // namespace

std::optional<TSaveError> ReplaceFileContents(const std::string& path, const void* data,
                                              std::size_t size) {
  if (path.empty()) return TSaveError{true, ENOENT};
  const std::optional<std::wstring> wide = WidePath(path);
  if (!wide) return TSaveError{true, EINVAL};
  std::wstring target = *wide;
  DWORD attributes = GetFileAttributesW(target.c_str());
  // Write through a symbolic link to the file it names, as opening it would.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    target = FinalPath(target);
    attributes = GetFileAttributesW(target.c_str());
  }
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // An existing target must be a writable file: moving over a read-only
  // file, or one that is locked, would succeed where opening it fails.
  if (exists) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return TSaveError{true, EISDIR};
    if (attributes & FILE_ATTRIBUTE_READONLY) return TSaveError{true, EACCES};
    HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return LastError(true);
    const DWORD type = GetFileType(probe);
    CloseHandle(probe);
    if (type != FILE_TYPE_DISK) return TSaveError{true, EACCES};
  }
  // The new file keeps the target's hidden, system and archive marks.
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD marks = exists && (attributes & kept) ? attributes & kept : FILE_ATTRIBUTE_NORMAL;
  return WriteBeside(target, marks, data, size, true);
}

std::optional<TSaveError> CreateFileContents(const std::string& Path, const void* Data, std::size_t Size) {
  if (Path.empty()) return TSaveError{true, ENOENT};
  const std::optional<std::wstring> wide = WidePath(Path);
  if (!wide) return TSaveError{true, EINVAL};
  if (GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES) return TSaveError{true, EEXIST};
  return WriteBeside(*wide, FILE_ATTRIBUTE_NORMAL, Data, Size, false);
}

std::optional<TReadError> ReadRegularFile(const std::string& Path, std::string& Contents) {
  Contents.clear();
  if (Path.empty()) return TReadError{true, ENOENT};
  const std::optional<std::wstring> wide = WidePath(Path);
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
