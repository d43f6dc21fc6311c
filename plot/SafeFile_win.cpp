// ReplaceFileContents the Windows way: the bytes go to a new file beside the
// target, which then takes the target's place in one move.
#include "plot/SafeFile.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>

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
    CloseHandle(probe);
  }
  // The new file keeps the target's hidden, system and archive marks.
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD marks = exists && (attributes & kept) ? attributes & kept : FILE_ATTRIBUTE_NORMAL;

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
  // On disk before it replaces the target.
  if (!FlushFileBuffers(file)) return fail(false);
  if (!CloseHandle(file)) {
    file = INVALID_HANDLE_VALUE;
    return fail(false);
  }
  file = INVALID_HANDLE_VALUE;
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return fail(true);
  return std::nullopt;
}
