// Scales carried to and from .cpt, .json and .csv files: through the loaded module's scales, and
// through `zorhost scale` as a user runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <random>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/ZORTestSupport.h"
#include "ZorhostRun.h"
#include "zorhost/palettes/ColorRamps.h"
#include "zorhost/scale/ScaleEdits.h"
#include "zorhost/scale/ScaleStore.h"
#include "zorhost/scalefiles/ScaleFiles.h"

namespace {

namespace fs = std::filesystem;

constexpr ZORScaleFormat kFormats[] = {ZORScaleFormat::Cpt, ZORScaleFormat::Json,
                                       ZORScaleFormat::Csv};

class ScaleFiles : public ZORScaleTest {};

void ExpectSameTable(const ZORScaleTable& got, const ZORScaleTable& expected, const std::string& what) {
  EXPECT_EQ(got.colors, expected.colors) << what;
  EXPECT_EQ(got.colorImposed, expected.colorImposed) << what;
  EXPECT_EQ(got.boundaries, expected.boundaries) << what;
  EXPECT_EQ(got.boundaryImposed, expected.boundaryImposed) << what;
  EXPECT_EQ(got.undefinedColor, expected.undefinedColor) << what;
  EXPECT_EQ(got.tolerance, expected.tolerance) << what;
}

// The file's text, or empty with the reason in `refusal` when the format cannot hold the scale.
std::string Formatted(const ZORScaleTable& table, ZORScaleFormat format, const std::string& name,
                      std::string* refusal = nullptr) {
  std::string text;
  const ZOROutcome problem = ZORFormatScaleFile(table, format, name, text);
  if (problem && refusal != nullptr) *refusal = problem->message;
  return problem ? std::string() : text;
}

// The reason a file is refused, or empty when it reads.
std::string Refusal(std::string_view text, ZORScaleFormat format, const std::string& name, ZORScaleTable& table) {
  const ZOROutcome problem = ZORParseScaleFile(text, format, name, table);
  return problem ? problem->message : std::string();
}

TEST_F(ScaleFiles, ExportThenImportGivesBackTheScale) {
  // Colors imposed on 1, 4 and 9, blended between; boundaries imposed on 1, 3 and 8 at values
  // that print long, the others interpolated.
  ConfigureScale(scale_.get(), 9, {{1, 0, 0, 255, 255}, {4, 10, 200, 30, 255}, {9, 250, 0, 0, 255}},
                 {{1, -0.1 / 3.0}, {3, 0.7}, {8, 12345.678901234567}});
  ASSERT_EQ(scale_->SetColorUndefine(128, 128, 128, 255), 0);
  const ZORScaleTable original = ZORReadScaleTable(scale_.get());
  for (ZORScaleFormat format : kFormats) {
    std::string refusal;
    const std::string text = Formatted(original, format, "mixed", &refusal);
    ASSERT_FALSE(text.empty()) << refusal;
    ZORScaleTable parsed;
    ASSERT_EQ(Refusal(text, format, "mixed", parsed), "") << text;
    ZORIStNewColorScale_var copy = NewScale();
    ASSERT_EQ(ZORWriteScaleTable(copy.get(), parsed), std::nullopt);
    ExpectSameTable(ZORReadScaleTable(copy.get()), original, text);
  }
  // Each file keeps alpha in its zorhost table; GMT and ParaView take none, which export says.
  ConfigureScale(scale_.get(), 3, {{1, 1, 2, 3, 4}, {3, 5, 6, 7, 8}}, {{1, 0.0}, {2, 1.0}});
  const ZORScaleTable translucent = ZORReadScaleTable(scale_.get());
  ZORScaleTable parsed;
  ASSERT_EQ(Refusal(Formatted(translucent, ZORScaleFormat::Csv, "t"), ZORScaleFormat::Csv, "t", parsed), "");
  EXPECT_EQ(parsed.colors, translucent.colors);
  ASSERT_EQ(Refusal(Formatted(translucent, ZORScaleFormat::Cpt, "t"), ZORScaleFormat::Cpt, "t", parsed), "");
  EXPECT_EQ(parsed.colors, translucent.colors);
  EXPECT_EQ(ZORScaleFileLosses(translucent, ZORScaleFormat::Cpt).size(), 1u);
  // Palettes hold the blocks between the first and last boundary: two blocks have none.
  ConfigureScale(scale_.get(), 2, {{1, 0, 0, 0, 255}, {2, 9, 9, 9, 255}}, {{1, 0.5}});
  std::string refusal;
  EXPECT_TRUE(Formatted(ZORReadScaleTable(scale_.get()), ZORScaleFormat::Cpt, "two", &refusal).empty());
  EXPECT_NE(refusal.find("write it as .csv"), std::string::npos) << refusal;
}

// Whatever export writes, import reads back to the same scale, on scales made at random through
// the module; what no file can hold is refused with the reason, never written.
TEST_F(ScaleFiles, WhatExportWritesImportReadsBack) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> component(0, 255);
  int written = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const int blocks = std::uniform_int_distribution<int>(1, 12)(random);
    std::vector<ZORImposedColor> colors;
    for (int k = 1; k <= blocks; ++k) {
      if (random() % 2 == 0 || k == 1) colors.push_back({k, component(random), component(random), component(random), 255});
    }
    // Imposed boundaries that increase, some of them a step of one double apart.
    std::vector<ZORImposedValue> values;
    double value = std::uniform_real_distribution<double>(-1e6, 1e6)(random);
    for (int k = 1; k < blocks; ++k) {
      if (random() % 3 == 0) continue;
      values.push_back({k, value});
      value = random() % 5 == 0 ? std::nextafter(value, HUGE_VAL)
                                : value + std::pow(10.0, std::uniform_real_distribution<double>(-3, 4)(random));
    }
    ConfigureScale(scale_.get(), blocks, colors, values);
    if (trial % 7 == 0) scale_->SetColorUndefine(component(random), 0, 0, 255);
    const ZORScaleTable original = ZORReadScaleTable(scale_.get());
    for (ZORScaleFormat format : kFormats) {
      std::string refusal;
      const std::string text = Formatted(original, format, "random", &refusal);
      if (text.empty()) {
        EXPECT_TRUE(refusal.find("a file holds boundaries that increase") != std::string::npos ||
                    refusal.find("three blocks") != std::string::npos || blocks < 3)
            << refusal;
        continue;
      }
      ++written;
      ZORScaleTable parsed;
      ASSERT_EQ(Refusal(text, format, "random", parsed), "") << text.substr(0, 2000);
      ZORIStNewColorScale_var copy = NewScale();
      ASSERT_EQ(ZORWriteScaleTable(copy.get(), parsed), std::nullopt);
      ExpectSameTable(ZORReadScaleTable(copy.get()), original, text);
    }
  }
  EXPECT_GT(written, 300);
  // Repeated imposed boundaries: refused by every format, with the boundaries named.
  ConfigureScale(scale_.get(), 5, {{1, 0, 0, 0, 255}}, {{1, 1.0}, {2, 1.0}, {3, 1.0}, {4, 1.0}});
  for (ZORScaleFormat format : kFormats) {
    std::string refusal;
    EXPECT_TRUE(Formatted(ZORReadScaleTable(scale_.get()), format, "r", &refusal).empty());
    EXPECT_EQ(refusal, "no scale file can hold this scale: boundaries 1 and 2 are 1 and 1: a file holds "
                       "boundaries that increase");
  }
  // A byte order mark is passed over in every format.
  const std::pair<ZORScaleFormat, std::string> marked[] = {
      {ZORScaleFormat::Csv, "block,from,to,red,green,blue,alpha,imposed,boundary_imposed\n1,-inf,inf,1,2,3,255,1,\n"},
      {ZORScaleFormat::Cpt, "0 0/0/0 1 9/9/9\n"},
      {ZORScaleFormat::Json, R"({"RGBPoints": [0, 0, 0, 0, 1, 1, 1, 1]})"}};
  for (const auto& [format, text] : marked) {
    ZORScaleTable table;
    EXPECT_EQ(Refusal("\xEF\xBB\xBF" + text, format, "bom", table), "");
  }
}

// The largest difference of a component between what `scale` paints at `value` and `expected`.
int PaintedOff(ZORIStNewColorScale* scale, double value, const ZORRgba& expected) {
  ZORRgba painted;
  if (scale->GetColorForValue(value, &painted.red, &painted.green, &painted.blue, &painted.alpha) < 0) return 256;
  return std::max({std::abs(painted.red - expected.red), std::abs(painted.green - expected.green),
                   std::abs(painted.blue - expected.blue)});
}

TEST_F(ScaleFiles, OtherToolsFilesReadBackAsTheColorsTheyBlend) {
  // GMT's notations: names, #rrggbb, H-S-V, R/G/B and a gray; a gradient in a range; comments.
  const std::string cpt =
      "# a palette\n"
      "0 blue 1 white ; label\n"
      "1\t#808080\t2.5\t255/0/0 L # to red\n"
      "2.5 0-1-1 3 0-1-1\n"
      "\n"
      "N 200\n";
  ZORScaleTable table;
  ASSERT_EQ(Refusal(cpt, ZORScaleFormat::Cpt, "p.cpt", table), "");
  EXPECT_EQ(table.colorImposed, std::vector<bool>(table.colors.size(), true));
  EXPECT_EQ(table.undefinedColor, (ZORRgba{200, 200, 200, 255}));
  EXPECT_EQ(table.boundaries.front(), 0.0);
  EXPECT_EQ(table.boundaries.back(), 3.0);
  ZORIStNewColorScale_var scale = NewScale();
  scale->SetTolerance(ZORHostSession::kDefaultModelTolerance);
  ASSERT_EQ(ZORWriteScaleTable(scale.get(), table), std::nullopt);
  auto linear = [](const ZORRgba& a, const ZORRgba& b, double s) {
    return ZORRgba{static_cast<int>(std::lround(a.red + s * (b.red - a.red))),
                   static_cast<int>(std::lround(a.green + s * (b.green - a.green))),
                   static_cast<int>(std::lround(a.blue + s * (b.blue - a.blue))), 255};
  };
  for (int i = 1; i < 1000; ++i) {
    const double s = i / 1000.0;
    EXPECT_LE(PaintedOff(scale.get(), s, linear({0, 0, 255, 255}, {255, 255, 255, 255}, s)), 1) << s;
    EXPECT_LE(PaintedOff(scale.get(), 1.0 + 1.5 * s, linear({128, 128, 128, 255}, {255, 0, 0, 255}, s)), 1) << s;
    EXPECT_EQ(PaintedOff(scale.get(), 2.5 + 0.5 * s, {255, 0, 0, 255}), 0) << s;
  }
  EXPECT_EQ(PaintedOff(scale.get(), -7.0, {0, 0, 255, 255}), 0);
  EXPECT_EQ(PaintedOff(scale.get(), 9.0, {255, 0, 0, 255}), 0);

  // ParaView's maps: blended in RGB, in CIELAB, or through white (Moreland's diverging space).
  struct Case {
    const char* space;
    std::vector<double> points;
    double at;
    ZORRgba expected;
  };
  const Case cases[] = {
      {"RGB", {0, 0, 0, 1, 0.5, 1, 1, 1, 2, 1, 0, 0}, 1.25, {255, 128, 128, 255}},
      {"Lab", {0, 0, 0, 0, 1, 1, 1, 1}, 0.5, {119, 119, 119, 255}},
      {"Diverging", {0, 0.230, 0.299, 0.754, 1, 0.706, 0.016, 0.150}, 0.5, {221, 221, 221, 255}},
  };
  for (const Case& c : cases) {
    nlohmann::json map = {{"Name", "x"}, {"ColorSpace", c.space}, {"RGBPoints", c.points}};
    ASSERT_EQ(Refusal(nlohmann::json::array({map}).dump(), ZORScaleFormat::Json, "x.json", table), "") << c.space;
    ZORIStNewColorScale_var mapScale = NewScale();
    mapScale->SetTolerance(ZORHostSession::kDefaultModelTolerance);
    ASSERT_EQ(ZORWriteScaleTable(mapScale.get(), table), std::nullopt);
    EXPECT_LE(PaintedOff(mapScale.get(), c.at, c.expected), 1) << c.space;
    // No visible step: neighbouring blocks differ by a few units at most.
    for (std::size_t k = 1; k + 1 < table.colors.size(); ++k) {
      // A value on an inner boundary takes the block above; on the last one, the block below.
      if (k + 2 < table.colors.size()) {
        EXPECT_EQ(PaintedOff(mapScale.get(), table.boundaries[k], table.colors[k + 1]), 0) << c.space;
      }
      const ZORRgba& a = table.colors[k];
      const ZORRgba& b = table.colors[k + 1];
      EXPECT_LE(std::max({std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue)}), 2)
          << c.space << " block " << k;
    }
  }
  // A gradient over a range wider than a double's difference stays one block.
  ASSERT_EQ(Refusal("-1e308 red 1e308 blue\n", ZORScaleFormat::Cpt, "w.cpt", table), "");
  EXPECT_EQ(table.boundaries, (std::vector<double>{-1e308, 1e308}));
  const std::string hsv = R"([{"ColorSpace": "HSV", "RGBPoints": [0, 0, 0, 1, 1, 1, 0, 0]}])";
  EXPECT_EQ(Refusal(hsv, ZORScaleFormat::Json, "h.json", table), "h.json: ColorSpace must be RGB, Lab or Diverging");
}

TEST_F(ScaleFiles, DamagedFilesAreRefusedWithWhereAndWhy) {
  struct Damaged {
    ZORScaleFormat format;
    const char* text;
    const char* message;
  };
  const Damaged damaged[] = {
      {ZORScaleFormat::Cpt, "0 0/0/0 1 0/0/0\n1 0/0/0 0.5 0/0/0\n", "f:2: the range from 1 to 0.5 does not increase"},
      {ZORScaleFormat::Cpt, "0 0/0/0 1 0/0/0\n2 0/0/0 3 0/0/0\n", "f:2: the range starts at 2, not where the one before ends, 1"},
      {ZORScaleFormat::Cpt, "0 0/0/300 1 0/0/0\n", "f:1: a color must be"},
      {ZORScaleFormat::Cpt, "# COLOR_MODEL = HSV\n0 0 1 1 1 0 1 1\n", "f:1: only the RGB color model"},
      {ZORScaleFormat::Cpt, "0 reddish 1 blue\n", "f:1: a color must be"},
      {ZORScaleFormat::Cpt, "0 400-1-1 1 blue\n", "f:1: a color must be"},
      {ZORScaleFormat::Cpt, "0 0 0 0 nan 0 0 0\n", "f:1: a boundary is not a finite number"},
      {ZORScaleFormat::Cpt, "# only a comment\nB 0/0/0\n", "f: no color range"},
      {ZORScaleFormat::Cpt, "# zorhost colors-imposed: 1 1\n0 0 1 0\n", "f: the zorhost note lists 2 colors"},
      {ZORScaleFormat::Json, "[{\"RGBPoints\": [0, 0, 0, 0,\n 1, 0, 0]", "f:2: not JSON"},
      {ZORScaleFormat::Json, "{\"RGBPoints\": [1, 0, 0, 0, 0, 1, 1, 1]}", "f: RGBPoints point 2: x 0 is below the point before, 1"},
      {ZORScaleFormat::Json, "{\"RGBPoints\": [0, 0, 0, 0, 1, 2, 1, 1]}", "f: RGBPoints point 2: a color component"},
      {ZORScaleFormat::Json, "{\"Points\": []}", "f: no color map with RGBPoints"},
      {ZORScaleFormat::Json, "[]", "f: an empty list of color maps"},
      {ZORScaleFormat::Csv, "block,from\n", "f:1: the first line must be"},
      {ZORScaleFormat::Csv, "block,from,to,red,green,blue,alpha,imposed,boundary_imposed\n1,-inf,2,0,0,0,255,1,1\n2,2,1,0,0,0,255,1,1\n",
       "f:3: the block from 2 to 1 does not increase"},
      {ZORScaleFormat::Csv, "block,from,to,red,green,blue,alpha,imposed,boundary_imposed\n1,-inf,2,0,0,0,256,1,1\n",
       "f:2: red, green, blue and alpha"},
      {ZORScaleFormat::Csv, "block,from,to,red,green,blue,alpha,imposed,boundary_imposed\n2,-inf,inf,0,0,0,255,1,\n",
       "f:2: expected block 1"},
      {ZORScaleFormat::Csv, "block,from,to,red,green,blue,alpha,imposed,boundary_imposed\n1,-inf,5,0,0,0,255,1,1\n",
       "f: the last block must reach to inf"},
  };
  for (const Damaged& file : damaged) {
    ZORScaleTable table;
    const std::string refusal = Refusal(file.text, file.format, "f", table);
    EXPECT_EQ(refusal.rfind(file.message, 0), 0u) << file.text << "\ngot: " << refusal << "\nexpected: " << file.message;
  }
}

TEST_F(ScaleFiles, EveryPresetSpansTheScale) {
  for (const ZORColorPreset& preset : ZORColorPresets()) {
    for (int blocks : {2, 9, 256}) {
      ASSERT_EQ(scale_->SetNumberOfBlocks(blocks), 0);
      ASSERT_TRUE(ZORImposeRamp(scale_.get(), preset.anchors)) << preset.name;
      const ZORScaleTable table = ZORReadScaleTable(scale_.get());
      EXPECT_EQ(table.colors.front(), preset.anchors.front()) << preset.name << " " << blocks;
      EXPECT_EQ(table.colors.back(), preset.anchors.back()) << preset.name << " " << blocks;
      if (blocks == static_cast<int>(preset.anchors.size())) {
        EXPECT_TRUE(std::equal(table.colors.begin(), table.colors.end(), preset.anchors.begin()))
            << preset.name;
      }
    }
  }
}

// `zorhost scale` and `zorhost render --classify` as a user runs them.
class ScaleJobs : public ZORModuleTest {
 protected:
  fs::path Folder() { return fs::path(settings_.Path()).parent_path(); }
  ZORTemporarySettingsFolder settings_;
};

TEST_F(ScaleJobs, QuantilesOfTheSampleAndFilesRoundTrip) {
  const ProgramRun render =
      Zorhost(Folder(), "render --sample field --classify quantile --preset viridis --save-settings q --out q");
  ASSERT_EQ(render.status, 0) << render.errors;
  // The block rows, after the header of the table, end with the count of values: equal counts
  // differ by one at most.
  std::vector<long> counts;
  std::istringstream lines(render.output.substr(render.output.find("  block  values from")));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line) && line.size() > 7 && std::isdigit(static_cast<unsigned char>(line[6]))) {
    counts.push_back(std::stol(line.substr(line.find_last_of(' ') + 1)));
  }
  ASSERT_EQ(counts.size(), 9u) << render.output;
  const auto [fewest, most] = std::minmax_element(counts.begin(), counts.end());
  EXPECT_LE(*most - *fewest, 1) << render.output;

  const ProgramRun shown = Zorhost(Folder(), "scale show q");
  ASSERT_EQ(shown.status, 0) << shown.errors;
  for (const char* extension : {"cpt", "json", "csv"}) {
    const std::string file = std::string("q.") + extension;
    ASSERT_EQ(Zorhost(Folder(), "scale export q " + file).status, 0) << file;
    const ProgramRun imported = Zorhost(Folder(), "scale import " + file + " back");
    ASSERT_EQ(imported.status, 0) << imported.errors;
    const ProgramRun back = Zorhost(Folder(), "scale show back");
    std::string renamed = back.output;
    renamed.replace(renamed.find("'back'"), 6, "'q'");
    EXPECT_EQ(renamed, shown.output) << file;
  }
  // Damaged input changes nothing; a format the extension does not tell needs --format.
  const std::string before = Zorhost(Folder(), "scale show back").output;
  WriteWholeFile((Folder() / "bad.cpt").string(), "0 0/0/0 1 0/0/0\n1 0/0/0 0.5 0/0/0\n");
  const ProgramRun bad = Zorhost(Folder(), "scale import bad.cpt back");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.errors, "zorhost scale: bad.cpt:2: the range from 1 to 0.5 does not increase\n");
  EXPECT_EQ(Zorhost(Folder(), "scale show back").output, before);
  fs::copy_file(Folder() / "q.csv", Folder() / "q.table");
  EXPECT_EQ(Zorhost(Folder(), "scale import q.table other").status, 2);
  EXPECT_EQ(Zorhost(Folder(), "scale import --format csv q.table other").status, 0);
  // A file of several color maps is read by the name of one, or refused naming them all; what a
  // scale does not keep is said.
  WriteWholeFile((Folder() / "maps.json").string(),
                 R"([{"Name": "warm", "RGBPoints": [0, 1, 0, 0, 1, 1, 1, 0, 2, 1, 1, 1], "Points": [0, 0.5, 0.5, 0, 2, 1, 0.5, 0]},
                     {"Name": "cool", "RGBPoints": [0, 0, 0, 1, 1, 0, 1, 1, 2, 1, 1, 1]}])");
  const ProgramRun ambiguous = Zorhost(Folder(), "scale import maps.json maps");
  EXPECT_EQ(ambiguous.status, 2);
  EXPECT_NE(ambiguous.errors.find("holds 2 color maps, 'warm', 'cool': name the one to read"), std::string::npos)
      << ambiguous.errors;
  const ProgramRun cool = Zorhost(Folder(), "scale import maps.json cool --name cool");
  ASSERT_EQ(cool.status, 0) << cool.errors;
  EXPECT_EQ(cool.output.find("note:"), std::string::npos) << cool.output;
  const ProgramRun warm = Zorhost(Folder(), "scale import maps.json warm --name warm");
  ASSERT_EQ(warm.status, 0) << warm.errors;
  EXPECT_NE(warm.output.find("note: the color map's opacity points (Points) are not kept"), std::string::npos)
      << warm.output;
  EXPECT_NE(Zorhost(Folder(), "scale import maps.json x --name hot").errors.find("no color map named 'hot'"),
            std::string::npos);
  const ProgramRun log = Zorhost(Folder(), "render --classify log --out log");
  EXPECT_EQ(log.status, 2);
  EXPECT_NE(log.errors.find("--classify log: a logarithmic scale needs values above zero"), std::string::npos);
  EXPECT_FALSE(fs::exists(Folder() / "log.png"));
}

}  // namespace

namespace {

// A ParaView preset on 0 to 1 is relative: a range stretches every boundary with the extremes, in
// render and in the editor's repository alike; --absolute keeps the boundaries at their values.
TEST_F(ScaleJobs, RelativeScalesStretchWithTheRange) {
  const std::string preset = R"([{"Name": "uneven", "ColorSpace": "RGB", "RGBPoints": [
      0, 0, 0, 1,   0.1, 0, 0, 1,   0.1, 0, 1, 0,   0.5, 0, 1, 0,   0.5, 1, 0, 0,   1, 1, 0, 0]}])";
  WriteWholeFile((Folder() / "uneven.json").string(), preset);
  const ProgramRun imported = Zorhost(Folder(), "scale import uneven.json rel");
  ASSERT_EQ(imported.status, 0) << imported.errors;
  EXPECT_NE(imported.output.find("its boundaries relative"), std::string::npos) << imported.output;
  EXPECT_NE(imported.output.find("span 0 to 1: read as relative"), std::string::npos) << imported.output;
  // Blocks: below, 0 to 0.1, 0.1 to 0.5, 0.5 to 1, above; stretched over -0.2 to 0.2.
  const ProgramRun rendered = Zorhost(Folder(), "render --sample field --settings rel --range -0.2,0.2 "
                                                "--save-settings stretched --out stretched");
  ASSERT_EQ(rendered.status, 0) << rendered.errors;
  const ProgramRun shown = Zorhost(Folder(), "scale show stretched");
  for (const char* boundary : {"-0.2", "-0.16", "0", "0.2"}) {
    EXPECT_NE(shown.output.find(std::string(" ") + boundary + " "), std::string::npos) << boundary << "\n" << shown.output;
  }
  EXPECT_NE(ReadWholeFile((Folder() / "settings" / "stretched").string()).find("ZorhostRelativeBoundaries"),
            std::string::npos) << "the stretched scale stays relative";
  // Read as values: the inner boundaries stay at 0.1 and 0.5 whatever the range.
  ASSERT_EQ(Zorhost(Folder(), "scale import --absolute uneven.json abs").status, 0);
  ASSERT_EQ(Zorhost(Folder(), "render --sample field --settings abs --range -0.2,0.7 --save-settings kept --out kept").status, 0);
  const std::string kept = Zorhost(Folder(), "scale show kept").output;
  EXPECT_NE(kept.find(" 0.1 "), std::string::npos) << kept;
  EXPECT_NE(kept.find(" 0.5 "), std::string::npos) << kept;
}

}  // namespace
