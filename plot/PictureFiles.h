#pragma once
// The picture's files besides the BMP: the format a file name asks for, and
// the PNG file. The PNG is written by libpng, from the same pixels and the
// same colour table as the BMP.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plot/Picture.h"
#include "fileio/FileIo.h"

enum class TPictureFormat { Bmp, Png, Svg };

// "bmp", "png" or "svg", in any letter case.
std::optional<TPictureFormat> PictureFormatByName(std::string_view name);
// The format of a file name's extension (".bmp", ".PNG", ...). A name
// without an extension is a BMP, as the picture always was; any other
// extension has none.
std::optional<TPictureFormat> PictureFormatOfFileName(std::string_view fileName);

// An RGB image: rows top first, three bytes a pixel.
struct TRgbImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Rgb;
};

// Whether this build writes PNG files.
bool PngAvailable();
// The picture as a PNG file: 600 x 451, 8-bit palette with the picture's
// 256-entry colour table, so every pixel keeps its exact colour.
std::vector<std::uint8_t> PngBytes(const TPicture& picture);
// An RGB image as a PNG file: with 256 colours or fewer a palette file,
// else 8 bits a channel; the pixels are the same either way.
std::vector<std::uint8_t> PngBytes(const TRgbImage& image);

// Writes a picture's (or a table's) bytes through the safe replace (temporary file, then
// rename). Throws CreateFileFault ("Cannot create file <path>") when the file
// cannot be created, IoFault when writing it fails; *errorNumber receives the
// system's error number either way.
void SaveFileBytes(const std::string& path, const void* data, std::size_t size, int* errorNumber = nullptr);
// The fault SaveFileBytes throws for a failed save of path.
[[noreturn]] void ThrowSaveError(const std::string& path, const TSaveError& error);
