#include "zorhost/serve/ScaleEditor.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "colorscale/SettingsRecord.h"
#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/common/ImageFiles.h"
#include "zorhost/common/Text.h"
#include "zorhost/render/AnalysisOptions.h"
#include "zorhost/scale/Classification.h"
#include "zorhost/scale/ColorRamps.h"
#include "zorhost/scale/LegendSvg.h"
#include "zorhost/scale/ScaleJobs.h"

namespace {

using nlohmann::json;

constexpr double kTolerance = ZORHostSession::kDefaultModelTolerance;
// Edits kept for undo, in steps and in the memory their states take; the oldest go first. A
// scale of 65536 blocks takes about 5 MB a step.
constexpr std::size_t kMostUndoSteps = 500;
constexpr std::size_t kMostUndoBytes = std::size_t{64} << 20;
// A script's answer is at most this large: a request that would make it larger is refused.
constexpr std::size_t kLargestScriptAnswer = std::size_t{16} << 20;

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

}  // namespace

ZORScaleEditor::ZORScaleEditor(ZORModuleHost& host, const ZORRenderOptions& options)
    : host_(host), options_(options) {
  options_.painting = ZORPaintingMode::Painter;
  options_.progress = false;
}

ZORScaleEditor::~ZORScaleEditor() {
  runner_.reset();  // its scales go before the served one
}

std::unique_ptr<ZORScaleEditor> ZORScaleEditor::Open(ZORModuleHost& host,
                                                     const ZORRenderOptions& options,
                                                     ZOROutcome& problem) {
  std::unique_ptr<ZORScaleEditor> editor(new ZORScaleEditor(host, options));
  problem = ZORReadRenderValues(options.source, options.picture, "serve", editor->values_);
  if (!problem) {
    problem = ZORPrepareScale(host, options.scale, editor->values_, editor->scale_,
                              editor->optionsDone_, editor->warnings_);
  }
  if (problem) return nullptr;
  editor->feature_ = ZORISpecObject_var(editor->scale_);
  editor->runner_ = std::make_unique<ZORScriptRunner>(host, editor->scriptOut_, editor->scriptErr_);
  editor->saved_ = editor->State();
  editor->repository_ = options.scale.settingsName;
  return editor;
}

ZORFeatureState ZORScaleEditor::State() { return ZORSaveFeatureState(feature_.get()); }

bool ZORScaleEditor::Edited(ZORFeatureState before) {
  optionsDone_.clear();
  for (const std::string& line : ZORApplyAnalysisOptions(scale_.get(), values_.measured, kTolerance)) {
    optionsDone_.push_back("option " + line);
  }
  if (State().Same(before)) return false;
  undo_.push_back(std::move(before));
  std::size_t kept = undo_.size();
  for (std::size_t bytes = Bytes(undo_); kept > 1 && (kept > kMostUndoSteps || bytes > kMostUndoBytes); --kept) {
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

const ZORScaleEditor::Painted& ZORScaleEditor::Paint() {
  if (painted_.revision == revision_) return painted_;
  Painted painted;
  painted.revision = revision_;
  painted.snapshot = std::make_unique<ZORScaleSnapshot>(scale_.get(), kTolerance);
  std::ostringstream progress;  // the painter shows none here
  ZORPaintValues(scale_.get(), *painted.snapshot, values_.grid, ZORPaintingMode::Painter, false,
                 painted.painting, progress);
  const ZORBlockCounts counts = ZORCountBlocks(painted.painting, values_, painted.snapshot->Blocks());
  painted.legend = ZORMakeLegend(*painted.snapshot, &counts);
  painted.rgba = ZORPictureRgba(values_, painted.painting, painted.snapshot->Definition().undefinedColor,
                                options_.picture.background);
  painted_ = std::move(painted);
  return painted_;
}

std::string ZORScaleEditor::StateJson() {
  std::lock_guard lock(mutex_);
  const Painted& painted = Paint();
  const ZORLegendModel& legend = painted.legend;
  const ZORScaleDefinition& definition = painted.snapshot->Definition();
  const ZORScaleSnapshot::Options& stored = painted.snapshot->StoredOptions();
  json blocks = json::array();
  json boundaries = json::array();
  for (const ZORLegendRow& row : legend.rows) {
    blocks.push_back({{"color", Color(row.color)},
                      {"colorText", ZORColorText(row.color)},
                      {"imposed", row.colorImposed},
                      {"placed", row.placed},
                      {"span", row.span},
                      {"count", row.count}});
    if (row.hasLowerBoundary) {
      boundaries.push_back({{"value", Number(row.lowerBoundary)}, {"imposed", row.lowerBoundaryImposed}});
    }
  }
  json presets = json::array();
  for (const ZORColorPreset& preset : ZORColorPresets()) presets.push_back(preset.name);
  const json state = {
      {"revision", revision_},
      {"title", ZORRenderTitle(values_)},
      {"measured", {{"smallest", Number(values_.measured.smallest)},
                    {"largest", Number(values_.measured.largest)}}},
      {"blocks", blocks},
      {"boundaries", boundaries},
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
      {"notes", legend.notes},
      {"repository", repository_.empty() ? json(nullptr) : json(repository_)},
      {"unsaved", !State().Same(saved_)},
      {"warnings", warnings_},
      {"undo", undo_.size()},
      {"redo", redo_.size()},
      {"presets", presets},
      {"methods", ZORClassMethodNames()},
      {"limits", {{"blocks", ZORSettingsRecord::kMaximumBlockCount},
                  {"outlierShare", kZORLargestOutlierShare},
                  {"scriptLines", kMostScriptLines},
                  {"repositoryName", ZORRepositoryNameRule()},
                  {"repositoryNameLength", kZORLongestRepositoryName}}}};
  return Dump(state);
}

ZOROutcome ZORScaleEditor::Picture(std::string& png) {
  std::lock_guard lock(mutex_);
  Paint();
  if (painted_.png.empty()) {
    painted_.png = ZOREncodePng(values_.grid.width, values_.grid.height, painted_.rgba);
    if (painted_.png.empty()) return ZORFailure("the picture could not be encoded");
  }
  png = painted_.png;
  return std::nullopt;
}

std::string ZORScaleEditor::LegendSvg() {
  std::lock_guard lock(mutex_);
  Paint();
  if (painted_.svg.empty()) {
    painted_.svg = ZORLegendSvg(ZORRenderTitle(values_), values_.grid.width, values_.grid.height,
                                painted_.rgba, painted_.legend);
  }
  return painted_.svg;
}

ZOROutcome ZORScaleEditor::RunScript(std::string_view script, std::string& output) {
  if (LineCount(script) > kMostScriptLines) {
    return ZORProblem{ZORProblem::Kind::TooLarge,
                      "a script may have at most " + std::to_string(kMostScriptLines) + " lines"};
  }
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  scriptOut_.str("");
  scriptErr_.str("");
  runner_->Reset();
  runner_->Adopt(scale_);
  std::istringstream lines{std::string(script)};
  runner_->LimitOutput(kLargestScriptAnswer);
  const int status = runner_->Run(lines, "request");
  runner_->Reset();
  if (status != ZORScriptRunner::kEveryLineRan) {
    std::string message = scriptErr_.str();
    if (!message.empty() && message.back() == '\n') message.pop_back();
    const auto kind = status == ZORScriptRunner::kOutputTooLarge ? ZORProblem::Kind::TooLarge
                                                                  : ZORProblem::Kind::BadInput;
    return Refused(ZORProblem{kind, message}, before);
  }
  Edited(std::move(before));
  output = scriptOut_.str();
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::ImposePreset(const std::string& name, std::optional<int> blocks) {
  const ZORColorPreset* preset = ZORFindColorPreset(name);
  if (!preset) return Bad("the preset is " + ZORColorPresetChoices() + ", not '" + ZORPrintable(name) + "'");
  constexpr int kMostBlocks = ZORSettingsRecord::kMaximumBlockCount;
  if (blocks && (*blocks < 1 || *blocks > kMostBlocks)) {
    return Bad("the number of blocks is a whole number from 1 to " + std::to_string(kMostBlocks));
  }
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  if (blocks && FAILED(scale_->SetNumberOfBlocks(*blocks))) {
    return Refused(Bad("the scale refuses " + std::to_string(*blocks) + " blocks"), before);
  }
  if (!ZORImposeRamp(scale_.get(), preset->anchors)) {
    return Refused(Bad(std::string("the scale refuses the colors of ") + preset->name), before);
  }
  Edited(std::move(before));
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::Classify(const std::string& method) {
  const std::optional<ZORClassMethod> found = ZORClassMethodNamed(method);
  if (!found) return Bad("the method is " + ZORClassMethodChoices() + ", not '" + ZORPrintable(method) + "'");
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  // The classification places the extremes too: they stop following the values.
  scale_->SetAutoMinMaxStatus(ZORFalse);
  std::string line;
  if (ZOROutcome problem = ZORClassifyScale(scale_.get(), *found, values_, line)) {
    return Refused(std::move(problem), before);
  }
  Edited(std::move(before));
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
  if (ZOROutcome problem = ZORLoadScale(scale_.get(), name, warnings)) return Refused(std::move(problem), before);
  warnings_ = warnings;
  Edited(std::move(before));
  saved_ = State();
  repository_ = name;
  return std::nullopt;
}

ZOROutcome ZORScaleEditor::Save(const std::string& name) {
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) return Bad(why);
  std::lock_guard lock(mutex_);
  if (scale_->SaveToSettings(name.c_str()) != 1) {
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
