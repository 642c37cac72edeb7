// A color scale of the module as Python sees it: the scale itself, made by the module loaded the
// way zorhost loads it, and the snapshot that paints it, read again after every change.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "zor/ZORColorScaleInterfaces.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/scalefiles/ColorSteps.h"
#include "zorhost/scalefiles/ScaleFiles.h"
#include "zorhost/scale/ScaleSnapshot.h"

// A problem of zorhost's kinds, thrown to become a Python exception with zorhost's message.
class ZORPythonProblem : public std::runtime_error {
 public:
  explicit ZORPythonProblem(ZORProblem problem)
      : std::runtime_error(problem.message), kind_(problem.kind) {}
  ZORProblem::Kind Kind() const { return kind_; }

 private:
  ZORProblem::Kind kind_;
};

// The module to load when the first scale is made, when the package knows where it is; without
// it, the host's own search (ZOR_MODULE_PATH, beside the host library).
void ZORUseModule(const std::string& path);

// Held by every call that reaches the module, from whichever Python thread: calls that read or
// write files let go of the interpreter's lock for their work, and hold this one instead.
// Recursive: a snapshot let go under it may be the last, whose end reaches the module too.
std::recursive_mutex& ZORModuleMutex();
// The module, loaded once for the process and never unloaded: Python may still hold scales when
// the interpreter ends. Called with ZORModuleMutex held.
ZORModuleHost& ZORPythonHost();

// Throws the problem, if there is one.
void ZORThrowIfProblem(const ZOROutcome& outcome);

// A scale that Python threads share. Every call that reaches the module holds the module's lock
// (the module's features are not for two threads at once), and paints go on without it, with a
// snapshot they hold: an edit on another thread makes a new snapshot and never takes one away.
class ZORPythonScale {
 public:
  // zorhost's default scale of `blocks` blocks (ZORMakeDefaultScale), with the host's tolerance.
  explicit ZORPythonScale(int blocks);
  ~ZORPythonScale();
  ZORPythonScale(const ZORPythonScale&) = delete;
  ZORPythonScale& operator=(const ZORPythonScale&) = delete;
  // A new scale loaded from the settings repository `name`; what it reads badly goes to
  // `warnings`.
  static std::unique_ptr<ZORPythonScale> Load(const std::string& name, std::vector<std::string>& warnings);
  // A new scale read from a scale file (of a JSON file of several color maps, the one `name`d);
  // what the file held that the scale does not keep goes to `notes`.
  static std::unique_ptr<ZORPythonScale> Import(const std::string& path, std::optional<std::string> format,
                                                std::optional<std::string> name, std::vector<std::string>& notes);

  void Save(const std::string& name);
  // What the format could not keep, a sentence each.
  std::vector<std::string> Export(const std::string& path, std::optional<std::string> format,
                                  const std::string& name);
  void ImposePreset(const std::string& name);
  // The extremes imposed, no longer following the values.
  void ImposeRange(double lowest, double highest);
  // The tolerance scale of values from `low` to `high` passing, out to `lowest` and `highest`, as
  // zorhost render --tolerance makes it.
  void ImposeTolerance(double low, double high, double lowest, double highest);
  // The draft scale with its pass limit at `angle` degrees, as --min-draft makes it.
  void ImposeDraftLimit(double angle);
  // Acts on the scale's options over `values` as zorhost does over a part's; what was done, a
  // line each.
  std::vector<std::string> Fit(std::span<const double> values);
  // Boundaries imposed by the method named; what was done, a line.
  std::string Classify(std::span<const double> values, const std::string& method);

  // A scale made here whose boundaries were never placed: not fitted to values, no range imposed,
  // not classified, no preset with boundaries.
  bool Unfitted() const { return !placed_; }

  // The scale whole, for pickle, copy and ==: its table, the options a scale keeps for analyses
  // (name, value; unset ones left out), where a relative scale's boundaries stand, and whether it
  // was placed.
  struct State {
    ZORScaleTable table;
    std::vector<std::pair<std::string, int>> options;
    std::vector<double> relative;
    bool placed = true;
    friend bool operator==(const State&, const State&) = default;
  };
  State Whole();
  static std::unique_ptr<ZORPythonScale> Restore(const State& state);
  // "9 blocks from -1 to 1, following the values at percentiles 1 and 99; 5 colors imposed".
  std::string Description();
  // The scale's legend as a person reads it beside a picture, as PNG.
  std::string LegendPng();

  // The snapshot of the scale as it stands, kept alive by whoever holds it.
  std::shared_ptr<const ZORScaleSnapshot> Snapshot();
  // What GetColorForValue gives for one value: its result, and the color it writes.
  int ColorForValue(double value, ZORRgba& color);
  ZORColorSteps ColorSteps();

 private:
  explicit ZORPythonScale(ZORIStNewColorScale_var scale);
  static ZORIStNewColorScale_var NewScale();
  void Changed() { snapshot_.reset(); }

  ZORIStNewColorScale_var scale_;
  std::shared_ptr<const ZORScaleSnapshot> snapshot_;
  bool placed_ = true;  // loaded and read scales bring their boundaries
  // A relative scale's: where its boundaries stand between its extremes, which fit and
  // impose_range stretch them with; empty for an absolute scale.
  std::vector<double> relative_;
};

// The names and uses of the built-in presets.
std::vector<std::pair<std::string, std::string>> ZORPythonPresets();

// Paints `count` values with `painter` on `threads` threads (0: one a core), as pictures are
// painted: `colors`, when not null, receives four bytes a value, red first, the scale's undefined
// color where no block takes the value and for not a number; `blocks`, when not null, what
// GetColorForValue returns, and 0 (undefined) for not a number. `Value` is double or float.
template <class Value>
void ZORPaintArray(const ZORScaleDefinition& definition, const ZORScalePainter& painter,
                   const Value* values, std::size_t count, std::uint8_t* colors, std::int32_t* blocks,
                   int threads);
