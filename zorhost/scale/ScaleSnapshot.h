// A scale read once, through the module's interface, for one revision of it: every picture,
// legend, file and page of that revision is a view of the snapshot, so they cannot disagree.
#pragma once

#include <optional>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zor/ZORColorScaleInterfaces.h"

// Gives `scale` zorhost's tolerance for its range (ZORRangeTolerance of its first and last stored
// boundaries, by which it places values) and returns it.
double ZORFitScaleTolerance(ZORIStNewColorScale* scale);

class ZORScaleSnapshot {
 public:
  // Reads `scale`, first giving it zorhost's tolerance for its range (ZORFitScaleTolerance), so
  // that the scale and every view of the snapshot place values alike.
  explicit ZORScaleSnapshot(ZORIStNewColorScale* scale);

  const ZORScaleDefinition& Definition() const { return definition_; }
  // The one painter of the revision: it paints every value and says where values go.
  const ZORScalePainter& Painter() const { return painter_; }
  int Blocks() const { return static_cast<int>(definition_.colors.size()); }
  const ZORRgba& Color(int block) const { return definition_.colors[static_cast<std::size_t>(block - 1)]; }
  bool ColorImposed(int block) const;
  // Boundary k separates block k from block k + 1.
  double Boundary(int k) const { return definition_.boundaries[static_cast<std::size_t>(k - 1)]; }
  bool BoundaryImposed(int k) const;

  // The values the evaluation places in a block, from the lowest to the highest; none when no
  // value takes it. When the rules cannot be searched (boundaries that decrease, say), the value
  // table's range, and RangesKnown() is false.
  struct Span {
    bool placed = false;
    double first = 0.0;
    double last = 0.0;
  };
  const Span& SpanOf(int block) const { return spans_[static_cast<std::size_t>(block - 1)]; }
  bool RangesKnown() const { return rangesKnown_; }
  // The first and last stored boundaries, by which values are placed, are not the value table's
  // ends (a hand-edited record, say).
  bool LimitsDisagree() const;

  // The options the scale stores for its analyses; none where the scale gives none.
  struct Options {
    std::optional<int> autoMinMaxStatus;
    std::optional<int> autoMinMaxOption;
    std::optional<int> absoluteExtrema;
    std::optional<int> greenIsFlat;
    std::optional<int> nonlinearScale;
    std::optional<int> numberOfColorsStatus;
  };
  const Options& StoredOptions() const { return options_; }

 private:
  ZORScaleDefinition definition_;
  ZORScalePainter painter_;
  std::vector<Span> spans_;
  bool rangesKnown_ = false;
  Options options_;
};
