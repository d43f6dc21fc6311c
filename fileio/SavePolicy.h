#pragma once
// The one decision of how a file is saved (the table in fileio/FileIo.h),
// and the state machine that runs a save the same way on every platform.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "fileio/FileIo.h"

// What decides how a target is saved; each platform finds these facts.
struct TSaveTarget {
  bool Exists = false;
  bool SingleLink = true;      // no other name shares the file
  bool FolderWritable = true;  // a new file can be made beside it and renamed
  // A new file was given exactly the target's owner, group, mode (less the
  // set-ID bits), access list, extended attributes and flags.
  bool IdentityKept = true;
  bool Stream = false;            // a descriptor, device or FIFO
  bool HiddenAttributes = false;  // the target may have attributes the saver cannot see
};

TSaveWay ChooseSaveWay(const TSaveTarget& Target);

// A platform's steps of one save. The machine calls them in order: Start
// once before the first byte (in place, that cuts the target short), Write
// any number of times, then Commit or Abandon. After a failed step it calls
// Abandon, which must leave the old content.
class TSaveSteps {
 public:
  virtual ~TSaveSteps() = default;
  virtual TSaveWay Way() const = 0;
  virtual std::optional<TSaveError> Start() = 0;
  virtual std::optional<TSaveError> Write(const void* Data, std::size_t Size) = 0;
  virtual std::optional<TSaveError> Commit() = 0;
  // The old content back; KeptCopy names its copy when that failed.
  virtual std::optional<TSaveError> Abandon() = 0;
};

// The platform's preparation of a save: the target resolved and the way
// chosen, nothing of the target changed yet.
std::unique_ptr<TSaveSteps> PrepareSave(const std::string& Path, TFileSave::TMode Mode,
                                        std::optional<TSaveError>& Error);

// Prepared, started (the first byte), committed or abandoned; a failure in
// any step abandons, and an abandoned or committed save takes no more.
class TSaveMachine {
 public:
  enum class TStage { Prepared, Started, Committed, Abandoned };
  explicit TSaveMachine(std::unique_ptr<TSaveSteps> steps) : steps_(std::move(steps)) {}
  ~TSaveMachine();
  std::optional<TSaveError> Write(const void* Data, std::size_t Size);
  std::optional<TSaveError> Commit();
  TSaveWay Way() const { return steps_->Way(); }
  TStage Stage() const { return stage_; }

 private:
  std::optional<TSaveError> Fail(TSaveError error);
  std::unique_ptr<TSaveSteps> steps_;
  TStage stage_ = TStage::Prepared;
};

// A short name of fixed length for a temporary file: ".helixor-" Kind and
// six letters; safe to call from any thread.
std::string TemporaryFileName(const char* Kind);
