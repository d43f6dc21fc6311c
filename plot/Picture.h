#pragma once
// The graph picture: 600 x 451 pixels of 8-bit indices into one fixed
// 256-entry colour table, a pen, lines with the end-pixel rule, and the BMP
// file. Toolkit-free; a window can wrap Pixels() and Palette() in an indexed
// image without copying pixel by pixel.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// An RGB colour with bit 31 clear: red in the low byte, then green, then blue.
using TColor = std::uint32_t;

struct TRGB {
  std::uint8_t Red = 0, Green = 0, Blue = 0;
  friend bool operator==(const TRGB&, const TRGB&) = default;
};

using TPalette = std::array<TRGB, 256>;

// Colour table entries with a meaning of their own.
constexpr std::uint8_t BackgroundEntry = 0;  // (4, 2, 4)
constexpr std::uint8_t BrightestGrey = 63;   // (252, 254, 252), the axes
constexpr std::uint8_t PureRedEntry = 64;    // (255, 0, 0), the pen of the Draw command

// The one colour table of the picture and of both backgrounds: 0..63 a grey
// ramp from (4, 2, 4) to (252, 254, 252), 64 pure red, 65..255 black.
const TPalette& GraphPalette();

enum class TBackground { Coord2D, Coord3D };

class TPicture {
 public:
  static constexpr int Width = 600;
  static constexpr int Height = 451;
  static constexpr int PixelCount = Width * Height;
  // The size of the BMP file: file header, information header, colour table, pixels.
  static constexpr std::size_t BmpFileSize = 14 + 40 + 1024 + PixelCount;

  // All pixels entry 0, pen pure red of width 1 at (0, 0).
  TPicture();

  // Row-major, top row first, Width bytes per row.
  const std::uint8_t* Pixels() const { return pixels_.data(); }
  std::uint8_t* Pixels() { return pixels_.data(); }
  const TPalette& Palette() const { return GraphPalette(); }

  std::uint8_t Pixel(int x, int y) const { return pixels_[y * Width + x]; }
  void SetPixel(int x, int y, std::uint8_t entry) { pixels_[y * Width + x] = entry; }

  // The picture becomes a fresh copy of the background: any curve is gone.
  void ResetPicture(TBackground background);

  // The pen for the following lines. The colour maps to the colour table
  // entry of exactly that colour (pure red is entry 64), or the nearest one.
  void SetPenColor(TColor color);
  void SetPenWidth(int width);
  std::uint8_t PenEntry() const { return penEntry_; }
  int PenWidth() const { return penWidth_; }
  std::int64_t PenX() const { return penX_; }
  std::int64_t PenY() const { return penY_; }

  // Moves the pen, drawing nothing.
  void MoveTo(std::int64_t x, std::int64_t y);
  // Draws from the pen to (x, y), every pixel of the path but the last, and
  // leaves the pen at (x, y). Any 64-bit coordinates are fine: the line is
  // clipped exactly, so only its part inside the picture is drawn.
  void LineTo(std::int64_t x, std::int64_t y);

  // The BMP file as bytes: 8 bits per pixel, bottom-up rows.
  std::vector<std::uint8_t> BmpBytes() const;
  // Writes the BMP file. The file is written beside the target under a
  // temporary name and renamed over it when complete, so a failed save never
  // leaves a partial file in place of a good one. Throws CreateFileFault
  // ("Cannot create file <path>") when the file cannot be created, IoFault
  // when writing it fails.
  void SaveToFile(const std::string& path) const;

  friend bool operator==(const TPicture& a, const TPicture& b) { return a.pixels_ == b.pixels_; }

 private:
  void Plot(std::int64_t x, std::int64_t y);

  std::vector<std::uint8_t> pixels_;
  std::uint8_t penEntry_ = PureRedEntry;
  int penWidth_ = 1;
  std::int64_t penX_ = 0;
  std::int64_t penY_ = 0;
};

// The axis backgrounds as stored (plot/BackgroundRuns.h), made on first use
// and never changed after.
const TPicture& Background(TBackground background);
// Draws a background afresh, by scan conversion; the stored backgrounds are
// made from it.
TPicture DrawBackground(TBackground background);
