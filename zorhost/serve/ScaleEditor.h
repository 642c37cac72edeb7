// What `zorhost serve` edits: one scale made through the module, the values it paints, and the
// history of its edits. Every change is made by the module, through the scale's interface; the
// editor only keeps the scale's whole state before each change, to undo it. Safe to call from
// several threads: one call at a time holds the scale.
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
#include "zorhost/render/RenderSteps.h"
#include "zorhost/script/ScriptRunner.h"

class ZORScaleEditor {
 public:
  // A request's answer: an HTTP status, the body and its type.
  struct Answer {
    int status = 200;
    std::string body;
    std::string type = "application/json";
  };

  // The longest script a request may run.
  static constexpr std::size_t kMostScriptLines = 10000;

  // The values read and the scale prepared as `zorhost render` does; null with `error` (and the
  // exit status) when that fails.
  static std::unique_ptr<ZORScaleEditor> Open(ZORModuleHost& host, const ZORRenderOptions& options,
                                              std::string& error, int& status);
  ~ZORScaleEditor();

  Answer Scale();     // the scale as JSON
  Answer Picture();   // the painted values, PNG
  Answer Legend();    // the picture beside its legend, SVG
  // Runs script lines against the scale, as `zorhost script` runs them: one line of output a
  // command. A bad line answers 400 with the script's message, and the request's earlier lines
  // are undone: a request is applied whole or not at all.
  Answer RunScript(std::string_view script);
  // Imposes a preset's colors, first giving the scale `blocks` blocks when asked.
  Answer ImposePreset(const std::string& name, std::optional<int> blocks);
  Answer Classify(const std::string& method);
  Answer Undo();
  Answer Redo();
  Answer Repositories();  // the settings repositories, as JSON
  Answer Load(const std::string& name);
  Answer Save(const std::string& name);
  // Edits not saved to a repository since the last load or save.
  bool Unsaved();
  // What is painted, for the terminal.
  std::string Title();

 private:
  ZORScaleEditor(ZORModuleHost& host, const ZORRenderOptions& options);

  // What the current revision paints, made once a revision.
  struct Painted {
    long revision = 0;
    ZORScaleView view;
    ZORPainting painting;
    ZORBlockCounts counts;
    std::vector<std::uint8_t> rgba;
    std::string png;  // made when first asked for
    std::string svg;
  };
  const Painted& Paint();
  // After an edit: the analysis options acted on again, as the analysis does when its scale
  // changes; the state before kept for undo when the scale changed. True when it did.
  bool Edited(ZORFeatureState before);
  ZORFeatureState State();
  Answer Refused(int status, const std::string& message, const ZORFeatureState& before);
  // Undo or redo: the state on top of `from` restored, the present one kept on `to`.
  Answer Step(std::vector<ZORFeatureState>& from, std::vector<ZORFeatureState>& to, const char* none);
  Answer StateAnswer();

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
