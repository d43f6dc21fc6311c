// Reading and replacing files the Windows way: wide paths, and for writing a
// new file beside the target, which then takes the target's place in one move.
#include "fileio/FileIo.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "fileio/Win32Files.h"

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

// A short name of fixed length beside Target, so that it fits wherever the
// target's own name does: "<folder>\.helixor-XXXXXXXX.tmp".
std::wstring TemporaryName(const std::wstring& target) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
  const unsigned mix = static_cast<unsigned>(GetCurrentProcessId() * 2654435761u) ^
                       static_cast<unsigned>(GetTickCount64()) ^ (counter++ * 40503u);
  wchar_t name[32];
  swprintf(name, sizeof name / sizeof *name, L".helixor-%08x.tmp", mix);
  return folder + name;
}

// Copies everything From holds, from its start, to To at its position.
bool CopyContent(HANDLE from, HANDLE to) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(from, start, nullptr, FILE_BEGIN)) return false;
  char buffer[1 << 16];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(from, buffer, sizeof buffer, &n, nullptr)) return false;
    if (n == 0) return true;
    DWORD written = 0;
    if (!WriteFile(to, buffer, n, &written, nullptr) || written != n) return false;
  }
}

bool Truncate(HANDLE file) {
  LARGE_INTEGER start{};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

}  // namespace

struct TFileSave::TState {
  TMode Mode = TMode::Replace;
  TSaveWay Way = TSaveWay::Rename;
  std::wstring Target;
  std::wstring Temp;    // the new file (rename) or the old content's copy (in place)
  HANDLE File = INVALID_HANDLE_VALUE;    // the new file, or the target written in place
  HANDLE Backup = INVALID_HANDLE_VALUE;  // in place: the old content
  bool Truncated = false;
  bool Done = false;

  ~TState() { Abandon(); }
  void Abandon() {
    if (!Done && Way == TSaveWay::InPlace && Truncated && File != INVALID_HANDLE_VALUE) {
      // The old content back; its copy stays by name if that fails.
      if (Truncate(File) && CopyContent(Backup, File) && FlushFileBuffers(File)) Truncated = false;
    }
    if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
    if (Backup != INVALID_HANDLE_VALUE) CloseHandle(Backup);
    File = Backup = INVALID_HANDLE_VALUE;
    if (!Done && !Temp.empty() && !Truncated) DeleteFileW(Temp.c_str());
    Done = true;
  }
};

TFileSave::TFileSave() = default;
TFileSave::~TFileSave() = default;

TSaveWay TFileSave::Way() const { return state_ ? state_->Way : TSaveWay::Rename; }

std::optional<TSaveError> TFileSave::Begin(const std::string& Path, TMode Mode) {
  std::optional<TSaveError> error = Prepare(Path, Mode);
  if (error) state_.reset();  // puts back whatever the attempt touched
  return error;
}

std::optional<TSaveError> TFileSave::Prepare(const std::string& Path, TMode Mode) {
  state_ = std::make_unique<TState>();
  TState& s = *state_;
  s.Mode = Mode;
  if (Path.empty()) return TSaveError{true, ENOENT};
  const std::optional<std::wstring> wide = WidePath(Path);
  if (!wide) return TSaveError{true, EINVAL};
  s.Target = *wide;
  DWORD attributes = GetFileAttributesW(s.Target.c_str());
  if (Mode == TMode::CreateOnly) {
    if (attributes != INVALID_FILE_ATTRIBUTES) return TSaveError{true, EEXIST};
  } else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Write through a symbolic link to the file it names, as opening it would.
    s.Target = FinalPath(s.Target);
    attributes = GetFileAttributesW(s.Target.c_str());
  }
  const bool exists = Mode == TMode::Replace && attributes != INVALID_FILE_ATTRIBUTES;
  // An existing target must be a writable file: moving over a read-only
  // file, or one that is locked, would succeed where opening it fails.
  if (exists) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return TSaveError{true, EISDIR};
    if (attributes & FILE_ATTRIBUTE_READONLY) return TSaveError{true, EACCES};
    HANDLE probe = CreateFileW(s.Target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return LastError(true);
    const DWORD type = GetFileType(probe);
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(probe, &information);
    CloseHandle(probe);
    if (type != FILE_TYPE_DISK) return TSaveError{true, EACCES};
    TSaveTarget facts;
    facts.Exists = true;
    facts.SingleLink = !known || information.nNumberOfLinks <= 1;
    s.Way = ChooseSaveWay(facts);
  }
  if (s.Way == TSaveWay::InPlace) {
    // The target itself, its old content copied beside it (or to the
    // temporary folder) first.
    s.File = CreateFileW(s.Target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (s.File == INVALID_HANDLE_VALUE) return LastError(true);
    std::wstring places[2] = {s.Target, L""};
    wchar_t temporary[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
    if (length > 0 && length <= MAX_PATH) places[1] = std::wstring(temporary, length) + L"x";
    for (const std::wstring& beside : places) {
      if (beside.empty()) continue;
      for (int attempt = 0; attempt < 100 && s.Backup == INVALID_HANDLE_VALUE; ++attempt) {
        s.Temp = TemporaryName(beside);
        s.Backup = CreateFileW(s.Temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (s.Backup == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS)
          break;
      }
      if (s.Backup != INVALID_HANDLE_VALUE) break;
    }
    if (s.Backup == INVALID_HANDLE_VALUE) {
      const TSaveError error = LastError(true);
      s.Temp.clear();
      return error;
    }
    if (!CopyContent(s.File, s.Backup) || !FlushFileBuffers(s.Backup)) return LastError(true);
    s.Truncated = true;
    if (!Truncate(s.File)) return LastError(true);
    return std::nullopt;
  }
  // The new file keeps the target's hidden, system and archive marks.
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD marks = exists && (attributes & kept) ? attributes & kept : FILE_ATTRIBUTE_NORMAL;
  for (int attempt = 0; attempt < 100 && s.File == INVALID_HANDLE_VALUE; ++attempt) {
    s.Temp = TemporaryName(s.Target);
    s.File = CreateFileW(s.Temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, marks, nullptr);
    if (s.File == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
        GetLastError() != ERROR_ALREADY_EXISTS)
      break;
  }
  if (s.File == INVALID_HANDLE_VALUE) {
    const TSaveError error = LastError(true);
    s.Temp.clear();
    return error;
  }
  return std::nullopt;
}

std::optional<TSaveError> TFileSave::Write(const void* Data, std::size_t Size) {
  if (!state_ || state_->File == INVALID_HANDLE_VALUE || state_->Done) return TSaveError{false, EBADF};
  TState& s = *state_;
  const char* bytes = static_cast<const char*>(Data);
  std::size_t done = 0;
  while (done < Size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(Size - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(s.File, bytes + done, chunk, &written, nullptr) || written == 0) {
      TSaveError error = LastError(false);
      if (error.Errno == 0) error.Errno = EIO;  // a write that took nothing
      s.Abandon();
      return error;
    }
    done += written;
  }
  return std::nullopt;
}

std::optional<TSaveError> TFileSave::Commit() {
  if (!state_ || state_->File == INVALID_HANDLE_VALUE || state_->Done) return TSaveError{false, EBADF};
  TState& s = *state_;
  auto fail = [&](bool creating) {
    const TSaveError error = LastError(creating);
    s.Abandon();
    return error;
  };
  if (s.Way == TSaveWay::InPlace) {
    if (!FlushFileBuffers(s.File)) return fail(false);
    const BOOL closed = CloseHandle(s.File);
    s.File = INVALID_HANDLE_VALUE;
    if (!closed) {
      const TSaveError error = LastError(false);
      s.File = CreateFileW(s.Target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
      s.Abandon();
      return error;
    }
    s.Truncated = false;
    s.Done = true;
    CloseHandle(s.Backup);
    s.Backup = INVALID_HANDLE_VALUE;
    DeleteFileW(s.Temp.c_str());
    return std::nullopt;
  }
  // On disk before it takes the target's place.
  if (!FlushFileBuffers(s.File)) return fail(false);
  const BOOL closed = CloseHandle(s.File);
  s.File = INVALID_HANDLE_VALUE;
  if (!closed) return fail(false);
  const bool replace = s.Mode == TMode::Replace;
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (!MoveFileExW(s.Temp.c_str(), s.Target.c_str(), flags)) {
    if (!replace && (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS)) {
      s.Abandon();
      return TSaveError{true, EEXIST};
    }
    return fail(true);
  }
  s.Done = true;
  return std::nullopt;
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
