#pragma once
// What the graph window shows over the picture: the axis letters in their
// opaque boxes and the zoom and length texts. Toolkit-free: the texts, the
// window's fixed boxes, and a label as placed by the drawing code (which
// measures the fonts).

#include <string>
#include <vector>

#include "plot/DrawCommand.h"

// The window's client area; the picture stands at its top-left corner.
constexpr int GraphClientWidth = 601;
constexpr int GraphClientHeight = 457;

enum class TGraphLabel { ZLabel, YLabel, XLabel, ZoomLabel, LengthLabel };

// In the order of painting: later labels cover earlier ones.
constexpr TGraphLabel AllGraphLabels[] = {TGraphLabel::ZLabel, TGraphLabel::YLabel, TGraphLabel::XLabel,
                                          TGraphLabel::ZoomLabel, TGraphLabel::LengthLabel};

struct TGraphLabelTexts {
  std::string XLabel = "X";
  std::string YLabel = "Y";
  std::string ZLabel = "Z";
  bool ZLabelShown = true;
  // As the window starts: "Zoom  :" has two spaces.
  std::string ZoomLabel = "Zoom  :";
  std::string LengthLabel = "Length :";
};

// The letters a view command sets: X/Y in the front view, Z/Y left, X/Z
// bottom, X/Y/Z isometric; the Z letter only in the isometric view.
void SetLettersOfView(TGraphLabelTexts& texts, TView view);

// A box in window pixels.
struct TLabelBox {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

// The fixed boxes of the letters and of the zoom text; the length text's
// box starts at (10, 436) and grows with its text.
TLabelBox FixedLabelBox(TGraphLabel label);
// The letters' boxes are filled with the window's black; the texts are not.
bool LabelIsOpaque(TGraphLabel label);
// The zoom text is right-aligned in its box; the others are left-aligned.
bool LabelIsRightAligned(TGraphLabel label);
// Character height in pixels: 16 for the letters, 11 for the texts.
int LabelPixelHeight(TGraphLabel label);

// A label as the window draws it: its box, its text and the text's anchor
// (the left or, right-aligned, the right end of its baseline).
struct TPlacedLabel {
  TGraphLabel Label{};
  TLabelBox Box;
  std::string Text;
  double AnchorX = 0;
  double Baseline = 0;
};
