#include "zorhost/serve/ScaleEditor.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/render/AnalysisOptions.h"
#include "zorhost/scale/Classification.h"
#include "zorhost/scale/ColorRamps.h"
#include "zorhost/common/ImageFiles.h"
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

constexpr const char* kText = "text/plain; charset=utf-8";

json Number(double value) { return std::isfinite(value) ? json(value) : json(nullptr); }

json Color(const ZORRgba& c) { return json::array({c.red, c.green, c.blue, c.alpha}); }

// An option's value, or null when the scale gives none.
template <class Value>
json Option(ZORIStNewColorScale* scale, HRESULT (ZORIStNewColorScale::*getter)(Value&)) {
  Value value{};
  if (FAILED((scale->*getter)(value))) return nullptr;
  return static_cast<int>(value);
}

ZORScaleEditor::Answer Message(int status, const std::string& message) {
  return {status, message + "\n", kText};
}

}  // namespace

ZORScaleEditor::ZORScaleEditor(ZORModuleHost& host, const ZORRenderOptions& options)
    : host_(host), options_(options) {
  options_.painting = ZORRenderOptions::Painting::Painter;
  options_.progress = false;
}

ZORScaleEditor::~ZORScaleEditor() {
  runner_.reset();  // its scales go before the served one
}

std::unique_ptr<ZORScaleEditor> ZORScaleEditor::Open(ZORModuleHost& host,
                                                     const ZORRenderOptions& options,
                                                     std::string& error, int& status) {
  std::unique_ptr<ZORScaleEditor> editor(new ZORScaleEditor(host, options));
  ZORRenderOutcome failure = ZORReadRenderValues(editor->options_, editor->values_);
  std::ostringstream warnings;
  if (!failure) {
    failure = ZORPrepareScale(host, editor->options_, editor->values_, editor->scale_,
                              editor->optionsDone_, warnings);
  }
  if (failure) {
    error = failure->message;
    status = failure->status;
    return nullptr;
  }
  std::istringstream reported(warnings.str());
  for (std::string line; std::getline(reported, line);) editor->warnings_.push_back(line);
  editor->feature_ = ZORISpecObject_var(editor->scale_);
  editor->runner_ = std::make_unique<ZORScriptRunner>(host, editor->scriptOut_, editor->scriptErr_);
  editor->saved_ = editor->State();
  editor->repository_ = options.settingsName;
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

ZORScaleEditor::Answer ZORScaleEditor::Refused(int status, const std::string& message,
                                               const ZORFeatureState& before) {
  ZORRestoreFeatureState(feature_.get(), before);
  return Message(status, message);
}

const ZORScaleEditor::Painted& ZORScaleEditor::Paint() {
  if (painted_.revision == revision_) return painted_;
  Painted painted;
  painted.revision = revision_;
  painted.view = ZORDescribeScale(scale_.get(), kTolerance);
  const ZORScalePainter painter(scale_.get(), kTolerance);
  std::ostringstream progress;  // the painter shows none here
  ZORPaintValues(scale_.get(), painter, values_.grid, options_, painted.painting, progress);
  painted.counts = ZORCountBlocks(painted.painting, values_, painted.view.Blocks());
  painted.rgba = ZORPictureRgba(values_, painted.painting, painted.view.undefinedColor,
                                options_.background);
  painted_ = std::move(painted);
  return painted_;
}

ZORScaleEditor::Answer ZORScaleEditor::StateAnswer() {
  const Painted& painted = Paint();
  const ZORScaleView& view = painted.view;
  ZORIStNewColorScale* scale = scale_.get();
  json blocks = json::array();
  for (int k = 1; k <= view.Blocks(); ++k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    double first = 0.0, last = 0.0;
    const bool placed = view.Span(k, first, last);
    blocks.push_back({{"color", Color(view.colors[at])},
                      {"imposed", view.colorIndices[at] != -1},
                      {"placed", placed},
                      {"from", placed ? Number(first) : json(nullptr)},
                      {"to", placed ? Number(last) : json(nullptr)},
                      {"count", painted.counts.perBlock.at(static_cast<std::size_t>(k))}});
  }
  json boundaries = json::array();
  for (std::size_t at = 0; at < view.boundaries.size(); ++at) {
    boundaries.push_back({{"value", Number(view.boundaries[at])},
                          {"imposed", view.boundaryIndices[at] != -1}});
  }
  double first = 0.0, last = 0.0;
  scale->GetExtremeImposedValues(&first, &last);
  json presets = json::array();
  for (const ZORColorPreset& preset : ZORColorPresets()) presets.push_back(preset.name);
  const json state = {
      {"revision", revision_},
      {"title", ZORRenderTitle(values_)},
      {"measured", {{"smallest", Number(values_.measured.smallest)},
                    {"largest", Number(values_.measured.largest)}}},
      {"blocks", blocks},
      {"boundaries", boundaries},
      {"extremes", {{"first", Number(first)}, {"last", Number(last)}}},
      {"options", {{"AutoMinMaxStatus", Option(scale, &ZORIStNewColorScale::GetAutoMinMaxStatus)},
                   {"AutoMinMaxOption", Option(scale, &ZORIStNewColorScale::GetAutoMinMaxOption)},
                   {"AbsoluteExtrema", Option(scale, &ZORIStNewColorScale::GetAbsoluteExtrema)},
                   {"GreenIsFlat", Option(scale, &ZORIStNewColorScale::GetGreenIsFlat)},
                   {"NonlinearScale", Option(scale, &ZORIStNewColorScale::GetNonlinearScale)},
                   {"NumberOfColorsStatus", Option(scale, &ZORIStNewColorScale::GetNumberOfColorsStatus)}}},
      {"optionsDone", optionsDone_},
      {"undefinedColor", Color(view.undefinedColor)},
      {"histogram", {{"undefined", painted.counts.undefined}, {"noColor", painted.counts.noColor}}},
      {"repository", repository_.empty() ? json(nullptr) : json(repository_)},
      {"unsaved", !State().Same(saved_)},
      {"warnings", warnings_},
      {"undo", undo_.size()},
      {"redo", redo_.size()},
      {"presets", presets},
      {"methods", ZORClassMethodNames()}};
  return {200, state.dump(-1, ' ', false, json::error_handler_t::replace)};
}

ZORScaleEditor::Answer ZORScaleEditor::Scale() {
  std::lock_guard lock(mutex_);
  return StateAnswer();
}

ZORScaleEditor::Answer ZORScaleEditor::Picture() {
  std::lock_guard lock(mutex_);
  Paint();
  if (painted_.png.empty()) {
    painted_.png = ZOREncodePng(values_.grid.width, values_.grid.height, painted_.rgba);
    if (painted_.png.empty()) return Message(500, "the picture could not be encoded");
  }
  return {200, painted_.png, "image/png"};
}

ZORScaleEditor::Answer ZORScaleEditor::Legend() {
  std::lock_guard lock(mutex_);
  Paint();
  if (painted_.svg.empty()) {
    painted_.svg = ZORLegendSvg(ZORRenderTitle(values_), values_.grid.width, values_.grid.height, painted_.rgba,
                                painted_.view, painted_.counts);
  }
  return {200, painted_.svg, "image/svg+xml"};
}

ZORScaleEditor::Answer ZORScaleEditor::RunScript(std::string_view script) {
  if (LineCount(script) > kMostScriptLines) {
    return Message(413, "a script may have at most " + std::to_string(kMostScriptLines) + " lines");
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
    return Refused(status == ZORScriptRunner::kOutputTooLarge ? 413 : 400, message, before);
  }
  Edited(std::move(before));
  return {200, scriptOut_.str(), kText};
}

ZORScaleEditor::Answer ZORScaleEditor::ImposePreset(const std::string& name, std::optional<int> blocks) {
  const ZORColorPreset* preset = ZORFindColorPreset(name);
  if (!preset) return Message(400, "the preset is " + ZORColorPresetChoices() + ", not '" + ZORPrintable(name) + "'");
  if (blocks && (*blocks < 1 || *blocks > 65536)) {
    return Message(400, "the number of blocks is a whole number from 1 to 65536");
  }
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  if (blocks && FAILED(scale_->SetNumberOfBlocks(*blocks))) {
    return Refused(400, "the scale refuses " + std::to_string(*blocks) + " blocks", before);
  }
  if (!ZORImposeRamp(scale_.get(), preset->anchors)) {
    return Refused(400, std::string("the scale refuses the colors of ") + preset->name, before);
  }
  Edited(std::move(before));
  return StateAnswer();
}

ZORScaleEditor::Answer ZORScaleEditor::Classify(const std::string& method) {
  const std::optional<ZORClassMethod> found = ZORClassMethodNamed(method);
  if (!found) {
    return Message(400, "the method is " + ZORClassMethodChoices() + ", not '" + ZORPrintable(method) + "'");
  }
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  // The classification places the extremes too: they stop following the values.
  scale_->SetAutoMinMaxStatus(ZORFalse);
  std::string line;
  if (ZORRenderOutcome failure = ZORClassifyScale(scale_.get(), *found, values_, line)) {
    return Refused(400, failure->message, before);
  }
  Edited(std::move(before));
  return StateAnswer();
}

ZORScaleEditor::Answer ZORScaleEditor::Step(std::vector<ZORFeatureState>& from,
                                            std::vector<ZORFeatureState>& to, const char* none) {
  std::lock_guard lock(mutex_);
  if (from.empty()) return Message(409, none);
  to.push_back(State());
  ZORRestoreFeatureState(feature_.get(), from.back());
  from.pop_back();
  ++revision_;
  return StateAnswer();
}

ZORScaleEditor::Answer ZORScaleEditor::Undo() { return Step(undo_, redo_, "there is no edit to undo"); }

ZORScaleEditor::Answer ZORScaleEditor::Redo() {
  return Step(redo_, undo_, "there is no undone edit to redo");
}

ZORScaleEditor::Answer ZORScaleEditor::Repositories() {
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
  return {200, json{{"folder", folder}, {"repositories", names}}.dump(-1, ' ', false, json::error_handler_t::replace)};
}

ZORScaleEditor::Answer ZORScaleEditor::Load(const std::string& name) {
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) return Message(400, why);
  std::lock_guard lock(mutex_);
  ZORFeatureState before = State();
  std::vector<std::string> warnings;
  std::string error;
  if (!ZORLoadScale(scale_.get(), name, warnings, error)) return Refused(400, error, before);
  warnings_ = warnings;
  Edited(std::move(before));
  saved_ = State();
  repository_ = name;
  return StateAnswer();
}

ZORScaleEditor::Answer ZORScaleEditor::Save(const std::string& name) {
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) return Message(400, why);
  std::lock_guard lock(mutex_);
  if (scale_->SaveToSettings(name.c_str()) != 1) {
    return Message(500, "the scale could not be saved to '" + name + "' in " + ZORSettingsFolder());
  }
  saved_ = State();
  repository_ = name;
  return StateAnswer();
}

bool ZORScaleEditor::Unsaved() {
  std::lock_guard lock(mutex_);
  return !State().Same(saved_);
}

std::string ZORScaleEditor::Title() {
  std::lock_guard lock(mutex_);
  return ZORRenderTitle(values_);
}
