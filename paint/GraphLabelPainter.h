#pragma once
// Draws the graph window's labels: the one piece of code behind both the
// window's letters and texts and helixor-cli render --labels. Needs the
// toolkit's GUI module only.

#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

#include <cstdint>

#include "paint/Fonts.h"
#include "plot/GraphLabels.h"
#include "plot/PictureFiles.h"

// Tahoma bold, 16 pixels for the letters and 11 (the window's font) for the
// zoom and length texts, for a paint device of the given pixel ratio.
QFont GraphLabelFont(TGraphLabel label, qreal deviceRatio = ScreenPixelRatio());
// The label's box in window pixels; the length text's box grows with it.
QRect GraphLabelBox(TGraphLabel label, const QString& text, qreal deviceRatio = ScreenPixelRatio());
// Draws the label into its box, given in the painter's coordinates: the
// window's black under the letters, then the text in white, aligned as the
// label is, clipped to the box; in the font for the painter's device.
void PaintGraphLabel(QPainter& painter, TGraphLabel label, const QString& text, const QRect& box);
// The graph window's client area: the picture given by its pixels (row-major,
// TPicture's size) and colour table, with the labels drawn over it.
TRgbImage GraphWindowImageOf(const std::uint8_t* pixels, const TPalette& palette,
                             const TGraphLabelTexts& texts);
