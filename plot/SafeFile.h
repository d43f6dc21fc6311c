#pragma once
// Files are read in one place and written in one place.
//
// Reading takes regular files only: a FIFO, socket or device is refused at
// once, never opened in a way that could block, and the memory taken is
// bounded by the file's size.
//
// Writing never leaves a partial file: the bytes go to a temporary file
// beside the target (an unnamed one where the file system has them), which
// takes the target's place only when it is complete. A failed or killed save
// leaves the old file (or no file) in place.
//
// The functions report the system's error number; IoFault::OfErrno turns it
// into the user's text. An interrupted call is retried, never reported.

#include <cstddef>
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

// Replaces the contents of the file at Path, or creates it. A symbolic link
// is followed to the file it names (which is created if it is missing), so
// the link stays; an existing file keeps its permissions. An existing target
// that is not a writable regular file is refused.
std::optional<TSaveError> ReplaceFileContents(const std::string& Path, const void* Data, std::size_t Size);

// Creates the file at Path with these contents only if nothing is there:
// an existing file (or link) is left alone and reported as EEXIST.
std::optional<TSaveError> CreateFileContents(const std::string& Path, const void* Data, std::size_t Size);
