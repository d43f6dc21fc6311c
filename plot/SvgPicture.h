#pragma once
// The picture as an SVG file, in vectors: the ground, the background's axes
// as their shapes, and the curve as one red polyline through the unrounded
// projected points, in a 600 x 451 view box (or the graph window's 601 x
// 457 with its labels as text elements), so it stays sharp at any size.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "evaluator/Extended.h"
#include "plot/GraphLabels.h"
#include "plot/Picture.h"

// A sample's point in picture units: (298 + H, 241 - V), unrounded.
struct TCurvePoint {
  Extended X = 0;
  Extended Y = 0;
};

// Writes the SVG as it comes: the head at once, each point as it is drawn,
// the labels and the end last, to Sink in blocks of about 64 KiB, so that
// memory stays the same however many points there are.
class TSvgWriter {
 public:
  using TSink = std::function<void(std::string_view)>;
  TSvgWriter(TBackground background, bool labels, TSink sink);
  void Point(const TCurvePoint& point);
  // The labels (given when the writer was made with labels) and the end.
  void Finish(const std::vector<TPlacedLabel>* labels);

 private:
  void Pass(bool all);
  TSink sink_;
  std::string out_;
  std::size_t points_ = 0;
};

// Without labels the picture alone; with them the window's client area,
// its black around the picture, and the labels over it in painting order.
std::string SvgPicture(TBackground background, const std::vector<TCurvePoint>& curve,
                       const std::vector<TPlacedLabel>* labels = nullptr);
