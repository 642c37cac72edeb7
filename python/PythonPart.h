// A part for Python: read once, then analysed, pictured and measured as zorhost render does it,
// its numbers zorhost's own. One call at a time works on the part; each lets go of the
// interpreter's lock (the bindings see to it) and uses the threads it is asked for.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "python/PythonScale.h"
#include "zorhost/picture/PictureSteps.h"

class ZORPythonPart {
 public:
  // The part in the file at `path` (STEP, IGES, STL, OBJ, PLY), its lengths in `unit` when its file
  // states none; `field` a PLY vertex property its points carry. With a `timeLimit`, the file is
  // read first in a child process, which is stopped past the limit (a TimeoutError): a damaged
  // file cannot keep the interpreter busy; then read here.
  static std::unique_ptr<ZORPythonPart> Read(const std::string& path, std::optional<double> timeLimit,
                                             const std::string& unit, const std::string& field);

  // What the analysis of `settings` gives on the part's analysed mesh, as --mesh-out writes it:
  // a CAD part meshed within `deflection` (else a thousandth of its size), a mesh part its own.
  struct Analysed {
    std::vector<ZORVec3> vertices;
    std::vector<ZORTriangle> triangles;
    std::vector<double> values;  // a vertex each, NaN where undefined
    std::string name, unit;
  };
  Analysed Analyse(const ZORPictureSettings& settings, std::optional<double> deflection);

  // The picture's values as --values-out writes them (NaN where undefined) and where the part is
  // seen.
  ZORPictureValues Picture(const ZORPictureSettings& settings);

  // The statistics of the analysis over the whole part, painted with `scale` (else the scale
  // zorhost render would make), as the record --stats-out writes (JSON).
  std::string Statistics(const ZORPictureSettings& settings, const ZORScaleRecipe& recipe, ZORPythonScale* scale);

  // The deviation of each point from the reference of `settings` (its signed distance).
  std::vector<double> DeviationAt(const ZORPictureSettings& settings, const std::vector<ZORVec3>& points);

  std::string Description() const;
  // The unit of the analysis last made, "mm" or "1/mm".
  std::string Unit() const { return values_.unit; }

 private:
  ZORPythonPart() = default;
  // The reference of `settings` read (once a path) and the analysis of `settings` made and
  // measured over the whole part, when they are not already.
  void Ready(const ZORPictureSettings& settings);

  std::mutex mutex_;
  ZORRenderValues values_;
  std::string path_;  // read from
  std::string unit_;  // given for files that state none
  std::optional<ZORPictureSettings> analysed_;  // what values_ holds the analysis of
  std::string referencePath_;
};
