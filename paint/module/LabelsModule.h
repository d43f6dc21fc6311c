#pragma once
// helixor-cli draws the graph window's labels through a module of its own,
// loaded only when --labels is given: the toolkit's GUI libraries then cost
// nothing to every other command. The module and the program are built
// together; the version tells a module left over from another build.

#include <cstdint>
#include <vector>

#include "plot/GraphLabels.h"
#include "plot/PictureFiles.h"

struct THelixorLabelsModule {
  int Version;
  TRgbImage (*WindowImage)(const std::uint8_t* pixels, const TPalette& palette,
                           const TGraphLabelTexts& texts);
  std::vector<TPlacedLabel> (*PlaceLabels)(const TGraphLabelTexts& texts);
};

inline constexpr int LabelsModuleVersion = 1;
// The module's file, and the one function it exports.
inline constexpr const char* LabelsModuleFile = "helixor-labels.so";
inline constexpr const char* LabelsModuleEntry = "HelixorLabelsModule";

extern "C" const THelixorLabelsModule* HelixorLabelsModule();
