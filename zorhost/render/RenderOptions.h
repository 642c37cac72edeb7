// What `zorhost render` is asked for: what any job that paints asks for, and what is written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zorhost/inspection/Inspect.h"
#include "zorhost/picture/PictureOptions.h"

// What is written besides the summary.
struct ZOROutputs {
  std::string prefix = "analysis";  // PREFIX.png and PREFIX.svg
  bool legendInPicture = true;      // PREFIX.png holds the legend beside the picture
  std::string meshPath;             // the analysed mesh, .vtp, .ply or .glb (parts)
  std::optional<double> meshDeflection;  // how closely it follows a CAD part's surface
  std::string valuesPath;           // the picture's values as a CSV grid
};

struct ZORRenderOptions : ZORPaintRequest {
  ZOROutputs outputs;
  ZORPaintingMode painting = ZORPaintingMode::Painter;
  std::vector<ZORPixel> probes;   // what the picture shows there, told in the summary, a line each
  bool timings = false;           // tell each stage's time and the peak memory
  ZORInspectionRequest inspection;
};
