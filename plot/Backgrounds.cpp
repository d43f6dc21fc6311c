// The two axis backgrounds: a few polygons (the shapes), drawn once by scan
// conversion at 8 x 8 samples per pixel; the share of samples covered picks
// the grey entry, which gives the slanted and pointed edges their
// anti-aliasing. The SVG picture draws the same shapes as vectors.

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "plot/BackgroundShapes.h"
#include "plot/Picture.h"

namespace {

constexpr int Sub = 8;  // samples per pixel along each axis

using TVec = TShapePoint;
TVec operator+(TVec a, TVec b) { return {a.X + b.X, a.Y + b.Y}; }
TVec operator-(TVec a, TVec b) { return {a.X - b.X, a.Y - b.Y}; }
TVec operator*(double s, TVec a) { return {s * a.X, s * a.Y}; }

// Coverage of the picture: each shape is scan-converted into sample masks
// over its own bounding box (one bit per sample, one 64-bit word per pixel),
// and a pixel keeps the largest coverage any shape gives it. The shapes meet
// where one of them covers the pixel fully, so this is their union there.
class TCoverage {
 public:
  // The picture's own pixels hold the coverage until Render.
  explicit TCoverage(TPicture& picture) : coverage_(picture.Pixels()) {}

  // Fills a polygon (even-odd rule) given in pixel units: pixel (c, r)
  // covers [c, c + 1) x [r, r + 1).
  void Fill(const std::vector<TVec>& polygon) {
    double top = polygon[0].Y, bottom = polygon[0].Y, left = polygon[0].X, right = polygon[0].X;
    for (const TVec& p : polygon) {
      top = std::min(top, p.Y);
      bottom = std::max(bottom, p.Y);
      left = std::min(left, p.X);
      right = std::max(right, p.X);
    }
    const int firstRow = std::max(0, static_cast<int>(std::floor(top)));
    const int lastRow = std::min(TPicture::Height - 1, static_cast<int>(std::ceil(bottom)));
    const int firstColumn = std::max(0, static_cast<int>(std::floor(left)));
    const int lastColumn = std::min(TPicture::Width - 1, static_cast<int>(std::ceil(right)));
    if (firstRow > lastRow || firstColumn > lastColumn) return;
    const int columns = lastColumn - firstColumn + 1;
    masks_.assign(static_cast<std::size_t>(columns) * (lastRow - firstRow + 1), 0);
    std::vector<double> crossings;
    for (int sy = firstRow * Sub; sy < (lastRow + 1) * Sub; ++sy) {
      const double yc = (sy + 0.5) / Sub;
      crossings.clear();
      for (std::size_t i = 0; i < polygon.size(); ++i) {
        const TVec a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        if ((a.Y <= yc) != (b.Y <= yc)) crossings.push_back(a.X + (yc - a.Y) * (b.X - a.X) / (b.Y - a.Y));
      }
      std::sort(crossings.begin(), crossings.end());
      for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
        // Samples whose centre lies in [left, right).
        const int from = std::max(static_cast<int>(std::ceil(crossings[i] * Sub - 0.5)), firstColumn * Sub);
        const int to = std::min(static_cast<int>(std::ceil(crossings[i + 1] * Sub - 0.5)), (lastColumn + 1) * Sub);
        for (int sx = from; sx < to; ++sx)
          masks_[(sy / Sub - firstRow) * columns + (sx / Sub - firstColumn)] |=
              std::uint64_t{1} << ((sy % Sub) * Sub + sx % Sub);
      }
    }
    for (int r = firstRow; r <= lastRow; ++r)
      for (int c = firstColumn; c <= lastColumn; ++c) {
        const auto covered = static_cast<std::uint8_t>(std::popcount(masks_[(r - firstRow) * columns + (c - firstColumn)]));
        std::uint8_t& kept = coverage_[r * TPicture::Width + c];
        kept = std::max(kept, covered);
      }
  }

  // Turns the coverage into grey entries.
  void Render() {
    for (int i = 0; i < TPicture::PixelCount; ++i)
      coverage_[i] = static_cast<std::uint8_t>((coverage_[i] * BrightestGrey + 32) / 64);
  }

 private:
  std::uint8_t* coverage_;              // samples covered, 0..64
  std::vector<std::uint64_t> masks_;    // the current shape's bounding box
};

// The shapes of a background, in drawing order.
class TShapes {
 public:
  void Rectangle(double left, double top, double right, double bottom) {
    shapes_.push_back({{left, top}, {right, top}, {right, bottom}, {left, bottom}});
  }

  // A bar of the given half width along the line from a to b.
  void Bar(TVec a, TVec b, double halfWidth) {
    TVec d = b - a;
    const double length = std::hypot(d.X, d.Y);
    TVec n{-d.Y / length * halfWidth, d.X / length * halfWidth};
    shapes_.push_back({a + n, b + n, b - n, a - n});
  }

  // A filled arrowhead pointing along the unit vector dir to its tip, its
  // back edge notched inward between the two barbs.
  void Arrowhead(TVec tip, TVec dir) {
    constexpr double Length = 14, HalfWidth = 6.75, Notch = 2;
    TVec n{-dir.Y, dir.X};
    TVec back = tip - Length * dir;
    shapes_.push_back({tip, back + HalfWidth * n, tip - (Length - Notch) * dir, back - HalfWidth * n});
  }

  std::vector<TShape> Take() { return std::move(shapes_); }

 private:
  std::vector<TShape> shapes_;
};

int RoundedRatio(int numerator, int denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

// The crossing of the axes is the 2 x 2 block of columns 297-298 and rows
// 240-241; its centre, the corner point (298, 241), is where every axis
// starts.
constexpr TVec Centre{298, 241};

void DrawPlaneAxes(TShapes& shapes) {
  // Positive x: solid to the arrow at the right edge.
  shapes.Rectangle(297, 240, 589, 242);
  shapes.Arrowhead({600, 241}, {1, 0});
  // Positive y: solid to the arrow at the top edge.
  shapes.Rectangle(297, 11, 299, 242);
  shapes.Arrowhead({298, 0}, {0, -1});
  // Negative x: 19 dashes of 4 or 5 pixels, columns 15-18 to 282-286.
  for (int k = 0; k < 19; ++k) {
    const int first = 15 + RoundedRatio(267 * k, 18), last = 18 + RoundedRatio(268 * k, 18);
    shapes.Rectangle(first, 240, last + 1, 242);
  }
  // Negative y: 14 dashes of 4 or 5 pixels, rows 251-254 to 443-447.
  for (int k = 0; k < 14; ++k) {
    const int first = 251 + RoundedRatio(192 * k, 13), last = 254 + RoundedRatio(193 * k, 13);
    shapes.Rectangle(297, first, 299, last + 1);
  }
}

// The z axis, 30 degrees from the vertical, as the isometric view draws it:
// growing z runs down and to the left.
void DrawDepthAxis(TShapes& shapes) {
  const double sine = 0.5, cosine = std::sqrt(3.0) / 2;
  const TVec down{-sine, cosine};  // unit vector of growing z
  // The arrow's tip touches the bottom edge of the picture.
  const double reach = (TPicture::Height - Centre.Y) / cosine;
  const TVec tip = Centre + reach * down;
  shapes.Bar(Centre, tip - 11.0 * down, 1);
  shapes.Arrowhead(tip, down);
  // Negative z: 18 dashes of 5 pixels at a pitch of 15 pixels along the
  // line (13 rows), the first starting at row 230.
  const double first = 11 / cosine;
  for (int k = 0; k < 18; ++k) {
    const double from = first + 15.0 * k;
    shapes.Bar(Centre - from * down, Centre - (from + 5) * down, 1);
  }
}

}  // namespace

std::vector<TShape> BackgroundShapes(TBackground background) {
  TShapes shapes;
  DrawPlaneAxes(shapes);
  if (background == TBackground::Coord3D) DrawDepthAxis(shapes);
  return shapes.Take();
}

TPicture DrawBackground(TBackground background) {
  TPicture picture;
  TCoverage coverage(picture);
  for (const TShape& shape : BackgroundShapes(background)) coverage.Fill(shape);
  coverage.Render();
  return picture;
}

namespace {

TPicture StoredBackground(TBackground background) {
  TPicture picture;
  picture.ResetPicture(background);
  return picture;
}

}  // namespace

const TPicture& Background(TBackground background) {
  if (background == TBackground::Coord2D) {
    static const TPicture coord2D = StoredBackground(TBackground::Coord2D);
    return coord2D;
  }
  static const TPicture coord3D = StoredBackground(TBackground::Coord3D);
  return coord3D;
}
