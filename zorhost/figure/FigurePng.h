// The figure as a PNG: the painted picture, its pixels as painted, beside the legend drawn from
// the same layout as the SVG, its text in the built-in monospaced font.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zorhost/figure/LegendLayout.h"
#include "zorhost/figure/LegendModel.h"

// The picture (`rgba`, `columns` x `rows`, rows top first) at its own size beside `legend`,
// under `title`, encoded as PNG on `threads` threads (0: a core each); empty when it cannot be
// drawn or encoded. An overlay's lines are drawn on the picture, its legend under the picture's.
std::string ZORFigurePng(const std::string& title, int columns, int rows,
                         const std::vector<std::uint8_t>& rgba, const ZORLegendModel& legend,
                         const std::vector<ZORFigureCallout>& callouts = {}, int threads = 0,
                         const ZORFigureOverlay* overlay = nullptr);

// The picture alone, `columns` x `rows` pixels of RGBA, its callouts seen drawn on it (and an
// overlay's lines), as PNG.
std::string ZORMarkedPicturePng(int columns, int rows, const std::vector<std::uint8_t>& rgba,
                                const std::vector<ZORFigureCallout>& callouts, int threads = 0,
                                const ZORFigureOverlay* overlay = nullptr);
