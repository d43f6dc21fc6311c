// PNG files through libpng, into memory.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <unordered_map>

#include "plot/PictureFiles.h"

namespace {

struct TSink {
  std::vector<std::uint8_t>* Bytes;
};

void Append(png_structp png, png_bytep data, png_size_t size) {
  auto* sink = static_cast<TSink*>(png_get_io_ptr(png));
  try {
    sink->Bytes->insert(sink->Bytes->end(), data, data + size);
  } catch (...) {
    png_error(png, "out of memory");
  }
}

void Flush(png_structp) {}

// libpng reports errors by a long jump; nothing in this frame has a
// destructor, and the output vector lives in the caller.
bool Encode(std::vector<std::uint8_t>& out, int width, int height, int colourType, const png_color* palette,
            int paletteSize, const std::uint8_t* rows, std::size_t stride) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  TSink sink{&out};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &sink, Append, Flush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colourType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (palette) png_set_PLTE(png, info, palette, paletteSize);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, rows + static_cast<std::size_t>(y) * stride);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool PngAvailable() { return true; }

std::vector<std::uint8_t> PngBytes(const TPicture& picture) {
  png_color palette[256];
  const TPalette& table = picture.Palette();
  for (int k = 0; k < 256; ++k) palette[k] = png_color{table[k].Red, table[k].Green, table[k].Blue};
  std::vector<std::uint8_t> out;
  if (!Encode(out, TPicture::Width, TPicture::Height, PNG_COLOR_TYPE_PALETTE, palette, 256, picture.Pixels(),
              TPicture::Width))
    throw std::bad_alloc();
  return out;
}

std::vector<std::uint8_t> PngBytes(const TRgbImage& image) {
  std::vector<std::uint8_t> out;
  // Few colours (the picture's and the labels' greys): a palette file,
  // pixel for pixel the same and a fraction of the size.
  std::unordered_map<std::uint32_t, std::uint8_t> entries;
  png_color palette[256];
  std::vector<std::uint8_t> indices;
  indices.reserve(image.Rgb.size() / 3);
  for (std::size_t k = 0; k + 2 < image.Rgb.size(); k += 3) {
    const std::uint32_t key = image.Rgb[k] << 16 | image.Rgb[k + 1] << 8 | image.Rgb[k + 2];
    auto found = entries.find(key);
    if (found == entries.end()) {
      if (entries.size() == 256) break;
      palette[entries.size()] = png_color{image.Rgb[k], image.Rgb[k + 1], image.Rgb[k + 2]};
      found = entries.emplace(key, static_cast<std::uint8_t>(entries.size())).first;
    }
    indices.push_back(found->second);
  }
  if (indices.size() * 3 == image.Rgb.size()) {
    if (!Encode(out, image.Width, image.Height, PNG_COLOR_TYPE_PALETTE, palette, static_cast<int>(entries.size()),
                indices.data(), static_cast<std::size_t>(image.Width)))
      throw std::bad_alloc();
    return out;
  }
  if (!Encode(out, image.Width, image.Height, PNG_COLOR_TYPE_RGB, nullptr, 0, image.Rgb.data(),
              static_cast<std::size_t>(image.Width) * 3))
    throw std::bad_alloc();
  return out;
}
