#include "plot/PictureFiles.h"

#include "evaluator/Faults.h"
#include "plot/SafeFile.h"

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::optional<TPictureFormat> PictureFormatByName(std::string_view name) {
  if (SameIgnoringCase(name, "bmp")) return TPictureFormat::Bmp;
  if (SameIgnoringCase(name, "png")) return TPictureFormat::Png;
  if (SameIgnoringCase(name, "svg")) return TPictureFormat::Svg;
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
    if (error->Creating) throw CreateFileFault(path);
    throw IoFault::OfErrno(error->Errno);
  }
}
