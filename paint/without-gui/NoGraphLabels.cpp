// Builds without the toolkit (the Windows cross build of the core and
// helixor-cli) draw no labels; the command line says so before drawing.
#include "evaluator/Faults.h"
#include "paint/LabelledPicture.h"

bool GraphLabelsAvailable() { return false; }
std::string GraphLabelsUnavailableReason() { return "this build has no labels"; }
TRgbImage GraphWindowImage(const TPicture&, const TGraphLabelTexts&) {
  throw Fault("The labels are not available in this build");
}
std::vector<TPlacedLabel> PlaceGraphLabels(const TGraphLabelTexts&) {
  throw Fault("The labels are not available in this build");
}
