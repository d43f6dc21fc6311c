#include "plot/GraphLabels.h"

void SetLettersOfView(TGraphLabelTexts& texts, TView view) {
  texts.ZLabelShown = view == TView::Isometric;
  texts.XLabel = view == TView::Left ? "Z" : "X";
  texts.YLabel = view == TView::Bottom ? "Z" : "Y";
  if (view == TView::Isometric) texts.ZLabel = "Z";
}

TLabelBox FixedLabelBox(TGraphLabel label) {
  switch (label) {
    case TGraphLabel::ZLabel: return {163, 430, 10, 19};
    case TGraphLabel::YLabel: return {279, 4, 11, 19};
    case TGraphLabel::XLabel: return {584, 250, 11, 19};
    case TGraphLabel::ZoomLabel: return {480, 436, 113, 13};
    case TGraphLabel::LengthLabel: return {10, 436, 45, 13};
  }
  return {};
}

bool LabelIsOpaque(TGraphLabel label) {
  return label != TGraphLabel::ZoomLabel && label != TGraphLabel::LengthLabel;
}

bool LabelIsRightAligned(TGraphLabel label) { return label == TGraphLabel::ZoomLabel; }

int LabelPixelHeight(TGraphLabel label) { return LabelIsOpaque(label) ? 16 : 11; }
