#pragma once
// The program's fonts live with the graph labels, which helixor-cli draws
// too, in the layer that needs the toolkit's GUI module only.
#include "paint/Fonts.h"
