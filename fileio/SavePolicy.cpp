// What both platforms share of saving: the choice of the way, the order of
// a save's steps, and the one-piece saves over TFileSave.
#include "fileio/SavePolicy.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>

TSaveWay ChooseSaveWay(const TSaveTarget& Target) {
  if (Target.Stream) return TSaveWay::Direct;
  if (!Target.Exists) return TSaveWay::Rename;
  // A rename would split a hard link, hand the file to another owner, drop
  // what the saver cannot see, or cannot happen in a folder the user may
  // not write.
  if (Target.SingleLink && Target.FolderWritable && Target.IdentityKept && !Target.HiddenAttributes)
    return TSaveWay::Rename;
  return TSaveWay::InPlace;
}

TSaveMachine::~TSaveMachine() {
  if (stage_ == TStage::Prepared || stage_ == TStage::Started) (void)steps_->Abandon();
}

std::optional<TSaveError> TSaveMachine::Fail(TSaveError error) {
  stage_ = TStage::Abandoned;
  if (auto kept = steps_->Abandon()) error.KeptCopy = kept->KeptCopy;
  return error;
}

std::optional<TSaveError> TSaveMachine::Write(const void* Data, std::size_t Size) {
  if (stage_ == TStage::Committed || stage_ == TStage::Abandoned) return TSaveError{false, EBADF};
  if (stage_ == TStage::Prepared) {
    if (auto error = steps_->Start()) return Fail(*error);
    stage_ = TStage::Started;
  }
  if (auto error = steps_->Write(Data, Size)) return Fail(*error);
  return std::nullopt;
}

std::optional<TSaveError> TSaveMachine::Commit() {
  if (stage_ == TStage::Committed || stage_ == TStage::Abandoned) return TSaveError{false, EBADF};
  if (stage_ == TStage::Prepared) {
    // No bytes: the content is empty, and the target is cut short now.
    if (auto error = steps_->Start()) return Fail(*error);
    stage_ = TStage::Started;
  }
  auto error = steps_->Commit();
  // A file left behind does not undo a save that is done.
  if (error && error->LeftBehind.empty()) return Fail(*error);
  stage_ = TStage::Committed;
  return error;
}

TFileSave::TFileSave() = default;
TFileSave::~TFileSave() = default;

std::optional<TSaveError> TFileSave::Begin(const std::string& Path, TMode Mode) {
  machine_.reset();
  std::optional<TSaveError> error;
  std::unique_ptr<TSaveSteps> steps = PrepareSave(Path, Mode, error);
  if (!steps) return error ? error : TSaveError{true, EIO};
  machine_ = std::make_unique<TSaveMachine>(std::move(steps));
  return std::nullopt;
}

std::optional<TSaveError> TFileSave::Write(const void* Data, std::size_t Size) {
  if (!machine_) return TSaveError{false, EBADF};
  return machine_->Write(Data, Size);
}

std::optional<TSaveError> TFileSave::Commit() {
  if (!machine_) return TSaveError{false, EBADF};
  return machine_->Commit();
}

TSaveWay TFileSave::Way() const { return machine_ ? machine_->Way() : TSaveWay::Rename; }

namespace {

std::optional<TSaveError> SaveWhole(const std::string& path, const void* data, std::size_t size,
                                    TFileSave::TMode mode) {
  TFileSave save;
  if (auto error = save.Begin(path, mode)) return error;
  if (auto error = save.Write(data, size)) return error;
  return save.Commit();
}

}  // namespace

std::optional<TSaveError> ReplaceFileContents(const std::string& Path, const void* Data, std::size_t Size) {
  return SaveWhole(Path, Data, Size, TFileSave::TMode::Replace);
}

std::optional<TSaveError> CreateFileContents(const std::string& Path, const void* Data, std::size_t Size) {
  return SaveWhole(Path, Data, Size, TFileSave::TMode::CreateOnly);
}

std::string TemporaryFileName(const char* Kind) {
  static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  // Each call draws from a generator of its own thread, seeded apart, so
  // callers on several threads share no state but a counter.
  static std::atomic<unsigned> calls{0};
  thread_local std::minstd_rand random(
      std::random_device{}() ^ static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (calls.fetch_add(1) * 2654435761u));
  std::string name = std::string(".helixor-") + Kind;
  for (int k = 0; k < 6; ++k) name += Letters[random() % (sizeof Letters - 1)];
  return name;
}

std::string ShownFileName(const std::string& Name) {
  static const char Digits[] = "0123456789abcdef";
  std::string shown;
  for (std::size_t i = 0; i < Name.size();) {
    const auto c = static_cast<unsigned char>(Name[i]);
    if (c < 0x20 || c == 0x7f) {
      if (c == '\n') shown += "\\n";
      else if (c == '\t') shown += "\\t";
      else if (c == '\r') shown += "\\r";
      else shown += std::string("\\x") + Digits[c >> 4] + Digits[c & 15];
      ++i;
      continue;
    }
    if (c < 0x80) {
      shown += static_cast<char>(c);
      ++i;
      continue;
    }
    // A whole UTF-8 sequence stays, except the C1 controls (U+0080 to
    // U+009F, which some terminals obey as escapes); any other byte is shown
    // by its value.
    const int length = c >= 0xf0 && c < 0xf5 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 && c < 0xe0 ? 2 : 0;
    bool valid = length > 0 && i + length <= Name.size();
    for (int k = 1; valid && k < length; ++k) valid = (static_cast<unsigned char>(Name[i + k]) & 0xc0) == 0x80;
    if (valid && length == 3) {
      const auto second = static_cast<unsigned char>(Name[i + 1]);
      valid = !(c == 0xe0 && second < 0xa0) && !(c == 0xed && second >= 0xa0);  // overlong, surrogates
    }
    if (valid && length == 4) {
      const auto second = static_cast<unsigned char>(Name[i + 1]);
      valid = !(c == 0xf0 && second < 0x90) && !(c == 0xf4 && second >= 0x90);
    }
    if (valid && length == 2 && c == 0xc2 && static_cast<unsigned char>(Name[i + 1]) < 0xa0) {
      const auto code = static_cast<unsigned char>(Name[i + 1]);
      shown += std::string("\\u00") + Digits[code >> 4] + Digits[code & 15];
      i += 2;
      continue;
    }
    if (!valid) {
      shown += std::string("\\x") + Digits[c >> 4] + Digits[c & 15];
      ++i;
      continue;
    }
    shown.append(Name, i, static_cast<std::size_t>(length));
    i += static_cast<std::size_t>(length);
  }
  return shown;
}

std::string WithSaveNote(const std::string& Base, const TSaveError& Error) {
  // Ends with the quote, which sorts before the full stop, so that the
  // error box adds none after the name.
  if (!Error.KeptCopy.empty()) return Base + "; the old content is kept in '" + ShownFileName(Error.KeptCopy) + "'";
  if (!Error.LeftBehind.empty()) return Base + "; '" + ShownFileName(Error.LeftBehind) + "' was left behind";
  return Base;
}
