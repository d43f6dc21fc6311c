// What both platforms share of saving: the choice of the way, and the
// one-piece saves over TFileSave.
#include "plot/SafeFile.h"

TSaveWay ChooseSaveWay(const TSaveTarget& Target) {
  if (!Target.Exists) return TSaveWay::Rename;
  // A rename would split a hard link, or hand the file to another owner,
  // or cannot happen in a folder the user may not write.
  if (Target.SingleLink && Target.FolderWritable && Target.IdentityKept) return TSaveWay::Rename;
  return TSaveWay::InPlace;
}

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
