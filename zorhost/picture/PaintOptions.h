// The options of the jobs that paint an analysis, `zorhost render` and `zorhost serve`: what is
// painted, how a part is pictured, the scale. Each job adds its own to these.
#pragma once

#include <getopt.h>

#include <optional>
#include <string>
#include <vector>

#include "zorhost/common/Limits.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/picture/PictureOptions.h"

// The ids of the options; a job's own options take ids from kZORFirstJobOption.
enum ZORPaintOptionId {
  kZORValuesOption = 256,
  kZORSampleOption,
  kZORSettingsOption,
  kZORBlocksOption,
  kZORPresetOption,
  kZORClassifyOption,
  kZORAnalysisOption,
  kZORShadingOption,
  kZORViewOption,
  kZORSizeOption,
  kZORBackgroundOption,
  kZORTimeLimitOption,
  kZORZoomOption,
  kZORPanOption,
  kZORRangeOption,
  kZORThreadsOption,
  kZORReferenceOption,
  kZORDeviationEdgesOption,
  kZORMaxDistanceOption,
  kZORPullOption,
  kZORFieldOption,
  kZORModuleOption,
  kZORToleranceOption,
  kZORMinDraftOption,
  kZORPassShareOption,
  kZORUnitOption,
  kZORLightOption,
  kZORStripesOption,
  kZORThicknessOption,
  kZORMinThicknessOption,
  kZORFirstJobOption,
};

// The settings of a part's picture, each read from its text the same way wherever it is given:
// `name` is what a refusal calls it ("--view" on the command line, "view" in the editor's query).
// A problem of the input when `value` is not one.
enum class ZORPictureSetting { Analysis, Shading, View, Zoom, Pan, Size, Pull, Light, Thickness };
ZOROutcome ZORTakePictureSetting(ZORPictureSetting setting, const std::string& name, const std::string& value,
                                 ZORPictureSettings& picture);

// Gives `recipe` the scale `analysis` is read with when no other is asked for: the draft preset
// for draft angles (unless a pass limit makes the draft scale), zebra stripes for isophotes and
// reflection lines (unless a tolerance makes its scale or stripes are asked for), the default
// colors reversed for a thickness (thin walls red) unless a minimum makes its scale.
void ZORChooseAnalysisScale(ZORAnalysis analysis, ZORScaleRecipe& recipe);

// A direction as --pull and --light take it: "X,Y,Z", each as people read numbers.
std::string ZORDirectionText(const ZORVec3& direction);

// "LO,HI" (finite, LO below HI, their difference finite) or "symmetric"; nothing for any other
// text.
std::optional<ZORValueRange> ZORReadValueRange(const std::string& text);

// The options both jobs take, with `own` (the job's) after them, and -h/--help: a table for
// getopt_long, ended by a zero row.
std::vector<option> ZORPaintOptionTable(const std::vector<option>& own);

// Reads the options both jobs take into `options` (and --module into `modulePath`).
class ZORPaintOptionReader {
 public:
  ZORPaintOptionReader(ZORPaintRequest& options, std::string& modulePath)
      : options_(options), modulePath_(modulePath) {}
  // Takes option `id`: a problem when `value` is wrong.
  ZOROutcome Take(int id, const std::string& value);
  // What the options say together, with `positional` the arguments that are not options (a PART
  // at most): a usage problem, or nothing.
  ZOROutcome Finish(const std::vector<std::string>& positional);

 private:
  ZORPaintRequest& options_;
  std::string& modulePath_;
  // The options of where the values come from, of the scale, of the picture and of the analyses.
  ZOROutcome TakeSource(int id, const std::string& value);
  ZOROutcome TakeScale(int id, const std::string& value);
  ZOROutcome TakePicture(int id, const std::string& value);
  ZOROutcome TakeAnalysisParameter(int id, const std::string& value);
  ZOROutcome TakeAcceptance(int id, const std::string& value);
  ZOROutcome TakeStripes(const std::string& value);
  // What the scale options say together, for `analysis`.
  ZOROutcome FinishScale(ZORAnalysis analysis);
  // Takes a setting of a part's picture, given as `option`.
  ZOROutcome TakePartSetting(ZORPictureSetting setting, const char* option, const std::string& value);

  bool blocksGiven_ = false;
  bool passShareGiven_ = false;
  bool analysisGiven_ = false;
  // Notes an option that only `analysis` takes, of a part's picture.
  void ForAnalysis(const char* option, ZORAnalysis analysis);

  // The options of one analysis only, as given, with that analysis.
  std::vector<std::pair<std::string, ZORAnalysis>> analysisOptions_;
  std::vector<std::string> angleOptions_;  // options of isophotes and reflection lines
  bool sampleGiven_ = false;
  std::vector<std::string> partOptions_;  // given, and only a part's picture takes them
};

// The help of the options both jobs take.
std::string ZORPaintOptionsHelp();
