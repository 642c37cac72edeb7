// What the analyses beyond curvature cost: the deviation at each pixel of the example scan
// against the bracket, beside the CAD kernel's own projection of the same points from a perfect
// start (its nearest point already known); the moulded cup's mesh against the cup's CAD surface,
// beside the same against its own mesh; a scan of 2 million triangles against the bracket,
// rendered whole at 1024 x 768; the draft at each pixel of the moulded cup beside its curvature;
// the bracket's pixels evaluated for isophotes, reflection lines and wall thickness beside its
// mean curvature, and the continuity of all its edges.
// Each ratio is to its baseline.
#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <Bnd_Box.hxx>
#include <BRep_Tool.hxx>
#include <Extrema_GenLocateExtPS.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench/BenchSupport.h"
#include "bench/ZorhostBenchSupport.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/render/Render.h"
#include "zorhost/surface/Analysis.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/PartPicture.h"
#include "zorhost/surface/Reference.h"
#include "zorhost/surface/Thickness.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;


std::unique_ptr<ZORPart> Read(const std::string& path) {
  std::unique_ptr<ZORPart> part;
  if (ZOROutcome problem = ZORReadPart(path, part)) ZORBenchFail(problem->message);
  return part;
}

std::shared_ptr<const ZORReference> MakeReference(std::unique_ptr<ZORPart> part) {
  std::unique_ptr<ZORReference> reference;
  if (ZOROutcome problem = ZORReference::Make(std::move(part), reference)) ZORBenchFail(problem->message);
  return reference;
}

// The surface points the pixels of a 1024 x 768 picture of `part` see.
std::vector<ZORSurfacePoint> PixelPoints(ZORPart& part) {
  if (ZOROutcome problem = part.Prepare(ZORPictureDeflection(part, kWidth, kHeight, 1.0))) ZORBenchFail(problem->message);
  const ZORCamera camera = ZORFitCameraToMesh(part, ZORViewpoint{}, kWidth, kHeight);
  const ZORRaster raster = ZORRasterizePart(part, camera, kWidth, kHeight);
  std::vector<ZORSurfacePoint> points;
  for (std::size_t i = 0; i < raster.triangle.size(); ++i) {
    if (raster.triangle[i] >= 0) points.push_back(part.PointAt(raster.triangle[i], raster.Barycentric(i)));
  }
  return points;
}

// The example scan's pixels against the bracket, and for each the face of the bracket nearest
// it and the parameters of its nearest point there: the kernel's perfect start.
struct ScanAgainstBracket {
  std::vector<ZORSurfacePoint> points;
  std::unique_ptr<ZORSurfaceAnalysis> deviation;
  std::vector<TopoDS_Face> faces;  // the bracket's, in the order its part numbers them
  struct Start {
    int face;
    double u, v;
  };
  std::vector<Start> starts;
};

ScanAgainstBracket& Scan() {
  static ScanAgainstBracket* scan = [] {
    ZORQuietKernel();
    auto* made = new ScanAgainstBracket;
    std::unique_ptr<ZORPart> part = Read(ZOR_EXAMPLE_PARTS "/bracket-scan.stl");
    made->points = PixelPoints(*part);
    const std::shared_ptr<const ZORReference> reference = MakeReference(Read(ZOR_EXAMPLE_PARTS "/bracket.step"));
    made->deviation = ZORMakeDeviationAnalysis(reference, {});
    STEPControl_Reader reader;
    if (reader.ReadFile(ZOR_EXAMPLE_PARTS "/bracket.step") != IFSelect_RetDone) ZORBenchFail("cannot read the bracket");
    reader.TransferRoots();
    for (TopExp_Explorer faces(reader.OneShape(), TopAbs_FACE); faces.More(); faces.Next()) {
      made->faces.push_back(TopoDS::Face(faces.Current()));
    }
    for (const ZORSurfacePoint& point : made->points) {
      const std::optional<ZORReference::Nearest> nearest = reference->NearestTo(point.position, 1e300);
      if (!nearest) continue;
      const TopoDS_Face& face = made->faces[static_cast<std::size_t>(nearest->point.face)];
      const gp_Pnt q(nearest->point.position.x, nearest->point.position.y, nearest->point.position.z);
      GeomAPI_ProjectPointOnSurf onFace(q, BRep_Tool::Surface(face));
      if (onFace.NbPoints() == 0) continue;
      double u = 0.0, v = 0.0;
      onFace.LowerDistanceParameters(u, v);
      made->starts.push_back({nearest->point.face, u, v});
    }
    return made;
  }();
  return *scan;
}

void BM_DeviationPerPixel(benchmark::State& state) {
  const ScanAgainstBracket& scan = Scan();
  for (auto _ : state) {
    double sum = 0.0;
    for (const ZORSurfacePoint& point : scan.points) sum += scan.deviation->ValueAt(point);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(scan.points.size()));
  state.counters["pixels"] = static_cast<double>(scan.points.size());
}

// The kernel's local search from the nearest point itself, on adaptors made beforehand.
void BM_KernelProjectionFromPerfectStart(benchmark::State& state) {
  const ScanAgainstBracket& scan = Scan();
  std::vector<std::unique_ptr<BRepAdaptor_Surface>> adaptors;
  for (const TopoDS_Face& face : scan.faces) adaptors.push_back(std::make_unique<BRepAdaptor_Surface>(face));
  for (auto _ : state) {
    double sum = 0.0;
    for (std::size_t i = 0; i < scan.starts.size(); ++i) {
      const ScanAgainstBracket::Start& start = scan.starts[i];
      const ZORVec3& p = scan.points[i].position;
      Extrema_GenLocateExtPS search(*adaptors[static_cast<std::size_t>(start.face)]);
      search.Perform(gp_Pnt(p.x, p.y, p.z), start.u, start.v, Standard_True);
      if (search.IsDone()) sum += search.SquareDistance();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(scan.starts.size()));
}

// Where the big scan is written, once it is.
std::string bigScanPath;

// The example scan's triangles each cut into 100 (10 along each edge): 2.26 million, as a binary
// STL, written once.
const std::string& BigScan() {
  static const std::string path = [] {
    const fs::path made = fs::temp_directory_path() / ("zor-bench-scan-" + std::to_string(getpid()) + ".stl");
    std::unique_ptr<ZORPart> part = Read(ZOR_EXAMPLE_PARTS "/bracket-scan.stl");
    static_cast<void>(part->Prepare(1.0));
    const ZORSurfaceMesh& mesh = part->Mesh();
    constexpr int kCuts = 10;
    const std::uint32_t count = static_cast<std::uint32_t>(mesh.triangles.size() * kCuts * kCuts);
    std::ofstream out(made, std::ios::binary);
    const std::string header(80, ' ');
    out.write(header.data(), 80);
    out.write(reinterpret_cast<const char*>(&count), 4);
    auto put = [&out](const ZORVec3& p) {
      const float xyz[3] = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
      out.write(reinterpret_cast<const char*>(xyz), sizeof xyz);
    };
    for (const ZORTriangle& t : mesh.triangles) {
      const ZORVec3 &a = mesh.positions[static_cast<std::size_t>(t[0])], &b = mesh.positions[static_cast<std::size_t>(t[1])],
                    &c = mesh.positions[static_cast<std::size_t>(t[2])];
      auto at = [&](int i, int j) {
        return (1.0 / kCuts) * ((kCuts - i - j) * a + static_cast<double>(i) * b + static_cast<double>(j) * c);
      };
      for (int i = 0; i < kCuts; ++i) {
        for (int j = 0; i + j < kCuts; ++j) {
          const ZORVec3 corners[2][3] = {{at(i, j), at(i + 1, j), at(i, j + 1)}, {at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)}};
          for (int k = 0; k < (i + j + 1 < kCuts ? 2 : 1); ++k) {
            const float normal[3] = {0, 0, 0};
            out.write(reinterpret_cast<const char*>(normal), sizeof normal);
            for (const ZORVec3& p : corners[k]) put(p);
            const std::uint16_t attributes = 0;
            out.write(reinterpret_cast<const char*>(&attributes), 2);
          }
        }
      }
    }
    bigScanPath = made.string();
    return bigScanPath;
  }();
  return path;
}


void BM_BigScanAgainstBracket(benchmark::State& state) {
  ZORRenderOptions options;
  options.source.partPath = BigScan();
  options.picture.analysis = ZORAnalysis::Deviation;
  options.picture.parameters.referencePath = ZOR_EXAMPLE_PARTS "/bracket.step";
  options.outputs.prefix = (fs::temp_directory_path() / ("zor-bench-big-" + std::to_string(getpid()))).string();
  options.timings = true;
  std::ostringstream out, err;
  for (auto _ : state) {
    out.str({});
    if (ZORRender(ZORBenchModuleHost(), options, out, err)) ZORBenchFail(err.str());
  }
  const std::string summary = out.str();
  const std::size_t part = summary.find("part: ");
  state.SetLabel(summary.substr(part, summary.find('\n', part) - part));
  std::fprintf(stderr, "%s", summary.substr(summary.find("timings: ")).c_str());
  for (const char* extension : {".png", ".svg"}) fs::remove(options.outputs.prefix + extension);
}

// The example scan against the bracket rendered at 1024 x 768, and the same with its inspection:
// the statistics, the callouts at the extremes, the record and the report of four views.
void RenderScan(benchmark::State& state, bool inspected) {
  ZORRenderOptions options;
  options.source.partPath = ZOR_EXAMPLE_PARTS "/bracket-scan.stl";
  options.picture.analysis = ZORAnalysis::Deviation;
  options.picture.parameters.referencePath = ZOR_EXAMPLE_PARTS "/bracket.step";
  const std::string prefix = (fs::temp_directory_path() / ("zor-bench-report-" + std::to_string(getpid()))).string();
  options.outputs.prefix = prefix;
  if (inspected) {
    options.scale.tolerance = ZORToleranceBand{-0.1, 0.1};
    options.inspection.extremeCallouts = true;
    options.inspection.statisticsPath = prefix + "-record.json";
    options.inspection.reportPath = prefix + "-report.html";
  }
  std::ostringstream out, err;
  for (auto _ : state) {
    if (ZORRender(ZORBenchModuleHost(), options, out, err)) ZORBenchFail(err.str());
  }
  state.SetItemsProcessed(state.iterations());
  for (const std::string& written : {prefix + ".png", prefix + ".svg", prefix + "-record.json", prefix + "-report.html",
                                     prefix + "-report.json"}) {
    fs::remove(written);
  }
}
void BM_ScanRendered(benchmark::State& state) { RenderScan(state, false); }
void BM_ScanRenderedInspectedAndReported(benchmark::State& state) { RenderScan(state, true); }

// The moulded cup's pixels: its draft, and its mean curvature, from the same points.
const std::vector<ZORSurfacePoint>& Cup() {
  static const std::vector<ZORSurfacePoint> points = [] {
    std::unique_ptr<ZORPart> part = Read(ZOR_EXAMPLE_PARTS "/moulded.step");
    return PixelPoints(*part);
  }();
  return points;
}

void Evaluate(benchmark::State& state, const ZORSurfaceAnalysis& analysis) {
  const std::vector<ZORSurfacePoint>& points = Cup();
  for (auto _ : state) {
    double sum = 0.0;
    for (const ZORSurfacePoint& point : points) sum += analysis.ValueAt(point);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
}

// The moulded cup's mesh, as the picture meshes it, against the cup itself: its CAD surface, the
// points within the mesh's deflection of it (nearly coincident); its own mesh (coincident, no
// exact surface to search); and the CAD cup 3 % larger about its middle, up to a millimetre away
// (distant).
struct CupMeshAgainstCup {
  std::vector<ZORSurfacePoint> points;
  std::unique_ptr<ZORSurfaceAnalysis> fromCad, fromMesh, fromLargerCad;
};

std::unique_ptr<ZORPart> LargerCup() {
  STEPControl_Reader reader;
  if (reader.ReadFile(ZOR_EXAMPLE_PARTS "/moulded.step") != IFSelect_RetDone) ZORBenchFail("cannot read the cup");
  reader.TransferRoots();
  const TopoDS_Shape cup = reader.OneShape();
  Bnd_Box box;
  BRepBndLib::Add(cup, box);
  gp_Trsf larger;
  larger.SetScale(gp_Pnt((box.CornerMin().XYZ() + box.CornerMax().XYZ()) / 2.0), 1.03);
  return ZORMakeCadPart("the cup, 3 % larger", BRepBuilderAPI_Transform(cup, larger, true).Shape(), "mm");
}

const CupMeshAgainstCup& CupMesh() {
  static const CupMeshAgainstCup* cup = [] {
    auto* made = new CupMeshAgainstCup;
    std::unique_ptr<ZORPart> cad = Read(ZOR_EXAMPLE_PARTS "/moulded.step");
    if (ZOROutcome problem = cad->Prepare(ZORPictureDeflection(*cad, kWidth, kHeight, 1.0))) ZORBenchFail(problem->message);
    ZORSurfaceMesh mesh;
    mesh.positions = cad->Mesh().positions;
    mesh.triangles = cad->Mesh().triangles;
    std::unique_ptr<ZORPart> meshPart = ZORMakeMeshPart("the cup's mesh", mesh);
    made->points = PixelPoints(*meshPart);
    made->fromCad = ZORMakeDeviationAnalysis(MakeReference(Read(ZOR_EXAMPLE_PARTS "/moulded.step")), {});
    made->fromMesh = ZORMakeDeviationAnalysis(MakeReference(ZORMakeMeshPart("the cup's mesh", mesh)), {});
    made->fromLargerCad = ZORMakeDeviationAnalysis(MakeReference(LargerCup()), {});
    return made;
  }();
  return *cup;
}

void EvaluateCupMesh(benchmark::State& state, const ZORSurfaceAnalysis& analysis) {
  const CupMeshAgainstCup& cup = CupMesh();
  for (auto _ : state) {
    double sum = 0.0;
    for (const ZORSurfacePoint& point : cup.points) sum += analysis.ValueAt(point);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(cup.points.size()));
}

void BM_CupMeshAgainstCupCad(benchmark::State& state) { EvaluateCupMesh(state, *CupMesh().fromCad); }
void BM_CupMeshAgainstItsMesh(benchmark::State& state) { EvaluateCupMesh(state, *CupMesh().fromMesh); }
void BM_CupMeshAgainstLargerCupCad(benchmark::State& state) { EvaluateCupMesh(state, *CupMesh().fromLargerCad); }

void BM_DraftPerPixel(benchmark::State& state) { Evaluate(state, *ZORMakeDraftAnalysis({0, 0, 1})); }
void BM_MeanCurvaturePerPixel(benchmark::State& state) { Evaluate(state, *ZORMakeCurvatureAnalysis(ZORAnalysis::Mean)); }
void BM_IsophotePerPixel(benchmark::State& state) { Evaluate(state, *ZORMakeIsophoteAnalysis({1, -1, 1})); }
void BM_ReflectionPerPixel(benchmark::State& state) { Evaluate(state, *ZORMakeReflectionAnalysis({1, -1, 1}, {0, 0, 1})); }

// The bracket's picture at 1024 x 768, made once: each pixel's work is the render's own stage, the
// surface point it sees evaluated and the analysis asked there, on one thread.
struct BracketPicture {
  std::unique_ptr<ZORPart> part;
  ZORCamera camera;
  ZORRaster raster;
  std::shared_ptr<const ZORReference> solid;  // the bracket again, as its walls' solid
};

BracketPicture& Bracket() {
  static BracketPicture* bracket = [] {
    auto* made = new BracketPicture;
    made->part = Read(ZOR_EXAMPLE_PARTS "/bracket.step");
    if (ZOROutcome problem = made->part->Prepare(ZORPictureDeflection(*made->part, kWidth, kHeight, 1.0))) {
      ZORBenchFail(problem->message);
    }
    made->camera = ZORFitCameraToMesh(*made->part, ZORViewpoint{}, kWidth, kHeight);
    made->raster = ZORRasterizePart(*made->part, made->camera, kWidth, kHeight);
    made->solid = MakeReference(Read(ZOR_EXAMPLE_PARTS "/bracket.step"));
    return made;
  }();
  return *bracket;
}

void EvaluateBracket(benchmark::State& state, const ZORSurfaceAnalysis& analysis) {
  const BracketPicture& bracket = Bracket();
  ZORPartPicture picture;
  for (auto _ : state) {
    ZOREvaluatePixels(*bracket.part, analysis, bracket.raster, bracket.camera, picture, 1);
    benchmark::DoNotOptimize(picture.values.data());
  }
  const auto seen = std::count_if(bracket.raster.triangle.begin(), bracket.raster.triangle.end(), [](int t) { return t >= 0; });
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(seen));
}

void BM_BracketMeanCurvaturePixels(benchmark::State& state) {
  EvaluateBracket(state, *ZORMakeCurvatureAnalysis(ZORAnalysis::Mean));
}
void BM_BracketIsophotePixels(benchmark::State& state) { EvaluateBracket(state, *ZORMakeIsophoteAnalysis({1, -1, 1})); }
void BM_BracketReflectionPixels(benchmark::State& state) {
  EvaluateBracket(state, *ZORMakeReflectionAnalysis({1, -1, 1}, {0, 0, 1}));
}
void BM_BracketThicknessPixels(benchmark::State& state) {
  EvaluateBracket(state, *ZORMakeThicknessAnalysis(Bracket().solid, ZORThicknessMethod::Ray));
}
void BM_BracketThicknessByBallPixels(benchmark::State& state) {
  EvaluateBracket(state, *ZORMakeThicknessAnalysis(Bracket().solid, ZORThicknessMethod::Sphere));
}

// The continuity across every edge of the bracket that joins two faces.
void BM_BracketEdgesContinuity(benchmark::State& state) {
  const ZORPart& part = *Bracket().part;
  std::size_t edges = 0;
  for (auto _ : state) edges = part.EdgesContinuity().size();
  state.counters["edges"] = static_cast<double>(edges);
}

std::string BaselineOf(const std::string& name) {
  if (name.rfind("BM_DeviationPerPixel", 0) == 0) return "BM_KernelProjectionFromPerfectStart";
  for (const char* angle : {"BM_DraftPerPixel", "BM_IsophotePerPixel", "BM_ReflectionPerPixel"}) {
    if (name.rfind(angle, 0) == 0) return "BM_MeanCurvaturePerPixel";
  }
  for (const char* pixels : {"BM_BracketIsophotePixels", "BM_BracketReflectionPixels", "BM_BracketThicknessPixels",
                             "BM_BracketThicknessByBallPixels"}) {
    if (name.rfind(pixels, 0) == 0) return "BM_BracketMeanCurvaturePixels";
  }
  if (name.rfind("BM_CupMeshAgainstCupCad", 0) == 0) return "BM_CupMeshAgainstLargerCupCad";
  if (name.rfind("BM_ScanRenderedInspectedAndReported", 0) == 0) return "BM_ScanRendered/real_time";
  if (name.rfind("BM_CupMeshAgainstLargerCupCad", 0) == 0) return "BM_CupMeshAgainstItsMesh";
  return {};
}

}  // namespace

BENCHMARK(BM_DeviationPerPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KernelProjectionFromPerfectStart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CupMeshAgainstCupCad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CupMeshAgainstLargerCupCad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CupMeshAgainstItsMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DraftPerPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeanCurvaturePerPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsophotePerPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReflectionPerPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BracketMeanCurvaturePixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BracketIsophotePixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BracketReflectionPixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BracketThicknessPixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BracketThicknessByBallPixels)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BracketEdgesContinuity)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanRendered)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanRenderedInspectedAndReported)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BigScanAgainstBracket)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
  const int status = RunWithRatios(argc, argv, &BaselineOf);
  if (!bigScanPath.empty()) fs::remove(bigScanPath);
  return status;
}
