#include "zorhost/render/PaintOptions.h"

#include <cmath>

#include "colorscale/SettingsRecord.h"
#include "zor/ZORText.h"
#include "zorhost/common/Choices.h"
#include "zorhost/common/CommandLine.h"
#include "zorhost/script/ScriptValues.h"

namespace {

constexpr int kLargestSide = 8192;

const option kPaintOptions[] = {
    {"values", required_argument, nullptr, kZORValuesOption},
    {"sample", required_argument, nullptr, kZORSampleOption},
    {"settings", required_argument, nullptr, kZORSettingsOption},
    {"blocks", required_argument, nullptr, kZORBlocksOption},
    {"preset", required_argument, nullptr, kZORPresetOption},
    {"classify", required_argument, nullptr, kZORClassifyOption},
    {"analysis", required_argument, nullptr, kZORAnalysisOption},
    {"shading", required_argument, nullptr, kZORShadingOption},
    {"view", required_argument, nullptr, kZORViewOption},
    {"size", required_argument, nullptr, kZORSizeOption},
    {"background", required_argument, nullptr, kZORBackgroundOption},
    {"time-limit", required_argument, nullptr, kZORTimeLimitOption},
    {"zoom", required_argument, nullptr, kZORZoomOption},
    {"pan", required_argument, nullptr, kZORPanOption},
    {"range", required_argument, nullptr, kZORRangeOption},
    {"module", required_argument, nullptr, kZORModuleOption},
};

// "WxH", each from 1 to kLargestSide.
bool ReadSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  const std::optional<int> w = ZORScriptValues::ReadInt(text.substr(0, x));
  const std::optional<int> h = ZORScriptValues::ReadInt(text.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > kLargestSide || *h > kLargestSide) return false;
  width = *w;
  height = *h;
  return true;
}

// "R,G,B", each from 0 to 255.
bool ReadColor(const std::string& text, ZORRgba& color) {
  const std::optional<std::vector<int>> components = ZORScriptValues::ReadIntList("[" + text + "]");
  if (!components || components->size() != 3) return false;
  for (int c : *components) {
    if (c < 0 || c > 255) return false;
  }
  color = {(*components)[0], (*components)[1], (*components)[2], 255};
  return true;
}

// "A,B", two finite numbers.
std::optional<std::pair<double, double>> ReadPair(const std::string& text) {
  const std::optional<std::vector<double>> pair = ZORScriptValues::ReadDoubleList("[" + text + "]");
  if (!pair || pair->size() != 2 || !std::isfinite((*pair)[0]) || !std::isfinite((*pair)[1])) return std::nullopt;
  return std::pair{(*pair)[0], (*pair)[1]};
}

std::string Refusal(const char* option, const std::string& form, const std::string& value) {
  return std::string(option) + " is " + form + ", not " + ZORShown(value);
}

}  // namespace

const char* const kZORPaintOptionsHelp =
    R"(  --analysis A          gaussian (default), mean, min or max (the principal curvatures k1 <= k2)
  --shading S           lit (default: the colors lit, so that the shape reads) or none (every
                        pixel exactly the scale's color of its value)
  --view V              iso (default), front, back, top, bottom, left or right, or AZ,EL: the
                        azimuth and elevation in degrees the part is seen from (+z up; front is
                        -90,0, iso -45,35.26)
  --zoom F              the part F times larger than it fits the picture (default 1)
  --pan X,Y             the part moved by these shares of the picture's width and height
                        (right and down positive; default 0,0)
  --range LO,HI         the scale's extremes at LO and HI, instead of following the values
  --range symmetric     the extremes at -m and m, m the largest magnitude measured, so that zero
                        lies in the middle
  --size WxH            the picture's size in pixels (default 1024x768, each at most 8192)
  --background R,G,B    the color where no surface is seen, or a grid gives no value (default
                        255,255,255)
  --time-limit SECONDS  the longest that reading and meshing PART may take (default 60, 0 for
                        none): past it zorhost stops with exit status 2, writing nothing
  --sample field        paint the sample height field (a grid of values) instead of a part
  --values FILE.csv     paint this grid of values (one row a line, values separated by commas;
                        nan is undefined, an empty cell no value: the background) instead of a
                        part
  --settings NAME       load the scale from the settings repository NAME instead of making the
                        default one
  --blocks N            blocks of the default scale (default 9, at most 65536)
  --preset NAME         impose the colors of a built-in ramp on the scale's blocks: default,
                        viridis, cividis, magma, cool-warm or grayscale (zorhost scale presets)
  --classify METHOD     impose the boundaries from the values painted: equal (equal intervals
                        between the extremes), quantile (equal counts), jenks (natural breaks),
                        stddev (steps of the standard deviation about the mean), symmetric
                        (equal intervals centred on zero) or log (logarithmic, values above zero)
  --module PATH         the module to load
)";

std::vector<option> ZORPaintOptionTable(const std::vector<option>& own) {
  std::vector<option> table(std::begin(kPaintOptions), std::end(kPaintOptions));
  table.insert(table.end(), own.begin(), own.end());
  table.push_back({"help", no_argument, nullptr, 'h'});
  table.push_back({nullptr, 0, nullptr, 0});
  return table;
}

std::string ZORPaintOptionReader::Take(int id, const std::string& value) {
  ZORValueSource& source = options_.source;
  ZORPictureSettings& picture = options_.picture;
  ZORScaleRecipe& scale = options_.scale;
  switch (id) {
    case kZORValuesOption:
      source.valuesPath = value;
      return ZORCheckNotEmpty("--values", value);
    case kZORSampleOption:
      sampleGiven_ = true;
      if (value != "part" && value != "field") return Refusal("--sample", "part or field", value);
      source.sample = value == "part" ? ZORValueSource::Sample::Part : ZORValueSource::Sample::Field;
      return {};
    case kZORSettingsOption:
      scale.settingsName = value;
      return ZORCheckNotEmpty("--settings", value);
    case kZORBlocksOption: {
      constexpr int kMostBlocks = ZORSettingsRecord::kMaximumBlockCount;
      const std::optional<int> blocks = ZORScriptValues::ReadInt(value);
      if (!blocks || *blocks < 1 || *blocks > kMostBlocks) {
        return Refusal("--blocks", "a whole number from 1 to " + std::to_string(kMostBlocks), value);
      }
      scale.blocks = *blocks;
      blocksGiven_ = true;
      return {};
    }
    case kZORPresetOption:
      scale.preset = ZORFindColorPreset(value);
      return scale.preset ? std::string() : Refusal("--preset", ZORColorPresetChoices(), value);
    case kZORClassifyOption:
      scale.classify = ZORClassMethodNamed(value);
      return scale.classify ? std::string() : Refusal("--classify", ZORClassMethodChoices(), value);
    case kZORAnalysisOption: {
      partOptions_.push_back("--analysis");
      const std::optional<ZORAnalysis> analysis = ZORAnalysisNamed(value);
      if (!analysis) return Refusal("--analysis", ZORChoices(ZORAnalysisKeywords()), value);
      picture.analysis = *analysis;
      return {};
    }
    case kZORShadingOption:
      partOptions_.push_back("--shading");
      if (value != "lit" && value != "none") return Refusal("--shading", "lit or none", value);
      picture.shading = value == "lit" ? ZORPictureSettings::Shading::Lit : ZORPictureSettings::Shading::None;
      return {};
    case kZORViewOption: {
      partOptions_.push_back("--view");
      const std::optional<ZORViewpoint> viewpoint = ZORViewpoint::Read(value);
      if (!viewpoint) {
        return Refusal("--view", ZORChoices(ZORViewNames()) + ", or AZ,EL in degrees (EL from -90 to 90)", value);
      }
      picture.viewpoint.named = viewpoint->named;
      picture.viewpoint.azimuth = viewpoint->azimuth;
      picture.viewpoint.elevation = viewpoint->elevation;
      return {};
    }
    case kZORZoomOption: {
      partOptions_.push_back("--zoom");
      const std::optional<double> zoom = ZORScriptValues::ReadDouble(value);
      if (!zoom || !(*zoom >= 0.01 && *zoom <= 1000.0)) return Refusal("--zoom", "a factor from 0.01 to 1000", value);
      picture.viewpoint.zoom = *zoom;
      return {};
    }
    case kZORPanOption: {
      partOptions_.push_back("--pan");
      const std::optional<std::pair<double, double>> pan = ReadPair(value);
      if (!pan || std::fabs(pan->first) > 10.0 || std::fabs(pan->second) > 10.0) {
        return Refusal("--pan", "X,Y, shares of the picture's width and height from -10 to 10", value);
      }
      picture.viewpoint.panX = pan->first;
      picture.viewpoint.panY = pan->second;
      return {};
    }
    case kZORRangeOption: {
      if (value == "symmetric") {
        scale.range = ZORValueRange{true, 0.0, 0.0};
        return {};
      }
      const std::optional<std::pair<double, double>> range = ReadPair(value);
      if (!range || !(range->first < range->second)) {
        return Refusal("--range", "LO,HI, two finite numbers LO below HI, or symmetric", value);
      }
      scale.range = ZORValueRange{false, range->first, range->second};
      return {};
    }
    case kZORSizeOption:
      partOptions_.push_back("--size");
      return ReadSize(value, picture.width, picture.height)
                 ? std::string()
                 : Refusal("--size", "WxH, each from 1 to " + std::to_string(kLargestSide) + " pixels", value);
    case kZORBackgroundOption:
      return ReadColor(value, picture.background) ? std::string()
                                                  : Refusal("--background", "R,G,B, each from 0 to 255", value);
    case kZORTimeLimitOption: {
      const std::optional<double> seconds = ZORScriptValues::ReadDouble(value);
      if (!seconds || !(*seconds >= 0.0) || !std::isfinite(*seconds)) {
        return Refusal("--time-limit", "a number of seconds, 0 for none", value);
      }
      source.timeLimit = *seconds;
      return {};
    }
    case kZORModuleOption:
      modulePath_ = value;
      return ZORCheckNotEmpty("--module", value);
  }
  return {};
}

ZOROutcome ZORPaintOptionReader::Finish(const std::vector<std::string>& positional) {
  ZORValueSource& source = options_.source;
  if (positional.size() > 1) return ZORUsageProblem("unexpected argument " + ZORShown(positional[1]));
  if (!positional.empty()) {
    source.partPath = positional.front();
    if (source.partPath.empty()) return ZORUsageProblem("the PART's name may not be empty");
    if (!source.valuesPath.empty() || sampleGiven_) {
      return ZORUsageProblem("give a PART, --values or --sample, one of them");
    }
  }
  if (!source.valuesPath.empty() && sampleGiven_) return ZORUsageProblem("give --values or --sample, one of them");
  if (!source.PaintsPart() && !partOptions_.empty()) {
    return ZORUsageProblem(partOptions_.front() + " is for a part's picture, not a grid of values");
  }
  if (blocksGiven_ && !options_.scale.settingsName.empty()) {
    return ZORUsageProblem("--blocks makes the default scale, --settings loads one: give one of them");
  }
  if (!source.valuesPath.empty() && ZORIsDirectory(source.valuesPath)) {
    return ZORBadInput(ZORPrintable(source.valuesPath) + ": is a directory");
  }
  return std::nullopt;
}
