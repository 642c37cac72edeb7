// Scales carried to GMT and ParaView paint there as zorhost paints: every value of the bracket's
// pictures and values at random, the boundaries and their tolerance bands included, painted
// through each format's own rule (read here apart from zorhost's reader) give the module's color.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "ZorhostRun.h"
#include "support/ZORTestSupport.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/scale/ScaleStore.h"
#include "zorhost/scalefiles/ScaleFiles.h"

namespace {

namespace fs = std::filesystem;

struct Rgb {
  int red, green, blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// GMT's rule for a .cpt: a slice from z0 up to below z1 blends its two colors linearly (rounded);
// below the first slice B, from the last slice's end on F.
class GmtPalette {
 public:
  explicit GmtPalette(const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::string first;
      words >> first;
      if (first == "B" || first == "F" || first == "N") {
        std::string color;
        words >> color;
        (first == "B" ? below_ : first == "F" ? above_ : undefined_) = Color(color);
        continue;
      }
      Slice slice;
      std::string start, end;
      slice.z0 = std::stod(first);
      words >> start >> slice.z1 >> end;
      slice.c0 = Color(start);
      slice.c1 = Color(end);
      slices_.push_back(slice);
    }
  }
  Rgb Paint(double z) const {
    if (z < slices_.front().z0) return below_;
    if (z >= slices_.back().z1) return above_;
    const auto slice = std::upper_bound(slices_.begin(), slices_.end(), z, [](double v, const Slice& s) { return v < s.z1; });
    const double t = (z - slice->z0) / (slice->z1 - slice->z0);
    auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + t * (b - a))); };
    return {mix(slice->c0.red, slice->c1.red), mix(slice->c0.green, slice->c1.green), mix(slice->c0.blue, slice->c1.blue)};
  }
  std::size_t Slices() const { return slices_.size(); }

 private:
  struct Slice {
    double z0, z1;
    Rgb c0, c1;
  };
  static Rgb Color(const std::string& word) {
    Rgb c{};
    std::sscanf(word.c_str(), "%d/%d/%d", &c.red, &c.green, &c.blue);
    return c;
  }
  std::vector<Slice> slices_;
  Rgb below_{}, above_{}, undefined_{};
};

// ParaView's rule for a JSON preset: linear between the RGBPoints around a value, components from
// 0 to 1 (to bytes by rounding); below the first point BelowRangeColor, above the last
// AboveRangeColor.
class ParaViewMap {
 public:
  explicit ParaViewMap(const std::string& text) {
    const nlohmann::json map = nlohmann::json::parse(text)[0];
    const auto& points = map["RGBPoints"];
    for (std::size_t i = 0; i < points.size(); i += 4) {
      x_.push_back(points[i].get<double>());
      colors_.push_back({points[i + 1].get<double>(), points[i + 2].get<double>(), points[i + 3].get<double>()});
    }
    below_ = Bytes({map["BelowRangeColor"][0], map["BelowRangeColor"][1], map["BelowRangeColor"][2]});
    above_ = Bytes({map["AboveRangeColor"][0], map["AboveRangeColor"][1], map["AboveRangeColor"][2]});
  }
  Rgb Paint(double v) const {
    if (v < x_.front()) return below_;
    if (v > x_.back()) return above_;
    const std::size_t i = static_cast<std::size_t>(std::upper_bound(x_.begin(), x_.end(), v) - x_.begin());
    if (i == x_.size()) return Bytes(colors_.back());
    const double t = i == 0 ? 0.0 : (v - x_[i - 1]) / (x_[i] - x_[i - 1]);
    const auto& a = colors_[i == 0 ? 0 : i - 1];
    const auto& b = colors_[i];
    return Bytes({a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2])});
  }

 private:
  static Rgb Bytes(const std::array<double, 3>& c) {
    return {static_cast<int>(std::lround(c[0] * 255.0)), static_cast<int>(std::lround(c[1] * 255.0)),
            static_cast<int>(std::lround(c[2] * 255.0))};
  }
  std::vector<double> x_;
  std::vector<std::array<double, 3>> colors_;
  Rgb below_{}, above_{};
};

class ScaleInterchange : public ZORScaleTest {
 protected:
  fs::path Folder() { return fs::path(settings_.Path()).parent_path(); }
  // The values of a small render of `what`, its scale saved as the repository `name`.
  std::vector<double> Rendered(const std::string& what, const std::string& name) {
    const ProgramRun run = Zorhost(Folder(), "render " + what + " --size 240x180 --values-out values.csv --save-settings " +
                                                 name + " --out picture");
    EXPECT_EQ(run.status, 0) << run.errors;
    std::vector<double> values;
    std::istringstream csv(ReadWholeFile((Folder() / "values.csv").string()));
    for (std::string line; std::getline(csv, line);) {
      std::istringstream cells(line);
      for (std::string cell; std::getline(cells, cell, ',');) {
        if (!cell.empty() && cell != "nan") values.push_back(std::stod(cell));
      }
    }
    return values;
  }
  // Every value painted through the .cpt's and the .json's own rules, against the module's color
  // (clamped to a byte, as pictures are).
  void ExpectSamePainting(const std::string& name, std::vector<double> values) {
    std::vector<std::string> warnings;
    ASSERT_EQ(ZORLoadScale(scale_.get(), name, warnings), std::nullopt);
    const ZORScaleTable table = ZORReadScaleTable(scale_.get());
    // At each boundary, its tolerance band's ends and the doubles either side of them.
    std::mt19937 random(3);
    for (double boundary : table.boundaries) {
      for (double at : {boundary - table.tolerance, boundary, boundary + table.tolerance}) {
        values.push_back(at);
        values.push_back(std::nextafter(at, -HUGE_VAL));
        values.push_back(std::nextafter(at, HUGE_VAL));
      }
    }
    const double low = table.boundaries.front(), high = table.boundaries.back(), span = high - low;
    std::uniform_real_distribution<double> anywhere(low - 0.2 * span, high + 0.2 * span);
    for (int i = 0; i < 100000; ++i) values.push_back(anywhere(random));
    std::string cpt, json;
    ASSERT_EQ(ZORFormatScaleFile(table, ZORScaleFormat::Cpt, name, cpt), std::nullopt);
    ASSERT_EQ(ZORFormatScaleFile(table, ZORScaleFormat::Json, name, json), std::nullopt);
    const GmtPalette gmt(cpt);
    const ParaViewMap paraview(json);
    int compared = 0;
    for (double value : values) {
      int red = 0, green = 0, blue = 0, alpha = 0;
      if (scale_->GetColorForValue(value, &red, &green, &blue, &alpha) < 0) continue;
      const Rgb module{std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255)};
      ASSERT_EQ(gmt.Paint(value), module) << name << " .cpt at " << ZORExactNumber(value);
      ASSERT_EQ(paraview.Paint(value), module) << name << " .json at " << ZORExactNumber(value);
      ++compared;
    }
    EXPECT_GT(compared, 100000);
  }
  ZORTemporarySettingsFolder settings_;
};

TEST_F(ScaleInterchange, GmtAndParaViewPaintTheBracketsPicturesAsZorhost) {
  const std::string bracket = "'" ZOR_EXAMPLE_PARTS "/bracket.step'";
  ExpectSamePainting("mean", Rendered(bracket + " --analysis mean", "mean"));
  ExpectSamePainting("gaussian", Rendered(bracket + " --analysis gaussian --classify quantile", "gaussian"));
  ExpectSamePainting("deviation",
                     Rendered("'" ZOR_EXAMPLE_PARTS "/bracket-scan.stl' --analysis deviation --reference " + bracket,
                              "deviation"));
}

}  // namespace
