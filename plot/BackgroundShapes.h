#pragma once
// The shapes the two axis backgrounds are made of: filled polygons in pixel
// units, where pixel (c, r) covers [c, c + 1) x [r, r + 1) and the axes
// cross at the corner point (298, 241). The raster backgrounds are these
// shapes scan-converted; the SVG picture draws them as they are.

#include <vector>

#include "plot/Picture.h"

struct TShapePoint {
  double X, Y;
};
using TShape = std::vector<TShapePoint>;

// Axes, dashes and arrowheads of the background, in drawing order.
std::vector<TShape> BackgroundShapes(TBackground background);
