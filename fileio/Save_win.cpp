// Saving the Windows way: a new file beside the target that replaces it
// through ReplaceFileW (which keeps the replaced file's access list,
// streams and creation time), or the target written in place with its old
// content kept aside where a replace cannot be had (a second hard link, a
// read-only folder, a target held open without delete sharing).
#include "fileio/SavePolicy.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include "fileio/Win32Files.h"

namespace {

TSaveError LastError(bool creating) {
  const int err = ErrnoOfWin32Error(GetLastError());
  return TSaveError{creating, err ? err : EIO};
}

// A handle that is closed with its owner.
struct THandle {
  HANDLE Value = INVALID_HANDLE_VALUE;
  THandle() = default;
  explicit THandle(HANDLE value) : Value(value) {}
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  THandle(THandle&& other) noexcept : Value(std::exchange(other.Value, INVALID_HANDLE_VALUE)) {}
  THandle& operator=(THandle&& other) noexcept {
    if (this != &other) {
      Close();
      Value = std::exchange(other.Value, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  ~THandle() { Close(); }
  explicit operator bool() const { return Value != INVALID_HANDLE_VALUE; }
  bool Close() {
    if (Value == INVALID_HANDLE_VALUE) return true;
    const BOOL closed = CloseHandle(Value);
    Value = INVALID_HANDLE_VALUE;
    return closed != 0;
  }
};

// The file a symbolic link or junction leads to, or the path itself.
std::wstring FinalPath(const std::wstring& path) {
  THandle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return path;
  std::wstring final(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle.Value, final.data(), static_cast<DWORD>(final.size()), 0);
  if (length >= final.size()) {
    final.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle.Value, final.data(), static_cast<DWORD>(final.size()), 0);
  }
  if (length == 0 || length >= final.size()) return path;
  final.resize(length);
  return final;
}

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::string Utf8(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// A new file in Folder under a short temporary name; its name in Name.
THandle NewFileIn(const std::wstring& folder, const char* kind, DWORD marks, std::wstring& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string shortName = TemporaryFileName(kind);
    name = folder + std::wstring(shortName.begin(), shortName.end());
    THandle file(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, marks, nullptr));
    if (file) return THandle(std::exchange(file.Value, INVALID_HANDLE_VALUE));
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  name.clear();
  return THandle();
}

bool WriteAll(HANDLE file, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  for (std::size_t done = 0; done < size;) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes + done, chunk, &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);  // a write that took nothing
      return false;
    }
    done += written;
  }
  return true;
}

// Copies everything From holds, from its start, to To from its start.
bool CopyContent(HANDLE from, HANDLE to) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(from, start, nullptr, FILE_BEGIN) || !SetFilePointerEx(to, start, nullptr, FILE_BEGIN))
    return false;
  char buffer[1 << 16];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(from, buffer, sizeof buffer, &n, nullptr)) return false;
    if (n == 0) return true;
    if (!WriteAll(to, buffer, n)) return false;
  }
}

bool Truncate(HANDLE file) {
  LARGE_INTEGER start{};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

class TInPlaceSave : public TSaveSteps {
 public:
  std::optional<TSaveError> Prepare(const std::wstring& target) {
    target_ = target;
    // No other writer while the save runs: the share mode is the lock.
    file_.Value = CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!file_) return LastError(true);
    // Readers (under a shared lock) wait for the whole new content, and
    // nobody reads the file cut short; held until the handle closes.
    OVERLAPPED whole{};
    if (!LockFileEx(file_.Value, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) &&
        GetLastError() != ERROR_NOT_SUPPORTED && GetLastError() != ERROR_INVALID_FUNCTION)
      return LastError(true);
    wchar_t temporary[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
    const std::wstring places[2] = {FolderOf(target), length > 0 && length <= MAX_PATH ? std::wstring(temporary, length) : L""};
    for (const std::wstring& place : places) {
      if (place.empty() && &place != &places[0]) continue;
      backup_ = NewFileIn(place, "old-", FILE_ATTRIBUTE_NORMAL, backupName_);
      if (backup_ && CopyContent(file_.Value, backup_.Value) && FlushFileBuffers(backup_.Value)) return std::nullopt;
      if (backup_) {
        backup_.Close();
        DeleteFileW(backupName_.c_str());
      }
    }
    backupName_.clear();
    return LastError(true);
  }
  TSaveWay Way() const override { return TSaveWay::InPlace; }
  std::optional<TSaveError> Start() override {
    started_ = true;
    if (!Truncate(file_.Value)) return LastError(true);
    return std::nullopt;
  }
  std::optional<TSaveError> Write(const void* Data, std::size_t Size) override {
    if (!WriteAll(file_.Value, Data, Size)) return LastError(false);
    return std::nullopt;
  }
  std::optional<TSaveError> Commit() override {
    if (!FlushFileBuffers(file_.Value)) return LastError(false);
    if (!file_.Close()) {
      const TSaveError error = LastError(false);
      file_.Value = CreateFileW(target_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      return error;
    }
    done_ = true;
    backup_.Close();
    if (!backupName_.empty() && !DeleteFileW(backupName_.c_str())) {
      TSaveError left = LastError(false);
      left.LeftBehind = Utf8(backupName_);
      return left;
    }
    return std::nullopt;
  }
  std::optional<TSaveError> Abandon() override {
    if (done_) return std::nullopt;
    done_ = true;
    if (started_ && !(file_ && backup_ && Truncate(file_.Value) && CopyContent(backup_.Value, file_.Value) &&
                      FlushFileBuffers(file_.Value))) {
      TSaveError error(false, 0);
      error.KeptCopy = Utf8(backupName_);
      return error;
    }
    backup_.Close();
    if (!backupName_.empty()) DeleteFileW(backupName_.c_str());
    return std::nullopt;
  }

 private:
  std::wstring target_;
  THandle file_, backup_;
  std::wstring backupName_;
  bool started_ = false, done_ = false;
};

class TReplaceSave : public TSaveSteps {
 public:
  TReplaceSave(std::wstring target, bool exists, TFileSave::TMode mode, THandle& file, std::wstring temp)
      : target_(std::move(target)), exists_(exists), mode_(mode), temp_(std::move(temp)) {
    std::swap(file_.Value, file.Value);
  }
  TSaveWay Way() const override { return inPlace_ ? TSaveWay::InPlace : TSaveWay::Rename; }
  std::optional<TSaveError> Start() override { return std::nullopt; }
  std::optional<TSaveError> Write(const void* Data, std::size_t Size) override {
    if (!WriteAll(file_.Value, Data, Size)) return LastError(false);
    return std::nullopt;
  }
  std::optional<TSaveError> Commit() override {
    // On disk before it takes the target's place.
    if (!FlushFileBuffers(file_.Value)) return LastError(false);
    if (!exists_) {
      if (!file_.Close()) return LastError(false);
      const DWORD flags = MOVEFILE_WRITE_THROUGH | (mode_ == TFileSave::TMode::Replace ? MOVEFILE_REPLACE_EXISTING : 0);
      if (!MoveFileExW(temp_.c_str(), target_.c_str(), flags)) return LastError(true);
      temp_.clear();
      return std::nullopt;
    }
    THandle content(std::exchange(file_.Value, INVALID_HANDLE_VALUE));
    content.Close();
    if (ReplaceFileW(target_.c_str(), temp_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
      temp_.clear();
      return std::nullopt;
    }
    // Refused (held open without delete sharing, ...): the target itself
    // takes the content, read back from the new file.
    content.Value = CreateFileW(temp_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    auto inPlace = std::make_unique<TInPlaceSave>();
    std::optional<TSaveError> failed = content ? inPlace->Prepare(target_) : LastError(true);
    if (failed) return failed;
    inPlace_ = std::move(inPlace);
    failed = inPlace_->Start();
    char buffer[1 << 16];
    for (DWORD n = 0; !failed;) {
      if (!ReadFile(content.Value, buffer, sizeof buffer, &n, nullptr)) failed = LastError(false);
      else if (n == 0) break;
      else failed = inPlace_->Write(buffer, n);
    }
    content.Close();
    DeleteFileW(temp_.c_str());
    temp_.clear();
    if (failed) return failed;
    return inPlace_->Commit();
  }
  std::optional<TSaveError> Abandon() override {
    if (inPlace_) return inPlace_->Abandon();
    file_.Close();
    if (!temp_.empty()) DeleteFileW(temp_.c_str());
    temp_.clear();
    return std::nullopt;
  }

 private:
  std::wstring target_;
  bool exists_;
  TFileSave::TMode mode_;
  THandle file_;
  std::wstring temp_;
  std::unique_ptr<TSaveSteps> inPlace_;
};

}  // namespace

std::unique_ptr<TSaveSteps> PrepareSave(const std::string& Path, TFileSave::TMode Mode, std::optional<TSaveError>& Error) {
  if (Path.empty()) {
    Error = TSaveError{true, ENOENT};
    return nullptr;
  }
  std::optional<std::wstring> wide = SystemPath(Path);
  if (!wide) {
    Error = TSaveError{true, EINVAL};
    return nullptr;
  }
  std::wstring target = *wide;
  DWORD attributes = GetFileAttributesW(target.c_str());
  if (Mode == TFileSave::TMode::CreateOnly && attributes != INVALID_FILE_ATTRIBUTES) {
    Error = TSaveError{true, EEXIST};
    return nullptr;
  }
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Write through a symbolic link to the file it names, as opening it would.
    target = FinalPath(target);
    attributes = GetFileAttributesW(target.c_str());
  }
  TSaveTarget facts;
  facts.Exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (facts.Exists) {
    // An existing target must be a writable file: replacing a read-only
    // file would succeed where opening it fails.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) Error = TSaveError{true, EISDIR};
    else if (attributes & FILE_ATTRIBUTE_READONLY) Error = TSaveError{true, EACCES};
    if (Error) return nullptr;
    THandle probe(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) {
      Error = LastError(true);
      return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(probe.Value, &information);
    if (GetFileType(probe.Value) != FILE_TYPE_DISK) {
      Error = TSaveError{true, EACCES};
      return nullptr;
    }
    facts.SingleLink = !known || information.nNumberOfLinks <= 1;
  }
  THandle file;
  std::wstring temp;
  if (ChooseSaveWay(facts) == TSaveWay::Rename) {
    // The new file keeps the target's hidden, system and archive marks.
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD marks = facts.Exists && (attributes & kept) ? attributes & kept : FILE_ATTRIBUTE_NORMAL;
    file = NewFileIn(FolderOf(target), "", marks, temp);
    if (!file) {
      // A folder that takes no new file leaves the file itself to write.
      if (!facts.Exists) {
        Error = LastError(true);
        return nullptr;
      }
      facts.FolderWritable = false;
    }
  }
  if (ChooseSaveWay(facts) == TSaveWay::Rename)
    return std::make_unique<TReplaceSave>(target, facts.Exists, Mode, file, temp);
  auto inPlace = std::make_unique<TInPlaceSave>();
  if (auto failed = inPlace->Prepare(target)) {
    (void)inPlace->Abandon();
    Error = failed;
    return nullptr;
  }
  return inPlace;
}
