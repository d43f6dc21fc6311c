#pragma once
// The graph window as a picture, for helixor-cli render --labels: the
// window's client area with the picture at its top-left and the labels
// drawn over it by the same code that draws them in the window. This header
// is toolkit-free; builds without the toolkit's GUI module have no labels.

#include <vector>

#include "plot/GraphLabels.h"
#include "plot/Picture.h"
#include "plot/PictureFiles.h"

#include <string>

// Whether the labels can be drawn; when not, the reason, for the user.
bool GraphLabelsAvailable();
std::string GraphLabelsUnavailableReason();
// 601 x 457: the picture, the window's black around it, the labels.
TRgbImage GraphWindowImage(const TPicture& picture, const TGraphLabelTexts& texts);
// The labels that are shown, in painting order, placed as the window
// places them (the boxes and their texts' baselines).
std::vector<TPlacedLabel> PlaceGraphLabels(const TGraphLabelTexts& texts);
