#include "plot/PictureFiles.h"

#include "evaluator/Faults.h"
#include "plot/Fields.h"
#include "fileio/FileIo.h"

std::optional<TPictureFormat> PictureFormatByName(std::string_view name) {
  if (SameNameIgnoringCase(name, "bmp")) return TPictureFormat::Bmp;
  if (SameNameIgnoringCase(name, "png")) return TPictureFormat::Png;
  if (SameNameIgnoringCase(name, "svg")) return TPictureFormat::Svg;
  return std::nullopt;
}

std::optional<TPictureFormat> PictureFormatOfFileName(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const std::size_t dot = base.rfind('.');
  // ".png" alone is a hidden file's name, not an extension.
  if (dot == std::string_view::npos || dot == 0) return TPictureFormat::Bmp;
  return PictureFormatByName(base.substr(dot + 1));
}

void SaveFileBytes(const std::string& path, const void* data, std::size_t size, int* errorNumber) {
  if (auto error = ReplaceFileContents(path, data, size)) {
    if (errorNumber) *errorNumber = error->Errno;
    ThrowSaveError(path, *error);
  }
}

void ThrowSaveError(const std::string& path, const TSaveError& error) {
  const std::string text = WithSaveNote("", error);
  if (error.Creating) {
    if (text.empty()) throw CreateFileFault(ShownFileName(path));
    throw Fault(CreateFileFault(ShownFileName(path)).what() + text);
  }
  if (text.empty()) throw IoFault::OfErrno(error.Errno);
  throw Fault(IoFault::OfErrno(error.Errno).what() + text);
}
