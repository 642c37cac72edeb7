#include "zorhost/picture/PaintOptions.h"

#include <algorithm>
#include <cmath>

#include "zor/ZORText.h"
#include "zorhost/common/Choices.h"
#include "zorhost/common/CommandLine.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/common/Numbers.h"

namespace {

constexpr const char* kRangeForm = "LO,HI, two finite numbers LO below HI (their difference finite too), or symmetric";

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
    {"threads", required_argument, nullptr, kZORThreadsOption},
    {"reference", required_argument, nullptr, kZORReferenceOption},
    {"deviation-edges", required_argument, nullptr, kZORDeviationEdgesOption},
    {"max-distance", required_argument, nullptr, kZORMaxDistanceOption},
    {"pull", required_argument, nullptr, kZORPullOption},
    {"field", required_argument, nullptr, kZORFieldOption},
    {"module", required_argument, nullptr, kZORModuleOption},
    {"tolerance", required_argument, nullptr, kZORToleranceOption},
    {"min-draft", required_argument, nullptr, kZORMinDraftOption},
    {"pass-share", required_argument, nullptr, kZORPassShareOption},
    {"unit", required_argument, nullptr, kZORUnitOption},
    {"light", required_argument, nullptr, kZORLightOption},
    {"stripes", required_argument, nullptr, kZORStripesOption},
    {"thickness", required_argument, nullptr, kZORThicknessOption},
    {"min-thickness", required_argument, nullptr, kZORMinThicknessOption},
};

// "WxH", each from 1 to kZORLargestSide.
bool ReadSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  const std::optional<int> w = ZORReadInt(text.substr(0, x));
  const std::optional<int> h = ZORReadInt(text.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > kZORLargestSide || *h > kZORLargestSide) return false;
  width = *w;
  height = *h;
  return true;
}

// "R,G,B", each from 0 to 255.
bool ReadColor(const std::string& text, ZORRgba& color) {
  const std::optional<std::vector<int>> components = ZORReadInts(text);
  if (!components || components->size() != 3) return false;
  for (int c : *components) {
    if (c < 0 || c > 255) return false;
  }
  color = {(*components)[0], (*components)[1], (*components)[2], 255};
  return true;
}

// "A,B", two finite numbers.
std::optional<std::pair<double, double>> ReadPair(const std::string& text) {
  const std::optional<std::vector<double>> pair = ZORReadDoubles(text);
  if (!pair || pair->size() != 2 || !std::isfinite((*pair)[0]) || !std::isfinite((*pair)[1])) return std::nullopt;
  return std::pair{(*pair)[0], (*pair)[1]};
}

ZOROutcome Refusal(const std::string& option, const std::string& form, const std::string& value) {
  return ZORBadInput(option + " is " + form + ", not " + ZORShown(value));
}

// A pass limit: a number that `valid` holds, in the form `form`.
ZOROutcome TakePassLimit(const char* option, const std::string& value, bool (*valid)(double), const char* form,
                         std::optional<double>& limit) {
  const std::optional<double> number = ZORReadDouble(value);
  if (!number || !valid(*number)) return Refusal(option, form, value);
  limit = *number;
  return std::nullopt;
}

// "X,Y,Z": three finite numbers, not all 0, as the unit vector along them, however large or
// small they are.
std::optional<ZORVec3> ReadDirection(const std::string& text) {
  const std::optional<std::vector<double>> c = ZORReadDoubles(text);
  if (!c || c->size() != 3 || !std::all_of(c->begin(), c->end(), [](double x) { return std::isfinite(x); }) ||
      std::all_of(c->begin(), c->end(), [](double x) { return x == 0.0; })) {
    return std::nullopt;
  }
  return Normalized(ZORVec3{(*c)[0], (*c)[1], (*c)[2]});
}

}  // namespace

std::string ZORPaintOptionsHelp() {
  return R"(  --analysis A          gaussian (default), mean, min or max (the principal curvatures k1 <= k2),
                        deviation (from --reference), draft (against --pull), field (--field),
                        isophote or reflection (against --light), thickness (of a solid's wall)
  --field NAME          paint the vertex property NAME of a PLY mesh (a thickness, a stress, a
                        deviation measured elsewhere), interpolated between the vertices as
                        curvature is; its unit is not known
  --reference REF       deviation: the signed distance from each point to the part REF (CAD or
                        mesh), positive on the side its outward normals point to. Both parts are
                        read where their files place them, in their files' units (a CAD file's
                        in millimetres, a mesh's as it stands): parts known to be in two units
                        are refused; placing them and a mesh's unit are the user's concern
  --deviation-edges E   undefined (default): a point beyond REF's edges, nearest its boundary,
                        has no value; keep: its distance to the edge
  --max-distance D      deviation: points farther than D from REF have no value
  --pull X,Y,Z          draft: the direction the tool pulls in (default 0,0,1); the draft angle
                        is 90 degrees less the angle between the outward normal and the pull,
                        negative on an undercut. Without --preset, --settings or --blocks, draft
                        is painted with the draft preset
  --light X,Y,Z         isophote: the angle between the outward normal and this direction (default:
                        toward the viewer); reflection: the angle between the view ray the
                        surface reflects and this direction (default 0,0,1, overhead), so that
                        the stripes move as the view turns. Both from 0 to 180 degrees
  --stripes DEG         isophote and reflection: painted as zebra stripes DEG degrees wide, dark
                        and light in turn (default 10, the zebra preset), unless a scale is
                        asked for
  --thickness M         thickness: ray (default), the distance along the inward normal to the
                        opposite wall, exact on a CAD part; where walls meet (corners, ribs,
                        fillets) the ray runs through the material and reads long. sphere: the
                        diameter of the largest ball inside the part that touches the point,
                        which stays true there (and costs more). No value where the ray leaves
                        the part without meeting a wall (an open sheet)
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
  --size WxH            the picture's size in pixels (default 1024x768, each at most )" + std::to_string(kZORLargestSide) + R"()
  --background R,G,B    the color where no surface is seen, or a grid gives no value (default
                        255,255,255)
  --time-limit SECONDS  the longest that reading, meshing and analysing PART (at every pixel)
                        may take (default )" + ZORShownNumber(kZORDefaultTimeLimit) + R"(; 0, or more than )" +
         ZORShownNumber(kZORLongestTimeLimit) + R"(, for none): past it
                        zorhost stops with exit status 2, writing nothing
  --sample field        paint the sample height field (a grid of values) instead of a part
  --values FILE.csv     paint this grid of values (one row a line, values separated by commas;
                        nan is undefined, an empty cell no value: the background) instead of a
                        part
  --settings NAME       load the scale from the settings repository NAME instead of making the
                        default one
  --blocks N            blocks of the default scale (default 9, at most )" + std::to_string(kZORMostBlocks) + R"()
  --preset NAME         impose the colors of a built-in ramp on the scale's blocks: default,
                        viridis, cividis, magma, turbo, cool-warm, RdBu or grayscale; or the
                        draft scale (4 blocks, boundaries at 0, 1 and 3 degrees); NAME_r is
                        any of them reversed (zorhost scale presets)
  --classify METHOD     impose the boundaries from the values painted: equal (equal intervals
                        between the extremes), quantile (equal counts), jenks (natural breaks),
                        stddev (steps of the standard deviation about the mean), symmetric
                        (equal intervals centred on zero) or log (logarithmic, values above zero)
  --tolerance T         values from -T to T pass (or LO,HI: from LO to HI): painted with a
                        tolerance scale, one green block between the limits, graded warm blocks
                        above and cool below out to --range (else the part's extremes), at
                        round steps; the summary tells the shares of area in, above and below
                        it and the verdict. Without it (or --preset, --settings, --classify) a
                        deviation is painted diverging about zero, zero in the middle block
  --min-draft A         draft: the draft scale with its pass limit at A degrees (undercuts
                        apart), and the verdict of the share of area that reaches it
  --min-thickness T     thickness: walls thinner than T fail: green from T on, warm blocks below
                        down to the thinnest, and the verdict of the share of area that passes
  --pass-share P        the part passes when at least P percent of its area passes (default
                        100)
  --unit NAME           the length unit of a mesh whose file states none (and of its
                        reference): "mm" say. A STEP or IGES part states its own, millimetres;
                        a deviation is in its reference's unit
  --threads N           threads that work on a part's picture (default: one a core); the
                        picture is the same for any number
  --module PATH         the module to load
)";
}

ZOROutcome ZORTakePictureSetting(ZORPictureSetting setting, const std::string& name, const std::string& value,
                                 ZORPictureSettings& picture) {
  const char* shown = name.c_str();
  switch (setting) {
    case ZORPictureSetting::Analysis: {
      const std::optional<ZORAnalysis> analysis = ZORAnalysisNamed(value);
      if (!analysis) return Refusal(shown, ZORChoices(ZORAnalysisKeywords()), value);
      picture.analysis = *analysis;
      return std::nullopt;
    }
    case ZORPictureSetting::Thickness: {
      const std::optional<ZORThicknessMethod> method = ZORThicknessMethodNamed(value);
      if (!method) return Refusal(shown, kZORThicknessMethodChoices, value);
      picture.parameters.thickness = *method;
      return std::nullopt;
    }
    case ZORPictureSetting::Shading:
      if (value != "lit" && value != "none") return Refusal(shown, "lit or none", value);
      picture.shading = value == "lit" ? ZORPictureSettings::Shading::Lit : ZORPictureSettings::Shading::None;
      return std::nullopt;
    case ZORPictureSetting::View: {
      const std::optional<ZORViewpoint> viewpoint = ZORViewpoint::Read(value);
      if (!viewpoint) {
        return Refusal(shown, ZORChoices(ZORViewNames()) + ", or AZ,EL in degrees (EL from -90 to 90)", value);
      }
      picture.viewpoint.named = viewpoint->named;
      picture.viewpoint.azimuth = viewpoint->azimuth;
      picture.viewpoint.elevation = viewpoint->elevation;
      return std::nullopt;
    }
    case ZORPictureSetting::Zoom: {
      const std::optional<double> zoom = ZORReadDouble(value);
      if (!zoom || !(*zoom >= kZORLeastZoom && *zoom <= kZORMostZoom)) {
        return Refusal(shown, "a factor from " + ZORShownNumber(kZORLeastZoom) + " to " + ZORShownNumber(kZORMostZoom), value);
      }
      picture.viewpoint.zoom = *zoom;
      return std::nullopt;
    }
    case ZORPictureSetting::Pan: {
      const std::optional<std::pair<double, double>> pan = ReadPair(value);
      if (!pan || std::fabs(pan->first) > kZORMostPan || std::fabs(pan->second) > kZORMostPan) {
        return Refusal(shown, "X,Y, shares of the picture's width and height from -" + ZORShownNumber(kZORMostPan) + " to " +
                                  ZORShownNumber(kZORMostPan), value);
      }
      picture.viewpoint.panX = pan->first;
      picture.viewpoint.panY = pan->second;
      return std::nullopt;
    }
    case ZORPictureSetting::Light:
      if (value == "default") {  // toward the viewer, or overhead
        picture.parameters.light.reset();
        return std::nullopt;
      }
      [[fallthrough]];
    case ZORPictureSetting::Pull: {
      const std::optional<ZORVec3> direction = ReadDirection(value);
      if (!direction) return Refusal(shown, "X,Y,Z, a direction: three finite numbers, not all 0", value);
      (setting == ZORPictureSetting::Pull ? picture.parameters.pull : picture.parameters.light.emplace()) = *direction;
      return std::nullopt;
    }
    case ZORPictureSetting::Size:
      return ReadSize(value, picture.width, picture.height)
                 ? std::nullopt
                 : Refusal(shown, "WxH, each from 1 to " + std::to_string(kZORLargestSide) + " pixels", value);
  }
  return std::nullopt;
}

void ZORChooseAnalysisScale(ZORAnalysis analysis, ZORScaleRecipe& recipe) {
  if (analysis == ZORAnalysis::Draft && !recipe.minDraft) recipe.preset = ZORFindColorPreset("draft");
  // Thin walls are the concern: red.
  if (analysis == ZORAnalysis::Thickness && !recipe.minThickness) recipe.preset = ZORFindColorPreset("default_r");
  const bool angles = analysis == ZORAnalysis::Isophote || analysis == ZORAnalysis::Reflection;
  if (angles && !recipe.tolerance && !recipe.stripes) recipe.stripes = kZORDefaultStripes;
}

std::string ZORDirectionText(const ZORVec3& direction) {
  return ZORShownNumber(direction.x) + "," + ZORShownNumber(direction.y) + "," + ZORShownNumber(direction.z);
}

std::optional<ZORValueRange> ZORReadValueRange(const std::string& text) {
  if (text == "symmetric") return ZORValueRange{true, 0.0, 0.0};
  const std::optional<std::pair<double, double>> range = ReadPair(text);
  // A range wider than a double holds would give infinite boundaries.
  if (!range || !(range->first < range->second) || !std::isfinite(range->second - range->first)) return std::nullopt;
  return ZORValueRange{false, range->first, range->second};
}

void ZORPaintOptionReader::ForAnalysis(const char* option, ZORAnalysis analysis) {
  partOptions_.push_back(option);
  analysisOptions_.emplace_back(option, analysis);
}

ZOROutcome ZORPaintOptionReader::TakePartSetting(ZORPictureSetting setting, const char* option,
                                                 const std::string& value) {
  partOptions_.push_back(option);
  return ZORTakePictureSetting(setting, option, value, options_.picture);
}

std::vector<option> ZORPaintOptionTable(const std::vector<option>& own) {
  std::vector<option> table(std::begin(kPaintOptions), std::end(kPaintOptions));
  table.insert(table.end(), own.begin(), own.end());
  table.push_back({"help", no_argument, nullptr, 'h'});
  table.push_back({nullptr, 0, nullptr, 0});
  return table;
}

ZOROutcome ZORPaintOptionReader::Take(int id, const std::string& value) {
  switch (id) {
    case kZORValuesOption:
    case kZORSampleOption:
    case kZORTimeLimitOption:
    case kZORModuleOption:
    case kZORUnitOption:
      return TakeSource(id, value);
    case kZORSettingsOption:
    case kZORBlocksOption:
    case kZORPresetOption:
    case kZORClassifyOption:
    case kZORRangeOption:
      return TakeScale(id, value);
    case kZORReferenceOption:
    case kZORDeviationEdgesOption:
    case kZORMaxDistanceOption:
    case kZORPullOption:
    case kZORFieldOption:
    case kZORLightOption:
    case kZORThicknessOption:
      return TakeAnalysisParameter(id, value);
    case kZORStripesOption:
      return TakeStripes(value);
    case kZORToleranceOption:
    case kZORMinDraftOption:
    case kZORMinThicknessOption:
    case kZORPassShareOption:
      return TakeAcceptance(id, value);
  }
  return TakePicture(id, value);
}

ZOROutcome ZORPaintOptionReader::TakeSource(int id, const std::string& value) {
  ZORValueSource& source = options_.source;
  switch (id) {
    case kZORValuesOption:
      source.valuesPath = value;
      return ZORCheckNotEmpty("--values", value);
    case kZORSampleOption:
      sampleGiven_ = true;
      if (value != "part" && value != "field") return Refusal("--sample", "part or field", value);
      source.sample = value == "part" ? ZORValueSource::Sample::Part : ZORValueSource::Sample::Field;
      return std::nullopt;
    case kZORUnitOption:
      partOptions_.push_back("--unit");
      source.lengthUnit = value;
      return ZORCheckNotEmpty("--unit", value);
    case kZORTimeLimitOption: {
      const std::optional<double> seconds = ZORReadDouble(value);
      if (!seconds || !(*seconds >= 0.0)) return Refusal("--time-limit", "a number of seconds, 0 for none", value);
      source.timeLimit = *seconds;
      return std::nullopt;
    }
  }
  modulePath_ = value;
  return ZORCheckNotEmpty("--module", value);
}

ZOROutcome ZORPaintOptionReader::TakeScale(int id, const std::string& value) {
  ZORScaleRecipe& scale = options_.scale;
  switch (id) {
    case kZORSettingsOption:
      scale.settingsName = value;
      return ZORCheckNotEmpty("--settings", value);
    case kZORBlocksOption: {
      const std::optional<int> blocks = ZORReadInt(value);
      if (!blocks || *blocks < 1 || *blocks > kZORMostBlocks) {
        return Refusal("--blocks", "a whole number from 1 to " + std::to_string(kZORMostBlocks), value);
      }
      scale.blocks = *blocks;
      blocksGiven_ = true;
      return std::nullopt;
    }
    case kZORPresetOption:
      scale.preset = ZORFindColorPreset(value);
      return scale.preset ? std::nullopt : Refusal("--preset", ZORColorPresetChoices(), value);
    case kZORClassifyOption:
      scale.classify = ZORClassMethodNamed(value);
      return scale.classify ? std::nullopt : Refusal("--classify", ZORClassMethodChoices(), value);
  }
  scale.range = ZORReadValueRange(value);
  return scale.range ? std::nullopt : Refusal("--range", kRangeForm, value);
}

ZOROutcome ZORPaintOptionReader::TakePicture(int id, const std::string& value) {
  switch (id) {
    case kZORAnalysisOption:
      analysisGiven_ = true;
      return TakePartSetting(ZORPictureSetting::Analysis, "--analysis", value);
    case kZORShadingOption:
      return TakePartSetting(ZORPictureSetting::Shading, "--shading", value);
    case kZORViewOption:
      return TakePartSetting(ZORPictureSetting::View, "--view", value);
    case kZORZoomOption:
      return TakePartSetting(ZORPictureSetting::Zoom, "--zoom", value);
    case kZORPanOption:
      return TakePartSetting(ZORPictureSetting::Pan, "--pan", value);
    case kZORSizeOption:
      return TakePartSetting(ZORPictureSetting::Size, "--size", value);
    case kZORBackgroundOption:
      return ReadColor(value, options_.picture.background) ? std::nullopt
                                                           : Refusal("--background", "R,G,B, each from 0 to 255", value);
  }
  const std::optional<int> threads = ZORReadInt(value);
  if (!threads || *threads < 1 || *threads > kZORMostThreads) {
    return Refusal("--threads", "a whole number from 1 to " + std::to_string(kZORMostThreads), value);
  }
  options_.picture.threads = *threads;
  return std::nullopt;
}

ZOROutcome ZORPaintOptionReader::TakeAnalysisParameter(int id, const std::string& value) {
  ZORAnalysisParameters& parameters = options_.picture.parameters;
  switch (id) {
    case kZORReferenceOption:
      ForAnalysis("--reference", ZORAnalysis::Deviation);
      parameters.referencePath = value;
      return ZORCheckNotEmpty("--reference", value);
    case kZORDeviationEdgesOption:
      ForAnalysis("--deviation-edges", ZORAnalysis::Deviation);
      if (value != "keep" && value != "undefined") return Refusal("--deviation-edges", "keep or undefined", value);
      parameters.keepBeyondEdges = value == "keep";
      return std::nullopt;
    case kZORMaxDistanceOption: {
      ForAnalysis("--max-distance", ZORAnalysis::Deviation);
      const std::optional<double> distance = ZORReadDouble(value);
      if (!distance || !(*distance > 0.0) || !std::isfinite(*distance)) {
        return Refusal("--max-distance", "a finite distance above 0", value);
      }
      parameters.maxDistance = *distance;
      return std::nullopt;
    }
    case kZORPullOption:
      ForAnalysis("--pull", ZORAnalysis::Draft);
      return ZORTakePictureSetting(ZORPictureSetting::Pull, "--pull", value, options_.picture);
    case kZORLightOption:
      partOptions_.push_back("--light");
      angleOptions_.push_back("--light");
      return ZORTakePictureSetting(ZORPictureSetting::Light, "--light", value, options_.picture);
    case kZORThicknessOption:
      ForAnalysis("--thickness", ZORAnalysis::Thickness);
      return ZORTakePictureSetting(ZORPictureSetting::Thickness, "--thickness", value, options_.picture);
  }
  ForAnalysis("--field", ZORAnalysis::Field);
  parameters.field = value;
  return ZORCheckNotEmpty("--field", value);
}

ZOROutcome ZORPaintOptionReader::TakeAcceptance(int id, const std::string& value) {
  ZORScaleRecipe& scale = options_.scale;
  switch (id) {
    case kZORToleranceOption:
      scale.tolerance = ZORReadTolerance(value);
      return scale.tolerance ? std::nullopt : Refusal("--tolerance", kZORToleranceForm, value);
    case kZORMinDraftOption:
      ForAnalysis("--min-draft", ZORAnalysis::Draft);
      return TakePassLimit("--min-draft", value, &ZORIsDraftPassLimit, kZORDraftPassLimitForm, scale.minDraft);
    case kZORMinThicknessOption:
      ForAnalysis("--min-thickness", ZORAnalysis::Thickness);
      return TakePassLimit("--min-thickness", value, &ZORIsMinimumWall, kZORMinimumWallForm, scale.minThickness);
  }
  const std::optional<double> share = ZORReadDouble(value);
  if (!share || !(*share >= 0.0 && *share <= 100.0)) return Refusal("--pass-share", "a percentage from 0 to 100", value);
  scale.passShare = *share;
  passShareGiven_ = true;
  return std::nullopt;
}

ZOROutcome ZORPaintOptionReader::TakeStripes(const std::string& value) {
  partOptions_.push_back("--stripes");
  angleOptions_.push_back("--stripes");
  const std::optional<double> width = ZORReadDouble(value);
  if (!width || !ZORIsStripeWidth(*width)) return Refusal("--stripes", ZORStripeWidthForm(), value);
  options_.scale.stripes = *width;
  return std::nullopt;
}

ZOROutcome ZORPaintOptionReader::FinishScale(ZORAnalysis analysis) {
  ZORScaleRecipe& scale = options_.scale;
  const bool usersScale = scale.preset || !scale.settingsName.empty() || scale.classify;
  if (scale.tolerance && usersScale) {
    return ZORUsageProblem("--tolerance makes its own scale: give it without --preset, --settings and --classify");
  }
  if (scale.tolerance && analysis == ZORAnalysis::Draft) {
    return ZORUsageProblem("a draft passes from its pass limit on: give --min-draft A, not --tolerance");
  }
  if (scale.minDraft && usersScale) {
    return ZORUsageProblem("--min-draft makes the draft scale: give it without --preset, --settings and --classify");
  }
  if (scale.minThickness && (usersScale || scale.tolerance)) {
    return ZORUsageProblem("--min-thickness makes the thickness scale: give it without --preset, --settings, --classify "
                           "and --tolerance");
  }
  if (passShareGiven_ && !scale.Passing()) {
    return ZORUsageProblem("--pass-share needs what passes: --tolerance, --min-draft for a draft or --min-thickness "
                           "for a wall");
  }
  if (scale.stripes && (usersScale || scale.tolerance)) {
    return ZORUsageProblem("--stripes makes the zebra scale: give it without --preset, --settings, --classify and --tolerance");
  }
  if (!usersScale && !blocksGiven_) ZORChooseAnalysisScale(analysis, scale);
  scale.diverging = analysis == ZORAnalysis::Deviation && !usersScale && !scale.tolerance;
  return std::nullopt;
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
  if (!options_.picture.parameters.field.empty() && !analysisGiven_) options_.picture.analysis = ZORAnalysis::Field;
  const ZORAnalysis analysis = options_.picture.analysis;
  if (analysis == ZORAnalysis::Field && options_.picture.parameters.field.empty()) {
    return ZORUsageProblem("--analysis field needs --field NAME, the vertex property of a PLY mesh to paint");
  }
  for (const auto& [option, of] : analysisOptions_) {
    if (of != analysis) return ZORUsageProblem(option + " is for --analysis " + ZORAnalysisKeyword(of));
  }
  if (!angleOptions_.empty() && analysis != ZORAnalysis::Isophote && analysis != ZORAnalysis::Reflection) {
    return ZORUsageProblem(angleOptions_.front() + " is for --analysis isophote or reflection");
  }
  if (analysis == ZORAnalysis::Deviation && options_.picture.parameters.referencePath.empty()) {
    return ZORUsageProblem("--analysis deviation needs --reference REF, the part to measure against");
  }
  if (ZOROutcome problem = FinishScale(analysis)) return problem;
  if (blocksGiven_ && !options_.scale.settingsName.empty()) {
    return ZORUsageProblem("--blocks makes the default scale, --settings loads one: give one of them");
  }
  if (!source.valuesPath.empty() && ZORIsDirectory(source.valuesPath)) {
    return ZORBadInput(ZORPrintable(source.valuesPath) + ": is a directory");
  }
  return std::nullopt;
}
