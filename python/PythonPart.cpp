#include "python/PythonPart.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "zorhost/common/Numbers.h"
#include "zorhost/common/Parallel.h"
#include "zorhost/figure/LegendModel.h"
#include "zorhost/inspection/InspectionRecord.h"
#include "zorhost/surface/MeshExport.h"

namespace {

// Reads and meshes the file in a child process: whether that ends within `seconds`. A child that
// takes longer is stopped.
ZOROutcome ReadsInTime(const std::string& path, double seconds, const std::string& field) {
  const pid_t child = fork();
  if (child < 0) return ZORFailure("cannot start the process that tries the file first");
  if (child == 0) {
    std::unique_ptr<ZORPart> part;
    // On this thread: a fork has none of the threads the kernel's mesher may have started here.
    const bool read = !ZORReadPart(path, part, field) && !part->Prepare(1e-3, false, 1);
    _exit(read ? 0 : 1);
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > until) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return ZORProblem{ZORProblem::Kind::TimedOut, path + ": reading it took longer than the time limit, " +
                                                        ZORShownNumber(seconds) + " s"};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return std::nullopt;  // read or not, the read here says what is wrong with it
}

}  // namespace

std::unique_ptr<ZORPythonPart> ZORPythonPart::Read(const std::string& path, std::optional<double> timeLimit,
                                                    const std::string& unit, const std::string& field) {
  if (timeLimit) ZORThrowIfProblem(ReadsInTime(path, *timeLimit, field));
  std::unique_ptr<ZORPythonPart> read(new ZORPythonPart);
  ZORThrowIfProblem(ZORReadPart(path, read->values_.part, field));
  ZORThrowIfProblem(ZORGiveUnit(unit, *read->values_.part));
  read->path_ = path;
  read->unit_ = unit;
  return read;
}

std::string ZORPythonPart::Description() const { return values_.part->Description(); }

void ZORPythonPart::Ready(const ZORPictureSettings& settings) {
  const std::string& reference = settings.parameters.referencePath;
  if (!reference.empty() && reference != referencePath_) {
    values_.reference.reset();
    ZORThrowIfProblem(ZORReadReference(reference, unit_, values_));
    referencePath_ = reference;
    analysed_.reset();
  }
  if (settings.analysis == ZORAnalysis::Thickness) ZORThrowIfProblem(ZORReadSolid(path_, unit_, values_));
  if (analysed_ && analysed_->analysis == settings.analysis && analysed_->parameters == settings.parameters) return;
  ZORThrowIfProblem(ZORPreparePart(settings, *values_.part));
  ZORThrowIfProblem(ZORAnalysePart(settings, values_));
  analysed_ = settings;
}

ZORPythonPart::Analysed ZORPythonPart::Analyse(const ZORPictureSettings& settings, std::optional<double> deflection) {
  const std::lock_guard lock(mutex_);
  Ready(settings);
  ZORVec3 lowest, highest;
  values_.part->Bounds(lowest, highest);
  ZORThrowIfProblem(values_.part->Prepare(deflection.value_or(kZORAnalysedMeshShare * Length(highest - lowest)), false));
  values_.part->Evaluate(*values_.analysis);
  const ZORSurfaceMesh& mesh = values_.part->Mesh();
  return {mesh.positions, mesh.triangles, mesh.values, values_.analysis->Name(), values_.unit};
}

ZORPictureValues ZORPythonPart::Picture(const ZORPictureSettings& settings) {
  const std::lock_guard lock(mutex_);
  Ready(settings);
  ZORThrowIfProblem(ZORPreparePart(settings, *values_.part));
  ZORStages stages;
  ZORPictureValues picture;
  ZORPicturePartValues(settings, values_, picture, stages);
  return picture;
}

std::string ZORPythonPart::Statistics(const ZORPictureSettings& settings, const ZORScaleRecipe& recipe,
                                      ZORPythonScale* scale) {
  const std::lock_guard lock(mutex_);
  Ready(settings);
  std::shared_ptr<const ZORScaleSnapshot> snapshot;
  if (scale != nullptr) {
    snapshot = scale->Snapshot();
  } else {
    const std::lock_guard module(ZORModuleMutex());
    ZORIStNewColorScale_var made;
    std::vector<std::string> done, warnings;
    ZORThrowIfProblem(ZORPrepareScale(ZORPythonHost(), recipe, values_, made, done, warnings));
    snapshot = std::make_shared<const ZORScaleSnapshot>(made.get());
  }
  const std::optional<ZORAreaStatistics> statistics =
      ZORMeasureArea(values_.area, *snapshot, recipe.Passing(), recipe.passShare);
  if (!statistics) throw ZORPythonProblem({ZORProblem::Kind::BadInput, Description() + ": no point of it has a value"});
  ZORLegendModel legend = ZORMakeLegend(*snapshot, nullptr);
  ZORAddAreaShares(*statistics, legend);
  const ZORInspection record{values_.analysis->Name() + " of " + values_.part->Title(), values_.analysis->Name(),
                             values_.unit, values_.lengthUnit, {}, {}, *statistics, legend, {}, std::nullopt};
  return ZORInspectionJson(record);
}

std::vector<double> ZORPythonPart::DeviationAt(const ZORPictureSettings& settings, const std::vector<ZORVec3>& points) {
  const std::lock_guard lock(mutex_);
  if (settings.parameters.referencePath.empty()) {
    throw ZORPythonProblem({ZORProblem::Kind::Usage, "the deviation needs a reference"});
  }
  Ready(settings);
  std::vector<double> deviations(points.size());
  const ZORSurfaceAnalysis& analysis = *values_.analysis;
  ZORInParallel(points.size(), 256, ZORThreadCount(settings.threads), [&](int, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
      ZORSurfacePoint point;
      point.position = points[i];
      deviations[i] = analysis.ValueAt(point);
    }
  });
  return deviations;
}
