// What `zorhost serve` edits: one scale made through the module, the values it paints, and the
// history of its edits. Every change is made by the module, through the scale's interface; the
// editor only keeps the scale's whole state before each change, to undo it. Its calls return
// what happened in the editor's terms; the server turns that into HTTP. Safe to call from several
// threads: one call at a time holds the scale.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "zor/ZORHostSession.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/render/RenderSteps.h"
#include "zorhost/scale/LegendModel.h"
#include "zorhost/scale/ScaleSnapshot.h"
#include "zorhost/script/ScriptRunner.h"

class ZORScaleEditor {
 public:
  // The longest script a request may run, in lines.
  static constexpr std::size_t kMostScriptLines = 10000;

  // The values read and the scale prepared as `zorhost render` does; null with `problem` when
  // that fails.
  static std::unique_ptr<ZORScaleEditor> Open(ZORModuleHost& host, const ZORRenderOptions& options,
                                              ZOROutcome& problem);
  ~ZORScaleEditor();

  // The scale and what it paints, as JSON: every number a person reads already in its text.
  std::string StateJson();
  // The painted values, PNG.
  ZOROutcome Picture(std::string& png);
  // The picture beside its legend, SVG.
  std::string LegendSvg();
  // Runs script lines against the scale, as `zorhost script` runs them: one line of `output` a
  // command. At a bad line, or one whose output would pass the answer's limit, the request's
  // earlier lines are undone: a request is applied whole or not at all.
  ZOROutcome RunScript(std::string_view script, std::string& output);
  // Imposes a preset's colors, first giving the scale `blocks` blocks when asked.
  ZOROutcome ImposePreset(const std::string& name, std::optional<int> blocks);
  ZOROutcome Classify(const std::string& method);
  ZOROutcome Undo();
  ZOROutcome Redo();
  // The settings repositories, as JSON.
  std::string RepositoriesJson();
  ZOROutcome Load(const std::string& name);
  ZOROutcome Save(const std::string& name);
  // Edits not saved to a repository since the last load or save.
  bool Unsaved();
  // What is painted, for the terminal.
  std::string Title();

 private:
  ZORScaleEditor(ZORModuleHost& host, const ZORRenderOptions& options);

  // What the current revision paints, made once a revision.
  struct Painted {
    long revision = 0;
    std::unique_ptr<ZORScaleSnapshot> snapshot;
    ZORPainting painting;
    ZORLegendModel legend;
    std::vector<std::uint8_t> rgba;
    std::string png;  // made when first asked for
    std::string svg;
  };
  const Painted& Paint();
  // After an edit: the analysis options acted on again, as the analysis does when its scale
  // changes; the state before kept for undo when the scale changed. True when it did.
  bool Edited(ZORFeatureState before);
  ZORFeatureState State();
  ZOROutcome Refused(ZOROutcome problem, const ZORFeatureState& before);
  // Undo or redo: the state on top of `from` restored, the present one kept on `to`.
  ZOROutcome Step(std::vector<ZORFeatureState>& from, std::vector<ZORFeatureState>& to,
                  const char* none);

  std::mutex mutex_;
  ZORModuleHost& host_;
  ZORRenderOptions options_;
  ZORRenderValues values_;
  ZORIStNewColorScale_var scale_;
  ZORISpecObject_var feature_;
  std::ostringstream scriptOut_;
  std::ostringstream scriptErr_;
  std::unique_ptr<ZORScriptRunner> runner_;
  std::vector<std::string> optionsDone_;
  std::vector<ZORFeatureState> undo_;
  std::vector<ZORFeatureState> redo_;
  ZORFeatureState saved_;       // the state last loaded or saved
  std::string repository_;      // the repository last loaded or saved
  std::vector<std::string> warnings_;  // what the last load reported
  long revision_ = 1;
  Painted painted_;
};
