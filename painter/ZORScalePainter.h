// Painting many values at once on the caller's side: one snapshot of a color scale, then arrays
// of values painted with exactly what GetColorForValue would give for each of them.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "zor/ZORColorScaleInterfaces.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct ZORRgba {
  int red = 0;
  int green = 0;
  int blue = 0;
  int alpha = 0;
  friend bool operator==(const ZORRgba&, const ZORRgba&) = default;
};

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
  };
  static constexpr std::size_t kParallelThreshold = std::size_t{1} << 16;

  // Takes one snapshot of `scale` through its interface (block count, scale definition,
  // extreme boundaries, undefined color). `tolerance` is the one the scale evaluates with.
  ZORScalePainter(ZORIStNewColorScale* scale, double tolerance);
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
  bool SearchesIntervals() const { return !intervals_.empty(); }

 private:
  struct Outcome {
    int block;   // 1-based color, or -1
    bool blend;  // blended toward the next block's color
  };
  struct BlendBlock {
    bool usable = false;   // the narrowed block has a width
    double upper = 0.0;    // narrowed upper boundary, widened
    double width = 0.0;    // single-precision width, widened
    alignas(16) double next[4] = {};        // the next block's components
    alignas(16) double difference[4] = {};  // own - next, taken without overflow
  };
  // What painting a value of one interval takes: its block and the blend that gives its color
  // (a difference of 0 for a block painted with one color).
  struct Slot {
    int block = -1;
    BlendBlock blendBlock;
  };

  Outcome Rules(double value) const;
  Slot MakeSlot(const Outcome& outcome) const;
  static Slot PlainSlot(int block, const ZORRgba& color);
  void PaintRange(const double* values, int* blocks, ZORRgba* colors, std::size_t count,
                  bool undefinedColorForNaN) const;
  void PaintIntervals(const double* values, int* blocks, ZORRgba* colors, std::size_t count,
                      bool undefinedColorForNaN) const;
  void LocateSlots(const double* values, unsigned* slots, std::size_t count,
                   std::size_t notANumberSlot) const;
  void PaintSlots(const double* values, const unsigned* slots, int* blocks, ZORRgba* colors,
                  std::size_t count) const;
  static void PaintSlot(const Slot& slot, double t, ZORRgba& color);
  static void PaintValue(const Slot& slot, double value, int& block, ZORRgba& color);
#if defined(__SSE2__)
  static void PaintSlot(const Slot& slot, __m128d weights, ZORRgba& color);
#endif
  std::size_t IntervalOf(double value) const;
  std::size_t BucketOf(double value) const;
  void BuildIntervals();

  // The snapshot.
  int blockCount_ = 0;
  std::vector<double> boundaries_;   // n - 1
  std::vector<int> colorIndices_;    // n
  std::vector<ZORRgba> colors_;      // n
  std::vector<BlendBlock> blends_;   // n
  double lower_ = 0.0;
  double upper_ = 0.0;
  double tolerance_ = 0.0;
  ZORRgba undefinedColor_{255, 255, 255, 0};
  // A scale whose definition could not be had is painted value by value through the scale.
  ZORIStNewColorScale_var perValueScale_;

  // The search by intervals: thresholds_[j] is the first value of interval j + 1; every value of
  // an interval has the same outcome. Buckets over the finite thresholds give where to start.
  std::vector<double> thresholds_;
  std::vector<Outcome> intervals_;
  static constexpr unsigned kScanBucket = ~0u;  // a bucket holding thresholds: scan it
  std::vector<unsigned> bucketStart_;
  std::vector<unsigned> bucketInterval_;  // the interval of every value of the bucket, or kScanBucket
  double bucketBase_ = 0.0;
  double bucketScale_ = 0.0;
  // One slot per interval, then the slot of not-a-number and the slot of the undefined color.
  std::vector<Slot> slots_;
};
