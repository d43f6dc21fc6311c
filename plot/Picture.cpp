#include "plot/Picture.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "evaluator/Faults.h"
#include "plot/BackgroundRuns.h"
#include "plot/PictureFiles.h"

namespace {

TPalette MakePalette() {
  TPalette palette{};
  // Entry 0 is the background (4, 2, 4); the ramp climbs evenly to the
  // near-white (252, 254, 252) of the axes at entry 63.
  for (int k = 0; k < 64; ++k) {
    auto redBlue = static_cast<std::uint8_t>(4 + (248 * k + 31) / 63);
    palette[k] = TRGB{redBlue, static_cast<std::uint8_t>(2 + 4 * k), redBlue};
  }
  palette[PureRedEntry] = TRGB{255, 0, 0};
  for (int k = 65; k < 256; ++k) palette[k] = TRGB{0, 0, 0};
  return palette;
}

using U128 = unsigned __int128;
using I128 = __int128;

std::uint64_t Magnitude(I128 v) { return static_cast<std::uint64_t>(v < 0 ? -v : v); }

// round(a * e / d), a half rounding up; a < d, e <= d.
std::uint64_t ScaledOffset(std::uint64_t a, std::uint64_t e, std::uint64_t d) {
  if ((a | e | d) < (std::uint64_t{1} << 32)) {
    std::uint64_t product = a * e;
    std::uint64_t q = product / d, r = product % d;
    return q + (2 * r >= d ? 1 : 0);
  }
  U128 product = static_cast<U128>(a) * e;
  U128 q = product / d, r = product % d;
  return static_cast<std::uint64_t>(q) + (2 * r >= d ? 1 : 0);
}

}  // namespace

const TPalette& GraphPalette() {
  static const TPalette palette = MakePalette();
  return palette;
}

TPicture::TPicture() : pixels_(PixelCount, BackgroundEntry) {}

void TPicture::ResetPicture(TBackground background) {
  // Straight from the stored runs: no background is drawn or kept at start.
  const TBackgroundRuns& runs = background == TBackground::Coord2D ? Coord2DRuns : Coord3DRuns;
  std::uint8_t* p = pixels_.data();
  std::uint8_t* const end = p + pixels_.size();
  for (std::size_t k = 0; k < runs.Count; ++k) {
    const std::size_t length = std::min<std::size_t>(runs.Words[k] >> 8, static_cast<std::size_t>(end - p));
    std::memset(p, static_cast<int>(runs.Words[k] & 0xFF), length);
    p += length;
  }
  std::fill(p, end, BackgroundEntry);
}

void TPicture::SetPenColor(TColor color) {
  TRGB rgb{static_cast<std::uint8_t>(color & 0xFF), static_cast<std::uint8_t>((color >> 8) & 0xFF),
           static_cast<std::uint8_t>((color >> 16) & 0xFF)};
  if (color & 0x80000000u) rgb = TRGB{};  // system colours have no entry of their own
  const TPalette& palette = GraphPalette();
  int best = 0;
  long bestDistance = -1;
  for (int k = 0; k < 256; ++k) {
    long dr = palette[k].Red - rgb.Red, dg = palette[k].Green - rgb.Green,
         db = palette[k].Blue - rgb.Blue;
    long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      best = k;
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  penEntry_ = static_cast<std::uint8_t>(best);
}

void TPicture::SetPenWidth(int width) { penWidth_ = std::max(width, 1); }

void TPicture::MoveTo(std::int64_t x, std::int64_t y) {
  penX_ = x;
  penY_ = y;
}

void TPicture::Plot(std::int64_t x, std::int64_t y) {
  if (penWidth_ == 1) {
    if (x >= 0 && x < Width && y >= 0 && y < Height) pixels_[y * Width + x] = penEntry_;
    return;
  }
  // A wider pen covers a square centred on the path pixel.
  const std::int64_t before = (penWidth_ - 1) / 2, after = penWidth_ / 2;
  for (std::int64_t py = std::max<std::int64_t>(y - before, 0);
       py <= std::min<std::int64_t>(y + after, Height - 1); ++py)
    for (std::int64_t px = std::max<std::int64_t>(x - before, 0);
         px <= std::min<std::int64_t>(x + after, Width - 1); ++px)
      pixels_[py * Width + px] = penEntry_;
}

void TPicture::LineTo(std::int64_t x1, std::int64_t y1) {
  const std::int64_t x0 = penX_, y0 = penY_;
  penX_ = x1;
  penY_ = y1;
  const I128 dx = static_cast<I128>(x1) - x0, dy = static_cast<I128>(y1) - y0;
  if (dx == 0 && dy == 0) return;
  // One pixel per step along the major axis; the minor coordinate of step m
  // is the start's plus round(m * minor / major), computed exactly in 128
  // bits, so a clipped line takes exactly the pixels of the unclipped one.
  // Only the steps whose major coordinate lies inside the picture are
  // visited, the end pixel excluded.
  const bool xMajor = Magnitude(dx) >= Magnitude(dy);
  const I128 m0 = xMajor ? x0 : y0, m1 = xMajor ? x1 : y1;
  const I128 n0 = xMajor ? y0 : x0;
  const I128 dm = xMajor ? dx : dy, dn = xMajor ? dy : dx;
  const I128 limitM = xMajor ? Width : Height, limitN = xMajor ? Height : Width;
  const std::uint64_t d = Magnitude(dm), e = Magnitude(dn);
  const int stepN = dn < 0 ? -1 : 1;
  I128 lo, hi;  // the major coordinates to visit
  if (dm > 0) {
    lo = std::max<I128>(m0, 0);
    hi = std::min<I128>(m1 - 1, limitM - 1);
  } else {
    lo = std::max<I128>(m1 + 1, 0);
    hi = std::min<I128>(m0, limitM - 1);
  }
  for (I128 m = lo; m <= hi; ++m) {
    std::uint64_t a = Magnitude(m - m0);
    I128 n = n0 + stepN * static_cast<I128>(ScaledOffset(a, e, d));
    if (penWidth_ == 1 && (n < 0 || n >= limitN)) continue;
    if (penWidth_ > 1 && (n < -penWidth_ || n >= limitN + penWidth_)) continue;
    const auto mm = static_cast<std::int64_t>(m), nn = static_cast<std::int64_t>(n);
    if (xMajor)
      Plot(mm, nn);
    else
      Plot(nn, mm);
  }
}

std::vector<std::uint8_t> TPicture::BmpBytes() const {
  std::vector<std::uint8_t> out;
  out.reserve(BmpFileSize);
  auto u16 = [&](std::uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
  };
  auto u32 = [&](std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const std::uint32_t headers = 14 + 40 + 1024;
  // File header.
  out.push_back('B');
  out.push_back('M');
  u32(static_cast<std::uint32_t>(BmpFileSize));
  u16(0);
  u16(0);
  u32(headers);
  // Information header: positive height, so rows are stored bottom-up.
  u32(40);
  u32(Width);
  u32(Height);
  u16(1);   // planes
  u16(8);   // bits per pixel
  u32(0);   // uncompressed
  u32(PixelCount);
  u32(0);   // horizontal resolution not given
  u32(0);   // vertical resolution not given
  u32(256); // colours used
  u32(0);   // all colours important
  for (const TRGB& c : GraphPalette()) {
    out.push_back(c.Blue);
    out.push_back(c.Green);
    out.push_back(c.Red);
    out.push_back(0);
  }
  // A row of 600 bytes is already a multiple of 4: no padding.
  for (int y = Height - 1; y >= 0; --y)
    out.insert(out.end(), pixels_.begin() + y * Width, pixels_.begin() + (y + 1) * Width);
  return out;
}

void TPicture::SaveToFile(const std::string& path) const {
  const std::vector<std::uint8_t> bytes = BmpBytes();
  SaveFileBytes(path, bytes.data(), bytes.size());
}
