// What a part's picture costs, stage by stage: read, mesh, the values measured over the whole
// part, rasterize, the analysis at each pixel
// (beside the CAD kernel's own local-property evaluation at the same surface points), paint and
// write; on the sample part at the default size and on a torus at 1920 x 1080; and the whole
// render with its peak memory. Each stage's ratio is to the whole render of its subject; the
// analysis's is to the kernel's evaluation.
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRep_Tool.hxx>
#include <GeomLProp_SLProps.hxx>
#include <Precision.hxx>
#include <STEPControl_Writer.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "bench/BenchSupport.h"
#include "bench/ZorhostBenchSupport.h"
#include "zorhost/scale/AnalysisOptions.h"
#include "zorhost/palettes/ColorRamps.h"
#include "zorhost/scale/ScaleEdits.h"
#include "zorhost/scale/ScaleSnapshot.h"
#include "zorhost/figure/ImageFiles.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/render/Render.h"
#include "zorhost/picture/PictureSteps.h"
#include "zorhost/surface/Analysis.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/PartPicture.h"

namespace {

namespace fs = std::filesystem;

struct Subject {
  const char* name;
  int width;
  int height;
  TopoDS_Shape (*shape)();
};

TopoDS_Shape Torus() { return BRepPrimAPI_MakeTorus(5.0, 1.5).Shape(); }

const Subject kSubjects[] = {{"sample", 1024, 768, &ZORSampleShape},
                             {"torus", 1920, 1080, &Torus}};

// Where the subjects' STEP files and the renders go; removed when the run ends.
const fs::path& WorkFolder() {
  static const fs::path folder = [] {
    fs::path made = fs::temp_directory_path() / ("zor-bench-surface-" + std::to_string(getpid()));
    fs::create_directories(made);
    return made;
  }();
  return folder;
}

// A subject written to STEP, read back as zorhost reads it, and pictured: what each stage starts
// from.
struct Staged {
  std::string stepPath;
  std::unique_ptr<ZORPart> part;
  double deflection = 0.0;
  std::unique_ptr<ZORSurfaceAnalysis> analysis = ZORMakeCurvatureAnalysis(ZORAnalysis::Gaussian);
  ZORCamera camera;
  ZORRaster raster;
  ZORPartPicture picture;
  std::vector<std::array<double, 2>> pixelParameters;  // the (u, v) each covered pixel sees
};


Staged& Stage(int index) {
  static std::map<int, Staged> staged;
  if (auto found = staged.find(index); found != staged.end()) return found->second;
  const Subject& subject = kSubjects[index];
  Staged& s = staged[index];
  ZORQuietKernel();
  s.stepPath = (WorkFolder() / (std::string(subject.name) + ".step")).string();
  STEPControl_Writer writer;
  writer.Transfer(subject.shape(), STEPControl_AsIs);
  if (writer.Write(s.stepPath.c_str()) != IFSelect_RetDone) ZORBenchFail("cannot write " + s.stepPath);
  if (ZOROutcome problem = ZORReadPart(s.stepPath, s.part)) ZORBenchFail(problem->message);
  s.deflection = ZORPictureDeflection(*s.part, subject.width, subject.height, 1.0);
  if (ZOROutcome problem = s.part->Prepare(s.deflection)) ZORBenchFail(problem->message);
  s.camera = ZORFitCameraToMesh(*s.part, ZORViewpoint{}, subject.width, subject.height);
  s.raster = ZORRasterizePart(*s.part, s.camera, subject.width, subject.height);
  ZOREvaluatePixels(*s.part, *s.analysis, s.raster, s.camera, s.picture);
  const ZORSurfaceMesh& mesh = s.part->Mesh();
  for (std::size_t i = 0; i < s.raster.triangle.size(); ++i) {
    if (s.raster.triangle[i] < 0) continue;
    const ZORTriangle& t = mesh.triangles[static_cast<std::size_t>(s.raster.triangle[i])];
    std::array<double, 2> uv{0.0, 0.0};
    const std::array<double, 3> at = s.raster.Barycentric(i);
    for (int k = 0; k < 3; ++k) {
      const std::array<double, 2>& p = mesh.parameters[static_cast<std::size_t>(t[k])];
      uv[0] += at[k] * p[0];
      uv[1] += at[k] * p[1];
    }
    s.pixelParameters.push_back(uv);
  }
  return s;
}


void Name(benchmark::State& state) { state.SetLabel(kSubjects[state.range(0)].name); }

void BM_Read(benchmark::State& state) {
  const Staged& s = Stage(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::unique_ptr<ZORPart> part;
    benchmark::DoNotOptimize(ZORReadPart(s.stepPath, part));
  }
  state.SetItemsProcessed(state.iterations());
  Name(state);
}

// Meshing a part for the first time, as a run does: a fresh part each time, since the kernel
// keeps a face's mesh once made.
void MeshFresh(benchmark::State& state, double deflection) {
  const Subject& subject = kSubjects[state.range(0)];
  std::size_t nodes = 0, triangles = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<ZORPart> part = ZORMakeCadPart(subject.name, subject.shape());
    state.ResumeTiming();
    if (ZOROutcome problem = part->Prepare(deflection)) ZORBenchFail(problem->message);
    nodes = part->Mesh().positions.size();
    triangles = part->Mesh().triangles.size();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["triangles"] = static_cast<double>(triangles);
  Name(state);
}

void BM_Mesh(benchmark::State& state) {
  MeshFresh(state, Stage(static_cast<int>(state.range(0))).deflection);
}

// The mesh of a picture far larger than any screen: the deflection stops at a 5000th of the
// part's size, so the mesh stays bounded however large the picture.
void BM_MeshForAHugePicture(benchmark::State& state) {
  constexpr int kHuge = 16384;
  MeshFresh(state, ZORPictureDeflection(*Stage(static_cast<int>(state.range(0))).part, kHuge, kHuge, 1.0));
}

// The values the scale's options act on, measured over the whole part: the same for every view
// and size, so its cost is beside the render's, not a part of each frame.
void BM_MeasureWholePart(benchmark::State& state) {
  const Staged& s = Stage(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::vector<double> values;
    for (const ZORSurfacePoint& point : s.part->AreaPoints(kZORPartSampleSize, 0).points) values.push_back(s.analysis->ValueAt(point));
    benchmark::DoNotOptimize(ZORMeasure(values, {}));
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["points"] = static_cast<double>(kZORPartSampleSize);
  Name(state);
}

void BM_Rasterize(benchmark::State& state) {
  const Staged& s = Stage(static_cast<int>(state.range(0)));
  const Subject& subject = kSubjects[state.range(0)];
  for (auto _ : state) {
    benchmark::DoNotOptimize(ZORRasterizePart(*s.part, s.camera, subject.width, subject.height));
  }
  state.SetItemsProcessed(state.iterations());
  Name(state);
}

void BM_AnalysisPerPixel(benchmark::State& state) {
  const Staged& s = Stage(static_cast<int>(state.range(0)));
  ZORPartPicture picture;
  for (auto _ : state) ZOREvaluatePixels(*s.part, *s.analysis, s.raster, s.camera, picture);
  state.SetItemsProcessed(state.iterations());
  state.counters["points"] = static_cast<double>(s.pixelParameters.size());
  Name(state);
}

// The kernel's own evaluation of the curvatures at the same surface points, the pixels'.
void BM_KernelLocalProperties(benchmark::State& state) {
  const Staged& s = Stage(static_cast<int>(state.range(0)));
  TopExp_Explorer faces(kSubjects[state.range(0)].shape(), TopAbs_FACE);
  GeomLProp_SLProps props(BRep_Tool::Surface(TopoDS::Face(faces.Current())), 2, Precision::Confusion());
  for (auto _ : state) {
    double sum = 0.0;
    for (const std::array<double, 2>& uv : s.pixelParameters) {
      props.SetParameters(uv[0], uv[1]);
      if (props.IsCurvatureDefined()) sum += props.GaussianCurvature() + props.MeanCurvature();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["points"] = static_cast<double>(s.pixelParameters.size());
  Name(state);
}

void BM_Paint(benchmark::State& state) {
  const Staged& s = Stage(static_cast<int>(state.range(0)));
  ZORIStNewColorScale_var scale = ZORBenchModuleHost().NewScale();
  scale->SetTolerance(ZORHostSession::kDefaultModelTolerance);
  ZORMakeDefaultScale(scale.get(), 9);
  ZORApplyAnalysisOptions(scale.get(), ZORMeasure(s.picture.values, s.picture.covered));
  const ZORScalePainter painter(scale.get(), ZORFitScaleTolerance(scale.get()));
  std::vector<int> blocks(s.picture.values.size());
  std::vector<ZORRgba> colors(s.picture.values.size());
  ZORScalePainter::PaintOptions options;
  options.undefinedColorForNaN = true;
  for (auto _ : state) {
    painter.Paint(s.picture.values, blocks, colors, options);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  Name(state);
}

// The picture encoded twice, as a PNG and inside the SVG.
void BM_Write(benchmark::State& state) {
  const Subject& subject = kSubjects[state.range(0)];
  const Staged& s = Stage(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> rgba(s.picture.values.size() * 4);
  for (std::size_t i = 0; i < s.picture.values.size(); ++i) {
    const auto shade = static_cast<std::uint8_t>(255.0f * s.picture.light[i]);
    rgba[4 * i] = s.picture.covered[i] != 0 ? shade : 255;
    rgba[4 * i + 1] = static_cast<std::uint8_t>(i % 251);
    rgba[4 * i + 2] = 255;
    rgba[4 * i + 3] = 255;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(ZOREncodePng(subject.width, subject.height, rgba));
    benchmark::DoNotOptimize(ZORBase64(ZOREncodePng(subject.width, subject.height, rgba)));
  }
  state.SetItemsProcessed(state.iterations());
  Name(state);
}

// A line of the process's status, "VmRSS" (resident memory) or "VmHWM" (its peak since the last
// reset), in megabytes.
double StatusMegabytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  }
  return 0.0;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Renders as `options` say at every iteration; the megabytes of memory the renders added at
// their peak, above what the benchmarks before left resident.
double RenderEveryIteration(benchmark::State& state, const ZORRenderOptions& options) {
  std::ostringstream out, err;
  ResetPeak();
  const double before = StatusMegabytes("VmRSS");
  for (auto _ : state) {
    if (ZORRender(ZORBenchModuleHost(), options, out, err)) ZORBenchFail(err.str());
    out.str({});
  }
  return StatusMegabytes("VmHWM") - before;
}

void BM_WholeRender(benchmark::State& state) {
  const Subject& subject = kSubjects[state.range(0)];
  ZORRenderOptions options;
  options.source.partPath = Stage(static_cast<int>(state.range(0))).stepPath;
  options.picture.width = subject.width;
  options.picture.height = subject.height;
  options.outputs.prefix = (WorkFolder() / subject.name).string();
  state.counters["render_MB"] = RenderEveryIteration(state, options);
  state.SetItemsProcessed(state.iterations());
  Name(state);
}

// A picture of 4096 x 3072, the whole render, of the sample (0) or the example bracket (1), on
// one thread or two: its time, its peak memory in bytes a pixel above what was resident before.
void BM_BigRender(benchmark::State& state) {
  constexpr int kWidth = 4096, kHeight = 3072;
  ZORRenderOptions options;
  if (state.range(0) == 1) options.source.partPath = ZOR_EXAMPLE_PARTS "/bracket.step";
  options.picture.width = kWidth;
  options.picture.height = kHeight;
  options.picture.threads = static_cast<int>(state.range(1));
  options.outputs.prefix = (WorkFolder() / "big").string();
  state.counters["bytes_per_pixel"] = RenderEveryIteration(state, options) * 1024.0 * 1024.0 / (kWidth * kHeight);
  state.SetLabel(state.range(0) == 1 ? "bracket" : "sample");
}

std::string BaselineOf(const std::string& name) {
  const std::string subject = name.substr(name.find('/'));
  if (name.rfind("BM_AnalysisPerPixel", 0) == 0) return "BM_KernelLocalProperties" + subject;
  if (name.rfind("BM_WholeRender", 0) == 0 || name.rfind("BM_MeshForAHugePicture", 0) == 0 ||
      name.rfind("BM_BigRender", 0) == 0) {
    return {};
  }
  return "BM_WholeRender" + subject + "/real_time";
}

}  // namespace

BENCHMARK(BM_Read)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mesh)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeshForAHugePicture)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasureWholePart)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rasterize)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalysisPerPixel)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KernelLocalProperties)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paint)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRender)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BigRender)->ArgsProduct({{0, 1}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
  const int status = RunWithRatios(argc, argv, &BaselineOf);
  fs::remove_all(WorkFolder());
  return status;
}
