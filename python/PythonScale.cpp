#include "python/PythonScale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>

#include "zor/ZORHostSession.h"
#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/CommandLine.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/OrderedBits.h"
#include "zorhost/common/Parallel.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/scale/AnalysisOptions.h"
#include "zorhost/classification/Classification.h"
#include "zorhost/palettes/ColorRamps.h"
#include "zorhost/scale/ScaleEdits.h"
#include "zorhost/scale/ScaleStore.h"
#include "zorhost/scale/ToleranceScale.h"
#include "zorhost/scalefiles/ColorSteps.h"
#include "zorhost/figure/FigurePng.h"
#include "zorhost/figure/LegendModel.h"

namespace {

constexpr double kTolerance = ZORHostSession::kDefaultModelTolerance;

std::recursive_mutex& ModuleMutex() { return ZORModuleMutex(); }
ZORModuleHost& Host() { return ZORPythonHost(); }

// The module's path when the package says where it is (a build tree); else the host's own search.
std::string& ModulePath() {
  static std::string path;
  return path;
}

std::optional<ZORScaleFormat> FormatNamed(const std::optional<std::string>& name) {
  if (!name) return std::nullopt;
  std::optional<ZORScaleFormat> format = ZORScaleFormatNamed(*name);
  if (!format) throw ZORPythonProblem({ZORProblem::Kind::Usage, "format is cpt, json or csv, not " + ZORShown(*name)});
  return format;
}

}  // namespace

void ZORUseModule(const std::string& path) { ModulePath() = path; }

std::recursive_mutex& ZORModuleMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

ZORModuleHost& ZORPythonHost() {
  static ZORModuleHost* const host = [] {
    std::unique_ptr<ZORModuleHost> found;
    ZORThrowIfProblem(ZORModuleHost::Find(ModulePath(), found));
    return found.release();
  }();
  return *host;
}

void ZORThrowIfProblem(const ZOROutcome& outcome) {
  if (outcome) throw ZORPythonProblem(*outcome);
}

ZORIStNewColorScale_var ZORPythonScale::NewScale() {
  ZORIStNewColorScale_var scale = Host().NewScale();
  if (!scale) throw ZORPythonProblem({ZORProblem::Kind::Failure, "the host made no color scale"});
  // The scale evaluates with the host's model tolerance, which the painter must know.
  scale->SetTolerance(kTolerance);
  return scale;
}

ZORPythonScale::ZORPythonScale(ZORIStNewColorScale_var scale) : scale_(std::move(scale)) {}

ZORPythonScale::~ZORPythonScale() {
  const std::lock_guard lock(ModuleMutex());
  snapshot_.reset();
  scale_ = ZORIStNewColorScale_var();
}

ZORPythonScale::ZORPythonScale(int blocks) {
  if (blocks < 1 || blocks > kZORMostBlocks) {
    throw ZORPythonProblem({ZORProblem::Kind::BadInput,
                            "blocks is a whole number from 1 to " + std::to_string(kZORMostBlocks) +
                                ", not " + std::to_string(blocks)});
  }
  const std::lock_guard lock(ModuleMutex());
  scale_ = NewScale();
  placed_ = false;
  if (!ZORMakeDefaultScale(scale_.get(), blocks)) {
    throw ZORPythonProblem({ZORProblem::Kind::BadInput, "cannot make a scale of " + std::to_string(blocks) + " blocks"});
  }
}

std::unique_ptr<ZORPythonScale> ZORPythonScale::Load(const std::string& name,
                                                      std::vector<std::string>& warnings) {
  const std::lock_guard lock(ModuleMutex());
  std::unique_ptr<ZORPythonScale> loaded(new ZORPythonScale(NewScale()));
  ZORThrowIfProblem(ZORLoadScale(loaded->scale_.get(), name, warnings, &loaded->relative_));
  // A relative scale has no values of its own: it follows what it is fitted to.
  if (!loaded->relative_.empty()) loaded->placed_ = false;
  return loaded;
}

std::unique_ptr<ZORPythonScale> ZORPythonScale::Import(const std::string& path, std::optional<std::string> format,
                                                        std::optional<std::string> name,
                                                        std::vector<std::string>& notes) {
  const std::lock_guard lock(ModuleMutex());
  std::unique_ptr<ZORPythonScale> imported(new ZORPythonScale(NewScale()));
  ZORScaleFileRead read{name.value_or(""), {}, std::nullopt};
  ZORThrowIfProblem(ZORImportScaleFile(imported->scale_.get(), path, FormatNamed(format), read, imported->relative_));
  if (!imported->relative_.empty()) imported->placed_ = false;
  notes = std::move(read.notes);
  return imported;
}

void ZORPythonScale::Save(const std::string& name) {
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) throw ZORPythonProblem({ZORProblem::Kind::BadInput, why});
  const std::lock_guard lock(ModuleMutex());
  ZORThrowIfProblem(ZORSaveScale(scale_.get(), name, relative_));
}

std::vector<std::string> ZORPythonScale::Export(const std::string& path, std::optional<std::string> format,
                                                const std::string& name) {
  std::vector<std::string> losses;
  const std::lock_guard lock(ModuleMutex());
  ZORThrowIfProblem(ZORExportScaleFile(scale_.get(), path, FormatNamed(format), name, losses));
  return losses;
}

void ZORPythonScale::ImposePreset(const std::string& name) {
  const ZORColorPreset* preset = ZORFindColorPreset(name);
  if (preset == nullptr) {
    throw ZORPythonProblem({ZORProblem::Kind::BadInput,
                            "preset is " + ZORColorPresetChoices() + ", not " + ZORShown(name)});
  }
  const std::lock_guard lock(ModuleMutex());
  Changed();
  placed_ = placed_ || !preset->boundaries.empty();
  if (!ZORImposePreset(scale_.get(), *preset)) {
    throw ZORPythonProblem({ZORProblem::Kind::Failure, std::string("the scale refuses the colors of the preset ") + preset->name});
  }
}

void ZORPythonScale::ImposeRange(double lowest, double highest) {
  if (!(std::isfinite(lowest) && std::isfinite(highest) && lowest < highest)) {
    throw ZORPythonProblem({ZORProblem::Kind::BadInput, "the range is LO,HI, two finite numbers with LO below HI, not " +
                                                            ZORShownNumber(lowest) + "," + ZORShownNumber(highest)});
  }
  const std::lock_guard lock(ModuleMutex());
  Changed();
  placed_ = true;
  std::string line;
  ZORThrowIfProblem(ZORImposeRange(scale_.get(), ZORValueRange{false, lowest, highest}, ZORMeasuredRange{}, line));
  ZORStretchRelative(scale_.get(), relative_);
}

void ZORPythonScale::ImposeTolerance(double low, double high, double lowest, double highest) {
  if (!(std::isfinite(low) && std::isfinite(high) && low < high)) {
    throw ZORPythonProblem({ZORProblem::Kind::BadInput, "the tolerance is LO below HI, two finite numbers, not " +
                                                            ZORShownNumber(low) + "," + ZORShownNumber(high)});
  }
  if (!(std::isfinite(lowest) && std::isfinite(highest) && lowest <= highest)) {
    throw ZORPythonProblem({ZORProblem::Kind::BadInput, "the range is LO,HI, two finite numbers, LO not above HI, not " +
                                                            ZORShownNumber(lowest) + "," + ZORShownNumber(highest)});
  }
  const std::lock_guard lock(ModuleMutex());
  Changed();
  placed_ = true;
  relative_.clear();
  if (!ZORImposeWholeScale(scale_.get(), ZORToleranceScale({low, high}, lowest, highest))) {
    throw ZORPythonProblem({ZORProblem::Kind::Failure, "the scale refuses the tolerance's blocks"});
  }
}

void ZORPythonScale::ImposeDraftLimit(double angle) {
  if (!(angle > 0.0 && angle < 90.0)) {
    throw ZORPythonProblem({ZORProblem::Kind::BadInput,
                            "the pass limit is an angle in degrees above 0 and below 90, not " + ZORShownNumber(angle)});
  }
  const std::lock_guard lock(ModuleMutex());
  Changed();
  placed_ = true;
  relative_.clear();
  if (!ZORImposeWholeScale(scale_.get(), ZORDraftScale(angle))) {
    throw ZORPythonProblem({ZORProblem::Kind::Failure, "the scale refuses the draft scale"});
  }
}

std::vector<std::string> ZORPythonScale::Fit(std::span<const double> values) {
  const ZORMeasuredRange measured = ZORMeasure(std::vector<double>(values.begin(), values.end()), {});
  if (!measured.any) throw ZORPythonProblem({ZORProblem::Kind::BadInput, "no finite value to fit the scale to"});
  const std::lock_guard lock(ModuleMutex());
  Changed();
  placed_ = true;
  std::vector<std::string> done = ZORApplyAnalysisOptions(scale_.get(), measured);
  ZORStretchRelative(scale_.get(), relative_);
  return done;
}

std::string ZORPythonScale::Classify(std::span<const double> values, const std::string& method) {
  const std::optional<ZORClassMethod> named = ZORClassMethodNamed(method);
  if (!named) {
    throw ZORPythonProblem({ZORProblem::Kind::BadInput,
                            "method is " + ZORClassMethodChoices() + ", not " + ZORShown(method)});
  }
  const std::lock_guard lock(ModuleMutex());
  ZORClassRequest request;
  request.method = *named;
  scale_->GetNumberOfBlocks(request.blocks);
  ZORScaleExtremes(scale_.get(), request.lowest, request.highest);
  ZORClassification classes;
  ZORThrowIfProblem(ZORInContext("classify " + method + ": ", ZORClassify(request, values, classes)));
  Changed();
  placed_ = true;
  relative_.clear();
  if (!ZORImposeBoundaries(scale_.get(), classes.boundaries)) {
    throw ZORPythonProblem({ZORProblem::Kind::Failure, "the scale refuses the boundaries"});
  }
  std::string line = "classify " + method + ": " + std::to_string(classes.boundaries.size()) +
                     " boundaries imposed from " + std::to_string(classes.classified) + " values";
  if (!classes.note.empty()) line += "; " + classes.note;
  return line;
}

std::shared_ptr<const ZORScaleSnapshot> ZORPythonScale::Snapshot() {
  const std::lock_guard lock(ModuleMutex());
  if (!snapshot_) {
    // A snapshot may hold the scale (to paint it value by value): whichever thread lets go of it
    // last, it ends under the module's lock.
    snapshot_ = std::shared_ptr<const ZORScaleSnapshot>(new ZORScaleSnapshot(scale_.get()),
                                                        [](const ZORScaleSnapshot* ended) {
                                                          const std::lock_guard ending(ModuleMutex());
                                                          delete ended;
                                                        });
  }
  return snapshot_;
}

int ZORPythonScale::ColorForValue(double value, ZORRgba& color) {
  const std::lock_guard lock(ModuleMutex());
  return scale_->GetColorForValue(value, &color.red, &color.green, &color.blue, &color.alpha);
}

ZORColorSteps ZORPythonScale::ColorSteps() {
  const std::shared_ptr<const ZORScaleSnapshot> snapshot = Snapshot();
  std::optional<ZORColorSteps> steps = ZORStepsOf(snapshot->Painter(), snapshot->Definition().undefinedColor);
  if (!steps) {
    throw ZORPythonProblem({ZORProblem::Kind::BadInput,
                            "a scale of one block, or whose boundaries do not increase, is painted value by value: "
                            "no table of colors gives what it paints"});
  }
  return std::move(*steps);
}

namespace {

// The options a scale keeps for analyses, by name: their getters and setters.
struct OptionAccess {
  const char* name;
  HRESULT (ZORIStNewColorScale::*get)(int&);
  HRESULT (ZORIStNewColorScale::*set)(int);
};
constexpr OptionAccess kOptions[] = {
    {"AutoMinMaxOption", &ZORIStNewColorScale::GetAutoMinMaxOption, &ZORIStNewColorScale::SetAutoMinMaxOption},
    {"AbsoluteExtrema", &ZORIStNewColorScale::GetAbsoluteExtrema, &ZORIStNewColorScale::SetAbsoluteExtrema},
    {"GreenIsFlat", &ZORIStNewColorScale::GetGreenIsFlat, &ZORIStNewColorScale::SetGreenIsFlat},
    {"NonlinearScale", &ZORIStNewColorScale::GetNonlinearScale, &ZORIStNewColorScale::SetNonlinearScale},
};

}  // namespace

ZORPythonScale::State ZORPythonScale::Whole() {
  const std::shared_ptr<const ZORScaleSnapshot> snapshot = Snapshot();
  State state;
  state.table = ZORScaleTableOf(*snapshot);
  const std::lock_guard lock(ModuleMutex());
  ZORBoolean automatic = 0;
  if (SUCCEEDED(scale_->GetAutoMinMaxStatus(automatic))) state.options.emplace_back("AutoMinMaxStatus", automatic);
  for (const OptionAccess& option : kOptions) {
    int value = 0;
    if (SUCCEEDED((scale_.get()->*option.get)(value))) state.options.emplace_back(option.name, value);
  }
  state.relative = relative_;
  state.placed = placed_;
  return state;
}

std::unique_ptr<ZORPythonScale> ZORPythonScale::Restore(const State& state) {
  const std::lock_guard lock(ModuleMutex());
  std::unique_ptr<ZORPythonScale> restored(new ZORPythonScale(NewScale()));
  ZORThrowIfProblem(ZORWriteScaleTable(restored->scale_.get(), state.table));
  for (const auto& [name, value] : state.options) {
    if (name == "AutoMinMaxStatus") restored->scale_->SetAutoMinMaxStatus(value != 0 ? ZORTrue : ZORFalse);
    for (const OptionAccess& option : kOptions) {
      if (name == option.name) (restored->scale_.get()->*option.set)(value);
    }
  }
  restored->relative_ = state.relative;
  restored->placed_ = state.placed;
  return restored;
}

std::string ZORPythonScale::Description() {
  const std::shared_ptr<const ZORScaleSnapshot> snapshot = Snapshot();
  const ZORScaleDefinition& definition = snapshot->Definition();
  const int blocks = snapshot->Blocks();
  std::string text = std::to_string(blocks) + (blocks == 1 ? " block" : " blocks");
  if (!definition.boundaries.empty()) {
    text += " from " + ZORShownNumber(definition.boundaries.front()) + " to " + ZORShownNumber(definition.boundaries.back());
  }
  const ZORScaleSnapshot::Options& options = snapshot->StoredOptions();
  if (options.autoMinMaxStatus && *options.autoMinMaxStatus != 0) {
    const int share = options.autoMinMaxOption.value_or(0);
    text += share > 0 ? ", following the values at percentiles " + std::to_string(share) + " and " + std::to_string(100 - share)
                      : ", following the values";
  }
  if (!relative_.empty()) text += ", relative";
  if (placed_ == false) text += ", not fitted";
  int imposed = 0;
  for (int k = 1; k <= blocks; ++k) imposed += snapshot->ColorImposed(k) ? 1 : 0;
  return text + "; " + std::to_string(imposed) + " of the colors imposed";
}

std::string ZORPythonScale::LegendPng() {
  const std::shared_ptr<const ZORScaleSnapshot> snapshot = Snapshot();
  const ZORLegendModel legend = ZORMakeLegend(*snapshot, nullptr);
  return ZORFigurePng("zorscale: " + Description(), 0, 0, {}, legend);
}

std::vector<std::pair<std::string, std::string>> ZORPythonPresets() {
  std::vector<std::pair<std::string, std::string>> presets;
  for (const ZORColorPreset& preset : ZORColorPresets()) presets.emplace_back(preset.name, preset.use);
  return presets;
}

template <class Value>
void ZORPaintArray(const ZORScaleDefinition& definition, const ZORScalePainter& painter,
                   const Value* values, std::size_t count, std::uint8_t* colors, std::int32_t* blocks,
                   int threads) {
  constexpr std::size_t kPiece = std::size_t{1} << 14;
  struct Buffers {
    std::vector<double> values;
    std::vector<int> blocks;
    std::vector<ZORRgba> colors;
  };
  const int workers = count <= kPiece ? 1 : ZORThreadCount(threads);
  std::vector<Buffers> buffers(static_cast<std::size_t>(workers));
  const ZORRgba undefined = definition.undefinedColor;
  ZORScalePainter::PaintOptions options;
  options.threads = 1;
  options.undefinedColorForNaN = true;
  ZORInParallel(count, kPiece, workers, [&](int worker, std::size_t first, std::size_t last) {
    Buffers& own = buffers[static_cast<std::size_t>(worker)];
    const std::size_t n = last - first;
    own.blocks.resize(kPiece);
    own.colors.resize(kPiece);
    const double* piece = nullptr;
    if constexpr (std::is_same_v<Value, double>) {
      piece = values + first;
    } else {
      own.values.assign(values + first, values + last);
      piece = own.values.data();
    }
    painter.Paint(std::span(piece, n), std::span(own.blocks.data(), n), std::span(own.colors.data(), n), options);
    if (blocks != nullptr) std::copy_n(own.blocks.data(), n, blocks + first);
    if (colors == nullptr) return;
    for (std::size_t i = 0; i < n; ++i) {
      const ZORRgba& color = own.blocks[i] < 0 ? undefined : own.colors[i];
      std::uint8_t* out = colors + 4 * (first + i);
      out[0] = static_cast<std::uint8_t>(color.red);
      out[1] = static_cast<std::uint8_t>(color.green);
      out[2] = static_cast<std::uint8_t>(color.blue);
      out[3] = static_cast<std::uint8_t>(color.alpha);
    }
  });
}

template void ZORPaintArray<double>(const ZORScaleDefinition&, const ZORScalePainter&, const double*,
                                    std::size_t, std::uint8_t*, std::int32_t*, int);
template void ZORPaintArray<float>(const ZORScaleDefinition&, const ZORScalePainter&, const float*,
                                   std::size_t, std::uint8_t*, std::int32_t*, int);
