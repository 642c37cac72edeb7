// The legend as text for a terminal: the block table of a render's summary, and the scale that
// `zorhost scale show` prints.
#pragma once

#include <string>

#include "zorhost/figure/LegendModel.h"

// "scale: N blocks", a line a block (the values it takes, its color, how many values it holds),
// the footnote on blended colors, the notes, and the undefined values and those given no color.
std::string ZORLegendSummary(const ZORLegendModel& legend);

// The scale saved as `name`: its undefined color, then a line a block (the values it takes, its
// color and whether that color is imposed, whether its upper boundary is imposed).
std::string ZORLegendListing(const ZORLegendModel& legend, const std::string& name);
