// The published color tables the presets sample; where each comes from is told beside it.
#pragma once

#include <span>

#include "painter/ZORScalePainter.h"

std::span<const ZORRgba> ZORViridisTable();
std::span<const ZORRgba> ZORMagmaTable();
std::span<const ZORRgba> ZORCividisTable();
std::span<const ZORRgba> ZORCoolWarmTable();
std::span<const ZORRgba> ZORTurboTable();
std::span<const ZORRgba> ZORRedBlueTable();
