// The module's one entry: the labels' painter, the same code the graph
// window draws them with.
#include "paint/module/LabelsModule.h"

#include "paint/GraphLabelPainter.h"
#include "paint/LabelledPicture.h"

extern "C" __attribute__((visibility("default"))) const THelixorLabelsModule* HelixorLabelsModule() {
  static const THelixorLabelsModule module = {LabelsModuleVersion, &GraphWindowImageOf, &PlaceGraphLabels};
  return &module;
}
