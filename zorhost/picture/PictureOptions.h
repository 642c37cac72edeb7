// What a picture is asked for, in the pieces its steps take: where the values come from, how a
// part is pictured, and the scale to paint with.
#pragma once

#include <optional>
#include <string>

#include "painter/ZORScalePainter.h"
#include "zorhost/common/Limits.h"
#include "zorhost/scale/AnalysisOptions.h"
#include "zorhost/scale/ToleranceScale.h"
#include "zorhost/classification/Classification.h"
#include "zorhost/palettes/ColorRamps.h"
#include "zorhost/surface/SurfaceMesh.h"
#include "zorhost/surface/Thickness.h"
#include "zorhost/surface/View.h"

// What is painted: a part file, a grid of values, or a built-in sample.
struct ZORValueSource {
  std::string partPath;
  std::string valuesPath;  // a CSV grid
  enum class Sample { Part, Field };
  Sample sample = Sample::Part;
  std::string lengthUnit;  // of parts whose files state none (meshes), when given
  // Reading and meshing a part may take at most this many seconds (0: no limit): the CAD
  // kernel's work cannot be interrupted, and a damaged file may keep it busy without end.
  double timeLimit = kZORDefaultTimeLimit;

  bool PaintsPart() const { return valuesPath.empty() && (!partPath.empty() || sample == Sample::Part); }
};

// What the analyses that take more than the surface take: deviation's reference and what it does
// where the reference has nothing near, draft's pull direction, the field a mesh's file gives.
struct ZORAnalysisParameters {
  std::string referencePath;
  bool keepBeyondEdges = false;       // beyond the reference's edges, the distance to them
  std::optional<double> maxDistance;  // farther points have no value
  ZORVec3 pull{0.0, 0.0, 1.0};
  std::string field;                  // a per-vertex property of a PLY mesh
  // Isophotes and reflection lines: the direction their angles are measured against (isophotes:
  // toward the viewer unless given; reflection: +z, overhead light, unless given).
  std::optional<ZORVec3> light;
  ZORThicknessMethod thickness = ZORThicknessMethod::Ray;
  friend bool operator==(const ZORAnalysisParameters&, const ZORAnalysisParameters&) = default;
};

// How a part is pictured.
struct ZORPictureSettings {
  ZORAnalysis analysis = ZORAnalysis::Gaussian;
  ZORAnalysisParameters parameters;
  enum class Shading { Lit, None };
  Shading shading = Shading::Lit;
  ZORViewpoint viewpoint;
  int width = 1024;
  int height = 768;
  ZORRgba background{255, 255, 255, 255};  // where no surface is seen
  int threads = 0;  // that evaluate the pixels, 0 for one a core: the picture is the same for any
  friend bool operator==(const ZORPictureSettings&, const ZORPictureSettings&) = default;
};

// The scale painted with: loaded or made, its colors and boundaries, saved when asked.
struct ZORScaleRecipe {
  std::string settingsName;      // load the scale from this repository instead of the default
  int blocks = 9;                // blocks of the default scale
  const ZORColorPreset* preset = nullptr;  // impose its colors
  std::optional<ZORClassMethod> classify;  // impose boundaries from the values
  std::optional<ZORValueRange> range;      // impose the extremes (a tolerance scale's outer limits)
  std::string saveSettingsName;  // save the scale to this repository
  // What passes: the values within a tolerance, painted with its scale; or a draft of at least
  // `minDraft` degrees, painted with the draft scale of that pass limit. A part passes when at
  // least `passShare` percent of its area does.
  std::optional<ZORToleranceBand> tolerance;
  std::optional<double> minDraft;
  // Or a wall of at least `minThickness`, painted with the thickness scale of that limit.
  std::optional<double> minThickness;
  double passShare = 100.0;
  // Isophotes and reflection lines painted as zebra stripes this many degrees wide.
  std::optional<double> stripes;
  // The default scale made diverging about zero: symmetric extremes, zero in its middle block's
  // neutral color (a deviation's, unless the user gives a scale).
  bool diverging = false;

  // The values that pass, when the recipe says.
  std::optional<ZORToleranceBand> Passing() const {
    if (tolerance) return tolerance;
    if (minDraft) return ZORDraftPass(*minDraft);
    if (minThickness) return ZORAtLeast(*minThickness);
    return std::nullopt;
  }
};

// A pixel asked about: (column, row) from the top left.
struct ZORPixel {
  int column = 0;
  int row = 0;
};

// How every value is painted: by the painter, through GetColorForValue value by value, or both
// ways, compared.
enum class ZORPaintingMode { Painter, PerValue, Check };

// What a job that paints asks for: the values, how a part is pictured, the scale. Each job adds
// its own to these.
struct ZORPaintRequest {
  ZORValueSource source;
  ZORPictureSettings picture;
  ZORScaleRecipe scale;
  bool progress = false;  // show progress on standard error
};
