// The legend model and its renderings, the analysis options' extremes, and one picture whichever
// job paints it: through the loaded module's scales.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <limits>
#include <sstream>

#include "ZorhostRun.h"
#include "support/ZORTestSupport.h"
#include "zorhost/scale/AnalysisOptions.h"
#include "zorhost/render/Render.h"
#include "zorhost/figure/LegendModel.h"
#include "zorhost/figure/LegendSvg.h"
#include "zorhost/figure/LegendText.h"
#include "zorhost/picture/PictureSteps.h"
#include "zorhost/serve/ScaleEditor.h"

namespace {

namespace fs = std::filesystem;

constexpr double kTolerance = ZORHostSession::kDefaultModelTolerance;

class Legend : public ZORScaleTest {
 protected:
  ZORLegendModel Model(const ZORBlockCounts* counts = nullptr) {
    scale_->SetTolerance(kTolerance);
    const ZORScaleSnapshot snapshot(scale_.get());
    return ZORMakeLegend(snapshot, counts);
  }
};

TEST_F(Legend, SpansReadAsTheBoundariesAPersonSet) {
  // Boundaries -0.25 (imposed), 0.5 and 1 (imposed); blocks 1 and 4 imposed, 2 and 3 blended.
  ConfigureScale(scale_.get(), 4, {{1, 0, 0, 255, 255}, {4, 255, 0, 0, 255}}, {{1, -0.25}, {3, 1.0}});
  scale_->SetExtremeImposedValues(-0.25, 1.0);
  ZORBlockCounts counts{{0, 3, 4, 5, 6}, 1, 0};
  const ZORLegendModel legend = Model(&counts);
  ASSERT_EQ(legend.rows.size(), 4u);
  EXPECT_EQ(legend.rows[0].span, "-inf to -0.25");
  EXPECT_EQ(legend.rows[1].span, "-0.25 to 0.375");
  EXPECT_EQ(legend.rows[1].boundary, "-0.25 imposed");
  EXPECT_EQ(legend.rows[2].boundary, "0.375");
  EXPECT_EQ(legend.rows[3].span, "1 to inf");
  EXPECT_EQ(legend.rows[1].colorText, "85, 0, 170, 255 *");
  EXPECT_TRUE(legend.anyInterpolated);
  EXPECT_TRUE(legend.notes.empty());
  const std::string summary = ZORLegendSummary(legend);
  EXPECT_NE(summary.find("      2  -0.25           0.375           85, 0, 170, 255 *       4\n"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("(* interpolated color"), std::string::npos);
  EXPECT_NE(summary.find("undefined values: 1\n"), std::string::npos);

  // Every color imposed: no footnote; the listing of `zorhost scale show`.
  ConfigureScale(scale_.get(), 3, {{1, 1, 1, 1, 255}, {2, 2, 2, 2, 255}, {3, 3, 3, 3, 255}},
                 {{1, -1.0}, {2, 2.0}});
  scale_->SetExtremeImposedValues(-1.0, 2.0);
  const ZORLegendModel imposed = Model();
  EXPECT_FALSE(imposed.anyInterpolated);
  EXPECT_EQ(ZORLegendSummary(imposed).find("(* interpolated"), std::string::npos);
  EXPECT_EQ(imposed.rows[0].span, "-inf to -1");
  // The listing speaks as the legend does: each block's lower boundary, "imposed" or not, and a
  // star on an interpolated color.
  const std::string listing = ZORLegendListing(imposed, "imposed");
  EXPECT_NE(listing.find("  block  lower boundary         values from      to               color (r, g, b, a)\n"
                         "      1                         -inf             -1               1, 1, 1, 255\n"
                         "      2  -1 imposed             -1               2                2, 2, 2, 255\n"),
            std::string::npos)
      << listing;
  // Extremes that follow the values are the analysis's, not imposed by a person.
  scale_->SetAutoMinMaxStatus(ZORTrue);
  const int second = 2;
  scale_->UnsetImposedColors(&second, 1);
  const ZORLegendModel automatic = Model();
  EXPECT_EQ(automatic.rows[1].boundary, "-1 automatic");
  EXPECT_EQ(automatic.rows[2].boundary, "2 automatic");
  const std::string blended = ZORLegendListing(automatic, "automatic");
  EXPECT_NE(blended.find("2, 2, 2, 255 *\n"), std::string::npos) << blended;
  EXPECT_NE(blended.find(ZORLegendModel::kInterpolatedNote), std::string::npos) << blended;
}

TEST_F(Legend, ATableUpTo24BlocksABarBeyond) {
  const std::vector<std::uint8_t> rgba(4 * 4, 255);
  for (int blocks : {24, 25}) {
    ConfigureScale(scale_.get(), blocks, {{1, 0, 0, 255, 255}, {blocks, 255, 0, 0, 255}},
                   {{1, 0.0}, {blocks - 1, 1.0}});
    ZORBlockCounts counts;
    counts.perBlock.assign(static_cast<std::size_t>(blocks) + 1, 1);
    const std::string svg = ZORLegendSvg("a title", 2, 2, rgba, Model(&counts));
    const bool table = svg.find(">lower boundary<") != std::string::npos;
    const bool bar = svg.find(">" + std::to_string(blocks) + " blocks") != std::string::npos;
    EXPECT_EQ(table, blocks == 24) << blocks;
    EXPECT_EQ(bar, blocks == 25) << blocks;
  }
}

TEST_F(Legend, TheExtremesAtEveryOutlierShare) {
  ZORMeasuredRange measured;
  std::vector<double> values;
  for (int i = 0; i <= 100; ++i) values.push_back(i);
  measured = ZORMeasure(values, {});
  struct Case {
    int share;
    double lowest;
    double highest;
    const char* said;
  };
  const Case cases[] = {{0, 0, 100, "follow the measured range\n"},
                        {1, 1, 99, "at percentiles 1 and 99"},
                        {kZORLargestOutlierShare, 49, 51, "at percentiles 49 and 51"},
                        {kZORLargestOutlierShare + 1, 0, 100, "AutoMinMaxOption 50 is not a percentage from 0 to 49"},
                        {-1, 0, 100, "AutoMinMaxOption -1 is not a percentage"}};
  for (const Case& c : cases) {
    ASSERT_EQ(scale_->SetNumberOfBlocks(5), 0);
    scale_->SetAutoMinMaxStatus(1);
    scale_->SetAutoMinMaxOption(c.share);
    const std::vector<std::string> done = ZORApplyAnalysisOptions(scale_.get(), measured);
    double lowest = 0.0, highest = 0.0;
    scale_->GetExtremeImposedValues(&lowest, &highest);
    // Widened by a rounding at most, so that values of the part the sample missed stay inside.
    EXPECT_LE(lowest, c.lowest) << c.share;
    EXPECT_GE(highest, c.highest) << c.share;
    EXPECT_NEAR(lowest, c.lowest, std::ldexp(c.lowest, -39)) << c.share;
    EXPECT_NEAR(highest, c.highest, std::ldexp(c.highest, -39)) << c.share;
    ASSERT_FALSE(done.empty());
    EXPECT_NE((done.front() + "\n").find(c.said), std::string::npos) << done.front();
  }
}

// `zorhost serve` shows the picture `zorhost render` writes (without its legend), to the byte.
TEST(OnePicture, RenderAndServePaintTheSame) {
  ZORTemporarySettingsFolder settings;
  const fs::path folder = fs::path(settings.Path()).parent_path();
  std::unique_ptr<ZORModuleHost> host;
  ASSERT_EQ(ZORModuleHost::Open(ZOR_MODULE_PATH, host), std::nullopt);
  ZORRenderOptions options;
  options.source.partPath = ZOR_EXAMPLE_PARTS "/bracket.step";
  options.picture.analysis = ZORAnalysis::Mean;
  options.picture.width = 320;
  options.picture.height = 240;
  options.scale.classify = ZORClassMethod::Quantile;
  options.outputs.prefix = (folder / "rendered").string();
  options.outputs.legendInPicture = false;
  std::ostringstream out, err;
  ASSERT_FALSE(ZORRender(*host, options, out, err)) << err.str();
  std::unique_ptr<ZORScaleEditor> editor;
  ASSERT_EQ(ZORScaleEditor::Open(*host, options, std::cerr, editor), std::nullopt);
  std::string served;
  ASSERT_FALSE(editor->Picture(editor->View(), false, served));
  EXPECT_EQ(served, ReadWholeFile((folder / "rendered.png").string()));
  editor.reset();
}

// A lit picture's bytes are each color component times its light rounded as std::lround rounds
// (halves away from zero), and the legend's counts are the same on any number of threads.
TEST(OnePicture, LitColorsRoundAsTheMathLibraryAndCountsHoldOnEveryThread) {
  constexpr std::size_t kPixels = 3 * 65536 + 7;  // more than one piece a thread
  ZORPictureValues values;
  ZORPainting painting;
  painting.blocks.resize(kPixels);
  painting.colors.resize(4 * kPixels);
  values.light.resize(kPixels);
  values.covered.resize(kPixels);
  std::uint32_t state = 12345;
  auto next = [&state] { return state = state * 1664525u + 1013904223u; };
  for (std::size_t i = 0; i < kPixels; ++i) {
    // Every fourth light is a half or a quarter, whose products end in exactly .5 for some components.
    const float fraction = static_cast<float>(next() >> 8) / static_cast<float>(1u << 24);
    values.light[i] = i % 4 == 0 ? (i % 8 == 0 ? 0.5f : 0.25f) : 0.25f + 0.75f * fraction;
    values.covered[i] = i % 5 != 0;
    painting.blocks[i] = static_cast<int>(next() % 12) - 1;  // -1 (no color), 0 (undefined) to 10
    for (std::size_t c = 0; c < 4; ++c) painting.colors[4 * i + c] = static_cast<std::uint8_t>(next() >> 24);
  }
  const ZORBlockCounts one = ZORCountBlocks(painting, values, 10, 1);
  const ZORBlockCounts two = ZORCountBlocks(painting, values, 10, 2);
  EXPECT_EQ(one.perBlock, two.perBlock);
  EXPECT_EQ(one.undefined, two.undefined);
  EXPECT_EQ(one.noColor, two.noColor);
  long counted = one.undefined + one.noColor;
  for (long n : one.perBlock) counted += n;
  EXPECT_EQ(counted, std::count(values.covered.begin(), values.covered.end(), 1));

  const ZORPainting painted = painting;
  const ZORRgba undefined{1, 2, 3, 4}, background{9, 8, 7, 6};
  const std::vector<std::uint8_t> rgba = ZORPictureRgba(values, painting, undefined, background, 2);
  for (std::size_t i = 0; i < kPixels; ++i) {
    const std::uint8_t* color = &painted.colors[4 * i];
    const ZORRgba expected =
        !values.covered[i]          ? background
        : painted.blocks[i] < 0     ? undefined
                                    : ZORRgba{color[0], color[1], color[2], color[3]};
    const double light = values.covered[i] ? static_cast<double>(values.light[i]) : 1.0;
    const int components[] = {expected.red, expected.green, expected.blue};
    for (std::size_t c = 0; c < 3; ++c) {
      ASSERT_EQ(rgba[4 * i + c], std::lround(components[c] * light)) << "pixel " << i << " component " << c;
    }
    ASSERT_EQ(rgba[4 * i + 3], expected.alpha) << "pixel " << i;
  }
}

}  // namespace
