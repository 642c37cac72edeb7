// `zorhost render`: paints an analysis with a color scale made through the module and writes
// pictures a person can open.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "painter/ZORScalePainter.h"
#include "zorhost/scale/Classification.h"
#include "zorhost/scale/ColorRamps.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/surface/SurfaceMesh.h"
#include "zorhost/surface/View.h"

struct ZORRenderOptions {
  // What is painted: a part file, a grid of values, or a built-in sample.
  std::string partPath;
  std::string valuesPath;  // a CSV grid
  enum class Sample { Part, Field };
  Sample sample = Sample::Part;

  // A part's picture.
  ZORAnalysis analysis = ZORAnalysis::Gaussian;
  enum class Shading { Lit, None };
  Shading shading = Shading::Lit;
  ZORView view = ZORView::Iso;
  int width = 1024;
  int height = 768;
  ZORRgba background{255, 255, 255, 255};
  // Reading and meshing a part may take at most this many seconds (0: no limit): the CAD
  // kernel's work cannot be interrupted, and a damaged file may keep it busy without end.
  double timeLimit = kDefaultTimeLimit;
  static constexpr double kDefaultTimeLimit = 60.0;
  std::string job = "render";  // the job that paints, for the message of the time limit

  // The scale.
  std::string settingsName;      // load the scale from this repository instead of the default
  int blocks = 9;                // blocks of the default scale
  std::string saveSettingsName;  // save the scale to this repository
  const ZORColorPreset* preset = nullptr;        // impose its colors
  std::optional<ZORClassMethod> classify;        // impose boundaries from the values

  // What is written.
  std::string outPrefix = "analysis";
  std::string meshOutPath;    // the analysed mesh, .ply or .glb (parts)
  std::string valuesOutPath;  // the picture's values as a CSV grid
  enum class Painting { Painter, PerValue, Check };
  Painting painting = Painting::Painter;
  bool progress = false;  // show progress on standard error

  bool PaintsPart() const { return valuesPath.empty() && (!partPath.empty() || sample == Sample::Part); }
};

// Exit statuses: 0 done, 1 a failure of the run, 2 bad input.
int ZORRender(ZORModuleHost& host, const ZORRenderOptions& options, std::ostream& out,
              std::ostream& err);
