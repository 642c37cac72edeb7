// What `zorhost serve` edits: one scale made through the module, the values it paints, the view
// of the part they are painted on, and the history of the scale's edits. Every change of the
// scale is made by the module, through the scale's interface; the editor only keeps the scale's
// whole state before each change, to undo it. Its calls return what happened in the editor's
// terms; the server turns that into HTTP. Safe to call from several threads: one call at a time
// holds the scale.
#pragma once

#include <iosfwd>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "zor/ZORHostSession.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/picture/PictureSteps.h"
#include "zorhost/figure/LegendModel.h"
#include "zorhost/inspection/AreaStatistics.h"
#include "zorhost/inspection/Callouts.h"
#include "zorhost/scalefiles/ScaleFiles.h"
#include "zorhost/scale/ScaleSnapshot.h"
#include "zorhost/script/ScriptRunner.h"

class ZORScaleEditor {
 public:
  // The values read and the scale prepared as `zorhost render` does, its stages told on
  // `progress` when the options ask.
  static ZOROutcome Open(ZORModuleHost& host, const ZORPaintRequest& options, std::ostream& progress,
                         std::unique_ptr<ZORScaleEditor>& editor);
  ~ZORScaleEditor();

  // The scale and what it paints, as JSON: every number a person reads already in its text.
  std::string StateJson();

  // The view the state describes: how the part is pictured.
  ZORPictureSettings View();
  // True when the values are a part's picture, which has a view; false for a grid.
  bool HasView() const { return static_cast<bool>(values_.part); }
  // Pictures the part as `view` asks: another analysis is measured over the whole part again and
  // the scale's options act on it.
  ZOROutcome SetView(const ZORPictureSettings& view);

  // The painted values of `view` as PNG, without the legend; a draft has half the width and
  // height, made without meshing the part again, for a view that is moving.
  ZOROutcome Picture(const ZORPictureSettings& view, bool draft, std::string& png);
  // The picture of the view beside its legend, PNG; the legend beside the picture, SVG: what
  // `zorhost render` writes.
  ZOROutcome Figure(std::string& png);
  std::string LegendSvg();
  // What the picture of `view` shows at `pixel`, as JSON.
  ZOROutcome Probe(const ZORPictureSettings& view, ZORPixel pixel, std::string& json);
  // The scale in a file of the format named ("cpt", "json", "csv"), named as `zorhost scale
  // export` names a repository's: the same bytes it writes of the same scale.
  ZOROutcome ExportScale(const std::string& formatName, std::string& text, std::string& fileName);

  // Runs script lines against the scale, as `zorhost script` runs them: one line of `output` a
  // command. At a bad line, or one whose output would pass the answer's limit, the request's
  // earlier lines are undone: a request is applied whole or not at all.
  ZOROutcome RunScript(std::string_view script, std::string& output);
  // Imposes a preset's colors, first giving the scale `blocks` blocks when asked.
  ZOROutcome ImposePreset(const std::string& name, std::optional<int> blocks);
  ZOROutcome Classify(const std::string& method);
  // The extremes imposed as `zorhost render --range` takes them ("LO,HI", "symmetric"), or
  // following the values measured over the part again ("part").
  ZOROutcome SetRange(const std::string& range);
  // What passes: a tolerance as --tolerance takes it ("0.1", "-0.05,0.2"), or for a draft its pass
  // limit as --min-draft takes it ("1.5"); "none" for no verdict. The scale it makes is an edit to
  // undo; the tolerance stays for the verdict.
  ZOROutcome SetTolerance(const std::string& tolerance);
  // The share of the area that must pass, as --pass-share takes it.
  ZOROutcome SetPassShare(const std::string& share);
  // Isophotes and reflection lines: zebra stripes this many degrees wide ("10"), an edit.
  ZOROutcome SetStripes(const std::string& degrees);
  // The part's edges drawn over its picture, colored by the angle between their faces ("on"),
  // or not ("off"): a CAD part's.
  ZOROutcome SetEdges(const std::string& drawn);
  // The callouts pinned, at the part's points nearest these (at most kZORMostPins); they are drawn
  // on the figure and the SVG as on a render's.
  ZOROutcome SetPins(const std::vector<ZORVec3>& points);
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
  ZORScaleEditor(ZORModuleHost& host, const ZORPaintRequest& options);

  // What the current revision paints, made once a revision.
  struct Painted {
    long revision = 0;
    std::unique_ptr<ZORScaleSnapshot> snapshot;
    ZORLegendModel legend;
    std::string blocksJson;  // the state's blocks and boundaries
    std::optional<ZORAreaStatistics> statistics;  // of a part
    std::vector<ZORFigureCallout> pins;           // placed in the view
    std::vector<std::uint8_t> rgba;
    std::string png;     // made when first asked for
    std::string figure;  // the picture with its legend, made when first asked for
    std::string svg;
    std::optional<ZORFigureOverlay> edges;  // drawn over it, when asked
  };
  const Painted& Paint();
  // The picture of `view` painted with the current revision's scale, as PNG.
  ZOROutcome PaintOther(const ZORPictureSettings& view, bool draft, std::string& png);
  // After an edit: the analysis options acted on again, as the analysis does when its scale
  // changes; the state before kept for undo when the scale changed. True when it did.
  bool Edited(ZORFeatureState before);
  void ApplyAnalysisOptions();
  // An analysis's own scale (`own`: the draft preset for draft angles, zebra stripes for
  // isophotes and reflection lines) on switching to it, as the command line paints it, and the
  // scale before it back on switching away (null; the default scale when the editor opened on
  // it): each an edit to undo.
  void SwitchOwnScale(const ZORColorPreset* own);
  ZORFeatureState State();
  ZOROutcome Refused(ZOROutcome problem, const ZORFeatureState& before);
  // Undo or redo: the state on top of `from` restored, the present one kept on `to`.
  ZOROutcome Step(std::vector<ZORFeatureState>& from, std::vector<ZORFeatureState>& to,
                  const char* none);
  // Tells the stages of making a picture, for the status.
  void Timed(const ZORStages& stages, const std::string& what);

  // The edges of the part drawn over its picture, measured when first drawn.
  ZOROutcome EdgeOverlay(const ZORPictureSettings& view, std::optional<ZORFigureOverlay>& overlay);
  bool drawEdges_ = false;
  std::optional<std::vector<ZOREdgeContinuity>> edges_;

  std::vector<ZORVec3> pins_;
  // A relative scale's: where its boundaries stand between the extremes, which every change of
  // the extremes stretches them with; empty for an absolute scale.
  std::vector<double> relative_;
  std::mutex mutex_;
  std::mutex viewWorkMutex_;
  std::stop_source viewWork_;  // of the last view asked for
  ZORModuleHost& host_;
  ZORPaintRequest options_;  // options_.picture: the view
  ZORRenderValues values_;    // the view's picture among them
  ZORIStNewColorScale_var scale_;
  ZORISpecObject_var feature_;
  std::ostringstream scriptOut_;
  std::ostringstream scriptErr_;
  std::unique_ptr<ZORScriptRunner> runner_;
  std::vector<std::string> optionsDone_;
  std::vector<ZORFeatureState> undo_;
  std::vector<ZORFeatureState> redo_;
  ZORFeatureState saved_;       // the state last loaded or saved
  std::optional<ZORFeatureState> beforeOwnScale_;  // the scale before the view switched to an analysis's own
  std::string repository_;      // the repository last loaded or saved
  std::vector<std::string> warnings_;  // what the last load reported
  std::string openTimings_;     // of reading the values and preparing the scale
  std::string pictureTimings_;  // of the last picture made
  long revision_ = 1;
  Painted painted_;
};
