#include "zorhost/common/Limits.h"
#include "zorhost/serve/ScaleEditor.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/figure/ImageFiles.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/scale/AnalysisOptions.h"
#include "zorhost/picture/PaintOptions.h"
#include "zorhost/classification/Classification.h"
#include "zorhost/palettes/ColorRamps.h"
#include "zorhost/figure/FigurePng.h"
#include "zorhost/figure/LegendSvg.h"
#include "zorhost/scale/ScaleEdits.h"
#include "zorhost/inspection/EdgeOverlay.h"
#include "zorhost/scale/ScaleStore.h"
#include "zorhost/scale/ToleranceScale.h"
#include "zorhost/common/Numbers.h"

namespace {

using nlohmann::json;

// The scale an analysis is read with when no other is asked for, as the command line chooses it,
// as a preset (the default stripes are the zebra preset's); null for the default scale.
const ZORColorPreset* OwnScale(ZORAnalysis analysis) {
  ZORScaleRecipe recipe;
  ZORChooseAnalysisScale(analysis, recipe);
  return recipe.stripes ? ZORFindColorPreset("zebra") : recipe.preset;
}

// What the tolerance field gives `recipe` for `analysis`: a draft's pass limit, a wall's minimum,
// or a tolerance; a refusal saying which it takes.
ZOROutcome ReadPassing(ZORAnalysis analysis, const std::string& text, ZORScaleRecipe& recipe) {
  auto refused = [&text](const std::string& what, const std::string& form) {
    return ZORBadInput(what + " is " + form + ", or none; not '" + ZORPrintable(text) + "'");
  };
  if (analysis == ZORAnalysis::Draft) {
    recipe.minDraft = ZORReadDouble(text);
    if (!recipe.minDraft || !ZORIsDraftPassLimit(*recipe.minDraft)) return refused("a draft's pass limit", kZORDraftPassLimitForm);
  } else if (analysis == ZORAnalysis::Thickness) {
    recipe.minThickness = ZORReadDouble(text);
    if (!recipe.minThickness || !ZORIsMinimumWall(*recipe.minThickness)) return refused("a wall's minimum", kZORMinimumWallForm);
  } else {
    recipe.tolerance = ZORReadTolerance(text);
    if (!recipe.tolerance) return refused("the tolerance", kZORToleranceForm);
  }
  return std::nullopt;
}

// The memory a saved state holds.
std::size_t Bytes(const ZORFeatureState& state) {
  std::size_t bytes = sizeof state + state.attributes.capacity() * sizeof(ZORSavedAttribute);
  for (const ZORSavedAttribute& attribute : state.attributes) {
    bytes += attribute.integers.capacity() * sizeof(int) +
             attribute.members.capacity() * sizeof(ZORAttributeEntry);
  }
  return bytes;
}

std::size_t Bytes(const std::vector<ZORFeatureState>& history) {
  std::size_t bytes = 0;
  for (const ZORFeatureState& state : history) bytes += Bytes(state);
  return bytes;
}

// The lines of a script: a last line needs no line end.
std::size_t LineCount(std::string_view script) {
  const auto ends = static_cast<std::size_t>(std::count(script.begin(), script.end(), '\n'));
  return ends + (!script.empty() && script.back() != '\n' ? 1 : 0);
}

// JSON a page reads: text that is not UTF-8 is replaced, never refused.
std::string Dump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

json Color(const ZORRgba& c) { return json::array({c.red, c.green, c.blue, c.alpha}); }

json Option(const std::optional<int>& value) { return value ? json(*value) : json(nullptr); }

// A number the page shows: its text, and the value itself when it is finite.
json Number(double value) {
  return {{"value", std::isfinite(value) ? json(value) : json(nullptr)},
          {"text", ZORShownNumber(value)},
          {"exact", ZORExactNumber(value)}};
}

ZOROutcome Bad(std::string message) { return ZORBadInput(std::move(message)); }

bool AutoMinMax(const ZORScaleSnapshot::Options& stored) {
  return stored.autoMinMaxStatus && *stored.autoMinMaxStatus != 0;
}

// The members "blocks" and "boundaries" of the state: a row a block, written as they are read
// rather than built as objects, since a scale may have 65536 of them.
std::string BlocksJson(const ZORLegendModel& legend) {
  auto text = [](const std::string& value) { return json(value).dump(-1, ' ', false, json::error_handler_t::replace); };
  auto number = [&text](double value) {
    return "{\"value\":" + (std::isfinite(value) ? ZORExactNumber(value) : std::string("null")) +
           ",\"text\":" + text(ZORShownNumber(value)) + ",\"exact\":" + text(ZORExactNumber(value)) + "}";
  };
  auto truth = [](bool value) { return value ? "true" : "false"; };
  std::string blocks = "\"blocks\":[", boundaries = "\"boundaries\":[";
  for (const ZORLegendRow& row : legend.rows) {
    const ZORRgba& c = row.color;
    if (row.block > 1) blocks += ',';
    blocks += "{\"color\":[" + std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue) +
              "," + std::to_string(c.alpha) + "],\"colorText\":" + text(ZORColorText(c)) +
              ",\"imposed\":" + truth(row.colorImposed) + ",\"placed\":" + truth(row.placed) +
              ",\"span\":" + text(row.span) + ",\"count\":" + std::to_string(row.count) +
              ",\"areaShare\":" + (row.areaShare >= 0.0 ? ZORExactNumber(row.areaShare) : std::string("null")) +
              ",\"areaShareText\":" + text(row.areaShare >= 0.0 ? ZORShareText(row.areaShare) : "") + "}";
    if (!row.hasLowerBoundary) continue;
    if (boundaries.back() != '[') boundaries += ',';
    boundaries += "{\"value\":" + number(row.lowerBoundary) + ",\"imposed\":" + truth(row.lowerBoundaryImposed) + "}";
  }
  return blocks + "]," + boundaries + "]";
}

// A tolerance as its field takes it again: "0.1" for one from -0.1 to 0.1, else "LO,HI".
std::string ToleranceField(const ZORToleranceBand& band) {
  return band.low == -band.high ? ZORExactNumber(band.high) : ZORExactNumber(band.low) + "," + ZORExactNumber(band.high);
}

// The statistics of the part over its whole area as the page shows them: a line each, the
// verdict apart; null for a grid.
json StatisticsJson(const std::optional<ZORAreaStatistics>& measured, const ZORRenderValues& values,
                    const ZORScaleRecipe& scale) {
  if (!measured) return nullptr;
  const ZORAreaStatistics& statistics = *measured;
  json verdict = nullptr;
  if (statistics.passing) verdict = {{"passes", statistics.passes}, {"text", ZORVerdictLine(statistics, values.unit)}};
  return {{"lines", ZORStatisticsLines(statistics, values.unit, values.lengthUnit)},
          {"verdict", verdict},
          {"tolerance", scale.minDraft       ? json(ZORExactNumber(*scale.minDraft))
                        : scale.minThickness ? json(ZORExactNumber(*scale.minThickness))
                        : scale.tolerance    ? json(ToleranceField(*scale.tolerance))
                                             : json(nullptr)},
          {"passShare", ZORShownNumber(scale.passShare)}};
}

// The pins placed in the view: where each lies as shares of the picture, whether it is seen, and
// its label and listing.
json PinsJson(const std::vector<ZORFigureCallout>& pins, const std::vector<ZORVec3>& asked) {
  json placed = json::array();
  for (std::size_t i = 0; i < pins.size() && i < asked.size(); ++i) {
    const ZORFigureCallout& pin = pins[i];
    placed.push_back({{"number", pin.number}, {"x", pin.x}, {"y", pin.y}, {"seen", pin.seen}, {"label", pin.label},
                      {"listed", pin.listed}, {"point", {asked[i].x, asked[i].y, asked[i].z}}});
  }
  return placed;
}

// How the part is pictured, with the choices the page offers.
json ViewJson(const ZORPictureSettings& picture, bool hasView, bool hasReference, bool edges, bool edgesAvailable) {
  const ZORViewpoint& at = picture.viewpoint;
  std::vector<std::string> analyses = ZORAnalysisKeywords();
  // Only what the part can give: a deviation needs its reference, a field a mesh read with one.
  if (!hasReference) std::erase(analyses, ZORAnalysisKeyword(ZORAnalysis::Deviation));
  if (picture.parameters.field.empty()) std::erase(analyses, ZORAnalysisKeyword(ZORAnalysis::Field));
  return {{"part", hasView},
          {"analysis", ZORAnalysisKeyword(picture.analysis)},
          {"analyses", analyses},
          {"pull", ZORDirectionText(picture.parameters.pull)},
          {"light", picture.parameters.light ? ZORDirectionText(*picture.parameters.light) : std::string()},
          {"thickness", ZORThicknessMethodKeyword(picture.parameters.thickness)},
          {"edges", edges},
          {"edgesAvailable", edgesAvailable},
          {"shading", picture.shading == ZORPictureSettings::Shading::Lit ? "lit" : "none"},
          {"width", picture.width},
          {"height", picture.height},
          {"view", at.Text()},
          {"views", ZORViewNames()},
          {"azimuth", at.azimuth},
          {"elevation", at.elevation},
          {"zoom", at.zoom},
          {"pan", {at.panX, at.panY}}};
}

}  // namespace

ZORScaleEditor::ZORScaleEditor(ZORModuleHost& host, const ZORPaintRequest& options)
    : host_(host), options_(options) {
  options_.progress = false;
}

ZORScaleEditor::~ZORScaleEditor() {
  runner_.reset();  // its scales go before the served one
}

ZOROutcome ZORScaleEditor::Open(ZORModuleHost& host, const ZORPaintRequest& options, std::ostream& progress,
                                 std::unique_ptr<ZORScaleEditor>& opened) {
  std::unique_ptr<ZORScaleEditor> editor(new ZORScaleEditor(host, options));
  ZORStages stages(options.progress, "serve", progress);
  {
    const std::unique_ptr<ZORDeadline> timeLimit = ZORArmTimeLimit(options.source, "serve");
    if (ZOROutcome problem = ZORReadRenderValues(options.source, options.picture, editor->values_, stages)) {
      return problem;
    }
  }
  stages.Begin("the scale");
  if (ZOROutcome problem = ZORPrepareScale(host, options.scale, editor->values_, editor->scale_,
                                           editor->optionsDone_, editor->warnings_, &editor->relative_)) {
    return problem;
  }
  stages.End();
  editor->openTimings_ = stages.Timings();
  editor->feature_ = ZORISpecObject_var(editor->scale_);
  editor->runner_ = std::make_unique<ZORScriptRunner>(host, editor->scriptOut_, editor->scriptErr_);
  editor->saved_ = editor->State();
  editor->repository_ = options.scale.settingsName;
  opened = std::move(editor);
  return std::nullopt;
}

ZORFeatureState ZORScaleEditor::State() { return ZORSaveFeatureState(feature_.get()); }

void ZORScaleEditor::ApplyAnalysisOptions() {
  optionsDone_.clear();
  for (const std::string& line : ZORApplyAnalysisOptions(scale_.get(), values_.measured)) {
    optionsDone_.push_back("option " + line);
  }
  ZORStretchRelative(scale_.get(), relative_);
}

bool ZORScaleEditor::Edited(ZORFeatureState before) {
  ApplyAnalysisOptions();
  if (State().Same(before)) return false;
  undo_.push_back(std::move(before));
  std::size_t kept = undo_.size();
  for (std::size_t bytes = Bytes(undo_); kept > 1 && (kept > kZORMostUndoSteps || bytes > kZORMostUndoBytes); --kept) {
    bytes -= Bytes(undo_[undo_.size() - kept]);
  }
  undo_.erase(undo_.begin(), undo_.end() - static_cast<std::ptrdiff_t>(kept));
  redo_.clear();
  ++revision_;
  return true;
}

ZOROutcome ZORScaleEditor::Refused(ZOROutcome problem, const ZORFeatureState& before) {
  ZORRestoreFeatureState(feature_.get(), before);
  return problem;
}

void ZORScaleEditor::Timed(const ZORStages& stages, const std::string& what) {
  if (!stages.Seconds().empty()) pictureTimings_ = what + ": " + stages.Timings();
}

const ZORScaleEditor::Painted& ZORScaleEditor::Paint() {
  if (painted_.revision == revision_) return painted_;
  ZORStages stages;
  stages.Begin("painting");
  Painted painted;
  painted.revision = revision_;
  painted.snapshot = std::make_unique<ZORScaleSnapshot>(scale_.get());
  ZORPainting painting;
  ZORPaintValues(scale_.get(), *painted.snapshot, values_.grid, ZORPaintingMode::Painter, painting, stages);
  painted.legend = ZORPictureLegend(*painted.snapshot, painting, values_, options_.picture.threads);
  if (values_.part) {
    painted.statistics =
        ZORMeasureArea(values_.area, *painted.snapshot, options_.scale.Passing(), options_.scale.passShare);
    if (painted.statistics) ZORAddAreaShares(*painted.statistics, painted.legend);
    const std::vector<ZORCallout> pins = ZORMakeCallouts(pins_, false, *values_.part, *values_.analysis, nullptr);
    painted.pins = ZORPlaceCallouts(pins, *values_.part, options_.picture.viewpoint, options_.picture.width,
                                    options_.picture.height, values_.unit);
  }
  if (drawEdges_) static_cast<void>(EdgeOverlay(options_.picture, painted.edges));
  painted.blocksJson = BlocksJson(painted.legend);
  painted.rgba = ZORPictureRgba(values_, std::move(painting), painted.snapshot->Definition().undefinedColor,
                                options_.picture.background, options_.picture.threads);
  painted_ = std::move(painted);
  stages.End();
  Timed(stages, "the picture repainted");
  return painted_;
}

ZOROutcome ZORScaleEditor::PaintOther(const ZORPictureSettings& view, bool draft, std::string& png) {
  ZORPictureSettings settings = view;
  ZORStages stages;
  if (draft) {
    settings.width = std::max(1, view.width / 2);
    settings.height = std::max(1, view.height / 2);
  } else {
    stages.Begin("meshing");
    if (ZOROutcome problem = ZORPreparePart(settings, *values_.part)) {
      return ZORInContext(values_.part->Description() + ": ", problem);
    }
  }
  const Painted& current = Paint();
  stages.Begin("the analysis at each pixel");
  ZORPictureValues picture;
  ZORPicturePartValues(settings, values_, picture, stages);
  stages.Begin("painting");
  ZORPainting painting;
  ZORPaintValues(scale_.get(), *current.snapshot, picture.grid, ZORPaintingMode::Painter, painting, stages);
  const std::vector<std::uint8_t> rgba =
      ZORPictureRgba(picture, std::move(painting), current.snapshot->Definition().undefinedColor, settings.background,
                     settings.threads);
  std::optional<ZORFigureOverlay> edges;  // not on drafts, whose mesh is the view's before
  if (drawEdges_ && !draft) static_cast<void>(EdgeOverlay(settings, edges));
  stages.Begin("encoding");
  png = edges ? ZORMarkedPicturePng(settings.width, settings.height, rgba, {}, 0, &*edges)
              : ZOREncodePng(settings.width, settings.height, rgba);
  stages.End();
  Timed(stages, std::string(draft ? "a draft of " : "a picture of ") + std::to_string(settings.width) + " x " +
                    std::to_string(settings.height));
  return png.empty() ? ZORFailure("the picture could not be encoded") : std::nullopt;
}

std::string ZORScaleEditor::StateJson() {
  std::lock_guard lock(mutex_);
  const Painted& painted = Paint();
  const ZORLegendModel& legend = painted.legend;
  const ZORScaleDefinition& definition = painted.snapshot->Definition();
  const ZORScaleSnapshot::Options& stored = painted.snapshot->StoredOptions();
  json presets = json::array();
  for (const ZORColorPreset& preset : ZORColorPresets()) presets.push_back(preset.name);
  const std::optional<std::string> narrow = ZORNarrowSpanNote(values_.measured);
  const json state = {
      {"revision", revision_},
      {"title", ZORRenderTitle(values_)},
      {"measured", {{"smallest", Number(values_.measured.smallest)},
                    {"largest", Number(values_.measured.largest)},
                    {"over", values_.part ? values_.area.points.how
                                          : "the " + std::to_string(values_.grid.values.size()) + " values"},
                    {"narrow", narrow ? json(*narrow) : json(nullptr)}}},
      {"picture", {{"width", values_.grid.width}, {"height", values_.grid.height}}},
      {"view", ViewJson(options_.picture, HasView(), values_.reference != nullptr, drawEdges_,
                        HasView() && values_.part->Exact())},
      {"range", AutoMinMax(stored) ? "part" : "fixed"},
      {"timings", {{"opening", openTimings_}, {"picture", pictureTimings_}}},
      {"extremes", {{"first", Number(definition.lower)}, {"last", Number(definition.upper)}}},
      {"options", {{"AutoMinMaxStatus", Option(stored.autoMinMaxStatus)},
                   {"AutoMinMaxOption", Option(stored.autoMinMaxOption)},
                   {"AbsoluteExtrema", Option(stored.absoluteExtrema)},
                   {"GreenIsFlat", Option(stored.greenIsFlat)},
                   {"NonlinearScale", Option(stored.nonlinearScale)},
                   {"NumberOfColorsStatus", Option(stored.numberOfColorsStatus)}}},
      {"optionsDone", optionsDone_},
      {"undefinedColor", Color(definition.undefinedColor)},
      {"histogram", {{"undefined", legend.undefined}, {"noColor", legend.noColor}}},
      {"statistics", StatisticsJson(painted.statistics, values_, options_.scale)},
      {"pins", PinsJson(painted.pins, pins_)},
      {"notes", legend.notes},
      {"repository", repository_.empty() ? json(nullptr) : json(repository_)},
      {"unsaved", !State().Same(saved_)},
      {"warnings", warnings_},
      {"undo", undo_.size()},
      {"redo", redo_.size()},
      {"presets", presets},
      {"methods", ZORClassMethodNames()},
      {"limits", {{"blocks", kZORMostBlocks},
                  {"number", kZORNumberPattern},
                  {"side", kZORLargestSide},
                  {"zoom", {kZORLeastZoom, kZORMostZoom}},
                  {"pan", kZORMostPan},
                  {"outlierShare", kZORLargestOutlierShare},
                  {"scriptLines", kZORMostScriptLines},
                  {"threads", kZORMostThreads},
                  {"pins", kZORMostPins},
                  {"repositoryName", ZORRepositoryNameRule()},
                  {"repositoryNameLength", kZORLongestRepositoryName}}}};
  std::string text = Dump(state);
  text.pop_back();  // the object's end: the revision's blocks and boundaries, made once, follow
  return text + "," + painted.blocksJson + "}";
}

ZORPictureSettings ZORScaleEditor::View() {
  std::lock_guard lock(mutex_);
  return options_.picture;
}

ZOROutcome ZORScaleEditor::SetView(const ZORPictureSettings& view) {
  if (!HasView()) return Bad("the values are a grid: only a part's picture has a view");
  // A newer view stops this one's analysis: a person turning the part wants the last view.
  std::stop_token stop;
  {
    std::lock_guard lock(viewWorkMutex_);
    viewWork_.request_stop();
    viewWork_ = std::stop_source();
    stop = viewWork_.get_token();
  }
  std::lock_guard lock(mutex_);
  const ZOROutcome superseded = ZORProblem{ZORProblem::Kind::Conflict, "a newer view was asked for before this one was pictured"};
  if (stop.stop_requested()) return superseded;
  if (view == options_.picture) return std::nullopt;
  ZORStages stages;
  const bool otherAnalysis =
      view.analysis != options_.picture.analysis || !(view.parameters == options_.picture.parameters);
  stages.Begin("meshing");
  if (ZOROutcome problem = ZORPreparePart(view, *values_.part)) {
    return ZORInContext(values_.part->Description() + ": ", problem);
  }
  // The analysis of the view before, kept until this one is pictured.
  ZORRenderValues before;
  if (otherAnalysis) {
    before.analysis = std::move(values_.analysis);
    before.measured = values_.measured;
    before.area = std::move(values_.area);
    before.unit = values_.unit;
  }
  auto restore = [&] {
    if (otherAnalysis) {
      values_.analysis = std::move(before.analysis);
      values_.measured = std::move(before.measured);
      values_.area = std::move(before.area);
      values_.unit = std::move(before.unit);
    }
    static_cast<void>(ZORPreparePart(options_.picture, *values_.part));
  };
  if (otherAnalysis && view.analysis == ZORAnalysis::Thickness && !values_.solid) {
    stages.Begin("reading and indexing the solid");
    if (ZOROutcome problem = ZORReadSolid(options_.source.partPath, options_.source.lengthUnit, values_)) {
      restore();
      return problem;
    }
  }
  if (otherAnalysis) {
    stages.Begin("measuring the whole part");
    if (ZOROutcome problem = ZORAnalysePart(view, values_)) {
      restore();
      return problem;
    }
  }
  stages.Begin("the analysis at each pixel");
  ZORPictureValues pictured;
  if (!ZORPicturePartValues(view, values_, pictured, stages, stop)) {
    restore();
    return superseded;
  }
  static_cast<ZORPictureValues&>(values_) = std::move(pictured);
  stages.End();
  const ZORColorPreset* ownBefore = OwnScale(options_.picture.analysis);
  const ZORColorPreset* own = OwnScale(view.analysis);
  if (view.analysis != options_.picture.analysis) {
    // What passes is said in one analysis's values: another's are not read against it.
    options_.scale.tolerance.reset();
    options_.scale.minDraft.reset();
    options_.scale.minThickness.reset();
  }
  options_.picture = view;
  if (own != ownBefore) {
    SwitchOwnScale(own);
  } else if (otherAnalysis) {
    // Another analysis is another range of values: the scale's options act on it, as the
    // analysis does when its values change; that is not an edit to undo.
    ApplyAnalysisOptions();
  }
  ++revision_;
  Timed(stages, "the view changed");
  return std::nullopt;
}

void ZORScaleEditor::SwitchOwnScale(const ZORColorPreset* own) {
  ZORFeatureState before = State();
  if (own != nullptr) {
    if (!beforeOwnScale_) beforeOwnScale_ = before;
    ZORImposePreset(scale_.get(), *own);
  } else if (beforeOwnScale_) {
    ZORRestoreFeatureState(feature_.get(), *beforeOwnScale_);
    beforeOwnScale_.reset();
  } else {
    ZORMakeDefaultScale(scale_.get(), ZORScaleRecipe{}.blocks);  // opened on its own scale: the default one
  }
  Edited(std::move(before));
}

ZOROutcome ZORScaleEditor::Picture(const ZORPictureSettings& view, bool draft, std::string& png) {
  std::lock_guard lock(mutex_);
  if (HasView() && (draft || !(view == options_.picture))) return PaintOther(view, draft, png);
  Paint();
  if (painted_.png.empty()) {
    painted_.png = painted_.edges ? ZORMarkedPicturePng(values_.grid.width, values_.grid.height, painted_.rgba, {}, 0,
                                                        &*painted_.edges)
                                  : ZOREncodePng(values_.grid.width, values_.grid.height, painted_.rgba);
    if (painted_.png.empty()) return ZORFailure("the picture could not be encoded");
  }
  png = painted_.png;
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::Figure(std::string& png) {
  std::lock_guard lock(mutex_);
  Paint();
  if (painted_.figure.empty()) {
    painted_.figure = ZORFigurePng(ZORRenderTitle(values_), values_.grid.width, values_.grid.height, painted_.rgba,
                                   painted_.legend, painted_.pins, 0, painted_.edges ? &*painted_.edges : nullptr);
    if (painted_.figure.empty()) return ZORFailure("the picture could not be encoded");
  }
  png = painted_.figure;
  return std::nullopt;
}

std::string ZORScaleEditor::LegendSvg() {
  std::lock_guard lock(mutex_);
  Paint();
  if (painted_.svg.empty()) {
    painted_.svg = ZORLegendSvg(ZORRenderTitle(values_), values_.grid.width, values_.grid.height, painted_.rgba,
                                painted_.legend, painted_.pins, 0, painted_.edges ? &*painted_.edges : nullptr);
  }
  return painted_.svg;
}

ZOROutcome ZORScaleEditor::Probe(const ZORPictureSettings& view, ZORPixel pixel, std::string& text) {
  std::lock_guard lock(mutex_);
  // The mesh the picture of that view is made with, so that the probe sees what it shows.
  if (HasView()) {
    if (ZOROutcome problem = ZORPreparePart(view, *values_.part)) {
      return ZORInContext(values_.part->Description() + ": ", problem);
    }
  }
  const Painted& current = Paint();
  const std::optional<ZORProbeResult> result = ZORProbeValues(values_, view, *current.snapshot, pixel);
  json answer = {{"column", pixel.column}, {"row", pixel.row}, {"seen", result.has_value()}};
  if (result) {
    answer["value"] = Number(result->value);
    answer["unit"] = values_.unit;
    answer["block"] = result->block;
    answer["color"] = Color(result->color);
    answer["colorText"] = ZORColorText(result->color);
    answer["text"] = ZORProbeText(*result, values_.unit);
    if (result->onPart) {
      const ZORVec3& p = result->probe.point;
      answer["point"] = {Number(p.x), Number(p.y), Number(p.z)};
      answer["face"] = result->probe.face >= 0 ? json(result->probe.face + 1) : json(nullptr);
      answer["vertex"] = result->probe.vertex >= 0 ? json(result->probe.vertex + 1) : json(nullptr);
    }
  }
  text = Dump(answer);
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::ExportScale(const std::string& formatName, std::string& text, std::string& fileName) {
  const std::optional<ZORScaleFormat> format = ZORScaleFormatNamed(formatName);
  if (!format) return Bad("the format is cpt, json or csv, not '" + ZORPrintable(formatName) + "'");
  std::lock_guard lock(mutex_);
  // Named as `zorhost scale export` names a repository's scale.
  const std::string name = repository_.empty() ? "scale" : repository_;
  if (ZOROutcome problem = ZORFormatScaleFile(ZORReadScaleTable(scale_.get()), *format, name, text)) return problem;
  fileName = name + "." + formatName;
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::RunScript(std::string_view script, std::string& output) {
  if (LineCount(script) > kZORMostScriptLines) {
    return ZORProblem{ZORProblem::Kind::TooLarge,
                      "a script may have at most " + std::to_string(kZORMostScriptLines) + " lines"};
  }
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  const std::vector<double> boundariesBefore = ZORScaleBoundaries(scale_.get());
  scriptOut_.str("");
  scriptErr_.str("");
  runner_->Reset();
  runner_->Adopt(scale_);
  std::istringstream lines{std::string(script)};
  runner_->LimitOutput(kZORLargestTextFile);
  const int status = runner_->Run(lines, "request");
  runner_->Reset();
  if (status != ZORScriptRunner::kEveryLineRan) {
    std::string message = scriptErr_.str();
    if (!message.empty() && message.back() == '\n') message.pop_back();
    const auto kind = status == ZORScriptRunner::kOutputTooLarge ? ZORProblem::Kind::TooLarge
                                                                  : ZORProblem::Kind::BadInput;
    return Refused(ZORProblem{kind, message}, before);
  }
  // Boundaries a script moves are values: the scale is no longer relative.
  if (!relative_.empty() && ZORScaleBoundaries(scale_.get()) != boundariesBefore) relative_.clear();
  Edited(std::move(before));
  output = scriptOut_.str();
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::ImposePreset(const std::string& name, std::optional<int> blocks) {
  const ZORColorPreset* preset = ZORFindColorPreset(name);
  if (!preset) return Bad("the preset is " + ZORColorPresetChoices() + ", not '" + ZORPrintable(name) + "'");
  if (blocks && (*blocks < 1 || *blocks > kZORMostBlocks)) {
    return Bad("the number of blocks is a whole number from 1 to " + std::to_string(kZORMostBlocks));
  }
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  if (blocks && FAILED(scale_->SetNumberOfBlocks(*blocks))) {
    return Refused(Bad("the scale refuses " + std::to_string(*blocks) + " blocks"), before);
  }
  if (!ZORImposePreset(scale_.get(), *preset)) {
    return Refused(Bad(std::string("the scale refuses the colors of ") + preset->name), before);
  }
  if (blocks || !preset->boundaries.empty()) relative_.clear();  // boundaries placed anew
  Edited(std::move(before));
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::Classify(const std::string& method) {
  const std::optional<ZORClassMethod> found = ZORClassMethodNamed(method);
  if (!found) return Bad("the method is " + ZORClassMethodChoices() + ", not '" + ZORPrintable(method) + "'");
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  // The classification places the extremes too: they stop following the values, and the
  // boundaries are values.
  scale_->SetAutoMinMaxStatus(ZORFalse);
  relative_.clear();
  std::string line;
  if (ZOROutcome problem = ZORClassifyScale(scale_.get(), *found, values_, line)) {
    return Refused(std::move(problem), before);
  }
  Edited(std::move(before));
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::SetRange(const std::string& range) {
  const std::optional<ZORValueRange> imposed = range == "part" ? std::nullopt : ZORReadValueRange(range);
  if (range != "part" && !imposed) {
    return Bad("the range is LO,HI (two finite numbers, LO below HI), symmetric or part, not '" +
               ZORPrintable(range) + "'");
  }
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  if (imposed) {
    std::string line;
    if (ZOROutcome problem = ZORImposeRange(scale_.get(), *imposed, values_.measured, line)) {
      return Refused(std::move(problem), before);
    }
  } else {
    scale_->SetAutoMinMaxStatus(ZORTrue);
  }
  Edited(std::move(before));
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::SetTolerance(const std::string& tolerance) {
  std::lock_guard lock(mutex_);
  ZORScaleRecipe recipe;
  if (tolerance != "none") {
    if (ZOROutcome refused = ReadPassing(options_.picture.analysis, tolerance, recipe)) return refused;
  }
  options_.scale.tolerance = recipe.tolerance;
  options_.scale.minDraft = recipe.minDraft;
  options_.scale.minThickness = recipe.minThickness;
  ++revision_;  // the verdict changes, whether or not the scale does
  if (tolerance == "none") return std::nullopt;
  ZORFeatureState before = State();
  std::vector<std::string> done;
  if (ZOROutcome problem = ZORImposeAcceptance(scale_.get(), recipe, values_.measured, done)) {
    return Refused(std::move(problem), before);
  }
  relative_.clear();  // the tolerance places the boundaries
  Edited(std::move(before));
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::SetStripes(const std::string& degrees) {
  ZORScaleRecipe recipe;
  recipe.stripes = ZORReadDouble(degrees);
  if (!recipe.stripes || !ZORIsStripeWidth(*recipe.stripes)) {
    return Bad("stripes are " + ZORStripeWidthForm() + ", not '" + ZORPrintable(degrees) + "'");
  }
  std::lock_guard lock(mutex_);
  if (options_.picture.analysis != ZORAnalysis::Isophote && options_.picture.analysis != ZORAnalysis::Reflection) {
    return Bad("stripes are for isophotes and reflection lines");
  }
  ZORFeatureState before = State();
  std::vector<std::string> done;
  if (ZOROutcome problem = ZORImposeAcceptance(scale_.get(), recipe, values_.measured, done)) {
    return Refused(std::move(problem), before);
  }
  relative_.clear();
  Edited(std::move(before));
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::SetEdges(const std::string& drawn) {
  if (drawn != "on" && drawn != "off") return Bad("edges are on or off, not '" + ZORPrintable(drawn) + "'");
  std::lock_guard lock(mutex_);
  if (drawn == "on" && !(HasView() && values_.part->Exact())) {
    return Bad("only a CAD part has edges between its faces to draw");
  }
  drawEdges_ = drawn == "on";
  ++revision_;
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::EdgeOverlay(const ZORPictureSettings& view, std::optional<ZORFigureOverlay>& overlay) {
  if (!edges_) edges_ = values_.part->EdgesContinuity();
  return ZORMakeEdgeOverlay(host_, *edges_, ZOREdgeMeasure::Angle, *values_.part, view, overlay.emplace());
}

ZOROutcome ZORScaleEditor::SetPassShare(const std::string& share) {
  const std::optional<double> percent = ZORReadDouble(share);
  if (!percent || !(*percent >= 0.0 && *percent <= 100.0)) {
    return Bad("the pass share is a percentage from 0 to 100, not '" + ZORPrintable(share) + "'");
  }
  std::lock_guard lock(mutex_);
  options_.scale.passShare = *percent;
  ++revision_;
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::SetPins(const std::vector<ZORVec3>& points) {
  if (!HasView()) return Bad("the values are a grid: only a part's points can be pinned");
  if (points.size() > kZORMostPins) {
    return ZORProblem{ZORProblem::Kind::TooLarge, "at most " + std::to_string(kZORMostPins) + " pins"};
  }
  std::lock_guard lock(mutex_);
  pins_ = points;
  ++revision_;
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::Step(std::vector<ZORFeatureState>& from, std::vector<ZORFeatureState>& to,
                                const char* none) {
  std::lock_guard lock(mutex_);
  if (from.empty()) return ZORProblem{ZORProblem::Kind::Conflict, none};
  to.push_back(State());
  ZORRestoreFeatureState(feature_.get(), from.back());
  from.pop_back();
  ++revision_;
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::Undo() { return Step(undo_, redo_, "there is no edit to undo"); }

ZOROutcome ZORScaleEditor::Redo() { return Step(redo_, undo_, "there is no undone edit to redo"); }

std::string ZORScaleEditor::RepositoriesJson() {
  std::vector<std::string> names;
  std::error_code error;
  const std::string folder = ZORSettingsFolder();
  if (!folder.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      const std::string name = entry.path().filename().string();
      if (entry.is_regular_file(error) && ZORCheckRepositoryName(name).empty()) names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return Dump(json{{"folder", folder}, {"repositories", names}});
}

ZOROutcome ZORScaleEditor::Load(const std::string& name) {
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) return Bad(why);
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  std::vector<std::string> warnings;
  std::vector<double> relative;
  if (ZOROutcome problem = ZORLoadScale(scale_.get(), name, warnings, &relative)) return Refused(std::move(problem), before);
  relative_ = std::move(relative);
  warnings_ = warnings;
  Edited(std::move(before));
  saved_ = State();
  repository_ = name;
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::Save(const std::string& name) {
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) return Bad(why);
  std::lock_guard lock(mutex_);
  if (ZOROutcome problem = ZORSaveScale(scale_.get(), name, relative_)) {
    return ZORFailure("the scale could not be saved to '" + name + "' in " + ZORSettingsFolder());
  }
  saved_ = State();
  repository_ = name;
  return std::nullopt;
}

bool ZORScaleEditor::Unsaved() {
  std::lock_guard lock(mutex_);
  return !State().Same(saved_);
}

std::string ZORScaleEditor::Title() {
  std::lock_guard lock(mutex_);
  return ZORRenderTitle(values_);
}
