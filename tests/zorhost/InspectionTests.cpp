// Inspections through zorhost render, as a user asks for them: parts against offset copies of
// themselves and of analytic shapes, whose deviations, shares of area and verdicts are known; the
// record's schema; callouts seen and hidden; what is refused.
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <BRepOffsetAPI_MakeOffsetShape.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepPrimAPI_MakeCone.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <STEPControl_Reader.hxx>
#include <STEPControl_Writer.hxx>
#include <gp_Pln.hxx>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <numbers>

#include "ZorhostRun.h"
#include "support/ZORTestSupport.h"
#include "zorhost/surface/CadKernel.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class Inspection : public ZORModuleTest {
 protected:
  fs::path Folder() { return fs::path(settings_.Path()).parent_path(); }
  void Write(const TopoDS_Shape& shape, const std::string& name) {
    ZORQuietKernel();
    STEPControl_Writer writer;
    writer.Transfer(shape, STEPControl_AsIs);
    ASSERT_EQ(writer.Write((Folder() / name).c_str()), IFSelect_RetDone);
  }
  // The record of `part` measured against `reference` with `options`, small pictures.
  json Record(const std::string& part, const std::string& reference, const std::string& options) {
    const ProgramRun run = Zorhost(Folder(), "render " + part + " --analysis deviation --reference " + reference +
                                                 " --size 160x120 --stats-out record.json --out inspected " + options);
    EXPECT_EQ(run.status, 0) << run.errors;
    output_ = run.output;
    return json::parse(ReadWholeFile((Folder() / "record.json").string()));
  }
  std::string output_;
  ZORTemporarySettingsFolder settings_;
};

TEST_F(Inspection, AnalyticPartsGiveTheirKnownDeviationsSharesAndVerdicts) {
  // A sphere of 5 inside one of 5.1: -0.1 everywhere, below a tolerance of +-0.05, within one
  // from -0.15 to -0.05.
  Write(BRepPrimAPI_MakeSphere(5.0).Shape(), "inner.step");
  Write(BRepPrimAPI_MakeSphere(5.1).Shape(), "outer.step");
  json record = Record("inner.step", "outer.step", "--tolerance 0.05");
  EXPECT_EQ(record["schema"], "zorhost-inspection");
  EXPECT_EQ(record["version"], 1);
  EXPECT_EQ(record["unit"], "mm");
  EXPECT_NEAR(record["minimum"]["value"].get<double>(), -0.1, 1e-9);
  EXPECT_NEAR(record["maximum"]["value"].get<double>(), -0.1, 1e-9);
  EXPECT_NEAR(record["mean"].get<double>(), -0.1, 1e-9);
  EXPECT_LT(record["standardDeviation"].get<double>(), 1e-9);
  EXPECT_NEAR(record["area"].get<double>(), 4.0 * std::numbers::pi * 25.0, 1e-6 * 4.0 * std::numbers::pi * 25.0);
  EXPECT_EQ(record["tolerance"]["below"], 100.0);
  EXPECT_EQ(record["tolerance"]["verdict"], "fail");
  EXPECT_NE(output_.find("statistics: fail: 0.0 % of the area within \u00b10.05 mm (at least 100 % must be)"),
            std::string::npos) << output_;
  record = Record("inner.step", "outer.step", "--tolerance -0.15,-0.05");
  EXPECT_EQ(record["tolerance"]["within"], 100.0);
  EXPECT_EQ(record["tolerance"]["verdict"], "pass");

  // A cylinder of 3 by 10 inside a longer one of 3.2: its side at -0.2, its caps from -1 to -0.2
  // (the nearer of the wall and the far cap). From -0.25 to -0.15 hold the side and the caps'
  // rims from radius 2.95 out: (60 + 2 (9 - 2.95^2)) / 78 of the area.
  Write(BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1)), 3.0, 10.0).Shape(), "cylinder.step");
  Write(BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, -1), gp_Dir(0, 0, 1)), 3.2, 12.0).Shape(), "around.step");
  record = Record("cylinder.step", "around.step", "--tolerance -0.25,-0.15 --pass-share 75");
  const double expected = 100.0 * (60.0 + 2.0 * (9.0 - 2.95 * 2.95)) / 78.0;
  EXPECT_NEAR(record["tolerance"]["within"].get<double>(), expected, 0.7);
  EXPECT_NEAR(record["tolerance"]["below"].get<double>(), 100.0 - expected, 0.7);
  EXPECT_EQ(record["tolerance"]["verdict"], "pass");
  EXPECT_NEAR(record["minimum"]["value"].get<double>(), -1.0, 0.05);
  EXPECT_NEAR(record["maximum"]["value"].get<double>(), -0.2, 1e-9);
  double shares = 0.0;
  for (const json& block : record["blocks"]) shares += block["areaShare"].get<double>();
  EXPECT_NEAR(shares, 100.0, 1e-9);

  // A cone against itself, and a square lying on a face of the cylinder's cap plane: 0.
  Write(BRepPrimAPI_MakeCone(6.0, 2.0, 10.0).Shape(), "cone.step");
  record = Record("cone.step", "cone.step", "--tolerance 1e-6");
  EXPECT_LE(std::fabs(record["minimum"]["value"].get<double>()), 1e-9 * 20.0);
  EXPECT_LE(std::fabs(record["maximum"]["value"].get<double>()), 1e-9 * 20.0);
  EXPECT_EQ(record["tolerance"]["verdict"], "pass");
  Write(BRepBuilderAPI_MakeFace(gp_Pln(gp_Pnt(0, 0, 10), gp_Dir(0, 0, 1)), -1, 1, -1, 1).Shape(), "lid.step");
  record = Record("lid.step", "cylinder.step", "");
  EXPECT_LE(std::fabs(record["minimum"]["value"].get<double>()), 1e-9 * 20.0);
  EXPECT_LE(std::fabs(record["maximum"]["value"].get<double>()), 1e-9 * 20.0);
}

TEST_F(Inspection, TheBracketAgainstItselfAndAnOffsetCopy) {
  const std::string bracket = "'" ZOR_EXAMPLE_PARTS "/bracket.step'";
  json record = Record(bracket, bracket, "--tolerance 1e-6 --callouts extremes");
  const double size = 120.0;  // its box's diagonal, about
  EXPECT_LE(std::fabs(record["minimum"]["value"].get<double>()), 1e-9 * size);
  EXPECT_LE(std::fabs(record["maximum"]["value"].get<double>()), 1e-9 * size);
  EXPECT_EQ(record["inputs"].size(), 2u);
  EXPECT_EQ(record["inputs"][0]["sha256"], record["inputs"][1]["sha256"]);
  EXPECT_EQ(record["inputs"][0]["sha256"].get<std::string>().size(), 64u);
  EXPECT_EQ(record["inputs"][0]["lengthUnit"], "mm");

  // Grown by 0.05 all over: the bracket lies 0.05 inside it everywhere, the worst outside
  // +-0.01 below it, none above.
  STEPControl_Reader reader;
  ASSERT_EQ(reader.ReadFile(ZOR_EXAMPLE_PARTS "/bracket.step"), IFSelect_RetDone);
  reader.TransferRoots();
  BRepOffsetAPI_MakeOffsetShape grown;
  grown.PerformByJoin(reader.OneShape(), 0.05, 1e-7);
  ASSERT_TRUE(grown.IsDone());
  Write(grown.Shape(), "grown.step");
  record = Record(bracket, "grown.step", "--tolerance 0.01 --callouts extremes");
  EXPECT_NEAR(record["minimum"]["value"].get<double>(), -0.05, 1e-7);
  EXPECT_NEAR(record["maximum"]["value"].get<double>(), -0.05, 1e-7);
  EXPECT_EQ(record["tolerance"]["below"], 100.0);
  EXPECT_EQ(record["tolerance"]["verdict"], "fail");
  EXPECT_TRUE(record["tolerance"]["worstAbove"].is_null());
  ASSERT_FALSE(record["tolerance"]["worstBelow"].is_null());
  EXPECT_GE(record["callouts"].size(), 2u);
  EXPECT_EQ(record["callouts"][0]["what"], "minimum");
  record = Record(bracket, "grown.step", "--tolerance 0.06");
  EXPECT_EQ(record["tolerance"]["verdict"], "pass");
}

// The value a probe of the centre pixel tells, from "probe 80,60: value VALUE UNIT, ...".
double ProbedValue(const std::string& output) {
  const std::string said = "probe 80,60: value ";
  const std::size_t at = output.find(said);
  return at == std::string::npos ? std::nan("") : std::stod(output.substr(at + said.size()));
}

TEST_F(Inspection, IsophotesAndReflectionLinesOfASphere) {
  Write(BRepPrimAPI_MakeSphere(5.0).Shape(), "sphere.step");
  // Over a sphere, the angle against any direction is spread by the cosine: a stripe from a to b
  // degrees holds (cos a - cos b) / 2 of the area, and the mean angle is 90.
  const ProgramRun run = Zorhost(Folder(), "render sphere.step --analysis isophote --light 0,0,1 --stripes 30 "
                                           "--size 160x120 --stats-out record.json --out stripes");
  ASSERT_EQ(run.status, 0) << run.errors;
  const json record = json::parse(ReadWholeFile((Folder() / "record.json").string()));
  EXPECT_EQ(record["unit"], "\u00b0");
  EXPECT_NEAR(record["mean"].get<double>(), 90.0, 1.0);
  ASSERT_EQ(record["blocks"].size(), 6u);
  for (std::size_t k = 0; k < 6; ++k) {
    const double from = 30.0 * static_cast<double>(k) * std::numbers::pi / 180.0, to = from + std::numbers::pi / 6.0;
    EXPECT_NEAR(record["blocks"][k]["areaShare"].get<double>(), 50.0 * (std::cos(from) - std::cos(to)), 1.0) << k;
  }
  // Seen from the front, the middle of the sphere faces the viewer: its isophote toward the viewer
  // is 0; the view ray it reflects goes back to the viewer, 90 degrees from +z, 0 from the viewer.
  for (const auto& [options, expected] : {std::pair{"--analysis isophote", 0.0}, std::pair{"--analysis reflection", 90.0},
                                          std::pair{"--analysis reflection --light 0,-1,0", 0.0}}) {
    const ProgramRun probed = Zorhost(Folder(), std::string("render sphere.step --view front --size 160x120 --probe 80,60 ") +
                                                    options + " --out probed");
    ASSERT_EQ(probed.status, 0) << probed.errors;
    EXPECT_NEAR(ProbedValue(probed.output), expected, 2.0) << options << "\n" << probed.output;
  }
  for (const char* refused : {"--analysis mean --light 0,0,1", "--analysis mean --stripes 10", "--analysis isophote --stripes 0.1",
                              "--analysis isophote --stripes 10 --preset viridis", "--analysis reflection --light 0,0,0"}) {
    const ProgramRun bad = Zorhost(Folder(), std::string("render sphere.step ") + refused + " --out refused");
    EXPECT_EQ(bad.status, 2) << refused << "\n" << bad.errors;
  }
}

TEST_F(Inspection, AMinimumWallOnATube) {
  // A tube of radii 10 and 8, 30 long, stood on its end: its walls 2 thick, its ends 30 by the
  // ray. Under a minimum of 2.5, the walls fail and the ends pass: the ends' share of the area
  // is theirs, 2 x pi (10^2 - 8^2) over the whole.
  const gp_Ax2 axis(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1));
  Write(BRepAlgoAPI_Cut(BRepPrimAPI_MakeCylinder(axis, 10.0, 30.0).Shape(), BRepPrimAPI_MakeCylinder(axis, 8.0, 30.0).Shape())
            .Shape(),
        "tube.step");
  const ProgramRun run = Zorhost(Folder(), "render tube.step --analysis thickness --min-thickness 2.5 --size 160x120 "
                                           "--stats-out record.json --out walls");
  ASSERT_EQ(run.status, 0) << run.errors;
  const json record = json::parse(ReadWholeFile((Folder() / "record.json").string()));
  EXPECT_EQ(record["unit"], "mm");
  EXPECT_NEAR(record["minimum"]["value"].get<double>(), 2.0, 1e-6);
  const double ends = 2.0 * (100.0 - 64.0), sides = 2.0 * 30.0 * (10.0 + 8.0);
  EXPECT_NEAR(record["tolerance"]["within"].get<double>(), 100.0 * ends / (ends + sides), 1.0) << record.dump(1);
  EXPECT_EQ(record["tolerance"]["verdict"], "fail");
  // Seen from the front, the middle of the tube is its outer wall.
  for (const char* method : {"ray", "sphere"}) {
    const ProgramRun probed = Zorhost(Folder(), std::string("render tube.step --view front --size 160x120 --probe 80,60 "
                                                            "--analysis thickness --thickness ") + method + " --out probed");
    ASSERT_EQ(probed.status, 0) << probed.errors;
    EXPECT_NEAR(ProbedValue(probed.output), 2.0, 1e-6) << method << "\n" << probed.output;
  }
  for (const char* refused : {"--analysis mean --min-thickness 2", "--analysis thickness --min-thickness 0",
                              "--analysis thickness --thickness cube", "--analysis thickness --min-thickness 2 --preset viridis"}) {
    const ProgramRun bad = Zorhost(Folder(), std::string("render tube.step ") + refused + " --out refused");
    EXPECT_EQ(bad.status, 2) << refused << "\n" << bad.errors;
  }
}

TEST_F(Inspection, EdgesOfAFilletedBlockDrawnListedAndReported) {
  // A block 20 x 20 x 10, its upright edges rounded by 3: 8 tangent edges, 16 right angles.
  const TopoDS_Shape box = BRepPrimAPI_MakeBox(20.0, 20.0, 10.0).Shape();
  BRepFilletAPI_MakeFillet fillet(box);
  for (TopExp_Explorer edges(box, TopAbs_EDGE); edges.More(); edges.Next()) {
    const TopoDS_Edge& edge = TopoDS::Edge(edges.Current());
    if (std::fabs(BRep_Tool::Pnt(TopExp::FirstVertex(edge)).Z() - BRep_Tool::Pnt(TopExp::LastVertex(edge)).Z()) > 1.0) {
      fillet.Add(3.0, edge);  // each upright edge is visited twice, once a face: the maker keeps one
    }
  }
  Write(fillet.Shape(), "rounded.step");
  const ProgramRun plain = Zorhost(Folder(), "render rounded.step --analysis mean --size 200x150 --out plain");
  ASSERT_EQ(plain.status, 0) << plain.errors;
  const ProgramRun run = Zorhost(Folder(), "render rounded.step --analysis mean --size 200x150 --edges continuity "
                                           "--edge-measure curvature --edges-out edges.csv --report report.html --out edged");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("edges: 24 edges join two faces: 0 G2, 8 G1, 16 G0, 0 apart"), std::string::npos) << run.output;
  const std::string csv = ReadWholeFile((Folder() / "edges.csv").string());
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 25);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), 'G'), 24) << csv;  // a class each row
  const json record = json::parse(ReadWholeFile((Folder() / "report.json").string()));
  EXPECT_EQ(record["edges"]["counts"]["G1"], 8);
  EXPECT_EQ(record["edges"]["counts"]["G0"], 16);
  ASSERT_EQ(record["edges"]["list"].size(), 24u);
  EXPECT_NE(ReadWholeFile((Folder() / "report.html").string()).find("Continuity across the edges"), std::string::npos);
  // The edges are drawn, and their legend beside the picture's: the figure differs and is taller.
  EXPECT_NE(ReadWholeFile((Folder() / "plain.png").string()), ReadWholeFile((Folder() / "edged.png").string()));
  EXPECT_NE(ReadWholeFile((Folder() / "edged.svg").string()).find("edges: the largest relative jump of curvature"),
            std::string::npos);
  for (const char* refused : {"--edges all", "--edge-measure gap", "--edges continuity --edge-measure slope",
                              "--edges-out ''"}) {
    const ProgramRun bad = Zorhost(Folder(), std::string("render rounded.step ") + refused + " --out refused");
    EXPECT_EQ(bad.status, 2) << refused << "\n" << bad.errors;
  }
  const ProgramRun grid = Zorhost(Folder(), "render --sample field --edges continuity --out refused");
  EXPECT_EQ(grid.status, 2) << grid.errors;
}

TEST_F(Inspection, CalloutsSeenAndHiddenAndWhatIsRefused) {
  const std::string bracket = "'" ZOR_EXAMPLE_PARTS "/bracket.step'";
  // The top of the base plate is seen from above and hidden from below.
  for (const auto& [view, seen] : {std::pair{"top", true}, {"bottom", false}}) {
    const ProgramRun run = Zorhost(Folder(), "render " + bracket + " --analysis mean --size 160x120 --view " + view +
                                                 " --callout 50,10,12 --out called");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.output.find("callout 1: "), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("(hidden in this view)") == std::string::npos, seen) << view << "\n" << run.output;
  }
  for (const char* refused : {"--callout 1,2", "--callout 1,2,nan", "--callouts all", "--report out.pdf",
                              "--report-views iso,sideways", "--pass-share 101", "--pass-share 50",
                              "--tolerance 0", "--tolerance 2,1", "--min-draft 2"}) {
    const ProgramRun run = Zorhost(Folder(), "render " + bracket + " --analysis mean " + refused + " --out refused");
    EXPECT_EQ(run.status, 2) << refused << "\n" << run.errors;
    EXPECT_FALSE(fs::exists(Folder() / "refused.png")) << refused;
  }
  const ProgramRun grid = Zorhost(Folder(), "render --sample field --stats-out s.json --out refused");
  EXPECT_EQ(grid.status, 2);
  EXPECT_NE(grid.errors.find("--stats-out is for a part's picture"), std::string::npos) << grid.errors;
}

}  // namespace
