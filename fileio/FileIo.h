#pragma once
// Files are read in one place and written in one place.
//
// Reading takes regular files only: a FIFO, socket or device is refused at
// once, never opened in a way that could block, and the memory taken is
// bounded by the file's size.
//
// Saving keeps the file a user had and never leaves it partly written.
// ChooseSaveWay (fileio/SavePolicy.h) decides the way by this table, the
// same on POSIX and Windows; the tests walk its rows:
//
//   target                                             way
//   -------------------------------------------------  ----------------------
//   an open descriptor of the process (/dev/stdout,    Direct: written through
//     /dev/fd/N, /proc/self/fd/N), a device, a FIFO      that descriptor (its
//                                                        append mode kept) or
//                                                        the opened device
//   missing                                            Rename: a new file,
//                                                        made as any program
//                                                        makes one (umask,
//                                                        folder's default
//                                                        access list)
//   regular; one link; folder writable; a new file     Rename
//     ends with exactly its owner, group, mode, access
//     list, extended attributes and inode flags; none
//     of them hidden from the saver
//   regular, any other                                 InPlace: locked, old
//                                                        content copied aside
//   InPlace, the saver may not read the target         InPlace without a copy
//   Rename refused at the end (a bind mount, ...)      InPlace
//
// In place, the target is cut short at the first byte written (or at the
// commit of an empty content), not before; a failure, or SIGINT, SIGTERM or
// SIGHUP before the commit, puts the old content back. Set-user-ID and
// set-group-ID bits never stay on new content.
//
// The functions report the system's error number; IoFault::OfErrno turns it
// into the user's text. An interrupted call is retried, never reported.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

struct TSaveError {
  TSaveError(bool creating = true, int err = 0) : Creating(creating), Errno(err) {}
  bool Creating = true;  // the file could not be created (else: writing it failed)
  int Errno = 0;
  // Where the old content is when it could not be put back; "" when it was
  // put back (or there was none).
  std::string KeptCopy;
  // A save that succeeded, but left this copy of the old content (or this
  // temporary file) behind because it could not be removed.
  std::string LeftBehind;
};

struct TReadError {
  bool Opening = true;  // the file could not be opened (else: reading it failed)
  int Errno = 0;
};

// Reads the whole regular file at Path into Contents. A folder is refused
// with EISDIR, anything else that is not a regular file with EACCES. A file
// that grows to more than about twice its size while it is read fails with
// EFBIG, and memory that cannot be had with ENOMEM. After a read error,
// Contents holds the bytes read before it. An in-place save of the file in
// progress is waited for, some seconds at most (then EAGAIN), so that what
// is read is the old content or the new, never a part of it.
std::optional<TReadError> ReadRegularFile(const std::string& Path, std::string& Contents);

enum class TSaveWay {
  Rename,   // new content in a new file that takes the target's name
  InPlace,  // the target itself truncated and written, its old content kept aside
  Direct,   // a descriptor, device or FIFO takes the bytes as they come
};

class TSaveMachine;

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
  // sticky, world-writable folders would not follow, anywhere in the path:
  // a link there whose owner is neither the user nor the folder's owner is
  // refused (EACCES). An existing target that is not a writable regular
  // file, a character device, a FIFO or an open descriptor is refused.
  std::optional<TSaveError> Begin(const std::string& Path, TMode Mode = TMode::Replace);
  // Appends bytes to the new content.
  std::optional<TSaveError> Write(const void* Data, std::size_t Size);
  // Puts the new content in place, on disk. A save that succeeded but left
  // a file behind reports it (LeftBehind) with the error of its removal.
  std::optional<TSaveError> Commit();
  // The way Begin chose (the way Commit took, after it).
  TSaveWay Way() const;

 private:
  std::unique_ptr<TSaveMachine> machine_;
};

// Replaces the contents of the file at Path, or creates it, in one save.
std::optional<TSaveError> ReplaceFileContents(const std::string& Path, const void* Data, std::size_t Size);

// Creates the file at Path with these contents only if nothing is there:
// an existing file (or link) is left alone and reported as EEXIST.
std::optional<TSaveError> CreateFileContents(const std::string& Path, const void* Data, std::size_t Size);

// A file name as a message shows it: control characters (a newline, an
// escape sequence) and bytes that are not UTF-8 written as \n, \t, \r,
// \xHH or \u00HH, so that the message stays one line and nothing reaches a
// terminal raw.
std::string ShownFileName(const std::string& Name);

// The user's text of a failed save: Base (the text of its error), and,
// where it applies, where the old content is kept or which file was left
// behind.
std::string WithSaveNote(const std::string& Base, const TSaveError& Error);
