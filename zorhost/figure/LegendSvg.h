// The legend as SVG: the painted picture beside the scale's legend model, a table of the blocks
// up to 24 of them, a color bar beyond.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zorhost/figure/LegendLayout.h"
#include "zorhost/figure/LegendModel.h"

// The painted picture (`rgba`, `columns` x `rows`, rows top first) beside `legend`, under
// `title`. The picture is resampled, nearest pixel, to the size it is shown at, so that it looks
// the same in every viewer. Its PNG is encoded on `threads` threads (0: a core each).
std::string ZORLegendSvg(const std::string& title, int columns, int rows,
                         const std::vector<std::uint8_t>& rgba, const ZORLegendModel& legend,
                         const std::vector<ZORFigureCallout>& callouts = {}, int threads = 0,
                         const ZORFigureOverlay* overlay = nullptr);

// Text made safe inside SVG and HTML, in elements and quoted attributes.
std::string ZORMarkupEscaped(const std::string& text);
