// The labels linked into the program itself (the graph window's tests and
// tools); helixor-cli loads the same painter only when it is asked for them.
#include "paint/GraphLabelPainter.h"
#include "paint/LabelledPicture.h"

bool GraphLabelsAvailable() { return true; }

std::string GraphLabelsUnavailableReason() { return {}; }

TRgbImage GraphWindowImage(const TPicture& picture, const TGraphLabelTexts& texts) {
  return GraphWindowImageOf(picture.Pixels(), picture.Palette(), texts);
}
