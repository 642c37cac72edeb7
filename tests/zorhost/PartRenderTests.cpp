// `zorhost render PART` as a user runs it: parts that render, what they write, and bad files
// refused without a file written.
#include <BRepPrimAPI_MakeTorus.hxx>
#include <STEPControl_Writer.hxx>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "support/ZORTestSupport.h"
#include "ZorhostRun.h"
#include "zor/ZORSettingRepository.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/picture/ValueGrid.h"
#include "zorhost/scale/ScaleSnapshot.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/PartPicture.h"

namespace {

namespace fs = std::filesystem;

class PartRender : public ZORModuleTest {
 protected:
  fs::path Folder() { return fs::path(settings_.Path()).parent_path(); }
  void WriteTorus() {
    ZORQuietKernel();
    STEPControl_Writer writer;
    writer.Transfer(BRepPrimAPI_MakeTorus(5.0, 1.5).Shape(), STEPControl_AsIs);
    ASSERT_EQ(writer.Write((Folder() / "torus.step").c_str()), IFSelect_RetDone);
  }
  // Runs that are refused: each exits with its status, says what it must, and writes nothing.
  struct Refusal {
    std::string arguments;
    int status;
    std::string said;
  };
  template <std::size_t N>
  void ExpectRefused(const Refusal (&cases)[N]) {
    for (const Refusal& c : cases) {
      const ProgramRun run = Zorhost(Folder(), c.arguments);
      EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.errors;
      EXPECT_NE(run.errors.find(c.said), std::string::npos) << c.arguments << "\n" << run.errors;
      EXPECT_FALSE(fs::exists(Folder() / "refused.png")) << c.arguments;
    }
  }
  ZORTemporarySettingsFolder settings_;
};

TEST_F(PartRender, UnshadedPixelsAreTheScalesColorsOfTheValuesWritten) {
  WriteTorus();
  const ProgramRun run = Zorhost(Folder(), "render torus.step --analysis mean --shading none "
                                           "--size 200x150 --values-out values.csv --legend none "
                                           "--range 0.2,0.4 --mesh-out torus.ply "
                                           "--save-settings torus --out a");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("mean curvature of torus.step (1/mm), 200 x 150 pixels"), std::string::npos)
      << run.output;
  // The values written, repainted through the same scale, give the same picture, background
  // included, and the same count in every block.
  const ProgramRun repaint = Zorhost(Folder(), "render --values values.csv --settings torus --legend none --out b");
  ASSERT_EQ(repaint.status, 0) << repaint.errors;
  const std::vector<std::uint8_t> a = Decode(Folder() / "a.png").rgba;
  const std::vector<std::uint8_t> b = Decode(Folder() / "b.png").rgba;
  ASSERT_EQ(a.size(), static_cast<std::size_t>(200 * 150 * 4));
  EXPECT_EQ(a, b);
  auto blockTable = [](const std::string& summary) {
    return summary.substr(summary.find("scale: "), summary.find("wrote ") - summary.find("scale: "));
  };
  EXPECT_EQ(blockTable(repaint.output), blockTable(run.output));
  ZORValueGrid grid;
  ASSERT_EQ(ZORReadCsvGrid((Folder() / "values.csv").string(), grid), std::nullopt);
  ZORIStNewColorScale_var scale = NewScale();
  ASSERT_EQ(scale->LoadFromSettings("torus"), 1);
  ZORFitScaleTolerance(scale.get());
  int seen = 0;
  for (std::size_t i = 0; i < grid.values.size(); ++i) {
    const double value = grid.values[i];
    if (std::isnan(value)) continue;
    ++seen;
    int color[4];
    ASSERT_GT(scale->GetColorForValue(value, &color[0], &color[1], &color[2], &color[3]), 0);
    for (int c = 0; c < 4; ++c) {
      ASSERT_EQ(a[4 * i + static_cast<std::size_t>(c)], std::clamp(color[c], 0, 255)) << "pixel " << i;
      ASSERT_EQ(a[4 * i + static_cast<std::size_t>(c)], b[4 * i + static_cast<std::size_t>(c)]);
    }
  }
  EXPECT_GT(seen, 5000);
  // Lit, each color stays its swatch's: its hue, and at least kZORLitFloor of each component.
  ASSERT_EQ(Zorhost(Folder(), "render torus.step --analysis mean --size 200x150 --legend none --range 0.2,0.4 --out lit").status, 0);
  const std::vector<std::uint8_t> lit = Decode(Folder() / "lit.png").rgba;
  ASSERT_EQ(lit.size(), a.size());
  for (std::size_t i = 0; i < grid.values.size(); ++i) {
    if (std::isnan(grid.values[i])) continue;
    const std::uint8_t* swatch = &a[4 * i];
    const std::uint8_t* shaded = &lit[4 * i];
    for (int c = 0; c < 3; ++c) {
      ASSERT_LE(shaded[c], swatch[c]) << "pixel " << i;
      ASSERT_GE(shaded[c] + 1, static_cast<int>(kZORLitFloor * swatch[c])) << "pixel " << i;
      for (int d = 0; d < 3; ++d) {
        // Components keep their proportions, to the rounding of each.
        ASSERT_NEAR(static_cast<double>(shaded[c]) * swatch[d], static_cast<double>(shaded[d]) * swatch[c],
                    static_cast<double>(swatch[c] + swatch[d]))
            << "pixel " << i;
      }
    }
  }
  // The mesh: a PLY whose vertices carry their values.
  const std::string ply = ReadWholeFile((Folder() / "torus.ply").string());
  EXPECT_EQ(ply.rfind("ply\nformat binary_little_endian 1.0\n", 0), 0u);
  EXPECT_NE(ply.find("property double value\nproperty uchar red"), std::string::npos);
  // And as glTF for web viewers.
  ASSERT_EQ(Zorhost(Folder(), "render torus.step --mesh-out torus.glb --out c").status, 0);
  const std::string glb = ReadWholeFile((Folder() / "torus.glb").string());
  EXPECT_EQ(glb.substr(0, 4), "glTF");
  EXPECT_NE(glb.find("\"COLOR_0\""), std::string::npos);
  EXPECT_NE(glb.find("\"_VALUE\""), std::string::npos);
}

TEST_F(PartRender, TheExampleBracketIsPaintedWhole) {
  // Planes, cylinders, tori and blends, convex and concave. The mesher gives up on two blends at
  // the picture's deflection; they are meshed coarser, said so, and every pixel of the part gets
  // a value.
  const ProgramRun run =
      Zorhost(Folder(), "render '" ZOR_EXAMPLE_PARTS "/bracket.step' --analysis mean --size 320x240 "
                        "--values-out values.csv --out bracket");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("2 of 50 faces could only be meshed coarser"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("not shown"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("undefined values"), std::string::npos) << run.output;
  ZORValueGrid grid;
  ASSERT_EQ(ZORReadCsvGrid((Folder() / "values.csv").string(), grid), std::nullopt);
  // The concave fillet where the plates meet, radius 3, and the convex ones, are all there.
  const long concave = std::count_if(grid.values.begin(), grid.values.end(),
                                     [](double v) { return std::fabs(v + 1.0 / 6.0) < 1e-9; });
  const long convex = std::count_if(grid.values.begin(), grid.values.end(),
                                    [](double v) { return std::fabs(v - 1.0 / 6.0) < 1e-9; });
  EXPECT_GT(concave, 100);
  EXPECT_GT(convex, 1000);
}

// The range is measured over the whole part: every view, size and number of threads paints a
// value in one color, and --probe tells exactly the value --values-out writes.
TEST_F(PartRender, OneScaleForThePartInEveryView) {
  auto scaleTable = [](const std::string& summary) {
    return summary.substr(summary.find("scale: "), summary.find("  (*") - summary.find("scale: "));
  };
  auto boundaries = [](const std::string& table) {
    std::string kept;  // the block table without its last column, the count of pixels
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) kept += line.substr(0, line.rfind(' ')) + "\n";
    return kept;
  };
  const std::string bracket = "render '" ZOR_EXAMPLE_PARTS "/bracket.step' --analysis mean ";
  const ProgramRun iso = Zorhost(Folder(), bracket + "--size 200x150 --legend none --out iso --threads 1");
  ASSERT_EQ(iso.status, 0) << iso.errors;
  EXPECT_TRUE(std::regex_search(iso.output, std::regex("over the whole part \\(16[34][0-9]{2} points spread evenly over its area, each face.s share, one at least\\)")));
  for (const char* other : {"--view bottom --size 200x150", "--view 30,-60 --zoom 3 --pan 0.2,0",
                                   "--size 90x300 --shading none"}) {
    const ProgramRun run = Zorhost(Folder(), bracket + other + " --legend none --out other");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(boundaries(scaleTable(run.output)), boundaries(scaleTable(iso.output))) << other;
  }
  // More threads, the same bytes.
  const ProgramRun threaded = Zorhost(Folder(), bracket + "--size 200x150 --legend none --out threaded --threads 3");
  ASSERT_EQ(threaded.status, 0) << threaded.errors;
  EXPECT_EQ(ReadWholeFile((Folder() / "threaded.png").string()), ReadWholeFile((Folder() / "iso.png").string()));

  const ProgramRun probed = Zorhost(Folder(), bracket + "--view 30,-60 --zoom 2 --size 200x150 --probe 101,77 "
                                                        "--values-out values.csv --out probed");
  ASSERT_EQ(probed.status, 0) << probed.errors;
  std::istringstream rows(ReadWholeFile((Folder() / "values.csv").string()));
  std::string row;
  for (int r = 0; r <= 77; ++r) std::getline(rows, row);
  std::istringstream cells(row);
  std::string cell;
  for (int c = 0; c <= 101; ++c) std::getline(cells, cell, ',');
  ASSERT_FALSE(cell.empty()) << "the part is seen at the probe";
  EXPECT_NE(probed.output.find("probe 101,77: value " + cell + " 1/mm, block "), std::string::npos) << probed.output;
  EXPECT_NE(probed.output.find(", face "), std::string::npos) << probed.output;
  const ProgramRun outside = Zorhost(Folder(), bracket + "--size 200x150 --probe 0,0 --out probed");
  EXPECT_NE(outside.output.find("probe 0,0: no surface is seen there"), std::string::npos) << outside.output;
}

// A sphere read as a mesh: its curvature is one value and the noise of its estimate, which the
// scale would spread over every color. The summary says so and names --range, which then paints it
// in one block.
TEST_F(PartRender, ValuesThatSpanTooLittleAreSaidSo) {
  constexpr int kRings = 30, kSegments = 60;
  constexpr double kRadius = 10.0;
  auto at = [](int ring, int segment) {
    const double theta = M_PI * ring / kRings, phi = 2.0 * M_PI * segment / kSegments;
    return ZORExactNumber(kRadius * std::sin(theta) * std::cos(phi)) + " " +
           ZORExactNumber(kRadius * std::sin(theta) * std::sin(phi)) + " " + ZORExactNumber(kRadius * std::cos(theta));
  };
  std::string stl = "solid sphere\n";
  auto facet = [&stl](const std::string& a, const std::string& b, const std::string& c) {
    stl += "facet normal 0 0 0\nouter loop\nvertex " + a + "\nvertex " + b + "\nvertex " + c + "\nendloop\nendfacet\n";
  };
  for (int ring = 0; ring < kRings; ++ring) {
    for (int segment = 0; segment < kSegments; ++segment) {
      if (ring > 0) facet(at(ring, segment), at(ring + 1, segment), at(ring, segment + 1));
      if (ring < kRings - 1) facet(at(ring + 1, segment), at(ring + 1, segment + 1), at(ring, segment + 1));
    }
  }
  WriteWholeFile((Folder() / "sphere.stl").string(), stl + "endsolid sphere\n");
  const ProgramRun run = Zorhost(Folder(), "render sphere.stl --size 160x120 --out sphere");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("(1/(length unit of the file)²)"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("% of their magnitude: the colors show little but the noise of the analysis; --range"),
            std::string::npos) << run.output;
  const ProgramRun ranged = Zorhost(Folder(), "render sphere.stl --size 160x120 --range 0,0.02 --blocks 3 --out sphere");
  ASSERT_EQ(ranged.status, 0) << ranged.errors;
  EXPECT_NE(ranged.output.find("range: the extremes imposed at 0 and 0.02"), std::string::npos) << ranged.output;
  EXPECT_NE(ranged.output.find("      2  0               0.02            "), std::string::npos) << ranged.output;
}

// Deviation and draft paint as curvature does: the picture, its legend with the unit, the values,
// the mesh and the probe; and what they cannot do is refused with nothing written.
TEST_F(PartRender, DeviationAndDraftAsEveryAnalysis) {
  const std::string parts = ZOR_EXAMPLE_PARTS;
  const ProgramRun scan = Zorhost(Folder(), "render '" + parts + "/bracket-scan.stl' --analysis deviation --reference '" +
                                                parts + "/bracket.step' --size 200x150 --values-out v.csv "
                                                "--mesh-out m.ply --probe 100,75 --out scan");
  ASSERT_EQ(scan.status, 0) << scan.errors;
  EXPECT_NE(scan.output.find("deviation from bracket.step of bracket-scan.stl (mm), 200 x 150"),
            std::string::npos) << scan.output;
  EXPECT_NE(scan.output.find("probe 100,75: value "), std::string::npos) << scan.output;
  EXPECT_NE(ReadWholeFile((Folder() / "m.ply").string()).find("property double value"), std::string::npos);

  const ProgramRun moulded = Zorhost(Folder(), "render '" + parts + "/moulded.step' --analysis draft --size 200x150 --out draft");
  ASSERT_EQ(moulded.status, 0) << moulded.errors;
  EXPECT_NE(moulded.output.find("draft angle of moulded.step (\u00b0)"), std::string::npos) << moulded.output;
  for (const char* row : {"      1  -inf            0               255, 0, 0, 255", "      2  0               1               255, 255, 0, 255",
                          "      3  1               3               144, 238, 144, 255", "      4  3               inf             0, 160, 0, 255"}) {
    EXPECT_NE(moulded.output.find(row), std::string::npos) << row << "\n" << moulded.output;
  }

  const std::string onScan = "render '" + parts + "/bracket-scan.stl' --size 40x30 --out refused ";
  const Refusal cases[] = {
      {onScan + "--analysis deviation", 2, "--analysis deviation needs --reference REF"},
      {onScan + "--analysis deviation --reference absent.step", 2, "--reference absent.step"},
      {onScan + "--analysis deviation --reference '" + parts + "/bracket.step' --max-distance 1e-9", 2,
       "no point of it is within --max-distance 1e-09 of"},
      {onScan + "--analysis draft --pull 0,0,0", 2, "--pull is X,Y,Z, a direction"},
      {onScan + "--analysis mean --reference '" + parts + "/bracket.step'", 2, "--reference is for --analysis deviation"},
      {onScan + "--analysis deviation --reference '" + parts + "/bracket.step' --pull 1,0,0", 2, "--pull is for --analysis draft"},
      {"render --size 40x30 --out refused --analysis deviation --reference '" + parts + "/bracket.step'", 2,
       "is in model unit, the reference"},
      {"render --sample field --out refused --max-distance 2", 2, "--max-distance is for a part's picture"},
  };
  ExpectRefused(cases);
}

TEST_F(PartRender, AFieldOfAPlyMeshIsPaintedAsItsVerticesGiveIt) {
  // A flat sheet, 1 by 1, whose vertices carry a thickness equal to their x.
  constexpr int kSide = 11;
  std::ostringstream ply;
  ply << "ply\nformat ascii 1.0\nelement vertex " << kSide * kSide
      << "\nproperty float x\nproperty float y\nproperty float z\nproperty double thickness\nproperty uchar quality\n"
      << "element face " << 2 * (kSide - 1) * (kSide - 1) << "\nproperty list uchar int vertex_indices\nend_header\n";
  for (int j = 0; j < kSide; ++j) {
    for (int i = 0; i < kSide; ++i) ply << i / 10.0 << ' ' << j / 10.0 << " 0 " << i / 10.0 << " 7\n";
  }
  for (int j = 0; j + 1 < kSide; ++j) {
    for (int i = 0; i + 1 < kSide; ++i) {
      const int v = j * kSide + i;
      ply << "3 " << v << ' ' << v + 1 << ' ' << v + 1 + kSide << "\n3 " << v << ' ' << v + 1 + kSide << ' ' << v + kSide << "\n";
    }
  }
  std::ofstream(Folder() / "sheet.ply") << ply.str();
  const ProgramRun run = Zorhost(Folder(), "render sheet.ply --field thickness --view top --shading none --size 120x120 "
                                           "--values-out v.csv --out sheet");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("thickness of sheet.ply"), std::string::npos) << run.output;
  ZORValueGrid grid;
  ASSERT_EQ(ZORReadCsvGrid((Folder() / "v.csv").string(), grid), std::nullopt);
  // Seen from the top, x runs along the rows: each row rises (or falls) evenly from 0 to 1.
  double lowest = 1.0, highest = 0.0;
  for (int row = 0; row < grid.height; ++row) {
    std::vector<double> line;
    for (int column = 0; column < grid.width; ++column) {
      const double value = grid.values[static_cast<std::size_t>(row * grid.width + column)];
      if (!std::isnan(value)) line.push_back(value);
    }
    if (line.size() < 2) continue;
    EXPECT_TRUE(std::is_sorted(line.begin(), line.end()) || std::is_sorted(line.rbegin(), line.rend())) << "row " << row;
    lowest = std::min({lowest, line.front(), line.back()});
    highest = std::max({highest, line.front(), line.back()});
  }
  EXPECT_LT(lowest, 0.02);
  EXPECT_GT(highest, 0.98);
  EXPECT_GE(lowest, 0.0);
  EXPECT_LE(highest, 1.0);

  // A mesh zorhost wrote reads back whole: the copies of a vertex that faces meshed apart carry
  // each face's value and stay apart, and every triangle is there.
  const std::string parts = ZOR_EXAMPLE_PARTS;
  const ProgramRun written = Zorhost(Folder(), "render '" + parts + "/bracket.step' --analysis mean --mesh-out bm.ply --out bm");
  ASSERT_EQ(written.status, 0) << written.errors;
  const ProgramRun read = Zorhost(Folder(), "render bm.ply --field value --out bm2");
  ASSERT_EQ(read.status, 0) << read.errors;
  auto triangles = [](const std::string& summary, const char* line) {
    const std::size_t at = summary.find(line);
    return at == std::string::npos ? -1L : std::stol(summary.substr(at + std::strlen(line)));
  };
  EXPECT_GT(triangles(written.output, "mesh-out: "), 0);
  EXPECT_EQ(triangles(read.output, "part: "), triangles(written.output, "mesh-out: ")) << read.output;
  // The analysed mesh is the part's, whatever the picture: a zoomed picture of another size writes
  // the same file.
  ASSERT_EQ(Zorhost(Folder(), "render '" + parts + "/bracket.step' --analysis mean --zoom 8 --size 300x200 "
                              "--mesh-out zoomed.ply --out bm").status, 0);
  EXPECT_EQ(ReadWholeFile((Folder() / "zoomed.ply").string()), ReadWholeFile((Folder() / "bm.ply").string()));
  // A mesh part's values read back from its analysed mesh paint the same picture, value for value.
  ASSERT_EQ(Zorhost(Folder(), "render '" + parts + "/bracket-scan.stl' --analysis mean --size 200x150 "
                              "--values-out first.csv --mesh-out scan.ply --out scan").status, 0);
  ASSERT_EQ(Zorhost(Folder(), "render scan.ply --field value --size 200x150 --values-out again.csv --out scan").status, 0);
  EXPECT_EQ(ReadWholeFile((Folder() / "again.csv").string()), ReadWholeFile((Folder() / "first.csv").string()));

  const Refusal cases[] = {
      {"render sheet.ply --field depth --out refused", 2,
       "the vertices have no property 'depth'; they have 'x', 'y', 'z', 'thickness', 'quality'"},
      {"render '" + parts + "/torus.step' --field thickness --out refused", 2, "only PLY meshes give fields"},
      {"render sheet.ply --analysis field --out refused", 2, "--analysis field needs --field NAME"},
      {"render sheet.ply --analysis mean --field thickness --out refused", 2, "--field is for --analysis field"},
  };
  ExpectRefused(cases);
}

// Directions and angles of any size mean what they say: a pull of huge or tiny components is the
// direction they give, an azimuth of whole turns and more is its angle, and a time limit past any
// reading is none.
TEST_F(PartRender, HugeAndTinyDirectionsAndAnglesKeepTheirMeaning) {
  const std::string cup = "'" + std::string(ZOR_EXAMPLE_PARTS) + "/moulded.step' --size 120x90 ";
  auto values = [this, &cup](const std::string& options) {
    const ProgramRun run = Zorhost(Folder(), "render " + cup + options + " --values-out v.csv --out v");
    EXPECT_EQ(run.status, 0) << options << "\n" << run.errors;
    return ReadWholeFile((Folder() / "v.csv").string());
  };
  // Compared whole, told apart by what was asked (the grids are long).
  auto same = [&values](const std::string& asked, const std::string& as) { return values(asked) == values(as); };
  const std::string unit = values("--analysis draft --pull 1,0,0");
  EXPECT_NE(unit.find("-8"), std::string::npos) << "undercuts and openings both, not 0 everywhere";
  EXPECT_TRUE(same("--analysis draft --pull 1e308,0,0", "--analysis draft --pull 1,0,0"));
  EXPECT_TRUE(same("--analysis draft --pull 1e-200,0,0", "--analysis draft --pull 1,0,0"));
  EXPECT_TRUE(same("--analysis draft --pull 1e300,1e300,0", "--analysis draft --pull 1,1,0"));
  const double turned = std::fmod(1e308, 360.0);
  EXPECT_TRUE(same("--view 1e308,20", "--view " + ZORExactNumber(turned) + ",20"));
  EXPECT_NE(values("--view 1e308,20").find_first_of("0123456789"), std::string::npos) << "a part is seen";
  EXPECT_TRUE(same("--time-limit 1e10", "--time-limit 0"));
}

// Every pixel asked about is told, a line each, its numbers as people read them; one outside the
// picture is said to be so.
TEST_F(PartRender, ProbesTellEveryPixelAsked) {
  const ProgramRun run = Zorhost(Folder(), "render '" + std::string(ZOR_EXAMPLE_PARTS) +
                                               "/moulded.step' --size 120x90 --analysis draft --probe 60,20 "
                                               "--probe 90,60 --probe 500,5 --out probed");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("probe 60,20: value 90 °, block 4"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("probe 90,60: value 0.5 °, block 2"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("probe 500,5: outside the picture, which is 120 x 90 pixels"), std::string::npos)
      << run.output;
  const ProgramRun flat = Zorhost(Folder(), "render '" + std::string(ZOR_EXAMPLE_PARTS) +
                                                "/moulded.step' --size 120x90 --analysis mean --probe 60,20 --out flat");
  EXPECT_NE(flat.output.find("probe 60,20: value 0 1/mm"), std::string::npos) << flat.output;
}

TEST_F(PartRender, BadFilesAreRefusedWithNothingWritten) {
  std::vector<std::uint8_t> hugeStl(84, 0);
  const std::uint32_t billion = 1000000000u;
  std::memcpy(hugeStl.data() + 80, &billion, sizeof billion);
  hugeStl.resize(84 + 50 * 3, 0);
  // The example torus with the x of its first point replaced: the kernel's shape repair would run
  // without end on such a point.
  const std::string torus = ReadWholeFile(ZOR_EXAMPLE_PARTS "/torus.step");
  auto torusWithX = [&torus](const std::string& x) {
    const std::string point = "#12 = CARTESIAN_POINT('',(0.,";
    std::string text = torus;
    const std::size_t at = text.find(point);
    EXPECT_NE(at, std::string::npos);
    return text.replace(at, point.size(), "#12 = CARTESIAN_POINT('',(" + x + ",");
  };
  // A record nested deep enough to overflow the kernel's parser.
  const std::string deep = torus.substr(0, torus.find("DATA;") + 5) + "\n#1=CARTESIAN_POINT(''," +
                           std::string(80000, '(') + "0." + std::string(80000, ')') +
                           ");\nENDSEC;\nEND-ISO-10303-21;\n";
  struct Case {
    std::string file;
    std::string contents;
    std::string said;
  };
  const Case cases[] = {
      {"nan.step", torusWithX("NAN"), "nan.step: entity #12: NAN is not a finite number"},
      {"overflow.step", torusWithX("1.E400"),
       "overflow.step: entity #12: the number 1.E400 is beyond the range of a double"},
      {"far.step", torusWithX("-1.E300"), "far.step: entity #12: the coordinate -1.E300 is beyond 1e+100"},
      {"deep.step", deep, "deep.step: entity #1: parentheses nest deeper than 64 levels"},
      {"huge.stl",
       "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1e300 0 0\nvertex 0 1 0\n"
       "endloop\nendfacet\nendsolid x\n",
       "huge.stl: the vertices spread from (0, 0, 0) to (1e+300, 1, 0), farther than 1e+100"},
      {"index.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\nf 2 4 99999999999999999999\n",
       "index.obj: line 6: the index '99999999999999999999' names no vertex (4 are defined before it)"},
      {"index.ply",
       "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
       "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 5\n",
       "index.ply: face 0: the index 5 names no vertex"},
      {"part.xyz", "1 2 3\n", "part.xyz: the extension 'xyz' is not one of a part"},
      {"empty.stl", "", "empty.stl: the file is empty"},
      {"broken.step", "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION((''),'2;1');\n", "broken.step: "},
      {"noise.iges", std::string(200, 'x'), "noise.iges: "},
      {"edge.step",
       "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION((''),'2;1');\nFILE_NAME('','',(''),(''),'','','');\n"
       "FILE_SCHEMA(('AUTOMOTIVE_DESIGN'));\nENDSEC;\nDATA;\n#1=CARTESIAN_POINT('',(0.,0.,0.));\n"
       "ENDSEC;\nEND-ISO-10303-21;\n",
       "edge.step: "},
      {"huge.stl", std::string(hugeStl.begin(), hugeStl.end()), "its 1000000000 triangles would take"},
      {"cut.stl", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n", "cut.stl: "},
      {"nan.stl",
       "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex nan 1 0\n"
       "endloop\nendfacet\nendsolid x\n",
       "nan.stl: line 6: 'vertex nan 1 0' is not a vertex of three finite numbers"},
      {"nan.obj", "v 0 0 0\nv 1 0 0\nv 0 inf 0\nf 1 2 3\n", "nan.obj: "},
      {"nan.ply",
       "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
       "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 nan 0\n3 0 1 2\n",
       "nan.ply: vertex 2: a coordinate is not finite"},
      {"cut.ply", "ply\nformat binary_little_endian 1.0\nelement vertex 100\nproperty float x\n", "cut.ply: "},
  };
  for (const Case& c : cases) {
    std::ofstream(Folder() / c.file, std::ios::binary) << c.contents;
    const ProgramRun run = Zorhost(Folder(), "render " + c.file + " --out picture");
    EXPECT_EQ(run.status, 2) << c.file << "\n" << run.errors;
    EXPECT_NE(run.errors.find(c.said), std::string::npos) << c.file << "\n" << run.errors;
    EXPECT_EQ(run.errors.find("Standard_"), std::string::npos) << run.errors;
    fs::remove(Folder() / c.file);
    EXPECT_TRUE(Files(Folder()).empty()) << c.file;
  }
  // A FIFO is named as what it is, without waiting on it; the kernel's work is bounded in time.
  ASSERT_EQ(mkfifo((Folder() / "fifo.stl").c_str(), 0600), 0);
  const ProgramRun fifo = Zorhost(Folder(), "render fifo.stl --out picture");
  EXPECT_EQ(fifo.status, 2);
  EXPECT_NE(fifo.errors.find("fifo.stl: is a FIFO, not a part's file"), std::string::npos) << fifo.errors;
  fs::remove(Folder() / "fifo.stl");
  const ProgramRun slow =
      Zorhost(Folder(), "render '" ZOR_EXAMPLE_PARTS "/bracket.step' --time-limit 0.001 --out picture");
  EXPECT_EQ(slow.status, 2);
  EXPECT_NE(slow.errors.find("took longer than the time limit, 0.001 s (--time-limit SECONDS raises it)"),
            std::string::npos)
      << slow.errors;
  EXPECT_TRUE(Files(Folder()).empty());

  // A sphere of 16 x 8 facets with a face added on one of its edges (three faces there) and a
  // degenerate triangle still paints; the vertices on them are undefined, and counted.
  std::ofstream mesh(Folder() / "odd.obj");
  mesh << "v 0 0 1\nv 0 0 -1\n";  // the poles, 1 and 2
  for (int ring = 1; ring < 8; ++ring) {
    for (int step = 0; step < 16; ++step) {
      const double theta = ring * M_PI / 8, phi = step * M_PI / 8;
      mesh << "v " << std::sin(theta) * std::cos(phi) << ' ' << std::sin(theta) * std::sin(phi) << ' '
          << std::cos(theta) << '\n';
    }
  }
  auto at = [](int ring, int step) { return 3 + (ring - 1) * 16 + step % 16; };
  for (int step = 0; step < 16; ++step) {
    mesh << "f 1 " << at(1, step) << ' ' << at(1, step + 1) << '\n';
    mesh << "f 2 " << at(7, step + 1) << ' ' << at(7, step) << '\n';
    for (int ring = 1; ring < 7; ++ring) {
      mesh << "f " << at(ring, step) << ' ' << at(ring + 1, step) << ' ' << at(ring + 1, step + 1)
          << "\nf " << at(ring, step) << ' ' << at(ring + 1, step + 1) << ' ' << at(ring, step + 1) << '\n';
    }
  }
  mesh << "v 0 0 0\nf 1 3 " << at(7, 15) + 1 << "\nf 1 2 " << at(7, 15) + 1 << '\n';
  mesh.close();
  const ProgramRun odd = Zorhost(Folder(), "render odd.obj --shading none --out odd");
  EXPECT_EQ(odd.status, 0) << odd.errors;
  EXPECT_NE(odd.output.find("undefined values: "), std::string::npos) << odd.output;
}

TEST_F(PartRender, TheScalesOptionsActOnTheAnalysis) {
  // A grid of known values and a scale whose options are set, loaded from a record.
  WriteWholeFile((Folder() / "grid.csv").string(), "-4,-1,0,2,8\n-3,-0.5,0.5,1,6\n");
  const std::string make =
      "new\nSetNumberOfBlocks 7\nSetColors 2 [1,7] [0,255] [0,0] [255,0] [255,255] [0,0]\n"
      "SetExtremeImposedValues -2 2\n";
  auto record = [&](const std::string& options, const std::string& name) {
    WriteWholeFile((Folder() / "make.zs").string(), make + options + "SaveToSettings " + name + "\n");
    ASSERT_EQ(Zorhost(Folder(), "script make.zs").status, 0);
  };
  auto boundaries = [&](const std::string& settings) {
    const ProgramRun run =
        Zorhost(Folder(), "render --values grid.csv --settings " + settings + " --save-settings after --out o");
    EXPECT_EQ(run.status, 0) << run.errors;
    std::vector<ZORSettingEntry> entries;
    std::string problem;
    EXPECT_EQ(ZORReadRepositoryFile("after", entries, problem), 1) << problem;
    std::map<std::string, ZORSettingEntry> byKey;
    for (const ZORSettingEntry& entry : entries) byKey[entry.key] = entry;
    return byKey;
  };
  // A loaded scale keeps its stored extremes; the measured range and curvature limits are
  // written to the scale (and so to its record).
  record("", "plain");
  std::map<std::string, ZORSettingEntry> plain = boundaries("plain");
  EXPECT_EQ(plain["ImposedValues"].doubles.front(), -2.0);
  EXPECT_EQ(plain["ImposedValues"].doubles.back(), 2.0);
  EXPECT_EQ(plain["Min_NegativeCrv"].doubles, std::vector<double>{-4.0});
  EXPECT_EQ(plain["Max_NegativeCrv"].doubles, std::vector<double>{-0.5});
  EXPECT_EQ(plain["Min_PositiveCrv"].doubles, std::vector<double>{0.5});
  EXPECT_EQ(plain["Max_PositiveCrv"].doubles, std::vector<double>{8.0});
  // Symmetric extremes about zero.
  record("SetAbsoluteExtrema 1\n", "absolute");
  std::map<std::string, ZORSettingEntry> absolute = boundaries("absolute");
  EXPECT_EQ(absolute["ImposedValues"].doubles.front(), -2.0);
  EXPECT_EQ(absolute["ImposedValues"].doubles.back(), 2.0);
  record("SetExtremeImposedValues -1 3\nSetAbsoluteExtrema 1\n", "lopsided");
  EXPECT_EQ(boundaries("lopsided")["ImposedValues"].doubles.front(), -3.0);
  // Zero in the middle block: block 4 of 7 between boundaries 3 and 4.
  record("SetGreenIsFlat 1\n", "flat");
  const std::vector<double> flat = boundaries("flat")["ImposedValues"].doubles;
  ASSERT_EQ(flat.size(), 6u);
  EXPECT_LT(flat[2], 0.0);
  EXPECT_GT(flat[3], 0.0);
  EXPECT_EQ(flat[2], -flat[3]);
  // Boundaries not imposed spaced on a symmetric logarithm: denser near zero.
  record("SetNonlinearScale 1\n", "nonlinear");
  const std::vector<double> nonlinear = boundaries("nonlinear")["ImposedValues"].doubles;
  ASSERT_EQ(nonlinear.size(), 6u);
  for (std::size_t k = 1; k < 6; ++k) EXPECT_LT(nonlinear[k - 1], nonlinear[k]);
  EXPECT_LT(nonlinear[3] - nonlinear[2], nonlinear[5] - nonlinear[4]);
  EXPECT_NEAR(nonlinear[2] + nonlinear[3], 0.0, 1e-12);  // symmetric about zero

  // The default scale's extremes follow the values at percentiles 1 and 99: of 0 to 100, the
  // outliers 0 and 100 go to the end blocks.
  std::string hundred;
  for (int v = 0; v <= 100; ++v) hundred += std::to_string(100 - v) + (v < 100 ? "," : "\n");
  WriteWholeFile((Folder() / "grid.csv").string(), hundred);
  const ProgramRun run = Zorhost(Folder(), "render --values grid.csv --save-settings after --out o");
  EXPECT_NE(run.output.find("at percentiles 1 and 99"), std::string::npos) << run.output;
  std::vector<ZORSettingEntry> entries;
  std::string problem;
  ASSERT_EQ(ZORReadRepositoryFile("after", entries, problem), 1) << problem;
  for (const ZORSettingEntry& entry : entries) {
    if (entry.key != "ImposedValues") continue;
    // Widened by a rounding at most.
    EXPECT_NEAR(entry.doubles.front(), 1.0, 1e-10);
    EXPECT_LE(entry.doubles.front(), 1.0);
    EXPECT_NEAR(entry.doubles.back(), 99.0, 1e-10);
    EXPECT_GE(entry.doubles.back(), 99.0);
  }
  // An extreme inside a run of values that differ only by rounding (a fillet of constant
  // curvature) takes in the whole run: none of it falls below into block 1.
  std::string fillet;
  for (int v = 0; v < 400; ++v) {
    fillet += v < 100 ? (v % 30 == 0 ? "-0.16666666666666674" : "-0.16666666666666666")
                      : std::to_string(v / 400.0);
    fillet += v % 20 == 19 ? "\n" : ",";
  }
  WriteWholeFile((Folder() / "grid.csv").string(), fillet);
  const ProgramRun filletRun = Zorhost(Folder(), "render --values grid.csv --out o");
  EXPECT_NE(filletRun.output.find("\n      1  -inf            -0.1666667      0, 0, 255, 255          0\n"),
            std::string::npos) << filletRun.output;
}

}  // namespace
