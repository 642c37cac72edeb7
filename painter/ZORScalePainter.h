// Painting many values at once on the caller's side: one snapshot of a color scale, then arrays
// of values painted with exactly what GetColorForValue would give for each of them.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "colorscale/ColorScaleMath.h"
#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORRgba.h"


// Every value from `first` to `last` (both included) is placed in `block`.
struct ZORBlockRange {
  int block;
  double first;
  double last;
};

// The color a new scale gives undefined values: white, transparent.
inline constexpr ZORRgba kZORNewScaleUndefinedColor{255, 255, 255, 0};

// A scale as its interface gives it, read once: what the painter paints with, and what legends
// and files show of it.
struct ZORScaleDefinition {
  int blockCount = 0;
  std::vector<double> boundaries;    // the value table, n - 1
  std::vector<int> boundaryIndices;  // n - 1: -1 for a boundary that is not imposed
  std::vector<ZORRgba> colors;       // the color table, n
  std::vector<int> colorIndices;     // n: -1 for a color that is not imposed
  double lower = 0.0;                // the first and last stored boundaries, by which the
  double upper = 0.0;                // evaluation places values
  ZORRgba undefinedColor = kZORNewScaleUndefinedColor;
  double tolerance = 0.0;            // the one the scale evaluates with
  // A scale whose definition could not be had: painted value by value through its interface.
  ZORIStNewColorScale_var perValueScale;
};

// Reads `scale` through its interface (block count, scale definition, extreme boundaries,
// undefined color); `tolerance` is the one the scale evaluates with.
ZORScaleDefinition ZORReadScaleDefinition(ZORIStNewColorScale* scale, double tolerance);

class ZORScalePainter {
 public:
  // The block index painted for a value that is not a number when PaintOptions asks for the
  // scale's undefined color.
  static constexpr int kUndefinedBlock = 0;

  struct PaintOptions {
    // Not-a-number values get the scale's "ColorUndefine" color and block kUndefinedBlock
    // instead of what the rules give them. Off, the painter gives exactly what
    // GetColorForValue gives.
    bool undefinedColorForNaN = false;
    // Threads for arrays of at least kParallelThreshold values; 0: one per core.
    unsigned threads = 0;
    // The widest vectors the processor has (AVX2 where it has them, else SSE2), which give the
    // same bytes; off, SSE2 only, for comparing the two.
    bool widestVectors = true;
  };
  // Whether this processor paints with AVX2.
  static bool HasWideVectors();
  static constexpr std::size_t kParallelThreshold = std::size_t{1} << 16;

  // Takes one snapshot of `scale` through its interface (ZORReadScaleDefinition). `tolerance` is
  // the one the scale evaluates with.
  ZORScalePainter(ZORIStNewColorScale* scale, double tolerance);
  // Paints with a definition already read.
  explicit ZORScalePainter(const ZORScaleDefinition& definition);
  ~ZORScalePainter();
  ZORScalePainter(const ZORScalePainter&) = delete;
  ZORScalePainter& operator=(const ZORScalePainter&) = delete;

  // For each value: blocks[i] receives what GetColorForValue returns, and colors[i] the four
  // components it writes; colors[i] is left as it was where the result is -1. The snapshot is
  // never changed, so one painter serves any number of threads.
  void Paint(std::span<const double> values, std::span<int> blocks, std::span<ZORRgba> colors,
             const PaintOptions& options) const;
  void Paint(std::span<const double> values, std::span<int> blocks,
             std::span<ZORRgba> colors) const {
    Paint(values, blocks, colors, PaintOptions{});
  }
  int PaintOne(double value, ZORRgba& color) const;

  // True when the boundaries allow the search by intervals (they do not decrease, and they, the
  // limits and the tolerance are finite, the tolerance not negative); the rules are scanned
  // value by value otherwise.
  bool SearchesIntervals() const { return !slots_.empty(); }

  // Where the scale places the values, from -inf to +inf: the ranges of values that take each
  // block, in value order, exactly as the rules decide (values that take no block are left out).
  // Empty when the rules cannot be searched by intervals.
  std::vector<ZORBlockRange> BlockRanges() const;
  // The same, cut where any rule's outcome changes: within one interval a blended block's color
  // moves one way (a block's tolerance band at its upper boundary is an interval of its own,
  // painted the block's own color).
  std::vector<ZORBlockRange> Intervals() const;

 private:
  // What painting a value of one interval takes: its block and, for a blended block, the blend
  // that gives its color. A block painted with one color blends toward that color with a
  // difference of 0, so that every value goes through the same arithmetic.
  struct Blend {
    alignas(32) double next[4] = {};  // per component, red first
    double difference[4] = {};
  };
  struct Slot {
    ZORColorScaleMath::BlendSpan span{0.0, 1.0};
    int block = -1;
    // 0 when every value the slot paints gets a color (a block) whose components stay within the
    // int range before they are truncated, so that the wide loop may leave the clamp out; -1 else.
    int unclamped = -1;
    Blend blend;
  };

  ZORColorScaleMath::PlacementTable Table() const;
  Slot MakeSlot(const ZORColorScaleMath::Placement& placement) const;
  static Slot PlainSlot(int block, const ZORRgba& color);
  // Whether `slot`'s blend stays within the int range for every value from `first` to `last`.
  static bool StaysInRange(const Slot& slot, double first, double last);
  // Sets each slot's `unclamped` from the values of its interval.
  void MarkUnclampedSlots();
  void PaintRange(const double* values, int* blocks, ZORRgba* colors, std::size_t count,
                  const PaintOptions& options) const;
  void PaintIntervals(const double* values, int* blocks, ZORRgba* colors, std::size_t count,
                      const PaintOptions& options) const;
  void LocateSlots(const double* values, unsigned* slots, std::size_t count,
                   std::size_t notANumberSlot) const;
  void PaintSlots(const double* values, const unsigned* slots, int* blocks, ZORRgba* colors,
                  std::size_t count) const;
  // The same two steps on AVX2, four values at a time; only where HasWideVectors(). The first
  // returns how many values it placed, a multiple of four.
  std::size_t LocateSlotsWide(const double* values, unsigned* slots, std::size_t count,
                              unsigned notANumberSlot) const;
  template <bool kStream>
  void PaintSlotsWide(const double* values, const unsigned* slots, int* blocks, ZORRgba* colors,
                      std::size_t count) const;
  // Arrays from this many values on are painted past the caches (AVX2 only): their colors would
  // not be found there again.
  static constexpr std::size_t kStreamingThreshold = std::size_t{1} << 18;
  // PaintSlots' one value at a time, for what the vector loops leave.
  void PaintSlotsOneByOne(const double* values, const unsigned* slots, int* blocks, ZORRgba* colors,
                          std::size_t first, std::size_t count) const;
  std::size_t IntervalOf(double value) const;
  std::size_t BucketOf(double value) const;
  void BuildIntervals();

  // The snapshot.
  int blockCount_ = 0;
  std::vector<double> boundaries_;   // n - 1
  std::vector<int> colorIndices_;    // n
  std::vector<ZORRgba> colors_;      // n
  double lower_ = 0.0;
  double upper_ = 0.0;
  double tolerance_ = 0.0;
  bool bisect_ = false;  // the rules may bisect the boundaries
  ZORRgba undefinedColor_ = kZORNewScaleUndefinedColor;
  // A scale whose definition could not be had is painted value by value through the scale.
  ZORIStNewColorScale_var perValueScale_;

  // The search by intervals: thresholds_[j] is the first value of interval j + 1; every value of
  // an interval has the same outcome. A value's interval is the number of thresholds at or below
  // it. Buckets over the finite thresholds give it at once for a bucket without thresholds; only a
  // bucket that holds thresholds is scanned, from the first of them.
  std::vector<double> thresholds_;
  static constexpr unsigned kHoldsThresholds = ~0u;  // in bucketInterval_: scan the bucket
  std::vector<unsigned> bucketInterval_;  // the interval of all the bucket's values, or kHoldsThresholds
  std::vector<unsigned> bucketStart_;     // the thresholds below the bucket
  double bucketBase_ = 0.0;
  double bucketScale_ = 0.0;
  // One slot per interval, then the slot of not-a-number and the slot of the undefined color.
  std::vector<Slot> slots_;
};
