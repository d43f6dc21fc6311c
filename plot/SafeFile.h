#pragma once
// Files are read in one place and written in one place.
//
// Reading takes regular files only: a FIFO, socket or device is refused at
// once, never opened in a way that could block, and the memory taken is
// bounded by the file's size.
//
// Writing keeps the file a user had and never leaves it partly written.
// A regular file is replaced by a new one (written under a temporary
// name, an unnamed file where the file system has them, and renamed over
// the target when complete) where that keeps its identity; otherwise it is
// written in place after a copy of its old content is kept, which is put
// back on any failure. ChooseSaveWay is that decision. A character device
// or a FIFO (/dev/null, a pipe someone reads) is written directly.
//
// The functions report the system's error number; IoFault::OfErrno turns it
// into the user's text. An interrupted call is retried, never reported.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

struct TSaveError {
  bool Creating = true;  // the file could not be created (else: writing it failed)
  int Errno = 0;
};

struct TReadError {
  bool Opening = true;  // the file could not be opened (else: reading it failed)
  int Errno = 0;
};

// Reads the whole regular file at Path into Contents. A folder is refused
// with EISDIR, anything else that is not a regular file with EACCES. A file
// that grows to more than about twice its size while it is read fails with
// EFBIG, and memory that cannot be had with ENOMEM. After a read error,
// Contents holds the bytes read before it.
std::optional<TReadError> ReadRegularFile(const std::string& Path, std::string& Contents);

// What decides how an existing regular file is saved.
struct TSaveTarget {
  bool Exists = false;
  bool SingleLink = true;      // no other name shares the file
  bool FolderWritable = true;  // a new file can be made beside it and renamed
  // A new file could be given the target's owner, group, permissions (less
  // the set-ID bits) and extended attributes.
  bool IdentityKept = true;
};

enum class TSaveWay {
  Rename,   // new content in a new file that takes the target's name
  InPlace,  // the target itself truncated and written, its old content kept aside
};

// The one place that decides between the two ways: a rename only where the
// file afterwards is the same to everyone who had it.
TSaveWay ChooseSaveWay(const TSaveTarget& Target);

// A save in progress: the content is written as it comes and replaces the
// target's at Commit. Destroyed without a successful Commit, or after any
// failure, it leaves the old content (or no file) in place.
class TFileSave {
 public:
  enum class TMode {
    Replace,     // creates the file or replaces its content
    CreateOnly,  // creates the file only if nothing is there (else EEXIST)
  };
  TFileSave();
  ~TFileSave();
  TFileSave(const TFileSave&) = delete;
  TFileSave& operator=(const TFileSave&) = delete;

  // Starts the save of Path. A symbolic link is followed to the file it
  // names (created if missing), except one that the system's protection of
  // sticky, world-writable folders would not follow: a link there whose
  // owner is neither the user nor the folder's owner is refused (EACCES).
  // An existing target that is not a writable regular file, a character
  // device or a FIFO is refused. Set-user-ID and set-group-ID bits are not
  // carried to the new content.
  std::optional<TSaveError> Begin(const std::string& Path, TMode Mode = TMode::Replace);
  // Appends bytes to the new content.
  std::optional<TSaveError> Write(const void* Data, std::size_t Size);
  // Puts the new content in place, on disk.
  std::optional<TSaveError> Commit();
  // The way Begin chose (for a regular file).
  TSaveWay Way() const;

 private:
  // Begin's work; Begin drops the state when it fails, so that a failed
  // save can be neither written nor committed.
  std::optional<TSaveError> Prepare(const std::string& Path, TMode Mode);
  struct TState;
  std::unique_ptr<TState> state_;
};

// Replaces the contents of the file at Path, or creates it, in one save.
std::optional<TSaveError> ReplaceFileContents(const std::string& Path, const void* Data, std::size_t Size);

// Creates the file at Path with these contents only if nothing is there:
// an existing file (or link) is left alone and reported as EEXIST.
std::optional<TSaveError> CreateFileContents(const std::string& Path, const void* Data, std::size_t Size);
