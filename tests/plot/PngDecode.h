#pragma once
// Reads a PNG back into RGB, three bytes a pixel, for comparing pixels.
#include <png.h>

#include <cstdint>
#include <vector>

// Bytes is any contiguous container of bytes (std::string, std::vector).
template <class Bytes>
bool DecodePng(const Bytes& bytes, std::vector<std::uint8_t>& rgb, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return true;
}
